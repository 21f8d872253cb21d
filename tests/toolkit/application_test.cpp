// The application loop on the headless machine: idle processing and sleeping, reports of
// exceptions from handlers, hooks on the application window, activation, and how Run ends.
#include "toolkit/application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/system/input.h"
#include "platform/system/windows.h"
#include "tests/support/headless_machine.h"
#include "toolkit/forms.h"
#include "toolkit/timer.h"

namespace {

using namespace platform;

constexpr UINT kFirst = WM_USER + 1;
constexpr UINT kSecond = WM_USER + 2;

// An OnIdle handler that notes when it ran and what Done said on entry, and leaves Done as told.
struct IdleProbe {
  headless::HeadlessBackend* machine = nullptr;
  bool leaveDone = true;
  std::vector<std::uint32_t> times;
  std::vector<bool> doneOnEntry;
  std::vector<UINT>* seenSoFar = nullptr;  // the hook log, to see what was handled before idling
  std::vector<std::size_t> handledBefore;
  void Idle(TObject*, bool& Done) {
    times.push_back(machine->Now());
    doneOnEntry.push_back(Done);
    if (seenSoFar) handledBefore.push_back(seenSoFar->size());
    Done = leaveDone;
  }
};

// A hook on the application window that notes each message, with Active as it was then, and
// answers true for one message number when told.
struct HookProbe {
  TApplication* app = nullptr;
  std::string name;
  std::vector<std::string>* order = nullptr;
  UINT swallow = 0;
  std::vector<UINT> seen;
  std::vector<bool> activeWhenSeen;
  bool Hook(TMessage& m) {
    seen.push_back(m.Msg);
    activeWhenSeen.push_back(app->Active());
    if (order && m.Msg >= WM_USER && m.Msg < CM_BASE) order->push_back(name);
    return swallow != 0 && m.Msg == swallow;
  }
  TWindowHook Of() { return TWindowHook::Of<&HookProbe::Hook>(this); }
};

// Counts the reports of exceptions, keeping the last message and sender.
struct ExceptionProbe {
  int reports = 0;
  std::string lastMessage;
  std::string lastClass;
  TObject* lastSender = nullptr;
  void Report(TObject* Sender, const Exception& E) {
    ++reports;
    lastMessage = E.Message();
    lastClass = E.ClassName();
    lastSender = Sender;
  }
};

// Event handlers that throw, or count, or end the loop after a while.
struct Thrower {
  int calls = 0;
  void IdleThrowsOnce(TObject*, bool& Done) {
    ++calls;
    Done = false;
    if (calls == 1) throw EInvalidOperation("idle went wrong");
  }
  void TimerThrows(TObject*) {
    ++calls;
    throw EInvalidOperation("timer went wrong");
  }
  void TimerThrowsForeign(TObject*) {
    ++calls;
    throw std::runtime_error("not one of ours");
  }
  void MouseThrows(TObject*, TMouseButton, TShiftState, std::int32_t, std::int32_t) {
    ++calls;
    throw EInvalidOperation("click went wrong");
  }
};

struct Counter {
  int calls = 0;
  TApplication* app = nullptr;
  int terminateAt = 0;
  std::vector<std::string>* order = nullptr;
  std::string name;
  void Notify(TObject*) {
    ++calls;
    if (order) order->push_back(name);
    if (terminateAt && calls == terminateAt) app->Terminate();
  }
  TNotifyEvent Of() { return TNotifyEvent::Of<&Counter::Notify>(this); }
};

class AppLoop : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    idle.machine = machine;
  }
  void Post(UINT message) { ASSERT_TRUE(PostMessage(app->Handle(), message, 0, 0)); }
  // A hook probe that lives as long as the application, which hooks still see going away.
  HookProbe& Probe(const std::string& name = "hook") {
    HookProbe& p = probes.emplace_back();
    p.app = app.get();
    p.name = name;
    return p;
  }
  // A timer that keeps the machine busy, so that Run can only end for the reason under test.
  TTimer* Ticker(Counter& counter, std::uint32_t interval) {
    TTimer* t = Construct<TTimer>(app.get());
    t->SetInterval(interval);
    t->SetOnTimer(counter.Of());
    return t;
  }

  IdleProbe idle;
  std::deque<HookProbe> probes;
};

// ---- idle processing ----

