#include "platform/backend/headless/headless.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/system/machine.h"

namespace platform::headless {

namespace {
bool NotLater(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) <= 0; }
}  // namespace

HeadlessBackend::HeadlessBackend() = default;

void HeadlessBackend::Queue(const MSG& event) { QueueAt(FNow, event); }

void HeadlessBackend::QueueAt(std::uint32_t at, const MSG& event) {
  // Times compare relative to now, so that a queue that spans the clock's wrap stays in order.
  const auto later = [&](const Scripted& s) {
    return static_cast<std::int32_t>(s.at - FNow) > static_cast<std::int32_t>(at - FNow);
  };
  FEvents.insert(std::find_if(FEvents.begin(), FEvents.end(), later), Scripted{at, event});
}

WPARAM HeadlessBackend::MouseFlags(Modifiers held, Button pressed, bool down) const {
  WPARAM flags = FButtons;
  const WPARAM bit = pressed == Button::Left    ? MK_LBUTTON
                     : pressed == Button::Right ? MK_RBUTTON
                                                : MK_MBUTTON;
  flags = down ? (flags | bit) : (flags & ~bit);
  if (held.shift) flags |= MK_SHIFT;
  if (held.ctrl) flags |= MK_CONTROL;
  return flags;
}

void HeadlessBackend::MoveMouse(HWND window, int x, int y) {
  Queue({window, WM_MOUSEMOVE, FButtons, MAKELPARAM_XY(x, y)});
}

void HeadlessBackend::ButtonDown(HWND window, int x, int y, Button button, Modifiers held,
                                 bool doubleClick) {
  static constexpr UINT kDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static constexpr UINT kDouble[] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
  const auto i = static_cast<int>(button);
  FButtons = MouseFlags({}, button, true);
  Queue({window, doubleClick ? kDouble[i] : kDown[i], MouseFlags(held, button, true),
         MAKELPARAM_XY(x, y)});
}

