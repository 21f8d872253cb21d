// The parts of the web backend that are plain computation, kept apart from the page so that
// tests run them natively: which key message a key of the page's keyboard events makes, which
// mouse message a pointer event makes, how a frame's pixels become the page's RGBA pixels and
// back, and where the picture lies on the page.
//
// Keys are named as the page names them in KeyboardEvent.code: by position on the keyboard,
// not by what the layout prints ("KeyA" is the key left of S everywhere). Left and right Shift,
// Ctrl and Alt answer VK_SHIFT, VK_CONTROL and VK_MENU; "NumpadEnter" answers VK_RETURN.
//
// Does not: map keys the game's platform has no code for (the Windows keys, media keys, F13 and
// above); put a scancode into a key message's lParam (the page does not tell one).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/backend/backend.h"
#include "platform/backend/viewport.h"
#include "platform/winapi.h"

namespace platform::web {

// The virtual-key code of the key the page calls `code`; 0 for a key without one.
std::uint16_t VirtualKeyForCode(std::string_view code);

// One press, auto-repeat or release of a key.
struct KeyEvent {
  std::string_view code;
  bool down = false;
  bool repeat = false;   // a press of a key already down
  bool altHeld = false;  // Alt is down once the event has happened
};

// WM_KEYDOWN / WM_KEYUP, or WM_SYSKEYDOWN / WM_SYSKEYUP while Alt is held, for Alt itself and
// for F10; wParam the virtual-key code, lParam a repeat count of 1 with the Alt bit, the
// previous-state bit (auto-repeat and release) and the transition bit (release). Nothing for a
// key without a virtual-key code.
std::optional<MSG> KeyMessage(HWND window, const KeyEvent& key);

// Whether the browser's own use of a key gives way to the game: F1 to F6 (the browser's help,
// address bar, search, reload ...), Alt, and Alt+Enter. Every other key reaches the game as
// well, but does for the browser what it always does (Ctrl+R reloads, F11 is the browser's
// full screen).
bool KeyBelongsToTheGame(const KeyEvent& key);

// Pointer buttons go by the page's numbers: 0 left, 1 middle, 2 right; its mask of held buttons
// has bit 0 left, bit 1 right, bit 2 middle.
struct PointerEvent {
  enum Kind { Move, Down, Up } kind = Move;
  int button = 0;             // Down and Up
  int clicks = 1;             // Down: the presses of a multiple click so far, this one included
  std::uint32_t buttons = 0;  // held once the event has happened
  bool shift = false, ctrl = false;
  POINT at{};  // on the picture
};

// WM_MOUSEMOVE, WM_xBUTTONDOWN (WM_xBUTTONDBLCLK for the second press of a double click, the
// fourth, ...) or WM_xBUTTONUP, with the MK_ flags as they are after the event in wParam and
// the position in lParam; nothing for another button.
std::optional<MSG> PointerMessage(HWND window, const PointerEvent& event);

// Where the picture of pictureWidth x pictureHeight lies on a page of pageWidth x pageHeight
// device pixels: as full screen lies on a monitor on the desktop (viewport.h).
Viewport PictureOnPage(int pageWidth, int pageHeight, int pictureWidth, int pictureHeight);

// The picture pixel under a point of the page given in device pixels, which may fall between
// pixels: the pixel whose square holds it, clamped to the picture.
POINT PagePointToPicture(const Viewport& v, double x, double y);

// Writes the `source` rectangle of the frame into RGBA pixels (red, green, blue, 255 in memory)
// of a picture `width` pixels wide, from `at` on; the caller keeps both inside their pictures.
void FrameToRgba(const FrameView& frame, const RECT& source, std::uint8_t* rgba, int width,
                 POINT at);
// Reads the rectangle of RGBA pixels at `at` back into the frame's format, as exactly as the
// widening to 8 bits a channel lets it (every format but 8 bits comes back whole).
void RgbaToFrame(const std::uint8_t* rgba, int width, POINT at, const FrameTarget& into);

}  // namespace platform::web
