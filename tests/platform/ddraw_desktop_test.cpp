// How the emulated screen reaches the desktop: blits into the primary surface show in the window
// they belong to, at its place, once per blit, and the screen gives back what they showed; a
// vertical-blank wait makes the next frame wait for it; an exclusive window in a display mode of
// its own covers the monitor and comes back after.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/backend/headless/headless.h"
#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "platform/system/modules.h"
#include "platform/system/windows.h"

namespace {

using platform::HWND;

class DesktopPresentation : public ::testing::Test {
 protected:
  void SetUp() override {
    machine = &platform::headless::Install();
    ddraw::RegisterService();
    auto create = reinterpret_cast<DirectDrawCreateProc>(
        platform::GetProcAddress(platform::LoadLibrary("DDraw.dll"), "DirectDrawCreate"));
    ASSERT_NE(create, nullptr);
    ASSERT_EQ(create(nullptr, dd.Put(), nullptr), DD_OK);
    // A framed window whose client area is at (200, 100), with a child control at (40, 30).
    top = platform::CreateWindowEx(0, "game", platform::WS_CAPTION | platform::WS_VISIBLE, 200, 100,
                                   400, 300, 0, platform::DefWindowProc, nullptr);
    child = platform::CreateWindowEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE, 40, 30, 64,
                                     48, top, platform::DefWindowProc, nullptr);
  }
  void TearDown() override {
    dd.Reset();
    platform::UninstallBackend();
  }
  ComPtr<IDirectDrawSurface> Surface(DWORD caps, int w = 0, int h = 0) {
    DDSURFACEDESC desc;
    desc.dwSize = kSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS | (w ? DDSD_WIDTH | DDSD_HEIGHT : 0);
    desc.dwWidth = DWORD(w);
    desc.dwHeight = DWORD(h);
    desc.ddsCaps.dwCaps = caps;
    ComPtr<IDirectDrawSurface> s;
    EXPECT_EQ(dd->CreateSurface(&desc, s.Put(), nullptr), DD_OK);
    return s;
  }
  // The screen in window mode, its blits clipped to the child control.
  ComPtr<IDirectDrawSurface> WindowScreen() {
    EXPECT_EQ(dd->SetCooperativeLevel(top, DDSCL_NORMAL), DD_OK);
    auto primary = Surface(DDSCAPS_PRIMARYSURFACE);
    ComPtr<IDirectDrawClipper> clipper;
    EXPECT_EQ(dd->CreateClipper(0, clipper.Put(), nullptr), DD_OK);
    if (!primary || !clipper) return {};
    clipper->SetHWnd(0, child);
    primary->SetClipper(clipper.Get());
    return primary;
  }
  // The colour of a pixel of a 32-bit surface, read through a lock.
  static std::uint32_t PixelAt(IDirectDrawSurface* s, int x, int y) {
    DDSURFACEDESC desc;
    desc.dwSize = kSurfaceDescSize;
    std::uint32_t v = 0;
    EXPECT_EQ(s->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    std::memcpy(&v, static_cast<std::uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * 4, 4);
    s->Unlock(nullptr);
    return v & 0xFFFFFF;
  }
  static void Fill(IDirectDrawSurface* s, std::uint32_t value, const RECT* r = nullptr) {
    DDBLTFX fx;
    fx.dwSize = sizeof fx;
    fx.dwFillColor = value;
    ASSERT_EQ(s->Blt(r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  }

  platform::headless::HeadlessBackend* machine = nullptr;
  ComPtr<IDirectDraw> dd;
  HWND top = 0, child = 0;
};

TEST_F(DesktopPresentation, ABlitToTheScreenShowsInTheTopLevelWindowAtTheControlsPlace) {
  auto primary = WindowScreen();
  ASSERT_TRUE(primary);
  auto back = Surface(DDSCAPS_OFFSCREENPLAIN, 64, 48);
  Fill(back.Get(), 0x112233);
  const RECT corner{10, 20, 30, 25};
  Fill(back.Get(), 0xFF8000, &corner);

  // The control's client area on the screen: (200 + 40, 100 + 30).
  const RECT onScreen{240, 130, 304, 178};
  ASSERT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
  ASSERT_EQ(primary->Blt(&onScreen, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
  const platform::headless::CapturedFrame* f = machine->LastFrame(top);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->target, (RECT{40, 30, 104, 78}));  // in the top-level window's client area
  EXPECT_EQ(f->width, 64);
  EXPECT_EQ(f->height, 48);
  EXPECT_EQ(f->Pixel(0, 0), 0x112233u);
  EXPECT_EQ(f->Pixel(10, 20), 0xFF8000u);
  EXPECT_EQ(f->Pixel(29, 24), 0xFF8000u);
  EXPECT_EQ(f->Pixel(30, 24), 0x112233u);
  EXPECT_TRUE(f->waitedForVBlank);

  ASSERT_EQ(primary->Blt(&onScreen, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_FALSE(machine->LastFrame(top)->waitedForVBlank);  // only the frame after a wait waits
  EXPECT_EQ(machine->PresentedFrames(), 2u);
}

// A plain blit into a window goes to the desktop straight from its source, and the screen's own
// pixels there are fetched back from the window when the screen is next read or written.
TEST_F(DesktopPresentation, TheScreenHoldsWhatWasBlittedIntoAWindowThoughTheSourceChangesAfter) {
  auto primary = WindowScreen();
  ASSERT_TRUE(primary);
  auto back = Surface(DDSCAPS_OFFSCREENPLAIN, 64, 48);
  const RECT onScreen{240, 130, 304, 178};
  Fill(back.Get(), 0x112233);
  const RECT corner{10, 20, 30, 25};
  Fill(back.Get(), 0xFF8000, &corner);
  ASSERT_EQ(primary->Blt(&onScreen, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
  Fill(back.Get(), 0x445566);  // the next frame begins in the source
  EXPECT_EQ(machine->LastFrame(top)->Pixel(10, 20), 0xFF8000u);
  EXPECT_EQ(PixelAt(primary.Get(), 240, 130), 0x112233u);
  EXPECT_EQ(PixelAt(primary.Get(), 250, 150), 0xFF8000u);
  EXPECT_EQ(PixelAt(primary.Get(), 303, 177), 0x112233u);
  EXPECT_EQ(PixelAt(primary.Get(), 239, 130), 0u);  // outside the window nothing was written

  // A blit into part of the window keeps the rest of the frame before it; the screen as the
  // source of a blit gives both.
  ASSERT_EQ(primary->Blt(&onScreen, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
  auto small = Surface(DDSCAPS_OFFSCREENPLAIN, 8, 8);
  Fill(small.Get(), 0x00FF00);
  const RECT part{250, 140, 258, 148};
  ASSERT_EQ(primary->Blt(&part, small.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
  Fill(back.Get(), 0);
  Fill(small.Get(), 0);
  auto copy = Surface(DDSCAPS_OFFSCREENPLAIN, 64, 48);
  ASSERT_EQ(copy->Blt(nullptr, primary.Get(), &onScreen, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(PixelAt(copy.Get(), 0, 0), 0x445566u);
  EXPECT_EQ(PixelAt(copy.Get(), 10, 10), 0x00FF00u);
  EXPECT_EQ(PixelAt(copy.Get(), 17, 17), 0x00FF00u);
  EXPECT_EQ(PixelAt(copy.Get(), 18, 18), 0x445566u);
  EXPECT_EQ(PixelAt(copy.Get(), 63, 47), 0x445566u);

  // A presenter of a test's own is given the screen's pixels, never a source's.
  std::vector<std::uint32_t> seen;
  ddraw::SetPresenter([&](const ddraw::PresentedFrame& frame) {
    EXPECT_EQ(frame.origin, (POINT{0, 0}));
    std::uint32_t v = 0;
    std::memcpy(&v, frame.pixels.Row(frame.changed.top) + frame.changed.left * 4, 4);
    seen.push_back(v & 0xFFFFFF);
  });
  Fill(back.Get(), 0xABCDEF);
  ASSERT_EQ(primary->Blt(&onScreen, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{0xABCDEF}));
}

// A window closed before the screen is read gives nothing back: the screen keeps what it had.
TEST_F(DesktopPresentation, AWindowClosedBeforeTheScreenIsReadLeavesTheScreensOlderPixels) {
  auto primary = WindowScreen();
  ASSERT_TRUE(primary);
  const RECT onScreen{240, 130, 304, 178};
  Fill(primary.Get(), 0x0000FF, &onScreen);
  auto back = Surface(DDSCAPS_OFFSCREENPLAIN, 64, 48);
  Fill(back.Get(), 0xFF0000);
  ASSERT_EQ(primary->Blt(&onScreen, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
  platform::DestroyWindow(top);
  EXPECT_EQ(PixelAt(primary.Get(), 250, 150), 0x0000FFu);
}

TEST_F(DesktopPresentation, AnExclusiveWindowInItsOwnModeCoversTheMonitorAndComesBack) {
  const RECT before = machine->ClientRect(top);
  ASSERT_EQ(dd->SetCooperativeLevel(top, 0x1051), DD_OK);
  ASSERT_EQ(dd->SetDisplayMode(640, 480, 16), DD_OK);
  ASSERT_TRUE(machine->Window(top)->fullScreen);
  RECT r;
  platform::GetWindowRect(top, r);
  EXPECT_EQ(r, (RECT{0, 0, 640, 480}));  // the window is the emulated screen

  DDSURFACEDESC desc;
  desc.dwSize = kSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 1;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  ComPtr<IDirectDrawSurface> front;
  ASSERT_EQ(dd->CreateSurface(&desc, front.Put(), nullptr), DD_OK);
  DDSCAPS caps{DDSCAPS_BACKBUFFER};
  ComPtr<IDirectDrawSurface> back;
  ASSERT_EQ(front->GetAttachedSurface(&caps, back.Put()), DD_OK);
  Fill(back.Get(), 0xF800);  // red in 5-6-5
  ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  const platform::headless::CapturedFrame* f = machine->LastFrame(top);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->target, (RECT{0, 0, 640, 480}));
  EXPECT_EQ(f->bitCount, 16);
  EXPECT_EQ(f->Pixel(639, 479), 0xFF0000u);

  front.Reset();
  back.Reset();
  dd.Reset();  // letting go of the object gives the desktop its mode and the window its place
  EXPECT_FALSE(machine->Window(top)->fullScreen);
  EXPECT_EQ(machine->ClientRect(top), before);
  platform::GetWindowRect(top, r);
  EXPECT_EQ(r, before);
}

}  // namespace
