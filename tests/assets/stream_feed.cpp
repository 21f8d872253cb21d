#include "tests/assets/stream_feed.h"

#include <algorithm>

#include "display/dxdraw.h"
#include "display/surface.h"
#include "images/imagelist.h"
#include "platform/backend/headless/headless.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "sound/dxsound.h"
#include "sound/wavelist.h"
#include "timing_input/dxtimer.h"
#include "toolkit/application.h"
#include "toolkit/sysutils.h"

namespace {
const TFieldInfo kFeedFields[] = {
    Field<&TFeedForm::First>("First"),
    Field<&TFeedForm::Second>("Second"),
    Field<&TFeedForm::DXInput>("DXInput"),
    Field<&TFeedForm::Timer1>("Timer1"),
    Field<&TFeedForm::DXDraw>("DXDraw"),
    Field<&TFeedForm::ImageList>("ImageList"),
    Field<&TFeedForm::DXTimer>("DXTimer"),
    Field<&TFeedForm::DXSound1>("DXSound1"),
    Field<&TFeedForm::DXWaveList1>("DXWaveList1"),
};
const TMethodInfo kFeedMethods[] = {
    PublishedMethod<&TFeedForm::Ping>("Ping"),
    PublishedMethod<&TFeedForm::Pong>("Pong"),
    PublishedMethod<&TFeedForm::Tick>("Tick"),
    PublishedMethod<&TFeedForm::Key>("Key"),
    // The handler names of the game's main window.
    PublishedMethod<&TFeedForm::Ping>("FormCreate"),
    PublishedMethod<&TFeedForm::Ping>("FormDestroy"),
    PublishedMethod<&TFeedForm::Key>("FormKeyDown"),
    PublishedMethod<&TFeedForm::Ping>("DXDrawInitialize"),
    PublishedMethod<&TFeedForm::Ping>("DXDrawFinalize"),
    PublishedMethod<&TFeedForm::PressAt>("DXDrawMouseDown"),
    PublishedMethod<&TFeedForm::MoveTo>("DXDrawMouseMove"),
    PublishedMethod<&TFeedForm::Tick>("DXTimerTimer"),
    PublishedMethod<&TFeedForm::Pong>("Timer1Timer"),
};

// Patterns drawn of one picture at most, and sound frames mixed after the waves start.
constexpr int kMostPatterns = 16;
constexpr int kMixedFrames = 2048;

// A read-only stream over the bytes, as over a stored resource.
class TBytes : public TCustomMemoryStream {
 public:
  TBytes(const std::uint8_t* Data, std::size_t Size) {
    SetPointer(Data, static_cast<std::int64_t>(Size));
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
};

// Draws every pattern of every picture the way the game draws its targets: inside the back
// buffer and across each of its edges; then presents the frame.
void DrawPictures(TCustomDXImageList& List) {
  TCustomDXDraw* draw = List.DXDraw();
  if (!draw || !draw->Initialized() || !draw->CanDraw()) return;
  TDirectDrawSurface* surface = draw->Surface();
  const std::int32_t w = draw->SurfaceWidth(), h = draw->SurfaceHeight();
  for (int i = 0; i < List.Items()->Count(); ++i) {
    auto* item = static_cast<TPictureCollectionItem*>(List.Items()->Items(i));
    const std::int32_t iw = item->Width(), ih = item->Height();
    for (int p = 0; p < std::min(item->PatternCount(), kMostPatterns); ++p) {
      item->Draw(surface, 0, 0, p);
      item->Draw(surface, -iw / 2, -ih / 2, p);
      item->Draw(surface, w - iw / 2, h - ih / 2, p);
    }
  }
  draw->Flip();
}

// Plays every wave at once and mixes the start of them all.
void PlayWaves(TCustomDXWaveList& List) {
  if (!List.Items()->ReadyForSound()) return;
  for (int i = 0; i < List.Items()->Count(); ++i)
    static_cast<TWaveCollectionItem*>(List.Items()->Items(i))->Play(false);
  if (auto* machine =
          dynamic_cast<platform::headless::HeadlessBackend*>(&platform::CurrentBackend())) {
    machine->PullAudio(kMixedFrames);
    machine->ClearAudioOutput();
  }
}

// What the game does with its built form: shows it (a display device and a sound device that
// start by themselves do so here, and a display device restores the pictures of its image
// lists into surfaces), starts those that did not, draws and plays. The system's own errors
// end the using; the game's loop would report them and go on.
void UseForm(TFeedForm& Form) {
  try {
    Form.Show();
    Application->ProcessMessages();
    for (int i = 0; i < Form.ComponentCount(); ++i) {
      if (auto* draw = dynamic_cast<TCustomDXDraw*>(Form.Components(i));
          draw && !draw->Initialized())
        draw->Initialize();
      if (auto* sound = dynamic_cast<TCustomDXSound*>(Form.Components(i));
          sound && !sound->Initialized())
        sound->Initialize();
    }
    for (int i = 0; i < Form.ComponentCount(); ++i)
      if (auto* list = dynamic_cast<TCustomDXImageList*>(Form.Components(i))) DrawPictures(*list);
    // Surfaces lost and restored: the pictures are written into them once more.
    for (int i = 0; i < Form.ComponentCount(); ++i)
      if (auto* draw = dynamic_cast<TCustomDXDraw*>(Form.Components(i));
          draw && draw->Initialized())
        draw->Restore();
    for (int i = 0; i < Form.ComponentCount(); ++i)
      if (auto* list = dynamic_cast<TCustomDXWaveList*>(Form.Components(i))) PlayWaves(*list);
  } catch (const Exception&) {
  }
}

}  // namespace

IMPLEMENT_CLASS(TFeedForm, TForm, .Fields = kFeedFields, .Methods = kFeedMethods)

bool FeedComponentStream(const std::uint8_t* Data, std::size_t Size) {
  SampleLog().clear();  // the sample components' record of one reading only
  ddraw::RegisterService();
  TOwnedPtr<TFeedForm> form(TCustomForm::CreateNew<TFeedForm>(Application));
  TBytes stream(Data, Size);
  try {
    if (Size > 0 && Data[0] != 'T')
      stream.ReadComponentRes(form.get());
    else
      stream.ReadComponent(form.get());
  } catch (const Exception&) {
    return false;
  }
  UseForm(*form);
  return true;
}
