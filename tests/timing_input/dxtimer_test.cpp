// The frame timer on the virtual clock: ticks, lag counts, frame rate, activation.
#include "timing_input/dxtimer.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/system/clock.h"
#include "tests/support/headless_machine.h"
#include "toolkit/forms.h"
#include "toolkit/numeric.h"
#include "toolkit/sysutils.h"

namespace {

struct Tick {
  std::uint32_t at;
  std::int32_t lag;
};

// Records what the timer tells it.
struct Listener {
  std::vector<Tick> ticks;
  int activations = 0;
  int deactivations = 0;
  bool throwOnTick = false;
  platform::headless::HeadlessBackend* machine = nullptr;
  std::uint32_t spendMs = 0;  // how long each tick's work takes on the virtual clock
  void OnTimer(TObject*, std::int32_t lag) {
    ticks.push_back({platform::timeGetTime(), lag});
    if (spendMs) machine->SetTime(platform::timeGetTime() + spendMs);
    if (throwOnTick) throw Exception("frame failed");
  }
  void OnActivate(TObject*) { ++activations; }
  void OnDeactivate(TObject*) { ++deactivations; }
};

class FrameTimer : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    listener.machine = machine;
    timer = Construct<TDXTimer>(app.get());
    timer->OnTimer = TDXTimerEvent::Of<&Listener::OnTimer>(&listener);
    timer->OnActivate = TNotifyEvent::Of<&Listener::OnActivate>(&listener);
    timer->OnDeactivate = TNotifyEvent::Of<&Listener::OnDeactivate>(&listener);
    timer->SetEnabled(false);
  }

  void SetActive(bool active) {
    if (active)
      machine->ActivateApplication();
    else
      machine->DeactivateApplication();
    app->ProcessMessages();
  }
  // Starts a running timer at the current time.
  void Start(std::uint32_t interval) {
    SetActive(true);
    timer->SetInterval(interval);
    timer->SetEnabled(true);
  }
  // One idle call at the current time, without moving the clock.
  void Idle() { app->HandleMessage(0); }
  void IdleAt(std::uint32_t t) {
    machine->SetTime(t);
    Idle();
  }

  Listener listener;
  TDXTimer* timer = nullptr;
};

TEST_F(FrameTimer, StartsWithTheDocumentedSettingsAndStopped) {
  TOwnedPtr<TDXTimer> fresh(Construct<TDXTimer>(nullptr));
  EXPECT_TRUE(fresh->ActiveOnly());
  EXPECT_TRUE(fresh->Enabled());
  EXPECT_EQ(fresh->Interval(), 1000u);
  EXPECT_EQ(fresh->FrameRate(), 0);
  EXPECT_FALSE(fresh->Initialized());  // the stream and AfterLoading decide
  EXPECT_FALSE(app->OnIdle);
}

TEST_F(FrameTimer, TicksOnlyOnceAWholeIntervalHasPassedAndCountsTheLag) {
  Start(31);
  IdleAt(30);
  EXPECT_TRUE(listener.ticks.empty());
  IdleAt(31);
  IdleAt(31 + 61);
  IdleAt(31 + 61 + 62);
  IdleAt(31 + 61 + 62 + 1000);
  ASSERT_EQ(listener.ticks.size(), 4u);
  EXPECT_EQ(listener.ticks[0].lag, 1);
  EXPECT_EQ(listener.ticks[1].lag, 1);   // 61 ms
  EXPECT_EQ(listener.ticks[2].lag, 2);   // 62 ms
  EXPECT_EQ(listener.ticks[3].lag, 32);  // 1000 ms
}

TEST_F(FrameTimer, MeasuresEachTickFromThePreviousOneNotFromAGrid) {
  Start(31);
  IdleAt(45);  // 14 ms late
  IdleAt(75);  // 30 ms after the previous tick: not yet
  IdleAt(76);
  ASSERT_EQ(listener.ticks.size(), 2u);
  EXPECT_EQ(listener.ticks[1].at, 76u);
}

