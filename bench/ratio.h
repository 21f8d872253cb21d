// Runs a benchmark program and turns its timings into the ratios that bench/run prints. Every
// figure is a ratio against a baseline measured in the same run, so it holds on any machine.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>

namespace bench {

// Real nanoseconds per iteration of each benchmark that ran, by its name as registered.
using Timings = std::map<std::string, double>;

// Prints one target line, "NAME: RATIO (target <= LIMIT)", the form bench/run collects.
void PrintTarget(const std::string& name, double ratio, double limit);

// Prints NAME: measured/baseline (target <= limit); reports a missing benchmark on stderr.
void PrintRatio(const Timings& timings, const std::string& name, const std::string& measured,
                const std::string& baseline, double limit);

// Runs every registered benchmark (honouring the usual --benchmark_* flags), then hands the
// timings to `report`. Returns the process's exit status.
int RunAndReport(int argc, char** argv, const std::function<void(const Timings&)>& report);

}  // namespace bench