TEST_F(AppLoop, IdlesWithDoneTrueOnlyOnceTheQueueIsEmpty) {
  HookProbe& hook = Probe();
  app->HookMainWindow(hook.Of());
  idle.seenSoFar = &hook.seen;
  app->OnIdle = TIdleEvent::Of<&IdleProbe::Idle>(&idle);
  Post(kFirst);
  Post(kSecond);
  Post(kFirst);
  app->RunFor(10);
  ASSERT_FALSE(idle.times.empty());
  EXPECT_EQ(idle.handledBefore.front(), 3u);
  EXPECT_TRUE(
      std::all_of(idle.doneOnEntry.begin(), idle.doneOnEntry.end(), [](bool d) { return d; }));
}

TEST_F(AppLoop, DoneLeftTrueSleepsUntilTheNextEventOrTheDeadline) {
  app->OnIdle = TIdleEvent::Of<&IdleProbe::Idle>(&idle);
  const std::uint32_t start = machine->Now();
  machine->QueueAt(start + 300, {app->Handle(), kFirst, 0, 0});
  app->RunFor(1000);
  // Idle at the start, then once more after the event; the clock jumped in between.
  EXPECT_EQ(idle.times, (std::vector<std::uint32_t>{start, start + 300}));
  EXPECT_EQ(machine->Now(), start + 1000);
}

// A machine whose clock wraps around 2^32 a moment after the program starts.
class AppLoopAcrossClockWrap : public AppLoop {
 protected:
  std::uint32_t StartTime() const override { return 0xFFFFFF00u; }
};

TEST_F(AppLoopAcrossClockWrap, SleepsToTheNextEventAndTheDeadlineAcrossTheWrap) {
  app->OnIdle = TIdleEvent::Of<&IdleProbe::Idle>(&idle);
  const std::uint32_t start = machine->Now();
  machine->QueueAt(start + 300, {app->Handle(), kFirst, 0, 0});
  app->RunFor(1000);
  EXPECT_EQ(idle.times, (std::vector<std::uint32_t>{start, start + 300}));
  EXPECT_EQ(machine->Now(), start + 1000);
}

TEST_F(AppLoop, DoneSetFalsePollsAboutOnceAMillisecond) {
  idle.leaveDone = false;
  app->OnIdle = TIdleEvent::Of<&IdleProbe::Idle>(&idle);
  app->RunFor(50);
  const auto calls = static_cast<std::int64_t>(idle.times.size());
  EXPECT_GE(calls, 40);
  EXPECT_LE(calls, 60);
  for (std::size_t i = 1; i < idle.times.size(); ++i)
    EXPECT_LE(idle.times[i] - idle.times[i - 1], kBusyIdleWaitMs)
        << "between idle " << i - 1 << " and " << i;
}

// A handler that leaves Done False but has nothing to do for a while lets the loop sleep that
// long, for that call only, never beyond the caller's wait, and still wakes for a message.
TEST_F(AppLoop, AQuietPollingHandlerLetsTheLoopSleepAsLongAsItSaid) {
  struct Quiet {
    TApplication* app;
    headless::HeadlessBackend* machine;
    std::vector<platform::DWORD> quiet;  // what each call says, in turn; then nothing
    std::vector<std::uint32_t> times;
    void Idle(TObject*, bool& Done) {
      Done = false;
      times.push_back(machine->Now());
      if (times.size() <= quiet.size()) app->IdleQuietFor(quiet[times.size() - 1]);
    }
  } q{app.get(), machine, {20, 0, 500, 30}, {}};
  app->OnIdle = TIdleEvent::Of<&Quiet::Idle>(&q);
  const std::uint32_t start = machine->Now();
  machine->QueueAt(start + 231, {app->Handle(), kFirst, 0, 0});
  const platform::DWORD waits[] = {1000, 1000, 200, 1000, 1000, 1000};
  std::vector<std::uint32_t> ends;
  for (platform::DWORD wait : waits) {
    app->HandleMessage(wait);
    ends.push_back(machine->Now() - start);
  }
  // 20 ms as said; 0 counts as the least wait; 500 cut to the 200 the caller allows; the 30 ms
  // sleep ended by the message at 231, which the next call handles without idling; then a call
  // that says nothing waits the least again.
  EXPECT_EQ(ends, (std::vector<std::uint32_t>{20, 21, 221, 231, 231, 231 + kBusyIdleWaitMs}));
  ASSERT_EQ(q.times.size(), 5u);
  EXPECT_EQ(q.times[4] - start, 231u);
}