TEST_F(FrameTimer, IntervalZeroTicksOnEveryIdleCallWithLagOne) {
  Start(0);
  Idle();
  Idle();
  IdleAt(5);
  ASSERT_EQ(listener.ticks.size(), 3u);
  EXPECT_EQ(listener.ticks[0].lag, 1);  // 0 ms elapsed still counts one
  EXPECT_EQ(listener.ticks[2].lag, 5);
}

TEST_F(FrameTimer, IntervalWithTheTopBitSetCountsAsZero) {
  Start(0x80000005u);
  EXPECT_EQ(timer->Interval(), 0u);
  Idle();
  ASSERT_EQ(listener.ticks.size(), 1u);
  EXPECT_EQ(listener.ticks[0].lag, 1);
}

class FrameTimerNearWrap : public FrameTimer {
  std::uint32_t StartTime() const override { return 0xFFFFFFF0u; }
};

TEST_F(FrameTimerNearWrap, KeepsTimeAcrossTheClockWrappingAround) {
  Start(31);
  IdleAt(0x0000000Eu);  // 30 ms later
  EXPECT_TRUE(listener.ticks.empty());
  IdleAt(0x0000000Fu);  // 31 ms later
  ASSERT_EQ(listener.ticks.size(), 1u);
  EXPECT_EQ(listener.ticks[0].lag, 1);
}

class FrameRate : public FrameTimer {
 protected:
  // n ticks: n - 1 spread over the first 999 ms, the last at `last` ms.
  std::int32_t RateOf(int n, std::uint32_t last) {
    Start(0);
    for (int i = 1; i < n; ++i) IdleAt(static_cast<std::uint32_t>(i * 999 / n));
    EXPECT_EQ(timer->FrameRate(), 0);  // no period has completed yet
    IdleAt(last);
    return timer->FrameRate();
  }
};

TEST_F(FrameRate, IsTheTicksOfTheLastSecond) { EXPECT_EQ(RateOf(32, 1000), 32); }
TEST_F(FrameRate, RoundsToTheNearestWholeNumber) { EXPECT_EQ(RateOf(33, 1024), 32); }  // 32.23
TEST_F(FrameRate, RoundsAnExactHalfDownToEven) { EXPECT_EQ(RateOf(65, 2000), 32); }    // 32.5
TEST_F(FrameRate, RoundsAnExactHalfUpToEven) { EXPECT_EQ(RateOf(67, 2000), 34); }      // 33.5

TEST_F(FrameRate, StartsAFreshPeriodAfterEachMeasurement) {
  EXPECT_EQ(RateOf(32, 1000), 32);
  for (int i = 1; i <= 10; ++i) IdleAt(1000 + static_cast<std::uint32_t>(i * 100));
  EXPECT_EQ(timer->FrameRate(), 10);  // ten ticks in the second period
}

TEST_F(FrameTimer, RunningInTheLoopGivesAboutThirtyTwoFramesASecond) {
  Start(31);
  app->RunFor(2000);
  // Every tick comes exactly 31 ms after the previous one on the virtual clock.
  ASSERT_GE(listener.ticks.size(), 64u);
  for (std::size_t i = 1; i < listener.ticks.size(); ++i) {
    EXPECT_EQ(listener.ticks[i].at - listener.ticks[i - 1].at, 31u);
    EXPECT_EQ(listener.ticks[i].lag, 1);
  }
  EXPECT_EQ(timer->FrameRate(), 32);  // 33 ticks in 1023 ms
}

