// Reading and writing picture data: header forms, bit counts, masks, colour tables, row order,
// the file form, and every malformed picture with its error and the picture left as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "picture/dib.h"
#include "tests/images/dib_support.h"
#include "tests/support/raises.h"

namespace {

TOwnedPtr<TDIB> NewDIB() { return TOwnedPtr<TDIB>(Construct<TDIB>()); }

void Read(TDIB& dib, const Bytes& bytes) { dib.ReadData(*StreamOf(bytes)); }

std::vector<Bytes> RandomRows(int width, int height, int bits, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Bytes> rows(height, Bytes(RowBytes(width, bits)));
  for (Bytes& row : rows)
    for (auto& b : row) b = static_cast<std::uint8_t>(rng());
  return rows;
}

// The value of pixel x of a stored row, worked out from the layout of each bit count.
std::uint32_t PixelOfRow(const Bytes& row, int x, int bits) {
  switch (bits) {
    case 1: return (row[x / 8] & (0x80 >> (x % 8))) ? 1 : 0;
    case 4: return x % 2 == 0 ? row[x / 2] / 16 : row[x / 2] % 16;
    case 8: return row[x];
    case 16: return row[2 * x] + 256u * row[2 * x + 1];
    case 24: return row[3 * x + 2] + 256u * row[3 * x + 1] + 65536u * row[3 * x];
    default:
      return row[4 * x] + 256u * row[4 * x + 1] + 65536u * row[4 * x + 2] +
             16777216u * row[4 * x + 3];
  }
}

TEST(DIBRead, EveryBitCountReadsItsRowsBottomUpAndTopDownAlike) {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    const int w = 13, h = 5;
    const auto rows = RandomRows(w, h, bits, static_cast<unsigned>(bits));
    DIBLayout layout{.Width = w, .Height = h, .BitCount = static_cast<std::uint16_t>(bits)};
    if (bits <= 8) layout.Colors = RampColors(1 << bits);
    layout.Pixels = StoreRows(rows, true);
    auto up = NewDIB();
    Read(*up, InfoDIB(layout));
    layout.Height = -h;
    layout.Pixels = StoreRows(rows, false);
    auto down = NewDIB();
    Read(*down, InfoDIB(layout));

    ASSERT_EQ(up->Width(), w);
    ASSERT_EQ(up->Height(), h);
    ASSERT_EQ(down->Height(), h);
    EXPECT_EQ(up->BitCount(), bits);
    EXPECT_EQ(up->WidthBytes(), RowBytes(w, bits));
    EXPECT_EQ(up->Size(), RowBytes(w, bits) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        ASSERT_EQ(up->Pixels(x, y), PixelOfRow(rows[y], x, bits)) << x << "," << y;
        ASSERT_EQ(down->Pixels(x, y), up->Pixels(x, y)) << x << "," << y;
      }
    // The bottom row is the first row of the block.
    EXPECT_EQ(0, std::memcmp(up->PBitsReadOnly(), rows[h - 1].data(), rows[h - 1].size()));
  }
}

TEST(DIBRead, ColourTableTakesColoursUsedOrTheDefaultCount) {
  auto full = NewDIB();
  Read(*full, InfoDIB({.Width = 2,
                       .Height = 1,
                       .BitCount = 4,
                       .Colors = RampColors(16),
                       .Pixels = {0x1F, 0, 0, 0}}));
  EXPECT_EQ(full->ColorTable[15].rgbRed, 45);
  EXPECT_EQ(full->ColorTable[15].rgbGreen, 30);
  EXPECT_EQ(full->ColorTable[16].rgbRed, 0);  // beyond the 16 read
  EXPECT_EQ(full->Pixels(0, 0), 1u);
  EXPECT_EQ(full->Pixels(1, 0), 15u);

  auto three = NewDIB();
  Read(*three, InfoDIB({.Width = 2,
                        .Height = 1,
                        .BitCount = 4,
                        .ColorsUsed = 3,
                        .Colors = RampColors(3),
                        .Pixels = {0x21, 0, 0, 0}}));
  EXPECT_EQ(three->ColorTable[2].rgbRed, 6);
  for (int i = 3; i < 256; ++i) ASSERT_EQ(three->ColorTable[i], RGBQUAD{}) << i;
  EXPECT_EQ(three->Pixels(0, 0), 2u);  // the pixels followed three entries, not sixteen

  // 24 bits read no table unless told. A table of more than 256 entries keeps the first 256
  // and the pixels follow the whole of it.
  auto none = NewDIB();
  Read(*none, InfoDIB({.Width = 1, .Height = 1, .BitCount = 24, .Pixels = {1, 2, 3, 0}}));
  EXPECT_EQ(none->Pixels(0, 0), 0x010203u);
  auto many = NewDIB();
  Read(*many, InfoDIB({.Width = 1,
                       .Height = 1,
                       .BitCount = 24,
                       .ColorsUsed = 300,
                       .Colors = RampColors(300),
                       .Pixels = {7, 8, 9, 0}}));
  EXPECT_EQ(many->Pixels(0, 0), 0x070809u);
  EXPECT_EQ(many->ColorTable[255].rgbBlue, 255);
  auto indexed = NewDIB();
  Read(*indexed, InfoDIB({.Width = 3,
                          .Height = 1,
                          .BitCount = 8,
                          .ColorsUsed = 300,
                          .Colors = RampColors(300),
                          .Pixels = {5, 250, 0, 0}}));
  EXPECT_EQ(indexed->Pixels(0, 0), 5u);
  EXPECT_EQ(indexed->Pixels(1, 0), 250u);
  EXPECT_EQ(indexed->Pixels(2, 0), 0u);
  EXPECT_EQ(indexed->ColorTable[250].rgbGreen, static_cast<BYTE>(500));
}

