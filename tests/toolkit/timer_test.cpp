// The message timer: when OnTimer comes, measured on the headless machine's virtual clock.
#include "toolkit/timer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/system/windows.h"
#include "tests/support/headless_machine.h"

namespace {

// Notes the virtual time of every OnTimer; can switch its timer off from inside the handler.
struct FireLog {
  platform::headless::HeadlessBackend* machine = nullptr;
  std::vector<std::uint32_t> times;
  TTimer* disableOnFire = nullptr;
  void Fired(TObject*) {
    times.push_back(machine->Now());
    if (disableOnFire) disableOnFire->SetEnabled(false);
  }
  TNotifyEvent Handler() { return TNotifyEvent::Of<&FireLog::Fired>(this); }
};

struct IdleCounter {
  int calls = 0;
  void Idle(TObject*, bool&) { ++calls; }
};

class TimerTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    fires.machine = machine;
    start = machine->Now();
  }
  // An enabled timer with the interval and the recording handler; it counts from now.
  TTimer* StartTimer(std::uint32_t interval) {
    TTimer* t = Construct<TTimer>(app.get());
    t->SetInterval(interval);
    t->SetOnTimer(fires.Handler());
    return t;
  }
  // The times at which a timer started at `from` fires up to and including `until`.
  static std::vector<std::uint32_t> Every(std::uint32_t interval, std::uint32_t from,
                                          std::uint32_t until) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t t = from + interval; static_cast<std::int32_t>(t - until) <= 0;
         t += interval)
      out.push_back(t);
    return out;
  }

  FireLog fires;
  std::uint32_t start = 0;
};

TEST_F(TimerTest, FiresOnceEveryIntervalOfVirtualTimeWhileEnabled) {
  StartTimer(100);
  app->RunFor(1050);
  EXPECT_EQ(fires.times, Every(100, start, start + 1050));
}

TEST_F(TimerTest, TwoTimersKeepTheirOwnPace) {
  FireLog other;
  other.machine = machine;
  TTimer* slow = Construct<TTimer>(app.get());
  slow->SetInterval(250);
  slow->SetOnTimer(other.Handler());
  StartTimer(100);
  app->RunFor(1020);
  EXPECT_EQ(fires.times, Every(100, start, start + 1020));
  EXPECT_EQ(other.times, Every(250, start, start + 1020));
}

TEST_F(TimerTest, FiresOnlyThroughTheMessageLoop) {
  StartTimer(100);
  machine->Advance(550);  // time passes while the program does not look at its queue
  EXPECT_TRUE(fires.times.empty());
  // A timer that fell behind is waiting once, not once for every period it missed.
  app->ProcessMessages();
  EXPECT_EQ(fires.times.size(), 1u);
}

TEST_F(TimerTest, StaysSilentWhileDisabledAndCountsAfreshWhenEnabledAgain) {
  TTimer* t = StartTimer(100);
  t->SetEnabled(false);
  app->RunFor(1000);
  EXPECT_TRUE(fires.times.empty());

  const std::uint32_t enabledAt = machine->Now();
  t->SetEnabled(true);
  app->RunFor(350);
  EXPECT_EQ(fires.times, Every(100, enabledAt, enabledAt + 350));
}

TEST_F(TimerTest, StaysSilentWithIntervalZero) {
  TTimer* t = StartTimer(100);
  t->SetInterval(0);
  app->RunFor(1000);
  EXPECT_TRUE(fires.times.empty());
}

TEST_F(TimerTest, StaysSilentWithoutHandler) {
  TTimer* t = StartTimer(100);
  t->SetOnTimer(nullptr);
  app->RunFor(1000);
  EXPECT_TRUE(fires.times.empty());
}

TEST_F(TimerTest, ATimerWithoutHandlerDoesNotWakeTheLoop) {
  TTimer* t = Construct<TTimer>(app.get());
  t->SetInterval(10);
  IdleCounter idle;
  app->OnIdle = TIdleEvent::Of<&IdleCounter::Idle>(&idle);
  app->RunFor(1000);
  EXPECT_EQ(idle.calls, 1);  // one sleep straight to the end
}

