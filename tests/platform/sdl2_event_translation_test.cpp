// The desktop backend's event translation of the mouse and of changes to a window: which
// message each becomes, with its flags and position. SDL is not started; buttons and window
// events go by SDL 2's own numbers, which are fixed in its ABI.
#include <gtest/gtest.h>

#include <vector>

#include "platform/backend/sdl2/event_translation.h"

namespace platform::sdl2 {
namespace {

// SDL 2's mouse buttons and the bits of its mask of held buttons.
constexpr int kLeft = 1;
constexpr int kMiddle = 2;
constexpr int kRight = 3;
constexpr int kExtra1 = 4;
constexpr int kExtra2 = 5;
constexpr std::uint32_t kLeftBit = 1u << 0;
constexpr std::uint32_t kMiddleBit = 1u << 1;
constexpr std::uint32_t kRightBit = 1u << 2;
constexpr std::uint32_t kExtra1Bit = 1u << 3;
constexpr std::uint32_t kExtra2Bit = 1u << 4;

// SDL 2's window event numbers.
constexpr int kShown = 1;
constexpr int kHidden = 2;
constexpr int kExposed = 3;
constexpr int kMoved = 4;
constexpr int kResized = 5;
constexpr int kSizeChanged = 6;
constexpr int kMinimized = 7;
constexpr int kMaximized = 8;
constexpr int kRestored = 9;
constexpr int kEnter = 10;
constexpr int kLeave = 11;
constexpr int kFocusGained = 12;
constexpr int kFocusLost = 13;
constexpr int kClose = 14;
constexpr int kTakeFocus = 15;

constexpr HWND kWindow = 7;
constexpr MouseModifiers kNoModifiers{};

// Mouse buttons.

TEST(Sdl2MouseButton, EachButtonHasItsOwnMessagesAndFlag) {
  struct Expected {
    int button;
    UINT down, up, doubleClick;
    WPARAM flag;
  };
  // SDL numbers the middle button before the right one.
  for (const Expected& b :
       {Expected{kLeft, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, MK_LBUTTON},
        Expected{kMiddle, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK, MK_MBUTTON},
        Expected{kRight, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, MK_RBUTTON}}) {
    SCOPED_TRACE(b.button);
    std::uint32_t held = 0;
    const auto down = MouseButtonMessage(kWindow, {b.button, true, 1, {3, 4}, kNoModifiers}, held);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->hwnd, kWindow);
    EXPECT_EQ(down->message, b.down);
    EXPECT_EQ(down->wParam, b.flag);
    const auto up = MouseButtonMessage(kWindow, {b.button, false, 1, {3, 4}, kNoModifiers}, held);
    ASSERT_TRUE(up);
    EXPECT_EQ(up->message, b.up);
    EXPECT_EQ(up->wParam, 0u);
    EXPECT_EQ(held, 0u);
    const auto second =
        MouseButtonMessage(kWindow, {b.button, true, 2, {3, 4}, kNoModifiers}, held);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->message, b.doubleClick);
  }
}

TEST(Sdl2MouseButton, EverySecondPressOfAMultipleClickEndsADoubleClick) {
  const std::vector<UINT> expected = {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN,
                                      WM_LBUTTONDBLCLK, WM_LBUTTONDOWN};
  for (int clicks = 1; clicks <= 5; ++clicks) {
    std::uint32_t held = 0;
    const auto m = MouseButtonMessage(kWindow, {kLeft, true, clicks, {}, kNoModifiers}, held);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->message, expected[clicks - 1]) << clicks << " clicks";
  }
  // A release is a release whatever SDL counted.
  std::uint32_t held = kLeftBit;
  const auto up = MouseButtonMessage(kWindow, {kLeft, false, 2, {}, kNoModifiers}, held);
  ASSERT_TRUE(up);
  EXPECT_EQ(up->message, WM_LBUTTONUP);
}