TEST(DIBRead, CoreHeaderHasThreeByteColoursAndBottomUpRows) {
  Bytes b;
  Put32(b, 12);
  Put16(b, 3);
  Put16(b, 2);
  Put16(b, 1);
  Put16(b, 1);
  Append(b, {10, 20, 30, 40, 50, 60});        // two entries blue, green, red
  Append(b, {0x40, 0, 0, 0, 0xA0, 0, 0, 0});  // bottom row 0 1 0, top row 1 0 1
  auto dib = NewDIB();
  Read(*dib, b);
  EXPECT_EQ(dib->Width(), 3);
  EXPECT_EQ(dib->Height(), 2);
  EXPECT_EQ(dib->ColorTable[1].rgbBlue, 40);
  EXPECT_EQ(dib->ColorTable[1].rgbRed, 60);
  EXPECT_EQ(dib->ColorTable[1].rgbReserved, 0);
  EXPECT_EQ(dib->Pixels(0, 0), 1u);
  EXPECT_EQ(dib->Pixels(1, 0), 0u);
  EXPECT_EQ(dib->Pixels(1, 1), 1u);
}

// A w x h picture of the bit count with bit fields Masks and the given rows (top row first).
Bytes MaskedDIB(int w, int h, int bits, std::vector<std::uint32_t> masks,
                const std::vector<Bytes>& rows) {
  return InfoDIB({.Width = w,
                  .Height = h,
                  .BitCount = static_cast<std::uint16_t>(bits),
                  .Compression = 3,
                  .Masks = masks,
                  .Pixels = StoreRows(rows, h > 0)});
}

TEST(DIBRead, MasksAtTheStandardPlacesKeepTheStoredPixels) {
  const auto read16 = [](std::vector<std::uint32_t> masks) {
    auto dib = NewDIB();
    Read(*dib, InfoDIB({.Width = 1,
                        .Height = 1,
                        .BitCount = 16,
                        .Compression = masks.empty() ? 0u : 3u,
                        .Masks = masks,
                        .Pixels = {0x34, 0x12, 0, 0}}));
    EXPECT_EQ(dib->BitCount(), 16);
    EXPECT_EQ(dib->Pixels(0, 0), 0x1234u);
    return dib->NowPixelFormat();
  };
  const TDIBPixelFormat f555 = read16({});
  EXPECT_EQ(f555.RBitMask, 0x7C00u);
  EXPECT_EQ(f555.RShift, 7u);
  EXPECT_EQ(f555.GShift, 2u);
  EXPECT_EQ(f555.BShift, 3u);
  EXPECT_EQ(read16({0x7C00, 0x3E0, 0x1F}), f555);
  const TDIBPixelFormat f565 = read16({0xF800, 0x7E0, 0x1F});
  EXPECT_EQ(f565.GBitMask, 0x7E0u);
  EXPECT_EQ(f565.GBitCount, 6u);
  EXPECT_EQ(f565.RShift, 8u);

  auto eight = NewDIB();
  Read(*eight, MaskedDIB(1, 1, 32, {0xFF0000, 0xFF00, 0xFF}, {{1, 2, 3, 4}}));
  EXPECT_EQ(eight->BitCount(), 32);
  EXPECT_EQ(eight->Pixels(0, 0), 0x04030201u);
}

