// How the screen that the drawing service emulates reaches the real desktop: the changed part of
// the primary surface goes to the window it belongs to, and an exclusive window in a display mode
// of its own covers the monitor with the emulated screen.
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
  platform::FrameView view;
  view.top = frame.pixels.top;
  view.pitch = frame.pixels.pitch;
  view.width = frame.pixels.width;
  view.height = frame.pixels.height;
  view.bitCount = frame.pixels.format.bitCount;
  view.rgb555 = IsRgb555(frame.pixels.format);
  view.palette = frame.colors;
  platform::CurrentBackend().Present(top, view, source, target, frame.waitVBlank);
}

void EnterFullScreen(HWND window) {
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