TEST_F(AppLoop, PollingStillTakesEventsOnTime) {
  idle.leaveDone = false;
  HookProbe& hook = Probe();
  app->HookMainWindow(hook.Of());
  app->OnIdle = TIdleEvent::Of<&IdleProbe::Idle>(&idle);
  const std::uint32_t start = machine->Now();
  machine->QueueAt(start + 20, {app->Handle(), kFirst, 0, 0});
  std::uint32_t takenAt = 0;
  while (hook.seen.empty() && machine->Now() - start < 100) app->HandleMessage(50);
  takenAt = machine->Now();
  EXPECT_EQ(hook.seen, (std::vector<UINT>{kFirst}));
  EXPECT_LE(takenAt - start, 20u + kBusyIdleWaitMs);
}

// ---- exceptions from handlers ----

TEST_F(AppLoop, AnExceptionFromOnIdleIsReportedAndTheLoopGoesOn) {
  ExceptionProbe reports;
  Thrower thrower;
  app->OnException = TExceptionEvent::Of<&ExceptionProbe::Report>(&reports);
  app->OnIdle = TIdleEvent::Of<&Thrower::IdleThrowsOnce>(&thrower);
  app->RunFor(20);
  EXPECT_EQ(reports.reports, 1);
  EXPECT_EQ(reports.lastMessage, "idle went wrong");
  EXPECT_EQ(reports.lastClass, std::string("EInvalidOperation"));
  EXPECT_EQ(reports.lastSender, app.get());
  EXPECT_GT(thrower.calls, 1);
}

TEST_F(AppLoop, AnExceptionFromATimerIsReportedWithTheTimerAndItKeepsTicking) {
  ExceptionProbe reports;
  Thrower thrower;
  app->OnException = TExceptionEvent::Of<&ExceptionProbe::Report>(&reports);
  TTimer* t = Construct<TTimer>(app.get());
  t->SetInterval(100);
  t->SetOnTimer(TNotifyEvent::Of<&Thrower::TimerThrows>(&thrower));
  app->RunFor(350);
  EXPECT_EQ(thrower.calls, 3);
  EXPECT_EQ(reports.reports, 3);
  EXPECT_EQ(reports.lastMessage, "timer went wrong");
  EXPECT_EQ(reports.lastSender, t);
}

TEST_F(AppLoop, AForeignExceptionIsReportedWithItsText) {
  ExceptionProbe reports;
  Thrower thrower;
  app->OnException = TExceptionEvent::Of<&ExceptionProbe::Report>(&reports);
  TTimer* t = Construct<TTimer>(app.get());
  t->SetInterval(100);
  t->SetOnTimer(TNotifyEvent::Of<&Thrower::TimerThrowsForeign>(&thrower));
  app->RunFor(150);
  EXPECT_EQ(reports.reports, 1);
  EXPECT_EQ(reports.lastMessage, "not one of ours");
}

TEST_F(AppLoop, AnExceptionFromAFormsMouseHandlerIsReportedAndLaterInputStillArrives) {
  ExceptionProbe reports;
  Thrower thrower;
  app->OnException = TExceptionEvent::Of<&ExceptionProbe::Report>(&reports);
  TForm* form = Construct<TForm>(app.get());
  form->OnMouseDown = TMouseEvent::Of<&Thrower::MouseThrows>(&thrower);
  form->Show();
  app->ProcessMessages();
  machine->Click(form->Handle(), 10, 10);
  machine->Click(form->Handle(), 20, 20);
  app->RunFor(10);
  EXPECT_EQ(thrower.calls, 2);
  EXPECT_EQ(reports.reports, 2);
  EXPECT_EQ(reports.lastMessage, "click went wrong");
}

TEST_F(AppLoop, WithoutOnExceptionTheReportGoesToTheErrorStreamAndTheLoopGoesOn) {
  Thrower thrower;
  TTimer* t = Construct<TTimer>(app.get());
  t->SetInterval(100);
  t->SetOnTimer(TNotifyEvent::Of<&Thrower::TimerThrows>(&thrower));
  const int beepsBefore = machine->Beeps();
  ::testing::internal::CaptureStderr();
  app->RunFor(250);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(thrower.calls, 2);
  EXPECT_EQ(machine->Beeps() - beepsBefore, 2);
  EXPECT_NE(said.find("timer went wrong"), std::string::npos) << said;
  EXPECT_FALSE(app->Terminated());
}

