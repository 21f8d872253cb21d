// Drawing surfaces and their canvas on the software drawing service: sizing, fills, clipped,
// keyed and mirrored copies, colour matching, locks, pixels, loss, attachments, the canvas's
// device context, and one composed frame compared pixel for pixel with a model of it.
#include "display/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "display/directdraw.h"
#include "picture/dib.h"
#include "platform/backend/headless/headless.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "tests/support/png_dump.h"

namespace {

// What a test expects a raising call to say.
template <class E, class F>
std::string Raised(F&& call) {
  try {
    call();
  } catch (const E& e) {
    return e.what();
  }
  return "(nothing raised)";
}

// A fresh machine and drawing service, the screen in a 640 x 480 mode of the given depth.
class Surfaces : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    platform::headless::HeadlessBackend& machine = platform::headless::Install();
    // The usual modes and a 24-bit one, where pixels take three bytes each.
    std::vector<platform::ScreenMode> modes = platform::StandardScreenModes();
    modes.push_back({640, 480, 24});
    machine.SetScreenModes(modes);
    ddraw::RegisterService();
    ddraw::SetHighColorLayout(GetParam() == 15);
    dd = Construct<TDirectDraw>(nullptr, false);
    const int bits = GetParam() == 15 ? 16 : GetParam();
    ASSERT_EQ(dd->IDraw()->SetDisplayMode(640, 480, DWORD(bits)), DD_OK);
  }
  void TearDown() override {
    dd->Free();
    platform::UninstallBackend();
  }

  TDirectDrawSurface* Make(int w, int h) {
    auto* s = Construct<TDirectDrawSurface>(dd);
    s->SetSize(w, h);
    return s;
  }
  // A surface whose pixel (x, y) holds 1 + x + 64 * y, a device value in any depth here.
  TDirectDrawSurface* Numbered(int w, int h) {
    TDirectDrawSurface* s = Make(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) s->SetPixel(x, y, Number(x, y));
    return s;
  }
  static std::uint32_t Number(int x, int y) { return std::uint32_t(1 + x + 64 * y); }
  // Every pixel as the surface's memory holds it, low byte first, row by row: read through a
  // lock of the whole surface, independently of GetPixel.
  static std::vector<std::uint32_t> Memory(TDirectDrawSurface* s) {
    std::vector<std::uint32_t> pixels;
    DDSURFACEDESC desc;
    if (!s->Lock(desc)) {
      ADD_FAILURE() << "the surface cannot be locked";
      return pixels;
    }
    const int bytes = s->BitCount() / 8;
    for (int y = 0; y < s->Height(); ++y) {
      const auto* row = static_cast<const std::uint8_t*>(desc.lpSurface) + y * desc.lPitch;
      for (int x = 0; x < s->Width(); ++x) {
        std::uint32_t v = 0;
        for (int b = 0; b < bytes; ++b) v |= std::uint32_t(row[x * bytes + b]) << (8 * b);
        pixels.push_back(v);
      }
    }
    s->UnLock();
    return pixels;
  }

  TDirectDraw* dd = nullptr;
};

TEST_P(Surfaces, TheObjectKeepsItsInterfacesAndOwnsWhatIsMadeOnIt) {
  EXPECT_NE(dd->IDDraw(), nullptr);
  EXPECT_NE(dd->IDDraw4(), nullptr);
  EXPECT_EQ(dd->IDDraw7(), nullptr);  // made without the seventh interface
  EXPECT_EQ(Raised<EDirectDrawError>([&] { dd->IDraw7(); }), "IDirectDraw7 not made");
  EXPECT_EQ(dd->DriverCaps().dwSize, 380u);
  EXPECT_EQ(dd->DisplayMode().dwWidth, 640u);
  TOwnedPtr<TDirectDraw> seventh(Construct<TDirectDraw>(nullptr));
  EXPECT_NE(seventh->IDDraw7(), nullptr);
  TDirectDrawSurface* s = Make(8, 8);
  EXPECT_EQ(s->IDDSurface7(), nullptr);
  auto* other = Construct<TDirectDrawSurface>(seventh.get());
  other->SetSize(4, 4);
  EXPECT_NE(other->IDDSurface7(), nullptr);
  EXPECT_EQ(seventh->SurfaceCount(), 1);
  Construct<TDirectDrawPalette>(seventh.get());
  Construct<TDirectDrawClipper>(seventh.get());
  seventh.reset();  // frees the surface, palette and clipper made on it
  EXPECT_EQ(dd->SurfaceCount(), 1);
  s->Free();
  EXPECT_EQ(dd->SurfaceCount(), 0);
}