TEST(DIBRead, OtherMasksAreReadChannelByChannelIntoEightBitsEach) {
  struct Case {
    const char* what;
    int bits;
    std::vector<std::uint32_t> masks;
    Bytes pixels;                       // one row of three stored pixels
    std::vector<std::uint32_t> colors;  // 0xRRGGBB, worked out by hand
  };
  const Case cases[] = {
      // Channels in the top three bytes; the low byte is not part of any.
      {"32-bit masks one byte up",
       32,
       {0xFF000000, 0xFF0000, 0xFF00},
       {0x99, 0x33, 0x22, 0x11, 0x99, 0, 0, 0xFF, 0, 0xFF, 0xFF, 0xFF},
       {0x112233, 0xFF0000, 0xFFFFFF}},
      {"32-bit red and blue exchanged",
       32,
       {0xFF, 0xFF00, 0xFF0000},
       {1, 2, 3, 4, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0},
       {0x010203, 0xFF0000, 0x0000FF}},
      // Blue on top, red at the bottom: red 16 of 31 is 132, green 32 of 63 is 130, blue 1 of
      // 31 is 8 (v * 255 / max, rounded).
      {"16-bit 5-6-5 blue first",
       16,
       {0x1F, 0x7E0, 0xF800},
       {0x10, 0x0C, 0x1F, 0x00, 0x00, 0xF8, 0, 0},
       {0x848208, 0xFF0000, 0x0000FF}},
      // Ten bits per channel: 1023 is 255, 512 is 128, 0 is 0.
      {"32-bit 10-10-10",
       32,
       {0x3FF00000, 0xFFC00, 0x3FF},
       {0x00, 0x00, 0xF8, 0x3F, 0xFF, 0x03, 0, 0, 0, 0, 0, 0},
       {0xFF8000, 0x0000FF, 0x000000}},
      // A mask of 0 gives a channel of 0.
      {"16-bit without blue",
       16,
       {0xFF00, 0xFF, 0},
       {0x40, 0x80, 0xFF, 0xFF, 0, 0, 0, 0},
       {0x804000, 0xFFFF00, 0x000000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int w = static_cast<int>(c.colors.size());
    Bytes row = c.pixels;
    row.resize(static_cast<std::size_t>(RowBytes(w, c.bits)));
    // Two rows, the second the first reversed, read both bottom up and top down.
    Bytes reversed;
    for (int x = w - 1; x >= 0; --x)
      reversed.insert(reversed.end(), row.begin() + x * c.bits / 8,
                      row.begin() + (x + 1) * c.bits / 8);
    reversed.resize(row.size());
    for (int h : {2, -2}) {
      auto dib = NewDIB();
      Read(*dib, MaskedDIB(w, h, c.bits, c.masks, {row, reversed}));
      ASSERT_EQ(dib->BitCount(), 32);
      EXPECT_EQ(dib->NowPixelFormat(), kPixelFormat888);
      for (int x = 0; x < w; ++x) {
        EXPECT_EQ(dib->Pixels(x, 0), c.colors[x]) << x;
        EXPECT_EQ(dib->Pixels(w - 1 - x, 1), c.colors[x]) << x;
      }
      // It draws so too.
      auto target = NewDIB();
      target->SetSize(w, 2, 32);
      target->Canvas()->Draw(0, 0, dib.get());
      for (int x = 0; x < w; ++x) EXPECT_EQ(target->Pixels(x, 0), c.colors[x]) << x;
    }
  }
}

TEST(DIBRead, MasksNoChannelCanBeTakenByAreRefused) {
  struct Case {
    const char* what;
    int bits;
    std::vector<std::uint32_t> masks;
  };
  const Case cases[] = {
      {"green and blue overlapping", 16, {0x7C00, 0x3E0, 0x1F00}},
      {"red with a gap", 16, {0xF000 | 0x0400, 0x3E0, 0x1F}},
      {"red beyond 16 bits", 16, {0x1F0000, 0x7E0, 0x1F}},
      {"all masks 0", 32, {0, 0, 0}},
      {"24 bits with red and blue exchanged", 24, {0xFF, 0xFF00, 0xFF0000}},
      {"8 bits with masks one byte up", 8, {0xFF000000, 0xFF0000, 0xFF00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto dib = NewDIB();
    Read(*dib, InfoDIB({.Width = 1, .Height = 1, .BitCount = 24, .Pixels = {1, 2, 3, 0}}));
    Bytes data = InfoDIB({.Width = 1,
                          .Height = 1,
                          .BitCount = static_cast<std::uint16_t>(c.bits),
                          .Compression = 3,
                          .Masks = c.masks,
                          .Colors = c.bits <= 8 ? RampColors(1 << c.bits) : Bytes{},
                          .Pixels = Bytes(4)});
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { Read(*dib, data); }),
              "PixelFormat in invalid");
    EXPECT_EQ(dib->BitCount(), 24);
    EXPECT_EQ(dib->Pixels(0, 0), 0x010203u);
  }
}

TEST(DIBRead, MalformedPicturesFailWithTheirErrorAndLeaveThePictureAsItWas) {
  const Bytes good = InfoDIB(
      {.Width = 2, .Height = 2, .BitCount = 8, .Colors = RampColors(256), .Pixels = Bytes(8, 7)});
  struct Case {
    const char* what;
    Bytes data;
    std::string cls;
    std::string message;
  };
  Bytes headerCut(good.begin(), good.begin() + 20);
  Bytes tableCut(good.begin(), good.begin() + 40 + 100);
  Bytes pixelsCut(good.begin(), good.end() - 1);
  Bytes masksCut = InfoDIB({.Width = 1, .Height = 1, .BitCount = 16, .Compression = 3});
  Append(masksCut, {0, 0xF8, 0, 0, 0xE0, 0x07});
  Bytes size108 = good;
  size108[0] = 108;
  // Bit counts of 8 or less read their colour table before the bit count is judged.
  Bytes bits2 = InfoDIB(
      {.Width = 1, .Height = 1, .BitCount = 2, .Colors = RampColors(4), .Pixels = Bytes(4)});
  Bytes bits7 = InfoDIB(
      {.Width = 1, .Height = 1, .BitCount = 7, .Colors = RampColors(128), .Pixels = Bytes(4)});
  Bytes compression4 = InfoDIB({.Width = 1, .Height = 1, .BitCount = 8, .Compression = 4});
  Bytes rleMismatch = InfoDIB({.Width = 1,
                               .Height = 1,
                               .BitCount = 4,
                               .Compression = 1,
                               .SizeImage = 2,
                               .Colors = RampColors(16),
                               .Pixels = {0, 1}});
  Bytes negativeWidth = InfoDIB({.Width = -4, .Height = 1, .BitCount = 8});
  Bytes hugeRows = InfoDIB({.Width = 0x7FFFFFF0, .Height = 0x7FFFFFF0, .BitCount = 32});
  Bytes hugeTable = InfoDIB({.Width = 1,
                             .Height = 1,
                             .BitCount = 8,
                             .ColorsUsed = 0xFFFFFFFF,
                             .Colors = RampColors(256),
                             .Pixels = Bytes(4)});
  Bytes tableOf300Cut = InfoDIB({.Width = 1,
                                 .Height = 1,
                                 .BitCount = 24,
                                 .ColorsUsed = 300,
                                 .Colors = RampColors(256),
                                 .Pixels = Bytes(4)});
  Bytes hugeRLE8 = InfoDIB({.Width = 46340,
                            .Height = 46340,
                            .BitCount = 8,
                            .Compression = 1,
                            .SizeImage = 2,
                            .Colors = RampColors(256),
                            .Pixels = {0, 1}});
  Bytes hugeRLE4 = InfoDIB({.Width = 65536,
                            .Height = -1025,
                            .BitCount = 4,
                            .Compression = 2,
                            .SizeImage = 2,
                            .Colors = RampColors(16),
                            .Pixels = {0, 1}});
  Bytes rleDataCut = InfoDIB({.Width = 4,
                              .Height = 4,
                              .BitCount = 8,
                              .Compression = 1,
                              .SizeImage = 400,
                              .Colors = RampColors(256),
                              .Pixels = {4, 1, 0, 1}});
  const Case cases[] = {
      {"two bytes", {40, 0}, "EInvalidGraphic", "DIB is invalid"},
      {"header size 108", size108, "EInvalidGraphic", "DIB is invalid"},
      {"compression 4", compression4, "EInvalidGraphic", "DIB is invalid"},
      {"run-length kind of the other bit count", rleMismatch, "EInvalidGraphic", "DIB is invalid"},
      {"negative width", negativeWidth, "EInvalidGraphic", "DIB is invalid"},
      {"bit count 2", bits2, "EInvalidGraphicOperation", "Bitcount in invalid (2)"},
      {"bit count 7", bits7, "EInvalidGraphicOperation", "Bitcount in invalid (7)"},
      {"header cut", headerCut, "EReadError", "Stream read error"},
      {"masks cut", masksCut, "EReadError", "Stream read error"},
      {"colour table cut", tableCut, "EReadError", "Stream read error"},
      {"pixels cut", pixelsCut, "EReadError", "Stream read error"},
      {"rows far beyond the data", hugeRows, "EReadError", "Stream read error"},
      {"colour table far beyond the data", hugeTable, "EReadError", "Stream read error"},
      {"table of 300 with 256 there", tableOf300Cut, "EReadError", "Stream read error"},
      {"run-length data beyond the data", rleDataCut, "EReadError", "Stream read error"},
      {"8-bit run-length picture of 46340 x 46340", hugeRLE8, "EInvalidGraphic", "DIB is invalid"},
      {"4-bit run-length picture of 65536 x 1025", hugeRLE4, "EInvalidGraphic", "DIB is invalid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto dib = NewDIB();
    Read(*dib, good);
    auto other = NewDIB();
    other->Assign(dib.get());
    const std::uint8_t* bitsBefore = dib->PBitsReadOnly();
    try {
      Read(*dib, c.data);
      ADD_FAILURE() << "nothing raised";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), c.cls.c_str());
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(dib->Width(), 2);
    EXPECT_EQ(dib->BitCount(), 8);
    EXPECT_EQ(dib->PBitsReadOnly(), bitsBefore);
    EXPECT_EQ(dib->ImageRefCount(), 2);
    EXPECT_EQ(dib->Pixels(1, 1), 7u);
    EXPECT_EQ(dib->ColorTable[9].rgbRed, 27);
  }
}

TEST(DIBRead, RunLengthPicturesUpToTheLargestPixelCountLoadWithoutExpanding) {
  const auto packed = [](std::int32_t w, std::int32_t h) {
    return InfoDIB({.Width = w,
                    .Height = h,
                    .BitCount = 8,
                    .Compression = 1,
                    .SizeImage = 4,
                    .Colors = RampColors(256),
                    .Pixels = {3, 9, 0, 1}});
  };
  ASSERT_EQ(kMaxCompressedPixels, 8192 * 8192);
  auto dib = NewDIB();
  Read(*dib, packed(8192, 8192));
  EXPECT_EQ(dib->Width(), 8192);
  EXPECT_EQ(dib->Height(), 8192);
  EXPECT_TRUE(dib->Compressed());
  EXPECT_EQ(dib->Size(), 4);
  Read(*dib, packed(1, 8192 * 8192));
  EXPECT_EQ(dib->Height(), 8192 * 8192);
  for (auto [w, h] :
       {std::pair{8192, 8193}, std::pair{8193, -8192}, std::pair{1, 8192 * 8192 + 1}}) {
    SCOPED_TRACE(testing::Message() << w << " x " << h);
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { Read(*dib, packed(w, h)); }), "DIB is invalid");
    EXPECT_EQ(dib->Height(), 8192 * 8192);
  }
  // One without rows or columns is empty, its data not kept.
  for (auto [w, h] : {std::pair{0, 3}, std::pair{3, 0}}) {
    auto none = NewDIB();
    Read(*none, packed(w, h));
    EXPECT_TRUE(none->Empty());
    EXPECT_EQ(none->Size(), 0);
    auto out = StreamOf({});
    none->WriteData(*out);
    EXPECT_EQ(out->Size(), 0);
  }
  // A small one expands to what its data says.
  Read(*dib, packed(5, 2));
  EXPECT_EQ(dib->Pixels(2, 1), 9u);
  EXPECT_EQ(dib->Pixels(3, 1), 0u);
}

