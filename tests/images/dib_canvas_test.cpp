// Pictures on GDI: the canvas and device bitmap, drawing a picture onto another canvas through
// its colour table, the colour-matching pattern the surfaces use, and conversion from other
// graphic kinds.
#include <gtest/gtest.h>

#include <random>

#include "picture/dib.h"
#include "tests/images/dib_support.h"
#include "tests/support/headless_machine.h"
#include "tests/support/raises.h"

namespace {

TOwnedPtr<TDIB> NewDIB() { return TOwnedPtr<TDIB>(Construct<TDIB>()); }

// A 32-bit target whose pixels read as 0x00RRGGBB.
TOwnedPtr<TDIB> Target(int w, int h) {
  auto dib = NewDIB();
  dib->SetSize(w, h, 32);
  return dib;
}

std::uint32_t RGBOf(const RGBQUAD& q) {
  return (std::uint32_t{q.rgbRed} << 16) | (std::uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
}

// An 8-bit picture with a colour table of its own and pixel (x, y) = (x + 3y) mod 7.
TOwnedPtr<TDIB> Paletted(int w, int h) {
  auto dib = NewDIB();
  for (int i = 0; i < 7; ++i)
    dib->ColorTable[i] = RGBQUAD{static_cast<BYTE>(30 * i), static_cast<BYTE>(255 - 20 * i),
                                 static_cast<BYTE>(7 * i + 1), 0};
  dib->SetSize(w, h, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dib->SetPixels(x, y, static_cast<std::uint32_t>((x + 3 * y) % 7));
  return dib;
}

void ExpectDrawnTwiceAsLarge(TDIB& source, TDIB& target, int left, int top) {
  for (int y = 0; y < 2 * source.Height(); ++y)
    for (int x = 0; x < 2 * source.Width(); ++x) {
      const std::uint32_t index = source.Pixels(x / 2, y / 2);
      ASSERT_EQ(target.Pixels(left + x, top + y), RGBOf(source.ColorTable[index])) << x << "," << y;
    }
}

TEST(DIBCanvas, TheCanvasTurnsTheImageIntoADeviceBitmapWithTheSamePixels) {
  auto dib = Paletted(5, 4);
  EXPECT_TRUE(dib->MemoryImage());
  EXPECT_EQ(dib->Handle(), nullptr);
  TCanvas* canvas = dib->Canvas();
  EXPECT_FALSE(dib->MemoryImage());
  EXPECT_NE(dib->Handle(), nullptr);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(dib->Pixels(x, y), (x + 3u * y) % 7) << x << "," << y;
  // Drawing on the canvas shows in the pixels: the brush colour is matched to entry 6.
  const RGBQUAD& entry = dib->ColorTable[6];
  canvas->Brush()->SetColor(entry.rgbRed | entry.rgbGreen << 8 | entry.rgbBlue << 16);
  canvas->FillRect(Rect(1, 1, 3, 2));
  EXPECT_EQ(dib->Pixels(1, 1), 6u);
  EXPECT_EQ(dib->Pixels(2, 1), 6u);
  EXPECT_EQ(dib->Pixels(3, 1), (3u + 3u) % 7);
  EXPECT_EQ(dib->Canvas(), canvas);
}

TEST(DIBCanvas, ACanvasTakenWhileEmptyDrawsOnceThePictureHasASize) {
  auto dib = NewDIB();
  TCanvas* canvas = dib->Canvas();
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { canvas->TextWidth("x"); }),
            "Canvas does not allow drawing");
  dib->SetSize(30, 20, 32);
  EXPECT_TRUE(dib->MemoryImage());
  EXPECT_GT(canvas->TextWidth("x"), 0);  // the canvas fetched the new device bitmap
  EXPECT_FALSE(dib->MemoryImage());
  canvas->Brush()->SetColor(clWhite);
  canvas->FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(dib->Pixels(1, 1), 0xFFFFFFu);
}

TEST(DIBCanvas, APictureTooLargeForADeviceBitmapIsRefusedWhenReadNotWhenDrawn) {
  // 40000 x 30000 pixels of run-length data: small to keep, but more than a DIB section can
  // hold. The reader refuses it, so no canvas ever asks for its device bitmap.
  const Bytes data = {0, 1};
  auto dib = NewDIB();
  dib->ReadData(*StreamOf(InfoDIB({.Width = 3,
                                   .Height = 2,
                                   .BitCount = 8,
                                   .Compression = 1,
                                   .SizeImage = 2,
                                   .Colors = RampColors(256),
                                   .Pixels = data})));
  EXPECT_EQ(MessageOf<EInvalidGraphic>([&] {
              dib->ReadData(*StreamOf(InfoDIB({.Width = 40000,
                                               .Height = 30000,
                                               .BitCount = 8,
                                               .Compression = 1,
                                               .SizeImage = 2,
                                               .Colors = RampColors(256),
                                               .Pixels = data})));
            }),
            "DIB is invalid");
  EXPECT_TRUE(dib->Compressed());
  EXPECT_EQ(dib->Width(), 3);
  EXPECT_EQ(dib->Size(), 2);
  dib->Canvas();
  EXPECT_FALSE(dib->MemoryImage());
  EXPECT_NE(dib->Handle(), nullptr);
}

TEST(DIBCanvas, DrawingOnASharedPictureLeavesItsCopyAlone) {
  auto a = Target(4, 4);
  TCanvas* canvas = a->Canvas();
  auto b = NewDIB();
  b->Assign(a.get());
  EXPECT_EQ(a->ImageRefCount(), 2);
  canvas->Brush()->SetColor(clRed);
  canvas->FillRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(a->Pixels(2, 2), 0xFF0000u);
  EXPECT_EQ(b->Pixels(2, 2), 0u);
  EXPECT_EQ(a->ImageRefCount(), 1);
}

TEST(DIBDraw, APicturesColoursLandStretchedFromMemoryDeviceAndRunLengthImages) {
  auto source = Paletted(6, 3);
  auto target = Target(20, 10);
  target->Canvas()->StretchDraw(Rect(3, 2, 15, 8), source.get());
  ExpectDrawnTwiceAsLarge(*source, *target, 3, 2);
  EXPECT_EQ(target->Pixels(2, 2), 0u);
  EXPECT_EQ(target->Pixels(15, 7), 0u);

  // The same from a device bitmap.
  auto device = NewDIB();
  device->Assign(source.get());
  device->Canvas();
  ASSERT_FALSE(device->MemoryImage());
  auto second = Target(20, 10);
  second->Canvas()->StretchDraw(Rect(3, 2, 15, 8), device.get());
  ExpectDrawnTwiceAsLarge(*source, *second, 3, 2);

  // And from run-length data, drawn without expanding it first.
  auto packed = NewDIB();
  packed->Assign(source.get());
  packed->Compress();
  ASSERT_TRUE(packed->Compressed());
  auto third = Target(20, 10);
  third->Canvas()->StretchDraw(Rect(3, 2, 15, 8), packed.get());
  EXPECT_TRUE(packed->Compressed());
  ExpectDrawnTwiceAsLarge(*source, *third, 3, 2);
}

TEST(DIBDraw, DrawPutsThePictureAtItsOwnSizeAndAnEmptyOneDrawsNothing) {
  auto source = Paletted(3, 2);
  auto target = Target(8, 8);
  target->Canvas()->Draw(4, 5, source.get());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      ASSERT_EQ(target->Pixels(4 + x, 5 + y), RGBOf(source->ColorTable[source->Pixels(x, y)]));
  auto empty = NewDIB();
  target->Canvas()->Draw(0, 0, empty.get());
  EXPECT_EQ(target->Pixels(0, 0), 0u);
}

// What a surface's colour matching does: a 1x1 picture whose single entry is the colour,
// drawn onto the target.
std::uint32_t MatchedOn(TDIB& target, TColor color) {
  auto one = NewDIB();
  one->SetSize(1, 1, 8);
  one->ColorTable[0] = RGBQUAD{static_cast<BYTE>(color >> 16), static_cast<BYTE>(color >> 8),
                               static_cast<BYTE>(color), 0};
  one->UpdatePalette();
  one->SetPixels(0, 0, 0);
  target.Canvas()->Draw(0, 0, one.get());
  return target.Pixels(0, 0);
}

TEST(DIBDraw, ASingleEntryPictureMatchesColoursInSixteenBitFormats) {
  auto f565 = NewDIB();
  f565->PixelFormat = kPixelFormat565;
  f565->SetSize(2, 2, 16);
  EXPECT_EQ(MatchedOn(*f565, clWhite), 0xFFFFu);
  EXPECT_EQ(MatchedOn(*f565, clBlack), 0u);
  EXPECT_EQ(MatchedOn(*f565, clRed), 0xF800u);
  auto f555 = NewDIB();
  f555->PixelFormat = kPixelFormat555;
  f555->SetSize(2, 2, 16);
  EXPECT_EQ(MatchedOn(*f555, clWhite), 0x7FFFu);
  EXPECT_EQ(MatchedOn(*f555, clBlue), 0x001Fu);
}

TEST(DIBDraw, EqualColourTablesShareOnePalette) {
  auto a = Paletted(2, 2);
  auto b = Paletted(3, 3);
  const int before = TPaletteManager::Instance().Count();
  const HPALETTE pa = a->GetPalette();
  ASSERT_NE(pa, nullptr);
  EXPECT_EQ(b->GetPalette(), pa);
  EXPECT_EQ(TPaletteManager::Instance().Count(), before + 1);
  b->ColorTable[0] = RGBQUAD{1, 1, 1, 0};
  b->UpdatePalette();
  EXPECT_NE(b->GetPalette(), pa);
  EXPECT_EQ(TPaletteManager::Instance().Count(), before + 2);
  a.reset();
  b.reset();
  EXPECT_EQ(TPaletteManager::Instance().Count(), before);
}

using DIBDrawFailure = HeadlessTest;

TEST_F(DIBDrawFailure, AFailedCopyFromAMemoryImageSoundsTheBeep) {
  const HDC gone = CreateCompatibleDC(nullptr);
  DeleteDC(gone);
  TOwnedPtr<TCanvas> canvas(Construct<TCanvas>());
  canvas->SetHandle(gone);
  auto source = Paletted(2, 2);
  canvas->Draw(0, 0, source.get());
  EXPECT_EQ(machine->Beeps(), 1);
  canvas->SetHandle(nullptr);
}

// A graphic of another kind: a block of one colour.
class TBlockGraphic : public TGraphic {
  DECLARE_CLASSINFO(TBlockGraphic);
  void Draw(TCanvas& ACanvas, const TRect& Rect) override {
    ACanvas.Brush()->SetColor(clLime);
    ACanvas.FillRect(Rect);
  }
  bool Empty() const override { return false; }
  std::int32_t Height() const override { return 3; }
  std::int32_t Width() const override { return 5; }
  void SetHeight(std::int32_t) override {}
  void SetWidth(std::int32_t) override {}
  void LoadFromStream(TStream&) override {}
  void SaveToStream(TStream&) override {}
};
IMPLEMENT_CLASS(TBlockGraphic, TGraphic)

TEST(DIBAssign, OtherGraphicsAreConvertedAndPicturesHandTheirGraphicOver) {
  TOwnedPtr<TBlockGraphic> block(Construct<TBlockGraphic>());
  auto dib = NewDIB();
  dib->Assign(block.get());
  EXPECT_EQ(dib->Width(), 5);
  EXPECT_EQ(dib->Height(), 3);
  EXPECT_EQ(dib->BitCount(), 24);
  EXPECT_EQ(dib->Pixels(4, 2), 0x00FF00u);

  TOwnedPtr<TPicture> picture(Construct<TPicture>());
  picture->SetGraphic(dib.get());
  auto other = NewDIB();
  other->Assign(picture.get());
  EXPECT_EQ(other->PBitsReadOnly(),
            static_cast<TDIB*>(picture->Graphic())->PBitsReadOnly());  // shared, not copied
  other->Assign(nullptr);
  EXPECT_TRUE(other->Empty());
}

}  // namespace