TEST_P(Surfaces, TheSecondDescriptionFormMakesSurfacesThroughTheFourthInterface) {
  TOwnedPtr<TDirectDraw> seventh(Construct<TDirectDraw>(nullptr));
  auto* s = Construct<TDirectDrawSurface>(seventh.get());
  DDSURFACEDESC2 desc;
  desc.dwSize = kSurfaceDesc2Size;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = 12;
  desc.dwHeight = 7;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  ASSERT_TRUE(s->CreateSurface(desc));
  EXPECT_EQ(s->Width(), 12);
  EXPECT_NE(s->IDDSurface4(), nullptr);
  EXPECT_NE(s->IDDSurface7(), nullptr);
  EXPECT_TRUE(s->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
  desc.dwWidth = 0;
  EXPECT_FALSE(s->CreateSurface(desc));  // a failed making leaves the surface empty
  EXPECT_EQ(s->IDDSurface(), nullptr);
  EXPECT_EQ(s->DXResult(), DDERR_INVALIDPARAMS);
  EXPECT_EQ(Raised<EDirectDrawSurfaceError>([&] { s->ISurface7(); }),
            "IDirectDrawSurface7 not made");
}

TEST_P(Surfaces, SizingMakesANewSurfaceAndZeroEmptiesIt) {
  TDirectDrawSurface* s = Make(20, 10);
  EXPECT_EQ(s->Width(), 20);
  EXPECT_EQ(s->Height(), 10);
  EXPECT_EQ(s->BitCount(), GetParam() == 15 ? 16 : GetParam());
  s->SetSize(0, 100);
  EXPECT_EQ(s->IDDSurface(), nullptr);
  EXPECT_EQ(s->Width(), 0);
  EXPECT_EQ(s->Height(), 0);
  s->Fill(0);  // nothing on an empty surface
  EXPECT_EQ(s->ColorMatch(clWhite), 0u);
  EXPECT_FALSE(s->Restore());
  EXPECT_FALSE(s->Lock());
  EXPECT_EQ(Raised<EDirectDrawSurfaceError>([&] { s->Canvas()->TextOut(0, 0, "x"); }),
            "IDirectDrawSurface not made");
  TDirectDrawSurface* target = Make(10, 10);
  target->Draw(0, 0, s, false);  // from an empty source
  s->Draw(0, 0, target, false);  // into an empty surface
  target->Draw(0, 0, nullptr, false);
  EXPECT_EQ(target->DXResult(), DD_OK);
}

TEST_P(Surfaces, VideoMemoryRunningOutPutsSurfacesInSystemMemory) {
  ddraw::SetVideoMemory(0);
  TDirectDrawSurface* s = Make(16, 16);
  EXPECT_TRUE(s->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
  s->SetSystemMemory(true);
  s->SetSize(8, 8);
  EXPECT_EQ(s->Width(), 8);
}

TEST_P(Surfaces, CopiesAreCutAtEachEdgeKeepingPixelsInPlace) {
  TDirectDrawSurface* screen = Make(640, 480);
  TDirectDrawSurface* picture = Numbered(50, 40);
  // Source pixel (sx, sy) of src lands at (X + sx - src.Left, Y + sy - src.Top), where both
  // surfaces have it.
  auto check = [&](int X, int Y, const char* what, const TRect& src = Rect(0, 0, 50, 40)) {
    SCOPED_TRACE(what);
    screen->Fill(0);
    screen->Draw(X, Y, src, picture, false);
    EXPECT_EQ(screen->DXResult(), DD_OK);
    for (int y = 0; y < 480; y += 1)
      for (int x = 0; x < 640; x += (y % 7 == 0 ? 1 : 13)) {
        const long long sx = static_cast<long long>(x) - X + src.Left,
                        sy = static_cast<long long>(y) - Y + src.Top;
        const bool copied = sx >= std::max(src.Left, 0) && sx < std::min(src.Right, 50) &&
                            sy >= std::max(src.Top, 0) && sy < std::min(src.Bottom, 40);
        const std::uint32_t expected = copied ? Number(int(sx), int(sy)) : 0;
        ASSERT_EQ(screen->GetPixel(x, y), expected) << x << "," << y;
      }
  };
  check(-10, 0, "left: source columns 10 to 49 land in columns 0 to 39");
  check(620, 0, "right: source columns 0 to 19 land in columns 620 to 639");
  check(100, -25, "top");
  check(100, 470, "bottom");
  check(-49, -39, "top-left corner, one pixel left");
  check(591, 0, "right by one: source columns 0 to 48 land in columns 591 to 639");
  check(639, 7, "right but one column: source column 0 lands in column 639");
  check(640, 10, "right edge: nothing");
  check(641, 10, "past the right edge: nothing");
  check(10, 480, "bottom edge: nothing");
  check(10, 481, "past the bottom edge: nothing");
  check(-50, 0, "left by the whole width: nothing");
  check(-2147483647 - 1, -2147483647 - 1, "as far left and up as can be: nothing");
  check(2147483647, 0, "as far right as can be: nothing");
  // Source rectangles reaching past the source are cut to it, the pixels kept in place.
  check(10, 5, "source one column past its right edge", Rect(1, 0, 51, 40));
  check(0, 0, "source past its right edge", Rect(0, 0, 57, 40));
  check(600, 14, "source past its right edge, placed past the screen's", Rect(0, 0, 60, 40));
  check(10, 5, "source past its left and top edges", Rect(-3, -2, 50, 40));
  check(10, 5, "source one row past its bottom edge", Rect(0, 1, 50, 41));
  // The whole-source form cuts the same way.
  screen->Fill(0);
  screen->Draw(-10, 0, picture, false);
  EXPECT_EQ(screen->GetPixel(0, 0), Number(10, 0));
  EXPECT_EQ(screen->GetPixel(39, 39), Number(49, 39));
  EXPECT_EQ(screen->GetPixel(40, 0), 0u);
  EXPECT_EQ(screen->DXResult(), DD_OK);
  screen->Fill(0);
  screen->Draw(591, 0, picture, false);
  EXPECT_EQ(screen->DXResult(), DD_OK);
  EXPECT_EQ(screen->GetPixel(590, 0), 0u);
  EXPECT_EQ(screen->GetPixel(591, 0), Number(0, 0));
  EXPECT_EQ(screen->GetPixel(639, 39), Number(48, 39));
  // Source rectangles spanning the whole 32-bit range, either way round, copy nothing.
  screen->Fill(0);
  screen->Draw(0, 0, Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), picture, false);
  screen->Draw(0, 0, Rect(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN), picture, false);
  EXPECT_EQ(screen->GetPixel(0, 0), 0u);
}

TEST_P(Surfaces, ANewSurfaceIsKeyedOnZeroUntilToldOtherwise) {
  TDirectDrawSurface* screen = Make(4, 1);
  TDirectDrawSurface* sprite = Make(4, 1);
  sprite->SetPixel(0, 0, 5), sprite->SetPixel(1, 0, 0), sprite->SetPixel(2, 0, 7),
      sprite->SetPixel(3, 0, 0);
  screen->Fill(9);
  screen->Draw(0, 0, sprite, true);
  EXPECT_EQ(screen->GetPixel(0, 0), 5u);
  EXPECT_EQ(screen->GetPixel(1, 0), 9u);  // key 0 never written
  EXPECT_EQ(screen->GetPixel(2, 0), 7u);
  screen->Draw(0, 0, sprite, false);  // opaque copies take key-coloured pixels too
  EXPECT_EQ(screen->GetPixel(1, 0), 0u);
  sprite->SetTransparentColor(7);
  screen->Fill(9);
  screen->Draw(0, 0, Rect(0, 0, 4, 1), sprite, true);
  EXPECT_EQ(screen->GetPixel(1, 0), 0u);
  EXPECT_EQ(screen->GetPixel(2, 0), 9u);
  sprite->SetSize(4, 1);  // sizing again: new pixels, key back at 0
  sprite->SetPixel(0, 0, 7);
  screen->Fill(9);
  screen->Draw(0, 0, sprite, true);
  EXPECT_EQ(screen->GetPixel(0, 0), 7u);
  EXPECT_EQ(screen->GetPixel(1, 0), 9u);
}

TEST_P(Surfaces, AMirroredSourceRectangleCopiesMirrored) {
  TDirectDrawSurface* screen = Make(20, 10);
  TDirectDrawSurface* picture = Numbered(6, 4);
  screen->Fill(0);
  screen->Draw(2, 3, Rect(6, 0, 0, 4), picture, false);  // left-right
  EXPECT_EQ(screen->GetPixel(2, 3), Number(5, 0));
  EXPECT_EQ(screen->GetPixel(7, 3), Number(0, 0));
  EXPECT_EQ(screen->GetPixel(7, 6), Number(0, 3));
  screen->Fill(0);
  screen->Draw(0, 0, Rect(0, 4, 6, 0), picture, false);  // up-down
  EXPECT_EQ(screen->GetPixel(0, 0), Number(0, 3));
  EXPECT_EQ(screen->GetPixel(5, 3), Number(5, 0));
  // Mirrored and cut at the left edge: the copy keeps its place relative to X.
  screen->Fill(0);
  screen->Draw(-2, 0, Rect(6, 0, 0, 4), picture, false);
  EXPECT_EQ(screen->GetPixel(0, 0), Number(3, 0));
  EXPECT_EQ(screen->GetPixel(3, 0), Number(0, 0));
  EXPECT_EQ(screen->GetPixel(4, 0), 0u);
  // Mirrored and cut at the right edge: the columns that land keep their place too.
  screen->Fill(0);
  screen->Draw(16, 0, Rect(6, 0, 0, 4), picture, false);
  EXPECT_EQ(screen->GetPixel(15, 0), 0u);
  EXPECT_EQ(screen->GetPixel(16, 0), Number(5, 0));
  EXPECT_EQ(screen->GetPixel(19, 3), Number(2, 3));
  screen->Fill(0);
  screen->Draw(-6, 0, Rect(6, 0, 0, 4), picture, false);  // X + width is 0: nothing
  EXPECT_EQ(screen->GetPixel(0, 0), 0u);
}

TEST_P(Surfaces, ColorMatchGivesBlackAndWhiteAndLeavesThePixelAsItWas) {
  TDirectDrawSurface* s = Make(3, 3);
  s->SetPixel(0, 0, 0x1234);
  const std::uint32_t white = GetParam() == 15 ? 0x7FFF : GetParam() == 16 ? 0xFFFF : 0xFFFFFF;
  EXPECT_EQ(s->ColorMatch(clWhite), white);
  EXPECT_EQ(s->GetPixel(0, 0), 0x1234u);
  EXPECT_EQ(s->ColorMatch(clBlack), 0u);
  EXPECT_EQ(s->GetPixel(0, 0), 0x1234u);
  const std::uint32_t red = GetParam() == 15 ? 0x7C00 : GetParam() == 16 ? 0xF800 : 0xFF0000;
  EXPECT_EQ(s->ColorMatch(clRed), red);
  EXPECT_EQ(s->ColorMatch(clNavy) != 0, true);
}

TEST_P(Surfaces, LocksNestAndThePlatformLockEndsWithTheLastUnlock) {
  TDirectDrawSurface* s = Make(8, 8);
  DDSURFACEDESC outer, inner, part;
  ASSERT_TRUE(s->Lock(outer));
  EXPECT_TRUE(s->IsLocked());
  ASSERT_TRUE(s->Lock(inner));
  EXPECT_EQ(inner.lpSurface, outer.lpSurface);
  EXPECT_FALSE(s->Lock(Rect(0, 0, 2, 2), part));  // a lock is open
  s->UnLock();
  EXPECT_TRUE(s->IsLocked());
  s->Fill(1);
  EXPECT_EQ(s->DXResult(), DDERR_SURFACEBUSY);  // still locked on the platform
  s->UnLock();
  EXPECT_FALSE(s->IsLocked());
  s->Fill(1);
  EXPECT_EQ(s->DXResult(), DD_OK);
  s->UnLock();  // nothing open: nothing happens
  ASSERT_TRUE(s->Lock(Rect(2, 3, 4, 5), part));
  EXPECT_EQ(static_cast<std::uint8_t*>(part.lpSurface),
            static_cast<std::uint8_t*>(outer.lpSurface) + 3 * outer.lPitch + 2 * s->BitCount() / 8);
  s->UnLock();
  EXPECT_EQ(s->GetPixel(-1, 0), 0u);
  EXPECT_EQ(s->GetPixel(8, 0), 0u);
  EXPECT_EQ(s->GetPixel(0, 8), 0u);
  s->SetPixel(8, 0, 3);  // outside: nothing
  EXPECT_EQ(s->GetPixel(7, 0), 1u);
}

TEST_P(Surfaces, PixelsAreFoundFromTheSurfacesCornerWhilePartOfItIsLocked) {
  TDirectDrawSurface* s = Numbered(8, 8);
  DDSURFACEDESC part;
  ASSERT_TRUE(s->Lock(Rect(2, 3, 5, 6), part));
  void* const corner = part.lpSurface;
  EXPECT_EQ(s->GetPixel(0, 0), Number(0, 0));
  EXPECT_EQ(s->GetPixel(1, 1), Number(1, 1));
  EXPECT_EQ(s->GetPixel(4, 4), Number(4, 4));
  EXPECT_EQ(s->GetPixel(7, 7), Number(7, 7));
  // Values whose bytes all differ show where each byte lands.
  const std::uint32_t wide = s->BitCount() >= 24 ? 0x123456 : 0x1234;
  s->SetPixel(0, 0, 0x11);
  s->SetPixel(1, 1, 0x22);
  s->SetPixel(4, 4, wide);  // inside the locked part
  s->SetPixel(7, 7, 0x33);  // the far corner, beyond the locked part's rows and columns
  EXPECT_EQ(s->GetPixel(4, 4), wide);
  EXPECT_EQ(s->GetPixel(7, 7), 0x33u);
  // Pixel access nested in the open lock and left it as it was.
  EXPECT_TRUE(s->IsLocked());
  DDSURFACEDESC nested;
  ASSERT_TRUE(s->Lock(nested));
  EXPECT_EQ(nested.lpSurface, corner);
  s->UnLock();
  s->UnLock();
  EXPECT_FALSE(s->IsLocked());

  const std::vector<std::uint32_t> memory = Memory(s);
  ASSERT_EQ(memory.size(), 64u);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      std::uint32_t expected = Number(x, y);
      if (x == 0 && y == 0) expected = 0x11;
      if (x == 1 && y == 1) expected = 0x22;
      if (x == 4 && y == 4) expected = wide;
      if (x == 7 && y == 7) expected = 0x33;
      ASSERT_EQ(memory[std::size_t(y * 8 + x)], expected) << x << "," << y;
    }
}

