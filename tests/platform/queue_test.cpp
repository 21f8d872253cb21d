// The platform's windows, queue, timers, input translation and input bookkeeping on the headless
// machine.
#include <gtest/gtest.h>

#include <iterator>
#include <tuple>
#include <vector>

#include "platform/backend/headless/headless.h"
#include "platform/system/clock.h"
#include "platform/system/input.h"
#include "platform/system/machine.h"
#include "platform/system/windows.h"

namespace {

using namespace platform;

std::vector<MSG> gSeen;

LRESULT Record(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_WINDOWPOSCHANGED) w = reinterpret_cast<const WINDOWPOS*>(l)->flags;  // keep the flags
  gSeen.push_back({h, m, w, l});
  return DefWindowProc(h, m, w, l);
}

class Platform : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen.clear();
    machine = &headless::Install();
  }
  void TearDown() override { UninstallBackend(); }

  HWND TopLevel(int x = 100, int y = 100, int w = 640, int h = 480) {
    return CreateWindowEx(0, "top", WS_CAPTION, x, y, w, h, 0, Record, nullptr);
  }
  // Takes and dispatches everything waiting; answers the messages taken.
  std::vector<MSG> Drain() {
    std::vector<MSG> taken;
    MSG m;
    while (PeekMessage(m)) {
      taken.push_back(m);
      DispatchMessage(m);
    }
    return taken;
  }
  std::vector<UINT> Seen(HWND h) {
    std::vector<UINT> out;
    for (const MSG& m : gSeen)
      if (m.hwnd == h) out.push_back(m.message);
    return out;
  }

  headless::HeadlessBackend* machine = nullptr;
};

TEST_F(Platform, WaitingMovesTheVirtualClockOnlyAsFarAsTheWait) {
  EXPECT_EQ(WaitMessage(25), WaitResult::Timeout);
  EXPECT_EQ(timeGetTime(), 25u);
  EXPECT_EQ(WaitMessage(INFINITE), WaitResult::Never);  // nothing can ever come
  EXPECT_EQ(timeGetTime(), 25u);
  const HWND h = TopLevel();
  machine->QueueAt(400, {h, WM_USER, 0, 0});
  EXPECT_EQ(WaitMessage(INFINITE), WaitResult::Event);
  EXPECT_EQ(timeGetTime(), 400u);
}

TEST_F(Platform, ScriptedEventsKeepTheirOrderAcrossTheClockWrapping) {
  machine->SetTime(0xFFFFFFF0u);
  const HWND h = TopLevel();
  machine->QueueAt(0x00000010u, {h, WM_USER + 2, 0, 0});
  machine->QueueAt(0xFFFFFFF8u, {h, WM_USER + 1, 0, 0});
  WaitMessage(INFINITE);
  EXPECT_EQ(Drain().at(0).message, WM_USER + 1);
  WaitMessage(INFINITE);
  EXPECT_EQ(Drain().at(0).message, WM_USER + 2);
  EXPECT_EQ(timeGetTime(), 0x10u);
}

TEST_F(Platform, PostedMessagesComeBeforeInputAndTimersLast) {
  const HWND h = TopLevel();
  SetTimer(h, 1, 10);
  machine->Advance(10);
  machine->MoveMouse(h, 1, 1);
  PostMessage(h, WM_USER, 0, 0);
  std::vector<UINT> order;
  for (const MSG& m : Drain()) order.push_back(m.message);
  ASSERT_GE(order.size(), 3u);
  EXPECT_EQ(order[order.size() - 3], WM_USER);
  EXPECT_EQ(order[order.size() - 2], WM_MOUSEMOVE);
  EXPECT_EQ(order.back(), WM_TIMER);
}

TEST_F(Platform, TimersFireEveryPeriodWithAtMostOneWaiting) {
  const HWND h = TopLevel();
  Drain();
  SetTimer(h, 7, 100);
  int fired = 0;
  MSG m;
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(WaitMessage(INFINITE), WaitResult::Event);
    while (PeekMessage(m))
      if (m.message == WM_TIMER && m.wParam == 7) ++fired;
  }
  EXPECT_EQ(fired, 5);
  EXPECT_EQ(timeGetTime(), 500u);
  machine->Advance(1000);  // a long stall gives one event, not ten
  fired = 0;
  while (PeekMessage(m)) fired += m.message == WM_TIMER;
  EXPECT_EQ(fired, 1);
  KillTimer(h, 7);
  EXPECT_EQ(WaitMessage(INFINITE), WaitResult::Never);
}

