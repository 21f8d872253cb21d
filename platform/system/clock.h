// The multimedia clock and the speaker.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since some fixed moment, wrapping around after 2^32; only differences of two
// readings, taken in unsigned 32-bit arithmetic, mean anything.
std::uint32_t timeGetTime();
void MessageBeep();

}  // namespace platform
