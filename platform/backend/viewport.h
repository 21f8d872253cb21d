// Where an emulated screen lands on a larger (or smaller) area of real pixels, a monitor in full
// screen or a page in the browser, and how positions map between the two.
// The emulated screen is scaled by the largest whole factor that fits when that factor is 2 or
// more (every emulated pixel then a crisp square of monitor pixels), otherwise by the largest
// factor that keeps its shape; it is centred, with black bars where it does not reach.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/winapi.h"

namespace platform {

struct Viewport {
  int x = 0, y = 0, width = 0, height = 0;  // on the monitor
  int emulatedWidth = 0, emulatedHeight = 0;
};

namespace viewport_detail {
constexpr int kLeastWholeFactor = 2;

// floor(numerator / denominator) for a positive denominator.
inline std::int64_t FloorDiv(std::int64_t numerator, std::int64_t denominator) {
  const std::int64_t q = numerator / denominator;
  return (numerator % denominator != 0 && numerator < 0) ? q - 1 : q;
}
}  // namespace viewport_detail

// The emulated screen of emulatedWidth x emulatedHeight pixels fitted to a monitor of
// monitorWidth x monitorHeight pixels.
inline Viewport FitToMonitor(int monitorWidth, int monitorHeight, int emulatedWidth,
                             int emulatedHeight) {
  Viewport v;
  v.emulatedWidth = std::max(emulatedWidth, 1);
  v.emulatedHeight = std::max(emulatedHeight, 1);
  const int whole = std::min(monitorWidth / v.emulatedWidth, monitorHeight / v.emulatedHeight);
  if (whole >= viewport_detail::kLeastWholeFactor) {
    v.width = v.emulatedWidth * whole;
    v.height = v.emulatedHeight * whole;
  } else if (static_cast<std::int64_t>(monitorWidth) * v.emulatedHeight <=
             static_cast<std::int64_t>(monitorHeight) * v.emulatedWidth) {
    v.width = monitorWidth;  // the width decides; bars above and below
    v.height = static_cast<int>(static_cast<std::int64_t>(monitorWidth) * v.emulatedHeight /
                                v.emulatedWidth);
  } else {
    v.height = monitorHeight;  // the height decides; bars left and right
    v.width = static_cast<int>(static_cast<std::int64_t>(monitorHeight) * v.emulatedWidth /
                               v.emulatedHeight);
  }
  v.width = std::max(v.width, 1);
  v.height = std::max(v.height, 1);
  v.x = (monitorWidth - v.width) / 2;
  v.y = (monitorHeight - v.height) / 2;
  return v;
}

// The emulated pixel under monitor pixel (x, y); positions over the bars are clamped to the
// nearest edge pixel. Exact on pixel centres: ToEmulated(ToMonitor(p)) == p for every p.
inline POINT ToEmulated(const Viewport& v, int x, int y) {
  // The centre of monitor pixel x is x + 1/2; scaled, it falls in emulated pixel
  // floor((2 (x - v.x) + 1) * emulated / (2 * monitor)).
  auto map = [](int p, int origin, int extent, int emulated) {
    const std::int64_t e =
        viewport_detail::FloorDiv((2 * static_cast<std::int64_t>(p - origin) + 1) * emulated,
                                  2 * static_cast<std::int64_t>(extent));
    return static_cast<int>(std::clamp<std::int64_t>(e, 0, emulated - 1));
  };
  return POINT{map(x, v.x, v.width, v.emulatedWidth), map(y, v.y, v.height, v.emulatedHeight)};
}

// The monitor pixel at the centre of emulated pixel (x, y).
inline POINT ToMonitor(const Viewport& v, int x, int y) {
  auto map = [](int p, int origin, int extent, int emulated) {
    return origin + static_cast<int>(
                        viewport_detail::FloorDiv((2 * static_cast<std::int64_t>(p) + 1) * extent,
                                                  2 * static_cast<std::int64_t>(emulated)));
  };
  return POINT{map(x, v.x, v.width, v.emulatedWidth), map(y, v.y, v.height, v.emulatedHeight)};
}

}  // namespace platform
