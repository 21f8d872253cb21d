#include "picture/dib_format.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/gdi/pixels.h"

bool operator==(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
         a.rgbReserved == b.rgbReserved;
}

namespace {
std::uint32_t LowBits(std::uint32_t width) {
  return static_cast<std::uint32_t>((std::uint64_t{1} << std::min<std::uint32_t>(width, 32)) - 1);
}
std::uint32_t ShiftUp(std::uint32_t value, std::uint32_t by) { return by >= 32 ? 0 : value << by; }
}  // namespace

TDIBPixelFormat MakeDIBPixelFormat(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  TDIBPixelFormat f;
  f.RBitMask = ShiftUp(LowBits(r), g + b);
  f.GBitMask = ShiftUp(LowBits(g), b);
  f.BBitMask = LowBits(b);
  f.RBitCount = r;
  f.GBitCount = g;
  f.BBitCount = b;
  // Unsigned arithmetic as the fields are unsigned: a channel wider than 8 bits wraps, which no
  // accepted format has.
  f.RBitCount2 = 8 - r;
  f.GBitCount2 = 8 - g;
  f.BBitCount2 = 8 - b;
  f.RShift = (g + b) - (8 - r);
  f.GShift = b - (8 - g);
  f.BShift = 8 - b;
  return f;
}

std::uint32_t MaskWidth(std::uint32_t mask) {
  constexpr std::uint32_t kLastSearchedBit = 30;
  std::uint32_t low = 0;
  while (low <= kLastSearchedBit && !(mask & (std::uint32_t{1} << low))) ++low;
  if (low > kLastSearchedBit) return 0;
  std::uint32_t width = 0;
  while (low + width < 32 && (mask & (std::uint32_t{1} << (low + width)))) ++width;
  return width;
}

TDIBPixelFormat MakeDIBPixelFormatFromMasks(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return MakeDIBPixelFormat(MaskWidth(r), MaskWidth(g), MaskWidth(b));
}

bool IsValidBitCount(std::int32_t bitCount) {
  switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: return true;
    default: return false;
  }
}

bool IsAcceptedPixelFormat(std::int32_t bitCount, const TDIBPixelFormat& format) {
  if (bitCount == 16) return format == kPixelFormat555 || format == kPixelFormat565;
  return IsValidBitCount(bitCount) && format == kPixelFormat888;
}

std::int64_t DIBWidthBytes(std::int64_t width, std::int64_t bitCount) {
  const std::int64_t bytes = gdi::DibRowBytes(width, bitCount);
  return bytes > std::numeric_limits<std::int32_t>::max() ? -1 : bytes;
}

// ---- run-length expansion ----

namespace {
// Marker pairs that start with a zero byte.
constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;

class RLEWriter {
 public:
  RLEWriter(bool fourBits, std::int32_t width, std::int32_t height, std::int64_t widthBytes,
            std::uint8_t* bottomRow)
      : FFour(fourBits),
        FWidth(width),
        FHeight(height),
        FWidthBytes(widthBytes),
        FBottom(bottomRow) {}

  bool InPicture() const { return FY < FHeight; }
  void NextLine() {
    FX = 0;
    ++FY;
  }
  void Move(std::uint8_t dx, std::uint8_t dy) {
    FX += dx;
    FY += dy;
  }

  // A run of count pixels: one byte value for 8 bits, two alternating nibbles for 4 bits.
  void Run(std::uint8_t count, std::uint8_t value) {
    const std::int64_t n = Visible(count);
    if (n > 0) {
      std::uint8_t* row = Row();
      if (FFour) {
        for (std::int64_t i = 0; i < n; ++i)
          PutNibble(row, FX + i, (i & 1) ? (value & 0x0F) : (value >> 4));
      } else {
        std::memset(row + FX, value, static_cast<std::size_t>(n));
      }
    }
    FX += count;
  }

  // count literal pixels from bytes (which may be cut short by the end of the data).
  void Literal(std::uint8_t count, std::span<const std::uint8_t> bytes) {
    std::int64_t n = Visible(count);
    if (FFour)
      n = std::min<std::int64_t>(n, static_cast<std::int64_t>(bytes.size()) * 2);
    else
      n = std::min<std::int64_t>(n, static_cast<std::int64_t>(bytes.size()));
    if (n > 0) {
      std::uint8_t* row = Row();
      if (FFour) {
        for (std::int64_t i = 0; i < n; ++i) {
          const std::uint8_t b = bytes[static_cast<std::size_t>(i / 2)];
          PutNibble(row, FX + i, (i & 1) ? (b & 0x0F) : (b >> 4));
        }
      } else {
        std::memcpy(row + FX, bytes.data(), static_cast<std::size_t>(n));
      }
    }
    FX += count;
  }

