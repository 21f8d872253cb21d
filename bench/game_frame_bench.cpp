// One whole frame of the game with a round in play, on the headless machine, as the frame timer
// calls it: eight targets crossing the screen, the boss walking, one target showing its hit mark
// and points, the score and remaining lines, the gun and the aim mark, and the frame presented
// in window mode. Measured against what any frame costs at the least: a memset and a memcpy of
// 640x480 pixels at the depth of the frames the game presents.
//
// Every iteration starts from the same scene (the targets are put back where they were before
// they moved), so the round never ends and every frame draws the same things.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <vector>

#include "bench/ratio.h"
#include "game/main_form.h"
#include "platform/backend/headless/headless.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

// The game's main window on a fresh headless machine, shown, a round started with F1, the boss
// sent out and eight targets placed on the screen.
class Game {
 public:
  Game() {
    machine = &platform::headless::Install();
    ddraw::RegisterService();
    app.reset(new TApplication());
    form = app->CreateForm<TMainForm>();
    form->Show();  // the display device starts at the first showing
    app->ProcessMessages();
    std::uint16_t f1 = platform::VK_F1;
    form->FormKeyDown(form, f1, {});
    form->DXDrawMouseMove(form->DXDraw, {}, 320, 260);
    // The boss comes once thirty targets have been sent out.
    form->TavlorCreated = 30;
    form->DXTimerTimer(form->DXTimer, 1);
    form->TavlorCreated = 31;
    form->Boss.Left = 200;
    form->Boss.Top = 100;
    form->Boss.Direction = dtRight;
    form->Boss.Speed = 1;
    for (TBoss& t : form->Tavlor) t.Visible = false;
    for (std::size_t i = 0; i < 8; ++i) {
      TBoss& t = form->Tavlor[i];
      t.Left = 40 + static_cast<std::int32_t>(i) * 70;
      t.Top = 60 + static_cast<std::int32_t>(i % 4) * 90;
      t.Direction = static_cast<TDirection>(i % 4);
      t.Speed = 1 + static_cast<std::int32_t>(i % 3);
      t.Picture = static_cast<std::int32_t>(i % 6);
      t.ShotValue = -1;
      t.Delay = 0;
      t.Visible = true;
    }
    // Slot 2 was hit 10 right and 12 down of its box's corner, for 15 points.
    form->Tavlor[2].ShotValue = 15;
    form->Tavlor[2].ShotX = 10;
    form->Tavlor[2].ShotY = 12;
    form->TotalScore = 115;
    form->AntalTavlor = 7;
    Save();
  }
  ~Game() {
    form = nullptr;
    app.reset();
    platform::UninstallBackend();
  }

  // One frame, then the scene put back as it was before it.
  void Frame() {
    form->DXTimerTimer(form->DXTimer, 1);
    Restore();
  }

  platform::headless::HeadlessBackend* machine = nullptr;
  TOwnedPtr<TApplication> app;
  TMainForm* form = nullptr;

 private:
  void Save() {
    FTavlor = form->Tavlor;
    FBoss = form->Boss;
    FCreated = form->TavlorCreated;
    FScore = form->TotalScore;
  }
  void Restore() {
    form->Tavlor = FTavlor;
    form->Boss = FBoss;
    form->TavlorCreated = FCreated;
    form->TotalScore = FScore;
  }

  std::array<TBoss, TMainForm::kTargetSlots> FTavlor{};
  TBoss FBoss;
  std::int32_t FCreated = 0, FScore = 0;
};

// Bytes per pixel of the frames the game presents on the headless machine.
int FrameBytesPerPixel() {
  static const int bytes = [] {
    Game game;
    game.Frame();
    const platform::headless::CapturedFrame* shown = game.machine->LastFrame();
    return shown ? shown->bitCount / 8 : 0;
  }();
  return bytes;
}

void BM_MemsetMemcpyFrame(benchmark::State& state) {
  const int bytesPerPixel = FrameBytesPerPixel();
  if (bytesPerPixel <= 0) {
    state.SkipWithError("the game presented no frame");
    return;
  }
  const std::size_t size = std::size_t(kWidth) * kHeight * std::size_t(bytesPerPixel);
  std::vector<std::uint8_t> picture(size, 7), frame(size);
  for (auto _ : state) {
    std::memset(frame.data(), 0, size);
    benchmark::ClobberMemory();
    std::memcpy(frame.data(), picture.data(), size);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemsetMemcpyFrame);

void BM_GameFrame(benchmark::State& state) {
  Game game;
  const std::size_t before = game.machine->PresentedFrames();
  for (auto _ : state) game.Frame();
  const platform::headless::CapturedFrame* shown = game.machine->LastFrame();
  if (game.machine->PresentedFrames() == before || !shown || shown->width != kWidth ||
      shown->height != kHeight)
    state.SkipWithError("the game presented no whole frame");
  else if (game.form->playerIsDead || !game.form->Boss.Visible)
    state.SkipWithError("the round is not in play");
}
BENCHMARK(BM_GameFrame);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunAndReport(argc, argv, [](const bench::Timings& t) {
    bench::PrintRatio(t, "game_frame", "BM_GameFrame", "BM_MemsetMemcpyFrame", 2.5);
  });
}
