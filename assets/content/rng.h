// A small seeded generator for the drawn pictures and synthesised sounds: the same seed gives
// the same numbers on every machine, which the standard library's distributions do not promise.
#pragma once

#include <cstdint>

class SeededRandom {
 public:
  explicit SeededRandom(std::uint64_t seed) : state_(seed) {}

  // splitmix64
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform in [lo, hi).
  double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  // Uniform in [-1, 1).
  double Signed() { return 2 * Unit() - 1; }

 private:
  std::uint64_t state_;
};