TEST_F(FrameTimer, KeepsTheLoopPollingWhileRunningAndLetsItSleepWhenStopped) {
  Start(31);
  bool done = true;
  app->OnIdle(app.get(), done);
  EXPECT_FALSE(done);  // also when no tick is due
  timer->SetEnabled(false);
  EXPECT_FALSE(app->OnIdle);
  const std::uint32_t before = platform::timeGetTime();
  app->HandleMessage(500);  // nothing to do: the loop sleeps the whole wait
  EXPECT_EQ(platform::timeGetTime() - before, 500u);
}

// Between ticks the loop sleeps until the next one is due instead of looking every millisecond;
// a message still wakes it at once, and a slow frame shortens the sleep after it.
TEST_F(FrameTimer, BetweenTicksTheLoopSleepsUntilTheNextTickIsDue) {
  Start(31);
  const std::uint32_t start = platform::timeGetTime();
  const auto since = [&] { return platform::timeGetTime() - start; };
  app->HandleMessage(1000);  // not due yet: one sleep to the tick
  EXPECT_EQ(since(), 31u);
  EXPECT_TRUE(listener.ticks.empty());
  app->HandleMessage(1000);  // the tick, then the least wait
  ASSERT_EQ(listener.ticks.size(), 1u);
  EXPECT_EQ(listener.ticks[0].at - start, 31u);
  EXPECT_EQ(since(), 32u);

  machine->QueueAt(start + 40, {app->Handle(), platform::WM_USER + 1, 0, 0});
  app->HandleMessage(1000);  // a sleep towards 62 that the message ends
  EXPECT_EQ(since(), 40u);
  for (int i = 0; i < 10 && listener.ticks.size() < 2; ++i) app->HandleMessage(1000);
  ASSERT_EQ(listener.ticks.size(), 2u);
  EXPECT_EQ(listener.ticks[1].at - start, 62u);

  listener.spendMs = 20;  // a frame that takes 20 of its 31 ms
  int calls = 0;
  while (listener.ticks.size() < 4 && calls < 100) {
    app->HandleMessage(1000);
    ++calls;
  }
  ASSERT_EQ(listener.ticks.size(), 4u);
  EXPECT_EQ(listener.ticks[2].at - start, 93u);
  EXPECT_EQ(listener.ticks[3].at - start, 124u);
  EXPECT_EQ(listener.ticks[3].lag, 1);
  EXPECT_LE(calls, 6);  // a tick, a short wait and one sleep each: not a call a millisecond
}

TEST_F(FrameTimer, WaitsWhileTheApplicationIsInactiveAndCountsFromTheActivation) {
  SetActive(false);
  timer->SetInterval(31);
  timer->SetEnabled(true);
  EXPECT_TRUE(timer->Initialized());
  IdleAt(500);
  EXPECT_TRUE(listener.ticks.empty());
  machine->SetTime(1000);
  SetActive(true);
  EXPECT_EQ(listener.activations, 1);
  IdleAt(1030);
  EXPECT_TRUE(listener.ticks.empty());
  IdleAt(1031);
  ASSERT_EQ(listener.ticks.size(), 1u);
  EXPECT_EQ(listener.ticks[0].lag, 1);
}

TEST_F(FrameTimer, StopsWhileInactiveAndLeavesTheInactiveTimeOutOfTheLag) {
  Start(31);
  IdleAt(31);
  SetActive(false);
  EXPECT_EQ(listener.deactivations, 1);
  EXPECT_FALSE(app->OnIdle);
  IdleAt(5000);
  EXPECT_EQ(listener.ticks.size(), 1u);
  SetActive(true);
  EXPECT_EQ(listener.activations, 2);  // the first came with Start
  IdleAt(5031);
  ASSERT_EQ(listener.ticks.size(), 2u);
  EXPECT_EQ(listener.ticks[1].lag, 1);
}

TEST_F(FrameTimer, FiresActivationEventsAlsoWhenDisabled) {
  SetActive(true);
  SetActive(false);
  EXPECT_EQ(listener.activations, 1);
  EXPECT_EQ(listener.deactivations, 1);
  EXPECT_FALSE(app->OnIdle);
}

