#include "toolkit/messages.h"

#include <cstdio>
#include <exception>

#include "platform/system/windows.h"
#include "toolkit/application.h"
#include "toolkit/sysutils.h"

void ReportHandlerException(TObject* Sender) {
  try {
    throw;
  } catch (const std::exception& e) {
    if (Application) {
      Application->HandleException(Sender, e);
      return;
    }
    std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    if (Application) {
      Application->HandleException(Sender, Exception(msg::SUnknownException));
      return;
    }
    std::fprintf(stderr, "%s\n", msg::SUnknownException);
  }
}

namespace {
platform::LRESULT UtilityWndProc(platform::HWND window, platform::UINT message,
                                 platform::WPARAM wParam, platform::LPARAM lParam) {
  auto* method = static_cast<TWndMethod*>(platform::GetWindowUserData(window));
  if (!method || !*method) return platform::DefWindowProc(window, message, wParam, lParam);
  TMessage m{message, wParam, lParam, 0};
  DeliverGuarded(nullptr, [&] { (*method)(m); });
  return m.Result;
}
}  // namespace

platform::HWND AllocateHWnd(TWndMethod Method) {
  auto* method = new TWndMethod(Method);
  const platform::HWND window = platform::CreateWindowEx(
      0, "", platform::WS_POPUP, 0, 0, 0, 0, platform::HWND_MESSAGE, UtilityWndProc, method);
  if (!window) {
    delete method;
    throw EOutOfResources(msg::SWindowNotMade);
  }
  return window;
}

void DeallocateHWnd(platform::HWND Window) {
  auto* method = static_cast<TWndMethod*>(platform::GetWindowUserData(Window));
  platform::DestroyWindow(Window);
  delete method;
}
