#include "platform/backend/sdl2/viewport.h"

#include <algorithm>
#include <cstdint>

namespace platform::sdl2 {

namespace {
constexpr int kLeastWholeFactor = 2;

// floor(numerator / denominator) for a positive denominator.
std::int64_t FloorDiv(std::int64_t numerator, std::int64_t denominator) {
  const std::int64_t q = numerator / denominator;
  return (numerator % denominator != 0 && numerator < 0) ? q - 1 : q;
}
}  // namespace

Viewport FitToMonitor(int monitorWidth, int monitorHeight, int emulatedWidth, int emulatedHeight) {
  Viewport v;
  v.emulatedWidth = std::max(emulatedWidth, 1);
  v.emulatedHeight = std::max(emulatedHeight, 1);
  const int whole = std::min(monitorWidth / v.emulatedWidth, monitorHeight / v.emulatedHeight);
  if (whole >= kLeastWholeFactor) {
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

POINT ToEmulated(const Viewport& v, int x, int y) {
  // The centre of monitor pixel x is x + 1/2; scaled, it falls in emulated pixel
  // floor((2 (x - v.x) + 1) * emulated / (2 * monitor)).
  auto map = [](int p, int origin, int extent, int emulated) {
    const std::int64_t e = FloorDiv((2 * static_cast<std::int64_t>(p - origin) + 1) * emulated,
                                    2 * static_cast<std::int64_t>(extent));
    return static_cast<int>(std::clamp<std::int64_t>(e, 0, emulated - 1));
  };
  return POINT{map(x, v.x, v.width, v.emulatedWidth), map(y, v.y, v.height, v.emulatedHeight)};
}

POINT ToMonitor(const Viewport& v, int x, int y) {
  auto map = [](int p, int origin, int extent, int emulated) {
    return origin + static_cast<int>(FloorDiv((2 * static_cast<std::int64_t>(p) + 1) * extent,
                                              2 * static_cast<std::int64_t>(emulated)));
  };
  return POINT{map(x, v.x, v.width, v.emulatedWidth), map(y, v.y, v.height, v.emulatedHeight)};
}

}  // namespace platform::sdl2