TEST_P(Surfaces, FilledRectanglesAreCutAtEachEdge) {
  TDirectDrawSurface* s = Make(20, 10);
  const struct {
    TRect rect;
    const char* what;
  } cases[] = {
      {Rect(15, 2, 25, 5), "past the right edge"},
      {Rect(19, 0, 21, 10), "the last column and one past it"},
      {Rect(-5, 3, 4, 6), "past the left edge"},
      {Rect(3, -4, 6, 2), "past the top edge"},
      {Rect(3, 8, 6, 11), "past the bottom edge"},
      {Rect(-100, -100, 100, 100), "past every edge"},
      {Rect(4, 1, 9, 7), "inside"},
      {Rect(20, 0, 30, 10), "right of the surface: nothing"},
      {Rect(0, 10, 20, 12), "below the surface: nothing"},
      {Rect(5, 5, 5, 8), "empty: nothing"},
      {Rect(8, 6, 4, 2), "upside down: nothing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    s->Fill(1);
    s->FillRect(c.rect, 9);
    EXPECT_EQ(s->DXResult(), DD_OK);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 20; ++x) {
        const bool filled =
            x >= c.rect.Left && x < c.rect.Right && y >= c.rect.Top && y < c.rect.Bottom;
        ASSERT_EQ(s->GetPixel(x, y), filled ? 9u : 1u) << x << "," << y;
      }
  }
}

