// Device-independent bitmap data put together byte by byte in the tests, independently of the
// picture's own writer.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "toolkit/streams.h"

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

struct DIBLayout {
  std::int32_t Width = 0;
  std::int32_t Height = 0;  // negative: top row first
  std::uint16_t BitCount = 8;
  std::uint32_t Compression = 0;
  std::uint32_t SizeImage = 0;
  std::uint32_t ColorsUsed = 0;
  std::vector<std::uint32_t> Masks = {};  // written when given
  Bytes Colors = {};                      // raw colour-table bytes
  Bytes Pixels = {};                      // raw pixel bytes as stored
};

// A 40-byte information header followed by masks, colour table and pixels.
inline Bytes InfoDIB(const DIBLayout& s) {
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(s.Width));
  Put32(b, static_cast<std::uint32_t>(s.Height));
  Put16(b, 1);
  Put16(b, s.BitCount);
  Put32(b, s.Compression);
  Put32(b, s.SizeImage);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, s.ColorsUsed);
  Put32(b, 0);
  for (std::uint32_t m : s.Masks) Put32(b, m);
  Append(b, s.Colors);
  Append(b, s.Pixels);
  return b;
}

// The 4-byte colour entries blue, green, red, reserved of n colours, entry i = (i, 2i, 3i, 0).
inline Bytes RampColors(int n) {
  Bytes b;
  for (int i = 0; i < n; ++i) {
    b.push_back(static_cast<std::uint8_t>(i));
    b.push_back(static_cast<std::uint8_t>(2 * i));
    b.push_back(static_cast<std::uint8_t>(3 * i));
    b.push_back(0);
  }
  return b;
}

inline int RowBytes(int width, int bits) { return (width * bits + 31) / 32 * 4; }

// Rows given top row first, stored bottom row first (or as given for a top-down picture).
inline Bytes StoreRows(const std::vector<Bytes>& topFirst, bool bottomUp) {
  Bytes b;
  if (bottomUp)
    for (auto it = topFirst.rbegin(); it != topFirst.rend(); ++it) Append(b, *it);
  else
    for (const Bytes& row : topFirst) Append(b, row);
  return b;
}

inline TOwnedPtr<TMemoryStream> StreamOf(const Bytes& bytes) {
  TOwnedPtr<TMemoryStream> s(Construct<TMemoryStream>());
  if (!bytes.empty()) s->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  s->SetPosition(0);
  return s;
}

inline Bytes BytesOf(TMemoryStream& s) { return Bytes(s.Memory(), s.Memory() + s.Size()); }
