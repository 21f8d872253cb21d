// The canvas with its font, brush and pen: the settings a component stream sets, the device
// context fetched on demand, and text, fills and copies landing where they are put.
#include "toolkit/graphics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/raises.h"

namespace {

// A canvas on a 32-bit top-down DIB section, which hands its context over only when asked.
class BitmapCanvas : public TCanvas {
 public:
  BitmapCanvas(int w, int h) : W(w), H(h) {
    FDC = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    FBitmap = CreateDIBSection(FDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    FOld = SelectObject(FDC, FBitmap);
    Bits = static_cast<std::uint32_t*>(bits);
  }
  ~BitmapCanvas() override {
    SetHandle(nullptr);
    SelectObject(FDC, FOld);
    DeleteObject(FBitmap);
    DeleteDC(FDC);
  }
  // The pixel as 0x00RRGGBB.
  std::uint32_t Pixel(int x, int y) const {
    GdiFlush();
    return Bits[y * W + x] & 0xFFFFFF;
  }
  void FillAll(std::uint32_t rgb) { std::fill(Bits, Bits + W * H, rgb); }

  int W, H;
  std::uint32_t* Bits = nullptr;
  int Requests = 0;
  bool Refuse = false;

 protected:
  void CreateHandle() override {
    ++Requests;
    if (!Refuse) SetHandle(FDC);
  }

 private:
  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOld = nullptr;
};

using Canvas = TOwnedPtr<BitmapCanvas>;
Canvas NewCanvas(int w, int h) { return Canvas(Construct<BitmapCanvas>(w, h)); }

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kNavy = 0x000080;  // clNavy as stored in a 32-bit pixel

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  bool Empty() const { return right < 0; }
};

Box ChangedBox(const BitmapCanvas& c, std::uint32_t background) {
  Box b;
  for (int y = 0; y < c.H; ++y)
    for (int x = 0; x < c.W; ++x)
      if (c.Pixel(x, y) != background) {
        b.left = std::min(b.left, x);
        b.top = std::min(b.top, y);
        b.right = std::max(b.right, x + 1);
        b.bottom = std::max(b.bottom, y + 1);
      }
  return b;
}

TEST(Font, PublishedSettingsAreTheOnesAStreamSets) {
  TOwnedPtr<TFont> font(Construct<TFont>());
  const TClassInfo& info = TFont::ClassInfo;
  const TPropInfo* charset = info.FindProperty("Charset");
  ASSERT_NE(charset, nullptr);
  EXPECT_EQ(charset->Type->IdentToInt("DEFAULT_CHARSET"), 1);
  EXPECT_EQ(charset->Type->IdentToInt("ANSI_CHARSET"), 0);
  EXPECT_EQ(std::get<std::int64_t>(charset->Get(font.get())), 1);
  EXPECT_EQ(charset->Default, 1);
  charset->Set(font.get(), std::int64_t{0});
  EXPECT_EQ(font->Charset(), 0);

  info.FindProperty("Height")->Set(font.get(), std::int64_t{-11});
  EXPECT_EQ(font->Size(), 8);
  info.FindProperty("Size")->Set(font.get(), std::int64_t{20});
  EXPECT_EQ(font->Height(), -27);  // 20 points at 96 pixels per inch
  EXPECT_FALSE(info.FindProperty("Size")->Stored);
  font->SetSize(10);
  EXPECT_EQ(font->Height(), -13);

  info.FindProperty("Name")->Set(font.get(), std::string("Comic Sans MS"));
  EXPECT_EQ(font->Name(), "Comic Sans MS");
  const TPropInfo* style = info.FindProperty("Style");
  EXPECT_EQ(style->Type->ElementType->ValueOf("fsItalic"), 1);
  style->Set(font.get(), std::int64_t{TFontStyles{fsBold}.Bits()});
  EXPECT_EQ(font->Style(), TFontStyles{fsBold});
  EXPECT_EQ(info.FindProperty("Color")->Type, TypeInfoColor());
  EXPECT_EQ(font->Color(), clWindowText);

  TOwnedPtr<TFont> copy(Construct<TFont>());
  copy->Assign(font.get());
  EXPECT_EQ(copy->Name(), "Comic Sans MS");
  EXPECT_EQ(copy->Height(), -13);
  EXPECT_EQ(copy->Style(), TFontStyles{fsBold});
}

TEST(Font, AColourChangeKeepsTheFontAndEveryChangeIsAnnounced) {
  TOwnedPtr<TFont> font(Construct<TFont>());
  int changes = 0;
  struct Counter {
    int* n;
    void Changed(TObject*) { ++*n; }
  } counter{&changes};
  font->OnChange = TNotifyEvent::Of<&Counter::Changed>(&counter);
  const HFONT handle = font->Handle();
  ASSERT_NE(handle, nullptr);
  font->SetColor(clYellow);
  EXPECT_EQ(font->Handle(), handle);
  font->SetColor(clYellow);  // the same value: no announcement
  font->SetStyle({fsBold});
  EXPECT_EQ(changes, 2);
}

TEST(Font, SwitchingBetweenFontsReusesTheirGDIFonts) {
  TOwnedPtr<TFont> font(Construct<TFont>());
  TOwnedPtr<TFont> twin(Construct<TFont>());
  font->SetSize(10);
  const HFONT small = font->Handle();
  font->SetSize(20);
  const HFONT large = font->Handle();
  EXPECT_NE(large, small);
  font->SetSize(10);
  EXPECT_EQ(font->Handle(), small);
  twin->SetSize(10);
  EXPECT_EQ(twin->Handle(), small);
}

TEST(Brush, PublishedStyleAndColour) {
  TOwnedPtr<TBrush> brush(Construct<TBrush>());
  const TPropInfo* style = TBrush::ClassInfo.FindProperty("Style");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->Type->ValueOf("bsClear"), 1);
  style->Set(brush.get(), std::int64_t{bsClear});
  EXPECT_EQ(brush->Style(), bsClear);
  brush->SetColor(clRed);  // a colour makes a clear brush solid again
  EXPECT_EQ(brush->Style(), bsSolid);
  EXPECT_NE(TPen::ClassInfo.FindProperty("Width"), nullptr);
}