TEST(DIBRead, AnEmptyStreamGivesAnEmptyPicture) {
  auto dib = NewDIB();
  Read(*dib, {});
  EXPECT_TRUE(dib->Empty());
  Read(*dib, InfoDIB({.Width = 1, .Height = 1, .BitCount = 24, .Pixels = Bytes(4)}));
  EXPECT_FALSE(dib->Empty());
  Read(*dib, {});
  EXPECT_TRUE(dib->Empty());
  EXPECT_EQ(dib->Width(), 0);
}

TEST(DIBRead, ANewPictureIsEmptyWithAGreyRamp) {
  auto dib = NewDIB();
  EXPECT_TRUE(dib->Empty());
  EXPECT_EQ(dib->Width(), 0);
  EXPECT_EQ(dib->Pixels(0, 0), 0u);
  EXPECT_EQ(dib->ColorTable[77], (RGBQUAD{77, 77, 77, 0}));
  auto out = StreamOf({});
  dib->WriteData(*out);
  EXPECT_EQ(out->Size(), 0);
}

TEST(DIBWrite, WritesItsOwnHeaderColoursAndBottomUpRows) {
  const auto rows = RandomRows(5, 3, 4, 9);
  auto dib = NewDIB();
  Read(*dib, InfoDIB({.Width = 5,
                      .Height = -3,
                      .BitCount = 4,
                      .SizeImage = 999,
                      .ColorsUsed = 2,
                      .Colors = RampColors(2),
                      .Pixels = StoreRows(rows, false)}));
  auto out = StreamOf({});
  dib->WriteData(*out);
  // The system's own header: 40 bytes, positive height, the image size filled in, no counts,
  // and all 16 colour entries (the two read, then zeros).
  Bytes expected = InfoDIB({.Width = 5, .Height = 3, .BitCount = 4, .SizeImage = 12, .Pixels = {}});
  Bytes colors = RampColors(2);
  colors.resize(64, 0);
  Append(expected, colors);
  Append(expected, StoreRows(rows, true));
  EXPECT_EQ(BytesOf(*out), expected);

  auto again = NewDIB();
  Read(*again, BytesOf(*out));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(again->Pixels(x, y), dib->Pixels(x, y));
}

