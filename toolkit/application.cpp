#include "toolkit/application.h"

#include <algorithm>
#include <cstdio>

#include "platform/system/clock.h"
#include "platform/system/machine.h"
#include "platform/system/windows.h"
#include "toolkit/forms.h"

TApplication* Application = nullptr;

IMPLEMENT_CLASS(TApplication, TComponent)

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  if (!Application) Application = this;
  FHandle = platform::CreateWindowEx(0, FTitle, platform::WS_POPUP, 0, 0, 0, 0,
                                     platform::HWND_MESSAGE, AppWndProc, this);
  if (!FHandle) throw EOutOfResources(msg::SWindowNotMade);
}

TApplication::~TApplication() {
  if (FHandle && platform::HasBackend()) platform::DestroyWindow(FHandle);
  if (Application == this) Application = nullptr;
}

void TApplication::BeforeDestruction() {
  TComponent::BeforeDestruction();  // the forms go first, while the application still works
  FMainForm = nullptr;
  if (FHandle) platform::DestroyWindow(FHandle);
  FHandle = 0;
}

platform::LRESULT TApplication::AppWndProc(platform::HWND window, platform::UINT message,
                                           platform::WPARAM wParam, platform::LPARAM lParam) {
  auto* app = static_cast<TApplication*>(platform::GetWindowUserData(window));
  if (!app) return platform::DefWindowProc(window, message, wParam, lParam);
  if (!app->FHandle) app->FHandle = window;  // messages sent while the window is being made
  TMessage m{message, wParam, lParam, 0};
  app->WndProc(m);
  return m.Result;
}

void TApplication::WndProc(TMessage& Message) {
  const std::vector<TWindowHook> hooks = FWindowHooks;  // a hook may unhook itself
  for (const TWindowHook& hook : hooks)
    if (hook(Message)) return;
  switch (Message.Msg) {
    case platform::WM_ACTIVATEAPP:
      FActive = Message.WParam != 0;
      platform::PostMessage(FHandle, FActive ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0);
      break;
    case CM_ACTIVATE:
      if (OnActivate) OnActivate(this);
      break;
    case CM_DEACTIVATE:
      if (OnDeactivate) OnDeactivate(this);
      break;
    default:
      Message.Result =
          platform::DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
  }
}

void TApplication::HookMainWindow(TWindowHook Hook) { FWindowHooks.push_back(Hook); }

void TApplication::UnhookMainWindow(TWindowHook Hook) {
  const auto it = std::find(FWindowHooks.begin(), FWindowHooks.end(), Hook);
  if (it != FWindowHooks.end()) FWindowHooks.erase(it);
}

bool TApplication::ProcessMessage() {
  platform::MSG m;
  if (!platform::PeekMessage(m)) return false;
  if (m.message == platform::WM_QUIT)
    FTerminated = true;
  else
    platform::DispatchMessage(m);
  return true;
}

void TApplication::Idle(platform::DWORD MaxWaitMs) {
  bool done = true;
  if (OnIdle) {
    try {
      OnIdle(this, done);
    } catch (const std::exception& e) {
      HandleException(this, e);
    }
  }
  const platform::DWORD wait = done ? MaxWaitMs : std::min(kBusyIdleWaitMs, MaxWaitMs);
  // A machine on which nothing can ever happen again has nothing left to run.
  if (wait > 0 && platform::WaitMessage(wait) == platform::WaitResult::Never) FTerminated = true;
}

void TApplication::HandleMessage(platform::DWORD MaxWaitMs) {
  try {
    if (!ProcessMessage()) Idle(MaxWaitMs);
  } catch (const std::exception& e) {
    HandleException(this, e);
  } catch (...) {
    HandleException(this, Exception("Unknown exception"));
  }
}

void TApplication::ProcessMessages() {
  for (;;) {
    try {
      if (!ProcessMessage()) return;
    } catch (const std::exception& e) {
      HandleException(this, e);
    }
  }
}

void TApplication::Run() {
  if (FMainForm) FMainForm->Show();
  while (!FTerminated) HandleMessage();
}

void TApplication::RunFor(platform::DWORD Milliseconds) {
  const std::uint32_t start = platform::timeGetTime();
  while (!FTerminated) {
    const std::uint32_t spent = platform::timeGetTime() - start;
    if (spent >= Milliseconds) break;
    HandleMessage(Milliseconds - spent);
  }
}

void TApplication::Terminate() { platform::PostQuitMessage(0); }

void TApplication::HandleException(TObject* Sender, const std::exception& E) {
  const auto* known = dynamic_cast<const Exception*>(&E);
  const Exception wrapped(E.what());
  const Exception& report = known ? *known : wrapped;
  if (OnException)
    OnException(Sender, report);
  else
    ShowException(report);
}

void TApplication::ShowException(const Exception& E) {
  std::fprintf(stderr, "%s: %s\n", FTitle.c_str(), E.Message().c_str());
  platform::MessageBeep();
}
