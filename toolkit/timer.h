// The ordinary message timer: OnTimer every Interval milliseconds, through the message queue,
// while Enabled. Writing Enabled or Interval with the value it has changes nothing and does not
// restart the count.
#pragma once

#include <cstdint>

#include "platform/winapi.h"
#include "toolkit/classes.h"
#include "toolkit/messages.h"

class TTimer : public TComponent {
  DECLARE_CLASSINFO(TTimer);

  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // Milliseconds between two events; 0 stops the timer. Every other value is kept as written;
  // the count itself is clamped to the longest a message timer can run,
  // platform::kLongestTimerElapse (0x7FFFFFFF, about 24.8 days), so 0x80000000 and above fire
  // after that long.
  std::uint32_t Interval() const { return FInterval; }
  void SetInterval(std::uint32_t Value);
  // Assigning a handler (re)starts the count, as the timer only runs with one.
  void SetOnTimer(TNotifyEvent Value);
  TNotifyEvent OnTimer() const { return FOnTimer; }

 protected:
  virtual void Timer();

 private:
  void UpdateTimer();
  void WndProc(TMessage& Message);

  bool FEnabled = true;
  std::uint32_t FInterval = 1000;
  TNotifyEvent FOnTimer;
  platform::HWND FWindowHandle = 0;
};
