// How the screen that the drawing service emulates reaches the real desktop: the changed part of
// the primary surface goes to the window it belongs to, and an exclusive window in a display mode
// of its own covers the monitor with the emulated screen. In window mode a plain copy into a
// window goes from its source straight to the desktop, which gives the pixels back when the
// screen is next read or written.
#include "platform/ddraw/objects.h"
#include "platform/system/machine.h"
#include "platform/system/windows.h"

namespace ddraw {

namespace {

RECT Intersect(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

bool IsRgb555(const gdi::PixelFormat& f) { return f.bitCount == 16 && f.greenMask == 0x03E0; }

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

void PresentOnDesktop(const PresentedFrame& frame) {
  if (!platform::HasBackend() || frame.pixels.Empty()) return;
  const HWND top = platform::GetTopLevel(frame.window);
  RECT client;
  if (!top || !platform::GetWindowRect(top, client)) return;
  // The screen position of the window's client area: the part of the screen it shows.
  const RECT source = Intersect(frame.changed, client);
  if (source.left >= source.right || source.top >= source.bottom) return;
  const RECT target{source.left - client.left, source.top - client.top, source.right - client.left,
                    source.bottom - client.top};
  const RECT from{source.left - frame.origin.x, source.top - frame.origin.y,
                  source.right - frame.origin.x, source.bottom - frame.origin.y};
  platform::FrameView view;
  view.top = frame.pixels.top;
  view.pitch = frame.pixels.pitch;
  view.width = frame.pixels.width;
  view.height = frame.pixels.height;
  view.bitCount = frame.pixels.format.bitCount;
  view.rgb555 = IsRgb555(frame.pixels.format);
  view.palette = frame.colors;
  platform::CurrentBackend().Present(top, view, from, target, frame.waitVBlank);
}

bool SendStraightToDesktop(Memory& screen, HWND window, const RECT& rect) {
  ServiceState& s = Service();
  if (!s.presentsOnDesktop || s.exclusiveOwner || s.fullScreenWindow || !platform::HasBackend() ||
      screen.block.format.Indexed())
    return false;
  const HWND top = platform::GetTopLevel(window);
  RECT client;
  if (!top || !platform::GetWindowRect(top, client) || !Contains(client, rect) ||
      !platform::CurrentBackend().ReadsShown(top))
    return false;
  if (s.keptOnDesktop && s.keptOnDesktop != &screen) s.keptOnDesktop->Settle();
  if (screen.shown.pending && Contains(rect, screen.shown.rect)) screen.shown.pending = false;
  screen.Settle();
  screen.shown = {true, rect, top, POINT{client.left, client.top}};
  s.keptOnDesktop = &screen;
  return true;
}

void FetchFromDesktop(Memory& screen) {
  Memory::Shown& shown = screen.shown;
  if (!shown.pending) return;
  shown.pending = false;
  if (Service().keptOnDesktop == &screen) Service().keptOnDesktop = nullptr;
  if (!platform::HasBackend()) return;
  const RECT& r = shown.rect;
  const gdi::PixelBlock& block = screen.block;
  platform::FrameTarget into;
  into.top = block.Row(r.top) + static_cast<std::size_t>(r.left) * (block.format.bitCount / 8);
  into.pitch = block.pitch;
  into.width = r.right - r.left;
  into.height = r.bottom - r.top;
  into.bitCount = block.format.bitCount;
  into.rgb555 = IsRgb555(block.format);
  // A window closed or resized since keeps nothing to give back; the screen there keeps the
  // pixels it had.
  platform::CurrentBackend().ReadShown(shown.window,
                                       RECT{r.left - shown.client.x, r.top - shown.client.y,
                                            r.right - shown.client.x, r.bottom - shown.client.y},
                                       into);
}

void SettleKeptOnDesktop() {
  if (Memory* kept = Service().keptOnDesktop) kept->Settle();
}

void EnterFullScreen(HWND window) {
  SettleKeptOnDesktop();
  ServiceState& s = Service();
  const HWND top = platform::GetTopLevel(window);
  if (!top) return;
  if (s.fullScreenWindow && s.fullScreenWindow != top) LeaveFullScreen();
  s.fullScreenWindow = top;
  platform::SetFullScreenWindow(top, true, s.mode.width, s.mode.height);
}

void LeaveFullScreen() {
  ServiceState& s = Service();
  const HWND top = s.fullScreenWindow;
  s.fullScreenWindow = 0;
  if (top && platform::HasBackend()) platform::SetFullScreenWindow(top, false, 0, 0);
}

}  // namespace ddraw
