// Where an emulated full screen lands on the monitor, and how positions map between the two.
// The emulated screen is scaled by the largest whole factor that fits when that factor is 2 or
// more (every emulated pixel then a crisp square of monitor pixels), otherwise by the largest
// factor that keeps its shape; it is centred, with black bars where it does not reach.
#pragma once

#include "platform/winapi.h"

namespace platform::sdl2 {

struct Viewport {
  int x = 0, y = 0, width = 0, height = 0;  // on the monitor
  int emulatedWidth = 0, emulatedHeight = 0;
};

Viewport FitToMonitor(int monitorWidth, int monitorHeight, int emulatedWidth, int emulatedHeight);

// The emulated pixel under monitor pixel (x, y); positions over the bars are clamped to the
// nearest edge pixel. Exact on pixel centres: ToEmulated(ToMonitor(p)) == p for every p.
POINT ToEmulated(const Viewport& v, int x, int y);
// The monitor pixel at the centre of emulated pixel (x, y).
POINT ToMonitor(const Viewport& v, int x, int y);

}  // namespace platform::sdl2
