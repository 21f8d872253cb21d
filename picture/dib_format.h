// The pieces of device-independent bitmap data that need no image: pixel formats built from
// channel widths, row lengths, and the two run-length encodings (expanding with clipping, and
// encoding).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/gdi/gditypes.h"

using TRGBQuads = std::array<RGBQUAD, 256>;

bool operator==(const RGBQUAD& a, const RGBQUAD& b);

// How a 16- or 32-bit pixel's channels are found. Red and green reach an 8-bit value by masking
// and shifting right by their shift, blue by masking and shifting left by its shift.
struct TDIBPixelFormat {
  std::uint32_t RBitMask = 0, GBitMask = 0, BBitMask = 0;
  std::uint32_t RBitCount = 0, GBitCount = 0, BBitCount = 0;
  std::uint32_t RShift = 0, GShift = 0, BShift = 0;
  std::uint32_t RBitCount2 = 0, GBitCount2 = 0, BBitCount2 = 0;
  friend bool operator==(const TDIBPixelFormat&, const TDIBPixelFormat&) = default;
};

// The format of red, green and blue channels r, g and b bits wide, packed red above green above
// blue, blue at bit 0.
TDIBPixelFormat MakeDIBPixelFormat(std::uint32_t r, std::uint32_t g, std::uint32_t b);
// The format made from the widths of three masks: each width counts the set bits from the
// mask's lowest set bit (searched in bits 0 to 30; 0 when there is none).
TDIBPixelFormat MakeDIBPixelFormatFromMasks(std::uint32_t r, std::uint32_t g, std::uint32_t b);
std::uint32_t MaskWidth(std::uint32_t mask);

inline const TDIBPixelFormat kPixelFormat888 = MakeDIBPixelFormat(8, 8, 8);
inline const TDIBPixelFormat kPixelFormat555 = MakeDIBPixelFormat(5, 5, 5);
inline const TDIBPixelFormat kPixelFormat565 = MakeDIBPixelFormat(5, 6, 5);

// Whether bit count and format make an image this system can build.
bool IsValidBitCount(std::int32_t bitCount);
bool IsAcceptedPixelFormat(std::int32_t bitCount, const TDIBPixelFormat& format);

// The bytes of one row (gdi::DibRowBytes); -1 when that does not fit 31 bits.
std::int64_t DIBWidthBytes(std::int64_t width, std::int64_t bitCount);

// Expands run-length data (BI_RLE8 for 8 bits, BI_RLE4 for 4 bits) into a block of rows stored
// bottom row first. Runs and literals that go past the end of a row, moves that leave the
// picture and data that go on past the top row are clipped: nothing is written outside the
// block. Data that ends without the end-of-picture pair ends the picture there. Pixels the
// data does not reach keep their values.
void ExpandRLE(std::span<const std::uint8_t> data, int bitCount, std::int32_t width,
               std::int32_t height, std::int64_t widthBytes, std::uint8_t* bottomRow);

// Encodes rows stored bottom row first as run-length data of the bit count (4 or 8): runs of
// repeated pixels, literal stretches, an end-of-row pair after each row but the last and an
// end-of-picture pair after it.
std::vector<std::uint8_t> EncodeRLE(int bitCount, std::int32_t width, std::int32_t height,
                                    std::int64_t widthBytes, const std::uint8_t* bottomRow);
