#include "platform/system/windows.h"

#include <algorithm>
#include <vector>

#include "platform/system/input_translation.h"
#include "platform/system/state.h"

namespace platform {

using detail::Find;
using detail::M;
using detail::SetMinimizedState;
using detail::SizeParam;
using detail::TopLevels;
using detail::Window;

// The window table's bookkeeping that input translation shares (input_translation.h).
namespace detail {

std::vector<HWND> TopLevels() {
  std::vector<HWND> out;
  for (auto& [h, w] : M().windows)
    if (w.parent == 0 || w.parent == HWND_MESSAGE) out.push_back(h);
  return out;
}

bool SetMinimizedState(Window& w, bool minimized) {
  if (w.minimized == minimized) return false;
  w.minimized = minimized;
  if (minimized) w.normalRect = w.rect;
  return true;
}

LPARAM SizeParam(const RECT& r) { return MAKELPARAM_XY(r.right - r.left, r.bottom - r.top); }

}  // namespace detail

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

Border BorderOf(DWORD style) {
  if (style & WS_THICKFRAME) return Border::Sizeable;
  if ((style & WS_POPUP) && !(style & WS_CAPTION)) return Border::None;
  return Border::Fixed;
}

bool HasTaskbarButton(DWORD exStyle) {
  return (exStyle & WS_EX_APPWINDOW) || !(exStyle & WS_EX_TOOLWINDOW);
}

bool OnDesktop(HWND h) {
  const Window* w = Find(h);
  return w && w->onDesktop;
}

std::uint32_t Now() { return M().backend->Milliseconds(); }

void ActivateNow(HWND h);

// WM_SHOWWINDOW; for a window that the desktop focused as it appeared, the activation; then
// WM_WINDOWPOSCHANGED, the "shown" notice: a window is active by the time it hears it is shown.
void SendShowChange(HWND h, bool visible, bool focused) {
  SendMessage(h, WM_SHOWWINDOW, visible ? 1 : 0, 0);
  if (focused && Find(h)) ActivateNow(h);
  const Window* w = Find(h);
  if (!w) return;
  WINDOWPOS pos{
      h,
      0,
      w->rect.left,
      w->rect.top,
      Width(w->rect),
      Height(w->rect),
      SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW)};
  SendMessage(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

void SetVisible(HWND h, bool visible) {
  Window* w = Find(h);
  if (!w || ((w->style & WS_VISIBLE) != 0) == visible) return;
  if (visible)
    w->style |= WS_VISIBLE;
  else
    w->style &= ~WS_VISIBLE;
  const bool focused = w->onDesktop && M().backend->ShowWindow(h, visible) && visible;
  SendShowChange(h, visible, focused);
}

RECT ScreenRectOf(const Window& w) {
  RECT r = w.rect;
  for (const Window* p = Find(w.parent); p; p = Find(p->parent)) {
    r.left += p->rect.left;
    r.right += p->rect.left;
    r.top += p->rect.top;
    r.bottom += p->rect.top;
  }
  return r;
}

// The same bookkeeping as a focus event from the desktop, but with every message sent at once:
// for a window that got the focus while it was being shown.
void ActivateNow(HWND h) {
  auto& m = M();
  if (m.foreground == h) return;
  const HWND previous = m.foreground;
  m.foreground = h;
  if (previous) SendMessage(previous, WM_ACTIVATE, WA_INACTIVE, 0);
  if (!m.appForeground) {
    m.appForeground = true;
    for (HWND top : TopLevels()) SendMessage(top, WM_ACTIVATEAPP, 1, 0);
  }
  if (m.foreground == h && Find(h)) SendMessage(h, WM_ACTIVATE, WA_ACTIVE, 0);
}

bool TimerDue() {
  const std::uint32_t now = Now();
  return std::any_of(M().timers.begin(), M().timers.end(), [now](const detail::Timer& t) {
    return static_cast<std::int32_t>(now - t.due) >= 0;
  });
}

// Milliseconds until the first timer is due, INFINITE with no timers.
DWORD UntilNextTimer() {
  const std::uint32_t now = Now();
  DWORD best = INFINITE;
  for (const auto& t : M().timers) {
    const std::int32_t left = static_cast<std::int32_t>(t.due - now);
    best = std::min<DWORD>(best, left <= 0 ? 0 : static_cast<DWORD>(left));
  }
  return best;
}

bool TakeTimer(MSG& out) {
  const std::uint32_t now = Now();
  detail::Timer* first = nullptr;
  for (auto& t : M().timers) {
    if (static_cast<std::int32_t>(now - t.due) < 0) continue;
    if (!first || static_cast<std::int32_t>(t.due - first->due) < 0) first = &t;
  }
  if (!first) return false;
  first->due = now + first->elapse;
  out = {first->window, WM_TIMER, first->id, 0};
  return true;
}

WaitResult PumpBackend(DWORD timeoutMs) {
  MSG e;
  const WaitResult r = M().backend->WaitEvent(e, timeoutMs);
  if (r == WaitResult::Event) detail::TranslateInput(e);
  return r;
}

void DropMessagesFor(HWND h) {
  auto& m = M();
  auto forIt = [h](const MSG& msg) { return msg.hwnd == h; };
  m.posted.erase(std::remove_if(m.posted.begin(), m.posted.end(), forIt), m.posted.end());
  m.input.erase(std::remove_if(m.input.begin(), m.input.end(), forIt), m.input.end());
  m.timers.erase(std::remove_if(m.timers.begin(), m.timers.end(),
                                [h](const detail::Timer& t) { return t.window == h; }),
                 m.timers.end());
}

}  // namespace

HWND CreateWindowEx(DWORD exStyle, const std::string& text, DWORD style, int x, int y, int width,
                    int height, HWND parent, WNDPROC proc, void* userData) {
  auto& m = M();
  if (parent != 0 && parent != HWND_MESSAGE && !Find(parent)) return 0;
  const HWND h = m.nextHandle++;
  Window& w = m.windows[h];
  w.handle = h;
  w.parent = parent;
  w.style = style & ~WS_VISIBLE;
  w.exStyle = exStyle;
  w.rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
  w.normalRect = w.rect;
  w.text = text;
  w.proc = proc;
  w.userData = userData;
  if (parent == 0) {
    WindowSpec spec{text,
                    BorderOf(style),
                    (style & WS_MINIMIZEBOX) != 0,
                    (style & WS_MAXIMIZEBOX) != 0,
                    HasTaskbarButton(exStyle),
                    w.rect};
    if (!m.backend->CreateWindow(h, spec)) {
      m.windows.erase(h);
      return 0;
    }
    w.onDesktop = true;
  }
  if (SendMessage(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(userData)) == -1) {
    DestroyWindow(h);
    return 0;
  }
  if ((style & WS_VISIBLE) && Find(h)) ShowWindow(h, SW_SHOW);
  return Find(h) ? h : 0;
}

BOOL DestroyWindow(HWND h) {
  Window* w = Find(h);
  if (!w || w->destroying) return false;
  w->destroying = true;
  SendMessage(h, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  for (auto& [ch, c] : M().windows)
    if (c.parent == h) children.push_back(ch);
  for (HWND ch : children) DestroyWindow(ch);
  auto& m = M();
  if (OnDesktop(h)) m.backend->DestroyWindow(h);
  DropMessagesFor(h);
  if (m.foreground == h) {
    // The releases of keys held in the window that had the focus are addressed to it and will
    // find it gone; whatever window has the focus next starts with no key held.
    m.foreground = 0;
    detail::ResetKeys();
  }
  if (m.capture == h) m.capture = 0;
  m.windows.erase(h);
  return true;
}

BOOL IsWindow(HWND h) { return Find(h) != nullptr; }

void* GetWindowUserData(HWND h) {
  const Window* w = Find(h);
  return w ? w->userData : nullptr;
}

HWND GetParent(HWND h) {
  const Window* w = Find(h);
  return w && w->parent != HWND_MESSAGE ? w->parent : 0;
}

BOOL ShowWindow(HWND h, UINT command) {
  Window* w = Find(h);
  if (!w) return false;
  const bool wasVisible = (w->style & WS_VISIBLE) != 0;
  switch (command) {
    case SW_HIDE: SetVisible(h, false); break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      SetVisible(h, true);
      if ((w = Find(h)) && SetMinimizedState(*w, true)) {
        if (w->onDesktop) M().backend->MinimizeWindow(h);
        SendMessage(h, WM_SIZE, SIZE_MINIMIZED, 0);
      }
      break;
    default:  // SW_SHOW, SW_SHOWNORMAL, SW_RESTORE
      SetVisible(h, true);
      if (command != SW_SHOW && (w = Find(h)) && SetMinimizedState(*w, false)) {
        w->rect = w->normalRect;
        if (w->onDesktop) {
          M().backend->RestoreWindow(h);
          // The normal rectangle may have been written while minimised; the desktop only
          // remembers the one it minimised from.
          M().backend->SetClientRect(h, w->rect);
        }
        SendMessage(h, WM_SIZE, SIZE_RESTORED, SizeParam(w->rect));
      }
      break;
  }
  return wasVisible;
}

BOOL IsWindowVisible(HWND h) {
  for (const Window* w = Find(h); w; w = Find(w->parent))
    if (!(w->style & WS_VISIBLE)) return false;
  return Find(h) != nullptr;
}

BOOL IsIconic(HWND h) {
  const Window* w = Find(h);
  return w && w->minimized;
}

BOOL SetWindowPos(HWND h, int x, int y, int width, int height, UINT flags) {
  Window* w = Find(h);
  if (!w) return false;
  RECT r = w->minimized ? w->normalRect : w->rect;
  if (!(flags & SWP_NOMOVE)) {
    r.right += x - r.left;
    r.bottom += y - r.top;
    r.left = x;
    r.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(width, 0);
    r.bottom = r.top + std::max(height, 0);
  }
  const RECT old = w->rect;
  if (w->minimized) {
    w->normalRect = r;  // takes effect when the window is restored
  } else {
    w->rect = w->normalRect = r;
    if (w->onDesktop) M().backend->SetClientRect(h, r);
  }
  const RECT now = w->rect;
  WINDOWPOS pos{
      h, 0, now.left, now.top, Width(now), Height(now), flags & ~(SWP_SHOWWINDOW | SWP_HIDEWINDOW)};
  SendMessage(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (now.left != old.left || now.top != old.top)
    SendMessage(h, WM_MOVE, 0, MAKELPARAM_XY(now.left, now.top));
  if (Width(now) != Width(old) || Height(now) != Height(old))
    SendMessage(h, WM_SIZE, SIZE_RESTORED, SizeParam(now));
  if (flags & SWP_SHOWWINDOW) ShowWindow(h, SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(h, SW_HIDE);
  return true;
}

BOOL SetFullScreenWindow(HWND h, bool on, int width, int height) {
  Window* w = Find(h);
  if (!w || !w->onDesktop) return false;
  M().backend->SetFullScreen(h, on, width, height);
  if (!(w = Find(h))) return false;
  const RECT old = w->rect;
  const RECT now = M().backend->ClientRect(h);
  w->rect = now;
  if (!w->minimized) w->normalRect = now;
  WINDOWPOS pos{h, 0, now.left, now.top, Width(now), Height(now), SWP_NOZORDER | SWP_NOACTIVATE};
  SendMessage(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (now.left != old.left || now.top != old.top)
    SendMessage(h, WM_MOVE, 0, MAKELPARAM_XY(now.left, now.top));
  if (Width(now) != Width(old) || Height(now) != Height(old))
    SendMessage(h, WM_SIZE, SIZE_RESTORED, SizeParam(now));
  return true;
}

HWND GetTopLevel(HWND h) {
  const Window* w = Find(h);
  while (w && w->parent != 0 && w->parent != HWND_MESSAGE) w = Find(w->parent);
  return w ? w->handle : 0;
}

BOOL GetWindowRect(HWND h, RECT& rect) {
  const Window* w = Find(h);
  if (!w) return false;
  rect = ScreenRectOf(*w);
  return true;
}

BOOL GetClientRect(HWND h, RECT& rect) {
  const Window* w = Find(h);
  if (!w) return false;
  rect = {0, 0, Width(w->rect), Height(w->rect)};
  return true;
}

BOOL ClientToScreen(HWND h, POINT& p) {
  RECT r;
  if (!GetWindowRect(h, r)) return false;
  p.x += r.left;
  p.y += r.top;
  return true;
}

BOOL ScreenToClient(HWND h, POINT& p) {
  RECT r;
  if (!GetWindowRect(h, r)) return false;
  p.x -= r.left;
  p.y -= r.top;
  return true;
}

RECT GetScreenRect() { return M().backend->ScreenRect(); }

DWORD GetWindowLong(HWND h, int index) {
  const Window* w = Find(h);
  if (!w) return 0;
  return index == GWL_EXSTYLE ? w->exStyle : index == GWL_STYLE ? w->style : 0;
}

DWORD SetWindowLong(HWND h, int index, DWORD value) {
  Window* w = Find(h);
  if (!w) return 0;
  if (index == GWL_STYLE) {
    const DWORD old = w->style;
    w->style = (value & ~WS_VISIBLE) | (old & WS_VISIBLE);
    if (w->onDesktop)
      M().backend->SetFrame(h, BorderOf(w->style), (w->style & WS_MINIMIZEBOX) != 0,
                            (w->style & WS_MAXIMIZEBOX) != 0);
    return old;
  }
  if (index == GWL_EXSTYLE) {
    const DWORD old = w->exStyle;
    w->exStyle = value;
    if (w->onDesktop && HasTaskbarButton(old) != HasTaskbarButton(value))
      M().backend->SetTaskbarButton(h, HasTaskbarButton(value));
    return old;
  }
  return 0;
}

BOOL SetWindowText(HWND h, const std::string& text) {
  Window* w = Find(h);
  if (!w) return false;
  w->text = text;
  if (w->onDesktop) M().backend->SetTitle(h, text);
  return true;
}

std::string GetWindowText(HWND h) {
  const Window* w = Find(h);
  return w ? w->text : std::string();
}

BOOL GetWindowPlacement(HWND h, WINDOWPLACEMENT& p) {
  const Window* w = Find(h);
  if (!w || p.length != sizeof(WINDOWPLACEMENT)) return false;
  p.flags = 0;
  p.showCmd = w->minimized ? SW_SHOWMINIMIZED : (w->style & WS_VISIBLE) ? SW_SHOWNORMAL : SW_HIDE;
  p.ptMinPosition = {-1, -1};
  p.ptMaxPosition = {-1, -1};
  p.rcNormalPosition = w->minimized ? w->normalRect : w->rect;
  return true;
}

BOOL SetWindowPlacement(HWND h, const WINDOWPLACEMENT& p) {
  if (!Find(h) || p.length != sizeof(WINDOWPLACEMENT)) return false;
  const RECT& r = p.rcNormalPosition;
  SetWindowPos(h, r.left, r.top, Width(r), Height(r), SWP_NOZORDER | SWP_NOACTIVATE);
  switch (p.showCmd) {
    case SW_HIDE: ShowWindow(h, SW_HIDE); break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED: ShowWindow(h, SW_MINIMIZE); break;
    default: ShowWindow(h, SW_RESTORE); break;
  }
  return true;
}

BOOL PostMessage(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  if (h != 0 && !Find(h)) return false;
  M().posted.push_back({h, message, wParam, lParam});
  return true;
}

void PostQuitMessage(int exitCode) {
  M().posted.push_back({0, WM_QUIT, static_cast<WPARAM>(exitCode), 0});
}

LRESULT SendMessage(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  const Window* w = Find(h);
  if (!w || !w->proc) return 0;
  return w->proc(h, message, wParam, lParam);
}

BOOL PeekMessage(MSG& out) {
  auto& m = M();
  if (!m.posted.empty()) {
    out = m.posted.front();
    m.posted.pop_front();
    return true;
  }
  // Events that mean nothing any more (for a window already gone) give no message: keep on.
  while (m.input.empty() && PumpBackend(0) == WaitResult::Event) {
  }
  if (!m.input.empty()) {
    out = m.input.front();
    m.input.pop_front();
    detail::TrackInput(out);
    return true;
  }
  return TakeTimer(out);
}

WaitResult WaitMessage(DWORD timeoutMs) {
  auto& m = M();
  const std::uint32_t start = Now();
  for (;;) {
    if (!m.posted.empty() || !m.input.empty() || TimerDue()) return WaitResult::Event;
    DWORD wait = timeoutMs;
    if (timeoutMs != INFINITE) {
      const std::uint32_t spent = Now() - start;
      if (spent >= timeoutMs) return WaitResult::Timeout;
      wait = timeoutMs - spent;
    }
    wait = std::min(wait, UntilNextTimer());
    const WaitResult r = PumpBackend(wait);
    if (r == WaitResult::Never) return WaitResult::Never;
  }
}

LRESULT DispatchMessage(const MSG& msg) {
  return msg.hwnd ? SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam) : 0;
}

LRESULT DefWindowProc(HWND h, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessage(h, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(h, SW_MINIMIZE); break;
        case SC_RESTORE: ShowWindow(h, SW_RESTORE); break;
        default: break;
      }
      return 0;
    case WM_CLOSE: DestroyWindow(h); return 0;
    default: return 0;
  }
}

BOOL SetTimer(HWND h, std::uintptr_t id, UINT elapseMs) {
  if (!Find(h)) return false;
  auto& timers = M().timers;
  // A zero period would never let the queue rest; due times are compared on the wrapping
  // clock, which can tell "later" from "earlier" only within half its range.
  elapseMs = std::clamp<UINT>(elapseMs, 1, kLongestTimerElapse);
  const std::uint32_t due = Now() + elapseMs;
  for (auto& t : timers)
    if (t.window == h && t.id == id) {
      t.elapse = elapseMs;
      t.due = due;
      return true;
    }
  timers.push_back({h, id, elapseMs, due});
  return true;
}

BOOL KillTimer(HWND h, std::uintptr_t id) {
  auto& timers = M().timers;
  const auto it = std::find_if(timers.begin(), timers.end(),
                               [&](const detail::Timer& t) { return t.window == h && t.id == id; });
  if (it == timers.end()) return false;
  timers.erase(it);
  return true;
}

}  // namespace platform