TEST_F(FrameTimer, WithoutActiveOnlyRunsWhileInactive) {
  timer->SetActiveOnly(false);
  SetActive(false);
  timer->SetInterval(31);
  timer->SetEnabled(true);
  IdleAt(31);
  SetActive(true);
  SetActive(false);
  IdleAt(62);
  EXPECT_EQ(listener.ticks.size(), 2u);
}

TEST_F(FrameTimer, SettingActiveOnlyWhileInactiveStopsARunningTimer) {
  timer->SetActiveOnly(false);
  SetActive(false);
  timer->SetInterval(31);
  timer->SetEnabled(true);
  timer->SetActiveOnly(true);
  EXPECT_FALSE(app->OnIdle);
  EXPECT_TRUE(timer->Initialized());  // waiting, not stopped
}

TEST_F(FrameTimer, WritingTheValueItHasRestartsNothing) {
  Start(31);
  IdleAt(20);
  timer->SetEnabled(true);
  timer->SetInterval(31);
  IdleAt(31);  // still measured from the start at 0
  ASSERT_EQ(listener.ticks.size(), 1u);
  EXPECT_EQ(listener.ticks[0].at, 31u);
}

TEST_F(FrameTimer, ANewIntervalAppliesFromTheNextIdleCall) {
  Start(31);
  IdleAt(20);
  timer->SetInterval(10);
  IdleAt(20);  // 20 ms since the start, measured with the new interval
  ASSERT_EQ(listener.ticks.size(), 1u);
  EXPECT_EQ(listener.ticks[0].lag, 2);
}

TEST_F(FrameTimer, MeasuresTheFrameRateFromTheActivationAfterAnInactiveSpell) {
  Start(31);
  SetActive(false);
  machine->SetTime(10000);
  SetActive(true);
  for (std::uint32_t t = 10031; t <= 11023; t += 31) IdleAt(t);
  // 33 ticks in the 1023 ms since the activation; the inactive spell does not count.
  EXPECT_EQ(timer->FrameRate(), static_cast<std::int32_t>(Round(33 * 1000.0 / 1023)));
}

TEST_F(FrameTimer, EnabledWhileOnlyReadingOrOnlyLoadingOnlyStores) {
  SetActive(true);
  timer->SetReading(true);
  timer->SetEnabled(true);
  EXPECT_FALSE(timer->Initialized());
  timer->SetReading(false);
  timer->SetEnabled(false);
  timer->Loading();
  timer->SetEnabled(true);
  EXPECT_FALSE(timer->Initialized());
  EXPECT_FALSE(app->OnIdle);
}

// Switches a frame timer on when its form hears it is shown, as the display device does.
struct ShownStarter {
  TDXTimer* timer = nullptr;
  TForm* form = nullptr;
  TWndMethod formHandler;
  void Handle(TMessage& m) {
    if (m.Msg == platform::WM_WINDOWPOSCHANGED &&
        (reinterpret_cast<const platform::WINDOWPOS*>(m.LParam)->flags & platform::SWP_SHOWWINDOW))
      timer->SetEnabled(true);
    formHandler(m);
  }
};

TEST_F(FrameTimer, SwitchedOnWhenItsFormIsFirstShownItTicksAtOnce) {
  TForm* form = Construct<TForm>(app.get());
  ShownStarter starter{timer, form, form->WindowProc};
  form->WindowProc = TWndMethod::Of<&ShownStarter::Handle>(&starter);
  timer->SetInterval(31);
  form->Show();  // the desktop focuses it: the application is active by the time it is shown
  EXPECT_TRUE(app->OnIdle);
  app->RunFor(40);
  ASSERT_EQ(listener.ticks.size(), 1u);
  EXPECT_EQ(listener.ticks[0].at, 31u);
  form->WindowProc = starter.formHandler;
}