TEST(Canvas, DrawingWithoutAContextAsksForOneAndFailsWhenNoneComes) {
  TOwnedPtr<TCanvas> plain(Construct<TCanvas>());
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { plain->TextOut(0, 0, "x"); }),
            "Canvas does not allow drawing");
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { plain->TextWidth("x"); }),
            "Canvas does not allow drawing");
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { plain->FillRect(Rect(0, 0, 1, 1)); }),
            "Canvas does not allow drawing");
  plain->Draw(0, 0, nullptr);  // nothing to draw: no context needed

  auto c = NewCanvas(8, 8);
  c->Refuse = true;
  EXPECT_THROW(c->TextOut(0, 0, "x"), EInvalidOperation);
  EXPECT_EQ(c->Requests, 1);
  c->Refuse = false;
  c->FillRect(Rect(0, 0, 1, 1));
  c->TextWidth("abc");
  c->TextOut(0, 0, "a");
  EXPECT_EQ(c->Requests, 2);  // held from then on
  c->SetHandle(nullptr);      // given back, as a surface's canvas does on Release
  EXPECT_FALSE(c->HandleAllocated());
  c->TextOut(0, 0, "a");
  EXPECT_EQ(c->Requests, 3);
}

TEST(Canvas, FillRectFillsExactlyTheRectangleWithTheBrush) {
  auto c = NewCanvas(10, 10);
  c->FillAll(kWhite);
  c->Brush()->SetColor(clRed);
  c->FillRect(Rect(2, 3, 7, 9));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 7 && y >= 3 && y < 9;
      ASSERT_EQ(c->Pixel(x, y), inside ? 0xFF0000u : kWhite) << x << "," << y;
    }
}

TEST(Canvas, TextLandsWhereItIsPutInItsColourWithinItsExtent) {
  auto c = NewCanvas(240, 60);
  c->FillAll(kWhite);
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetName("Comic Sans MS");
  c->Font()->SetColor(clNavy);
  c->Font()->SetSize(20);
  c->Font()->SetStyle({fsBold});
  const std::string text = "Score: 42";
  const int x = 17, y = 9;
  const int w = c->TextWidth(text);
  const int h = c->TextHeight(text);
  ASSERT_GT(w, 40);
  ASSERT_GT(h, 20);
  c->TextOut(x, y, text);

  const Box ink = ChangedBox(*c, kWhite);
  ASSERT_FALSE(ink.Empty());
  EXPECT_GE(ink.left, x - 1);
  EXPECT_LE(ink.right, x + w + 1);
  EXPECT_GE(ink.top, y);
  EXPECT_LE(ink.bottom, y + h);
  EXPECT_GT(ink.right - ink.left, w * 3 / 4);  // the ink spans the text, not a piece of it
  EXPECT_GT(ink.bottom - ink.top, h / 3);
  // Every touched pixel lies between white and navy; the strokes' insides are navy itself.
  int solid = 0;
  for (int py = ink.top; py < ink.bottom; ++py)
    for (int px = ink.left; px < ink.right; ++px) {
      const std::uint32_t p = c->Pixel(px, py);
      const std::uint32_t r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
      ASSERT_EQ(r, g) << px << "," << py;
      ASSERT_GE(b, r) << px << "," << py;
      solid += p == kNavy;
    }
  EXPECT_GT(solid, 20);
}

TEST(Canvas, ASolidBrushFillsTheTextCellAndOnlyIt) {
  auto c = NewCanvas(120, 40);
  c->FillAll(kWhite);
  c->Brush()->SetColor(clYellow);
  c->Font()->SetColor(clBlack);
  c->Font()->SetSize(10);
  const int w = c->TextWidth("12");
  const int h = c->TextHeight("12");
  c->TextOut(5, 4, "12");
  for (int y = 0; y < c->H; ++y)
    for (int x = 0; x < c->W; ++x) {
      const bool cell = x >= 5 && x < 5 + w && y >= 4 && y < 4 + h;
      ASSERT_EQ(c->Pixel(x, y) != kWhite, cell) << x << "," << y;
    }
  EXPECT_EQ(c->Pixel(5, 4), 0xFFFF00u);  // the cell's corner: yellow, no ink
}

TEST(Canvas, CopyRectCopiesBetweenCanvasesWithTheCopyMode) {
  auto source = NewCanvas(6, 6);
  auto target = NewCanvas(6, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) source->Bits[y * 6 + x] = static_cast<std::uint32_t>(y * 16 + x);
  target->FillAll(kWhite);
  target->CopyRect(Rect(1, 1, 3, 4), source.get(), Rect(2, 0, 4, 3));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x < 3 && y >= 1 && y < 4;
      const std::uint32_t expected =
          inside ? static_cast<std::uint32_t>((y - 1) * 16 + (x + 1)) : kWhite;
      ASSERT_EQ(target->Pixel(x, y), expected) << x << "," << y;
    }
  target->SetCopyMode(cmBlackness);
  target->CopyRect(Rect(0, 0, 1, 1), source.get(), Rect(5, 5, 6, 6));
  EXPECT_EQ(target->Pixel(0, 0), 0u);
}

}  // namespace
