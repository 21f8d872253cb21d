// The frame timer: calls OnTimer at a steady pace from the application's idle processing,
// with the number of whole intervals that passed since the previous call (LagCount, at least
// 1). It uses no system timer and no thread: while it runs, the idle handler reads the clock
// on every call and fires once at least Interval milliseconds have passed. With ActiveOnly it
// stands still while another program has the foreground.
//
// The timer owns the application's OnIdle while it runs: the last timer started owns it, and
// any timer that stops empties it.
#pragma once

#include <cstdint>

#include "toolkit/application.h"
#include "toolkit/classes.h"

using TDXTimerEvent = TEvent<void(TObject* Sender, std::int32_t LagCount)>;

class TCustomDXTimer : public TComponent {
  DECLARE_CLASSINFO(TCustomDXTimer);

  // Needs the global Application, whose activation notifications it follows.
  explicit TCustomDXTimer(TComponent* AOwner);
  ~TCustomDXTimer() override;

  bool ActiveOnly() const { return FActiveOnly; }
  // True while the application is inactive stops a running timer at once; False takes
  // effect at the next start or activation.
  void SetActiveOnly(bool Value);
  bool Enabled() const { return FEnabled; }
  // Starts or stops timing; while the component is being loaded only the value is kept.
  void SetEnabled(bool Value);
  std::uint32_t Interval() const { return FInterval; }
  // Least milliseconds between two ticks; a value with the top bit set counts as 0. Applies
  // from the next idle call.
  void SetInterval(std::uint32_t Value);
  // Ticks per second over the last completed second of ticking; 0 until one has completed.
  std::int32_t FrameRate() const { return FFrameRate; }
  // Timing has been started and not stopped since.
  bool Initialized() const { return FInitialized; }

  void AfterLoading() override;

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TDXTimerEvent OnTimer;

 protected:
  virtual void NotifyActivate();
  virtual void NotifyDeactivate();
  virtual void NotifyTimer(std::int32_t LagCount);

 private:
  void StartTiming();
  void StopTiming();
  void AttachIdle();
  void DetachIdle();
  void IdleTick(TObject* Sender, bool& Done);
  bool ActivationHook(TMessage& Message);
  TWindowHook Hook() { return TWindowHook::Of<&TCustomDXTimer::ActivationHook>(this); }

  bool FActiveOnly = true;
  bool FEnabled = true;
  std::int32_t FFrameRate = 0;
  bool FInitialized = false;
  std::uint32_t FInterval = 0;
  std::uint32_t FInterval2 = 1;
  std::int32_t FNowFrameRate = 0;
  std::uint32_t FOldTime = 0;
  std::uint32_t FOldTime2 = 0;
};

class TDXTimer : public TCustomDXTimer {
  DECLARE_CLASSINFO(TDXTimer);
  explicit TDXTimer(TComponent* AOwner);
};