TEST_P(Surfaces, ALostSurfaceDropsItsCopiesUntilRestored) {
  TDirectDrawSurface* screen = Make(10, 10);
  TDirectDrawSurface* picture = Numbered(4, 4);
  screen->Fill(0);
  ddraw::LoseAllSurfaces();
  screen->Draw(0, 0, picture, false);
  EXPECT_EQ(screen->DXResult(), DDERR_SURFACELOST);
  EXPECT_EQ(Raised<EInvalidOperation>([&] { screen->Canvas()->TextOut(0, 0, "x"); }),
            "Canvas does not allow drawing");
  EXPECT_EQ(screen->DXResult(), DDERR_SURFACELOST);
  EXPECT_TRUE(screen->Restore());
  EXPECT_TRUE(picture->Restore());
  screen->Fill(0);
  screen->Draw(0, 0, picture, false);
  EXPECT_EQ(screen->DXResult(), DD_OK);
  EXPECT_NE(screen->GetPixel(1, 1), Number(1, 1));  // the picture must be loaded again
}

TEST_P(Surfaces, TakingTheSameSurfaceAgainKeepsLocksClipperAndDescription) {
  TDirectDrawSurface* s = Make(8, 8);
  auto* clipper = Construct<TDirectDrawClipper>(dd);
  clipper->SetClipRects({Rect(0, 0, 4, 4)});
  s->SetClipper(clipper);
  ASSERT_TRUE(s->Lock());
  s->SetIDDSurface(s->IDDSurface());
  EXPECT_TRUE(s->IsLocked());
  s->UnLock();
  EXPECT_FALSE(s->IsLocked());
  // The clipper is still known: copies go through Blt and are confined to it.
  TDirectDrawSurface* picture = Numbered(8, 8);
  s->Fill(0);
  EXPECT_EQ(s->GetPixel(5, 5), 0u);
  s->Draw(0, 0, picture, false);
  EXPECT_EQ(s->DXResult(), DD_OK);
  EXPECT_EQ(s->GetPixel(3, 3), Number(3, 3));
  EXPECT_EQ(s->GetPixel(4, 4), 0u);
  s->SetClipper(nullptr);
  s->Draw(0, 0, picture, false);
  EXPECT_EQ(s->GetPixel(4, 4), Number(4, 4));
}