// ---- exceptions from messages sent straight to a window ----

// Stands in front of a form's handler as a hook would: raises on one message (for "shown",
// only the WM_WINDOWPOSCHANGED that shows the window) and passes everything else on.
struct RaisingFilter {
  TForm* form = nullptr;
  TWndMethod formHandler;
  UINT raiseOn = 0;
  int raised = 0;
  void Install(TForm* f, UINT message) {
    form = f;
    raiseOn = message;
    formHandler = f->WindowProc;
    f->WindowProc = TWndMethod::Of<&RaisingFilter::Handle>(this);
  }
  void Restore() { form->WindowProc = formHandler; }
  void Handle(TMessage& m) {
    const bool shown = m.Msg != WM_WINDOWPOSCHANGED ||
                       (reinterpret_cast<const WINDOWPOS*>(m.LParam)->flags & SWP_SHOWWINDOW);
    if (m.Msg == raiseOn && shown) {
      ++raised;
      throw EInvalidOperation("filter went wrong");
    }
    formHandler(m);
  }
};

TEST_F(AppLoop, AnExceptionWhileTheMainFormIsShownIsReportedAndRunGoesOn) {
  ExceptionProbe reports;
  app->OnException = TExceptionEvent::Of<&ExceptionProbe::Report>(&reports);
  TForm* form = app->CreateForm<TForm>();
  RaisingFilter filter;
  filter.Install(form, WM_WINDOWPOSCHANGED);
  Counter ticks;
  ticks.app = app.get();
  ticks.terminateAt = 3;
  Ticker(ticks, 10);
  EXPECT_NO_THROW(app->Run());
  EXPECT_EQ(filter.raised, 1);
  EXPECT_EQ(reports.reports, 1);
  EXPECT_EQ(reports.lastMessage, "filter went wrong");
  EXPECT_EQ(reports.lastSender, form);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(ticks.calls, 3);  // the loop went on until it was ended
  filter.Restore();
}

TEST_F(AppLoop, AWindowWhoseDestructionHandlerRaisesIsDestroyedOnceAndHearsNothingMore) {
  ExceptionProbe reports;
  app->OnException = TExceptionEvent::Of<&ExceptionProbe::Report>(&reports);
  Counter destroyed;
  TForm* form = Construct<TForm>(app.get());
  form->OnDestroy = destroyed.Of();
  RaisingFilter filter;
  filter.Install(form, WM_DESTROY);
  form->Show();
  app->ProcessMessages();
  const HWND window = form->Handle();
  EXPECT_NO_THROW(form->Free());
  EXPECT_EQ(filter.raised, 1);
  EXPECT_EQ(reports.reports, 1);
  EXPECT_EQ(destroyed.calls, 1);
  EXPECT_FALSE(IsWindow(window));
  // Every window of the application hears of the foreground going; the freed form's must not
  // be among them (the sanitizer build sees a use after free if it is).
  machine->DeactivateApplication();
  machine->ActivateApplication();
  app->ProcessMessages();
  EXPECT_EQ(SendMessage(window, WM_ACTIVATEAPP, 1, 0), 0);
  EXPECT_EQ(filter.raised, 1);
}

// ---- hooks on the application window ----

TEST_F(AppLoop, HooksSeeEveryMessageInOrderBeforeTheApplicationHandlesIt) {
  std::vector<std::string> order;
  HookProbe& a = Probe("a");
  HookProbe& b = Probe("b");
  a.order = b.order = &order;
  app->HookMainWindow(a.Of());
  app->HookMainWindow(b.Of());
  Post(kFirst);
  Post(kSecond);
  machine->ActivateApplication();
  app->ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "a", "b"}));
  EXPECT_EQ(a.seen, (std::vector<UINT>{kFirst, kSecond, WM_ACTIVATEAPP, CM_ACTIVATE}));
  EXPECT_EQ(b.seen, a.seen);
  // WM_ACTIVATEAPP reached the hook while the application still said it was inactive.
  EXPECT_FALSE(a.activeWhenSeen[2]);
  EXPECT_TRUE(app->Active());
}

