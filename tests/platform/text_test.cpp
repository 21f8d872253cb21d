// Text on device contexts: fonts found through fontconfig, anti-aliased glyphs in the text
// colour, extents that match what is drawn, the glyph cache, and a machine without fonts.
#include "platform/gdi/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "tests/support/png_dump.h"

// Counts allocations while a test asks for it.
namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
}  // namespace

// The replacement pair below is malloc and free on both sides; the compiler cannot see that
// the allocations it pairs with free come from this operator new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (gCounting) ++gAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int kWidth = 200, kHeight = 60;
constexpr std::uint32_t kBackground = 0x204060;

// A 32-bit top-down picture in a memory context.
struct Canvas {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  std::uint32_t* pixels = nullptr;

  Canvas() {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<std::uint32_t*>(bits);
    old = SelectObject(dc, bitmap);
    std::fill(pixels, pixels + kWidth * kHeight, kBackground);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  std::uint32_t At(int x, int y) const { return pixels[y * kWidth + x]; }
  std::vector<std::uint32_t> Picture() const { return {pixels, pixels + kWidth * kHeight}; }
};

HFONT MakeFont(const char* name, int height, bool bold = false) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(lf.lfFaceName, name, LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

struct Box {
  int left = kWidth, top = kHeight, right = -1, bottom = -1;
};

Box Changed(const Canvas& c) {
  Box b;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (c.At(x, y) != kBackground) {
        b.left = std::min(b.left, x), b.right = std::max(b.right, x + 1);
        b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y + 1);
      }
  return b;
}

class Text : public ::testing::Test {
 protected:
  void SetUp() override { gdi::ResetFontsForTesting(false); }
  void TearDown() override { gdi::ResetFontsForTesting(false); }
};

TEST_F(Text, ComicSansMsResolvesThroughTheInstalledAliases) {
  LOGFONTA lf{};
  lf.lfHeight = -16;
  std::strcpy(lf.lfFaceName, "Comic Sans MS");
  const auto face = gdi::ResolveFont(lf);
  ASSERT_NE(face, nullptr);
  EXPECT_NE(gdi::FontFile(face.get()).find("Comic"), std::string::npos)
      << gdi::FontFile(face.get());
  // An unknown name still gets fontconfig's best match.
  std::strcpy(lf.lfFaceName, "No Such Face 12345");
  EXPECT_NE(gdi::ResolveFont(lf), nullptr);
}

TEST_F(Text, LandsWhereTextOutPutsItInItsColourWithinItsExtent) {
  Canvas c;
  HFONT font = MakeFont("Comic Sans MS", -20);
  HGDIOBJ oldFont = SelectObject(c.dc, font);
  SetTextColor(c.dc, RGB(255, 255, 0));
  SetBkMode(c.dc, TRANSPARENT);
  const char* text = "Score: 120";
  SIZE extent;
  ASSERT_TRUE(GetTextExtentPoint32A(c.dc, text, int(std::strlen(text)), &extent));
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
  EXPECT_EQ(extent.cy, tm.tmHeight);
  EXPECT_GE(tm.tmHeight, 20);
  ASSERT_TRUE(TextOutA(c.dc, 30, 10, text, int(std::strlen(text))));
  testpng::Write(testpng::OutputPath("text-score"), kWidth, kHeight, c.Picture());

  const Box drawn = Changed(c);
  ASSERT_LT(drawn.left, drawn.right) << "nothing was drawn";
  // Everything drawn lies in the cell at (30, 10) of the measured size, and fills most of it.
  EXPECT_GE(drawn.left, 30);
  EXPECT_GE(drawn.top, 10);
  EXPECT_LE(drawn.right, 30 + extent.cx + 1);
  EXPECT_LE(drawn.bottom, 10 + extent.cy);
  EXPECT_GE(drawn.right, 30 + extent.cx - 4);
  EXPECT_LE(drawn.left, 33);
  // Fully covered pixels carry the text colour exactly; the rest blend toward it.
  int solid = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t v = c.At(x, y);
      if (v == 0xFFFF00) ++solid;
      if (v != kBackground) {
        EXPECT_GE((v >> 16) & 0xFF, 0x20u);  // red moves from 0x20 toward 0xFF
        EXPECT_LE(v & 0xFF, 0x60u);          // blue from 0x60 toward 0
      }
    }
  EXPECT_GT(solid, 20);
  SelectObject(c.dc, oldFont);
  DeleteObject(font);
}

