// The keyboard half of the SDL2 backend's event translation (the mouse and window half is
// event_translation.h): which virtual-key code a physical key has, and the key message a press
// or release of it makes. Nothing here sees SDL's types; a key is named by its SDL scancode,
// passed as an int, so that the tests can use it too.
//
// Keys are named by position, not by what the keyboard layout prints on them: the key left of
// S is 'A' on every layout. Left and right Shift, Ctrl and Alt answer the generic VK_SHIFT,
// VK_CONTROL and VK_MENU; keypad Enter answers VK_RETURN; keypad digits answer VK_NUMPAD0..9
// whatever Num Lock says.
//
// Does not: map the Windows and menu keys, F13 and above, the extra key of 102-key keyboards,
// or media keys; they have no code here, so their events are dropped. Nor make WM_CHAR: keys
// come as key messages only.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/winapi.h"

namespace platform::sdl2 {

// The virtual-key code of the key with that SDL scancode, or 0 for a key without one
// (including scancodes outside SDL's range).
std::uint16_t VirtualKeyForScancode(int scancode);

// One press, auto-repeat or release of a physical key, as the desktop reported it.
struct KeyEvent {
  int scancode = 0;
  bool down = false;
  bool repeat = false;   // a press of a key that was already down
  bool altHeld = false;  // Alt is down once the event has happened
};

// The key message for the event: WM_KEYDOWN / WM_KEYUP, or WM_SYSKEYDOWN / WM_SYSKEYUP while
// Alt is held, for Alt itself and for F10. wParam is the virtual-key code; lParam carries a
// repeat count of 1, the scancode's low byte in bits 16-23, the Alt bit, the previous-state
// bit (auto-repeat and release) and the transition bit (release). Nothing for a key without a
// virtual-key code.
std::optional<MSG> KeyMessage(HWND window, const KeyEvent& key);

}  // namespace platform::sdl2