TEST_P(Surfaces, TheCanvasHoldsTheDeviceContextFromItsFirstDrawingToRelease) {
  TDirectDrawSurface* s = Make(64, 32);
  TDirectDrawSurface* picture = Numbered(4, 4);
  TDirectDrawSurfaceCanvas* canvas = s->Canvas();
  EXPECT_EQ(s->Canvas(), canvas);
  canvas->Release();  // nothing held: harmless
  canvas->Release();
  EXPECT_FALSE(canvas->HandleAllocated());
  canvas->Brush()->SetStyle(bsClear);
  EXPECT_GT(canvas->TextWidth("Hello"), 0);
  EXPECT_TRUE(canvas->HandleAllocated());
  s->Draw(0, 0, picture, false);  // the surface is busy while its context is out
  EXPECT_EQ(s->DXResult(), DDERR_SURFACEBUSY);
  canvas->Release();
  EXPECT_FALSE(canvas->HandleAllocated());
  s->Draw(0, 0, picture, false);
  EXPECT_EQ(s->DXResult(), DD_OK);
  // The canvas keeps its settings from one drawing to the next.
  canvas->Font()->SetHeight(-20);
  const int wide = canvas->TextWidth("Hello");
  canvas->Release();
  EXPECT_EQ(canvas->TextWidth("Hello"), wide);
  canvas->Release();
  s->Free();  // a surface goes with its canvas
}