TEST(DIBWrite, SixteenAndThirtyTwoBitPicturesWriteTheirMasks) {
  auto dib = NewDIB();
  Read(*dib, InfoDIB({.Width = 1, .Height = 1, .BitCount = 16, .Pixels = {0xFF, 0x7F, 0, 0}}));
  auto out = StreamOf({});
  dib->WriteData(*out);
  const Bytes b = BytesOf(*out);
  ASSERT_EQ(b.size(), 52u + 4u);
  EXPECT_EQ(b[16], 3);  // bit fields
  EXPECT_EQ(b[40], 0x00);
  EXPECT_EQ(b[41], 0x7C);  // red mask 0x7C00
  EXPECT_EQ(b[48], 0x1F);  // blue mask 0x1F
  auto again = NewDIB();
  Read(*again, b);
  EXPECT_EQ(again->NowPixelFormat(), dib->NowPixelFormat());
  EXPECT_EQ(again->Pixels(0, 0), 0x7FFFu);
}

TEST(DIBFile, FileFormHasABMHeaderInFront) {
  auto dib = NewDIB();
  Read(*dib,
       InfoDIB({.Width = 2, .Height = 1, .BitCount = 24, .Pixels = {1, 2, 3, 4, 5, 6, 0, 0}}));
  auto out = StreamOf({});
  dib->SaveToStream(*out);
  const Bytes b = BytesOf(*out);
  ASSERT_EQ(b.size(), 14u + 40u + 8u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(b[2], 62);   // total length
  EXPECT_EQ(b[10], 54);  // offset of the pixels
  auto loaded = NewDIB();
  loaded->LoadFromStream(*StreamOf(b));
  EXPECT_EQ(loaded->Pixels(1, 0), 0x040506u);

  const auto fails = [&](const Bytes& data) {
    auto p = NewDIB();
    p->Assign(dib.get());
    const std::string m = MessageOf<EInvalidGraphic>([&] { p->LoadFromStream(*StreamOf(data)); });
    EXPECT_EQ(p->Width(), 2);
    return m;
  };
  Bytes notBM = b;
  notBM[0] = 'X';
  EXPECT_EQ(fails(notBM), "DIB is invalid");
  EXPECT_EQ(fails(Bytes(b.begin(), b.begin() + 13)), "DIB is invalid");
  Bytes jpeg = b;
  jpeg[0] = 0xFF;
  jpeg[1] = 0xD8;
  EXPECT_EQ(fails(jpeg), "DIB is invalid");

  auto empty = NewDIB();
  empty->Assign(dib.get());
  empty->LoadFromStream(*StreamOf({}));
  EXPECT_TRUE(empty->Empty());
}

// A file header in front of DIB data, its pixel offset as given.
Bytes FileOf(const Bytes& dib, std::uint32_t pixelOffset) {
  Bytes b = {'B', 'M'};
  Put32(b, static_cast<std::uint32_t>(14 + dib.size()));
  Put32(b, 0);
  Put32(b, pixelOffset);
  Append(b, dib);
  return b;
}

TEST(DIBFile, PixelsAreReadFromTheOffsetTheFileHeaderGives) {
  // Four colours, a gap of six bytes, then one row of indexes 1 2 3.
  Bytes dib = InfoDIB({.Width = 3,
                       .Height = 1,
                       .BitCount = 8,
                       .ColorsUsed = 4,
                       .Colors = RampColors(4),
                       .Pixels = Bytes(6, 3)});
  Append(dib, {1, 2, 3, 0});
  const std::uint32_t behindTable = 14 + 40 + 16;
  const auto loaded = [](const Bytes& file) {
    auto p = NewDIB();
    p->LoadFromStream(*StreamOf(file));
    return p;
  };
  const auto row = [](TDIB& p) {
    return std::vector<std::uint32_t>{p.Pixels(0, 0), p.Pixels(1, 0), p.Pixels(2, 0)};
  };
  EXPECT_EQ(row(*loaded(FileOf(dib, behindTable + 6))), (std::vector<std::uint32_t>{1, 2, 3}));
  // No offset: the pixels follow the table, as for DIB data.
  EXPECT_EQ(row(*loaded(FileOf(dib, 0))), (std::vector<std::uint32_t>{3, 3, 3}));
  EXPECT_EQ(row(*loaded(FileOf(dib, behindTable))), (std::vector<std::uint32_t>{3, 3, 3}));
  // The offset counts from the file header, wherever that stands in the stream.
  Bytes inFront = {9, 9, 9};
  Append(inFront, FileOf(dib, behindTable + 6));
  auto stream = StreamOf(inFront);
  stream->SetPosition(3);
  auto shifted = NewDIB();
  shifted->LoadFromStream(*stream);
  EXPECT_EQ(row(*shifted), (std::vector<std::uint32_t>{1, 2, 3}));

  // A gap in front of top-down 24-bit rows and of run-length data.
  Bytes topDown = InfoDIB({.Width = 1, .Height = -2, .BitCount = 24, .Pixels = Bytes(10, 0xEE)});
  Append(topDown, {1, 2, 3, 0, 4, 5, 6, 0});
  auto down = loaded(FileOf(topDown, 14 + 40 + 10));
  EXPECT_EQ(down->Pixels(0, 0), 0x010203u);
  EXPECT_EQ(down->Pixels(0, 1), 0x040506u);
  Bytes packed = InfoDIB({.Width = 4,
                          .Height = 1,
                          .BitCount = 8,
                          .Compression = 1,
                          .SizeImage = 4,
                          .Colors = RampColors(256),
                          .Pixels = {2, 7}});
  Append(packed, {4, 5, 0, 1});
  auto runs = loaded(FileOf(packed, 14 + 40 + 1024 + 2));
  EXPECT_EQ(runs->Pixels(0, 0), 5u);
  EXPECT_EQ(runs->Pixels(3, 0), 5u);

  // Offsets into the headers or the colour table are refused, one past the data fails to
  // read; the picture stays as it was.
  auto kept = loaded(FileOf(dib, behindTable + 6));
  for (std::uint32_t offset : {1u, 14u, 14u + 40u, behindTable - 1}) {
    SCOPED_TRACE(offset);
    EXPECT_EQ(
        MessageOf<EInvalidGraphic>([&] { kept->LoadFromStream(*StreamOf(FileOf(dib, offset))); }),
        "DIB is invalid");
  }
  Bytes tableOf8 = InfoDIB({.Width = 3,
                            .Height = 1,
                            .BitCount = 8,
                            .ColorsUsed = 8,
                            .Colors = RampColors(8),
                            .Pixels = {1, 2, 3, 0}});
  EXPECT_EQ(MessageOf<EInvalidGraphic>(
                [&] { kept->LoadFromStream(*StreamOf(FileOf(tableOf8, 14 + 40 + 16))); }),
            "DIB is invalid");
  const auto size = static_cast<std::uint32_t>(14 + dib.size());
  for (std::uint32_t offset : {size - 3, size, size + 1, 0xFFFFFFFFu}) {
    SCOPED_TRACE(offset);
    EXPECT_EQ(MessageOf<EReadError>([&] { kept->LoadFromStream(*StreamOf(FileOf(dib, offset))); }),
              "Stream read error");
  }
  EXPECT_EQ(row(*kept), (std::vector<std::uint32_t>{1, 2, 3}));
}

TEST(DIBFile, APictureLoadsADIBFileByItsExtension) {
  auto dib = NewDIB();
  Read(*dib, InfoDIB({.Width = 1, .Height = 1, .BitCount = 24, .Pixels = {9, 8, 7, 0}}));
  auto out = StreamOf({});
  dib->SaveToStream(*out);
  const auto path = std::filesystem::temp_directory_path() /
                    ("marvosk-picture-" + std::to_string(::getpid()) + ".DIB");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(out->Memory()), out->Size());
  TOwnedPtr<TPicture> picture(Construct<TPicture>());
  picture->LoadFromFile(path.string());
  std::filesystem::remove(path);
  ASSERT_NE(picture->Graphic(), nullptr);
  EXPECT_EQ(static_cast<TDIB*>(picture->Graphic())->Pixels(0, 0), 0x090807u);
  EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { picture->LoadFromFile("picture.xyz"); }),
            "Unknown picture file extension (.xyz)");
  EXPECT_NE(picture->Graphic(), nullptr);
}

