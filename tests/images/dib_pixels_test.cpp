// Pixels of pictures: access per bit count, run-length data with its moves, end markers and
// clipping, compressing and expanding, sizing, colour tables, and copies that share an image
// until one of them changes.
#include <gtest/gtest.h>

#include <random>

#include "picture/dib.h"
#include "tests/images/dib_support.h"
#include "tests/support/raises.h"

namespace {

TOwnedPtr<TDIB> NewDIB() { return TOwnedPtr<TDIB>(Construct<TDIB>()); }

void Read(TDIB& dib, const Bytes& bytes) { dib.ReadData(*StreamOf(bytes)); }

Bytes Block(TDIB& dib) {
  const std::uint8_t* p = dib.PBitsReadOnly();
  return Bytes(p, p + dib.Size());
}

// An 8-bit run-length picture of the given size with a grey ramp.
TOwnedPtr<TDIB> RLE8(int w, int h, const Bytes& data) {
  auto dib = NewDIB();
  Read(*dib, InfoDIB({.Width = w,
                      .Height = h,
                      .BitCount = 8,
                      .Compression = 1,
                      .SizeImage = static_cast<std::uint32_t>(data.size()),
                      .Colors = RampColors(256),
                      .Pixels = data}));
  return dib;
}

// Pixels row by row, top row first.
std::vector<std::vector<std::uint32_t>> PixelsOf(TDIB& dib) {
  std::vector<std::vector<std::uint32_t>> rows(dib.Height());
  for (int y = 0; y < dib.Height(); ++y)
    for (int x = 0; x < dib.Width(); ++x) rows[y].push_back(dib.Pixels(x, y));
  return rows;
}

using Grid = std::vector<std::vector<std::uint32_t>>;

TEST(DIBRunLength, RunsMovesLiteralsAndEndMarkersLandWhereTheySay) {
  const Bytes data = {
      2, 0x11,                 // bottom row: two pixels of 0x11
      0, 2,    3, 1,           // move 3 right, 1 up: column 5 of the second row from the bottom
      2, 0x22,                 // two pixels there
      0, 0,                    // end of row: column 0 of the third row from the bottom
      0, 3,    7, 8,    9, 0,  // three literal pixels, then a pad byte
      0, 1,    1, 0x33,        // end of picture; the run after it is never read
  };
  auto dib = RLE8(8, 4, data);
  EXPECT_TRUE(dib->Compressed());
  EXPECT_EQ(dib->Size(), static_cast<int>(data.size()));
  const Grid expected = {
      {0, 0, 0, 0, 0, 0, 0, 0},
      {7, 8, 9, 0, 0, 0, 0, 0},
      {0, 0, 0, 0, 0, 0x22, 0x22, 0},
      {0x11, 0x11, 0, 0, 0, 0, 0, 0},
  };
  EXPECT_EQ(PixelsOf(*dib), expected);
  EXPECT_FALSE(dib->Compressed());  // reading pixels expanded it
}

TEST(DIBRunLength, DataPastARowOrThePictureIsClippedNotWrapped) {
  const Bytes data = {
      0,   2, 6,   0,  // column 6 of the bottom row
      255, 5,          // a run far past the row's end: columns 6 and 7 only
      0,   0,          // next row
      0,   9, 1,   2,   3, 4, 5, 6, 7, 8, 9, 0,  // nine literal pixels into a row of eight
      0,   2, 0,   200,                          // move far above the picture
      255, 4,                                    // written nowhere
      0,   0, 255, 3,  // end of row above the picture and another run: nowhere
  };
  auto dib = RLE8(8, 3, data);
  const Grid expected = {
      {0, 0, 0, 0, 0, 0, 0, 0},
      {1, 2, 3, 4, 5, 6, 7, 8},
      {0, 0, 0, 0, 0, 0, 5, 5},
  };
  EXPECT_EQ(PixelsOf(*dib), expected);
}

TEST(DIBRunLength, DataEndingWithoutItsEndMarkerOrInsideAPairStopsThere) {
  EXPECT_EQ(PixelsOf(*RLE8(4, 1, {3, 6})), (Grid{{6, 6, 6, 0}}));
  EXPECT_EQ(PixelsOf(*RLE8(4, 1, {2, 6, 0})), (Grid{{6, 6, 0, 0}}));
  EXPECT_EQ(PixelsOf(*RLE8(4, 1, {0, 2, 1})), (Grid{{0, 0, 0, 0}}));
  // A literal cut short by the end of the data writes what is there.
  EXPECT_EQ(PixelsOf(*RLE8(4, 1, {0, 4, 1, 2})), (Grid{{1, 2, 0, 0}}));
  EXPECT_EQ(PixelsOf(*RLE8(4, 1, {})), (Grid{{0, 0, 0, 0}}));
}

TEST(DIBRunLength, FourBitRunsAlternateNibblesAndLiteralsPackTwoPerByte) {
  const Bytes data = {
      5, 0x12,                       // 1 2 1 2 1
      0, 0,                          // next row
      0, 3,    0x34, 0x50,           // literal 3 4 5, two bytes, already even
      3, 0x77,                       // 7 7 7
      0, 5,    0xAB, 0xCD, 0xE0, 0,  // literal of five pixels in three bytes, padded
      0, 1,
  };
  auto dib = NewDIB();
  Read(*dib, InfoDIB({.Width = 11,
                      .Height = 2,
                      .BitCount = 4,
                      .Compression = 2,
                      .SizeImage = static_cast<std::uint32_t>(data.size()),
                      .Colors = RampColors(16),
                      .Pixels = data}));
  const Grid expected = {
      {3, 4, 5, 7, 7, 7, 0xA, 0xB, 0xC, 0xD, 0xE},
      {1, 2, 1, 2, 1, 0, 0, 0, 0, 0, 0},
  };
  EXPECT_EQ(PixelsOf(*dib), expected);
}

TEST(DIBRunLength, CompressedPicturesWriteAndReadTheirRunLengthDataAsItIs) {
  const Bytes data = {4, 9, 0, 1};
  auto dib = RLE8(4, 1, data);
  auto out = StreamOf({});
  dib->WriteData(*out);
  const Bytes written = BytesOf(*out);
  ASSERT_EQ(written.size(), 40u + 1024u + 4u);
  EXPECT_EQ(written[16], 1);  // run-length, 8 bits
  EXPECT_EQ(written[20], 4);  // image size: the data's length
  EXPECT_EQ(Bytes(written.end() - 4, written.end()), data);
}

TEST(DIBRunLength, CompressAndDecompressKeepEveryPixel) {
  for (int bits : {4, 8}) {
    SCOPED_TRACE(bits);
    const int w = 37, h = 9;
    std::mt19937 rng(bits);
    auto dib = NewDIB();
    dib->SetSize(w, h, bits);
    for (int y = 0; y < h; ++y) {
      int x = 0;
      while (x < w) {
        // Stretches of equal pixels, single pixels and noise, so runs and literals both occur.
        const int len = 1 + static_cast<int>(rng() % 6);
        const std::uint32_t v = rng() % (1u << bits);
        const bool noise = rng() % 3 == 0;
        for (int k = 0; k < len && x < w; ++k, ++x)
          dib->SetPixels(x, y, noise ? rng() % (1u << bits) : v);
      }
    }
    const Grid before = PixelsOf(*dib);
    auto keep = NewDIB();
    keep->Assign(dib.get());
    dib->Compress();
    ASSERT_TRUE(dib->Compressed());
    EXPECT_FALSE(keep->Compressed());

    auto out = StreamOf({});
    dib->WriteData(*out);
    auto again = NewDIB();
    Read(*again, BytesOf(*out));
    EXPECT_TRUE(again->Compressed());
    EXPECT_EQ(PixelsOf(*again), before);

    dib->Decompress();
    EXPECT_FALSE(dib->Compressed());
    EXPECT_EQ(PixelsOf(*dib), before);
  }
}

TEST(DIBPixels, EachBitCountReadsAndWritesItsOwnLayout) {
  auto one = NewDIB();
  one->SetSize(10, 1, 1);
  one->SetPixels(9, 0, 3);  // bit 0 of the value
  one->SetPixels(1, 0, 2);  // bit 0 is clear
  EXPECT_EQ(Block(*one), (Bytes{0x00, 0x40, 0, 0}));
  EXPECT_EQ(one->Pixels(9, 0), 1u);

  auto four = NewDIB();
  four->SetSize(8, 2, 4);
  four->SetPixels(5, 0, 0x1B);  // low four bits into the low nibble of byte 2 of the top row
  const Bytes block = Block(*four);
  Bytes expected(8, 0);
  expected[4 + 2] = 0x0B;  // the top row is stored last
  EXPECT_EQ(block, expected);
  EXPECT_EQ(four->Pixels(5, 0), 0xBu);
  EXPECT_EQ(four->Pixels(4, 0), 0u);

  auto b24 = NewDIB();
  b24->SetSize(2, 1, 24);
  b24->SetPixels(1, 0, 0xAA112233);
  EXPECT_EQ(Block(*b24), (Bytes{0, 0, 0, 0x11, 0x22, 0x33, 0, 0}));
  EXPECT_EQ(b24->Pixels(1, 0), 0x112233u);

  auto b16 = NewDIB();
  b16->PixelFormat = kPixelFormat555;
  b16->SetSize(1, 1, 16);
  b16->SetPixels(0, 0, 0x12345678);
  EXPECT_EQ(Block(*b16), (Bytes{0x78, 0x56, 0, 0}));

  auto b32 = NewDIB();
  b32->SetSize(1, 1, 32);
  b32->SetPixels(0, 0, 0x12345678);
  EXPECT_EQ(Block(*b32), (Bytes{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(b32->Pixels(0, 0), 0x12345678u);
}

TEST(DIBPixels, PositionsOutsideThePictureReadZeroAndWriteNothing) {
  auto dib = NewDIB();
  dib->SetSize(3, 2, 8);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) dib->SetPixels(x, y, 0xEE);
  const Bytes before = Block(*dib);
  for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {-100000, 100000}}) {
    EXPECT_EQ(dib->Pixels(x, y), 0u);
    dib->SetPixels(x, y, 1);
  }
  EXPECT_EQ(Block(*dib), before);
  EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { dib->ScanLine(2); }),
            "Index of the scanning line exceeded the range. (2)");
  EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { dib->ScanLineReadOnly(-1); }),
            "Index of the scanning line exceeded the range. (-1)");
}