TEST_F(Platform, KeyboardStateFollowsTheKeyMessagesAsTheyAreTaken) {
  const HWND h = TopLevel();
  machine->KeyDown(h, VK_SHIFT);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);  // not taken yet
  Drain();
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  std::uint8_t keys[256];
  GetKeyboardState(keys);
  EXPECT_EQ(keys[VK_SHIFT] & KEY_DOWN_BIT, KEY_DOWN_BIT);
  EXPECT_EQ(keys[VK_SHIFT] & KEY_TOGGLED_BIT, KEY_TOGGLED_BIT);
  machine->KeyUp(h, VK_SHIFT);
  machine->PressKey(h, 'A');
  Drain();
  GetKeyboardState(keys);
  EXPECT_EQ(keys[VK_SHIFT], KEY_TOGGLED_BIT);
  EXPECT_EQ(keys['A'], KEY_TOGGLED_BIT);
  ShowWindow(h, SW_SHOW);
  machine->KeyDown(h, 'B');
  Drain();
  EXPECT_LT(GetKeyState('B'), 0);
  machine->DeactivateApplication();  // keys held when the focus leaves are let go
  Drain();
  EXPECT_GE(GetKeyState('B'), 0);
}

TEST_F(Platform, MouseInputGoesToTheChildWindowUnderThePointer) {
  const HWND top = TopLevel();
  const HWND child =
      CreateWindowEx(0, "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 50, top, Record, nullptr);
  Drain();
  gSeen.clear();
  machine->MoveMouse(top, 20, 30);
  machine->MoveMouse(top, 200, 300);
  Drain();
  ASSERT_EQ(gSeen.size(), 2u);
  EXPECT_EQ(gSeen[0].hwnd, child);
  EXPECT_EQ(GET_X_LPARAM(gSeen[0].lParam), 10);
  EXPECT_EQ(GET_Y_LPARAM(gSeen[0].lParam), 20);
  EXPECT_EQ(gSeen[1].hwnd, top);
}

TEST_F(Platform, AWindowPressedKeepsTheMouseUntilTheButtonsAreUp) {
  const HWND top = TopLevel();
  const HWND child =
      CreateWindowEx(0, "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 50, top, Record, nullptr);
  Drain();
  gSeen.clear();
  machine->ButtonDown(top, 20, 20, headless::Button::Left);
  machine->MoveMouse(top, 5, 5);  // outside the child
  machine->ButtonUp(top, 5, 5, headless::Button::Left);
  machine->MoveMouse(top, 6, 6);
  Drain();
  ASSERT_EQ(gSeen.size(), 4u);
  EXPECT_EQ(gSeen[1].hwnd, child);
  EXPECT_EQ(GET_X_LPARAM(gSeen[1].lParam), -5);
  EXPECT_EQ(gSeen[2].hwnd, child);
  EXPECT_EQ(gSeen[3].hwnd, top);
}

TEST_F(Platform, MouseInputGoesToTheDeepestVisibleChildAndLaterChildrenLieOnTop) {
  const HWND top = TopLevel();
  const HWND first =
      CreateWindowEx(0, "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 100, top, Record, nullptr);
  const HWND inner =
      CreateWindowEx(0, "", WS_CHILD | WS_VISIBLE, 5, 5, 20, 20, first, Record, nullptr);
  const HWND later =
      CreateWindowEx(0, "", WS_CHILD | WS_VISIBLE, 50, 50, 100, 100, top, Record, nullptr);
  CreateWindowEx(0, "", WS_CHILD, 0, 0, 640, 480, top, Record, nullptr);  // hidden, over all
  Drain();
  gSeen.clear();
  machine->MoveMouse(top, 60, 60);    // where `first` and `later` overlap
  machine->MoveMouse(top, 20, 20);    // in `inner`, inside `first`
  machine->MoveMouse(top, 40, 20);    // in `first` beside `inner`
  machine->MoveMouse(top, 300, 300);  // only the hidden child is here
  Drain();
  struct Expected {
    HWND window;
    int x, y;
  };
  const Expected expected[] = {{later, 10, 10}, {inner, 5, 5}, {first, 30, 10}, {top, 300, 300}};
  ASSERT_EQ(gSeen.size(), std::size(expected));
  for (std::size_t i = 0; i < gSeen.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(gSeen[i].message, WM_MOUSEMOVE);
    EXPECT_EQ(gSeen[i].hwnd, expected[i].window);
    EXPECT_EQ(GET_X_LPARAM(gSeen[i].lParam), expected[i].x);
    EXPECT_EQ(GET_Y_LPARAM(gSeen[i].lParam), expected[i].y);
  }
}

TEST_F(Platform, TheMouseStaysWithThePressedWindowUntilTheLastButtonIsUp) {
  const HWND top = TopLevel();
  const HWND child =
      CreateWindowEx(0, "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 50, top, Record, nullptr);
  Drain();
  gSeen.clear();
  machine->ButtonDown(top, 20, 20, headless::Button::Left);
  machine->ButtonDown(top, 20, 20, headless::Button::Right);
  machine->ButtonUp(top, 5, 5, headless::Button::Left);  // the right button is still down
  machine->MoveMouse(top, 5, 5);
  machine->ButtonUp(top, 5, 5, headless::Button::Right);
  machine->MoveMouse(top, 6, 6);
  Drain();
  ASSERT_EQ(gSeen.size(), 6u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(gSeen[i].hwnd, child) << i;
  EXPECT_EQ(GET_X_LPARAM(gSeen[3].lParam), -5);
  EXPECT_EQ(GET_Y_LPARAM(gSeen[3].lParam), -5);
  EXPECT_EQ(gSeen[5].hwnd, top);
}

TEST_F(Platform, TheDesktopsResizesAndMinimisingReachTheWindowOnlyWhenTheyChangeSomething) {
  const HWND top = TopLevel(100, 100, 640, 480);
  ShowWindow(top, SW_SHOW);
  Drain();
  gSeen.clear();
  // The desktop confirming the size the program set is no news.
  machine->Queue({top, WM_SIZE, SIZE_RESTORED, MAKELPARAM_XY(640, 480)});
  Drain();
  EXPECT_TRUE(gSeen.empty());
  // The user makes the window larger.
  machine->SetClientRect(top, RECT{100, 100, 900, 700});
  machine->Queue({top, WM_SIZE, SIZE_RESTORED, MAKELPARAM_XY(800, 600)});
  Drain();
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].message, WM_SIZE);
  EXPECT_EQ(gSeen[0].wParam, WPARAM{SIZE_RESTORED});
  EXPECT_EQ(gSeen[0].lParam, MAKELPARAM_XY(800, 600));
  RECT client;
  GetClientRect(top, client);
  EXPECT_EQ(client, (RECT{0, 0, 800, 600}));
  // Minimised by the desktop, which says so twice: the window hears it once.
  gSeen.clear();
  machine->Queue({top, WM_SIZE, SIZE_MINIMIZED, 0});
  machine->Queue({top, WM_SIZE, SIZE_MINIMIZED, 0});
  Drain();
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].wParam, WPARAM{SIZE_MINIMIZED});
  EXPECT_TRUE(IsIconic(top));
  WINDOWPLACEMENT p;
  p.length = sizeof(WINDOWPLACEMENT);
  GetWindowPlacement(top, p);
  EXPECT_EQ(p.rcNormalPosition, (RECT{100, 100, 900, 700}));
  // Restored at the same size: news, since it was minimised.
  gSeen.clear();
  machine->Queue({top, WM_SIZE, SIZE_RESTORED, MAKELPARAM_XY(800, 600)});
  Drain();
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].wParam, WPARAM{SIZE_RESTORED});
  EXPECT_EQ(gSeen[0].lParam, MAKELPARAM_XY(800, 600));
  EXPECT_FALSE(IsIconic(top));
}