// Tiny data that declares far more than it holds, each with the error it must fail with.
struct HostileDIB {
  const char* what;
  Bytes data;
  std::string message;
};
std::vector<HostileDIB> HostileDIBs() {
  return {
      {"8-bit run-length data of 46340 x 46340",
       InfoDIB({.Width = 46340,
                .Height = 46340,
                .BitCount = 8,
                .Compression = 1,
                .SizeImage = 2,
                .Colors = RampColors(256),
                .Pixels = {0, 1}}),
       "DIB is invalid"},
      {"4-bit run-length data of 40000 x 40000",
       InfoDIB({.Width = 40000,
                .Height = 40000,
                .BitCount = 4,
                .Compression = 2,
                .SizeImage = 2,
                .Colors = RampColors(16),
                .Pixels = {0, 1}}),
       "DIB is invalid"},
      {"24-bit rows of 30000 x 30000",
       InfoDIB({.Width = 30000, .Height = 30000, .BitCount = 24, .Pixels = Bytes(64)}),
       "Stream read error"},
      {"a colour table of 2^32 - 1 entries",
       InfoDIB({.Width = 1,
                .Height = 1,
                .BitCount = 8,
                .ColorsUsed = 0xFFFFFFFF,
                .Colors = RampColors(256),
                .Pixels = Bytes(4)}),
       "Stream read error"},
  };
}

