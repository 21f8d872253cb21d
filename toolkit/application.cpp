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
  DeliverGuarded(app, [&] { app->WndProc(m); });
  return m.Result;
}

void TApplication::WndProc(TMessage& Message) {
  if (CallWindowHooks(Message)) return;
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

bool TApplication::CallWindowHooks(TMessage& Message) {
  // A hook may hook or unhook others, or free their owners, while the list is walked: a removed
  // hook leaves an empty place until the outermost walk ends, so indices stay put and nothing
  // removed is called. Hooks added during the walk first see the next message.
  ++FHookWalks;
  struct EndWalk {
    TApplication* app;
    ~EndWalk() {
      if (--app->FHookWalks == 0)
        std::erase_if(app->FWindowHooks, [](const TWindowHook& h) { return !h; });
    }
  } endWalk{this};
  const std::size_t count = FWindowHooks.size();
  for (std::size_t i = 0; i < count; ++i) {
    const TWindowHook hook = FWindowHooks[i];  // the list may grow while it runs
    if (hook && hook(Message)) return true;
  }
  return false;
}

void TApplication::HookMainWindow(TWindowHook Hook) {
  if (Hook) FWindowHooks.push_back(Hook);
}

void TApplication::UnhookMainWindow(TWindowHook Hook) {
  if (!Hook) return;
  const auto it = std::find(FWindowHooks.begin(), FWindowHooks.end(), Hook);
  if (it == FWindowHooks.end()) return;
  if (FHookWalks > 0)
    *it = nullptr;
  else
    FWindowHooks.erase(it);
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
  FIdleWaitMs = kBusyIdleWaitMs;
  if (OnIdle) DeliverGuarded(this, [&] { OnIdle(this, done); });
  const platform::DWORD wait = done ? MaxWaitMs : std::min(FIdleWaitMs, MaxWaitMs);
  // A machine on which nothing can ever happen again has nothing left to run.
  if (wait > 0 && platform::WaitMessage(wait) == platform::WaitResult::Never) FTerminated = true;
}

void TApplication::HandleMessage(platform::DWORD MaxWaitMs) {
  try {
    if (!ProcessMessage()) Idle(MaxWaitMs);
  } catch (...) {
    ReportHandlerException(this);
  }
}

void TApplication::ProcessMessages() {
  for (;;) {
    try {
      if (!ProcessMessage()) return;
    } catch (...) {
      ReportHandlerException(this);
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

void TApplication::Minimize() {
  for (int i = 0; i < ComponentCount(); ++i) {
    auto* form = dynamic_cast<TCustomForm*>(Components(i));
    if (form && form->HandleAllocated() && platform::IsWindowVisible(form->Handle()))
      platform::ShowWindow(form->Handle(), platform::SW_MINIMIZE);
  }
  if (OnMinimize) OnMinimize(this);
}

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