 private:
  // How many of count pixels from the current position fall inside the picture.
  std::int64_t Visible(std::int64_t count) const {
    if (FY >= FHeight || FX >= FWidth) return 0;
    return std::min<std::int64_t>(count, FWidth - FX);
  }
  std::uint8_t* Row() const { return FBottom + FY * FWidthBytes; }
  static void PutNibble(std::uint8_t* row, std::int64_t x, std::uint8_t v) {
    std::uint8_t& b = row[x >> 1];
    b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | v)
                : static_cast<std::uint8_t>((b & 0x0F) | (v << 4));
  }

  bool FFour;
  std::int64_t FWidth, FHeight, FWidthBytes;
  std::uint8_t* FBottom;
  std::int64_t FX = 0, FY = 0;
};
}  // namespace

void ExpandRLE(std::span<const std::uint8_t> data, int bitCount, std::int32_t width,
               std::int32_t height, std::int64_t widthBytes, std::uint8_t* bottomRow) {
  const bool four = bitCount == 4;
  RLEWriter out(four, width, height, widthBytes, bottomRow);
  std::size_t pos = 0;
  const std::size_t size = data.size();
  while (pos + 2 <= size && out.InPicture()) {
    const std::uint8_t first = data[pos];
    const std::uint8_t second = data[pos + 1];
    pos += 2;
    if (first != 0) {
      out.Run(first, second);
    } else if (second == kEndOfLine) {
      out.NextLine();
    } else if (second == kEndOfBitmap) {
      break;
    } else if (second == kDelta) {
      if (pos + 2 > size) break;
      out.Move(data[pos], data[pos + 1]);
      pos += 2;
    } else {
      const std::size_t bytes = four ? (second + 1u) / 2 : second;
      const std::size_t available = std::min(bytes, size - pos);
      out.Literal(second, data.subspan(pos, available));
      pos += available;
    }
    // Every pair with what follows it starts at an even offset.
    pos = (pos + 1) & ~std::size_t{1};
  }
}

// ---- run-length encoding ----

namespace {
constexpr int kMaxRun = 255;
constexpr int kMinLiteral = 3;  // shorter stretches are written as runs of one

void EncodeRow(bool four, std::int32_t width, const std::uint8_t* row,
               std::vector<std::uint8_t>& out) {
  const auto pixel = [&](std::int32_t x) -> std::uint8_t {
    if (!four) return row[x];
    const std::uint8_t b = row[x >> 1];
    return (x & 1) ? (b & 0x0F) : (b >> 4);
  };
  std::int32_t i = 0;
  while (i < width) {
    std::int32_t run = 1;
    while (i + run < width && run < kMaxRun && pixel(i + run) == pixel(i)) ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(run));
      out.push_back(four ? static_cast<std::uint8_t>(pixel(i) << 4 | pixel(i)) : pixel(i));
      i += run;
      continue;
    }
    // A literal stretch lasts until two equal pixels start a run.
    std::int32_t j = i;
    while (j < width && j - i < kMaxRun && !(j + 1 < width && pixel(j) == pixel(j + 1))) ++j;
    const std::int32_t n = j - i;
    if (n >= kMinLiteral) {
      out.push_back(0);
      out.push_back(static_cast<std::uint8_t>(n));
      std::size_t bytes = 0;
      if (four) {
        for (std::int32_t k = 0; k < n; k += 2) {
          const std::uint8_t lo = k + 1 < n ? pixel(i + k + 1) : 0;
          out.push_back(static_cast<std::uint8_t>(pixel(i + k) << 4 | lo));
          ++bytes;
        }
      } else {
        for (std::int32_t k = 0; k < n; ++k) out.push_back(pixel(i + k));
        bytes = static_cast<std::size_t>(n);
      }
      if (bytes & 1) out.push_back(0);
    } else {
      for (std::int32_t k = 0; k < n; ++k) {
        out.push_back(1);
        out.push_back(four ? static_cast<std::uint8_t>(pixel(i + k) << 4) : pixel(i + k));
      }
    }
    i = j;
  }
}
}  // namespace

std::vector<std::uint8_t> EncodeRLE(int bitCount, std::int32_t width, std::int32_t height,
                                    std::int64_t widthBytes, const std::uint8_t* bottomRow) {
  std::vector<std::uint8_t> out;
  for (std::int32_t y = 0; y < height; ++y) {
    EncodeRow(bitCount == 4, width, bottomRow + y * widthBytes, out);
    out.push_back(0);
    out.push_back(y + 1 < height ? kEndOfLine : kEndOfBitmap);
  }
  if (height <= 0) {
    out.push_back(0);
    out.push_back(kEndOfBitmap);
  }
  return out;
}