TEST(DIBHostile, EveryReaderRefusesTinyDataDeclaringAHugePicture) {
  const Bytes good = InfoDIB({.Width = 1, .Height = 1, .BitCount = 24, .Pixels = {1, 2, 3, 0}});
  for (const HostileDIB& h : HostileDIBs()) {
    SCOPED_TRACE(h.what);
    ASSERT_LT(h.data.size(), 1100u);
    const auto message = [](auto read) {
      try {
        read();
      } catch (const Exception& e) {
        return e.Message();
      }
      return std::string("nothing raised");
    };
    // DIB data.
    auto dib = NewDIB();
    Read(*dib, good);
    EXPECT_EQ(message([&] { Read(*dib, h.data); }), h.message);
    EXPECT_EQ(dib->Pixels(0, 0), 0x010203u);
    // The file form.
    EXPECT_EQ(message([&] { dib->LoadFromStream(*StreamOf(FileOf(h.data, 0))); }), h.message);
    EXPECT_EQ(message([&] {
                const auto behind = static_cast<std::uint32_t>(14 + h.data.size() - 2);
                dib->LoadFromStream(*StreamOf(FileOf(h.data, behind)));
              }),
              h.message);
    EXPECT_EQ(dib->Width(), 1);
    EXPECT_EQ(dib->Pixels(0, 0), 0x010203u);
    // A stored picture value.
    TOwnedPtr<TPicture> picture(Construct<TPicture>());
    picture->SetGraphic(dib.get());
    Bytes value = {4, 'T', 'D', 'I', 'B'};
    Append(value, h.data);
    EXPECT_EQ(message([&] { picture->ReadData(*StreamOf(value)); }), h.message);
    EXPECT_EQ(picture->Width(), 1);
  }
}

