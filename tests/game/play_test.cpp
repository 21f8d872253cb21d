// The game played through the machine's own input, as a player plays it: keys and clicks go in
// as desktop events and pass through the message queue, the key state and the form, across
// switches between window and full screen (each of which makes the window anew) and changes of
// focus. Also a long run of random input that must keep rounds starting, scoring and ending
// with the memory in use flat.
#include <gtest/gtest.h>
#include <malloc.h>

#include <random>

#include "tests/support/game_window.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator counts what is in use; GCC ships no header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using platform::headless::Modifiers;

constexpr std::uint32_t kFrameMs = 31;
constexpr std::uint32_t kReloadMs = 1140;

// Bytes the program holds on the heap now.
std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

class Play : public GameWindow {
 protected:
  platform::HWND Window() const { return form->Handle(); }
  void Key(std::uint16_t vk, Modifiers held = {}) {
    machine->PressKey(Window(), vk, held);
    app->RunFor(2 * kFrameMs);
  }
  bool FullScreen() const { return form->DXDraw->Options().Contains(doFullScreen); }
  void SwitchScreen() {
    const bool wasFull = FullScreen();
    const platform::HWND before = Window();
    Key(platform::VK_RETURN, {.alt = true});
    ASSERT_NE(FullScreen(), wasFull);
    ASSERT_NE(Window(), before);  // the window is made anew
    ASSERT_TRUE(form->DXDraw->Initialized());
  }
  // Moves the mouse to (x, y), clicks there once reloaded, and tells whether the gun fired: the
  // reload starts and the shot's sound plays.
  bool FiresAt(int x, int y) {
    app->RunFor(kReloadMs + kFrameMs);
    EXPECT_TRUE(form->ShotGunReady);
    WaveItem(Wave::Thump)->Stop();
    machine->MoveMouse(Window(), x, y);
    machine->Click(Window(), x, y);
    app->RunFor(1);
    const bool fired =
        !form->ShotGunReady && form->Timer1->Enabled() && WaveItem(Wave::Thump)->Playing();
    EXPECT_EQ(form->MouseX, x);
    EXPECT_EQ(form->MouseY, y);
    return fired;
  }
};

TEST_F(Play, TheGunFiresAfterEverySwitchOfScreenAndChangeOfFocus) {
  Key(platform::VK_F1);
  ASSERT_FALSE(form->playerIsDead);
  EXPECT_TRUE(FiresAt(100, 100));
  for (int round = 0; round < 3; ++round) {
    SwitchScreen();  // to full screen
    EXPECT_TRUE(FiresAt(200, 150)) << "full screen, switch " << round;
    SwitchScreen();  // and back
    EXPECT_TRUE(FiresAt(300, 200)) << "window, switch " << round;
  }
  EXPECT_EQ(platform::GetKeyState(platform::VK_MENU) & 0x8000, 0);
  EXPECT_EQ(platform::GetKeyState(platform::VK_RETURN) & 0x8000, 0);

  // Another program takes the foreground while Alt is held, and gives it back.
  machine->KeyDown(Window(), platform::VK_MENU, true);
  app->RunFor(kFrameMs);
  machine->DeactivateApplication();
  app->RunFor(kFrameMs);
  machine->ActivateApplication();
  machine->Focus(Window());
  app->RunFor(kFrameMs);
  EXPECT_TRUE(FiresAt(400, 300));

  // Alt still held on the desktop when the window goes is not held for the new window.
  machine->KeyDown(Window(), platform::VK_MENU, true);
  machine->KeyDown(Window(), platform::VK_RETURN, true);
  app->RunFor(2 * kFrameMs);
  ASSERT_TRUE(FullScreen());
  EXPECT_TRUE(FiresAt(50, 60));

  // The keys and the mode still work: F3 during the round changes the mode.
  Key(platform::VK_F1 + 2);
  EXPECT_EQ(form->TavelMode, 2);
}

