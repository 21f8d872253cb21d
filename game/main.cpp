// The program entry: the desktop it was built for, the application, the main window, the loop.
#include <cstdio>

#include "game/main_form.h"
#include "platform/backend/desktop.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "toolkit/application.h"

int main() {
  if (!platform::InstallDesktop()) {
    std::fputs("marvosk: cannot open the desktop\n", stderr);
    return 1;
  }
  ddraw::RegisterService();  // "DDraw.dll", drawing on this desktop
  int status = 0;
  try {
    TOwnedPtr<TApplication> app(new TApplication());
    // Built from its stored description, "TMAINFORM", with all its components.
    MainForm = app->CreateForm<TMainForm>();
    app->Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "marvosk: %s\n", e.what());
    status = 1;
  }
  MainForm = nullptr;
  platform::UninstallBackend();
  return status;
}