TEST_F(Platform, ADragOnTheDesktopMovesTheWindowBeforeItHearsWhere) {
  const HWND top = TopLevel(100, 100, 640, 480);
  Drain();
  gSeen.clear();
  machine->Drag(top, 30, -20);  // the desktop reports only that it moved
  Drain();
  EXPECT_EQ(Seen(top), (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_MOVE, WM_EXITSIZEMOVE}));
  ASSERT_EQ(gSeen.size(), 3u);
  EXPECT_EQ(gSeen[1].lParam, MAKELPARAM_XY(130, 80));
  RECT r;
  GetWindowRect(top, r);
  EXPECT_EQ(r, (RECT{130, 80, 770, 560}));
}

TEST_F(Platform, TheFocusMovingBetweenWindowsDeactivatesTheOldOneAndActivatesTheAppOnce) {
  machine->SetFocusOnShow(false);
  const HWND a = TopLevel();
  const HWND b = TopLevel();
  ShowWindow(a, SW_SHOW);
  ShowWindow(b, SW_SHOW);
  Drain();
  // What the windows heard since the last look: window, message, wParam.
  using Heard = std::vector<std::tuple<HWND, UINT, WPARAM>>;
  const auto heard = [] {
    Heard out;
    for (const MSG& m : gSeen) out.emplace_back(m.hwnd, m.message, m.wParam);
    gSeen.clear();
    return out;
  };
  gSeen.clear();
  machine->Focus(a);
  Drain();
  EXPECT_EQ(heard(),
            (Heard{{a, WM_ACTIVATEAPP, 1}, {b, WM_ACTIVATEAPP, 1}, {a, WM_ACTIVATE, WA_ACTIVE}}));
  machine->Focus(b);
  Drain();
  EXPECT_EQ(heard(), (Heard{{a, WM_ACTIVATE, WA_INACTIVE}, {b, WM_ACTIVATE, WA_ACTIVE}}));
  EXPECT_EQ(GetForegroundWindow(), b);
  machine->Focus(b);                                 // no news
  machine->Queue({a, WM_ACTIVATE, WA_INACTIVE, 0});  // a window that had no focus to lose
  Drain();
  EXPECT_TRUE(heard().empty());
  machine->Queue({b, WM_ACTIVATE, WA_INACTIVE, 0});  // another program takes the focus
  Drain();
  EXPECT_EQ(heard(),
            (Heard{{b, WM_ACTIVATE, WA_INACTIVE}, {a, WM_ACTIVATEAPP, 0}, {b, WM_ACTIVATEAPP, 0}}));
  EXPECT_EQ(GetForegroundWindow(), 0u);
  machine->ActivateApplication();  // back, but no window of ours has the focus
  Drain();
  EXPECT_EQ(heard(), (Heard{{a, WM_ACTIVATEAPP, 1}, {b, WM_ACTIVATEAPP, 1}}));
  EXPECT_EQ(GetForegroundWindow(), 0u);
}

