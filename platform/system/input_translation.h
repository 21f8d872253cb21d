// The platform's input translation: what one event from the backend means for the program's
// windows. Internal to platform/system.
//
// A backend knows only top-level windows and hands over its events already as messages (see
// Backend::WaitEvent). Input translation is the platform's part on top of that, the same for
// every backend:
// - mouse messages go to the deepest visible child window under the pointer, or to the window
//   that holds the mouse capture, with the position made relative to that window; a button
//   press takes the capture and the release of the last button held lets it go;
// - the desktop's focus changes become the program's activation: WM_ACTIVATE for the window
//   that gains or loses the focus, and WM_ACTIVATEAPP to every top-level window when the
//   application as a whole gains or loses the foreground (keys held are then let go);
// - the desktop's moves, resizes and minimising update the window table before the window
//   hears of them, and a size the program set itself is no news;
// - events for a window that is already gone are dropped; everything else passes through.
//
// Not to be confused with the SDL backend's event translation
// (platform/backend/sdl2/event_translation.h), which makes the backend's messages from SDL's
// events in the first place.
#pragma once

#include <vector>

#include "platform/system/state.h"

namespace platform::detail {

// Appends the messages a backend event means to the machine's input queue.
void TranslateInput(const MSG& event);

// The window table's bookkeeping that input translation shares with the window functions
// (defined in windows.cpp).

// The top-level and message-only windows: those that hear of the application's activation.
std::vector<HWND> TopLevels();
// Records a change between minimised and restored; the caller tells the window with WM_SIZE.
// Answers whether the state changed.
bool SetMinimizedState(Window& window, bool minimized);
// The lParam of WM_SIZE for a window of that rectangle.
LPARAM SizeParam(const RECT& rect);

}  // namespace platform::detail
