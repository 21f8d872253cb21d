// Building the game's main window from its embedded stored description on the headless machine:
// seven components, fourteen pictures and nineteen sounds read through the class tables (the
// window is not shown). Measured against one memcpy of the stored description.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/ratio.h"
#include "game/main_form.h"
#include "platform/backend/headless/headless.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "toolkit/streams.h"

namespace {

constexpr int kRawData = 10;

void BM_MemcpyStoredWindow(benchmark::State& state) {
  bool found = false;
  const auto data = FindResourceData("TMAINFORM", kRawData, found);
  if (!found) state.SkipWithError("no stored main window");
  std::vector<std::uint8_t> copy(data.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), data.data(), data.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyStoredWindow);

void BM_BuildMainWindow(benchmark::State& state) {
  platform::headless::Install();
  ddraw::RegisterService();
  {
    TOwnedPtr<TApplication> app(new TApplication());
    for (auto _ : state) {
      auto* form = app->CreateForm<TMainForm>();
      benchmark::DoNotOptimize(form);
      state.PauseTiming();
      form->Free();
      app->SetMainForm(nullptr);
      state.ResumeTiming();
    }
  }
  platform::UninstallBackend();
}
BENCHMARK(BM_BuildMainWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunAndReport(argc, argv, [](const bench::Timings& t) {
    bench::PrintRatio(t, "build_main_window_vs_memcpy", "BM_BuildMainWindow",
                      "BM_MemcpyStoredWindow", 5);
  });
}
