#include "timing_input/dxtimer.h"

#include "platform/system/clock.h"
#include "toolkit/numeric.h"

namespace {
constexpr std::uint32_t kDefaultInterval = 1000;
constexpr std::uint32_t kTopBit = 0x80000000u;
constexpr std::int32_t kMeasuringPeriodMs = 1000;
}  // namespace

IMPLEMENT_CLASS(TCustomDXTimer, TComponent)

TCustomDXTimer::TCustomDXTimer(TComponent* AOwner) : TComponent(AOwner) {
  FActiveOnly = true;
  FEnabled = true;
  SetInterval(kDefaultInterval);
  if (Application) Application->HookMainWindow(Hook());
}

TCustomDXTimer::~TCustomDXTimer() {
  StopTiming();
  if (Application) Application->UnhookMainWindow(Hook());
}

void TCustomDXTimer::SetInterval(std::uint32_t Value) {
  if (Value == FInterval) return;
  FInterval = (Value & kTopBit) ? 0 : Value;
  FInterval2 = (Value == 0 || (Value & kTopBit)) ? 1 : Value;
}

void TCustomDXTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csReading)) return;
  if (Value)
    StartTiming();
  else
    StopTiming();
}

void TCustomDXTimer::SetActiveOnly(bool Value) {
  if (Value == FActiveOnly) return;
  FActiveOnly = Value;
  if (Value && FInitialized && Application && !Application->Active()) DetachIdle();
}

void TCustomDXTimer::AfterLoading() {
  TComponent::AfterLoading();
  if (!ComponentState().Contains(csDesigning) && FEnabled) StartTiming();
}

void TCustomDXTimer::StartTiming() {
  StopTiming();
  if (!FActiveOnly || (Application && Application->Active())) AttachIdle();
  FInitialized = true;
}

void TCustomDXTimer::StopTiming() {
  if (!FInitialized) return;
  DetachIdle();
  FInitialized = false;
}

void TCustomDXTimer::AttachIdle() {
  FOldTime = platform::timeGetTime();
  FOldTime2 = platform::timeGetTime();
  if (Application) Application->OnIdle = TIdleEvent::Of<&TCustomDXTimer::IdleTick>(this);
}

void TCustomDXTimer::DetachIdle() {
  if (Application) Application->OnIdle = nullptr;
}

void TCustomDXTimer::IdleTick(TObject*, bool& Done) {
  Done = false;
  const std::uint32_t t = platform::timeGetTime();
  const std::uint32_t elapsed = t - FOldTime;
  // Nothing is due before the interval is over: the loop need not look again until then.
  if (elapsed < FInterval) {
    if (Application) Application->IdleQuietFor(FInterval - elapsed);
    return;
  }
  FOldTime = t;
  std::int32_t lagCount = static_cast<std::int32_t>(elapsed / FInterval2);
  if (lagCount < 1) lagCount = 1;
  ++FNowFrameRate;
  std::int32_t period = static_cast<std::int32_t>(t - FOldTime2);
  if (period < 1) period = 1;
  if (period >= kMeasuringPeriodMs) {
    FFrameRate = static_cast<std::int32_t>(Round(FNowFrameRate * 1000.0 / period));
    FNowFrameRate = 0;
    FOldTime2 = t;
  }
  // Last: a handler may free the timer. The next idle call, a moment later, says how long the
  // loop may sleep.
  NotifyTimer(lagCount);
}

bool TCustomDXTimer::ActivationHook(TMessage& Message) {
  if (Message.Msg == CM_ACTIVATE) {
    NotifyActivate();
    if (FInitialized && FActiveOnly) AttachIdle();
  } else if (Message.Msg == CM_DEACTIVATE) {
    NotifyDeactivate();
    if (FInitialized && FActiveOnly) DetachIdle();
  }
  return false;
}

void TCustomDXTimer::NotifyActivate() {
  if (OnActivate) OnActivate(this);
}

void TCustomDXTimer::NotifyDeactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomDXTimer::NotifyTimer(std::int32_t LagCount) {
  if (OnTimer) OnTimer(this, LagCount);
}

namespace {
// No stored defaults: every property is always written and read.
const TPropInfo kDXTimerProps[] = {
    Property<&TDXTimer::ActiveOnly, &TDXTimer::SetActiveOnly>("ActiveOnly"),
    Property<&TDXTimer::Enabled, &TDXTimer::SetEnabled>("Enabled"),
    Property<&TDXTimer::Interval, &TDXTimer::SetInterval>("Interval"),
    EventProperty<&TDXTimer::OnActivate>("OnActivate"),
    EventProperty<&TDXTimer::OnDeactivate>("OnDeactivate"),
    EventProperty<&TDXTimer::OnTimer>("OnTimer"),
};
}  // namespace

IMPLEMENT_CLASS(TDXTimer, TCustomDXTimer, .Properties = kDXTimerProps)
REGISTER_CLASS(TDXTimer)

TDXTimer::TDXTimer(TComponent* AOwner) : TCustomDXTimer(AOwner) {}
