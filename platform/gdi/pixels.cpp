#include "platform/gdi/pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace gdi {

bool IsSupported(const PixelFormat& f) {
  switch (f.bitCount) {
    case 1:
    case 4:
    case 8: return true;
    case 16:
    case 24:
    case 32: {
      const std::uint64_t limit = (std::uint64_t{1} << f.bitCount) - 1;
      return f.redMask <= limit && f.greenMask <= limit && f.blueMask <= limit;
    }
    default: return false;
  }
}

std::size_t RowBytes(int width, int bitCount) {
  if (width <= 0 || bitCount <= 0) return 0;
  return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 7) / 8;
}

Channel::Channel(std::uint32_t m) : mask(m) {
  if (m == 0) return;
  shift = std::countr_zero(m);
  // Only the lowest run of set bits counts; a mask with gaps keeps its lowest run.
  std::uint32_t run = m >> shift;
  bits = std::countr_one(run);
  if (bits > 8) {  // wider than 8 bits: keep the top 8 of them
    shift += bits - 8;
    bits = 8;
  }
  mask = ((std::uint32_t{1} << bits) - 1) << shift;
  max = (std::uint64_t{1} << bits) - 1;
  reciprocal = Reciprocal(static_cast<std::uint32_t>(max));
}

int NearestIndex(const Rgb* colors, int count, Rgb c) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < count; ++i) {
    const long dr = long(RedOf(colors[i])) - long(RedOf(c));
    const long dg = long(GreenOf(colors[i])) - long(GreenOf(c));
    const long db = long(BlueOf(colors[i])) - long(BlueOf(c));
    const long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

ColorCodec::ColorCodec(const PixelBlock& block)
    : FFormat(block.format),
      FRed(block.format.redMask),
      FGreen(block.format.greenMask),
      FBlue(block.format.blueMask),
      FColors(block.colors),
      FColorCount(block.colors ? std::min(block.colorCount, 1 << block.format.bitCount) : 0) {
  if (FFormat.Indexed()) std::fill(std::begin(FCacheValid), std::end(FCacheValid), false);
}

std::uint32_t ColorCodec::Encode(Rgb c) {
  if (!FFormat.Indexed())
    return FRed.Pack(RedOf(c)) | FGreen.Pack(GreenOf(c)) | FBlue.Pack(BlueOf(c));
  if (FColorCount == 0) {
    // No table: the indices stand for grey levels (black and white for one bit).
    const unsigned grey = (RedOf(c) * 30 + GreenOf(c) * 59 + BlueOf(c) * 11) / 100;
    return grey >> (8 - FFormat.bitCount);
  }
  const unsigned slot = ((c * 2654435761u) >> 22) & (kCacheSize - 1);
  if (FCacheValid[slot] && FCacheKey[slot] == c) return FCacheIndex[slot];
  const int index = NearestIndex(FColors, FColorCount, c);
  FCacheValid[slot] = true;
  FCacheKey[slot] = c;
  FCacheIndex[slot] = static_cast<std::uint8_t>(index);
  return static_cast<std::uint32_t>(index);
}

Rgb ColorCodec::Decode(std::uint32_t pixel) const {
  if (!FFormat.Indexed())
    return MakeRgb(FRed.Unpack(pixel), FGreen.Unpack(pixel), FBlue.Unpack(pixel));
  if (FColorCount == 0) {
    const unsigned max = (1u << FFormat.bitCount) - 1;
    const unsigned grey = (std::min(pixel, max) * 255 + max / 2) / max;
    return MakeRgb(grey, grey, grey);
  }
  // An index past the table reads as black.
  return pixel < static_cast<std::uint32_t>(FColorCount) ? FColors[pixel] & 0xFFFFFF : 0;
}

std::uint32_t ReadPixel(const std::uint8_t* row, int x, int bitCount) {
  switch (bitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case 8: return row[x];
    case 16: {
      std::uint16_t v;
      std::memcpy(&v, row + 2 * x, 2);
      return v;
    }
    case 24: {
      const std::uint8_t* p = row + 3 * x;
      return p[0] | (p[1] << 8) | (std::uint32_t(p[2]) << 16);
    }
    case 32: {
      std::uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      return v;
    }
    default: return 0;
  }
}

void WritePixel(std::uint8_t* row, int x, int bitCount, std::uint32_t value) {
  switch (bitCount) {
    case 1: {
      const std::uint8_t bit = std::uint8_t(0x80 >> (x & 7));
      row[x >> 3] = value ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case 4: {
      std::uint8_t& b = row[x >> 1];
      b = (x & 1) ? std::uint8_t((b & 0xF0) | (value & 0x0F))
                  : std::uint8_t((b & 0x0F) | ((value & 0x0F) << 4));
      break;
    }
    case 8: row[x] = std::uint8_t(value); break;
    case 16: {
      const std::uint16_t v = std::uint16_t(value);
      std::memcpy(row + 2 * x, &v, 2);
      break;
    }
    case 24: {
      std::uint8_t* p = row + 3 * x;
      p[0] = std::uint8_t(value);
      p[1] = std::uint8_t(value >> 8);
      p[2] = std::uint8_t(value >> 16);
      break;
    }
    case 32: std::memcpy(row + 4 * x, &value, 4); break;
    default: break;
  }
}

namespace {

bool SameTables(const PixelBlock& a, const PixelBlock& b) {
  if (a.colors == b.colors) return a.colorCount == b.colorCount;
  if (!a.colors || !b.colors || a.colorCount != b.colorCount) return false;
  return std::memcmp(a.colors, b.colors, sizeof(Rgb) * static_cast<std::size_t>(a.colorCount)) == 0;
}

// For each destination position in [first, last) the source position it samples, or -1 when
// that falls outside [0, srcLimit). The source span is sampled at the centres of the
// destination pixels.
void MapAxis(std::vector<int>& map, long long d, long long dn, long long s, long long sn,
             bool mirror, long long first, long long last, long long srcLimit) {
  map.clear();
  for (long long p = first; p < last; ++p) {
    const long long i = p - d;
    long long j = static_cast<long long>((static_cast<__int128>(2 * i + 1) * sn) / (2 * dn));
    if (mirror) j = sn - 1 - j;
    const long long sp = s + j;
    map.push_back(sp >= 0 && sp < srcLimit ? static_cast<int>(sp) : -1);
  }
}

}  // namespace

void StretchCopy(const PixelBlock& dst, long long dx, long long dy, long long dw, long long dh,
                 const PixelBlock& src, long long sx, long long sy, long long sw, long long sh) {
  if (dst.Empty() || src.Empty() || dw == 0 || dh == 0 || sw == 0 || sh == 0) return;
  if (!IsSupported(dst.format) || !IsSupported(src.format)) return;
  const bool mirrorX = (dw < 0) != (sw < 0);
  const bool mirrorY = (dh < 0) != (sh < 0);
  if (dw < 0) dx += dw, dw = -dw;
  if (dh < 0) dy += dh, dh = -dh;
  if (sw < 0) sx += sw, sw = -sw;
  if (sh < 0) sy += sh, sh = -sh;
  const long long x0 = std::max(dx, 0LL), x1 = std::min(dx + dw, static_cast<long long>(dst.width));
  const long long y0 = std::max(dy, 0LL),
                  y1 = std::min(dy + dh, static_cast<long long>(dst.height));
  if (x0 >= x1 || y0 >= y1) return;

  thread_local std::vector<int> columns, rows;
  MapAxis(columns, dx, dw, sx, sw, mirrorX, x0, x1, src.width);
  MapAxis(rows, dy, dh, sy, sh, mirrorY, y0, y1, src.height);

  const bool raw = dst.format.Indexed()
                       ? (src.format.bitCount == dst.format.bitCount && SameTables(dst, src))
                       : dst.format == src.format;
  bool contiguous = columns.front() >= 0;
  for (std::size_t k = 1; contiguous && k < columns.size(); ++k)
    contiguous = columns[k] == columns[k - 1] + 1;
  const int dbits = dst.format.bitCount, sbits = src.format.bitCount;

  ColorCodec decode(src), encode(dst);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (rows[r] < 0) continue;
    std::uint8_t* out = dst.Row(static_cast<int>(y0 + static_cast<long long>(r)));
    const std::uint8_t* in = src.Row(rows[r]);
    if (raw && contiguous && dbits >= 8) {
      const std::size_t bytes = static_cast<std::size_t>(dbits / 8);
      std::memmove(out + static_cast<std::size_t>(x0) * bytes,
                   in + static_cast<std::size_t>(columns.front()) * bytes, columns.size() * bytes);
      continue;
    }
    for (std::size_t k = 0; k < columns.size(); ++k) {
      if (columns[k] < 0) continue;
      std::uint32_t v = ReadPixel(in, columns[k], sbits);
      if (!raw) v = encode.Encode(decode.Decode(v));
      WritePixel(out, static_cast<int>(x0 + static_cast<long long>(k)), dbits, v);
    }
  }
}

void FillRaw(const PixelBlock& block, long long left, long long top, long long right,
             long long bottom, std::uint32_t value) {
  if (block.Empty()) return;
  left = std::max(left, 0LL);
  top = std::max(top, 0LL);
  right = std::min(right, static_cast<long long>(block.width));
  bottom = std::min(bottom, static_cast<long long>(block.height));
  if (left >= right || top >= bottom) return;
  const int bits = block.format.bitCount;
  for (long long y = top; y < bottom; ++y) {
    std::uint8_t* row = block.Row(static_cast<int>(y));
    if (bits == 8) {
      std::memset(row + left, static_cast<int>(value & 0xFF),
                  static_cast<std::size_t>(right - left));
    } else if (bits == 32) {
      std::fill(reinterpret_cast<std::uint32_t*>(row) + left,
                reinterpret_cast<std::uint32_t*>(row) + right, value);
    } else {
      for (long long x = left; x < right; ++x) WritePixel(row, static_cast<int>(x), bits, value);
    }
  }
}

}  // namespace gdi