TEST_P(Surfaces, LoadingAPictureSizesTheSurfaceAndConvertsItsColours) {
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  dib->SetSize(4, 2, 24);
  dib->SetPixels(0, 0, 0xFFFFFF);  // 24 bits: red + green * 256 + blue * 65536
  dib->SetPixels(1, 0, 0x0000FF);  // red
  dib->SetPixels(3, 1, 0xFF0000);  // blue
  TDirectDrawSurface* s = Construct<TDirectDrawSurface>(dd);
  s->LoadFromGraphicRect(dib.get(), 0, 0, Rect(0, 0, 4, 2));
  ASSERT_EQ(s->Width(), 4);
  EXPECT_EQ(s->GetPixel(0, 0), s->ColorMatch(clWhite));
  EXPECT_EQ(s->GetPixel(1, 0), s->ColorMatch(clRed));
  EXPECT_EQ(s->GetPixel(3, 1), s->ColorMatch(clBlue));
  EXPECT_EQ(s->GetPixel(2, 0), 0u);
  s->LoadFromGraphicRect(dib.get(), 0, 0, Rect(1, 0, 3, 2));  // a part of the picture
  EXPECT_EQ(s->Width(), 2);
  EXPECT_EQ(s->GetPixel(0, 0), s->ColorMatch(clRed));
  // Out again into a picture.
  TOwnedPtr<TDIB> back(Construct<TDIB>());
  back->Assign(s);
  EXPECT_EQ(back->Width(), 2);
  // Red: a 24-bit picture's value is red + green * 256 + blue * 65536, a 32-bit one's the word.
  EXPECT_EQ(back->Pixels(0, 0), GetParam() == 32 ? 0xFF0000u : 0x0000FFu);
  // A duplicate shares the pixels.
  TDirectDrawSurface* twin = Construct<TDirectDrawSurface>(dd);
  twin->Assign(s);
  s->SetPixel(1, 1, 3);
  EXPECT_EQ(twin->GetPixel(1, 1), 3u);
  twin->Assign(nullptr);
  EXPECT_EQ(twin->Width(), 0);
}