TEST(DIBSharing, CopiesShareOneImageUntilOneChanges) {
  auto a = NewDIB();
  a->SetSize(4, 4, 8);
  a->SetPixels(1, 1, 50);
  auto b = NewDIB();
  b->Assign(a.get());
  EXPECT_EQ(a->ImageRefCount(), 2);
  EXPECT_EQ(b->PBitsReadOnly(), a->PBitsReadOnly());  // no pixels copied

  b->SetPixels(1, 1, 60);
  EXPECT_EQ(a->Pixels(1, 1), 50u);
  EXPECT_EQ(b->Pixels(1, 1), 60u);
  EXPECT_EQ(a->ImageRefCount(), 1);
  EXPECT_EQ(b->ImageRefCount(), 1);

  // A writable row unshares; a read-only one does not.
  auto c = NewDIB();
  c->Assign(a.get());
  EXPECT_EQ(c->ScanLineReadOnly(0), a->ScanLineReadOnly(0));
  EXPECT_EQ(a->ImageRefCount(), 2);
  c->ScanLine(0)[0] = 9;
  EXPECT_EQ(a->Pixels(0, 0), 0u);
  EXPECT_EQ(c->Pixels(0, 0), 9u);

  // Reading into one picture builds a new image; the other keeps the old.
  auto d = NewDIB();
  d->Assign(a.get());
  Read(*d, InfoDIB({.Width = 1, .Height = 1, .BitCount = 24, .Pixels = Bytes(4)}));
  EXPECT_EQ(a->Width(), 4);
  EXPECT_EQ(a->Pixels(1, 1), 50u);
  EXPECT_EQ(a->ImageRefCount(), 1);
}

