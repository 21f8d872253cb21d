// The desktop backend's translation of what SDL reports: which virtual-key code each physical
// key gives, what key message a press or release makes, and how window moves are told apart
// into drags and the program's own moves. SDL is not started; keys are named by their USB HID
// usage numbers, which is what SDL's scancodes are.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/backend/sdl2/keymap.h"
#include "platform/backend/sdl2/move_tracker.h"

namespace platform::sdl2 {
namespace {

// USB HID keyboard usages (usage page 7).
constexpr int kUsbA = 4;
constexpr int kUsbLetters = 26;
constexpr int kUsb1 = 30;  // 1..9, then 0
constexpr int kUsb0 = 39;
constexpr int kUsbEnter = 40;
constexpr int kUsbEscape = 41;
constexpr int kUsbBackspace = 42;
constexpr int kUsbTab = 43;
constexpr int kUsbSpace = 44;
constexpr int kUsbMinus = 45;
constexpr int kUsbSemicolon = 51;
constexpr int kUsbSlash = 56;
constexpr int kUsbCapsLock = 57;
constexpr int kUsbF1 = 58;  // F1..F12
constexpr int kUsbPrintScreen = 70;
constexpr int kUsbScrollLock = 71;
constexpr int kUsbPause = 72;
constexpr int kUsbInsert = 73;
constexpr int kUsbHome = 74;
constexpr int kUsbPageUp = 75;
constexpr int kUsbDelete = 76;
constexpr int kUsbEnd = 77;
constexpr int kUsbPageDown = 78;
constexpr int kUsbRight = 79;
constexpr int kUsbLeft = 80;
constexpr int kUsbDown = 81;
constexpr int kUsbUp = 82;
constexpr int kUsbNumLock = 83;
constexpr int kUsbKeypadDivide = 84;
constexpr int kUsbKeypadMultiply = 85;
constexpr int kUsbKeypadMinus = 86;
constexpr int kUsbKeypadPlus = 87;
constexpr int kUsbKeypadEnter = 88;
constexpr int kUsbKeypad1 = 89;  // 1..9, then 0
constexpr int kUsbKeypad0 = 98;
constexpr int kUsbKeypadPeriod = 99;
constexpr int kUsbF13 = 104;
constexpr int kUsbLeftCtrl = 224;
constexpr int kUsbLeftShift = 225;
constexpr int kUsbLeftAlt = 226;
constexpr int kUsbLeftGui = 227;
constexpr int kUsbRightCtrl = 228;
constexpr int kUsbRightShift = 229;
constexpr int kUsbRightAlt = 230;
constexpr int kUsbVolumeUp = 128;
constexpr int kLastScancode = 511;  // SDL counts 512 scancodes

constexpr std::uint16_t kF10 = VK_F1 + 9;

TEST(Sdl2KeyMap, LettersAndDigitsGiveTheirCharacterCodes) {
  for (int i = 0; i < kUsbLetters; ++i)
    EXPECT_EQ(VirtualKeyForScancode(kUsbA + i), 'A' + i) << "letter " << char('A' + i);
  for (int d = 1; d <= 9; ++d) EXPECT_EQ(VirtualKeyForScancode(kUsb1 + d - 1), '0' + d);
  EXPECT_EQ(VirtualKeyForScancode(kUsb0), '0');
}

TEST(Sdl2KeyMap, FunctionKeysRunFromF1ToF12) {
  for (int i = 0; i < 12; ++i) EXPECT_EQ(VirtualKeyForScancode(kUsbF1 + i), VK_F1 + i);
  EXPECT_EQ(VirtualKeyForScancode(kUsbF1 + 11), VK_F12);
}

TEST(Sdl2KeyMap, LeftAndRightModifiersGiveTheGenericCode) {
  EXPECT_EQ(VirtualKeyForScancode(kUsbLeftShift), VK_SHIFT);
  EXPECT_EQ(VirtualKeyForScancode(kUsbRightShift), VK_SHIFT);
  EXPECT_EQ(VirtualKeyForScancode(kUsbLeftCtrl), VK_CONTROL);
  EXPECT_EQ(VirtualKeyForScancode(kUsbRightCtrl), VK_CONTROL);
  EXPECT_EQ(VirtualKeyForScancode(kUsbLeftAlt), VK_MENU);
  EXPECT_EQ(VirtualKeyForScancode(kUsbRightAlt), VK_MENU);
}

TEST(Sdl2KeyMap, KeypadGivesNumpadCodesAndEnterIsEnter) {
  for (int d = 1; d <= 9; ++d)
    EXPECT_EQ(VirtualKeyForScancode(kUsbKeypad1 + d - 1), VK_NUMPAD0 + d);
  EXPECT_EQ(VirtualKeyForScancode(kUsbKeypad0), VK_NUMPAD0);
  EXPECT_EQ(VirtualKeyForScancode(kUsbKeypadEnter), VK_RETURN);
  EXPECT_EQ(VirtualKeyForScancode(kUsbEnter), VK_RETURN);
  EXPECT_EQ(VirtualKeyForScancode(kUsbKeypadDivide), VK_DIVIDE);
  EXPECT_EQ(VirtualKeyForScancode(kUsbKeypadMultiply), VK_MULTIPLY);
  EXPECT_EQ(VirtualKeyForScancode(kUsbKeypadMinus), VK_SUBTRACT);
  EXPECT_EQ(VirtualKeyForScancode(kUsbKeypadPlus), VK_ADD);
  EXPECT_EQ(VirtualKeyForScancode(kUsbKeypadPeriod), VK_DECIMAL);
}

TEST(Sdl2KeyMap, EditingNavigationAndLockKeys) {
  const std::map<int, std::uint16_t> keys = {
      {kUsbEscape, VK_ESCAPE},     {kUsbBackspace, VK_BACK},   {kUsbTab, VK_TAB},
      {kUsbSpace, VK_SPACE},       {kUsbCapsLock, VK_CAPITAL}, {kUsbPrintScreen, VK_SNAPSHOT},
      {kUsbScrollLock, VK_SCROLL}, {kUsbPause, VK_PAUSE},      {kUsbInsert, VK_INSERT},
      {kUsbHome, VK_HOME},         {kUsbPageUp, VK_PRIOR},     {kUsbDelete, VK_DELETE},
      {kUsbEnd, VK_END},           {kUsbPageDown, VK_NEXT},    {kUsbRight, VK_RIGHT},
      {kUsbLeft, VK_LEFT},         {kUsbDown, VK_DOWN},        {kUsbUp, VK_UP},
      {kUsbNumLock, VK_NUMLOCK},   {kUsbMinus, VK_OEM_MINUS},  {kUsbSemicolon, VK_OEM_1},
      {kUsbSlash, VK_OEM_2},
  };
  for (const auto& [scancode, code] : keys)
    EXPECT_EQ(VirtualKeyForScancode(scancode), code) << "scancode " << scancode;
}

TEST(Sdl2KeyMap, KeysWithoutACodeAndScancodesOutOfRangeGiveNothing) {
  for (int scancode :
       {0, kUsbLeftGui, kUsbF13, kUsbVolumeUp, kLastScancode, kLastScancode + 1, -1, 100000})
    EXPECT_EQ(VirtualKeyForScancode(scancode), 0) << "scancode " << scancode;
}

// Two keys with one code would make one of them unusable: only the pairs a keyboard has twice
// may share.
TEST(Sdl2KeyMap, NoTwoKeysShareACodeExceptTheDoubledOnes) {
  std::map<std::uint16_t, std::set<int>> keysOf;
  for (int scancode = 0; scancode <= kLastScancode; ++scancode)
    if (const std::uint16_t code = VirtualKeyForScancode(scancode)) keysOf[code].insert(scancode);
  const std::set<std::uint16_t> doubled = {VK_RETURN, VK_SHIFT, VK_CONTROL, VK_MENU, VK_OEM_5};
  for (const auto& [code, scancodes] : keysOf)
    EXPECT_EQ(scancodes.size(), doubled.count(code) ? 2u : 1u) << "code " << code;
}

// Key messages.

constexpr HWND kWindow = 7;

LPARAM ScancodeBits(LPARAM lParam) { return (lParam >> 16) & 0xFF; }
bool AltBit(LPARAM lParam) { return (lParam & KF_ALTDOWN_BIT) != 0; }
bool PreviousStateBit(LPARAM lParam) { return (lParam & KF_REPEAT_BIT) != 0; }
bool TransitionBit(LPARAM lParam) { return ((lParam >> 31) & 1) != 0; }

TEST(Sdl2KeyMessage, APressIsAKeyDownWithTheCodeAndScancode) {
  const auto m = KeyMessage(kWindow, {kUsbA, true, false, false});
  ASSERT_TRUE(m);
  EXPECT_EQ(m->hwnd, kWindow);
  EXPECT_EQ(m->message, WM_KEYDOWN);
  EXPECT_EQ(m->wParam, WPARAM{'A'});
  EXPECT_EQ(LOWORD(m->lParam), 1);  // repeat count
  EXPECT_EQ(ScancodeBits(m->lParam), kUsbA);
  EXPECT_FALSE(AltBit(m->lParam));
  EXPECT_FALSE(PreviousStateBit(m->lParam));
  EXPECT_FALSE(TransitionBit(m->lParam));
}

TEST(Sdl2KeyMessage, AutoRepeatSaysTheKeyWasAlreadyDown) {
  const auto m = KeyMessage(kWindow, {kUsbSpace, true, true, false});
  ASSERT_TRUE(m);
  EXPECT_EQ(m->message, WM_KEYDOWN);
  EXPECT_TRUE(PreviousStateBit(m->lParam));
  EXPECT_FALSE(TransitionBit(m->lParam));
}

TEST(Sdl2KeyMessage, AReleaseIsAKeyUpWithBothStateBits) {
  const auto m = KeyMessage(kWindow, {kUsbLeft, false, false, false});
  ASSERT_TRUE(m);
  EXPECT_EQ(m->message, WM_KEYUP);
  EXPECT_EQ(m->wParam, WPARAM{VK_LEFT});
  EXPECT_TRUE(PreviousStateBit(m->lParam));
  EXPECT_TRUE(TransitionBit(m->lParam));
  EXPECT_EQ(ScancodeBits(m->lParam), kUsbLeft);
}

TEST(Sdl2KeyMessage, KeysWhileAltIsHeldAreSystemKeys) {
  const auto down = KeyMessage(kWindow, {kUsbEnter, true, false, true});
  const auto up = KeyMessage(kWindow, {kUsbEnter, false, false, true});
  ASSERT_TRUE(down && up);
  EXPECT_EQ(down->message, WM_SYSKEYDOWN);
  EXPECT_EQ(up->message, WM_SYSKEYUP);
  EXPECT_TRUE(AltBit(down->lParam));
  EXPECT_TRUE(AltBit(up->lParam));
}

TEST(Sdl2KeyMessage, AltItselfIsASystemKeyAndItsReleaseNoLongerHoldsAlt) {
  const auto down = KeyMessage(kWindow, {kUsbRightAlt, true, false, true});
  const auto up = KeyMessage(kWindow, {kUsbRightAlt, false, false, false});
  ASSERT_TRUE(down && up);
  EXPECT_EQ(down->message, WM_SYSKEYDOWN);
  EXPECT_EQ(down->wParam, WPARAM{VK_MENU});
  EXPECT_TRUE(AltBit(down->lParam));
  EXPECT_EQ(up->message, WM_SYSKEYUP);
  EXPECT_FALSE(AltBit(up->lParam));
}

TEST(Sdl2KeyMessage, F10IsASystemKeyWithoutAltButF9IsNot) {
  const auto f10 = KeyMessage(kWindow, {kUsbF1 + 9, true, false, false});
  const auto f9 = KeyMessage(kWindow, {kUsbF1 + 8, true, false, false});
  ASSERT_TRUE(f10 && f9);
  EXPECT_EQ(f10->wParam, WPARAM{kF10});
  EXPECT_EQ(f10->message, WM_SYSKEYDOWN);
  EXPECT_FALSE(AltBit(f10->lParam));
  EXPECT_EQ(f9->message, WM_KEYDOWN);
}

TEST(Sdl2KeyMessage, ShiftAndCtrlDoNotMakeSystemKeys) {
  for (int scancode : {kUsbLeftShift, kUsbRightCtrl}) {
    const auto m = KeyMessage(kWindow, {scancode, true, false, false});
    ASSERT_TRUE(m);
    EXPECT_EQ(m->message, WM_KEYDOWN);
  }
}

TEST(Sdl2KeyMessage, AKeyWithoutACodeMakesNoMessage) {
  EXPECT_FALSE(KeyMessage(kWindow, {kUsbLeftGui, true, false, false}));
  EXPECT_FALSE(KeyMessage(kWindow, {kUsbVolumeUp, false, false, true}));
}

// Window moves.

constexpr HWND kOther = 8;
constexpr std::uint64_t kStart = 10'000;
constexpr std::uint64_t kPause = MoveTracker::kDragPauseMs;
constexpr std::uint64_t kSettle = MoveTracker::kSettleMs;
using Move = MoveTracker::Move;

TEST(Sdl2MoveTracker, AUserDragOpensWithTheFirstMoveAndClosesAfterThePause) {
  MoveTracker t;
  EXPECT_EQ(t.Moved(kWindow, {10, 10}, kStart), Move::DragStart);
  EXPECT_EQ(t.Moved(kWindow, {12, 11}, kStart + kPause - 1), Move::Plain);
  const std::uint64_t last = kStart + 2 * kPause - 2;
  EXPECT_EQ(t.Moved(kWindow, {15, 13}, last), Move::Plain);
  EXPECT_EQ(t.TakeEnded(last + kPause - 1), 0u);  // the pause counts from the last move
  EXPECT_TRUE(t.Dragging(kWindow));
  EXPECT_EQ(t.TakeEnded(last + kPause), kWindow);
  EXPECT_FALSE(t.Dragging(kWindow));
  EXPECT_EQ(t.TakeEnded(last + 10 * kPause), 0u);  // it ends once
  EXPECT_EQ(t.Moved(kWindow, {20, 20}, last + 11 * kPause), Move::DragStart);
}

TEST(Sdl2MoveTracker, TheProgramsOwnMoveIsNotADrag) {
  MoveTracker t;
  t.Placed(kWindow, POINT{200, 150});
  // The program may read the desktop's reports a long while after it placed the window.
  t.BeginWait(kStart + 5 * kSettle);
  EXPECT_EQ(t.Moved(kWindow, {200, 150}, kStart + 5 * kSettle + 1), Move::Own);
  EXPECT_FALSE(t.Dragging(kWindow));
  EXPECT_EQ(t.TakeEnded(kStart + 100 * kSettle), 0u);
}

TEST(Sdl2MoveTracker, MovesBeforeTheProgramWaitsAreTheDesktopsAnswer) {
  MoveTracker t;
  t.Placed(kWindow, POINT{200, 150});
  EXPECT_EQ(t.Moved(kWindow, {204, 170}, kStart), Move::Plain);
  EXPECT_EQ(t.Moved(kWindow, {200, 150}, kStart + 10 * kSettle), Move::Own);
  EXPECT_FALSE(t.Dragging(kWindow));
}

TEST(Sdl2MoveTracker, TheDesktopAdjustingAPlacementIsAPlainMoveNotADrag) {
  MoveTracker t;
  t.Placed(kWindow, POINT{200, 150});
  t.BeginWait(kStart);
  EXPECT_EQ(t.Moved(kWindow, {210, 180}, kStart + 5), Move::Plain);  // the frame pushed it
  EXPECT_FALSE(t.Dragging(kWindow));
  // The report of the place asked for may still come, and is still ours.
  EXPECT_EQ(t.Moved(kWindow, {200, 150}, kStart + 10), Move::Own);
}

TEST(Sdl2MoveTracker, ShowingKeepsAnEarlierPlacementExpected) {
  MoveTracker t;
  t.Placed(kWindow, POINT{50, 60});
  t.Placed(kWindow, std::nullopt);  // shown right after being moved
  t.BeginWait(kStart);
  EXPECT_EQ(t.Moved(kWindow, {50, 60}, kStart + 1), Move::Own);
}

TEST(Sdl2MoveTracker, AfterTheSettlingTimeTheSamePlaceCountsAsADrag) {
  MoveTracker t;
  t.Placed(kWindow, POINT{200, 150});
  t.BeginWait(kStart);
  EXPECT_EQ(t.Moved(kWindow, {200, 150}, kStart + kSettle), Move::DragStart);
}

TEST(Sdl2MoveTracker, OurOwnMoveDuringADragNeitherEndsNorExtendsIt) {
  MoveTracker t;
  EXPECT_EQ(t.Moved(kWindow, {0, 0}, kStart), Move::DragStart);
  t.Placed(kWindow, POINT{300, 300});
  t.BeginWait(kStart + 10);
  EXPECT_EQ(t.Moved(kWindow, {300, 300}, kStart + 20), Move::Own);
  EXPECT_TRUE(t.Dragging(kWindow));
  EXPECT_EQ(t.Moved(kWindow, {5, 5}, kStart + 30), Move::Plain);  // the user goes on
  EXPECT_EQ(t.TakeEnded(kStart + 29 + kPause), 0u);
  EXPECT_EQ(t.TakeEnded(kStart + 30 + kPause), kWindow);
}

TEST(Sdl2MoveTracker, WindowsAreTrackedApartAndTheFirstToPauseEndsFirst) {
  MoveTracker t;
  EXPECT_EQ(t.Moved(kOther, {0, 0}, kStart), Move::DragStart);
  EXPECT_EQ(t.Moved(kWindow, {0, 0}, kStart + 5), Move::DragStart);
  EXPECT_EQ(t.Moved(kOther, {1, 1}, kStart + 10), Move::Plain);
  EXPECT_EQ(t.TakeEnded(kStart + 10 + kPause), kWindow);
  EXPECT_EQ(t.TakeEnded(kStart + 10 + kPause), kOther);
  EXPECT_EQ(t.TakeEnded(kStart + 10 + kPause), 0u);
}

TEST(Sdl2MoveTracker, AForgottenWindowHasNoDragToEnd) {
  MoveTracker t;
  t.Moved(kWindow, {0, 0}, kStart);
  t.Forget(kWindow);
  EXPECT_FALSE(t.Dragging(kWindow));
  EXPECT_EQ(t.TakeEnded(kStart + 10 * kPause), 0u);
}

}  // namespace
}  // namespace platform::sdl2
