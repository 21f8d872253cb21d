#include "platform/system/input.h"

#include <cstring>

#include "platform/system/state.h"

namespace platform {
namespace detail {

void ResetKeys() {
  for (auto& k : M().keys) k &= static_cast<std::uint8_t>(~KEY_DOWN_BIT);
}

namespace {
void SetKey(int vk, bool down) {
  std::uint8_t& k = M().keys[vk & 0xFF];
  if (down && !(k & KEY_DOWN_BIT)) k ^= KEY_TOGGLED_BIT;
  k = down ? (k | KEY_DOWN_BIT) : (k & static_cast<std::uint8_t>(~KEY_DOWN_BIT));
}
}  // namespace

void TrackInput(const MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: SetKey(static_cast<int>(msg.wParam), true); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: SetKey(static_cast<int>(msg.wParam), false); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: SetKey(VK_LBUTTON, true); break;
    case WM_LBUTTONUP: SetKey(VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: SetKey(VK_RBUTTON, true); break;
    case WM_RBUTTONUP: SetKey(VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: SetKey(VK_MBUTTON, true); break;
    case WM_MBUTTONUP: SetKey(VK_MBUTTON, false); break;
    default: break;
  }
}

}  // namespace detail

void GetKeyboardState(std::uint8_t state[256]) { std::memcpy(state, detail::M().keys, 256); }

std::int16_t GetKeyState(int virtualKey) {
  const std::uint8_t k = detail::M().keys[virtualKey & 0xFF];
  return static_cast<std::int16_t>((k & KEY_DOWN_BIT ? 0xFF80 : 0) | (k & KEY_TOGGLED_BIT));
}

int ShowCursor(bool show) {
  auto& m = detail::M();
  const bool wasVisible = m.cursorCount >= 0;
  m.cursorCount += show ? 1 : -1;
  if ((m.cursorCount >= 0) != wasVisible) m.backend->SetCursorVisible(m.cursorCount >= 0);
  return m.cursorCount;
}

HWND GetForegroundWindow() { return detail::M().foreground; }

BOOL SetForegroundWindow(HWND window) {
  const detail::Window* w = detail::Find(window);
  if (!w || !w->onDesktop) return false;
  detail::M().backend->ActivateWindow(window);
  return true;
}

}  // namespace platform
