// The image list on a running display device: pictures become keyed surfaces when the device
// starts, are built anew when it restores (also after lost surfaces), go when it stops, and
// the list lets go of a device that is destroyed. Pixels drawn are compared with the pictures.
#include "images/imagelist.h"

#include <gtest/gtest.h>

#include <functional>

#include "display/dxdraw.h"
#include "display/dxdrawdisplay.h"
#include "display/surface.h"
#include "picture/dib.h"
#include "platform/backend/headless/headless.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"

namespace {

using PixelFn = std::function<TColor(int x, int y)>;

// A 24-bit picture whose pixel (x, y) has the colour f(x, y).
void SetPicture(TPictureCollectionItem* item, int w, int h, const PixelFn& f) {
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  dib->SetSize(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dib->SetPixels(x, y, std::uint32_t(f(x, y)) & 0xFFFFFF);
  TOwnedPtr<TPicture> picture(new TPicture());
  picture->SetGraphic(dib.get());
  item->SetPicture(picture.get());
}

// A sight: white border, red inside.
TColor Sight(int x, int y) { return x == 0 || y == 0 || x == 7 || y == 7 ? clWhite : clRed; }
// Black and colours: the background that is drawn whole.
TColor Backdrop(int x, int y) {
  return (x + y) % 3 == 0 ? clBlack : TColor(0x102030 + x + y * 256);
}

class ImageListOnDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::Install();
    ddraw::RegisterService();
    app.reset(new TApplication());
    form = app->CreateForm<TForm>();
    form->SetClientWidth(160);
    form->SetClientHeight(120);
    dxdraw = Construct<TDXDraw>(form);
    dxdraw->SetOptions({doAllowReboot, doWaitVBlank, doCenter});
    dxdraw->SetParent(form);
    dxdraw->SetBounds(0, 0, 160, 120);
    list = Construct<TDXImageList>(form);
    list->SetDXDraw(dxdraw);

    backdrop = Add("Bakgrund");
    SetPicture(backdrop, 64, 48, Backdrop);
    backdrop->SetTransparent(false);
    sight = Add("Sikte");
    SetPicture(sight, 8, 8, Sight);
    sight->SetTransparentColor(clWhite);
    empty = Add("Ledig");
  }
  void TearDown() override {
    app.reset();
    platform::UninstallBackend();
  }

  TPictureCollectionItem* Add(const std::string& name) {
    auto* item = static_cast<TPictureCollectionItem*>(list->Items()->Add());
    item->SetName(name);
    return item;
  }
  TDirectDrawSurface* Target() { return dxdraw->Surface(); }

  // Draws pattern 0 of item at (x, y) onto a back buffer filled with `ground`, and checks the
  // w x h area there against f: a pixel of the key colour shows the ground when keyed.
  void ExpectDrawn(TPictureCollectionItem* item, int x, int y, int w, int h, const PixelFn& f,
                   std::optional<TColor> key, int pattern = 0) {
    TDirectDrawSurface* t = Target();
    const std::uint32_t ground = t->ColorMatch(TColor(0x0A0B0C));
    t->Fill(ground);
    item->Draw(t, x, y, pattern);
    for (int py = 0; py < h; ++py)
      for (int px = 0; px < w; ++px) {
        const TColor c = f(px, py);
        const std::uint32_t want = key && c == *key ? ground : t->ColorMatch(c);
        ASSERT_EQ(t->GetPixel(x + px, y + py), want) << "at " << px << ", " << py;
      }
    // Nothing beside the picture.
    if (x > 0) {
      EXPECT_EQ(t->GetPixel(x - 1, y), ground);
    }
    if (x + w < t->Width()) {
      EXPECT_EQ(t->GetPixel(x + w, y + h - 1), ground);
    }
  }

  TOwnedPtr<TApplication> app;
  TForm* form = nullptr;
  TDXDraw* dxdraw = nullptr;
  TDXImageList* list = nullptr;
  TPictureCollectionItem *backdrop = nullptr, *sight = nullptr, *empty = nullptr;
};