TEST_F(AppLoop, AHookThatAnswersTrueStopsTheMessage) {
  HookProbe& stopper = Probe("stopper");
  HookProbe& later = Probe("later");
  stopper.swallow = WM_ACTIVATEAPP;
  app->HookMainWindow(stopper.Of());
  app->HookMainWindow(later.Of());
  machine->ActivateApplication();
  Post(kFirst);
  app->ProcessMessages();
  EXPECT_EQ(stopper.seen, (std::vector<UINT>{kFirst, WM_ACTIVATEAPP}));
  EXPECT_EQ(later.seen, (std::vector<UINT>{kFirst}));
  EXPECT_FALSE(app->Active());  // the application never handled it, so posted no CM_ACTIVATE
}

TEST_F(AppLoop, UnhookingRemovesTheFirstEqualHookOnly) {
  std::vector<std::string> order;
  HookProbe& a = Probe("a");
  HookProbe& b = Probe("b");
  a.order = b.order = &order;
  app->HookMainWindow(a.Of());
  app->HookMainWindow(b.Of());
  app->HookMainWindow(a.Of());
  app->UnhookMainWindow(a.Of());
  Post(kFirst);
  app->ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"b", "a"}));
}

TEST_F(AppLoop, UnhookingAHookThatIsNotThereChangesNothing) {
  std::vector<std::string> order;
  HookProbe& a = Probe("a");
  HookProbe& stranger = Probe("stranger");
  a.order = stranger.order = &order;
  app->HookMainWindow(a.Of());
  app->UnhookMainWindow(stranger.Of());
  Post(kFirst);
  app->ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"a"}));

  app->UnhookMainWindow(a.Of());
  app->UnhookMainWindow(a.Of());  // the second time there is none left
  order.clear();
  Post(kFirst);
  app->ProcessMessages();
  EXPECT_TRUE(order.empty());
}

// A hook that, on one message, unhooks another hook and frees the object it belongs to, as one
// frame timer freeing another from its activation handler does.
struct HookFreer {
  HookProbe* victim = nullptr;
  TApplication* app = nullptr;
  UINT on = 0;
  bool Hook(TMessage& m) {
    if (m.Msg == on && victim) {
      app->UnhookMainWindow(victim->Of());
      delete victim;
      victim = nullptr;
    }
    return false;
  }
};

TEST_F(AppLoop, AHookRemovedDuringAMessageIsNotCalledAndNoOtherIsSkippedOrRepeated) {
  std::vector<std::string> order;
  HookProbe& first = Probe("first");
  HookProbe& last = Probe("last");
  auto* doomed = new HookProbe;
  doomed->app = app.get();
  doomed->name = "doomed";
  first.order = last.order = doomed->order = &order;
  HookFreer freer{doomed, app.get(), kFirst};
  app->HookMainWindow(first.Of());
  app->HookMainWindow(TWindowHook::Of<&HookFreer::Hook>(&freer));
  app->HookMainWindow(doomed->Of());
  app->HookMainWindow(last.Of());
  Post(kFirst);
  Post(kSecond);
  app->ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"first", "last", "first", "last"}));
  app->UnhookMainWindow(TWindowHook::Of<&HookFreer::Hook>(&freer));
}

// A hook that hooks another in when it first sees a message.
struct HookAdder {
  HookProbe* newcomer = nullptr;
  TApplication* app = nullptr;
  bool Hook(TMessage&) {
    if (newcomer) app->HookMainWindow(newcomer->Of());
    newcomer = nullptr;
    return false;
  }
};

TEST_F(AppLoop, AHookAddedDuringAMessageSeesTheNextOne) {
  HookProbe& newcomer = Probe("newcomer");
  HookAdder adder{&newcomer, app.get()};
  app->HookMainWindow(TWindowHook::Of<&HookAdder::Hook>(&adder));
  Post(kFirst);
  Post(kSecond);
  app->ProcessMessages();
  EXPECT_EQ(newcomer.seen, (std::vector<UINT>{kSecond}));
  app->UnhookMainWindow(TWindowHook::Of<&HookAdder::Hook>(&adder));
}

// ---- activation ----

