// The graphics interface: regions, DIB sections laid out as their headers say, converting and
// stretching copies, palettes and the system palette, object handles.
#include "platform/gdi/gdi.h"
#include "platform/gdi/pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A DIB section selected into its own memory context.
struct Section {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  std::uint8_t* bits = nullptr;
  int width = 0, height = 0, stride = 0;
  bool bottomUp = true;

  Section(int w, int h, int bitCount, bool topDown = false, std::vector<RGBQUAD> colors = {},
          std::vector<DWORD> masks = {})
      : width(w), height(h), bottomUp(!topDown) {
    std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + 4 * 256 + 12);
    BITMAPINFOHEADER header;
    header.biWidth = w;
    header.biHeight = topDown ? -h : h;
    header.biBitCount = WORD(bitCount);
    header.biCompression = masks.empty() ? BI_RGB : BI_BITFIELDS;
    header.biClrUsed = DWORD(colors.size());
    std::memcpy(info.data(), &header, sizeof header);
    if (!masks.empty()) std::memcpy(info.data() + sizeof header, masks.data(), masks.size() * 4);
    if (!colors.empty())
      std::memcpy(info.data() + sizeof header + masks.size() * 4, colors.data(), colors.size() * 4);
    dc = CreateCompatibleDC(nullptr);
    void* p = nullptr;
    bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &p,
                              nullptr, 0);
    bits = static_cast<std::uint8_t*>(p);
    stride = ((w * bitCount + 31) / 32) * 4;
    if (bitmap) old = SelectObject(dc, bitmap);
  }
  ~Section() {
    if (old) SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  // The bytes of the picture's row y, counted from the top, as the header lays them out.
  std::uint8_t* Row(int y) const {
    return bits + std::ptrdiff_t(bottomUp ? height - 1 - y : y) * stride;
  }
  std::uint32_t Pixel32(int x, int y) const {
    std::uint32_t v;
    std::memcpy(&v, Row(y) + 4 * x, 4);
    return v;
  }
  std::uint16_t Pixel16(int x, int y) const {
    std::uint16_t v;
    std::memcpy(&v, Row(y) + 2 * x, 2);
    return v;
  }
  void Set32(int x, int y, std::uint32_t v) { std::memcpy(Row(y) + 4 * x, &v, 4); }
};

TEST(Regions, AnEllipseHoldsItsCentreButNotTheCornersOfItsBox) {
  HRGN r = CreateEllipticRgn(10, 20, 73, 82);  // a 63 x 62 box
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(PtInRegion(r, 41, 51));
  EXPECT_FALSE(PtInRegion(r, 10, 20));  // top-left pixel of the box
  EXPECT_FALSE(PtInRegion(r, 72, 81));
  EXPECT_TRUE(PtInRegion(r, 10, 51));   // left end of the horizontal axis
  EXPECT_FALSE(PtInRegion(r, 9, 51));   // just outside the box
  EXPECT_FALSE(PtInRegion(r, 73, 51));  // right edge is excluded
  EXPECT_TRUE(DeleteObject(r));
  EXPECT_FALSE(PtInRegion(r, 41, 51));  // a deleted region contains nothing
  EXPECT_FALSE(DeleteObject(r));
}

TEST(Regions, AnEmptyOrUnknownRegionContainsNoPoint) {
  HRGN flat = CreateEllipticRgn(5, 5, 5, 40);
  EXPECT_FALSE(PtInRegion(flat, 5, 20));
  DeleteObject(flat);
  EXPECT_FALSE(PtInRegion(nullptr, 0, 0));
  EXPECT_FALSE(PtInRegion(reinterpret_cast<HRGN>(0x12345), 0, 0));
  // A box given corner-first the other way round is the same ellipse.
  HRGN swapped = CreateEllipticRgn(73, 82, 10, 20);
  EXPECT_TRUE(PtInRegion(swapped, 41, 51));
  DeleteObject(swapped);
}

