// The application object: the message loop with its idle processing, the application's own
// hidden window with its hooks and activation notifications, and the report of exceptions that
// leave event handlers.
//
// The loop takes and dispatches messages until none is waiting, then calls OnIdle with Done
// True. Done left True: the loop sleeps until the next message. Done set False: the loop looks
// for a message again at once, waiting at most kBusyIdleWaitMs, so that a handler that polls
// (the frame timer) runs again and again without burning a whole core. A handler that leaves
// Done False but knows it has nothing to do for a while says so with IdleQuietFor: the loop then
// waits that long for a message instead.
//
// When the application as a whole gains or loses the foreground, the hidden window receives
// WM_ACTIVATEAPP; Active changes then, and CM_ACTIVATE (0xB000) or CM_DEACTIVATE (0xB001) is
// posted to the same window. Hooks see every message of that window before the application
// handles it; a hook that answers true has handled it.
#pragma once

#include <algorithm>
#include <vector>

#include "platform/winapi.h"
#include "toolkit/classes.h"
#include "toolkit/messages.h"
#include "toolkit/sysutils.h"

class TCustomForm;

using TIdleEvent = TEvent<void(TObject* Sender, bool& Done)>;
using TWindowHook = TEvent<bool(TMessage& Message)>;
using TExceptionEvent = TEvent<void(TObject* Sender, const Exception& E)>;

constexpr platform::DWORD kBusyIdleWaitMs = 1;

class TApplication : public TComponent {
  DECLARE_CLASSINFO(TApplication);

  // The first application made becomes the global Application.
  explicit TApplication(TComponent* AOwner = nullptr);
  ~TApplication() override;

  platform::HWND Handle() const { return FHandle; }
  // True while one of the application's windows has the foreground.
  bool Active() const { return FActive; }
  bool Terminated() const { return FTerminated; }
  // The first form made with CreateForm; closing it ends the loop.
  TCustomForm* MainForm() const { return FMainForm; }
  void SetMainForm(TCustomForm* Form) { FMainForm = Form; }
  std::string Title() const { return FTitle; }
  void SetTitle(const std::string& Title) { FTitle = Title; }

  // Makes a form owned by the application; the first becomes the main form.
  template <class T>
  T* CreateForm() {
    T* form = Construct<T>(this);
    if (!FMainForm) FMainForm = form;
    return form;
  }

  // Shows the main form and runs the loop until Terminate or WM_QUIT.
  void Run();
  // Runs the loop for Milliseconds of the platform clock, or until terminated.
  void RunFor(platform::DWORD Milliseconds);
  // Takes and dispatches one message, or, when none is waiting, does the idle processing and
  // waits at most MaxWaitMs for the next.
  void HandleMessage(platform::DWORD MaxWaitMs = platform::INFINITE);
  // Dispatches every message waiting, without idle processing.
  void ProcessMessages();
  // Ends the loop.
  void Terminate();
  // Sends the whole application to the taskbar: every shown form is minimised, then
  // OnMinimize. This is what a main form's window-menu "minimise" does, unless the form
  // handles that command itself.
  void Minimize();

  // Hooks see the application window's messages in the order they were added. A hook removed
  // while the list is walked is not called any more, even by the walk under way.
  void HookMainWindow(TWindowHook Hook);
  // Removes the first hook equal to Hook; nothing when there is none.
  void UnhookMainWindow(TWindowHook Hook);

  // Reports an exception that left an event handler: OnException when set, else a line on the
  // standard error stream with a beep. The loop goes on afterwards.
  void HandleException(TObject* Sender, const std::exception& E);
  void ShowException(const Exception& E);

  // Called from OnIdle: the handler, leaving Done False, has nothing to do for the next Ms
  // milliseconds, so the loop may wait that long for a message (at least kBusyIdleWaitMs).
  // Holds for the current call only.
  void IdleQuietFor(platform::DWORD Ms) { FIdleWaitMs = std::max(Ms, kBusyIdleWaitMs); }

  TIdleEvent OnIdle;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnMinimize;
  TExceptionEvent OnException;

 protected:
  void BeforeDestruction() override;

 private:
  static platform::LRESULT AppWndProc(platform::HWND window, platform::UINT message,
                                      platform::WPARAM wParam, platform::LPARAM lParam);
  void WndProc(TMessage& Message);
  bool CallWindowHooks(TMessage& Message);
  bool ProcessMessage();
  void Idle(platform::DWORD MaxWaitMs);

  platform::HWND FHandle = 0;
  bool FActive = false;
  bool FTerminated = false;
  platform::DWORD FIdleWaitMs = kBusyIdleWaitMs;  // of the idle call under way
  TCustomForm* FMainForm = nullptr;
  std::string FTitle = "Marvosk";
  std::vector<TWindowHook> FWindowHooks;  // empty places stand for hooks removed mid-walk
  int FHookWalks = 0;                     // walks of FWindowHooks under way
};

extern TApplication* Application;