TEST(DIBSharing, ColourTablesChangeOnlyInThePictureThatUpdatesThem) {
  auto a = NewDIB();
  a->SetSize(2, 2, 8);
  auto b = NewDIB();
  b->Assign(a.get());
  b->ColorTable[0] = RGBQUAD{1, 2, 3, 0};
  b->UpdatePalette();
  EXPECT_EQ(a->ColorTable[0], (RGBQUAD{0, 0, 0, 0}));
  EXPECT_EQ(a->ImageRefCount(), 1);
  // The new table is in the header that is written.
  auto out = StreamOf({});
  b->WriteData(*out);
  const Bytes w = BytesOf(*out);
  EXPECT_EQ(Bytes(w.begin() + 40, w.begin() + 44), (Bytes{1, 2, 3, 0}));
  // Nothing to push: nothing changes and the image stays shared.
  auto c = NewDIB();
  c->Assign(b.get());
  c->UpdatePalette();
  EXPECT_EQ(c->ImageRefCount(), 2);
}

TEST(DIBSize, SetSizeBuildsFromTheWorkingTableAndSkipsWhenNothingChanges) {
  auto dib = NewDIB();
  dib->ColorTable[3] = RGBQUAD{9, 9, 9, 0};
  dib->SetSize(3, 2, 4);
  EXPECT_EQ(dib->Width(), 3);
  EXPECT_EQ(dib->Size(), 8);
  EXPECT_TRUE(dib->MemoryImage());
  dib->SetPixels(2, 1, 5);
  auto out = StreamOf({});
  dib->WriteData(*out);
  EXPECT_EQ(BytesOf(*out)[40 + 12], 9);  // entry 3 of the table

  dib->SetSize(3, 2, 4);
  EXPECT_EQ(dib->Pixels(2, 1), 5u);  // same size: the pixels stay
  dib->SetSize(3, 2, 8);
  EXPECT_EQ(dib->Pixels(2, 1), 0u);
  EXPECT_EQ(dib->BitCount(), 8);

  dib->PixelFormat = kPixelFormat565;
  dib->SetSize(3, 2, 16);
  EXPECT_EQ(dib->NowPixelFormat(), kPixelFormat565);
  dib->PixelFormat = kPixelFormat888;
  EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { dib->SetSize(3, 2, 16); }),
            "PixelFormat in invalid");
  EXPECT_EQ(dib->NowPixelFormat(), kPixelFormat565);
  EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { dib->SetSize(3, 2, 3); }),
            "Bitcount in invalid (3)");

  dib->SetSize(0, 100, 8);
  EXPECT_TRUE(dib->Empty());
  EXPECT_EQ(dib->Width(), 0);
  EXPECT_EQ(dib->Height(), 0);
}

}  // namespace
