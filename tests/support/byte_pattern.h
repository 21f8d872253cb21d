// Test data whose bytes differ from their neighbours, so that content shifted, cut or repeated
// by a block shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline std::vector<std::uint8_t> Pattern(std::size_t n, unsigned seed = 7) {
  std::vector<std::uint8_t> b(n);
  std::uint32_t x = seed;
  for (auto& byte : b) {
    x = x * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(x >> 16);
  }
  return b;
}