TEST(DibSections, RowsArePaddedToFourBytesAndStoredAsTheHeightSays) {
  Section bottomUp(3, 2, 24);
  ASSERT_NE(bottomUp.bitmap, nullptr);
  Section topDown(3, 2, 32, true);
  ASSERT_NE(topDown.bitmap, nullptr);
  // Top row of the bottom-up picture is the second stored row (stride 12 for 9 bytes).
  std::uint8_t* top = bottomUp.bits + 12;
  top[0] = 0x11, top[1] = 0x22, top[2] = 0x33;  // (0, 0): blue, green, red
  bottomUp.bits[3 * 2] = 0x44;                  // (2, 1): blue only
  ASSERT_TRUE(BitBlt(topDown.dc, 0, 0, 3, 2, bottomUp.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(topDown.Pixel32(0, 0), 0x332211u);
  EXPECT_EQ(topDown.Pixel32(2, 1), 0x000044u);
  EXPECT_EQ(topDown.Pixel32(1, 0), 0u);
  // The top-down picture keeps its first stored row on top.
  std::uint32_t first;
  std::memcpy(&first, topDown.bits, 4);
  EXPECT_EQ(first, 0x332211u);
  // Every picture reader and writer takes its row length from one rule: whole 32-bit words.
  EXPECT_EQ(gdi::DibRowBytes(1, 1), 4);
  EXPECT_EQ(gdi::DibRowBytes(32, 1), 4);
  EXPECT_EQ(gdi::DibRowBytes(33, 1), 8);
  EXPECT_EQ(gdi::DibRowBytes(9, 4), 8);
  EXPECT_EQ(gdi::DibRowBytes(3, 24), 12);
  EXPECT_EQ(gdi::DibRowBytes(5, 16), 12);
  EXPECT_EQ(gdi::DibRowBytes(0x7FFFFFFF, 32), std::int64_t{0x7FFFFFFF} * 4);
}

TEST(DibSections, BadHeadersMakeNoSection) {
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  void* bits = reinterpret_cast<void*>(1);
  info.bmiHeader.biWidth = 4;
  info.bmiHeader.biHeight = 4;
  info.bmiHeader.biBitCount = 7;
  EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biWidth = 0;
  EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  info.bmiHeader.biWidth = 0x7FFFFFFF;
  info.bmiHeader.biHeight = 0x7FFFFFFF;
  EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  info.bmiHeader.biWidth = 4;
  info.bmiHeader.biHeight = 4;
  info.bmiHeader.biCompression = BI_RLE8;  // sections hold plain pixels only
  EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  DeleteDC(dc);
}

TEST(StretchBlt, WhiteAndBlackBecomeEveryColourBitAndZeroInBothHighColourLayouts) {
  Section source(2, 1, 32, true);
  source.Set32(0, 0, 0xFFFFFF);
  source.Set32(1, 0, 0x000000);
  Section f565(2, 1, 16, true, {}, {0xF800, 0x07E0, 0x001F});
  Section f555(2, 1, 16, true);  // 16 bits without masks: 5-5-5
  for (Section* target : {&f565, &f555}) {
    std::memset(target->bits, 0xAB, 4);
    ASSERT_TRUE(StretchBlt(target->dc, 0, 0, 2, 1, source.dc, 0, 0, 2, 1, SRCCOPY));
  }
  EXPECT_EQ(f565.Pixel16(0, 0), 0xFFFF);
  EXPECT_EQ(f565.Pixel16(1, 0), 0);
  EXPECT_EQ(f555.Pixel16(0, 0), 0x7FFF);
  EXPECT_EQ(f555.Pixel16(1, 0), 0);
}

TEST(StretchBlt, ConvertsThroughTheColourTableOfIndexedPictures) {
  Section indexed(2, 1, 8, true, {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}});
  indexed.Row(0)[0] = 2;
  indexed.Row(0)[1] = 0;
  Section direct(2, 1, 32, true);
  ASSERT_TRUE(StretchBlt(direct.dc, 0, 0, 2, 1, indexed.dc, 0, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(direct.Pixel32(0, 0), 0x0000FFu);  // entry 2 is blue
  EXPECT_EQ(direct.Pixel32(1, 0), 0xFF0000u);  // entry 0 is red

  // Back onto the indexed picture: each colour finds its nearest entry.
  direct.Set32(0, 0, 0x10F010);  // nearly green
  direct.Set32(1, 0, 0xE00000);  // nearly red
  ASSERT_TRUE(StretchBlt(indexed.dc, 0, 0, 2, 1, direct.dc, 0, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(indexed.Row(0)[0], 1);
  EXPECT_EQ(indexed.Row(0)[1], 0);

  // A new colour table changes what the same indices mean.
  const RGBQUAD grey{128, 128, 128, 0};
  EXPECT_EQ(SetDIBColorTable(indexed.dc, 1, 1, &grey), 1u);
  RGBQUAD back[3];
  EXPECT_EQ(GetDIBColorTable(indexed.dc, 0, 3, back), 3u);
  EXPECT_EQ(back[1].rgbRed, 128);
  EXPECT_EQ(SetDIBColorTable(indexed.dc, 3, 1, &grey), 0u);  // past the table
  ASSERT_TRUE(StretchBlt(direct.dc, 0, 0, 2, 1, indexed.dc, 0, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(direct.Pixel32(0, 0), 0x808080u);
}

TEST(StretchBlt, ScalesByTheNearestPixelAndMirrorsOnANegativeWidth) {
  Section source(2, 2, 32, true);
  source.Set32(0, 0, 1), source.Set32(1, 0, 2), source.Set32(0, 1, 3), source.Set32(1, 1, 4);
  Section target(4, 4, 32, true);
  ASSERT_TRUE(StretchBlt(target.dc, 0, 0, 4, 4, source.dc, 0, 0, 2, 2, SRCCOPY));
  const std::uint32_t doubled[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(target.Pixel32(x, y), doubled[y][x]) << x << "," << y;
  ASSERT_TRUE(StretchBlt(target.dc, 2, 0, -2, 2, source.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(target.Pixel32(0, 0), 2u);
  EXPECT_EQ(target.Pixel32(1, 0), 1u);
  EXPECT_EQ(target.Pixel32(0, 1), 4u);
}

TEST(StretchBlt, AnyRectanglesStayInsideBothPictures) {
  // Guard bytes around a small picture, inside one allocation.
  Section source(5, 5, 32, true);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) source.Set32(x, y, 0x010101u * std::uint32_t(1 + x + 5 * y));
  Section target(6, 6, 32, true);
  const int cases[][8] = {{-3, -3, 5, 5, 0, 0, 5, 5},
                          {4, 4, 5, 5, 0, 0, 5, 5},
                          {0, 0, 6, 6, -2, -2, 5, 5},
                          {0, 0, 6, 6, 3, 3, 5, 5},
                          {0, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0, 5, 5},
                          {-0x7FFFFFFF, 0, 0x7FFFFFFF, 6, 0, 0, 5, 5},
                          {0, 0, 6, 6, 0, 0, -0x7FFFFFFF - 1, 5},
                          {0, 0, 6, 6, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},
                          {5, 5, -0x7FFFFFFF - 1, -0x7FFFFFFF - 1, 0, 0, 5, 5},
                          {0, 0, 0, 6, 0, 0, 5, 5}};
  for (const auto& c : cases) {
    std::memset(target.bits, 0, std::size_t(target.stride) * 6);
    StretchBlt(target.dc, c[0], c[1], c[2], c[3], source.dc, c[4], c[5], c[6], c[7], SRCCOPY);
    // Whatever landed came from the source picture.
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) {
        const std::uint32_t v = target.Pixel32(x, y);
        EXPECT_TRUE(v == 0 || (v % 0x010101u == 0 && v / 0x010101u <= 25)) << v;
      }
  }
  // An unclipped copy, cut at the target's right and bottom, keeps pixels in place.
  std::memset(target.bits, 0, std::size_t(target.stride) * 6);
  StretchBlt(target.dc, 3, 3, 5, 5, source.dc, 0, 0, 5, 5, SRCCOPY);
  EXPECT_EQ(target.Pixel32(3, 3), 0x010101u);
  EXPECT_EQ(target.Pixel32(5, 5), 0x010101u * 13);
  EXPECT_EQ(target.Pixel32(2, 2), 0u);
}

TEST(StretchDIBits, ReadsAMemoryPictureWithItsRowsBottomUpAndRunLengthData) {
  Section target(4, 3, 32, true);
  // A 2 x 2 bottom-up 24-bit picture: bottom row blue, red; top row green, white.
  std::uint8_t pixels[16] = {255, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0, 255, 255, 255, 0, 0};
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 2;
  info.bmiHeader.biHeight = 2;
  info.bmiHeader.biBitCount = 24;
  EXPECT_EQ(
      StretchDIBits(target.dc, 0, 0, 2, 2, 0, 0, 2, 2, pixels, &info, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(target.Pixel32(0, 0), 0x00FF00u);
  EXPECT_EQ(target.Pixel32(1, 0), 0xFFFFFFu);
  EXPECT_EQ(target.Pixel32(0, 1), 0x0000FFu);
  EXPECT_EQ(target.Pixel32(1, 1), 0xFF0000u);
  // Of a bottom-up picture, ySrc counts from the bottom row: (0, 0, 2, 1) is the bottom row.
  std::memset(target.bits, 0, std::size_t(target.stride) * 3);
  StretchDIBits(target.dc, 0, 0, 2, 1, 0, 0, 2, 1, pixels, &info, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(target.Pixel32(0, 0), 0x0000FFu);

  // Run-length data, 4 x 3 with 8 bits: a run, a move, a literal run, a row overrun and the end.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[4];
  } rle{};
  rle.h.biWidth = 4;
  rle.h.biHeight = 3;
  rle.h.biBitCount = 8;
  rle.h.biCompression = BI_RLE8;
  rle.h.biClrUsed = 4;
  rle.colors[1] = {0, 0, 255, 0};                 // red
  rle.colors[2] = {0, 255, 0, 0};                 // green
  rle.colors[3] = {255, 0, 0, 0};                 // blue
  const std::uint8_t data[] = {2, 1,              // bottom row: two red
                               0, 2, 1, 1,        // move right 1, up 1: to (3, 1)
                               1, 2,              // one green at (3, 1)
                               0, 0,              // end of row 1
                               0, 3, 3, 3, 3, 0,  // literal: three blue, padded
                               9, 2,              // a run past the row's end: cut
                               0, 1};             // end of picture
  rle.h.biSizeImage = sizeof data;
  std::memset(target.bits, 0, std::size_t(target.stride) * 3);
  ASSERT_EQ(StretchDIBits(target.dc, 0, 0, 4, 3, 0, 0, 4, 3, data,
                          reinterpret_cast<BITMAPINFO*>(&rle), DIB_RGB_COLORS, SRCCOPY),
            3);
  const std::uint32_t expected[3][4] = {
      {0x0000FF, 0x0000FF, 0x0000FF, 0x00FF00},  // top row (y 2 from bottom)
      {0, 0, 0, 0x00FF00},
      {0xFF0000, 0xFF0000, 0, 0}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(target.Pixel32(x, y), expected[y][x]) << x << "," << y;
}

TEST(Palettes, TheSystemPaletteKeepsTheTwentyReservedColours) {
  HDC screen = GetDC(0);
  ASSERT_NE(screen, nullptr);
  PALETTEENTRY entries[256];
  ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, entries), 256u);
  auto rgb = [](const PALETTEENTRY& e) { return RGB(e.peRed, e.peGreen, e.peBlue); };
  EXPECT_EQ(rgb(entries[0]), RGB(0, 0, 0));
  EXPECT_EQ(rgb(entries[1]), RGB(128, 0, 0));
  EXPECT_EQ(rgb(entries[7]), RGB(192, 192, 192));
  EXPECT_EQ(rgb(entries[248]), RGB(128, 128, 128));
  EXPECT_EQ(rgb(entries[249]), RGB(255, 0, 0));
  EXPECT_EQ(rgb(entries[252]), RGB(0, 0, 255));
  EXPECT_EQ(rgb(entries[255]), RGB(255, 255, 255));
  EXPECT_EQ(GetSystemPaletteEntries(screen, 250, 10, entries), 6u);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(screen, NUMRESERVED), 20);
  ReleaseDC(0, screen);
}

TEST(Palettes, ASelectedPaletteColoursAnIndexedTargetWithoutATableOfItsOwn) {
  std::vector<std::uint8_t> raw(sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(raw.data());
  log->palNumEntries = 4;
  PALETTEENTRY* e = log->palPalEntry;
  e[0] = {0, 0, 0, 0}, e[1] = {255, 255, 0, 0}, e[2] = {0, 0, 255, 0}, e[3] = {255, 255, 255, 0};
  HPALETTE palette = CreatePalette(log);
  ASSERT_NE(palette, nullptr);
  PALETTEENTRY read[4];
  EXPECT_EQ(GetPaletteEntries(palette, 0, 4, read), 4u);
  EXPECT_EQ(read[1].peGreen, 255);
  HDC dc = CreateCompatibleDC(nullptr);
  HPALETTE old = SelectPalette(dc, palette, true);
  EXPECT_NE(old, nullptr);
  EXPECT_EQ(RealizePalette(dc), 4u);
  EXPECT_FALSE(DeleteObject(palette));  // still selected
  EXPECT_EQ(SelectPalette(dc, old, true), palette);
  EXPECT_TRUE(DeleteObject(palette));
  DeleteDC(dc);
  LOGPALETTE none{};
  EXPECT_EQ(CreatePalette(&none), nullptr);
}

TEST(Objects, ABitmapLivesInOneContextAtATimeAndCannotBeFreedWhileSelected) {
  Section a(2, 2, 32);
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, a.bitmap), nullptr);  // already selected in a.dc
  EXPECT_FALSE(DeleteObject(a.bitmap));
  EXPECT_EQ(GetCurrentObject(a.dc, OBJ_BITMAP), a.bitmap);
  HGDIOBJ back = SelectObject(a.dc, a.old);
  EXPECT_EQ(back, a.bitmap);
  EXPECT_NE(SelectObject(other, a.bitmap), nullptr);
  SelectObject(other, back == a.bitmap ? a.old : back);
  a.old = nullptr;
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_FALSE(DeleteDC(other));
  EXPECT_EQ(SelectObject(other, a.bitmap), nullptr);
  EXPECT_EQ(SetTextColor(other, 0), CLR_INVALID);
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));  // stock objects stay
  EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
}

TEST(Objects, FillRectPaintsTheBrushColourWithoutTheRightAndBottomEdges) {
  Section s(4, 4, 16, true, {}, {0xF800, 0x07E0, 0x001F});
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT r{1, 1, 3, 3};
  EXPECT_EQ(FillRect(s.dc, &r, red), 1);
  EXPECT_EQ(s.Pixel16(1, 1), 0xF800);
  EXPECT_EQ(s.Pixel16(2, 2), 0xF800);
  EXPECT_EQ(s.Pixel16(3, 3), 0);
  EXPECT_EQ(s.Pixel16(0, 0), 0);
  RECT huge{-100000, -5, 100000, 1};
  EXPECT_EQ(FillRect(s.dc, &huge, red), 1);
  EXPECT_EQ(s.Pixel16(3, 0), 0xF800);
  EXPECT_EQ(s.Pixel16(3, 1), 0);
  EXPECT_EQ(FillRect(s.dc, &r, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 1);
  DeleteObject(red);
}

}  // namespace
