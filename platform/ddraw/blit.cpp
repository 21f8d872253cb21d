#include "platform/ddraw/blit.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ddraw {

namespace {

using gdi::PixelBlock;

// Sixteen (or, where the processor has AVX2, thirty-two) bytes at a time through the
// compiler's vector types, so that the keyed copy of every frame runs near memory speed
// whatever the optimisation level.
template <class T, int Bytes>
struct VecOf;
#define MARVOSK_VECTOR_TYPE(T, Bytes)                   \
  template <>                                           \
  struct VecOf<T, Bytes> {                              \
    typedef T type __attribute__((vector_size(Bytes))); \
  }
MARVOSK_VECTOR_TYPE(std::uint32_t, 16);
MARVOSK_VECTOR_TYPE(std::uint16_t, 16);
MARVOSK_VECTOR_TYPE(std::uint8_t, 16);
MARVOSK_VECTOR_TYPE(std::uint32_t, 32);
MARVOSK_VECTOR_TYPE(std::uint16_t, 32);
MARVOSK_VECTOR_TYPE(std::uint8_t, 32);
#undef MARVOSK_VECTOR_TYPE

template <class T, int Bytes>
[[gnu::always_inline]] inline void KeyedRowBody(std::uint8_t* out, const std::uint8_t* in,
                                                int count, T colorMask, T key) {
  using V = typename VecOf<T, Bytes>::type;
  constexpr int kLanes = Bytes / static_cast<int>(sizeof(T));
  const V mask = V{} + colorMask, k = V{} + key;
  if (count < kLanes) {
    for (int x = 0; x < count; ++x) {
      T s;
      std::memcpy(&s, in + x * sizeof(T), sizeof(T));
      if ((s & colorMask) != key) std::memcpy(out + x * sizeof(T), &s, sizeof(T));
    }
    return;
  }
  // The row's last pixels as one vector ending at its end, worked out before the others are
  // stored (reading a place just written stalls the processor); where it overlaps the last full
  // vector both give the same pixels, since the two rows do not share memory.
  const int tailAt = count - kLanes;
  V tail, under;
  std::memcpy(&tail, in + tailAt * sizeof(T), Bytes);
  std::memcpy(&under, out + tailAt * sizeof(T), Bytes);
  const V tailKeep = reinterpret_cast<V>((tail & mask) == k);  // all ones where key-coloured
  tail = (under & tailKeep) | (tail & ~tailKeep);
  int x = 0;
  for (; x + kLanes <= count; x += kLanes) {
    V s, d;
    std::memcpy(&s, in + x * sizeof(T), Bytes);
    std::memcpy(&d, out + x * sizeof(T), Bytes);
    const V keep = reinterpret_cast<V>((s & mask) == k);
    d = (d & keep) | (s & ~keep);
    std::memcpy(out + x * sizeof(T), &d, Bytes);
  }
  if (x < count) std::memcpy(out + tailAt * sizeof(T), &tail, Bytes);
}

template <class T>
void KeyedRow16(std::uint8_t* out, const std::uint8_t* in, int count, T colorMask, T key) {
  KeyedRowBody<T, 16>(out, in, count, colorMask, key);
}

#if defined(__x86_64__) || defined(__i386__)
template <class T>
__attribute__((target("avx2"))) void KeyedRow32(std::uint8_t* out, const std::uint8_t* in,
                                                int count, T colorMask, T key) {
  KeyedRowBody<T, 32>(out, in, count, colorMask, key);
}
bool HasAvx2() {
  static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
  return has;
}
#else
template <class T>
void KeyedRow32(std::uint8_t* out, const std::uint8_t* in, int count, T colorMask, T key) {
  KeyedRowBody<T, 16>(out, in, count, colorMask, key);
}
bool HasAvx2() { return false; }
#endif

template <class T>
void KeyedRow(std::uint8_t* out, const std::uint8_t* in, int count, T colorMask, T key) {
  if (HasAvx2())
    KeyedRow32<T>(out, in, count, colorMask, key);
  else
    KeyedRow16<T>(out, in, count, colorMask, key);
}

void KeyedRowGeneric(std::uint8_t* out, int ox, const std::uint8_t* in, int ix, int count, int bits,
                     std::uint32_t colorMask, const SourceKey& key) {
  for (int i = 0; i < count; ++i) {
    const std::uint32_t v = gdi::ReadPixel(in, ix + i, bits);
    const std::uint32_t c = v & colorMask;
    if (c >= key.low && c <= key.high) continue;
    gdi::WritePixel(out, ox + i, bits, v);
  }
}

bool Overlapping(const PixelBlock& a, const PixelBlock& b) {
  if (a.Empty() || b.Empty()) return false;
  auto span = [](const PixelBlock& p) {
    const std::uint8_t* first = p.pitch >= 0 ? p.top : p.Row(p.height - 1);
    const std::uint8_t* last =
        (p.pitch >= 0 ? p.Row(p.height - 1) : p.top) + gdi::RowBytes(p.width, p.format.bitCount);
    return std::pair{first, last};
  };
  auto [a0, a1] = span(a);
  auto [b0, b1] = span(b);
  return a0 < b1 && b0 < a1;
}

}  // namespace