// Device value to colour, for the pictures a failed comparison writes.
std::uint32_t ToRgb(std::uint32_t v, int param) {
  if (param >= 24) return v & 0xFFFFFF;
  const bool five = param == 15;
  const unsigned r = five ? (v >> 10) & 31 : (v >> 11) & 31,
                 g = five ? (v >> 5) & 31 : (v >> 5) & 63, b = v & 31;
  return ((r * 255 / 31) << 16) | ((five ? g * 255 / 31 : g * 255 / 63) << 8) | (b * 255 / 31);
}

TEST_P(Surfaces, AComposedFrameMatchesItsModelPixelForPixel) {
  constexpr int W = 320, H = 240;
  const int param = GetParam();
  TDirectDrawSurface* frame = Make(W, H);
  TDirectDrawSurface* background = Make(W, H);
  TDirectDrawSurface* sprite = Make(30, 20);
  std::vector<std::uint32_t> model(W * H, 0xABCD);
  auto bgValue = [](int x, int y) { return std::uint32_t((x * 7 + y * 3) & 0x7FFF) | 1; };
  auto spriteValue = [](int x, int y) {
    return (x + y) % 5 == 0 ? 0u : std::uint32_t(0x4000 + x * 31 + y);
  };
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) background->SetPixel(x, y, bgValue(x, y));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) sprite->SetPixel(x, y, spriteValue(x, y));

  frame->Fill(0);
  std::fill(model.begin(), model.end(), 0u);
  frame->Draw(0, 0, background, false);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) model[y * W + x] = bgValue(x, y);
  struct Placement {
    int x, y;
    TRect src;
  };
  const Placement placements[] = {{-10, -5, Rect(0, 0, 30, 20)},  {305, 100, Rect(0, 0, 30, 20)},
                                  {100, 230, Rect(0, 0, 30, 20)}, {-40, 50, Rect(0, 0, 30, 20)},
                                  {150, 100, Rect(0, 0, 30, 20)}, {200, 50, Rect(5, 5, 25, 15)},
                                  {290, 225, Rect(0, 0, 30, 20)}};
  for (const Placement& p : placements) {
    frame->Draw(p.x, p.y, p.src, sprite, true);
    for (int sy = p.src.Top; sy < p.src.Bottom; ++sy)
      for (int sx = p.src.Left; sx < p.src.Right; ++sx) {
        const int x = p.x + sx - p.src.Left, y = p.y + sy - p.src.Top;
        if (x < 0 || y < 0 || x >= W || y >= H || spriteValue(sx, sy) == 0) continue;
        model[y * W + x] = spriteValue(sx, sy);
      }
  }
  // Mirrored left-right at (60, 60).
  frame->Draw(60, 60, Rect(30, 0, 0, 20), sprite, true);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x)
      if (spriteValue(29 - x, y) != 0) model[(60 + y) * W + 60 + x] = spriteValue(29 - x, y);

  // Text through the canvas; the model draws the same text with GDI on a memory picture of the
  // same format holding the model's pixels.
  TDirectDrawSurfaceCanvas* canvas = frame->Canvas();
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetName("Comic Sans MS");
  canvas->Font()->SetHeight(-16);
  canvas->Font()->SetColor(clYellow);
  canvas->TextOut(20, 200, "Score: 120");
  canvas->TextOut(-6, 120, "Remaining: 17");
  canvas->Release();
  {
    struct {
      BITMAPINFOHEADER h;
      DWORD masks[3];
    } info{};
    info.h.biWidth = W;
    info.h.biHeight = -H;
    info.h.biBitCount = WORD(param >= 24 ? param : 16);
    info.h.biCompression = param == 16 ? BI_BITFIELDS : BI_RGB;
    info.masks[0] = 0xF800, info.masks[1] = 0x07E0, info.masks[2] = 0x001F;
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                       &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    HGDIOBJ old = SelectObject(dc, section);
    const int bytes = param >= 24 ? param / 8 : 2, stride = (W * bytes + 3) / 4 * 4;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        std::memcpy(static_cast<std::uint8_t*>(bits) + y * stride + x * bytes, &model[y * W + x],
                    bytes);
    LOGFONTA lf{};
    lf.lfHeight = -16;
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "Comic Sans MS");
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(255, 255, 0));
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 20, 200, "Score: 120", 10);
    TextOutA(dc, -6, 120, "Remaining: 17", 13);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        std::uint32_t v = 0;
        std::memcpy(&v, static_cast<std::uint8_t*>(bits) + y * stride + x * bytes, bytes);
        model[y * W + x] = v;
      }
    SelectObject(dc, oldFont);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteObject(section);
    DeleteDC(dc);
  }

  std::vector<std::uint32_t> actual(W * H), expected(W * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      actual[y * W + x] = ToRgb(frame->GetPixel(x, y), param);
      expected[y * W + x] = ToRgb(model[y * W + x], param);
    }
  EXPECT_TRUE(testpng::SamePicture("composed-" + std::to_string(param), W, H, actual, expected));
  // The text did land: pixels pulled well toward yellow where it was put (the background's red
  // stays below 0x80 in every depth).
  int yellow = 0;
  for (int y = 200; y < 224; ++y)
    for (int x = 20; x < 120; ++x) yellow += ((actual[y * W + x] >> 16) & 0xFF) >= 0x90;
  EXPECT_GT(yellow, 30);
}

