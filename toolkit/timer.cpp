#include "toolkit/timer.h"

#include "platform/system/machine.h"
#include "platform/system/windows.h"
#include "toolkit/application.h"
#include "toolkit/sysutils.h"

namespace {
constexpr std::uintptr_t kTimerId = 1;

// OnTimer is stored through the accessors, so that binding a handler starts the count.
TPropValue GetOnTimer(const TObject* o) {
  return static_cast<const TTimer*>(o)->OnTimer().Method();
}
void SetOnTimer(TObject* o, const TPropValue& v) {
  static_cast<TTimer*>(o)->SetOnTimer(TNotifyEvent::FromMethod(std::get<TMethod>(v)));
}
const TTypeInfo* NotifyEventType() { return typinfo_detail::MethodTypeInfo<TNotifyEvent>(); }

const TPropInfo kTimerProps[] = {
    Property<&TTimer::Enabled, &TTimer::SetEnabled>("Enabled", nullptr, 1),
    Property<&TTimer::Interval, &TTimer::SetInterval>("Interval", nullptr, 1000),
    TPropInfo{"OnTimer", NotifyEventType(), GetOnTimer, SetOnTimer},
};
}  // namespace

IMPLEMENT_CLASS(TTimer, TComponent, .Properties = kTimerProps)
REGISTER_CLASS(TTimer)

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  FWindowHandle = AllocateHWnd(TWndMethod::Of<&TTimer::WndProc>(this));
}

TTimer::~TTimer() {
  if (FWindowHandle && platform::HasBackend()) {
    platform::KillTimer(FWindowHandle, kTimerId);
    DeallocateHWnd(FWindowHandle);
  }
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(std::uint32_t Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
  FOnTimer = Value;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  platform::KillTimer(FWindowHandle, kTimerId);
  if (FInterval != 0 && FEnabled && FOnTimer &&
      !platform::SetTimer(FWindowHandle, kTimerId, FInterval))
    throw EOutOfResources(msg::SNoTimers);
}

void TTimer::WndProc(TMessage& Message) {
  if (Message.Msg != platform::WM_TIMER) {
    Message.Result =
        platform::DefWindowProc(FWindowHandle, Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  DeliverGuarded(this, [this] { Timer(); });
}

void TTimer::Timer() {
  if (FOnTimer) FOnTimer(this);
}