std::uint32_t ColorBits(const gdi::PixelFormat& f) {
  if (f.Indexed()) return (1u << f.bitCount) - 1;
  const std::uint32_t bits = f.redMask | f.greenMask | f.blueMask;
  return bits ? bits : 0xFFFFFFFFu;
}

void FillBlock(const PixelBlock& block, const RECT& r, std::uint32_t value) {
  if (block.Empty() || r.left >= r.right || r.top >= r.bottom) return;
  const int bits = block.format.bitCount;
  const std::size_t bytes = static_cast<std::size_t>(bits / 8);
  const std::size_t rowBytes = static_cast<std::size_t>(r.right - r.left) * bytes;
  const std::uint8_t b0 = std::uint8_t(value), b1 = std::uint8_t(value >> 8),
                     b2 = std::uint8_t(value >> 16), b3 = std::uint8_t(value >> 24);
  const bool sameBytes = bits == 8 || (bits == 16 && b0 == b1) ||
                         (bits == 24 && b0 == b1 && b1 == b2) ||
                         (bits == 32 && b0 == b1 && b1 == b2 && b2 == b3);
  if (bits < 8) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) gdi::WritePixel(block.Row(y), x, bits, value);
    return;
  }
  std::uint8_t* first = block.Row(r.top) + static_cast<std::size_t>(r.left) * bytes;
  if (sameBytes) {
    for (int y = r.top; y < r.bottom; ++y) std::memset(block.Row(y) + r.left * bytes, b0, rowBytes);
    return;
  }
  for (int x = 0; x < r.right - r.left; ++x) gdi::WritePixel(first, x, bits, value);
  for (int y = r.top + 1; y < r.bottom; ++y)
    std::memcpy(block.Row(y) + r.left * bytes, first, rowBytes);
}

void CopyBlock(const PixelBlock& dst, int dx, int dy, const PixelBlock& src, const RECT& s,
               const SourceKey& key) {
  const int w = s.right - s.left, h = s.bottom - s.top;
  if (w <= 0 || h <= 0 || dst.Empty() || src.Empty()) return;
  const int bits = dst.format.bitCount;
  const std::uint32_t colorMask = ColorBits(dst.format);

  if (Overlapping(dst, src)) {
    // The same pixels on both sides: take the source rectangle aside first.
    thread_local std::vector<std::uint8_t> aside;
    const std::size_t rowBytes = gdi::RowBytes(w, bits) + 4;
    aside.resize(rowBytes * static_cast<std::size_t>(h));
    PixelBlock copy{
        aside.data(),  static_cast<std::ptrdiff_t>(rowBytes), w, h, src.format, src.colors,
        src.colorCount};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        gdi::WritePixel(copy.Row(y), x, bits, gdi::ReadPixel(src.Row(s.top + y), s.left + x, bits));
    CopyBlock(dst, dx, dy, copy, RECT{0, 0, w, h}, key);
    return;
  }

  const std::size_t bytes = static_cast<std::size_t>(bits / 8);
  // Whole rows of two blocks laid out alike are one run of memory.
  if (!key.active && bits >= 8 && dx == 0 && s.left == 0 && w == dst.width && w == src.width &&
      dst.pitch == src.pitch && dst.pitch > 0) {
    const std::size_t run = static_cast<std::size_t>(dst.pitch) * static_cast<std::size_t>(h - 1) +
                            static_cast<std::size_t>(w) * bytes;
    std::memcpy(dst.Row(dy), src.Row(s.top), run);
    return;
  }
  const bool simpleKey = key.active && key.low == key.high;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* out = dst.Row(dy + y);
    const std::uint8_t* in = src.Row(s.top + y);
    if (bits < 8) {
      if (key.active) {
        KeyedRowGeneric(out, dx, in, s.left, w, bits, colorMask, key);
      } else {
        for (int x = 0; x < w; ++x)
          gdi::WritePixel(out, dx + x, bits, gdi::ReadPixel(in, s.left + x, bits));
      }
      continue;
    }
    std::uint8_t* o = out + static_cast<std::size_t>(dx) * bytes;
    const std::uint8_t* i = in + static_cast<std::size_t>(s.left) * bytes;
    if (!key.active) {
      std::memcpy(o, i, static_cast<std::size_t>(w) * bytes);
    } else if (simpleKey && bits == 32) {
      KeyedRow<std::uint32_t>(o, i, w, colorMask, key.low & colorMask);
    } else if (simpleKey && bits == 16) {
      KeyedRow<std::uint16_t>(o, i, w, std::uint16_t(colorMask),
                              std::uint16_t(key.low & colorMask));
    } else if (simpleKey && bits == 8) {
      KeyedRow<std::uint8_t>(o, i, w, std::uint8_t(colorMask), std::uint8_t(key.low & colorMask));
    } else {
      KeyedRowGeneric(out, dx, in, s.left, w, bits, colorMask, key);
    }
  }
}