TEST_F(FrameTimer, EnabledWhileLoadingOnlyStoresAndAfterLoadingStarts) {
  SetActive(true);
  timer->Loading();
  timer->SetReading(true);
  timer->SetEnabled(true);
  EXPECT_FALSE(timer->Initialized());
  timer->SetReading(false);
  timer->AfterLoading();
  EXPECT_TRUE(timer->Initialized());
  EXPECT_TRUE(app->OnIdle);
}

TEST_F(FrameTimer, StaysStoppedAfterLoadingWhenStoredDisabled) {
  SetActive(true);
  timer->Loading();
  timer->AfterLoading();
  EXPECT_FALSE(timer->Initialized());
  EXPECT_FALSE(app->OnIdle);
}

TEST_F(FrameTimer, TheLastTimerStartedOwnsTheIdleEventAndAnyStopEmptiesIt) {
  Start(31);
  Listener second;
  TDXTimer* other = Construct<TDXTimer>(app.get());
  other->OnTimer = TDXTimerEvent::Of<&Listener::OnTimer>(&second);
  other->SetInterval(31);  // already enabled from construction: start it again
  other->SetEnabled(false);
  other->SetEnabled(true);
  IdleAt(31);
  EXPECT_TRUE(listener.ticks.empty());
  EXPECT_EQ(second.ticks.size(), 1u);
  timer->SetEnabled(false);  // the first timer stops: the event is emptied
  EXPECT_FALSE(app->OnIdle);
  IdleAt(62);
  EXPECT_EQ(second.ticks.size(), 1u);
}

TEST_F(FrameTimer, AFailingFrameIsReportedAndTheNextComesOneIntervalLater) {
  std::vector<std::string> reports;
  struct Reporter {
    std::vector<std::string>* out;
    void Report(TObject*, const Exception& e) { out->push_back(e.Message()); }
  } reporter{&reports};
  app->OnException = TExceptionEvent::Of<&Reporter::Report>(&reporter);
  Start(31);
  listener.throwOnTick = true;
  IdleAt(31);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "frame failed");
  EXPECT_TRUE(app->OnIdle);  // still attached
  IdleAt(61);
  EXPECT_EQ(listener.ticks.size(), 1u);
  IdleAt(62);
  EXPECT_EQ(listener.ticks.size(), 2u);
}

TEST_F(FrameTimer, FreeingARunningTimerStopsItAndUnhooksIt) {
  Start(31);
  timer->Free();
  timer = nullptr;
  EXPECT_FALSE(app->OnIdle);
  SetActive(false);
  SetActive(true);  // the hook is gone: nothing is attached again
  EXPECT_FALSE(app->OnIdle);
  EXPECT_EQ(listener.activations, 1);
}

TEST(FrameTimerTable, PublishesItsSettingsWithoutStoredDefaults) {
  const char* expected[] = {"ActiveOnly", "Enabled",      "Interval",
                            "OnActivate", "OnDeactivate", "OnTimer"};
  const auto props = TDXTimer::ClassInfo.Properties;
  ASSERT_EQ(props.size(), std::size(expected));
  for (std::size_t i = 0; i < props.size(); ++i) {
    EXPECT_STREQ(props[i].Name, expected[i]);
    EXPECT_FALSE(props[i].Default.has_value());
    EXPECT_TRUE(props[i].Stored);
  }
}

}  // namespace

namespace {
TEST(FrameTimerTable, IsRegisteredByNameAndMadeFromItsOwner) {
  EXPECT_EQ(GetClass("tdxtimer"), &TDXTimer::ClassInfo);
  platform::headless::Install();
  {
    TOwnedPtr<TApplication> app(new TApplication());
    TObject* made = FindClass("TDXTimer")->Create(app.get());
    ASSERT_TRUE(made->Is<TDXTimer>());
    EXPECT_EQ(static_cast<TComponent*>(made)->Owner(), app.get());
  }
  platform::UninstallBackend();
}
}  // namespace
