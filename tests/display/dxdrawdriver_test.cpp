// The window and full-screen drivers: where the window driver's copy of the back buffer lands
// on the screen (at the control's origin, centred, stretched, cut to the window), repainting,
// the back buffer's memory, and the palette entries built from the device's colour table.
#include "display/dxdrawdriver.h"

#include <gtest/gtest.h>

#include "picture/dib.h"
#include "platform/gdi/gdi.h"
#include "platform/system/windows.h"
#include "tests/display/dxdraw_fixture.h"

namespace {

constexpr std::uint32_t kBack = 0x00336699;  // the back buffer's colour, 32-bit desktop
constexpr std::uint32_t kMark = 0x00FF0000;  // one marked pixel of it

class Presentation : public DeviceTest {
 protected:
  // A 200 x 100 device at (40, 30) of the form with a back buffer of the given size, started.
  void Start(int surfaceWidth, int surfaceHeight, TDXDrawOptions options) {
    dx->SetAlign(alNone);
    dx->SetAutoSize(false);
    dx->SetBounds(40, 30, 200, 100);
    dx->SetSize(surfaceWidth, surfaceHeight);
    dx->SetOptions(options);
    form->Show();
    ASSERT_TRUE(dx->CanDraw());
    ASSERT_EQ(dx->Surface()->Width(), surfaceWidth);
    platform::POINT p{0, 0};
    platform::ClientToScreen(dx->Handle(), p);
    origin = {p.x, p.y};
    dx->Surface()->Fill(kBack);
    dx->Surface()->SetPixel(0, 0, kMark);
    dx->Surface()->SetPixel(surfaceWidth - 1, surfaceHeight - 1, kMark);
  }
  // The screen's pixel at (x, y) of the device control.
  std::uint32_t Screen(int x, int y) { return dx->Primary()->GetPixel(origin.X + x, origin.Y + y); }

