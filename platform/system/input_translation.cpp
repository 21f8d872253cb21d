#include "platform/system/input_translation.h"

#include "platform/system/windows.h"

namespace platform::detail {

namespace {

bool Contains(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The deepest visible child of `parent` under the point (in parent client coordinates); the
// point is made relative to the window found. Later children lie on top of earlier ones.
HWND HitTest(HWND parent, POINT& p) {
  for (;;) {
    HWND found = 0;
    for (auto it = M().windows.rbegin(); it != M().windows.rend(); ++it) {
      const Window& c = it->second;
      if (c.parent == parent && (c.style & WS_VISIBLE) && Contains(c.rect, p.x, p.y)) {
        found = c.handle;
        break;
      }
    }
    if (!found) return parent;
    const Window* c = Find(found);
    p.x -= c->rect.left;
    p.y -= c->rect.top;
    parent = found;
  }
}

bool IsMouseMessage(UINT m) { return m >= WM_MOUSEMOVE && m <= WM_MBUTTONDBLCLK; }
bool IsButtonDown(UINT m) {
  return m == WM_LBUTTONDOWN || m == WM_LBUTTONDBLCLK || m == WM_RBUTTONDOWN ||
         m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDOWN || m == WM_MBUTTONDBLCLK;
}
bool IsButtonUp(UINT m) { return m == WM_LBUTTONUP || m == WM_RBUTTONUP || m == WM_MBUTTONUP; }

void QueueToTopLevels(UINT message, WPARAM wParam) {
  for (HWND h : TopLevels()) M().input.push_back({h, message, wParam, 0});
}

void SetAppForeground(bool foreground) {
  if (M().appForeground == foreground) return;
  M().appForeground = foreground;
  if (!foreground) ResetKeys();
  QueueToTopLevels(WM_ACTIVATEAPP, foreground ? 1 : 0);
}

void TranslateActivationInput(const MSG& e) {
  auto& m = M();
  if (e.message == WM_ACTIVATEAPP) {  // the application as a whole, no window of its own
    if (!e.wParam && m.foreground) {
      m.input.push_back({m.foreground, WM_ACTIVATE, WA_INACTIVE, 0});
      m.foreground = 0;
    }
    SetAppForeground(e.wParam != 0);
    return;
  }
  if (!Find(e.hwnd)) return;
  if (LOWORD(e.wParam) != WA_INACTIVE) {
    if (m.foreground == e.hwnd) return;
    if (m.foreground) m.input.push_back({m.foreground, WM_ACTIVATE, WA_INACTIVE, 0});
    SetAppForeground(true);
    m.foreground = e.hwnd;
    m.input.push_back({e.hwnd, WM_ACTIVATE, WA_ACTIVE, 0});
  } else if (m.foreground == e.hwnd) {
    m.input.push_back({e.hwnd, WM_ACTIVATE, WA_INACTIVE, 0});
    m.foreground = 0;
    SetAppForeground(false);
  }
}

void TranslateMouseInput(MSG e) {
  auto& m = M();
  POINT p{GET_X_LPARAM(e.lParam), GET_Y_LPARAM(e.lParam)};
  HWND target;
  if (m.capture && Find(m.capture)) {
    POINT s = p;
    ClientToScreen(e.hwnd, s);
    ScreenToClient(m.capture, s);
    p = s;
    target = m.capture;
  } else {
    target = HitTest(e.hwnd, p);
  }
  if (IsButtonDown(e.message)) m.capture = target;
  if (IsButtonUp(e.message) && !(e.wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) m.capture = 0;
  e.hwnd = target;
  e.lParam = MAKELPARAM_XY(p.x, p.y);
  m.input.push_back(e);
}

void TranslateSizeInput(const MSG& e) {
  Window* w = Find(e.hwnd);
  if (!w) return;
  if (e.wParam == SIZE_MINIMIZED) {
    if (SetMinimizedState(*w, true)) M().input.push_back({e.hwnd, WM_SIZE, SIZE_MINIMIZED, 0});
    return;
  }
  const RECT now = M().backend->ClientRect(e.hwnd);
  // The desktop confirming a size the program set itself is no news.
  if (!w->minimized && now == w->rect) return;
  w->rect = now;
  SetMinimizedState(*w, false);
  w->normalRect = w->rect;
  M().input.push_back({e.hwnd, WM_SIZE, SIZE_RESTORED, SizeParam(w->rect)});
}

void TranslateMoveInput(Window& w) {
  auto& m = M();
  w.rect = m.backend->ClientRect(w.handle);
  if (!w.minimized) w.normalRect = w.rect;
  m.input.push_back({w.handle, WM_MOVE, 0, MAKELPARAM_XY(w.rect.left, w.rect.top)});
}

}  // namespace

void TranslateInput(const MSG& e) {
  auto& m = M();
  if (e.message == WM_QUIT) {
    m.input.push_back({0, WM_QUIT, e.wParam, 0});
    return;
  }
  if (e.message == WM_ACTIVATE || e.message == WM_ACTIVATEAPP) {
    TranslateActivationInput(e);
    return;
  }
  Window* w = Find(e.hwnd);
  if (!w) return;  // a window that is already gone
  if (IsMouseMessage(e.message)) {
    TranslateMouseInput(e);
  } else if (e.message == WM_SIZE) {
    TranslateSizeInput(e);
  } else if (e.message == WM_MOVE) {
    TranslateMoveInput(*w);
  } else {
    m.input.push_back(e);
  }
}

}  // namespace platform::detail
