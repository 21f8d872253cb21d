// The mouse and window half of the SDL2 backend's event translation: which message a mouse
// motion, a mouse button or a change to a window becomes, with its wParam and lParam. The
// keyboard half is keymap.h. Nothing here sees SDL's types or calls SDL: an event is described
// in plain values by SDL's own numbers (button numbers, the mask of held buttons, window event
// numbers), so that the tests can use them too. sdl2.cpp reads the SDL_Event, finds the
// platform's window for SDL's window ID and maps a full-screen window's mouse positions to
// emulated pixels; everything it then queues is decided here.
//
// Does not make WM_ACTIVATEAPP (the desktop's focus goes to windows, and the platform works out
// the application's from it), wheel messages or messages for the extra buttons.
//
// Not to be confused with the platform's input translation (platform/system/
// input_translation.h), which takes these messages on from the backend and hit-tests them into
// child windows.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/backend/sdl2/move_tracker.h"
#include "platform/winapi.h"

namespace platform::sdl2 {

// Mouse buttons go by SDL's numbers: 1 left, 2 middle, 3 right, 4 and up the extra buttons,
// which have no messages. SDL's mask of held buttons has bit n-1 set for button n.

// The modifier keys that mouse messages carry, as the desktop has them when the event is read.
struct MouseModifiers {
  bool shift = false;
  bool ctrl = false;
};

// The MK_ flags for a mask of held buttons and the modifiers: MK_LBUTTON, MK_RBUTTON and
// MK_MBUTTON for the buttons that have them, MK_SHIFT and MK_CONTROL.
WPARAM MouseFlags(std::uint32_t buttons, MouseModifiers modifiers);

// The pointer moved over a window.
struct MouseMotion {
  POINT at{};                 // in the client area; in emulated pixels while full screen
  std::uint32_t buttons = 0;  // SDL's mask of the buttons held
  MouseModifiers modifiers;
};

// WM_MOUSEMOVE with the MK_ flags in wParam and the position in lParam.
MSG MouseMotionMessage(HWND window, const MouseMotion& motion);

// A press or release of a mouse button over a window.
struct MouseButtonEvent {
  int button = 0;  // SDL's number for it
  bool down = false;
  int clicks = 1;  // the presses of a multiple click so far, this one included (SDL counts them)
  POINT at{};      // as for MouseMotion
  MouseModifiers modifiers;
};

// WM_xBUTTONDOWN, or WM_xBUTTONDBLCLK for the second press of a double click (the fourth, ...),
// or WM_xBUTTONUP, with the MK_ flags as they are after the change in wParam and the position in
// lParam. `buttons` is the mask of the buttons held before the event and becomes the mask after
// it. Nothing, and the mask unchanged, for an extra button.
std::optional<MSG> MouseButtonMessage(HWND window, const MouseButtonEvent& event,
                                      std::uint32_t& buttons);

// A change to a window, as SDL reports it.
struct WindowEvent {
  int event = 0;             // SDL's number for what happened
  int data1 = 0, data2 = 0;  // the new size (size changed) or client position (moved)
  RECT client{};             // the client area as the desktop has it now (for a restore)
  std::uint64_t now = 0;     // the backend's clock, in milliseconds (for a move)
};

// The messages a window event means, in order; none for one the platform has no message for.
// - keyboard focus gained or lost: WM_ACTIVATE with WA_ACTIVE or WA_INACTIVE;
// - the close button: WM_SYSCOMMAND SC_CLOSE;
// - minimised: WM_SIZE SIZE_MINIMIZED;
// - restored: WM_SIZE SIZE_RESTORED with the size of the client area now;
// - size changed: WM_SIZE SIZE_RESTORED with the new size;
// - exposed: WM_PAINT;
// - moved: as `moves` takes the move (move_tracker.h): nothing for the program's own move,
//   WM_MOVE with the new position for any other, after WM_ENTERSIZEMOVE for a drag's first.
std::vector<MSG> WindowEventMessages(HWND window, const WindowEvent& event, MoveTracker& moves);

}  // namespace platform::sdl2