TEST_F(ImageListOnDevice, StartingTheDeviceBuildsOneKeyedSurfacePerPicture) {
  EXPECT_EQ(backdrop->SurfaceCount(), 0);
  dxdraw->Initialize();
  ASSERT_TRUE(dxdraw->Initialized());
  EXPECT_TRUE(list->Items()->Initialized());
  EXPECT_EQ(list->Items()->DXDraw(), dxdraw);
  for (TPictureCollectionItem* item : {backdrop, sight}) {
    EXPECT_TRUE(item->Initialized());
    EXPECT_EQ(item->SurfaceCount(), 1);
    EXPECT_EQ(item->PatternCount(), 1);
    EXPECT_EQ(item->PatternRects(0), Rect(0, 0, item->Width(), item->Height()));
    EXPECT_EQ(item->PatternSurfaces(0), item->Surfaces(0));
    EXPECT_EQ(item->PatternSurfaces(1), nullptr);
  }
  EXPECT_EQ(backdrop->Surfaces(0)->Width(), 64);
  // Built twice at the start (initialise, then restore): only the second set remains.
  EXPECT_EQ(dxdraw->DDraw()->SurfaceCount(), 2 + 2);  // two pictures, primary and back buffer
  EXPECT_EQ(empty->SurfaceCount(), 0);
  EXPECT_EQ(empty->PatternCount(), 0);
  EXPECT_EQ(empty->Width(), 0);

  ExpectDrawn(backdrop, 5, 7, 64, 48, Backdrop, std::nullopt);  // black pixels drawn too
  ExpectDrawn(sight, 30, 20, 8, 8, Sight, clWhite);
  // Pattern 1 does not exist, the empty item has nothing: nothing drawn, nothing raised.
  const std::uint32_t ground = Target()->GetPixel(0, 0);
  sight->Draw(Target(), 0, 0, 1);
  sight->Draw(Target(), 0, 0, -1);
  empty->Draw(Target(), 0, 0, 0);
  EXPECT_EQ(Target()->GetPixel(1, 1), ground);
}

TEST_F(ImageListOnDevice, ShowingTheFormStartsTheDeviceAndTheListWithIt) {
  form->Show();
  ASSERT_TRUE(dxdraw->Initialized());
  EXPECT_EQ(sight->SurfaceCount(), 1);
  ExpectDrawn(sight, 0, 0, 8, 8, Sight, clWhite);
}

TEST_F(ImageListOnDevice, ARestoreRebuildsEveryPictureFromItsCurrentPixels) {
  dxdraw->Initialize();
  SetPicture(sight, 8, 8, [](int x, int) { return x < 4 ? clWhite : clYellow; });
  ExpectDrawn(sight, 0, 0, 8, 8, Sight, clWhite);  // the surface still holds the old picture
  dxdraw->Restore();
  ExpectDrawn(
      sight, 0, 0, 8, 8, [](int x, int) { return x < 4 ? clWhite : clYellow; }, clWhite);
  // A picture that has gone empty leaves nothing to draw.
  sight->SetPicture(nullptr);
  dxdraw->Restore();
  EXPECT_EQ(sight->SurfaceCount(), 0);
  const std::uint32_t ground = Target()->GetPixel(0, 0);
  sight->Draw(Target(), 4, 4, 0);
  EXPECT_EQ(Target()->GetPixel(5, 5), ground);
}

TEST_F(ImageListOnDevice, LostSurfacesComeBackWithTheirPicturesAtTheNextCanDraw) {
  dxdraw->Initialize();
  ddraw::LoseAllSurfaces();
  ASSERT_TRUE(dxdraw->CanDraw());
  ExpectDrawn(backdrop, 0, 0, 64, 48, Backdrop, std::nullopt);
  ExpectDrawn(sight, 90, 60, 8, 8, Sight, clWhite);
}

