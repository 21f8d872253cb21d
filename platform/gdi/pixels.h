// Pixel blocks and pixel formats, shared by the graphics interface and the drawing service: a
// block is a top row address, a signed pitch (negative for rows stored bottom up), a size, a
// format and, for indexed formats, a colour table. Converting copies between blocks of any
// two formats live here too.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gdi {

// Colours inside this layer are 0x00RRGGBB (the byte order of a colour-table entry in memory).
using Rgb = std::uint32_t;

constexpr Rgb MakeRgb(unsigned r, unsigned g, unsigned b) { return (r << 16) | (g << 8) | b; }
constexpr unsigned RedOf(Rgb c) { return (c >> 16) & 0xFF; }
constexpr unsigned GreenOf(Rgb c) { return (c >> 8) & 0xFF; }
constexpr unsigned BlueOf(Rgb c) { return c & 0xFF; }

// 1, 4 and 8 bits are indexed; 16, 24 and 32 bits carry their colour in three masks.
struct PixelFormat {
  int bitCount = 0;
  std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;

  bool Indexed() const { return bitCount <= 8; }
  bool operator==(const PixelFormat&) const = default;

  static PixelFormat Indexed(int bits) { return {bits, 0, 0, 0}; }
  static PixelFormat Rgb555() { return {16, 0x7C00, 0x03E0, 0x001F}; }
  static PixelFormat Rgb565() { return {16, 0xF800, 0x07E0, 0x001F}; }
  static PixelFormat Rgb24() { return {24, 0xFF0000, 0x00FF00, 0x0000FF}; }
  static PixelFormat Rgb32() { return {32, 0xFF0000, 0x00FF00, 0x0000FF}; }
};

// Whether a format can be stored and converted: bit count 1, 4, 8, 16, 24 or 32, with masks
// that fit the bit count for the direct formats.
bool IsSupported(const PixelFormat& format);

// Bytes in one row of `width` pixels, without padding; 0 when that would not fit.
std::size_t RowBytes(int width, int bitCount);

// Bytes in one row of a device-independent bitmap: `width` pixels of `bitCount` bits, padded to
// whole 32-bit words. Counted in 64 bits, so that any 32-bit width and bit count fit.
constexpr std::int64_t DibRowBytes(std::int64_t width, std::int64_t bitCount) {
  return (width * bitCount + 31) / 32 * 4;
}

struct PixelBlock {
  std::uint8_t* top = nullptr;  // the top row
  std::ptrdiff_t pitch = 0;     // bytes from a row to the one below it
  int width = 0, height = 0;
  PixelFormat format;
  const Rgb* colors = nullptr;  // colour table of an indexed block
  int colorCount = 0;

  std::uint8_t* Row(int y) const { return top + static_cast<std::ptrdiff_t>(y) * pitch; }
  bool Empty() const { return top == nullptr || width <= 0 || height <= 0; }
};

// Packs and unpacks one channel of a direct format: 8-bit values are scaled to the channel's
// width with rounding, so white is every bit set and black is 0 in any format.
struct Channel {
  int shift = 0;
  int bits = 0;
  std::uint32_t mask = 0;

  explicit Channel(std::uint32_t m = 0);
  std::uint32_t Pack(unsigned v) const {
    return bits == 0
               ? 0
               : static_cast<std::uint32_t>(((v * max + 127) * kReciprocal255) >> 32) << shift;
  }
  unsigned Unpack(std::uint32_t pixel) const {
    return bits == 0 ? 0
                     : static_cast<unsigned>(
                           ((((pixel & mask) >> shift) * 255 + max / 2) * reciprocal) >> 32);
  }

 private:
  // Division by multiplication: for dividends below 2^17 and divisors up to 255, multiplying by
  // ceil(2^32 / d) and keeping the top half is exact. Text blends every edge pixel through these.
  static constexpr std::uint64_t Reciprocal(std::uint32_t d) {
    return ((std::uint64_t{1} << 32) + d - 1) / d;
  }
  static constexpr std::uint64_t kReciprocal255 = ((std::uint64_t{1} << 32) + 254) / 255;
  std::uint64_t max = 0;
  std::uint64_t reciprocal = 0;
};

// Converts colours to and from the raw pixel values of one format.
class ColorCodec {
 public:
  explicit ColorCodec(const PixelBlock& block);
  // The raw value of colour c: the nearest colour-table entry for indexed formats.
  std::uint32_t Encode(Rgb c);
  Rgb Decode(std::uint32_t pixel) const;

 private:
  PixelFormat FFormat;
  Channel FRed, FGreen, FBlue;
  const Rgb* FColors;
  int FColorCount;
  // Nearest-entry answers remembered by colour; a block converts few distinct colours.
  static constexpr int kCacheSize = 1024;
  Rgb FCacheKey[kCacheSize];
  std::uint8_t FCacheIndex[kCacheSize];
  bool FCacheValid[kCacheSize];
};

// Index of the table entry nearest to c (squared distance; the first of equals wins).
int NearestIndex(const Rgb* colors, int count, Rgb c);

std::uint32_t ReadPixel(const std::uint8_t* row, int x, int bitCount);
void WritePixel(std::uint8_t* row, int x, int bitCount, std::uint32_t value);

// Copies the rectangle (sx, sy, sw, sh) of src into (dx, dy, dw, dh) of dst, scaling by the
// nearest pixel and converting colours; a negative width or height on one side mirrors.
// Every pixel that would fall outside either block is left out. Indexed blocks with the same
// colour table keep their indices.
void StretchCopy(const PixelBlock& dst, long long dx, long long dy, long long dw, long long dh,
                 const PixelBlock& src, long long sx, long long sy, long long sw, long long sh);

// Fills the rectangle [left, right) x [top, bottom), cut to the block, with a raw pixel value.
void FillRaw(const PixelBlock& block, long long left, long long top, long long right,
             long long bottom, std::uint32_t value);

}  // namespace gdi