TEST(Sdl2MouseButton, FlagsSayWhichButtonsAreHeldOnceTheChangeIsMade) {
  std::uint32_t held = 0;
  const auto change = [&](int button, bool down) {
    const auto m = MouseButtonMessage(kWindow, {button, down, 1, {}, kNoModifiers}, held);
    return m ? m->wParam : WPARAM{0xDEAD};
  };
  EXPECT_EQ(change(kLeft, true), WPARAM{MK_LBUTTON});
  EXPECT_EQ(change(kRight, true), WPARAM{MK_LBUTTON | MK_RBUTTON});
  EXPECT_EQ(held, kLeftBit | kRightBit);
  // Releasing one button leaves the other held: the platform keeps the capture on that.
  EXPECT_EQ(change(kLeft, false), WPARAM{MK_RBUTTON});
  EXPECT_EQ(change(kMiddle, true), WPARAM{MK_RBUTTON | MK_MBUTTON});
  EXPECT_EQ(change(kRight, false), WPARAM{MK_MBUTTON});
  EXPECT_EQ(change(kMiddle, false), 0u);
  EXPECT_EQ(held, 0u);
}

TEST(Sdl2MouseButton, ExtraButtonsMakeNoMessageAndLeaveTheHeldButtonsAlone) {
  for (int button : {kExtra1, kExtra2, 8}) {
    std::uint32_t held = kMiddleBit;
    EXPECT_FALSE(MouseButtonMessage(kWindow, {button, true, 1, {}, kNoModifiers}, held));
    EXPECT_FALSE(MouseButtonMessage(kWindow, {button, false, 1, {}, kNoModifiers}, held));
    EXPECT_EQ(held, kMiddleBit) << "button " << button;
  }
}

TEST(Sdl2MouseButton, ShiftAndCtrlRideAlongAndThePositionIsKeptWithItsSign) {
  std::uint32_t held = 0;
  const auto m = MouseButtonMessage(kWindow, {kLeft, true, 1, {639, 479}, {true, false}}, held);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->wParam, WPARAM{MK_LBUTTON | MK_SHIFT});
  EXPECT_EQ(GET_X_LPARAM(m->lParam), 639);
  EXPECT_EQ(GET_Y_LPARAM(m->lParam), 479);
  // A button let go outside the window that holds the mouse, left of and above it.
  const auto up = MouseButtonMessage(kWindow, {kLeft, false, 1, {-12, -3}, {false, true}}, held);
  ASSERT_TRUE(up);
  EXPECT_EQ(up->wParam, WPARAM{MK_CONTROL});
  EXPECT_EQ(GET_X_LPARAM(up->lParam), -12);
  EXPECT_EQ(GET_Y_LPARAM(up->lParam), -3);
}

// Mouse motion.

TEST(Sdl2MouseMotion, FlagsFollowSdlsMaskAndTheModifiers) {
  struct Case {
    std::uint32_t mask;
    MouseModifiers modifiers;
    WPARAM flags;
  };
  for (const Case& c :
       {Case{0, {}, 0}, Case{kLeftBit, {}, MK_LBUTTON}, Case{kMiddleBit, {}, MK_MBUTTON},
        Case{kRightBit, {}, MK_RBUTTON}, Case{kExtra1Bit | kExtra2Bit, {}, 0},
        Case{kLeftBit | kExtra1Bit, {true, true}, MK_LBUTTON | MK_SHIFT | MK_CONTROL},
        Case{kRightBit | kMiddleBit, {false, true}, MK_RBUTTON | MK_MBUTTON | MK_CONTROL}}) {
    const MSG m = MouseMotionMessage(kWindow, {{5, 6}, c.mask, c.modifiers});
    EXPECT_EQ(m.message, WM_MOUSEMOVE);
    EXPECT_EQ(m.hwnd, kWindow);
    EXPECT_EQ(m.wParam, c.flags) << "mask " << c.mask;
    EXPECT_EQ(MouseFlags(c.mask, c.modifiers), c.flags);
  }
}

TEST(Sdl2MouseMotion, ThePositionIsTheClientPositionWithItsSign) {
  for (const POINT at : {POINT{0, 0}, POINT{320, 240}, POINT{-40, 500}, POINT{1919, -1}}) {
    const MSG m = MouseMotionMessage(kWindow, {at, 0, {}});
    EXPECT_EQ(GET_X_LPARAM(m.lParam), at.x);
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), at.y);
  }
}

// Window events.

std::vector<UINT> Messages(const std::vector<MSG>& messages) {
  std::vector<UINT> out;
  for (const MSG& m : messages) out.push_back(m.message);
  return out;
}

