// The program entry: the desktop, the application, the main window, the loop.
#include <cstdio>

#include "game/main_form.h"
#include "platform/backend/sdl2/sdl2.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "toolkit/application.h"

int main() {
  if (!platform::sdl2::Install()) {
    std::fputs("marvosk: cannot open the desktop\n", stderr);
    return 1;
  }
  ddraw::RegisterService();  // "DDraw.dll", drawing on this desktop
  int status = 0;
  try {
    TOwnedPtr<TApplication> app(new TApplication());
    // FIXME: made without its stored description until the generator supplies "TMAINFORM";
    // then this is app->CreateForm<TMainForm>() again.
    MainForm = TCustomForm::CreateNew<TMainForm>(app.get());
    app->SetMainForm(MainForm);
    app->Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "marvosk: %s\n", e.what());
    status = 1;
  }
  MainForm = nullptr;
  platform::UninstallBackend();
  return status;
}
