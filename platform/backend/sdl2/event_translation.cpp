#include "platform/backend/sdl2/event_translation.h"

#include <SDL_mouse.h>
#include <SDL_video.h>

namespace platform::sdl2 {

namespace {

// The messages of one mouse button.
struct ButtonMessages {
  UINT down, up, doubleClick;
};

const ButtonMessages* MessagesOf(int button) {
  static constexpr ButtonMessages kLeft{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK};
  static constexpr ButtonMessages kRight{WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK};
  static constexpr ButtonMessages kMiddle{WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK};
  switch (button) {
    case SDL_BUTTON_LEFT: return &kLeft;
    case SDL_BUTTON_RIGHT: return &kRight;
    case SDL_BUTTON_MIDDLE: return &kMiddle;
    default: return nullptr;  // the extra buttons have no messages
  }
}

// SDL counts the presses of a multiple click; every second one is the end of a double click.
bool EndsDoubleClick(int clicks) { return clicks >= 2 && clicks % 2 == 0; }

LPARAM PositionParam(POINT at) { return MAKELPARAM_XY(at.x, at.y); }

}  // namespace

WPARAM MouseFlags(std::uint32_t buttons, MouseModifiers modifiers) {
  WPARAM flags = 0;
  if (buttons & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
  if (buttons & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
  if (buttons & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
  if (modifiers.shift) flags |= MK_SHIFT;
  if (modifiers.ctrl) flags |= MK_CONTROL;
  return flags;
}

MSG MouseMotionMessage(HWND window, const MouseMotion& motion) {
  return MSG{window, WM_MOUSEMOVE, MouseFlags(motion.buttons, motion.modifiers),
             PositionParam(motion.at)};
}

std::optional<MSG> MouseButtonMessage(HWND window, const MouseButtonEvent& event,
                                      std::uint32_t& buttons) {
  const ButtonMessages* messages = MessagesOf(event.button);
  if (!messages) return std::nullopt;
  if (event.down)
    buttons |= SDL_BUTTON(event.button);
  else
    buttons &= ~SDL_BUTTON(event.button);
  const UINT message = !event.down                     ? messages->up
                       : EndsDoubleClick(event.clicks) ? messages->doubleClick
                                                       : messages->down;
  return MSG{window, message, MouseFlags(buttons, event.modifiers), PositionParam(event.at)};
}

std::vector<MSG> WindowEventMessages(HWND window, const WindowEvent& event, MoveTracker& moves) {
  switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED: return {MSG{window, WM_ACTIVATE, WA_ACTIVE, 0}};
    case SDL_WINDOWEVENT_FOCUS_LOST: return {MSG{window, WM_ACTIVATE, WA_INACTIVE, 0}};
    case SDL_WINDOWEVENT_CLOSE: return {MSG{window, WM_SYSCOMMAND, SC_CLOSE, 0}};
    case SDL_WINDOWEVENT_MINIMIZED: return {MSG{window, WM_SIZE, SIZE_MINIMIZED, 0}};
    case SDL_WINDOWEVENT_RESTORED: {
      const RECT& r = event.client;
      return {
          MSG{window, WM_SIZE, SIZE_RESTORED, MAKELPARAM_XY(r.right - r.left, r.bottom - r.top)}};
    }
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      return {MSG{window, WM_SIZE, SIZE_RESTORED, MAKELPARAM_XY(event.data1, event.data2)}};
    case SDL_WINDOWEVENT_MOVED: {
      const POINT to{event.data1, event.data2};
      const MSG move{window, WM_MOVE, 0, PositionParam(to)};
      switch (moves.Moved(window, to, event.now)) {
        case MoveTracker::Move::Own: return {};
        case MoveTracker::Move::DragStart: return {MSG{window, WM_ENTERSIZEMOVE, 0, 0}, move};
        case MoveTracker::Move::Plain: return {move};
      }
      return {};
    }
    case SDL_WINDOWEVENT_EXPOSED: return {MSG{window, WM_PAINT, 0, 0}};
    default: return {};
  }
}

}  // namespace platform::sdl2