TEST_F(ImageListOnDevice, StoppingDropsTheSurfacesAndStartingAgainGivesFreshKeyedOnes) {
  dxdraw->Initialize();
  TDirectDraw* dd = dxdraw->DDraw();
  EXPECT_EQ(dd->SurfaceCount(), 4);
  dxdraw->Finalize();
  EXPECT_FALSE(list->Items()->Initialized());
  EXPECT_EQ(list->Items()->DXDraw(), nullptr);
  for (TPictureCollectionItem* item : {backdrop, sight}) {
    EXPECT_FALSE(item->Initialized());
    EXPECT_EQ(item->SurfaceCount(), 0);
    EXPECT_EQ(item->PatternRects(0), TRect{});
    EXPECT_EQ(item->Width(), item == sight ? 8 : 64);  // the pictures stay
  }
  EXPECT_EQ(list->DXDraw(), dxdraw);  // still bound, for the next start
  dxdraw->Initialize();
  EXPECT_EQ(sight->SurfaceCount(), 1);
  ExpectDrawn(sight, 3, 3, 8, 8, Sight, clWhite);
}

TEST_F(ImageListOnDevice, ANewKeyColourReKeysTheSurfacesAtOnce) {
  dxdraw->Initialize();
  sight->SetTransparentColor(clRed);
  ExpectDrawn(sight, 10, 10, 8, 8, Sight, clRed);
  sight->SetTransparent(false);
  ExpectDrawn(sight, 10, 10, 8, 8, Sight, std::nullopt);
}

TEST_F(ImageListOnDevice, BindingToARunningDeviceBuildsAtOnceAndUnbindingDropsThem) {
  list->SetDXDraw(nullptr);
  dxdraw->Initialize();
  EXPECT_EQ(sight->SurfaceCount(), 0);
  list->SetDXDraw(dxdraw);
  EXPECT_EQ(sight->SurfaceCount(), 1);
  ExpectDrawn(sight, 0, 0, 8, 8, Sight, clWhite);
  list->SetDXDraw(nullptr);
  EXPECT_EQ(sight->SurfaceCount(), 0);
  EXPECT_EQ(dxdraw->DDraw()->SurfaceCount(), 2);
  // Unbound, a restore of the device concerns the list no more.
  dxdraw->Restore();
  EXPECT_EQ(sight->SurfaceCount(), 0);
}

TEST_F(ImageListOnDevice, ADestroyedDeviceIsLetGoAndTheListLivesOn) {
  dxdraw->Initialize();
  dxdraw->Free();
  EXPECT_EQ(list->DXDraw(), nullptr);
  EXPECT_EQ(list->Items()->DXDraw(), nullptr);
  EXPECT_EQ(sight->SurfaceCount(), 0);
  EXPECT_FALSE(sight->Initialized());
  EXPECT_EQ(sight->Width(), 8);
  list->Free();  // nothing left to let go of
}

TEST_F(ImageListOnDevice, FreeingTheListWhileTheDeviceRunsGivesItsSurfacesBack) {
  dxdraw->Initialize();
  list->Free();
  EXPECT_EQ(dxdraw->DDraw()->SurfaceCount(), 2);
  dxdraw->Restore();  // the device no longer calls the list
  dxdraw->Finalize();
}

TEST_F(ImageListOnDevice, CopyingAnItemOntoARunningOneRebuildsIt) {
  dxdraw->Initialize();
  sight->Assign(backdrop);
  EXPECT_EQ(sight->Name(), "Sikte");
  EXPECT_EQ(sight->SurfaceCount(), 1);
  ExpectDrawn(sight, 0, 0, 64, 48, Backdrop, std::nullopt);
}

// Cell (cx, cy) of a pattern sheet in one colour, the free space between cells in another.
TColor Cells(int x, int y, int w, int h, int skipW, int skipH) {
  const int cx = x / (w + skipW), cy = y / (h + skipH);
  if (x % (w + skipW) >= w || y % (h + skipH) >= h) return clWhite;
  return TColor(0x010000 * (cx % 200 + 1) + 0x100 * (cy + 1) + 0x40);
}

