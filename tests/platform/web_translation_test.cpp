// The web backend's computations, run natively: which message the page's keys and pointer make,
// where a point of the page lands on the picture at every scale, and how frames become the
// page's RGBA pixels and come back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "platform/backend/web/translation.h"

namespace {

using namespace platform;
using namespace platform::web;

constexpr HWND kWindow = 7;

TEST(WebKeys, KeysAreNamedByPositionAndUnknownOnesMakeNothing) {
  EXPECT_EQ(VirtualKeyForCode("KeyA"), 'A');
  EXPECT_EQ(VirtualKeyForCode("KeyZ"), 'Z');
  EXPECT_EQ(VirtualKeyForCode("Digit0"), '0');
  EXPECT_EQ(VirtualKeyForCode("Numpad7"), VK_NUMPAD0 + 7);
  EXPECT_EQ(VirtualKeyForCode("F1"), VK_F1);
  EXPECT_EQ(VirtualKeyForCode("F6"), VK_F1 + 5);
  EXPECT_EQ(VirtualKeyForCode("F12"), VK_F12);
  EXPECT_EQ(VirtualKeyForCode("NumpadEnter"), VK_RETURN);
  EXPECT_EQ(VirtualKeyForCode("AltRight"), VK_MENU);
  EXPECT_EQ(VirtualKeyForCode("ShiftLeft"), VK_SHIFT);
  for (const char* unknown : {"F0", "F13", "F123456789012", "Key", "Keya", "KeyAB", "Digit",
                              "MetaLeft", "", "Numpad", "AudioVolumeUp"})
    EXPECT_EQ(VirtualKeyForCode(unknown), 0) << unknown;
  EXPECT_FALSE(KeyMessage(kWindow, {"MetaLeft", true, false, false}));
}

TEST(WebKeys, AltEnterComesAsSystemKeysWithTheBitsOfEachTransition) {
  const auto alt = KeyMessage(kWindow, {"AltLeft", true, false, true});
  ASSERT_TRUE(alt);
  EXPECT_EQ(alt->message, WM_SYSKEYDOWN);
  EXPECT_EQ(alt->wParam, VK_MENU);
  const auto enter = KeyMessage(kWindow, {"Enter", true, false, true});
  ASSERT_TRUE(enter);
  EXPECT_EQ(enter->hwnd, kWindow);
  EXPECT_EQ(enter->message, WM_SYSKEYDOWN);
  EXPECT_EQ(enter->wParam, VK_RETURN);
  EXPECT_EQ(enter->lParam, LPARAM(1) | LPARAM(1) << 29);
  const auto repeat = KeyMessage(kWindow, {"Enter", true, true, true});
  EXPECT_EQ(repeat->lParam, LPARAM(1) | LPARAM(1) << 29 | LPARAM(1) << 30);
  const auto up = KeyMessage(kWindow, {"Enter", false, false, false});
  EXPECT_EQ(up->message, WM_KEYUP);
  EXPECT_EQ(up->lParam, LPARAM(1) | LPARAM(1) << 30 | LPARAM(1) << 31);
  const auto altUp = KeyMessage(kWindow, {"AltLeft", false, false, false});
  EXPECT_EQ(altUp->message, WM_SYSKEYUP);
  EXPECT_EQ(KeyMessage(kWindow, {"F1", true, false, false})->message, WM_KEYDOWN);
  EXPECT_EQ(KeyMessage(kWindow, {"F10", true, false, false})->message, WM_SYSKEYDOWN);

  // The browser gives way for F1-F6, Alt and Alt+Enter, and keeps the rest.
  for (const char* game : {"F1", "F5", "F6", "AltLeft", "AltRight"})
    EXPECT_TRUE(KeyBelongsToTheGame({game, true, false, false})) << game;
  EXPECT_TRUE(KeyBelongsToTheGame({"Enter", true, false, true}));
  for (const char* browser : {"F7", "F11", "F12", "Enter", "KeyR", "Tab", "MetaLeft"})
    EXPECT_FALSE(KeyBelongsToTheGame({browser, true, false, false})) << browser;
  EXPECT_FALSE(KeyBelongsToTheGame({"KeyR", true, false, true}));
}

TEST(WebPointer, ButtonsMakeTheirMessagesAndEveryOtherPressOfAMultipleClickIsADoubleClick) {
  PointerEvent e;
  e.at = POINT{639, 479};
  e.buttons = 1 | 4;
  e.shift = true;
  const auto move = PointerMessage(kWindow, e);
  ASSERT_TRUE(move);
  EXPECT_EQ(move->message, WM_MOUSEMOVE);
  EXPECT_EQ(move->wParam, MK_LBUTTON | MK_MBUTTON | MK_SHIFT);
  EXPECT_EQ(move->lParam, MAKELPARAM_XY(639, 479));

  e = PointerEvent{};
  e.kind = PointerEvent::Down;
  std::vector<UINT> left;
  for (int clicks = 1; clicks <= 4; ++clicks) {
    e.clicks = clicks;
    left.push_back(PointerMessage(kWindow, e)->message);
  }
  EXPECT_EQ(left, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN,
                                     WM_LBUTTONDBLCLK}));
  e.kind = PointerEvent::Up;
  e.button = 2;
  EXPECT_EQ(PointerMessage(kWindow, e)->message, WM_RBUTTONUP);
  e.button = 1;
  EXPECT_EQ(PointerMessage(kWindow, e)->message, WM_MBUTTONUP);
  e.button = 3;  // "back": no message
  EXPECT_FALSE(PointerMessage(kWindow, e));
}

