// Message plumbing shared by the toolkit's objects: window methods and hidden windows that
// deliver their messages to one.
#pragma once

#include "platform/winapi.h"
#include "toolkit/events.h"
#include "toolkit/types.h"

using TWndMethod = TEvent<void(TMessage& Message)>;

class TObject;

// Reports the exception being handled (call it only inside a catch block) through the
// application's exception report, or on the standard error stream when there is no
// application. Used where a message handler's exception must go no further.
void ReportHandlerException(TObject* Sender);

// Calls a window's message handler for a message the platform delivers. An exception that
// leaves the handler is reported and stops here: the platform never sees one, so what it does
// around a sent message (destroying a window, showing one, activating one) always completes.
template <class Deliver>
void DeliverGuarded(TObject* Sender, Deliver&& deliver) {
  try {
    deliver();
  } catch (...) {
    ReportHandlerException(Sender);
  }
}

// A message-only window whose messages go to Method; DeallocateHWnd destroys it again.
platform::HWND AllocateHWnd(TWndMethod Method);
void DeallocateHWnd(platform::HWND Window);