TEST_F(ImageListOnDevice, PatternsOfASheetDrawTheirOwnCells) {
  for (bool systemMemory : {false, true}) {
    SCOPED_TRACE(systemMemory ? "system memory" : "video memory");
    TPictureCollectionItem* sheet = Add("Ark");
    SetPicture(sheet, 100, 43, [](int x, int y) { return Cells(x, y, 20, 20, 5, 3); });
    sheet->SetPatternWidth(20);
    sheet->SetPatternHeight(20);
    sheet->SetSkipWidth(5);
    sheet->SetSkipHeight(3);
    sheet->SetSystemMemory(systemMemory);
    sheet->SetTransparent(false);
    EXPECT_EQ(sheet->PatternCount(), 8);
    dxdraw->Initialize();
    ASSERT_EQ(sheet->PatternCount(), 8);
    ASSERT_EQ(sheet->SurfaceCount(), 1);
    EXPECT_EQ(sheet->Surfaces(0)->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY,
              systemMemory ? DWORD(DDSCAPS_SYSTEMMEMORY) : 0u);
    for (int i : {0, 3, 6}) {
      const int cx = i % 4, cy = i / 4;
      ExpectDrawn(
          sheet, 7, 9, 20, 20,
          [&](int x, int y) { return Cells(cx * 25 + x, cy * 23 + y, 20, 20, 5, 3); }, std::nullopt,
          i);
    }
    dxdraw->Finalize();
    sheet->Free();
  }
}

TEST_F(ImageListOnDevice, AWideSheetInVideoMemoryIsCutIntoBlocksThatStillDrawEveryCell) {
  TPictureCollectionItem* sheet = Add("Lång");
  SetPicture(sheet, 5000, 20, [](int x, int y) { return Cells(x, y, 20, 20, 0, 0); });
  sheet->SetPatternWidth(20);
  sheet->SetPatternHeight(20);
  sheet->SetTransparent(false);
  dxdraw->Initialize();
  ASSERT_EQ(sheet->SurfaceCount(), 3);
  EXPECT_EQ(sheet->Surfaces(0)->Width(), 2060);
  EXPECT_EQ(sheet->Surfaces(1)->Width(), 2060);
  EXPECT_EQ(sheet->Surfaces(2)->Width(), 880);
  EXPECT_EQ(sheet->PatternCount(), 250);
  EXPECT_EQ(sheet->PatternSurfaces(103), sheet->Surfaces(1));
  EXPECT_EQ(sheet->PatternRects(103), Rect(0, 0, 20, 20));
  for (int i : {0, 102, 103, 205, 206, 249}) {
    SCOPED_TRACE("pattern " + std::to_string(i));
    ExpectDrawn(
        sheet, 40, 30, 20, 20, [&](int x, int y) { return Cells(i * 20 + x, y, 20, 20, 0, 0); },
        std::nullopt, i);
  }
}

}  // namespace

// In full screen the surfaces take the mode's pixel format; a key colour that the format
// cannot hold exactly still matches the picture's own pixels of that colour after loading.
class ImageListInFullScreen : public ImageListOnDevice,
                              public ::testing::WithParamInterface<int> {};

TEST_P(ImageListInFullScreen, TheKeyMatchesTheConvertedPixelsOfItsColour) {
  const TColor odd = TColor(0x13579B);
  const PixelFn picture = [&](int x, int y) { return (x + y) % 2 ? odd : Backdrop(x, y); };
  SetPicture(sight, 12, 10, picture);
  sight->SetTransparentColor(odd);
  dxdraw->Display()->SetWidth(640);
  dxdraw->Display()->SetHeight(480);
  dxdraw->Display()->SetBitCount(GetParam());
  dxdraw->SetOptions({doFullScreen, doFlip, doAllowReboot, doWaitVBlank, doCenter});
  dxdraw->Initialize();
  ASSERT_TRUE(dxdraw->CanDraw());
  ASSERT_EQ(Target()->BitCount(), GetParam());
  ASSERT_EQ(sight->Surfaces(0)->BitCount(), GetParam());
  ExpectDrawn(sight, 100, 100, 12, 10, picture, odd);
}

INSTANTIATE_TEST_SUITE_P(Depths, ImageListInFullScreen, ::testing::Values(8, 16, 32));
