// The user's view of the input devices: which keys are down, whether the cursor shows, and
// which window has the foreground.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace platform {

// Fills 256 bytes, one per virtual-key code, with bit 7 set for a key that is down, as of the
// key and mouse-button messages taken from the queue so far.
void GetKeyboardState(std::uint8_t state[256]);
// The state byte of one key, as a signed value: negative while the key is down.
std::int16_t GetKeyState(int virtualKey);

// The cursor display count: False lowers it, True raises it; the cursor shows while it is
// 0 or more. Answers the new count.
int ShowCursor(bool show);

// The window of this program that has the keyboard focus, or 0 when another program has it.
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND window);

}  // namespace platform