TEST_F(TimerTest, EnablingAnEnabledTimerDoesNotRestartTheCount) {
  TTimer* t = StartTimer(1000);
  app->RunFor(700);
  t->SetEnabled(true);
  app->RunFor(350);
  EXPECT_EQ(fires.times, (std::vector<std::uint32_t>{start + 1000}));
}

TEST_F(TimerTest, WritingTheSameIntervalDoesNotRestartTheCount) {
  TTimer* t = StartTimer(1000);
  app->RunFor(700);
  t->SetInterval(1000);
  app->RunFor(350);
  EXPECT_EQ(fires.times, (std::vector<std::uint32_t>{start + 1000}));
}

TEST_F(TimerTest, ChangingTheIntervalRestartsTheCount) {
  TTimer* t = StartTimer(1000);
  app->RunFor(700);
  t->SetInterval(500);
  app->RunFor(400);
  EXPECT_TRUE(fires.times.empty());  // the old count would have fired at 1000
  app->RunFor(150);
  EXPECT_EQ(fires.times, (std::vector<std::uint32_t>{start + 1200}));
}

TEST_F(TimerTest, DisablingInsideTheHandlerFiresOnceUntilEnabledAgain) {
  TTimer* reload = StartTimer(300);
  fires.disableOnFire = reload;
  app->RunFor(2000);
  EXPECT_EQ(fires.times, (std::vector<std::uint32_t>{start + 300}));
  EXPECT_FALSE(reload->Enabled());

  const std::uint32_t again = machine->Now();
  reload->SetEnabled(true);
  app->RunFor(2000);
  EXPECT_EQ(fires.times, (std::vector<std::uint32_t>{start + 300, again + 300}));
}

TEST_F(TimerTest, AFreedTimerFiresNoMore) {
  TTimer* t = StartTimer(100);
  app->RunFor(250);
  ASSERT_EQ(fires.times.size(), 2u);
  t->Free();
  app->RunFor(1000);
  EXPECT_EQ(fires.times.size(), 2u);
}

// A one-shot that frees itself from its own handler.
struct SelfFreeing {
  TTimer* timer = nullptr;
  int calls = 0;
  void Fired(TObject*) {
    ++calls;
    timer->Free();
    timer = nullptr;
  }
};

TEST_F(TimerTest, ATimerMayFreeItselfFromItsOwnHandler) {
  SelfFreeing once;
  once.timer = Construct<TTimer>(app.get());
  once.timer->SetInterval(100);
  once.timer->SetOnTimer(TNotifyEvent::Of<&SelfFreeing::Fired>(&once));
  StartTimer(100);  // another timer keeps the loop going afterwards
  app->RunFor(550);
  EXPECT_EQ(once.calls, 1);
  EXPECT_EQ(fires.times.size(), 5u);
}

// A machine whose clock wraps around 2^32 a little after the program starts.
class TimerAcrossClockWrap : public TimerTest {
 protected:
  std::uint32_t StartTime() const override { return 0xFFFFFF00u; }
};

TEST_F(TimerAcrossClockWrap, KeepsItsPaceWhenTheClockWrapsAround) {
  StartTimer(100);
  app->RunFor(1050);
  EXPECT_EQ(fires.times, Every(100, start, start + 1050));
  EXPECT_EQ(machine->Now(), start + 1050);
}

TEST_F(TimerTest, AnIntervalPastHalfTheClocksRangeFiresAfterTheLongestCountItCanKeep) {
  // The wrapping clock tells later from earlier only within half its range: longer intervals
  // are counted as the longest such one, neither firing at once nor spinning the loop.
  for (const std::uint32_t interval : {0x80000000u, 0xFFFFFFFFu}) {
    fires.times.clear();
    start = machine->Now();
    TOwnedPtr<TTimer> timer(StartTimer(interval));
    EXPECT_EQ(timer->Interval(), interval);
    app->RunFor(1000);
    EXPECT_TRUE(fires.times.empty()) << interval;
    app->RunFor(platform::kLongestTimerElapse - 1000 + 1);
    EXPECT_EQ(fires.times, (std::vector<std::uint32_t>{start + platform::kLongestTimerElapse}))
        << interval;
  }
}

}  // namespace
