// The software drawing service: loading, interfaces, surfaces, blits with keys, clippers and
// mirroring, locks, device contexts, loss and restore, video memory, flip chains and modes.
#include "platform/ddraw/ddraw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/backend/headless/headless.h"
#include "platform/ddraw/service.h"
#include "platform/gdi/gdi.h"
#include "platform/system/machine.h"
#include "platform/system/modules.h"
#include "platform/system/windows.h"

namespace {

using platform::headless::HeadlessBackend;

class DrawingService : public ::testing::Test {
 protected:
  void SetUp() override {
    machine = &platform::headless::Install();
    ddraw::RegisterService();
    auto create = reinterpret_cast<DirectDrawCreateProc>(
        platform::GetProcAddress(platform::LoadLibrary("ddraw.dll"), "DirectDrawCreate"));
    ASSERT_NE(create, nullptr);
    ASSERT_EQ(create(nullptr, dd.Put(), nullptr), DD_OK);
    ASSERT_EQ(dd->SetCooperativeLevel(0, DDSCL_NORMAL), DD_OK);
  }
  void TearDown() override {
    dd.Reset();
    platform::UninstallBackend();
  }

  ComPtr<IDirectDrawSurface> Make(int w, int h, int bits, DWORD caps = DDSCAPS_OFFSCREENPLAIN) {
    DDSURFACEDESC desc;
    desc.dwSize = kSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = DWORD(w);
    desc.dwHeight = DWORD(h);
    desc.ddsCaps.dwCaps = caps;
    desc.ddpfPixelFormat.dwFlags = bits == 8 ? DDPF_RGB | DDPF_PALETTEINDEXED8 : DDPF_RGB;
    desc.ddpfPixelFormat.dwRGBBitCount = DWORD(bits);
    if (bits == 16) {
      desc.ddpfPixelFormat.dwRBitMask = 0xF800, desc.ddpfPixelFormat.dwGBitMask = 0x07E0;
      desc.ddpfPixelFormat.dwBBitMask = 0x001F;
    } else if (bits > 16) {
      desc.ddpfPixelFormat.dwRBitMask = 0xFF0000, desc.ddpfPixelFormat.dwGBitMask = 0xFF00;
      desc.ddpfPixelFormat.dwBBitMask = 0xFF;
    }
    ComPtr<IDirectDrawSurface> s;
    last = dd->CreateSurface(&desc, s.Put(), nullptr);
    return s;
  }
  static std::uint32_t Pixel(IDirectDrawSurface* s, int x, int y) {
    DDSURFACEDESC d;
    d.dwSize = kSurfaceDescSize;
    if (s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr) != DD_OK) return 0xDEADBEEF;
    std::uint32_t v = 0;
    const auto* row = static_cast<std::uint8_t*>(d.lpSurface) + std::ptrdiff_t(y) * d.lPitch;
    std::memcpy(&v, row + x * (d.ddpfPixelFormat.dwRGBBitCount / 8),
                d.ddpfPixelFormat.dwRGBBitCount / 8);
    s->Unlock(d.lpSurface);
    return v;
  }
  static void SetPixel(IDirectDrawSurface* s, int x, int y, std::uint32_t v) {
    DDSURFACEDESC d;
    d.dwSize = kSurfaceDescSize;
    ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    auto* row = static_cast<std::uint8_t*>(d.lpSurface) + std::ptrdiff_t(y) * d.lPitch;
    std::memcpy(row + x * (d.ddpfPixelFormat.dwRGBBitCount / 8), &v,
                d.ddpfPixelFormat.dwRGBBitCount / 8);
    s->Unlock(d.lpSurface);
  }
  static HRESULT Fill(IDirectDrawSurface* s, std::uint32_t value, const RECT* r = nullptr) {
    DDBLTFX fx;
    fx.dwSize = sizeof fx;
    fx.dwFillColor = value;
    return s->Blt(r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  }

  HeadlessBackend* machine = nullptr;
  ComPtr<IDirectDraw> dd;
  HRESULT last = DD_OK;
};

TEST_F(DrawingService, TheObjectAnswersItsFourthAndSeventhInterfacesAndItsCapabilities) {
  ComPtr<IDirectDraw4> dd4;
  ComPtr<IDirectDraw7> dd7;
  EXPECT_EQ(dd->QueryInterface(IID_IDirectDraw4, dd4.PutVoid()), DD_OK);
  EXPECT_EQ(dd->QueryInterface(IID_IDirectDraw7, dd7.PutVoid()), DD_OK);
  ComPtr<IUnknown> other;
  EXPECT_EQ(dd->QueryInterface(IID_IDirectDrawGammaControl, other.PutVoid()), E_NOINTERFACE);
  DDCAPS_DX6 hardware, emulation;
  hardware.dwSize = emulation.dwSize = 380;
  ASSERT_EQ(dd->GetCaps(&hardware, &emulation), DD_OK);
  EXPECT_TRUE(hardware.dwCaps & DDCAPS_COLORKEY);
  EXPECT_EQ(hardware.dwCaps2 & DDCAPS2_PRIMARYGAMMA, 0u);
  hardware.dwSize = 100;
  EXPECT_EQ(dd->GetCaps(&hardware, nullptr), DDERR_INVALIDPARAMS);

  auto createEx = reinterpret_cast<DirectDrawCreateExProc>(
      platform::GetProcAddress(platform::LoadLibrary("DDraw.dll"), "DirectDrawCreateEx"));
  ComPtr<IDirectDraw7> made;
  EXPECT_EQ(createEx(nullptr, made.PutVoid(), IID_IDirectDraw7, nullptr), DD_OK);
  EXPECT_TRUE(made);
  int drivers = 0;
  auto enumerate = reinterpret_cast<DirectDrawEnumerateWProc>(
      platform::GetProcAddress(platform::LoadLibrary("DDraw.dll"), "DirectDrawEnumerateW"));
  enumerate(
      [](GUID* guid, const wchar_t*, const wchar_t*, void* n) -> BOOL {
        EXPECT_EQ(guid, nullptr);
        ++*static_cast<int*>(n);
        return true;
      },
      &drivers);
  EXPECT_EQ(drivers, 1);
}

TEST_F(DrawingService, SurfacesFollowTheScreensFormatUnlessTheyAskForOne) {
  DDSURFACEDESC desc;
  desc.dwSize = kSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = 10, desc.dwHeight = 5;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  ComPtr<IDirectDrawSurface> plain;
  ASSERT_EQ(dd->CreateSurface(&desc, plain.Put(), nullptr), DD_OK);
  DDSURFACEDESC got;
  got.dwSize = kSurfaceDescSize;
  ASSERT_EQ(plain->GetSurfaceDesc(&got), DD_OK);
  EXPECT_EQ(got.dwWidth, 10u);
  EXPECT_EQ(got.ddpfPixelFormat.dwRGBBitCount, 32u);
  EXPECT_TRUE(got.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
  EXPECT_GE(got.lPitch, 40);
  got.dwSize = 100;
  EXPECT_EQ(plain->GetSurfaceDesc(&got), DDERR_INVALIDPARAMS);
  desc.dwWidth = 0;
  EXPECT_EQ(dd->CreateSurface(&desc, plain.Put(), nullptr), DDERR_INVALIDPARAMS);
  EXPECT_FALSE(plain);
}

TEST_F(DrawingService, ColourKeyedCopiesSkipKeyPixelsInEveryDepth) {
  for (int bits : {8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    auto src = Make(4, 1, bits), dst = Make(4, 1, bits);
    ASSERT_TRUE(src && dst);
    for (int x = 0; x < 4; ++x) SetPixel(src.Get(), x, 0, x == 1 ? 0 : 0x55 + x);
    SetPixel(src.Get(), 3, 0, 7);
    ASSERT_EQ(Fill(dst.Get(), 9), DD_OK);
    DDCOLORKEY key{7, 7};
    ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    ASSERT_EQ(dst->BltFast(0, 0, src.Get(), nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT),
              DD_OK);
    EXPECT_EQ(Pixel(dst.Get(), 0, 0), 0x55u);
    EXPECT_EQ(Pixel(dst.Get(), 1, 0), 0u);  // 0 is not the key here
    EXPECT_EQ(Pixel(dst.Get(), 3, 0), 9u);  // key-coloured: not written
    // Without the key flag every pixel is copied.
    ASSERT_EQ(dst->BltFast(0, 0, src.Get(), nullptr, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(Pixel(dst.Get(), 3, 0), 7u);
    // Blt with a key on a longer row exercises the wide path too.
    auto wideSrc = Make(37, 2, bits), wideDst = Make(37, 2, bits);
    Fill(wideSrc.Get(), 3);
    SetPixel(wideSrc.Get(), 20, 1, 0);
    SetPixel(wideSrc.Get(), 36, 1, 0);
    Fill(wideDst.Get(), 1);
    DDCOLORKEY three{3, 3};
    wideSrc->SetColorKey(DDCKEY_SRCBLT, &three);
    ASSERT_EQ(wideDst->Blt(nullptr, wideSrc.Get(), nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr),
              DD_OK);
    EXPECT_EQ(Pixel(wideDst.Get(), 19, 1), 1u);
    EXPECT_EQ(Pixel(wideDst.Get(), 20, 1), 0u);
    EXPECT_EQ(Pixel(wideDst.Get(), 36, 1), 0u);
    EXPECT_EQ(Pixel(wideDst.Get(), 0, 0), 1u);
  }
}

TEST_F(DrawingService, RectanglesOutsideEitherSurfaceAreRefused) {
  auto src = Make(8, 8, 16), dst = Make(16, 16, 16);
  const RECT bad[] = {{-1, 0, 4, 4}, {0, 0, 9, 4},          {4, 4, 2, 6},
                      {3, 3, 3, 5},  {0, 0, 0x7FFFFFFF, 4}, {-0x7FFFFFFF - 1, 0, 0x7FFFFFFF, 1}};
  for (const RECT& r : bad) {
    EXPECT_EQ(dst->BltFast(0, 0, src.Get(), &r, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->Blt(nullptr, src.Get(), &r, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    RECT asDest = r;
    asDest.right = r.right == 9 ? 17 : r.right;
    EXPECT_EQ(dst->Blt(&asDest, src.Get(), nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
  }
  EXPECT_EQ(dst->BltFast(9, 0, src.Get(), nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  EXPECT_EQ(dst->BltFast(0xFFFFFFF0u, 0, src.Get(), nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  EXPECT_EQ(dst->BltFast(8, 8, src.Get(), nullptr, DDBLTFAST_WAIT), DD_OK);
  auto other = Make(8, 8, 32);
  EXPECT_EQ(dst->BltFast(0, 0, other.Get(), nullptr, DDBLTFAST_WAIT), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(DrawingService, AClipperConfinesBltAndMakesBltFastRefuse) {
  auto src = Make(8, 8, 32), dst = Make(8, 8, 32);
  Fill(src.Get(), 5);
  Fill(dst.Get(), 0);
  ComPtr<IDirectDrawClipper> clipper;
  ASSERT_EQ(dd->CreateClipper(0, clipper.Put(), nullptr), DD_OK);
  struct {
    RGNDATAHEADER rdh;
    RECT rects[2];
  } list;
  list.rdh.nCount = 2;
  list.rdh.nRgnSize = sizeof list.rects;
  list.rects[0] = {0, 0, 2, 2};
  list.rects[1] = {6, 6, 20, 20};  // cut to the surface
  ASSERT_EQ(clipper->SetClipList(reinterpret_cast<RGNDATA*>(&list), 0), DD_OK);
  ASSERT_EQ(dst->SetClipper(clipper.Get()), DD_OK);
  EXPECT_EQ(dst->BltFast(0, 0, src.Get(), nullptr, DDBLTFAST_WAIT), DDERR_BLTFASTCANTCLIP);
  const RECT spill{-4, -4, 12, 12};  // past every edge: a clipper allows that
  ASSERT_EQ(dst->Blt(&spill, src.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Pixel(dst.Get(), 0, 0), 5u);
  EXPECT_EQ(Pixel(dst.Get(), 1, 1), 5u);
  EXPECT_EQ(Pixel(dst.Get(), 2, 2), 0u);
  EXPECT_EQ(Pixel(dst.Get(), 7, 7), 5u);
  EXPECT_EQ(Pixel(dst.Get(), 5, 7), 0u);
  ComPtr<IDirectDrawClipper> back;
  EXPECT_EQ(dst->GetClipper(back.Put()), DD_OK);
  EXPECT_EQ(back.Get(), clipper.Get());
  ASSERT_EQ(dst->SetClipper(nullptr), DD_OK);
  EXPECT_EQ(dst->GetClipper(back.Put()), DDERR_NOCLIPPERATTACHED);
  EXPECT_EQ(dst->BltFast(0, 0, src.Get(), nullptr, DDBLTFAST_WAIT), DD_OK);
}

TEST_F(DrawingService, AWindowClipperConfinesTheScreenToTheWindowsClientArea) {
  const HWND window =
      platform::CreateWindowEx(0, "w", platform::WS_CAPTION | platform::WS_VISIBLE, 100, 50, 40, 30,
                               0, platform::DefWindowProc, nullptr);
  ASSERT_NE(window, 0u);
  DDSURFACEDESC desc;
  desc.dwSize = kSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  ComPtr<IDirectDrawSurface> primary, second;
  ASSERT_EQ(dd->CreateSurface(&desc, primary.Put(), nullptr), DD_OK);
  EXPECT_EQ(dd->CreateSurface(&desc, second.Put(), nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
  std::vector<ddraw::PresentedFrame> frames;
  ddraw::SetPresenter([&](const ddraw::PresentedFrame& f) { frames.push_back(f); });
  ComPtr<IDirectDrawClipper> clipper;
  dd->CreateClipper(0, clipper.Put(), nullptr);
  clipper->SetHWnd(0, window);
  primary->SetClipper(clipper.Get());
  Fill(primary.Get(), 0);
  auto frame = Make(40, 30, 32);
  Fill(frame.Get(), 0x123456);
  const RECT target{90, 40, 150, 100};  // larger than the window: stretched, then clipped
  ASSERT_EQ(primary->Blt(&target, frame.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Pixel(primary.Get(), 100, 50), 0x123456u);
  EXPECT_EQ(Pixel(primary.Get(), 139, 79), 0x123456u);
  EXPECT_EQ(Pixel(primary.Get(), 140, 79), 0u);
  EXPECT_EQ(Pixel(primary.Get(), 99, 50), 0u);
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().window, window);
  EXPECT_EQ(frames.back().pixels.width, 1280);
  platform::ShowWindow(window, platform::SW_HIDE);
  Fill(primary.Get(), 0);
  EXPECT_EQ(Pixel(primary.Get(), 100, 50), 0x123456u);  // a hidden window shows nothing
  ddraw::SetPresenter(nullptr);
}

TEST_F(DrawingService, MirroredBltReflectsTheSource) {
  auto src = Make(3, 2, 32), dst = Make(3, 2, 32);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) SetPixel(src.Get(), x, y, std::uint32_t(1 + x + 3 * y));
  DDBLTFX fx;
  fx.dwSize = sizeof fx;
  fx.dwDDFX = DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN;
  ASSERT_EQ(dst->Blt(nullptr, src.Get(), nullptr, DDBLT_DDFX | DDBLT_WAIT, &fx), DD_OK);
  EXPECT_EQ(Pixel(dst.Get(), 0, 0), 6u);
  EXPECT_EQ(Pixel(dst.Get(), 2, 0), 4u);
  EXPECT_EQ(Pixel(dst.Get(), 2, 1), 1u);
  // Onto itself, mirrored left-right.
  fx.dwDDFX = DDBLTFX_MIRRORLEFTRIGHT;
  ASSERT_EQ(src->Blt(nullptr, src.Get(), nullptr, DDBLT_DDFX | DDBLT_WAIT, &fx), DD_OK);
  EXPECT_EQ(Pixel(src.Get(), 0, 0), 3u);
  EXPECT_EQ(Pixel(src.Get(), 2, 0), 1u);
}

TEST_F(DrawingService, ALockGivesPitchAndAddressAndKeepsBlitsAndContextsOut) {
  auto s = Make(5, 4, 16), other = Make(5, 4, 16);
  DDSURFACEDESC d;
  d.dwSize = kSurfaceDescSize;
  const RECT part{1, 2, 3, 4};
  ASSERT_EQ(s->Lock(&part, &d, DDLOCK_WAIT, nullptr), DD_OK);
  DDSURFACEDESC whole;
  whole.dwSize = kSurfaceDescSize;
  EXPECT_EQ(s->Lock(nullptr, &whole, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(Fill(s.Get(), 1), DDERR_SURFACEBUSY);
  EXPECT_EQ(other->BltFast(0, 0, s.Get(), nullptr, DDBLTFAST_WAIT), DDERR_SURFACEBUSY);
  HDC dc = nullptr;
  EXPECT_EQ(s->GetDC(&dc), DDERR_SURFACEBUSY);
  const std::uint16_t v = 0xBEEF;
  std::memcpy(d.lpSurface, &v, 2);
  ASSERT_EQ(s->Unlock(d.lpSurface), DD_OK);
  EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
  EXPECT_EQ(Pixel(s.Get(), 1, 2), 0xBEEFu);
  EXPECT_GE(d.lPitch, 10);
}

TEST_F(DrawingService, ADeviceContextDrawsIntoTheSurfaceUntilReleased) {
  auto s = Make(8, 8, 16);
  Fill(s.Get(), 0);
  HDC dc = nullptr;
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  HDC again = nullptr;
  EXPECT_EQ(s->GetDC(&again), DDERR_DCALREADYCREATED);
  EXPECT_EQ(Fill(s.Get(), 1), DDERR_SURFACEBUSY);
  DDSURFACEDESC d;
  d.dwSize = kSurfaceDescSize;
  EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  RECT r{2, 2, 4, 4};
  EXPECT_EQ(FillRect(dc, &r, white), 1);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 16);
  ASSERT_EQ(s->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(s->ReleaseDC(dc), DDERR_NODC);
  EXPECT_EQ(FillRect(dc, &r, white), 0);  // a released context draws nowhere
  EXPECT_EQ(Pixel(s.Get(), 2, 2), 0xFFFFu);
  EXPECT_EQ(Pixel(s.Get(), 4, 4), 0u);
  DeleteObject(white);
}

TEST_F(DrawingService, An8BitSurfaceTakesColoursThroughItsPalette) {
  auto s = Make(4, 1, 8), truecolor = Make(4, 1, 32);
  std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{0, 0, 0, 0});
  entries[5] = {255, 0, 0, 0};
  entries[9] = {0, 0, 255, 0};
  ComPtr<IDirectDrawPalette> palette;
  ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT, entries.data(), palette.Put(), nullptr), DD_OK);
  ASSERT_EQ(s->SetPalette(palette.Get()), DD_OK);
  EXPECT_EQ(truecolor->SetPalette(palette.Get()), DDERR_INVALIDPIXELFORMAT);
  Fill(s.Get(), 0);
  HDC dc;
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  HBRUSH nearlyBlue = CreateSolidBrush(RGB(10, 0, 240));
  RECT r{1, 0, 2, 1};
  FillRect(dc, &r, nearlyBlue);
  s->ReleaseDC(dc);
  EXPECT_EQ(Pixel(s.Get(), 1, 0), 9u);
  PALETTEENTRY read[2];
  EXPECT_EQ(palette->GetEntries(0, 5, 1, read), DD_OK);
  EXPECT_EQ(read[0].peRed, 255);
  EXPECT_EQ(palette->GetEntries(0, 255, 2, read), DDERR_INVALIDPARAMS);
  DeleteObject(nearlyBlue);
}

TEST_F(DrawingService, LostSurfacesRefuseWorkUntilRestoredWithoutTheirPixels) {
  auto s = Make(4, 4, 32), src = Make(4, 4, 32);
  Fill(s.Get(), 0x42);
  ComPtr<IDirectDrawSurface> twin;
  ASSERT_EQ(dd->DuplicateSurface(s.Get(), twin.Put()), DD_OK);
  ddraw::LoseAllSurfaces();
  EXPECT_EQ(s->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(twin->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(Fill(s.Get(), 1), DDERR_SURFACELOST);
  EXPECT_EQ(s->BltFast(0, 0, src.Get(), nullptr, 0), DDERR_SURFACELOST);
  HDC dc;
  EXPECT_EQ(s->GetDC(&dc), DDERR_SURFACELOST);
  DDSURFACEDESC d;
  d.dwSize = kSurfaceDescSize;
  EXPECT_EQ(s->Lock(nullptr, &d, 0, nullptr), DDERR_SURFACELOST);
  ASSERT_EQ(s->Restore(), DD_OK);
  EXPECT_EQ(s->IsLost(), DD_OK);
  EXPECT_EQ(twin->IsLost(), DD_OK);  // duplicates share the memory
  EXPECT_NE(Pixel(s.Get(), 0, 0), 0x42u);
  ASSERT_EQ(src->Restore(), DD_OK);
  EXPECT_EQ(Fill(s.Get(), 7), DD_OK);
  EXPECT_EQ(Pixel(twin.Get(), 3, 3), 7u);  // a duplicate sees the same pixels
}

TEST_F(DrawingService, VideoMemoryRunsOutIntoSystemMemory) {
  ddraw::SetVideoMemory(64 * 64 * 4);
  auto first = Make(64, 64, 32);
  ASSERT_TRUE(first);
  EXPECT_EQ(ddraw::VideoMemoryFree(), 0u);
  auto insisting = Make(8, 8, 32, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
  EXPECT_EQ(last, DDERR_OUTOFVIDEOMEMORY);
  EXPECT_FALSE(insisting);
  auto anywhere = Make(8, 8, 32);
  ASSERT_TRUE(anywhere);
  DDSURFACEDESC d;
  d.dwSize = kSurfaceDescSize;
  anywhere->GetSurfaceDesc(&d);
  EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
  EXPECT_FALSE(d.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
  first.Reset();  // freeing gives the memory back
  EXPECT_EQ(ddraw::VideoMemoryFree(), 64u * 64 * 4);
}

TEST_F(DrawingService, AFlipChainNeedsFullScreenAndSwapsItsBuffers) {
  const HWND window = platform::CreateWindowEx(0, "w", platform::WS_POPUP, 0, 0, 640, 480, 0,
                                               platform::DefWindowProc, nullptr);
  DDSURFACEDESC desc;
  desc.dwSize = kSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 1;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  ComPtr<IDirectDrawSurface> front;
  EXPECT_EQ(dd->CreateSurface(&desc, front.Put(), nullptr), DDERR_NOEXCLUSIVEMODE);
  ASSERT_EQ(dd->SetCooperativeLevel(window, 0x1051), DD_OK);
  EXPECT_EQ(dd->SetDisplayMode(641, 480, 16), DDERR_INVALIDMODE);
  auto old = Make(4, 4, 32);
  ASSERT_EQ(dd->SetDisplayMode(640, 480, 16), DD_OK);
  EXPECT_EQ(old->IsLost(), DDERR_SURFACELOST);  // a new mode takes the memory away
  DDSURFACEDESC mode;
  mode.dwSize = kSurfaceDescSize;
  ASSERT_EQ(dd->GetDisplayMode(&mode), DD_OK);
  EXPECT_EQ(mode.dwWidth, 640u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRBitMask, 0xF800u);

  ASSERT_EQ(dd->CreateSurface(&desc, front.Put(), nullptr), DD_OK);
  DDSCAPS caps{DDSCAPS_BACKBUFFER};
  ComPtr<IDirectDrawSurface> back;
  ASSERT_EQ(front->GetAttachedSurface(&caps, back.Put()), DD_OK);
  EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
  Fill(front.Get(), 1);
  Fill(back.Get(), 2);
  const std::size_t before = ddraw::PresentedFrames();
  ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(ddraw::PresentedFrames(), before + 1);
  EXPECT_EQ(Pixel(front.Get(), 0, 0), 2u);
  EXPECT_EQ(Pixel(back.Get(), 0, 0), 1u);
  EXPECT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
  EXPECT_EQ(dd->FlipToGDISurface(), DD_OK);
}

TEST_F(DrawingService, AnEightBitFullScreensPaletteIsTheSystemPaletteBesideTheReservedColours) {
  const HWND window = platform::CreateWindowEx(0, "w", platform::WS_POPUP, 0, 0, 640, 480, 0,
                                               platform::DefWindowProc, nullptr);
  ASSERT_EQ(dd->SetCooperativeLevel(window, 0x1051), DD_OK);
  ASSERT_EQ(dd->SetDisplayMode(640, 480, 8), DD_OK);
  DDSURFACEDESC desc;
  desc.dwSize = kSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  ComPtr<IDirectDrawSurface> primary;
  ASSERT_EQ(dd->CreateSurface(&desc, primary.Put(), nullptr), DD_OK);
  std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{1, 2, 3, 0});
  ComPtr<IDirectDrawPalette> palette;
  ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT, entries.data(), palette.Put(), nullptr), DD_OK);
  ASSERT_EQ(primary->SetPalette(palette.Get()), DD_OK);
  const PALETTEENTRY pink[2] = {{255, 128, 128, 0}, {9, 9, 9, 0}};
  ASSERT_EQ(palette->SetEntries(0, 100, 1, pink), DD_OK);
  ASSERT_EQ(palette->SetEntries(0, 5, 1, pink + 1), DD_OK);  // a reserved place
  HDC screen = GetDC(0);
  PALETTEENTRY system[256];
  ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, system), 256u);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 8);
  EXPECT_TRUE(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE);
  ReleaseDC(0, screen);
  EXPECT_EQ(system[100].peRed, 255);
  EXPECT_EQ(system[100].peGreen, 128);
  EXPECT_EQ(system[5].peRed, 128);  // the reserved colour stays
  // A surface without a palette of its own draws through the screen's.
  auto s = Make(2, 1, 8);
  HDC dc;
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  HBRUSH brush = CreateSolidBrush(RGB(250, 130, 125));
  RECT r{0, 0, 1, 1};
  FillRect(dc, &r, brush);
  s->ReleaseDC(dc);
  EXPECT_EQ(Pixel(s.Get(), 0, 0), 100u);
  DeleteObject(brush);
  dd->RestoreDisplayMode();
}

TEST_F(DrawingService, DisplayModesComeFromTheMachine) {
  machine->SetScreenModes({{640, 480, 8}, {640, 480, 16}, {320, 200, 12}, {800, 600, 32}});
  std::vector<DDSURFACEDESC> seen;
  dd->EnumDisplayModes(0, nullptr, &seen, [](DDSURFACEDESC* m, void* c) -> HRESULT {
    static_cast<std::vector<DDSURFACEDESC>*>(c)->push_back(*m);
    return DDENUMRET_OK;
  });
  ASSERT_EQ(seen.size(), 3u);  // 12 bits is no mode this service can show
  EXPECT_EQ(seen[0].ddpfPixelFormat.dwRGBBitCount, 8u);
  EXPECT_EQ(seen[2].dwWidth, 800u);
  int calls = 0;
  dd->EnumDisplayModes(0, nullptr, &calls, [](DDSURFACEDESC*, void* c) -> HRESULT {
    ++*static_cast<int*>(c);
    return DDENUMRET_CANCEL;
  });
  EXPECT_EQ(calls, 1);
}

TEST_F(DrawingService, AWholeSurfaceFillIsInPlaceWheneverThePixelsAreLookedAt) {
  auto s = Make(16, 4, 32), picture = Make(16, 4, 32), sprite = Make(4, 4, 32),
       other = Make(16, 4, 32);
  for (int x = 0; x < 16; ++x) SetPixel(picture.Get(), x, 1, 0x100 + x);
  SetPixel(sprite.Get(), 1, 1, 0x77);
  DDCOLORKEY zero{0, 0};
  sprite->SetColorKey(DDCKEY_SRCBLT, &zero);
  // Covered by an opaque copy of a whole picture: the picture's pixels.
  Fill(s.Get(), 5);
  ASSERT_EQ(s->BltFast(0, 0, picture.Get(), nullptr, DDBLTFAST_WAIT), DD_OK);
  EXPECT_EQ(Pixel(s.Get(), 3, 1), 0x103u);
  EXPECT_EQ(Pixel(s.Get(), 3, 0), 0u);
  // A keyed or partial copy leaves the fill showing around it.
  Fill(s.Get(), 6);
  ASSERT_EQ(s->BltFast(2, 0, sprite.Get(), nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
  EXPECT_EQ(Pixel(s.Get(), 3, 1), 0x77u);
  EXPECT_EQ(Pixel(s.Get(), 2, 0), 6u);
  EXPECT_EQ(Pixel(s.Get(), 15, 3), 6u);
  Fill(s.Get(), 7);
  const RECT part{0, 0, 8, 4};
  ASSERT_EQ(s->Blt(&part, picture.Get(), &part, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Pixel(s.Get(), 12, 1), 7u);
  // Read as a source, through a device context, or through a duplicate.
  Fill(s.Get(), 8);
  ASSERT_EQ(other->BltFast(0, 0, s.Get(), nullptr, 0), DD_OK);
  EXPECT_EQ(Pixel(other.Get(), 9, 2), 8u);
  Fill(s.Get(), 9);
  HDC dc;
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  s->ReleaseDC(dc);
  EXPECT_EQ(Pixel(s.Get(), 0, 0), 9u);
  ComPtr<IDirectDrawSurface> twin;
  dd->DuplicateSurface(s.Get(), twin.Put());
  Fill(twin.Get(), 10);
  ASSERT_EQ(s->BltFast(0, 0, twin.Get(), nullptr, 0), DD_OK);  // onto the same pixels
  EXPECT_EQ(Pixel(s.Get(), 5, 3), 10u);
}

TEST_F(DrawingService, ALibraryTakenOutOfTheCatalogueCannotBeLoaded) {
  platform::UnregisterBuiltinModule("DDraw.dll");
  EXPECT_EQ(platform::LoadLibrary("DDraw.dll"), nullptr);
  ddraw::RegisterService();
  EXPECT_NE(platform::LoadLibrary("DDRAW.DLL"), nullptr);
}

}  // namespace
