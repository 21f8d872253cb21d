// Reads a drawn picture back the way a device-independent bitmap is read, for the tests.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/content/pictures.h"

namespace dib_test {

using Rgb = std::array<int, 3>;  // red, green, blue

inline int Stride(const DrawnPicture& p) { return ((p.width * p.bitCount + 31) / 32) * 4; }

// Top-down pixels.
inline std::vector<Rgb> Pixels(const DrawnPicture& p) {
  const int stride = Stride(p);
  std::vector<Rgb> out;
  for (int y = 0; y < p.height; ++y) {
    const std::uint8_t* row = &p.bits[static_cast<std::size_t>(p.height - 1 - y) * stride];
    for (int x = 0; x < p.width; ++x) {
      if (p.bitCount == 24) {
        out.push_back({row[3 * x + 2], row[3 * x + 1], row[3 * x]});
        continue;
      }
      int index = row[x * p.bitCount / 8];
      if (p.bitCount == 4) index = x % 2 == 0 ? index >> 4 : index & 0x0F;
      const auto& e = p.colorTable.at(index);
      out.push_back({e[2], e[1], e[0]});
    }
  }
  return out;
}

// The largest of the three channel differences.
inline int Distance(const Rgb& a, const Rgb& b) {
  int d = 0;
  for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(a[c] - b[c]));
  return d;
}

}  // namespace dib_test