class AppActivation : public AppLoop {
 protected:
  void SetUp() override {
    AppLoop::SetUp();
    hook = &Probe();
    app->HookMainWindow(hook->Of());
    activated.order = deactivated.order = &order;
    activated.name = "OnActivate";
    deactivated.name = "OnDeactivate";
    app->OnActivate = activated.Of();
    app->OnDeactivate = deactivated.Of();
  }
  // The activation messages the hook has seen, in order.
  std::vector<UINT> ActivationSeen() const {
    std::vector<UINT> out;
    for (UINT m : hook->seen)
      if (m == WM_ACTIVATEAPP || m == CM_ACTIVATE || m == CM_DEACTIVATE) out.push_back(m);
    return out;
  }

  HookProbe* hook = nullptr;
  Counter activated, deactivated;
  std::vector<std::string> order;
};

TEST_F(AppActivation, TheMachineActivatingAndDeactivatingTheApplicationIsAnnounced) {
  machine->ActivateApplication();
  app->ProcessMessages();
  EXPECT_TRUE(app->Active());
  EXPECT_EQ(ActivationSeen(), (std::vector<UINT>{WM_ACTIVATEAPP, CM_ACTIVATE}));
  EXPECT_EQ(order, (std::vector<std::string>{"OnActivate"}));

  machine->DeactivateApplication();
  app->ProcessMessages();
  EXPECT_FALSE(app->Active());
  EXPECT_EQ(ActivationSeen(),
            (std::vector<UINT>{WM_ACTIVATEAPP, CM_ACTIVATE, WM_ACTIVATEAPP, CM_DEACTIVATE}));
  EXPECT_EQ(order, (std::vector<std::string>{"OnActivate", "OnDeactivate"}));
}

// Notes, for each message a form handles, whether the application was active then.
struct FormLog {
  TForm* form = nullptr;
  TWndMethod formHandler;
  std::vector<UINT> seen;
  bool activeWhenShown = false;
  void Install(TForm* f) {
    form = f;
    formHandler = f->WindowProc;
    f->WindowProc = TWndMethod::Of<&FormLog::Handle>(this);
  }
  ~FormLog() { form->WindowProc = formHandler; }
  void Handle(TMessage& m) {
    seen.push_back(m.Msg);
    if (m.Msg == WM_WINDOWPOSCHANGED &&
        (reinterpret_cast<const WINDOWPOS*>(m.LParam)->flags & SWP_SHOWWINDOW))
      activeWhenShown = Application->Active();
    formHandler(m);
  }
};

TEST_F(AppActivation, AFormShownForTheFirstTimeIsActiveBeforeItHearsItIsShown) {
  TForm* form = Construct<TForm>(app.get());
  FormLog log;
  log.Install(form);
  form->Show();
  EXPECT_TRUE(log.activeWhenShown);
  const std::vector<UINT> expected{WM_CREATE, WM_SHOWWINDOW, WM_ACTIVATE, WM_WINDOWPOSCHANGED};
  std::vector<UINT> got;
  for (UINT m : log.seen)
    if (std::find(expected.begin(), expected.end(), m) != expected.end()) got.push_back(m);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(form->Handle(), GetForegroundWindow());
}

TEST_F(AppActivation, AFormShownWithoutTheFocusLeavesTheApplicationInactive) {
  machine->SetFocusOnShow(false);
  TForm* form = Construct<TForm>(app.get());
  FormLog log;
  log.Install(form);
  form->Show();
  app->ProcessMessages();
  EXPECT_FALSE(log.activeWhenShown);
  EXPECT_FALSE(app->Active());
  EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), WM_ACTIVATE), 0);
}

TEST_F(AppActivation, ShowingAFormActivatesTheApplication) {
  TForm* form = Construct<TForm>(app.get());
  EXPECT_FALSE(app->Active());
  form->Show();
  app->ProcessMessages();
  EXPECT_TRUE(app->Active());
  EXPECT_EQ(ActivationSeen(), (std::vector<UINT>{WM_ACTIVATEAPP, CM_ACTIVATE}));
  EXPECT_EQ(activated.calls, 1);
}

TEST_F(AppActivation, FocusingAFormAfterAnotherProgramHadTheForegroundActivatesAgain) {
  TForm* form = Construct<TForm>(app.get());
  form->Show();
  app->ProcessMessages();
  machine->DeactivateApplication();
  app->ProcessMessages();
  ASSERT_FALSE(app->Active());
  machine->Focus(form->Handle());
  app->ProcessMessages();
  EXPECT_TRUE(app->Active());
  EXPECT_EQ(order, (std::vector<std::string>{"OnActivate", "OnDeactivate", "OnActivate"}));
}