void StretchBlock(const PixelBlock& dst, const RECT& d, const RECT& clip, const PixelBlock& src,
                  const RECT& s, bool mirrorLeftRight, bool mirrorUpDown, const SourceKey& key) {
  const long long dw = static_cast<long long>(d.right) - d.left,
                  dh = static_cast<long long>(d.bottom) - d.top;
  const long long sw = static_cast<long long>(s.right) - s.left,
                  sh = static_cast<long long>(s.bottom) - s.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const int x0 = std::max(d.left, clip.left), x1 = std::min(d.right, clip.right);
  const int y0 = std::max(d.top, clip.top), y1 = std::min(d.bottom, clip.bottom);
  if (x0 >= x1 || y0 >= y1) return;
  if (dw == sw && dh == sh && !mirrorLeftRight && !mirrorUpDown) {
    const RECT part{s.left + (x0 - d.left), s.top + (y0 - d.top), s.left + (x1 - d.left),
                    s.top + (y1 - d.top)};
    CopyBlock(dst, x0, y0, src, part, key);
    return;
  }
  const int bits = dst.format.bitCount;
  const std::uint32_t colorMask = ColorBits(dst.format);
  thread_local std::vector<int> columns;
  columns.resize(static_cast<std::size_t>(x1 - x0));
  for (int x = x0; x < x1; ++x) {
    long long j = ((2 * (static_cast<long long>(x) - d.left) + 1) * sw) / (2 * dw);
    if (mirrorLeftRight) j = sw - 1 - j;
    columns[static_cast<std::size_t>(x - x0)] = static_cast<int>(s.left + j);
  }
  // A mirrored copy reads its source aside first when the two blocks share pixels.
  PixelBlock from = src;
  thread_local std::vector<std::uint8_t> aside;
  if (Overlapping(dst, src)) {
    const std::size_t rowBytes = gdi::RowBytes(src.width, bits) + 4;
    aside.resize(rowBytes * static_cast<std::size_t>(src.height));
    for (int y = 0; y < src.height; ++y)
      std::memcpy(aside.data() + rowBytes * y, src.Row(y), rowBytes - 4);
    from.top = aside.data();
    from.pitch = static_cast<std::ptrdiff_t>(rowBytes);
  }
  for (int y = y0; y < y1; ++y) {
    long long i = ((2 * (static_cast<long long>(y) - d.top) + 1) * sh) / (2 * dh);
    if (mirrorUpDown) i = sh - 1 - i;
    const std::uint8_t* in = from.Row(static_cast<int>(s.top + i));
    std::uint8_t* out = dst.Row(y);
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t v = gdi::ReadPixel(in, columns[static_cast<std::size_t>(x - x0)], bits);
      const std::uint32_t c = v & colorMask;
      if (key.active && c >= key.low && c <= key.high) continue;
      gdi::WritePixel(out, x, bits, v);
    }
  }
}

}  // namespace ddraw