TEST_F(Platform, EventsForAWindowAlreadyGoneAreDropped) {
  const HWND top = TopLevel();
  Drain();
  machine->MoveMouse(top, 1, 1);
  machine->KeyDown(top, 'A');
  machine->Queue({top, WM_SIZE, SIZE_MINIMIZED, 0});
  DestroyWindow(top);
  EXPECT_TRUE(Drain().empty());
  EXPECT_GE(GetKeyState('A'), 0);
}

TEST_F(Platform, AWindowShownWithTheFocusIsActiveBeforeItHearsItIsShown) {
  const HWND appWindow = CreateWindowEx(0, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, Record, nullptr);
  const HWND top = TopLevel();
  gSeen.clear();
  ShowWindow(top, SW_SHOW);  // the desktop gives it the focus
  // Everything is sent while the window is being shown: the application first hears of the
  // foreground (in both of its windows), then the window of its activation, then "shown".
  ASSERT_EQ(gSeen.size(), 5u);
  EXPECT_EQ(gSeen[0].message, WM_SHOWWINDOW);
  EXPECT_EQ(gSeen[1].message, WM_ACTIVATEAPP);
  EXPECT_EQ(gSeen[2].message, WM_ACTIVATEAPP);
  EXPECT_EQ(gSeen[3].message, WM_ACTIVATE);
  EXPECT_EQ(gSeen[3].hwnd, top);
  EXPECT_EQ(gSeen[4].message, WM_WINDOWPOSCHANGED);
  EXPECT_TRUE(gSeen[4].wParam & SWP_SHOWWINDOW);
  EXPECT_EQ(GetForegroundWindow(), top);
  gSeen.clear();
  Drain();
  EXPECT_TRUE(gSeen.empty());  // no second activation comes from the queue
  gSeen.clear();
  machine->DeactivateApplication();
  Drain();
  ASSERT_EQ(gSeen.size(), 3u);
  EXPECT_EQ(gSeen[0].message, WM_ACTIVATE);
  EXPECT_EQ(gSeen[0].wParam, WA_INACTIVE);
  EXPECT_EQ(gSeen[1].message, WM_ACTIVATEAPP);
  EXPECT_EQ(gSeen[1].wParam, 0u);
  EXPECT_EQ(GetForegroundWindow(), 0u);
  (void)appWindow;
}