void HeadlessBackend::ButtonUp(HWND window, int x, int y, Button button, Modifiers held) {
  static constexpr UINT kUp[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
  FButtons = MouseFlags({}, button, false);
  Queue({window, kUp[static_cast<int>(button)], MouseFlags(held, button, false),
         MAKELPARAM_XY(x, y)});
}

void HeadlessBackend::Click(HWND window, int x, int y, Button button, Modifiers held,
                            bool doubleClick) {
  if (held.shift) KeyDown(window, VK_SHIFT);
  if (held.ctrl) KeyDown(window, VK_CONTROL);
  if (held.alt) KeyDown(window, VK_MENU, true);
  ButtonDown(window, x, y, button, held, doubleClick);
  ButtonUp(window, x, y, button, held);
  if (held.alt) KeyUp(window, VK_MENU, true);
  if (held.ctrl) KeyUp(window, VK_CONTROL);
  if (held.shift) KeyUp(window, VK_SHIFT);
}

void HeadlessBackend::KeyDown(HWND window, std::uint16_t vk, bool alt) {
  Queue({window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, 1 | (alt ? KF_ALTDOWN_BIT : 0)});
}

void HeadlessBackend::KeyUp(HWND window, std::uint16_t vk, bool alt) {
  constexpr LPARAM kReleased = LPARAM{3} << 30;  // previous state down, transition up
  // Alt's own release no longer has Alt held, as on the desktop.
  const bool altHeld = alt && vk != VK_MENU;
  Queue({window, alt ? WM_SYSKEYUP : WM_KEYUP, vk, 1 | kReleased | (altHeld ? KF_ALTDOWN_BIT : 0)});
}

void HeadlessBackend::PressKey(HWND window, std::uint16_t vk, Modifiers held) {
  if (held.shift) KeyDown(window, VK_SHIFT, false);
  if (held.ctrl) KeyDown(window, VK_CONTROL, false);
  if (held.alt) KeyDown(window, VK_MENU, true);
  KeyDown(window, vk, held.alt);
  KeyUp(window, vk, held.alt);
  if (held.alt) KeyUp(window, VK_MENU, true);
  if (held.ctrl) KeyUp(window, VK_CONTROL, false);
  if (held.shift) KeyUp(window, VK_SHIFT, false);
}

void HeadlessBackend::RequestClose(HWND window) { Queue({window, WM_SYSCOMMAND, SC_CLOSE, 0}); }

void HeadlessBackend::Drag(HWND window, int dx, int dy) {
  Queue({window, WM_ENTERSIZEMOVE, 0, 0});
  if (WindowRecord* w = Record(window)) {
    RECT& r = w->spec.client;
    r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
  }
  Queue({window, WM_MOVE, 0, 0});
  Queue({window, WM_EXITSIZEMOVE, 0, 0});
}

void HeadlessBackend::OpenSystemMenu(HWND window) { Queue({window, WM_INITMENU, 0, 0}); }

void HeadlessBackend::UserMinimize(HWND window) { Queue({window, WM_SYSCOMMAND, SC_MINIMIZE, 0}); }

void HeadlessBackend::Focus(HWND window) {
  FFocused = window;
  Queue({window, WM_ACTIVATE, WA_ACTIVE, 0});
}

void HeadlessBackend::DeactivateApplication() {
  FFocused = 0;
  Queue({0, WM_ACTIVATEAPP, 0, 0});
}

void HeadlessBackend::ActivateApplication() { Queue({0, WM_ACTIVATEAPP, 1, 0}); }

void HeadlessBackend::Quit() { Queue({0, WM_QUIT, 0, 0}); }

const WindowRecord* HeadlessBackend::Window(HWND window) const {
  static const WindowRecord kDestroyed = [] {
    WindowRecord r;
    r.destroyed = true;
    return r;
  }();
  auto it = FWindows.find(window);
  if (it != FWindows.end()) return &it->second;
  return window != 0 && window <= FNewestWindow ? &kDestroyed : nullptr;
}

WindowRecord* HeadlessBackend::Record(HWND window) {
  auto it = FWindows.find(window);
  return it == FWindows.end() ? nullptr : &it->second;
}

std::vector<HWND> HeadlessBackend::VisibleWindows() const {
  std::vector<HWND> out;
  for (const auto& [h, w] : FWindows)
    if (w.visible) out.push_back(h);
  return out;
}

bool HeadlessBackend::CreateWindow(HWND window, const WindowSpec& spec) {
  WindowRecord record;
  record.spec = spec;
  FWindows[window] = record;
  FNewestWindow = std::max(FNewestWindow, window);
  return true;
}

void HeadlessBackend::DestroyWindow(HWND window) {
  if (!FWindows.erase(window)) return;
  // The desktop hands the focus on to whatever comes next; the application keeps the
  // foreground until another program takes it.
  if (FFocused == window) FFocused = 0;
  FLastFrames.erase(window);
}

bool HeadlessBackend::ShowWindow(HWND window, bool visible) {
  WindowRecord* w = Record(window);
  if (!w || w->visible == visible) return false;
  w->visible = visible;
  if (visible && FFocusOnShow) {
    FFocused = window;  // the platform activates it itself: no event follows
    return true;
  }
  if (!visible && FFocused == window) {
    Queue({window, WM_ACTIVATE, WA_INACTIVE, 0});
    FFocused = 0;
  }
  return false;
}

void HeadlessBackend::MinimizeWindow(HWND window) {
  if (WindowRecord* w = Record(window)) w->minimized = true;
}

void HeadlessBackend::RestoreWindow(HWND window) {
  if (WindowRecord* w = Record(window)) w->minimized = false;
}

void HeadlessBackend::SetTitle(HWND window, const std::string& title) {
  if (WindowRecord* w = Record(window)) w->spec.title = title;
}

void HeadlessBackend::SetFrame(HWND window, Border border, bool minimizeBox, bool maximizeBox) {
  if (WindowRecord* w = Record(window)) {
    w->spec.border = border;
    w->spec.minimizeBox = minimizeBox;
    w->spec.maximizeBox = maximizeBox;
  }
}

void HeadlessBackend::SetTaskbarButton(HWND window, bool shown) {
  if (WindowRecord* w = Record(window)) w->spec.taskbarButton = shown;
}

void HeadlessBackend::SetClientRect(HWND window, const RECT& client) {
  WindowRecord* w = Record(window);
  if (w && !w->fullScreen) w->spec.client = client;
}

void HeadlessBackend::SetFullScreen(HWND window, bool on, int width, int height) {
  WindowRecord* w = Record(window);
  if (!w || w->fullScreen == on) return;
  w->fullScreen = on;
  if (on) {
    w->windowed = w->spec.client;
    w->spec.client = {0, 0, width, height};
  } else {
    w->spec.client = w->windowed;
  }
}

void HeadlessBackend::Present(HWND window, const FrameView& frame, const RECT& source,
                              const RECT& target, bool waitVBlank) {
  if (!Record(window)) return;
  CapturedFrame& f = FLastFrames[window];
  f.window = window;
  f.target = target;
  f.waitedForVBlank = waitVBlank;
  f.bitCount = frame.bitCount;
  f.rgb555 = frame.rgb555;
  const RECT r{std::max<std::int32_t>(source.left, 0), std::max<std::int32_t>(source.top, 0),
               std::min<std::int32_t>(source.right, frame.width),
               std::min<std::int32_t>(source.bottom, frame.height)};
  f.width = std::max<std::int32_t>(r.right - r.left, 0);
  f.height = std::max<std::int32_t>(r.bottom - r.top, 0);
  const std::size_t bytesPerPixel = static_cast<std::size_t>(frame.bitCount) / 8;
  const std::size_t rowBytes = static_cast<std::size_t>(f.width) * bytesPerPixel;
  f.pixels.resize(rowBytes * static_cast<std::size_t>(f.height));
  for (int y = 0; y < f.height; ++y)
    std::memcpy(f.pixels.data() + rowBytes * static_cast<std::size_t>(y),
                frame.Row(r.top + y) + static_cast<std::size_t>(r.left) * bytesPerPixel, rowBytes);
  if (frame.bitCount == 8 && frame.palette)
    f.palette.assign(frame.palette, frame.palette + 256);
  else
    f.palette.clear();
  if (waitVBlank) ++FVBlankWaits;
  ++FPresented;
  FLastPresented = window;
  if (FKeepAll) FAllFrames.push_back(f);
}

bool HeadlessBackend::ReadShown(HWND window, const RECT& rect, const FrameTarget& into) {
  const auto it = FLastFrames.find(window);
  if (it == FLastFrames.end() || !Record(window)) return false;
  const CapturedFrame& f = it->second;
  const RECT& t = f.target;
  const bool unstretched = t.right - t.left == f.width && t.bottom - t.top == f.height;
  if (!unstretched || f.bitCount != into.bitCount || f.bitCount == 8 ||
      (f.bitCount == 16 && f.rgb555 != into.rgb555) || rect.right - rect.left != into.width ||
      rect.bottom - rect.top != into.height || rect.left < t.left || rect.top < t.top ||
      rect.right > t.right || rect.bottom > t.bottom || into.width <= 0 || into.height <= 0)
    return false;
  const std::size_t bytesPerPixel = static_cast<std::size_t>(f.bitCount) / 8;
  const std::size_t rowBytes = static_cast<std::size_t>(into.width) * bytesPerPixel;
  for (int y = 0; y < into.height; ++y) {
    const std::size_t row = static_cast<std::size_t>(rect.top - t.top + y);
    const std::size_t column = static_cast<std::size_t>(rect.left - t.left);
    std::memcpy(
        into.top + y * into.pitch,
        f.pixels.data() + (row * static_cast<std::size_t>(f.width) + column) * bytesPerPixel,
        rowBytes);
  }
  return true;
}

const CapturedFrame* HeadlessBackend::LastFrame(HWND window) const {
  const auto it = FLastFrames.find(window ? window : FLastPresented);
  return it == FLastFrames.end() ? nullptr : &it->second;
}

std::uint32_t CapturedFrame::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const std::size_t bytes = static_cast<std::size_t>(bitCount) / 8;
  const std::uint8_t* p =
      pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)) *
                          bytes;
  auto widen = [](std::uint32_t v, int bits) { return (v << (8 - bits)) | (v >> (2 * bits - 8)); };
  switch (bitCount) {
    case 8: return palette.empty() ? 0 : palette[p[0]] & 0xFFFFFF;
    case 16: {
      const std::uint32_t v = p[0] | (p[1] << 8);
      if (rgb555)
        return (widen((v >> 10) & 31, 5) << 16) | (widen((v >> 5) & 31, 5) << 8) | widen(v & 31, 5);
      return (widen(v >> 11, 5) << 16) | (widen((v >> 5) & 63, 6) << 8) | widen(v & 31, 5);
    }
    default: return (static_cast<std::uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
  }
}

