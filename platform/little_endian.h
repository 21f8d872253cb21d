// Little-endian numbers in byte buffers: every stored and published format of the system
// (pictures, sounds and their format records, component streams, input data) keeps its
// multi-byte numbers this way. This is the one place where they are taken apart and put
// together, byte by byte and whatever the byte order of the machine, so that no buffer is ever
// cast to a record.
#pragma once

#include <cstdint>

namespace platform {

inline std::uint16_t GetLE16(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

inline std::uint32_t GetLE32(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

inline std::int32_t GetLE32Signed(const void* p) { return static_cast<std::int32_t>(GetLE32(p)); }

inline std::uint64_t GetLE64(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint64_t>(GetLE32(b)) |
         (static_cast<std::uint64_t>(GetLE32(b + 4)) << 32);
}

inline void PutLE16(void* p, std::uint16_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  b[0] = static_cast<std::uint8_t>(v);
  b[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutLE32(void* p, std::uint32_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void PutLE64(void* p, std::uint64_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A four-character chunk id ("RIFF", "fmt ") as the 32-bit number it is stored as.
constexpr std::uint32_t FourCC(const char (&id)[5]) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[0])) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(id[3])) << 24);
}

}  // namespace platform
