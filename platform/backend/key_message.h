// The key message a backend makes for one press, auto-repeat or release of a key, the same for
// every backend: WM_KEYDOWN / WM_KEYUP, or WM_SYSKEYDOWN / WM_SYSKEYUP while Alt is held, for
// Alt itself and for F10 (which opens the menu bar without Alt). wParam is the virtual-key code;
// lParam carries a repeat count of 1, the scancode byte in bits 16-23, the Alt bit, the
// previous-state bit (auto-repeat and release) and the transition bit (release).
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace platform {

inline MSG KeyMessageFor(HWND window, std::uint16_t virtualKey, bool down, bool repeat,
                         bool altHeld, std::uint8_t scancode = 0) {
  constexpr std::uint16_t kF10 = VK_F1 + 9;
  constexpr LPARAM kRepeatCountOne = 1;
  constexpr int kScancodeShift = 16;
  constexpr LPARAM kTransitionUpBit = LPARAM{1} << 31;
  const bool system = altHeld || virtualKey == VK_MENU || virtualKey == kF10;
  const UINT message =
      down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  LPARAM lParam = kRepeatCountOne | (LPARAM{scancode} << kScancodeShift);
  if (altHeld) lParam |= KF_ALTDOWN_BIT;
  if (repeat || !down) lParam |= KF_REPEAT_BIT;
  if (!down) lParam |= kTransitionUpBit;
  return MSG{window, message, virtualKey, lParam};
}

}  // namespace platform