// At whole scales, fitted scales and smaller than life, every picture pixel is reached from a
// point of the page, points map to the pixel whose square holds them, and the bars clamp.
TEST(WebPicture, EveryPixelIsReachedAtEveryScaleAndTheBarsClampToTheEdge) {
  struct Page {
    int width, height;
  };
  for (const Page page : {Page{640, 480}, Page{1280, 960}, Page{1920, 1080}, Page{1000, 700},
                          Page{800, 900}, Page{400, 300}}) {
    const Viewport v = PictureOnPage(page.width, page.height, 640, 480);
    EXPECT_LE(v.width, page.width);
    EXPECT_LE(v.height, page.height);
    std::set<int> columns, rows;
    // Points a tenth of a device pixel apart, as the page reports fractional positions.
    for (int i = 0; i < v.width * 10; ++i)
      columns.insert(PagePointToPicture(v, v.x + i / 10.0, v.y).x);
    for (int i = 0; i < v.height * 10; ++i)
      rows.insert(PagePointToPicture(v, v.x, v.y + i / 10.0).y);
    EXPECT_EQ(columns.size(), 640u) << page.width << "x" << page.height;
    EXPECT_EQ(rows.size(), 480u) << page.width << "x" << page.height;
    EXPECT_EQ(PagePointToPicture(v, -5, -5), (POINT{0, 0}));
    EXPECT_EQ(PagePointToPicture(v, page.width + 5, page.height + 5), (POINT{639, 479}));
  }
  const Viewport twice = PictureOnPage(1920, 1080, 640, 480);  // scale 2 from (320, 60)
  EXPECT_EQ(PagePointToPicture(twice, 320 + 2 * 100 + 1.9, 60 + 2 * 50), (POINT{100, 50}));
  EXPECT_EQ(PagePointToPicture(twice, 320 + 2 * 100 + 2.0, 60 + 2 * 50), (POINT{101, 50}));
  EXPECT_EQ(PagePointToPicture(twice, std::nan(""), 5), (POINT{0, 0}));
}

// Frames of every depth become RGBA where asked, and every depth but 8 bits comes back whole.
TEST(WebPicture, FramesBecomeRgbaAndComeBackWhole) {
  constexpr int kW = 9, kH = 5, kPicture = 12;
  std::mt19937 random(5);
  struct Depth {
    int bits;
    bool rgb555;
  };
  for (const Depth depth :
       {Depth{16, false}, Depth{16, true}, Depth{24, false}, Depth{32, false}}) {
    const int bytes = depth.bits / 8;
    const std::ptrdiff_t pitch = kW * bytes + 3;  // rows with padding
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(pitch) * kH);
    for (auto& b : pixels) b = static_cast<std::uint8_t>(random());
    if (depth.bits == 32)  // the unused byte is kept 0
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) pixels[static_cast<std::size_t>(y * pitch + x * 4 + 3)] = 0;
    if (depth.rgb555)  // the top bit of 5-5-5 is unused
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
          pixels[static_cast<std::size_t>(y * pitch + x * 2 + 1)] &= 0x7F;
    FrameView frame;
    frame.top = pixels.data();
    frame.pitch = pitch;
    frame.width = kW;
    frame.height = kH;
    frame.bitCount = depth.bits;
    frame.rgb555 = depth.rgb555;
    std::vector<std::uint8_t> rgba(kPicture * kPicture * 4, 0);
    FrameToRgba(frame, RECT{0, 0, kW, kH}, rgba.data(), kPicture, POINT{2, 3});
    EXPECT_EQ(rgba[((3 * kPicture) + 1) * 4 + 3], 0) << "left of the place stays untouched";
    EXPECT_EQ(rgba[((3 * kPicture) + 2) * 4 + 3], 255);
    std::vector<std::uint8_t> back(pixels.size(), 0xEE);
    FrameTarget into{back.data(), pitch, kW, kH, depth.bits, depth.rgb555};
    RgbaToFrame(rgba.data(), kPicture, POINT{2, 3}, into);
    for (int y = 0; y < kH; ++y)
      ASSERT_EQ(std::memcmp(back.data() + y * pitch, pixels.data() + y * pitch, kW * bytes), 0)
          << depth.bits << (depth.rgb555 ? " 5-5-5" : "") << " row " << y;
  }
  // 5-6-5 white and pure green are widened to full scale; 8 bits go through the palette.
  const std::uint16_t five[2] = {0xFFFF, 0x07E0};
  FrameView f16{reinterpret_cast<const std::uint8_t*>(five), 4, 2, 1, 16, false, nullptr};
  std::uint8_t out[8];
  FrameToRgba(f16, RECT{0, 0, 2, 1}, out, 2, POINT{0, 0});
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 8),
            (std::vector<std::uint8_t>{255, 255, 255, 255, 0, 255, 0, 255}));
  const std::uint8_t indices[2] = {1, 0};
  std::vector<std::uint32_t> palette(256, 0);
  palette[1] = 0x123456;
  FrameView f8{indices, 2, 2, 1, 8, false, palette.data()};
  FrameToRgba(f8, RECT{0, 0, 2, 1}, out, 2, POINT{0, 0});
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 8),
            (std::vector<std::uint8_t>{0x12, 0x34, 0x56, 255, 0, 0, 0, 255}));
}

}  // namespace
