// The display device in a real window: a still picture of pure colours, fine enough that any
// shift, scaling or format error shows, is drawn into the back buffer and presented every frame;
// in a window, frames after the first present only a square of it each, which must leave the
// rest of the window showing. After each start of the device (window mode, then full screen
// after Alt+Enter) the back buffer is written as OUT/back-window.ppm or OUT/back-full.ppm, for
// screen_e2e.sh to compare with screenshots of the desktop; in window mode the screen surface's
// pixels at the window's place, as the desktop gives them back, go to OUT/screen-window.ppm
// first.
//   screen_on_desktop OUT
#include <cstdio>
#include <iterator>
#include <string>

#include "display/dxdraw.h"
#include "display/surface.h"
#include "form/dxform.h"
#include "platform/backend/sdl2/sdl2.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "platform/system/windows.h"
#include "timing_input/dxtimer.h"
#include "toolkit/application.h"
#include "toolkit/timer.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr TColor kColours[] = {clBlack, clWhite,  clRed,  clLime,
                               clBlue,  clYellow, clAqua, clFuchsia};

// Pure colours only (every channel 0 or 255), so that no conversion can change them: the index
// into kColours of the pixel at (x, y).
std::size_t PatternAt(int x, int y) {
  if (y < 8) return (x + y) % 2;      // one-pixel black and white checks along the top
  if (x < 8) return (y % 2) ? 2 : 4;  // one-pixel red and blue stripes down the left
  return static_cast<std::size_t>(((x / 16) + (y / 12) * 3) % 8);
}

class TScreenForm : public TDXForm {
 public:
  explicit TScreenForm(TComponent* owner) : TDXForm(owner) {}
  TDXDraw* Draw = nullptr;
  TDXTimer* Frames = nullptr;
  std::string Out;
  int Presented = 0;  // frames since the device started
  std::uint32_t Device[std::size(kColours)] = {};

  void Build() {
    SetCaption("Screen check");
    SetBorderStyle(bsSingle);
    SetClientWidth(kWidth);
    SetClientHeight(kHeight);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    OnKeyDown = TKeyEvent::Of<&TScreenForm::SwitchScreen>(this);
    Draw = Construct<TDXDraw>(this);
    Draw->SetParent(this);
    Draw->SetBounds(0, 0, kWidth, kHeight);
    Draw->SetAutoSize(false);
    Draw->SetAlign(alClient);
    Draw->SetOptions({doAllowReboot, doWaitVBlank, doCenter, doFlip});
    Draw->OnInitialize = TNotifyEvent::Of<&TScreenForm::Started>(this);
    Draw->OnFinalize = TNotifyEvent::Of<&TScreenForm::Stopped>(this);
    Frames = Construct<TDXTimer>(this);
    Frames->SetInterval(31);
    Frames->SetEnabled(false);
    Frames->OnTimer = TDXTimerEvent::Of<&TScreenForm::Frame>(this);
    Draw->AfterLoading();
  }
  void Started(TObject*) {
    Frames->SetEnabled(true);
    Presented = 0;
  }
  void Stopped(TObject*) { Frames->SetEnabled(false); }

  // In a window, the first frame after each start of the device is presented whole and the
  // next kPartialFrames only a square of it each, straight onto the screen: the window must go
  // on showing the whole picture. The back buffer is written out after them.
  static constexpr int kPartialFrames = 4;
  static constexpr int kSquare = 32;

  void Frame(TObject*, std::int32_t) {
    if (!Draw->CanDraw()) return;
    TDirectDrawSurface* s = Draw->Surface();
    if (Presented == 0) {  // the device values of the colours, once per start of the device
      for (std::size_t i = 0; i < std::size(kColours); ++i) Device[i] = s->ColorMatch(kColours[i]);
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) s->SetPixel(x, y, Device[PatternAt(x, y)]);
    }
    const bool window = !Draw->Options().Contains(doFullScreen);
    if (Presented == 0 || !window) {
      Draw->Flip();
    } else {
      platform::POINT p{0, 0};
      platform::ClientToScreen(Draw->Handle(), p);
      const int left = 100 + 40 * (Presented % 8), top = 100 + 30 * (Presented % 4);
      const TRect square = Rect(left, top, left + kSquare, top + kSquare);
      DDBLTFX fx{};
      fx.dwSize = sizeof fx;
      Draw->Primary()->Blt(Rect(p.x + left, p.y + top, p.x + left + kSquare, p.y + top + kSquare),
                           square, DDBLT_WAIT, fx, s);
    }
    ++Presented;
    if (Presented != (window ? 1 + kPartialFrames : 1)) return;
    if (window) {
      platform::POINT p{0, 0};
      platform::ClientToScreen(Draw->Handle(), p);
      TDirectDrawSurface* screen = Draw->Primary();
      if (!screen->Lock()) return;
      Dump(screen, "/screen-window.ppm", p.x, p.y);
      screen->UnLock();
    }
    Dump(s, window ? "/back-window.ppm" : "/back-full.ppm", 0, 0);
  }

  // 640x480 pixels of a surface from (left, top) on, each widened from the surface's format to
  // 8 bits a channel.
  void Dump(TDirectDrawSurface* s, const char* name, int left, int top) {
    const std::string path = Out + name;
    // Written aside and renamed, so that a reader never sees half a picture.
    const std::string part = path + ".part";
    FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) return;
    const DDPIXELFORMAT& pf = s->SurfaceDesc().ddpfPixelFormat;
    auto channel = [](std::uint32_t v, std::uint32_t mask) -> unsigned char {
      if (!mask) return 0;
      int shift = 0, bits = 0;
      while (!((mask >> shift) & 1)) ++shift;
      while ((mask >> (shift + bits)) & 1) ++bits;
      const std::uint32_t c = (v & mask) >> shift, top = (1u << bits) - 1;
      return static_cast<unsigned char>((c * 255 + top / 2) / top);
    };
    std::fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const std::uint32_t v = s->GetPixel(left + x, top + y);
        const unsigned char rgb[3] = {channel(v, pf.dwRBitMask), channel(v, pf.dwGBitMask),
                                      channel(v, pf.dwBBitMask)};
        std::fwrite(rgb, 1, 3, f);
      }
    std::fclose(f);
    std::rename(part.c_str(), path.c_str());
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
  }

  void SwitchScreen(TObject*, std::uint16_t& key, TShiftState shift) {
    if (!(shift.Contains(ssAlt) && key == platform::VK_RETURN)) return;
    Draw->Finalize();
    StoreWindow();
    SetBorderStyle(bsNone);
    Draw->SetOptions(Draw->Options() + TDXDrawOptions{doFullScreen});
    Draw->Initialize();
  }
};

struct Deadline {
  TApplication* app;
  void End(TObject*) { app->Terminate(); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !platform::sdl2::Install()) return 1;
  ddraw::RegisterService();
  {
    TOwnedPtr<TApplication> app(new TApplication());
    auto* form = TCustomForm::CreateNew<TScreenForm>(app.get());
    app->SetMainForm(form);
    form->Out = argv[1];
    form->Build();
    Deadline deadline{app.get()};
    auto* timer = Construct<TTimer>(form);
    timer->SetInterval(30000);  // the script ends it sooner
    timer->SetOnTimer(TNotifyEvent::Of<&Deadline::End>(&deadline));
    app->Run();
  }
  platform::UninstallBackend();
  return 0;
}
