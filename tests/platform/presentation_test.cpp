// Presenting frames: where an emulated full screen lands on real monitors and how the mouse maps
// back, and what the headless machine captures of each presented frame.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/backend/headless/headless.h"
#include "platform/backend/viewport.h"
#include "platform/system/machine.h"

namespace {

using namespace platform;

struct Monitor {
  int width, height;
  // Expected place of a 640x480 screen, worked out by hand from the scaling rule.
  int x, y, w, h;
};

const Monitor kMonitors[] = {
    {1920, 1080, 320, 60, 1280, 960},  // whole factor 2
    {2560, 1440, 320, 0, 1920, 1440},  // whole factor 3
    {1280, 1024, 0, 32, 1280, 960},    // whole factor 2
    {1366, 768, 171, 0, 1024, 768},    // factor 1.6, bars left and right
    {800, 600, 0, 0, 800, 600},        // factor 1.25, no bars
};

TEST(FullScreenViewport, ScalesByAWholeFactorFromTwoUpElseKeepsTheShapeAndCentres) {
  for (const Monitor& m : kMonitors) {
    const Viewport v = FitToMonitor(m.width, m.height, 640, 480);
    EXPECT_EQ(v.x, m.x) << m.width << "x" << m.height;
    EXPECT_EQ(v.y, m.y) << m.width << "x" << m.height;
    EXPECT_EQ(v.width, m.w) << m.width << "x" << m.height;
    EXPECT_EQ(v.height, m.h) << m.width << "x" << m.height;
  }
}

TEST(FullScreenViewport, EverySurfacePixelIsReachedAndMapsBackExactly) {
  for (const Monitor& m : kMonitors) {
    const Viewport v = FitToMonitor(m.width, m.height, 640, 480);
    std::vector<int> hits(640 * 480, 0);
    for (int y = 0; y < m.height; ++y)
      for (int x = 0; x < m.width; ++x) {
        const POINT e = ToEmulated(v, x, y);
        ASSERT_TRUE(e.x >= 0 && e.x < 640 && e.y >= 0 && e.y < 480);
        ++hits[static_cast<std::size_t>(e.y * 640 + e.x)];
      }
    for (int i = 0; i < 640 * 480; ++i)
      ASSERT_GT(hits[static_cast<std::size_t>(i)], 0)
          << "pixel " << i % 640 << "," << i / 640 << " on " << m.width << "x" << m.height;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const POINT s = ToMonitor(v, x, y);
        const POINT back = ToEmulated(v, s.x, s.y);
        ASSERT_EQ(back, (POINT{x, y})) << x << "," << y << " on " << m.width << "x" << m.height;
      }
  }
}

TEST(FullScreenViewport, AWholeFactorGivesEachSurfacePixelASquareOfMonitorPixels) {
  const Viewport v = FitToMonitor(1920, 1080, 640, 480);  // factor 2 from (320, 60)
  for (int y = 60; y < 1020; ++y)
    for (int x = 320; x < 1600; x += 7)
      ASSERT_EQ(ToEmulated(v, x, y), (POINT{(x - 320) / 2, (y - 60) / 2}));
}

TEST(FullScreenViewport, PositionsOverTheBarsGoToTheNearestEdgePixel) {
  const Viewport v = FitToMonitor(1366, 768, 640, 480);  // bars 171 wide left and right
  EXPECT_EQ(ToEmulated(v, 0, 0), (POINT{0, 0}));
  EXPECT_EQ(ToEmulated(v, 170, 400).x, 0);
  EXPECT_EQ(ToEmulated(v, 1365, 767), (POINT{639, 479}));
  EXPECT_EQ(ToEmulated(v, 1195, 10).x, 639);
  EXPECT_EQ(ToEmulated(v, -50, -50), (POINT{0, 0}));
}

class HeadlessPresentation : public ::testing::Test {
 protected:
  void SetUp() override { machine = &headless::Install(); }
  void TearDown() override { UninstallBackend(); }
  HWND Window() {
    const HWND h = 42;
    machine->CreateWindow(h, WindowSpec{"w", Border::Fixed, true, false, true, {10, 20, 330, 260}});
    return h;
  }
  headless::HeadlessBackend* machine = nullptr;
};

TEST_F(HeadlessPresentation, CapturesThePresentedRectangleWithItsColours) {
  const HWND h = Window();
  // A 4x3 frame at 16 bits 5-6-5 with a pitch wider than its rows.
  std::vector<std::uint16_t> pixels(8 * 3, 0);
  pixels[0 * 8 + 1] = 0xF800;  // red at (1, 0)
  pixels[1 * 8 + 2] = 0x07E0;  // green at (2, 1)
  pixels[2 * 8 + 3] = 0xFFFF;  // white at (3, 2)
  FrameView frame;
  frame.top = reinterpret_cast<const std::uint8_t*>(pixels.data());
  frame.pitch = 16;
  frame.width = 4;
  frame.height = 3;
  frame.bitCount = 16;
  machine->Present(h, frame, RECT{1, 0, 4, 3}, RECT{5, 6, 8, 9}, true);
  const headless::CapturedFrame* f = machine->LastFrame(h);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->width, 3);
  EXPECT_EQ(f->height, 3);
  EXPECT_EQ(f->target, (RECT{5, 6, 8, 9}));
  EXPECT_EQ(f->Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(f->Pixel(1, 1), 0x00FF00u);
  EXPECT_EQ(f->Pixel(2, 2), 0xFFFFFFu);
  EXPECT_EQ(f->Pixel(1, 0), 0u);
  EXPECT_EQ(machine->VBlankWaits(), 1);
  EXPECT_EQ(machine->PresentedFrames(), 1u);
}

TEST_F(HeadlessPresentation, EightBitFramesAreReadThroughTheirPalette) {
  const HWND h = Window();
  std::uint32_t palette[256] = {};
  palette[7] = 0x123456;
  const std::uint8_t pixels[2] = {0, 7};
  FrameView frame{pixels, 2, 2, 1, 8, false, palette};
  machine->Present(h, frame, RECT{0, 0, 2, 1}, RECT{0, 0, 2, 1}, false);
  EXPECT_EQ(machine->LastFrame()->Pixel(1, 0), 0x123456u);
  EXPECT_EQ(machine->VBlankWaits(), 0);
}

TEST_F(HeadlessPresentation, FullScreenGivesTheEmulatedScreenAndThenThePlaceBack) {
  const HWND h = Window();
  machine->SetFullScreen(h, true, 640, 480);
  EXPECT_EQ(machine->ClientRect(h), (RECT{0, 0, 640, 480}));
  machine->SetClientRect(h, RECT{100, 100, 200, 200});  // a full-screen window stays put
  EXPECT_EQ(machine->ClientRect(h), (RECT{0, 0, 640, 480}));
  machine->SetFullScreen(h, false, 0, 0);
  EXPECT_EQ(machine->ClientRect(h), (RECT{10, 20, 330, 260}));
}

}  // namespace