// Each switch makes the window and the screens anew; what the old ones held goes with them.
TEST_F(Play, SwitchingScreenTwoHundredTimesKeepsTheMemoryFlat) {
  machine->SetAudioCaptureLimit(0);  // the machine's own recording is not the game's memory
  Key(platform::VK_F1);
  for (int i = 0; i < 20; ++i) SwitchScreen();
  ASSERT_FALSE(FullScreen());
  const std::size_t before = HeapInUse();
  for (int i = 0; i < 200; ++i) SwitchScreen();
  ASSERT_FALSE(FullScreen());
  const std::size_t after = HeapInUse();
  EXPECT_LE(after, before + 16 * 1024) << "before " << before << " bytes, after " << after;
  EXPECT_TRUE(FiresAt(320, 240));
}

// Random input over many rounds: rounds keep starting, scoring and ending, every switch of
// screen leaves the game playable, and the memory in use stays flat.
TEST_F(Play, ALongRunOfRandomInputKeepsRoundsGoingInFlatMemory) {
  constexpr int kFrames = 20000;
  constexpr int kWarmUp = 3000;  // the first rounds and switches fill every cache there is
  constexpr std::size_t kGrowthAllowed = 1 << 20;
  machine->SetAudioCaptureLimit(0);
  std::mt19937 random(20261210);
  auto chance = [&](int inThousand) {
    return std::uniform_int_distribution<int>(0, 999)(random) < inThousand;
  };
  auto coordinate = [&](int extent) {
    return std::uniform_int_distribution<int>(0, extent - 1)(random);
  };

  int roundsStarted = 0, roundsEnded = 0, switches = 0, scoringRounds = 0;
  bool wasDead = form->playerIsDead;
  std::size_t heapAfterWarmUp = 0;
  const std::size_t framesBefore = machine->PresentedFrames();
  for (int frame = 0; frame < kFrames; ++frame) {
    const platform::HWND w = Window();
    if (chance(300)) machine->MoveMouse(w, coordinate(640), coordinate(480));
    if (chance(60)) machine->Click(w, coordinate(640), coordinate(480));
    if (form->playerIsDead && chance(20))
      machine->PressKey(w, static_cast<std::uint16_t>(platform::VK_F1 + coordinate(6)));
    if (chance(1)) {
      machine->PressKey(w, platform::VK_RETURN, {.alt = true});
      ++switches;
    }
    if (chance(1)) {
      machine->DeactivateApplication();
      machine->ActivateApplication();
      machine->Focus(w);
    }
    app->RunFor(kFrameMs);
    if (wasDead && !form->playerIsDead) ++roundsStarted;
    if (!wasDead && form->playerIsDead) {
      ++roundsEnded;
      if (form->TotalScore > 0) ++scoringRounds;
    }
    wasDead = form->playerIsDead;
    // Full screen holds other surfaces than a window: compare the memory in one of them.
    if (frame >= kWarmUp && !heapAfterWarmUp && !FullScreen()) heapAfterWarmUp = HeapInUse();
  }
  if (FullScreen()) SwitchScreen();
  const std::size_t heapAtEnd = HeapInUse();
  RecordProperty("heap_after_warm_up", std::to_string(heapAfterWarmUp));
  RecordProperty("heap_at_end", std::to_string(heapAtEnd));
  RecordProperty("rounds", std::to_string(roundsEnded));
  RecordProperty("switches", std::to_string(switches));
  EXPECT_GE(roundsStarted, 3);
  EXPECT_GE(roundsEnded, 3);
  EXPECT_GE(scoringRounds, 2);
  EXPECT_GE(switches, 5);
  EXPECT_GE(machine->PresentedFrames() - framesBefore, kFrames * 9 / 10u);
  EXPECT_LE(heapAtEnd, heapAfterWarmUp + kGrowthAllowed)
      << "after warm-up " << heapAfterWarmUp << " bytes, at the end " << heapAtEnd;
}

}  // namespace