TEST_F(Platform, ShowingTellsTheWindowOnlyWhenItWasHidden) {
  const HWND top = TopLevel();
  gSeen.clear();
  ShowWindow(top, SW_SHOW);
  ShowWindow(top, SW_SHOW);
  ShowWindow(top, SW_HIDE);
  ShowWindow(top, SW_SHOW);
  std::vector<WPARAM> flags;
  for (const MSG& m : gSeen)
    if (m.message == WM_WINDOWPOSCHANGED) flags.push_back(m.wParam);
  ASSERT_EQ(flags.size(), 3u);
  EXPECT_TRUE(flags[0] & SWP_SHOWWINDOW);
  EXPECT_TRUE(flags[1] & SWP_HIDEWINDOW);
  EXPECT_TRUE(flags[2] & SWP_SHOWWINDOW);
  EXPECT_TRUE(machine->Window(top)->visible);
}

TEST_F(Platform, DestroyingAWindowTellsItThenItsChildren) {
  const HWND top = TopLevel();
  const HWND child = CreateWindowEx(0, "", WS_CHILD, 0, 0, 10, 10, top, Record, nullptr);
  SetTimer(child, 1, 5);
  gSeen.clear();
  DestroyWindow(top);
  ASSERT_EQ(gSeen.size(), 2u);
  EXPECT_EQ(gSeen[0].hwnd, top);
  EXPECT_EQ(gSeen[1].hwnd, child);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_TRUE(machine->Window(top)->destroyed);
  EXPECT_EQ(WaitMessage(INFINITE), WaitResult::Never);  // its timer went with it
}

TEST_F(Platform, TheCursorShowsWhileItsCountIsNotNegative) {
  EXPECT_EQ(ShowCursor(false), -1);
  EXPECT_FALSE(machine->CursorVisible());
  EXPECT_EQ(ShowCursor(false), -2);
  EXPECT_EQ(ShowCursor(true), -1);
  EXPECT_FALSE(machine->CursorVisible());
  EXPECT_EQ(ShowCursor(true), 0);
  EXPECT_TRUE(machine->CursorVisible());
}

TEST_F(Platform, PlacementNeedsTheRecordsLengthAndKeepsTheNormalRectangle) {
  const HWND top = TopLevel(50, 60, 320, 200);
  ShowWindow(top, SW_SHOW);
  WINDOWPLACEMENT p;
  EXPECT_FALSE(GetWindowPlacement(top, p));  // length not set
  p.length = sizeof(WINDOWPLACEMENT);
  ASSERT_TRUE(GetWindowPlacement(top, p));
  EXPECT_EQ(p.rcNormalPosition, (RECT{50, 60, 370, 260}));
  ShowWindow(top, SW_MINIMIZE);
  WINDOWPLACEMENT q;
  q.length = sizeof(WINDOWPLACEMENT);
  GetWindowPlacement(top, q);
  EXPECT_EQ(q.showCmd, SW_SHOWMINIMIZED);
  EXPECT_EQ(q.rcNormalPosition, p.rcNormalPosition);
  ASSERT_TRUE(SetWindowPlacement(top, p));
  EXPECT_FALSE(IsIconic(top));
  EXPECT_EQ(machine->Window(top)->spec.client, (RECT{50, 60, 370, 260}));
}

}  // namespace
