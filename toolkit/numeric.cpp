#include "toolkit/numeric.h"

#include <cmath>

#include "platform/system/clock.h"

std::int64_t Round(double value) {
  const double below = std::floor(value);
  const double fraction = value - below;
  auto whole = static_cast<std::int64_t>(below);
  if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0)) ++whole;
  return whole;
}

std::uint32_t RandSeed = 0;

void Randomize() { RandSeed = platform::timeGetTime(); }

std::int32_t Random(std::int32_t range) {
  // A linear congruential step; the high bits of the product scale the state into the range,
  // which keeps the low-quality low bits out of the result.
  constexpr std::uint32_t kMultiplier = 134775813u;
  RandSeed = RandSeed * kMultiplier + 1;
  if (range <= 0) return 0;
  return static_cast<std::int32_t>((std::uint64_t{RandSeed} * static_cast<std::uint32_t>(range)) >>
                                   32);
}
