// Message plumbing shared by the toolkit's objects: window methods and hidden windows that
// deliver their messages to one.
#pragma once

#include "platform/winapi.h"
#include "toolkit/events.h"
#include "toolkit/types.h"

using TWndMethod = TEvent<void(TMessage& Message)>;

// A message-only window whose messages go to Method; DeallocateHWnd destroys it again.
platform::HWND AllocateHWnd(TWndMethod Method);
void DeallocateHWnd(platform::HWND Window);
