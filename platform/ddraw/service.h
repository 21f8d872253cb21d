// The drawing service as a whole: making it loadable as "DDraw.dll", the emulated screen and
// its modes, the machine's knobs for the failures that programs must survive (every surface
// lost at once, video memory running out), and the hook through which finished frames leave.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "platform/ddraw/ddraw.h"
#include "platform/gdi/pixels.h"

namespace ddraw {

// Makes "DDraw.dll" loadable with its three entries, and starts the service afresh: the screen
// in the desktop's own mode (the backend's screen size, 32 bits), all video memory free, no
// primary surface, 16-bit modes 5-6-5, no presenter, no frames counted.
void RegisterService();

struct DisplayMode {
  int width = 0, height = 0, bitCount = 0;
  friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

// The modes that EnumDisplayModes offers and SetDisplayMode accepts, from the backend.
std::vector<DisplayMode> DisplayModes();
DisplayMode CurrentDisplayMode();

// Knobs for tests and tools.
// Every surface made so far is lost, until its Restore.
void LoseAllSurfaces();
// Video memory in bytes; surfaces asking for video memory beyond it fail with
// DDERR_OUTOFVIDEOMEMORY, and those that did not ask land in system memory.
void SetVideoMemory(std::size_t bytes);
std::size_t VideoMemoryFree();
// The layout of 16-bit modes: 5-6-5 unless told 5-5-5.
void SetHighColorLayout(bool fiveFiveFive);

// A frame that reached the screen: the primary surface's pixels, the rectangle of them that
// changed, the palette of an 8-bit screen, and the window the frame is for (0: full screen).
// For PresentOnDesktop, a plain copy into the screen in window mode may instead hand over the
// copy's source, whose top-left pixel lands at `origin` on the screen; any other presenter is
// always given the screen's own pixels, with `origin` (0, 0).
struct PresentedFrame {
  gdi::PixelBlock pixels;
  POINT origin{};
  RECT changed;  // in screen coordinates
  const PALETTEENTRY* palette = nullptr;
  const gdi::Rgb* colors = nullptr;  // the same palette as 0x00RRGGBB
  HWND window = 0;
  bool waitVBlank = false;  // a vertical-blank wait was asked for since the last frame
};
using Presenter = std::function<void(const PresentedFrame&)>;
// Called after every blit into the primary surface and every flip. The service starts with
// PresentOnDesktop; tests may put their own in its place.
void SetPresenter(Presenter presenter);
// Shows the changed part of the screen in the window it belongs to, through the backend: the
// part of the screen that the window's top-level client area covers, at its place there.
void PresentOnDesktop(const PresentedFrame& frame);
// Frames presented since the service started.
std::size_t PresentedFrames();

}  // namespace ddraw
