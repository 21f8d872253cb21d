#include "bench/ratio.h"

#include <cstdio>

namespace bench {
namespace {

// The console report as usual, keeping each run's real time per iteration on the side.
class Recorder : public benchmark::ConsoleReporter {
 public:
  explicit Recorder(Timings& timings) : ConsoleReporter(OO_Tabular), timings_(timings) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations == 0) continue;
      const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
      timings_[run.benchmark_name()] = seconds * 1e9;
    }
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  Timings& timings_;
};

}  // namespace

void PrintTarget(const std::string& name, double ratio, double limit) {
  std::printf("%s: %.3g (target <= %g)\n", name.c_str(), ratio, limit);
}

void PrintRatio(const Timings& timings, const std::string& name, const std::string& measured,
                const std::string& baseline, double limit) {
  const auto m = timings.find(measured);
  const auto b = timings.find(baseline);
  if (m == timings.end() || b == timings.end() || b->second <= 0) {
    std::fprintf(stderr, "%s: no timing for %s or %s\n", name.c_str(), measured.c_str(),
                 baseline.c_str());
    return;
  }
  PrintTarget(name, m->second / b->second, limit);
}

int RunAndReport(int argc, char** argv, const std::function<void(const Timings&)>& report) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Timings timings;
  Recorder recorder(timings);
  benchmark::RunSpecifiedBenchmarks(&recorder);
  benchmark::Shutdown();
  std::fflush(stdout);
  report(timings);
  return 0;
}

}  // namespace bench