RECT HeadlessBackend::ClientRect(HWND window) {
  const WindowRecord* w = Record(window);
  return w ? w->spec.client : RECT{};
}

void HeadlessBackend::ActivateWindow(HWND window) {
  if (Record(window)) Focus(window);
}

WaitResult HeadlessBackend::WaitEvent(MSG& event, DWORD timeoutMs) {
  if (!FEvents.empty() && NotLater(FEvents.front().at, FNow)) {
    event = FEvents.front().event;
    FEvents.erase(FEvents.begin());
    return WaitResult::Event;
  }
  if (timeoutMs == 0) return WaitResult::Timeout;
  if (FEvents.empty()) {
    if (timeoutMs == INFINITE) return WaitResult::Never;
    Advance(timeoutMs);
    return WaitResult::Timeout;
  }
  const std::uint32_t until = FEvents.front().at - FNow;
  if (timeoutMs != INFINITE && until > timeoutMs) {
    Advance(timeoutMs);
    return WaitResult::Timeout;
  }
  MoveClockTo(FEvents.front().at);
  event = FEvents.front().event;
  FEvents.erase(FEvents.begin());
  return WaitResult::Event;
}

void HeadlessBackend::SetTime(std::uint32_t ms) { MoveClockTo(ms); }

void HeadlessBackend::MoveClockTo(std::uint32_t ms) {
  const auto step = static_cast<std::int32_t>(ms - FNow);
  FNow = ms;
  if (!FAudioPull || step <= 0) return;
  // Counting from the opening keeps the frame count exact however the time is cut up.
  FAudioMs += static_cast<std::uint32_t>(step);
  const std::uint64_t due = FAudioMs * static_cast<std::uint64_t>(FAudioFormat.rate) / 1000;
  if (due > FAudioFrames) PullAudio(static_cast<int>(due - FAudioFrames));
}