INSTANTIATE_TEST_SUITE_P(Depths, Surfaces, ::testing::Values(15, 16, 24, 32), [](const auto& info) {
  return info.param == 15 ? std::string("Bits16Layout555") : "Bits" + std::to_string(info.param);
});

}  // namespace

namespace {

TEST(PalettedSurfaces, ColoursMatchThroughTheScreensPalette) {
  platform::headless::Install();
  ddraw::RegisterService();
  TOwnedPtr<TDirectDraw> dd(Construct<TDirectDraw>(nullptr, false));
  ASSERT_EQ(dd->IDraw()->SetDisplayMode(640, 480, 8), DD_OK);
  auto* s = Construct<TDirectDrawSurface>(dd.get());
  s->SetSize(4, 4);
  EXPECT_EQ(s->BitCount(), 8);
  // Without a palette of its own the surface shows the system palette.
  PALETTEENTRY system[256];
  HDC screen = GetDC(0);
  ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, system), 256u);
  ReleaseDC(0, screen);
  auto shown = [&](std::uint32_t index) {
    return index < 256 ? RGB(system[index].peRed, system[index].peGreen, system[index].peBlue)
                       : CLR_INVALID;
  };
  EXPECT_EQ(s->ColorMatch(clBlack), 0u);
  EXPECT_EQ(shown(s->ColorMatch(clWhite)), RGB(255, 255, 255));
  EXPECT_EQ(shown(s->ColorMatch(clRed)), RGB(255, 0, 0));
  // With one, colours go to its nearest entry.
  PALETTEENTRY entries[256] = {};
  entries[17] = {250, 10, 10, 0};
  entries[40] = {255, 255, 255, 0};
  auto* palette = Construct<TDirectDrawPalette>(dd.get());
  ASSERT_TRUE(palette->CreatePalette(DDPCAPS_8BIT, entries));
  s->SetPalette(palette);
  EXPECT_EQ(s->DXResult(), DD_OK);
  EXPECT_EQ(s->ColorMatch(clRed), 17u);
  EXPECT_EQ(s->ColorMatch(clWhite), 40u);
  EXPECT_EQ(palette->GetEntry(17).peRed, 250);
  s->SetPixel(2, 3, 0x1FF);  // the low byte
  EXPECT_EQ(s->GetPixel(2, 3), 0xFFu);
  dd.reset();
  platform::UninstallBackend();
}

}  // namespace