TEST_F(AppActivation, StayingInTheForegroundIsNotAnnouncedAgain) {
  TForm* one = Construct<TForm>(app.get());
  TForm* two = Construct<TForm>(app.get());
  one->Show();
  two->Show();  // the focus moves between windows of the same application
  app->ProcessMessages();
  machine->Focus(one->Handle());
  app->ProcessMessages();
  EXPECT_TRUE(app->Active());
  EXPECT_EQ(activated.calls, 1);
  EXPECT_EQ(deactivated.calls, 0);
}

// ---- how Run ends ----

TEST_F(AppLoop, TerminateEndsRun) {
  Counter ticks;
  ticks.app = app.get();
  ticks.terminateAt = 5;
  Ticker(ticks, 10);
  app->Run();
  EXPECT_TRUE(app->Terminated());
  EXPECT_EQ(ticks.calls, 5);
}

struct Closer {
  headless::HeadlessBackend* machine = nullptr;
  HWND window = 0;
  int calls = 0;
  void Tick(TObject*) {
    if (++calls == 5) machine->RequestClose(window);
  }
};

TEST_F(AppLoop, ClosingTheMainFormEndsRunAndItsWindowLastsUntilTheApplicationGoes) {
  TForm* form = app->CreateForm<TForm>();
  ASSERT_EQ(app->MainForm(), form);
  const HWND h = form->Handle();
  Closer closer{machine, h};
  TTimer* t = Construct<TTimer>(app.get());
  t->SetInterval(10);
  t->SetOnTimer(TNotifyEvent::Of<&Closer::Tick>(&closer));
  app->Run();
  EXPECT_EQ(closer.calls, 5);
  EXPECT_TRUE(app->Terminated());
  EXPECT_TRUE(IsWindow(h));
  ASSERT_NE(machine->Window(h), nullptr);
  EXPECT_FALSE(machine->Window(h)->destroyed);
  app.reset();
  EXPECT_TRUE(machine->Window(h)->destroyed);
}

TEST_F(AppLoop, RunShowsTheMainFormAndEndsWhenNothingIsLeftToHappen) {
  TForm* form = app->CreateForm<TForm>();
  app->Run();  // would hang if it waited for an event that can never come
  EXPECT_TRUE(app->Terminated());
  const std::vector<HWND> shown = machine->VisibleWindows();
  EXPECT_NE(std::find(shown.begin(), shown.end(), form->Handle()), shown.end());
}

TEST_F(AppLoop, RunSleepsUntilAScriptedEventFarAhead) {
  TForm* form = app->CreateForm<TForm>();
  app->OnIdle = TIdleEvent::Of<&IdleProbe::Idle>(&idle);
  const HWND h = form->Handle();
  const std::uint32_t start = machine->Now();
  machine->QueueAt(start + 5000, {h, WM_SYSCOMMAND, SC_CLOSE, 0});
  app->Run();
  EXPECT_EQ(machine->Now(), start + 5000);
  EXPECT_LE(idle.times.size(), 3u);  // slept, did not poll
  EXPECT_TRUE(IsWindow(h));
}

struct Refuser {
  int asked = 0;
  void Close(TObject*, TCloseAction& Action) {
    ++asked;
    Action = caNone;
  }
};

TEST_F(AppLoop, AMainFormThatRefusesToCloseKeepsTheLoopRunning) {
  TForm* form = app->CreateForm<TForm>();
  Refuser refuser;
  form->OnClose = TCloseEvent::Of<&Refuser::Close>(&refuser);
  form->Show();
  app->ProcessMessages();
  machine->RequestClose(form->Handle());
  app->RunFor(100);
  EXPECT_EQ(refuser.asked, 1);
  EXPECT_FALSE(app->Terminated());
  EXPECT_TRUE(machine->Window(form->Handle())->visible);
}

TEST_F(AppLoop, RunForEndsAtItsDeadlineEvenWithATimerRunning) {
  Counter ticks;
  Ticker(ticks, 7);
  const std::uint32_t start = machine->Now();
  app->RunFor(100);
  EXPECT_EQ(machine->Now() - start, 100u);
  EXPECT_EQ(ticks.calls, 100 / 7);
  EXPECT_FALSE(app->Terminated());
}

}  // namespace