TEST_F(Text, OpaqueTextFillsItsCellWithTheBackgroundColour) {
  Canvas c;
  HFONT font = MakeFont("Comic Sans MS", -14, true);
  SelectObject(c.dc, font);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, RGB(0, 0, 255));
  SetTextColor(c.dc, RGB(255, 255, 255));
  SIZE extent;
  GetTextExtentPoint32A(c.dc, "Hi", 2, &extent);
  TextOutA(c.dc, 5, 5, "Hi", 2);
  EXPECT_EQ(c.At(5, 5), 0x0000FFu);
  EXPECT_EQ(c.At(5 + extent.cx - 1, 5 + extent.cy - 1), 0x0000FFu);
  EXPECT_EQ(c.At(5 + extent.cx, 5), kBackground);
  EXPECT_EQ(c.At(5, 5 + extent.cy), kBackground);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
}

TEST_F(Text, TextPastTheEdgesIsCutAndDrawingItAgainAllocatesNothing) {
  Canvas c;
  HFONT font = MakeFont("Comic Sans MS", -24);
  SelectObject(c.dc, font);
  SetBkMode(c.dc, TRANSPARENT);
  TextOutA(c.dc, -10, -8, "Remaining: 50", 13);
  TextOutA(c.dc, kWidth - 20, kHeight - 10, "Remaining: 50", 13);
  SIZE extent;
  gAllocations = 0;
  gCounting = true;
  TextOutA(c.dc, 40, 20, "Remaining: 50", 13);
  GetTextExtentPoint32A(c.dc, "Remaining: 50", 13, &extent);
  gCounting = false;
  EXPECT_EQ(gAllocations.load(), 0);
  EXPECT_GT(extent.cx, 0);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
}

TEST_F(Text, OnAnIndexedPictureEveryDrawnPixelIsAnEntryOfItsTable) {
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[4];
  } info{};
  info.h.biWidth = 64;
  info.h.biHeight = -24;
  info.h.biBitCount = 8;
  info.h.biClrUsed = 4;
  info.colors[0] = {0, 0, 0, 0};
  info.colors[1] = {0, 255, 255, 0};  // yellow
  info.colors[2] = {0, 128, 128, 0};  // dark yellow
  info.colors[3] = {255, 0, 0, 0};    // blue
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP section =
      CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  HGDIOBJ old = SelectObject(dc, section);
  HFONT font = MakeFont("Comic Sans MS", -16);
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 0));
  ASSERT_TRUE(TextOutA(dc, 2, 2, "Hit", 3));
  int yellow = 0, blue = 0;
  for (int i = 0; i < 64 * 24; ++i) {
    const int v = static_cast<std::uint8_t*>(bits)[i];
    yellow += v == 1 || v == 2;
    blue += v == 3;
  }
  EXPECT_GT(yellow, 20);
  EXPECT_EQ(blue, 0);  // no blend toward yellow from black is nearer blue
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteObject(section);
  DeleteDC(dc);
}

TEST_F(Text, WithoutAnyFontTextDrawsNothingMeasuresZeroAndSaysSoOnce) {
  gdi::ResetFontsForTesting(true);
  Canvas c;
  HFONT font = MakeFont("Comic Sans MS", -20);
  SelectObject(c.dc, font);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(TextOutA(c.dc, 10, 10, "Score", 5));
  SIZE extent{5, 5};
  EXPECT_TRUE(GetTextExtentPoint32A(c.dc, "Score", 5, &extent));
  HFONT second = MakeFont("Arial", -12);
  SelectObject(c.dc, second);
  TextOutA(c.dc, 10, 10, "again", 5);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(extent.cx, 0);
  EXPECT_EQ(extent.cy, 0);
  EXPECT_EQ(Changed(c).right, -1);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
  DeleteObject(second);
}

}  // namespace
