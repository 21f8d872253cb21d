// RIFF WAVE images built byte by byte, independently of the system's own writer, and the
// sample shapes the sound tests play.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace wavetest {

using Bytes = std::vector<std::uint8_t>;

inline void PutU16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void PutU32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void PutId(Bytes& b, const char* id) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(id[i]));
}

// A format chunk body: 16 bytes, 18 with cbSize 0, or more with extra bytes after cbSize.
inline Bytes FormatBody(std::uint32_t rate, int bits, int channels, std::size_t size = 18) {
  Bytes f;
  const int block = channels * bits / 8;
  PutU16(f, 1);
  PutU16(f, static_cast<std::uint32_t>(channels));
  PutU32(f, rate);
  PutU32(f, rate * static_cast<std::uint32_t>(block));
  PutU16(f, static_cast<std::uint32_t>(block));
  PutU16(f, static_cast<std::uint32_t>(bits));
  if (size >= 18) PutU16(f, static_cast<std::uint32_t>(size - 18));
  while (f.size() < size) f.push_back(static_cast<std::uint8_t>(0xA0 + f.size()));
  f.resize(size);
  return f;
}

struct Chunk {
  std::string id;
  Bytes body;
  std::uint32_t declared = 0xFFFFFFFF;  // the length written; the body's own unless given
};

// "RIFF" <riffLength> "WAVE" and the chunks back to back, with no pad bytes.
inline Bytes Image(const std::vector<Chunk>& chunks, std::uint32_t riffLength = 0xFFFFFFFF) {
  Bytes b;
  PutId(b, "RIFF");
  PutU32(b, 0);
  PutId(b, "WAVE");
  for (const Chunk& c : chunks) {
    PutId(b, c.id.c_str());
    PutU32(b, c.declared == 0xFFFFFFFF ? static_cast<std::uint32_t>(c.body.size()) : c.declared);
    b.insert(b.end(), c.body.begin(), c.body.end());
  }
  const std::uint32_t total = static_cast<std::uint32_t>(b.size() - 8);
  for (int i = 0; i < 4; ++i)
    b[4 + static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>((riffLength == 0xFFFFFFFF ? total : riffLength) >> (8 * i));
  return b;
}

inline Bytes SimpleImage(const Bytes& format, const Bytes& data) {
  return Image({{"fmt ", format}, {"data", data}});
}

// A sine of `hz` sampled at `rate`: 8-bit unsigned around 128, or 16-bit signed.
inline Bytes Sine8(double hz, std::uint32_t rate, std::size_t frames, double amplitude = 100) {
  Bytes b;
  for (std::size_t n = 0; n < frames; ++n)
    b.push_back(static_cast<std::uint8_t>(
        std::lround(128 + amplitude * std::sin(2 * M_PI * hz * static_cast<double>(n) / rate))));
  return b;
}

inline Bytes Sine16(double hz, std::uint32_t rate, std::size_t frames, double amplitude) {
  Bytes b;
  for (std::size_t n = 0; n < frames; ++n)
    PutU16(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(
                  amplitude * std::sin(2 * M_PI * hz * static_cast<double>(n) / rate)))));
  return b;
}

// A constant 16-bit signal on each of `channels` channels.
inline Bytes Constant16(std::int16_t value, std::size_t frames, int channels = 1) {
  Bytes b;
  for (std::size_t n = 0; n < frames * static_cast<std::size_t>(channels); ++n)
    PutU16(b, static_cast<std::uint16_t>(value));
  return b;
}

}  // namespace wavetest
