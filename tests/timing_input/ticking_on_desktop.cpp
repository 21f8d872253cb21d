// A frame timer that runs only while the application is active, in a real window on the
// desktop. Showing the window must make the application active and give the window the real
// keyboard focus, also on an X server without a window manager: the timer ticks, and a key
// typed at the desktop (ticking_e2e.sh types F1) reaches the window. Exits 0 once both have
// happened, 1 when they have not within a few seconds.
#include <cstdio>

#include "platform/backend/sdl2/sdl2.h"
#include "platform/system/machine.h"
#include "timing_input/dxtimer.h"
#include "toolkit/forms.h"
#include "toolkit/timer.h"

namespace {

constexpr int kTicksWanted = 20;
constexpr std::uint32_t kGiveUpMs = 8000;

struct Run {
  TApplication* app = nullptr;
  int ticks = 0;
  bool keyArrived = false;
  void Check() {
    if (ticks >= kTicksWanted && keyArrived) app->Terminate();
  }
  void Tick(TObject*, std::int32_t) {
    ++ticks;
    Check();
  }
  void Key(TObject*, std::uint16_t& key, TShiftState) {
    if (key == platform::VK_F1) keyArrived = true;
    Check();
  }
  void GiveUp(TObject*) { app->Terminate(); }
};

}  // namespace

int main() {
  if (!platform::sdl2::Install()) {
    std::fputs("ticking_on_desktop: cannot open the desktop\n", stderr);
    return 1;
  }
  Run run;
  {
    TOwnedPtr<TApplication> app(new TApplication());
    run.app = app.get();
    auto* form = app->CreateForm<TForm>();
    form->SetCaption("Frame timer");
    form->SetClientWidth(200);
    form->SetClientHeight(100);
    form->OnKeyDown = TKeyEvent::Of<&Run::Key>(&run);
    auto* frames = Construct<TDXTimer>(form);
    frames->SetActiveOnly(true);
    frames->SetInterval(31);
    frames->OnTimer = TDXTimerEvent::Of<&Run::Tick>(&run);
    frames->AfterLoading();  // started as a stored description would start it
    auto* deadline = Construct<TTimer>(form);
    deadline->SetInterval(kGiveUpMs);
    deadline->SetOnTimer(TNotifyEvent::Of<&Run::GiveUp>(&run));
    app->Run();
    std::printf("active %d, %d frame ticks, F1 %s\n", app->Active() ? 1 : 0, run.ticks,
                run.keyArrived ? "arrived" : "never arrived");
  }
  platform::UninstallBackend();
  return run.ticks >= kTicksWanted && run.keyArrived ? 0 : 1;
}
