// marvosk-viewer: a window for looking at presentation with your own eyes. A display device and
// an image list on a game form draw a background and a dozen colour-keyed sprites that bounce
// about 32 times a second; Alt+Enter switches to full screen and back, as the game does.
//   marvosk-viewer [SECONDS]   (runs until closed, or for SECONDS)
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "display/dxdraw.h"
#include "display/surface.h"
#include "form/dxform.h"
#include "images/imagelist.h"
#include "picture/dib.h"
#include "platform/backend/sdl2/sdl2.h"
#include "platform/ddraw/service.h"
#include "platform/system/clock.h"
#include "platform/system/machine.h"
#include "timing_input/dxtimer.h"
#include "toolkit/application.h"
#include "toolkit/timer.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kSprite = 64;
constexpr int kSprites = 12;
constexpr std::uint32_t kFrameMs = 31;

// 24-bit pixels are red + green * 256 + blue * 65536.
std::uint32_t Rgb(int r, int g, int b) { return std::uint32_t(r) | (g << 8) | (b << 16); }

void PaintBackground(TDIB& dib) {
  dib.SetSize(kWidth, kHeight, 24);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool check = ((x / 32) + (y / 32)) % 2 == 0;
      dib.SetPixels(x, y, Rgb(40 + x * 160 / kWidth, check ? 90 : 70, 60 + y * 160 / kHeight));
    }
}

// A ball with a highlight on a white background, which is its colour key.
void PaintSprite(TDIB& dib) {
  dib.SetSize(kSprite, kSprite, 24);
  const double c = (kSprite - 1) / 2.0, r = kSprite / 2.0 - 2;
  for (int y = 0; y < kSprite; ++y)
    for (int x = 0; x < kSprite; ++x) {
      const double d = std::hypot(x - c, y - c);
      if (d > r) {
        dib.SetPixels(x, y, Rgb(255, 255, 255));
        continue;
      }
      const double light = std::hypot(x - c + r / 3, y - c + r / 3) / (2 * r);
      const int shade = int(230 * (1 - light));
      dib.SetPixels(x, y, Rgb(shade, shade / 3, 40));
    }
}

class TViewerForm : public TDXForm {
 public:
  explicit TViewerForm(TComponent* owner) : TDXForm(owner) {}

  TDXDraw* Draw = nullptr;
  TDXImageList* Images = nullptr;
  TDXTimer* Frames = nullptr;
  struct Ball {
    int x, y, dx, dy;
  } balls[kSprites] = {};

  void Build() {
    SetCaption("Marvosk viewer");
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu, biMinimize});
    SetClientWidth(kWidth);
    SetClientHeight(kHeight);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    OnKeyDown = TKeyEvent::Of<&TViewerForm::SwitchScreen>(this);

    Draw = Construct<TDXDraw>(this);
    Draw->SetParent(this);
    Draw->SetBounds(0, 0, kWidth, kHeight);
    Draw->SetAutoSize(false);
    Draw->SetAlign(alClient);
    Draw->SetOptions({doAllowReboot, doWaitVBlank, doCenter, doFlip});
    Draw->OnInitialize = TNotifyEvent::Of<&TViewerForm::Started>(this);
    Draw->OnFinalize = TNotifyEvent::Of<&TViewerForm::Stopped>(this);

    Images = Construct<TDXImageList>(this);
    Images->SetDXDraw(Draw);
    TDIB background, sprite;
    PaintBackground(background);
    PaintSprite(sprite);
    auto* back = static_cast<TPictureCollectionItem*>(Images->Items()->Add());
    back->Picture()->Assign(&background);
    back->SetTransparent(false);
    auto* ball = static_cast<TPictureCollectionItem*>(Images->Items()->Add());
    ball->Picture()->Assign(&sprite);
    ball->SetTransparentColor(clWhite);

    Frames = Construct<TDXTimer>(this);
    Frames->SetInterval(kFrameMs);
    Frames->SetEnabled(false);
    Frames->OnTimer = TDXTimerEvent::Of<&TViewerForm::Frame>(this);
    for (int i = 0; i < kSprites; ++i)
      balls[i] = {40 + i * 47, 30 + (i * 83) % 380, i % 2 ? 3 : -2, i % 3 ? 2 : -3};
    Draw->AfterLoading();
    Frames->AfterLoading();
  }

  void Started(TObject*) { Frames->SetEnabled(true); }
  void Stopped(TObject*) { Frames->SetEnabled(false); }

  void Frame(TObject*, std::int32_t) {
    if (!Draw->CanDraw()) return;
    TDirectDrawSurface* s = Draw->Surface();
    s->Fill(0);
    Images->Items()->Items(0)->Draw(s, 0, 0, 0);
    for (Ball& b : balls) {
      b.x += b.dx;
      b.y += b.dy;
      // Half a sprite may leave each edge, so clipping at the edges shows too.
      if (b.x < -kSprite / 2 || b.x > kWidth - kSprite / 2) b.dx = -b.dx;
      if (b.y < -kSprite / 2 || b.y > kHeight - kSprite / 2) b.dy = -b.dy;
      Images->Items()->Items(1)->Draw(s, b.x, b.y, 0);
    }
    Draw->Flip();
  }

  void SwitchScreen(TObject*, std::uint16_t& key, TShiftState shift) {
    if (!(shift.Contains(ssAlt) && key == platform::VK_RETURN)) return;
    const std::uint32_t start = platform::timeGetTime();
    Draw->Finalize();
    if (Draw->Options().Contains(doFullScreen)) {
      RestoreWindow();
      Draw->SetCursor(0);
      SetBorderStyle(bsSingle);
      Draw->SetOptions(Draw->Options() - TDXDrawOptions{doFullScreen});
    } else {
      StoreWindow();
      Draw->SetCursor(-1);
      SetBorderStyle(bsNone);
      Draw->SetOptions(Draw->Options() + TDXDrawOptions{doFullScreen});
    }
    Draw->Initialize();
    const bool full = Draw->Options().Contains(doFullScreen);
    std::printf("marvosk-viewer: %s in %u ms\n", full ? "full screen" : "window",
                platform::timeGetTime() - start);
    std::fflush(stdout);
  }
};

struct Deadline {
  TApplication* app;
  void End(TObject*) { app->Terminate(); }
};

}  // namespace

int main(int argc, char** argv) {
  if (!platform::sdl2::Install()) {
    std::fputs("marvosk-viewer: cannot open the desktop\n", stderr);
    return 1;
  }
  ddraw::RegisterService();
  int status = 0;
  try {
    TOwnedPtr<TApplication> app(new TApplication());
    auto* form = TCustomForm::CreateNew<TViewerForm>(app.get());
    app->SetMainForm(form);
    form->Build();
    Deadline deadline{app.get()};
    if (argc > 1) {
      auto* timer = Construct<TTimer>(form);
      timer->SetInterval(static_cast<std::uint32_t>(std::atof(argv[1]) * 1000));
      timer->SetOnTimer(TNotifyEvent::Of<&Deadline::End>(&deadline));
    }
    const std::uint32_t start = platform::timeGetTime();
    app->Run();
    // How many frames reached the screen, for comparing the rate with what was asked.
    const double seconds = (platform::timeGetTime() - start) / 1000.0;
    std::printf("marvosk-viewer: %zu frames in %.1f s\n", ddraw::PresentedFrames(), seconds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "marvosk-viewer: %s\n", e.what());
    status = 1;
  }
  platform::UninstallBackend();
  return status;
}