TEST(Sdl2WindowEvent, FocusCloseMinimiseAndExposureEachMakeOneMessage) {
  MoveTracker moves;
  struct Case {
    int event;
    UINT message;
    WPARAM wParam;
  };
  for (const Case& c :
       {Case{kFocusGained, WM_ACTIVATE, WA_ACTIVE}, Case{kFocusLost, WM_ACTIVATE, WA_INACTIVE},
        Case{kClose, WM_SYSCOMMAND, SC_CLOSE}, Case{kMinimized, WM_SIZE, SIZE_MINIMIZED},
        Case{kExposed, WM_PAINT, 0}}) {
    const auto m = WindowEventMessages(kWindow, {c.event, 0, 0, RECT{}, 0}, moves);
    ASSERT_EQ(m.size(), 1u) << "event " << c.event;
    EXPECT_EQ(m[0].hwnd, kWindow);
    EXPECT_EQ(m[0].message, c.message);
    EXPECT_EQ(m[0].wParam, c.wParam);
    EXPECT_EQ(m[0].lParam, 0);
  }
}

TEST(Sdl2WindowEvent, ARestoreOrANewSizeIsARestoredSizeOnce) {
  MoveTracker moves;
  const RECT client{100, 50, 740, 530};
  const auto restored = WindowEventMessages(kWindow, {kRestored, 0, 0, client, 0}, moves);
  ASSERT_EQ(restored.size(), 1u);
  EXPECT_EQ(restored[0].message, WM_SIZE);
  EXPECT_EQ(restored[0].wParam, WPARAM{SIZE_RESTORED});
  EXPECT_EQ(GET_X_LPARAM(restored[0].lParam), 640);  // the size, not the corner
  EXPECT_EQ(GET_Y_LPARAM(restored[0].lParam), 480);
  const auto changed = WindowEventMessages(kWindow, {kSizeChanged, 800, 600, client, 0}, moves);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].message, WM_SIZE);
  EXPECT_EQ(changed[0].wParam, WPARAM{SIZE_RESTORED});
  EXPECT_EQ(GET_X_LPARAM(changed[0].lParam), 800);
  EXPECT_EQ(GET_Y_LPARAM(changed[0].lParam), 600);
  // SDL reports a resize by the user twice, as resized and as size changed: one WM_SIZE.
  EXPECT_TRUE(WindowEventMessages(kWindow, {kResized, 800, 600, client, 0}, moves).empty());
}

TEST(Sdl2WindowEvent, EventsThePlatformHasNoMessageForMakeNone) {
  MoveTracker moves;
  for (int event : {0, kShown, kHidden, kMaximized, kEnter, kLeave, kTakeFocus, 99})
    EXPECT_TRUE(WindowEventMessages(kWindow, {event, 1, 2, RECT{0, 0, 3, 4}, 0}, moves).empty())
        << "event " << event;
}

TEST(Sdl2WindowEvent, MovesAreToldAsTheTrackerTakesThem) {
  constexpr std::uint64_t kStart = 10'000;
  MoveTracker moves;
  moves.Placed(kWindow, POINT{200, 150});
  moves.BeginWait(kStart);
  // The program's own move: it knows already.
  EXPECT_TRUE(WindowEventMessages(kWindow, {kMoved, 200, 150, RECT{}, kStart + 1}, moves).empty());
  // The user drags the window: the drag opens before its first move, which carries the place.
  const std::uint64_t later = kStart + 10 * MoveTracker::kSettleMs;
  const auto first = WindowEventMessages(kWindow, {kMoved, -30, 20, RECT{}, later}, moves);
  EXPECT_EQ(Messages(first), (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_MOVE}));
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].hwnd, kWindow);
  EXPECT_EQ(first[1].hwnd, kWindow);
  EXPECT_EQ(GET_X_LPARAM(first[1].lParam), -30);
  EXPECT_EQ(GET_Y_LPARAM(first[1].lParam), 20);
  EXPECT_TRUE(moves.Dragging(kWindow));
  const auto next = WindowEventMessages(kWindow, {kMoved, -25, 22, RECT{}, later + 5}, moves);
  ASSERT_EQ(Messages(next), (std::vector<UINT>{WM_MOVE}));
  EXPECT_EQ(GET_X_LPARAM(next[0].lParam), -25);
  EXPECT_EQ(GET_Y_LPARAM(next[0].lParam), 22);
}

}  // namespace
}  // namespace platform::sdl2
