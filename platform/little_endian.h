// Reading and writing the little-endian numbers of stored and published formats (wave images,
// format records) byte by byte, so that no buffer is ever cast to a struct.
#pragma once

#include <cstdint>

namespace platform {

inline std::uint16_t LoadU16(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

inline std::uint32_t LoadU32(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

inline void StoreU16(void* p, std::uint16_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  b[0] = static_cast<std::uint8_t>(v);
  b[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void StoreU32(void* p, std::uint32_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A four-character chunk id ("RIFF", "fmt ") as the u32 it is stored as.
constexpr std::uint32_t FourCC(const char (&id)[5]) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[0])) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[3])) << 24);
}

}  // namespace platform
