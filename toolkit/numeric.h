// Rounding and the program's one random generator.
#pragma once

#include <cstdint>

// The nearest whole number; an exact half goes to the even neighbour (2.5 → 2, 3.5 → 4).
std::int64_t Round(double value);

// The generator's state. One generator serves the whole program, so that a recorded seed
// replays a session exactly.
extern std::uint32_t RandSeed;
// Seeds the generator from the clock.
void Randomize();
// A uniform whole number r with 0 <= r < range; 0 when range is 0 or less.
std::int32_t Random(std::int32_t range);