TEST(DIBPicture, DataIsTheClassNameThenTheDIBData) {
  const Bytes dibData = InfoDIB(
      {.Width = 1, .Height = 1, .BitCount = 24, .SizeImage = 4, .Pixels = {0x30, 0x20, 0x10, 0}});
  Bytes value = {4, 'T', 'D', 'I', 'B'};
  Append(value, dibData);
  TOwnedPtr<TPicture> picture(Construct<TPicture>());
  picture->ReadData(*StreamOf(value));
  ASSERT_NE(picture->Graphic(), nullptr);
  ASSERT_TRUE(picture->Graphic()->Is<TDIB>());
  EXPECT_EQ(static_cast<TDIB*>(picture->Graphic())->Pixels(0, 0), 0x302010u);
  EXPECT_EQ(picture->Width(), 1);

  auto out = StreamOf({});
  picture->WriteData(*out);
  EXPECT_EQ(BytesOf(*out), value);

  // A failing graphic leaves the old one; the class name is compared exactly.
  Bytes broken = {4, 'T', 'D', 'I', 'B', 1, 2};
  TGraphic* before = picture->Graphic();
  EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { picture->ReadData(*StreamOf(broken)); }),
            "DIB is invalid");
  EXPECT_EQ(picture->Graphic(), before);
  Bytes lower = {4, 'T', 'd', 'i', 'b'};
  Append(lower, dibData);
  picture->ReadData(*StreamOf(lower));
  EXPECT_EQ(picture->Graphic(), nullptr);
  EXPECT_EQ(picture->Width(), 0);

  auto none = StreamOf({});
  picture->WriteData(*none);
  EXPECT_EQ(none->Size(), 0);
}

}  // namespace