bool HeadlessBackend::OpenAudio(const AudioSpec& wanted, AudioSpec& obtained, AudioPull pull,
                                AudioLost lost) {
  if (!FAudioPresent || FAudioPull || !pull) return false;
  FAudioFormat.frames = std::max(1, std::min(wanted.frames, 512));
  obtained = FAudioFormat;
  FAudioPull = std::move(pull);
  FAudioLost = std::move(lost);
  FAudioMs = 0;
  FAudioFrames = 0;
  FAudioOut.clear();
  return true;
}

void HeadlessBackend::CloseAudio() {
  FAudioPull = nullptr;
  FAudioLost = nullptr;
}

void HeadlessBackend::PullAudio(int frames) {
  if (!FAudioPull || frames <= 0) return;
  const auto channels = static_cast<std::size_t>(FAudioFormat.channels);
  std::vector<std::int16_t> block;
  while (frames > 0) {
    const int n = std::min(frames, FAudioFormat.frames);
    block.assign(static_cast<std::size_t>(n) * channels, 0);
    FAudioPull(block.data(), n, FAudioFormat.channels);
    FAudioFrames += static_cast<std::uint64_t>(n);
    frames -= n;
    const std::size_t room =
        FAudioCaptureLimit * channels - std::min(FAudioCaptureLimit * channels, FAudioOut.size());
    FAudioOut.insert(FAudioOut.end(), block.begin(),
                     block.begin() + static_cast<std::ptrdiff_t>(std::min(room, block.size())));
  }
}

void HeadlessBackend::LoseAudioBuffers() {
  if (FAudioLost) FAudioLost();
}

HeadlessBackend& Install(std::uint32_t startTime) {
  auto backend = std::make_unique<HeadlessBackend>();
  HeadlessBackend& ref = *backend;
  ref.SetTime(startTime);
  InstallBackend(std::move(backend));
  return ref;
}

}  // namespace platform::headless
