// Writes seed inputs for the stream fuzzer into the folder given: form streams written by the
// system's own writer, with components of every kind the reader can build, and the same behind
// a component-resource header; and the game's main window as the program stores it, with every
// picture cut down to a corner of it (some run-length coded) and every sound to its start, so
// that the fuzzer's inputs reach the display device, the image list and the sound device.
#include <algorithm>
#include <cstdio>
#include <string>

#include "images/imagelist.h"
#include "picture/dib.h"
#include "platform/backend/headless/headless.h"
#include "sound/wavelist.h"
#include "tests/assets/stream_feed.h"
#include "toolkit/application.h"

namespace {

void Save(const std::string& folder, const std::string& name, TMemoryStream& stream) {
  const std::string path = folder + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(stream.Memory(), 1, static_cast<std::size_t>(stream.Size()), f);
  std::fclose(f);
}

TFeedForm* SampleForm() {
  auto* form = TCustomForm::CreateNew<TFeedForm>(Application);
  form->SetName("Feed");
  form->SetCaption("Seed");
  form->SetClientWidth(64);
  form->SetTextHeight(13);
  auto* first = Construct<TSampleWidget>(form);
  first->SetName("First");
  auto* second = Construct<TSampleWidget>(form);
  second->SetName("Second");
  first->SetCount(-300);
  first->SetBig(std::int64_t{1} << 40);
  first->SetRatio(0.5);
  first->SetShade(shDeep);
  first->SetShades({shDark, shPale});
  first->SetFlag(true);
  first->SetText("caf\xC3\xA9");
  first->SetBuddy(second);
  first->OnPing = TNotifyEvent::Of<&TFeedForm::Ping>(form);
  first->OnTick = TSampleTickEvent::Of<&TFeedForm::Tick>(form);
  first->Blob = "0123456789abcdef";
  first->Note = "note";
  first->HasValues = true;
  first->Wide = "w\xC3\xBC";
  first->Part()->SetName(std::string(260, 'p'));
  first->Part()->Data = "part data";
  first->SetDesignPosition(8, 16);
  auto* item = static_cast<TSampleItem*>(second->Items()->Add());
  item->SetCaption("item");
  item->SetLink(first);
  item->Part()->SetHeight(7);
  auto* input = Construct<TDXInput>(form);
  input->SetName("DXInput");
  input->SetUseDirectInput(false);
  TForceFeedbackEffect* effect = input->Joystick()->Effects()->Add();
  effect->SetName("Effects");
  effect->SetEffectType(etConstantForce);
  effect->SetPeriod(50);
  effect->SetPower(10000);
  effect->SetTime(1000);
  auto* timer = Construct<TTimer>(form);
  timer->SetName("Timer1");
  timer->SetEnabled(false);
  timer->SetInterval(1140);
  timer->SetOnTimer(TNotifyEvent::Of<&TFeedForm::Pong>(form));
  return form;
}

// The game's main window read from the program's stored description into a feed form, its
// pictures at most Side pixels square and its sounds at most SoundBytes long.
TFeedForm* SmallGameForm(int Side, std::int32_t SoundBytes) {
  auto* form = TCustomForm::CreateNew<TFeedForm>(Application);
  TResourceStream stored("TMAINFORM", RT_RCDATA);
  stored.ReadComponent(form);
  for (int i = 0; i < form->ImageList->Items()->Count(); ++i) {
    auto* item = static_cast<TPictureCollectionItem*>(form->ImageList->Items()->Items(i));
    auto* dib = dynamic_cast<TDIB*>(item->Picture()->Graphic());
    if (!dib || dib->Empty()) continue;
    TOwnedPtr<TDIB> small(Construct<TDIB>());
    small->ColorTable = dib->ColorTable;
    small->PixelFormat = dib->PixelFormat;
    small->SetSize(std::min(dib->Width(), Side), std::min(dib->Height(), Side), dib->BitCount());
    for (int y = 0; y < small->Height(); ++y)
      for (int x = 0; x < small->Width(); ++x) small->SetPixels(x, y, dib->Pixels(x, y));
    if (dib->BitCount() == 8 && i % 2 == 1) small->Compress();
    item->Picture()->SetGraphic(small.get());
  }
  for (int i = 0; i < form->DXWaveList1->Items()->Count(); ++i) {
    TWave* wave = static_cast<TWaveCollectionItem*>(form->DXWaveList1->Items()->Items(i))->Wave();
    wave->SetSize(std::min(wave->Size(), SoundBytes));
  }
  return form;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: seeds_stream FOLDER\n");
    return 2;
  }
  platform::headless::Install();
  TOwnedPtr<TApplication> app(new TApplication());
  TOwnedPtr<TFeedForm> form(SampleForm());
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->WriteComponent(form.get());
  Save(argv[1], "form", *stream);
  stream->Clear();
  stream->WriteComponentRes("TFEEDFORM", form.get());
  Save(argv[1], "form_resource", *stream);
  stream->Clear();
  TOwnedPtr<TFeedForm> empty(TCustomForm::CreateNew<TFeedForm>(app.get()));
  stream->WriteComponent(empty.get());
  Save(argv[1], "empty_form", *stream);
  stream->Clear();
  TOwnedPtr<TFeedForm> game(SmallGameForm(8, 512));
  stream->WriteComponent(game.get());
  Save(argv[1], "game_form", *stream);
  return 0;
}