  TPoint origin;
};

TEST_F(Presentation, CentredInTheControl) {
  Start(100, 50, {doCenter});
  dx->Flip();
  // (200 - 100) / 2 = 50 across, (100 - 50) / 2 = 25 down.
  EXPECT_EQ(Screen(50, 25), kMark);
  EXPECT_EQ(Screen(51, 25), kBack);
  EXPECT_EQ(Screen(149, 74), kMark);
  EXPECT_EQ(Screen(49, 25), 0u);
  EXPECT_EQ(Screen(150, 74), 0u);
  EXPECT_EQ(Screen(50, 75), 0u);
}

TEST_F(Presentation, AtTheControlsOriginWithoutCentring) {
  Start(100, 50, {});
  dx->Flip();
  EXPECT_EQ(Screen(0, 0), kMark);
  EXPECT_EQ(Screen(99, 49), kMark);
  EXPECT_EQ(Screen(100, 49), 0u);
  EXPECT_EQ(Screen(99, 50), 0u);
}

TEST_F(Presentation, StretchedOverTheWholeControlWhateverTheCentring) {
  Start(100, 50, {doStretch, doCenter});
  dx->Flip();
  // Every source pixel covers 2 x 2 screen pixels.
  EXPECT_EQ(Screen(0, 0), kMark);
  EXPECT_EQ(Screen(1, 1), kMark);
  EXPECT_EQ(Screen(2, 2), kBack);
  EXPECT_EQ(Screen(199, 99), kMark);
  EXPECT_EQ(Screen(198, 98), kMark);
  EXPECT_EQ(Screen(197, 97), kBack);
  EXPECT_EQ(Screen(200, 50), 0u);
}

TEST_F(Presentation, ALargerBackBufferCentredStartsAboveAndLeftAndIsCutToTheWindow) {
  Start(300, 150, {doCenter});
  dx->Surface()->SetPixel(50, 25, kMark);
  dx->Surface()->SetPixel(249, 124, kMark);
  dx->Flip();
  // (200 - 300) / 2 = -50, (100 - 150) / 2 = -25: source (50, 25) lands on the control's origin.
  EXPECT_EQ(Screen(0, 0), kMark);
  EXPECT_EQ(Screen(199, 99), kMark);
  EXPECT_EQ(Screen(1, 1), kBack);
  EXPECT_EQ(Screen(-1, 0), 0u);
  EXPECT_EQ(Screen(0, -1), 0u);
  EXPECT_EQ(Screen(200, 99), 0u);
}

TEST_F(Presentation, TheOptionsThatChangeWhileRunningTakeEffectAtTheNextFlip) {
  Start(100, 50, {doCenter});
  dx->SetOptions({});
  dx->Flip();
  EXPECT_EQ(Screen(0, 0), kMark);
}

TEST_F(Presentation, PaintingPresentsAgainOnceHoweverOftenInvalidated) {
  Start(100, 50, {doCenter, doWaitVBlank});
  const std::size_t before = ddraw::PresentedFrames();
  dx->Invalidate();
  dx->Invalidate();
  app->ProcessMessages();
  EXPECT_EQ(ddraw::PresentedFrames(), before + 1);
  EXPECT_EQ(Screen(50, 25), kMark);
  // The vertical-blank wait is only left out for the repaint.
  EXPECT_TRUE(dx->NowOptions().Contains(doWaitVBlank));
}

TEST_F(Presentation, WithoutVideoMemoryTheBackBufferLiesInSystemMemory) {
  ddraw::SetVideoMemory(0);
  Start(100, 50, {doCenter});
  EXPECT_TRUE(dx->NowOptions().Contains(doSystemMemory));
  EXPECT_TRUE(dx->Surface()->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
  dx->Flip();
  EXPECT_EQ(Screen(50, 25), kMark);
}

TEST_F(Presentation, TheBackBufferGoesToVideoMemoryWhenThereIsRoom) {
  Start(100, 50, {doCenter});
  EXPECT_FALSE(dx->NowOptions().Contains(doSystemMemory));
  EXPECT_TRUE(dx->Surface()->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
}

TEST_F(Presentation, TheWindowDriversClipperFollowsTheDevicesWindow) {
  Start(100, 50, {doCenter});
  HWND bound = 0;
  ASSERT_EQ(dx->Clipper()->IClipper()->GetHWnd(&bound), DD_OK);
  EXPECT_EQ(bound, dx->Handle());
}

// ---- palette entries ----

TColorTable Ramp() {
  TColorTable t{};
  for (int i = 0; i < 256; ++i) t[i] = RGBQUAD{BYTE(255 - i), BYTE(i / 2), BYTE(i), BYTE(0x99)};
  return t;
}

class PaletteEntries : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ddraw::RegisterService();
  }
};

TEST_F(PaletteEntries, TheSystemKeepsItsTwentyColoursUnlessAll256AreAllowed) {
  PALETTEENTRY system[256];
  const HDC screen = GetDC(0);
  GetSystemPaletteEntries(screen, 0, 256, system);
  ReleaseDC(0, screen);
  const TColorTable table = Ramp();

  const TPaletteEntries kept = BuildPaletteEntries(table, false);
  const TPaletteEntries all = BuildPaletteEntries(table, true);
  for (int i = 0; i < 256; ++i) {
    const bool reserved = i < 10 || i >= 246;
    const PALETTEENTRY& k = kept[i];
    if (reserved) {
      EXPECT_EQ(k.peRed, system[i].peRed) << i;
      EXPECT_EQ(k.peGreen, system[i].peGreen) << i;
      EXPECT_EQ(k.peBlue, system[i].peBlue) << i;
    } else {
      EXPECT_EQ(k.peRed, i) << i;
      EXPECT_EQ(k.peGreen, i / 2) << i;
      EXPECT_EQ(k.peBlue, 255 - i) << i;
    }
    EXPECT_EQ(k.peFlags, 0x40) << i;
    EXPECT_EQ(all[i].peRed, i);
    EXPECT_EQ(all[i].peBlue, 255 - i);
    EXPECT_EQ(all[i].peFlags, 0x40);
  }
}

TEST_F(PaletteEntries, TheWrapperCreatesReadsAndWritesEntries) {
  TOwnedPtr<TDirectDraw> dd(Construct<TDirectDraw>(nullptr, false));
  auto* palette = Construct<TDirectDrawPalette>(dd.get());
  PALETTEENTRY e{1, 2, 3, 0};
  EXPECT_FALSE(palette->SetEntries(0, 1, &e));  // no platform palette yet
  EXPECT_THROW(palette->IPalette(), EDirectDrawPaletteError);

  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  for (int i = 0; i < 256; ++i) dib->ColorTable[i] = RGBQUAD{BYTE(i), 7, BYTE(255 - i), 0};
  palette->LoadFromDIB(dib.get());
  ASSERT_NE(palette->IDDPalette(), nullptr);
  EXPECT_EQ(palette->Entries(10).peRed, 245);
  EXPECT_EQ(palette->Entries(10).peGreen, 7);
  EXPECT_EQ(palette->Entries(10).peBlue, 10);
  palette->SetEntry(10, PALETTEENTRY{9, 8, 7, 0});
  EXPECT_EQ(palette->GetEntry(10).peRed, 9);
  EXPECT_EQ(dd->PaletteCount(), 1);
  palette->Free();
  EXPECT_EQ(dd->PaletteCount(), 0);
}

class EightBitScreen : public DeviceTest {};

TEST_F(EightBitScreen, TheDevicesColourTableBecomesThePaletteAndFollowsUpdates) {
  machine->SetScreenModes({{640, 480, 8}, {640, 480, 16}});
  dx->Display()->SetBitCount(8);
  dx->SetOptions({doFullScreen, doFlip, doAllowPalette256});
  dx->ColorTable = Ramp();
  form->Show();
  ASSERT_TRUE(dx->CanDraw());
  EXPECT_TRUE(dx->CanPaletteAnimation());
  EXPECT_EQ(dx->Palette()->GetEntry(0).peBlue, 255);
  EXPECT_EQ(dx->Palette()->GetEntry(200).peRed, 200);
  dx->ColorTable[200] = RGBQUAD{1, 2, 3, 0};
  dx->UpdatePalette();
  EXPECT_EQ(dx->Palette()->GetEntry(200).peRed, 3);
  EXPECT_EQ(dx->Palette()->GetEntry(200).peBlue, 1);
  // In window mode there is no palette animation.
  dx->Finalize();
  dx->SetOptions({doCenter});
  dx->Initialize();
  EXPECT_FALSE(dx->CanPaletteAnimation());
}

}  // namespace
