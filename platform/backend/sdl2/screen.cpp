#include "platform/backend/sdl2/screen.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/backend/sdl2/bare_x11.h"

namespace platform::sdl2 {

namespace {

// SDL's format for a frame's pixels as they lie in memory; 8-bit frames are converted first.
std::uint32_t SdlFormatOf(int bitCount, bool rgb555) {
  switch (bitCount) {
    case 16: return rgb555 ? SDL_PIXELFORMAT_RGB555 : SDL_PIXELFORMAT_RGB565;
    case 24: return SDL_PIXELFORMAT_BGR24;   // bytes blue, green, red
    default: return SDL_PIXELFORMAT_RGB888;  // 32 bits 0x00RRGGBB; also converted 8-bit frames
  }
}

RECT Clip(const RECT& r, int width, int height) {
  return RECT{
      std::clamp<std::int32_t>(r.left, 0, width), std::clamp<std::int32_t>(r.top, 0, height),
      std::clamp<std::int32_t>(r.right, 0, width), std::clamp<std::int32_t>(r.bottom, 0, height)};
}

// For measuring start-up (bench/game_desktop_bench.cpp): with MARVOSK_FIRST_FRAME_EXIT set in the
// environment, the first frame presented in any window prints "first frame SECONDS" on stderr,
// SECONDS read from CLOCK_MONOTONIC, and ends the process at once, tearing nothing down. Unset,
// nothing changes.
void FirstFramePresented() {
  static const bool exitAfterIt = std::getenv("MARVOSK_FIRST_FRAME_EXIT") != nullptr;
  if (!exitAfterIt) return;
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  std::fprintf(stderr, "first frame %lld.%09ld\n", static_cast<long long>(t.tv_sec), t.tv_nsec);
  std::fflush(stderr);
  std::_Exit(0);
}

}  // namespace

Screen::~Screen() {
  if (FTexture) SDL_DestroyTexture(FTexture);
  if (FRenderer) SDL_DestroyRenderer(FRenderer);
}

bool Screen::MakeRenderer() {
  if (FRenderer) return true;
  FRenderer = SDL_CreateRenderer(FWindow, -1, 0);
  return FRenderer != nullptr;
}

void Screen::ShownSize(int& width, int& height) const {
  if (FFullScreen) {
    width = FEmulatedWidth;
    height = FEmulatedHeight;
  } else {
    SDL_GetWindowSize(FWindow, &width, &height);
  }
  width = std::max(width, 1);
  height = std::max(height, 1);
}

bool Screen::MakeTexture(const FrameView& frame) {
  const std::uint32_t format = SdlFormatOf(frame.bitCount, frame.rgb555);
  int width = 0, height = 0;
  ShownSize(width, height);
  if (FTexture && format == FTextureFormat && width == FTextureWidth && height == FTextureHeight)
    return true;
  if (FTexture) SDL_DestroyTexture(FTexture);
  FTextureReadable = SDL_RenderTargetSupported(FRenderer);
  if (FTextureReadable)
    FTexture = SDL_CreateTexture(FRenderer, format, SDL_TEXTUREACCESS_TARGET, width, height);
  if (!FTexture) {
    FTextureReadable = false;
    FTexture = SDL_CreateTexture(FRenderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
  }
  if (!FTexture) {
    std::fprintf(stderr, "sdl2: cannot hold a %dx%d picture: %s\n", width, height, SDL_GetError());
    return false;
  }
  FTextureFormat = format;
  FTextureWidth = width;
  FTextureHeight = height;
  // What no presentation has reached yet shows black.
  const int bytes = SDL_BYTESPERPIXEL(format);
  const std::vector<std::uint8_t> black(static_cast<std::size_t>(width) * height * bytes, 0);
  SDL_UpdateTexture(FTexture, nullptr, black.data(), width * bytes);
  return true;
}

void Screen::Upload(const FrameView& frame, const RECT& source, POINT target) {
  // The part of the frame that lands inside what the window shows.
  const int left = std::max<int>(0, -target.x), top = std::max<int>(0, -target.y);
  const int right = std::min<int>(source.right - source.left, FTextureWidth - target.x);
  const int bottom = std::min<int>(source.bottom - source.top, FTextureHeight - target.y);
  if (right <= left || bottom <= top) return;
  const SDL_Rect at{target.x + left, target.y + top, right - left, bottom - top};
  const int fromX = source.left + left, fromY = source.top + top;
  if (frame.bitCount != 8) {
    const std::uint8_t* first = frame.Row(fromY) + fromX * (frame.bitCount / 8);
    SDL_UpdateTexture(FTexture, &at, first, static_cast<int>(frame.pitch));
    return;
  }
  FConverted.resize(static_cast<std::size_t>(at.w) * static_cast<std::size_t>(at.h));
  std::uint32_t* out = FConverted.data();
  for (int y = fromY; y < fromY + at.h; ++y) {
    const std::uint8_t* in = frame.Row(y) + fromX;
    for (int x = 0; x < at.w; ++x) *out++ = frame.palette ? frame.palette[in[x]] & 0xFFFFFF : 0;
  }
  SDL_UpdateTexture(FTexture, &at, FConverted.data(), at.w * 4);
}

Viewport Screen::CurrentViewport() {
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(FRenderer, &w, &h);
  return FitToMonitor(w, h, FEmulatedWidth, FEmulatedHeight);
}

void Screen::Render() {
  SDL_SetRenderDrawColor(FRenderer, 0, 0, 0, 255);
  SDL_RenderClear(FRenderer);
  SDL_Rect to{0, 0, FTextureWidth, FTextureHeight};
  if (FFullScreen) {
    // The viewport scales the emulated screen to the monitor.
    const Viewport v = CurrentViewport();
    to = SDL_Rect{v.x, v.y, v.width, v.height};
  }
  SDL_RenderCopy(FRenderer, FTexture, nullptr, &to);
  SDL_RenderPresent(FRenderer);
}

void Screen::Present(const FrameView& frame, const RECT& source, const RECT& target,
                     bool waitVBlank) {
  if (!frame.top || frame.width <= 0 || frame.height <= 0) return;
  if (!MakeRenderer() || !MakeTexture(frame)) return;
  if (FVSync != static_cast<int>(waitVBlank)) {
    SDL_RenderSetVSync(FRenderer, waitVBlank ? 1 : 0);
    FVSync = waitVBlank ? 1 : 0;
  }
  const RECT clipped = Clip(source, frame.width, frame.height);
  // Where the source was cut off, its place moves with it.
  Upload(
      frame, clipped,
      POINT{target.left + (clipped.left - source.left), target.top + (clipped.top - source.top)});
  FShown = true;
  Render();
  FirstFramePresented();
}

void Screen::Redraw() {
  if (FShown && FRenderer && FTexture) Render();
}

bool Screen::ReadsShown() {
  if (FFullScreen || (FTexture && !FTextureReadable) || !MakeRenderer()) return false;
  return SDL_RenderTargetSupported(FRenderer);
}

bool Screen::ReadShown(const RECT& rect, const FrameTarget& into) {
  if (FFullScreen || !FTexture || !FTextureReadable || into.bitCount == 8 ||
      SdlFormatOf(into.bitCount, into.rgb555) != FTextureFormat ||
      rect.right - rect.left != into.width || rect.bottom - rect.top != into.height ||
      into.width <= 0 || into.height <= 0 || rect.left < 0 || rect.top < 0 ||
      rect.right > FTextureWidth || rect.bottom > FTextureHeight)
    return false;
  if (SDL_SetRenderTarget(FRenderer, FTexture) != 0) return false;
  const SDL_Rect r{rect.left, rect.top, into.width, into.height};
  const bool read = SDL_RenderReadPixels(FRenderer, &r, FTextureFormat, into.top,
                                         static_cast<int>(into.pitch)) == 0;
  SDL_SetRenderTarget(FRenderer, nullptr);
  return read;
}

void Screen::SetFullScreen(bool on, int width, int height) {
  if (on) {
    SDL_GetWindowPosition(FWindow, &FWindowed.x, &FWindowed.y);
    SDL_GetWindowSize(FWindow, &FWindowed.w, &FWindowed.h);
    FEmulatedWidth = std::max(width, 1);
    FEmulatedHeight = std::max(height, 1);
  }
  FFullScreen = on;
  if (!OnBareX11(FWindow)) {
    SDL_SetWindowFullscreen(FWindow, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    return;
  }
  // Nobody would carry out SDL's full-screen request: cover the monitor by hand instead.
  SDL_Rect r{FWindowed.x, FWindowed.y, FWindowed.w, FWindowed.h};
  if (on && SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(FWindow), &r) != 0) return;
  SDL_SetWindowSize(FWindow, r.w, r.h);
  SDL_SetWindowPosition(FWindow, r.x, r.y);
  if (on) SDL_RaiseWindow(FWindow);
}

POINT Screen::ToEmulated(int x, int y) {
  if (!MakeRenderer()) return POINT{x, y};
  // Mouse positions come in window points; the renderer's output may have more pixels.
  int windowW = 0, windowH = 0, outputW = 0, outputH = 0;
  SDL_GetWindowSize(FWindow, &windowW, &windowH);
  SDL_GetRendererOutputSize(FRenderer, &outputW, &outputH);
  if (windowW > 0 && windowH > 0) {
    x = static_cast<int>(static_cast<std::int64_t>(x) * outputW / windowW);
    y = static_cast<int>(static_cast<std::int64_t>(y) * outputH / windowH);
  }
  return platform::ToEmulated(CurrentViewport(), x, y);
}

}  // namespace platform::sdl2
