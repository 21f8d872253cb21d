// The cost of the idle loop while the frame timer runs, on the headless machine. Each figure
// is a ratio against a baseline measured in the same run: one reading of the clock, which is
// the least an idle call that does not tick can do.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/ratio.h"
#include "platform/backend/headless/headless.h"
#include "platform/system/clock.h"
#include "platform/system/machine.h"
#include "platform/system/windows.h"
#include "timing_input/dxtimer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Frames {
  long count = 0;
  void OnTimer(TObject*, std::int32_t) { ++count; }
};

// Nanoseconds per call of f, over n calls.
template <class F>
double NanosPerCall(long n, F&& f) {
  const auto start = Clock::now();
  for (long i = 0; i < n; ++i) f();
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
         static_cast<double>(n);
}

double ClockReadNanos(long n) {
  return NanosPerCall(n, [] { benchmark::DoNotOptimize(platform::timeGetTime()); });
}

// A headless machine with an active application and a frame timer running at 31 ms.
struct RunningTimer {
  platform::headless::HeadlessBackend& machine = platform::headless::Install();
  TOwnedPtr<TApplication> app{new TApplication()};
  TDXTimer* timer = Construct<TDXTimer>(app.get());
  Frames frames;

  explicit RunningTimer(benchmark::State& state) {
    timer->OnTimer = TDXTimerEvent::Of<&Frames::OnTimer>(&frames);
    machine.ActivateApplication();
    app->ProcessMessages();
    timer->SetInterval(31);
    timer->AfterLoading();  // starts it, as the stored description would
    if (!app->OnIdle) state.SkipWithError("the timer did not start");
  }
  ~RunningTimer() {
    app.reset();
    platform::UninstallBackend();
  }
};

// Runs `step` in batches for the benchmark's iterations and reports nanoseconds per step,
// alone and as a multiple of one clock reading.
template <class Step>
void Measure(benchmark::State& state, const char* name, Step&& step, long& calls) {
  constexpr long kBatch = 1000;  // the same batch as BM_ClockRead
  double nanos = 0;
  for (auto _ : state) {
    nanos += NanosPerCall(kBatch, step) * kBatch;
    calls += kBatch;
  }
  const double perCall = nanos / static_cast<double>(calls);
  state.counters[name] = perCall;
  state.counters["x_clock_read"] = perCall / ClockReadNanos(calls);
}

// One pass of the loop that finds no message and calls the timer's idle handler, which does
// not tick (the virtual clock stands still).
void BM_IdleCallWithoutTick(benchmark::State& state) {
  RunningTimer run(state);
  long calls = 0;
  Measure(
      state, "ns_per_call", [&] { run.app->HandleMessage(0); }, calls);
}
BENCHMARK(BM_IdleCallWithoutTick);

// One frame tick through the loop: the clock moves on by one interval and the handler runs.
void BM_IdleCallWithTick(benchmark::State& state) {
  RunningTimer run(state);
  long calls = 0;
  Measure(
      state, "ns_per_tick",
      [&] {
        run.machine.Advance(31);
        run.app->HandleMessage(0);
      },
      calls);
  if (run.frames.count != calls) state.SkipWithError("a tick was missed");
}
BENCHMARK(BM_IdleCallWithTick);

}  // namespace

// The clock reading alone, in the same batches: the least an idle call can cost.
void BM_ClockRead(benchmark::State& state) {
  platform::headless::Install();
  for (auto _ : state) {
    for (long i = 0; i < 1000; ++i) benchmark::DoNotOptimize(platform::timeGetTime());
  }
  platform::UninstallBackend();
}
BENCHMARK(BM_ClockRead);

int main(int argc, char** argv) {
  return bench::RunAndReport(argc, argv, [](const bench::Timings& t) {
    // An idle pass that does not tick must stay a handful of clock readings.
    bench::PrintRatio(t, "idle_call_vs_clock_read", "BM_IdleCallWithoutTick", "BM_ClockRead", 20);
  });
}
