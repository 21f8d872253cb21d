// What the whole display path costs a program on a desktop: the viewer (a form with a display
// device, an image list and a frame timer drawing about 32 frames a second) against bare_present,
// which only uploads and presents a 640x480 frame through SDL2 at the same rate. Each runs for
// kSeconds on a virtual X screen of its own, one after the other, and the figure is the CPU time
// (user and system, all threads) of the program's process alone, not of the X server.
//
// The measuring is done by this program itself: run as `bench_viewer --cpu-of PROGRAM ARGS...`
// it starts PROGRAM, waits for it and prints "cpu SECONDS" followed by PROGRAM's own output.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/ratio.h"

namespace {

constexpr const char* kSeconds = "10";
constexpr const char* kFrameMs = "31";  // the viewer's frame interval

std::string self;

int CpuOf(char** command) {
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    execv(command[0], command);
    std::perror(command[0]);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return 1;
  const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  std::printf("cpu %.4f\n", seconds(usage.ru_utime) + seconds(usage.ru_stime));
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// Runs `program` with `args` under xvfb-run through --cpu-of; the CPU seconds and the number of
// frames the program says it showed, or false with the reason in `error`.
bool Measure(const std::string& program, const std::string& args, double& cpu, int& frames,
             std::string& error) {
  const std::string command = "xvfb-run -a -s '-screen 0 1280x1024x24' '" + self + "' --cpu-of '" +
                              program + "' " + args + " 2>&1";
  FILE* out = popen(command.c_str(), "r");
  if (!out) {
    error = "cannot start xvfb-run";
    return false;
  }
  cpu = -1;
  frames = -1;
  std::string all;
  char line[512];
  while (std::fgets(line, sizeof line, out)) {
    all += line;
    double seconds = 0;
    int n = 0;
    if (std::sscanf(line, "cpu %lf", &seconds) == 1) cpu = seconds;
    // "frames N" from bare_present, "marvosk-viewer: N frames in S s" from the viewer.
    if (std::sscanf(line, "frames %d", &n) == 1 ||
        std::sscanf(line, "marvosk-viewer: %d frames", &n) == 1)
      frames = n;
  }
  const int status = pclose(out);
  if (status != 0 || cpu < 0 || frames <= 0) {
    error = "no measurement from " + program + ":\n" + all;
    return false;
  }
  return true;
}

void RunOnDesktop(benchmark::State& state, const std::string& program, const std::string& args) {
  for (auto _ : state) {
    double cpu = 0;
    int frames = 0;
    std::string error;
    if (!Measure(program, args, cpu, frames, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    state.SetIterationTime(cpu);
    state.counters["frames"] = frames;
  }
}

void BM_BarePresent(benchmark::State& state) {
  RunOnDesktop(state, BARE_PRESENT, std::string(kSeconds) + " " + kFrameMs);
}
void BM_Viewer(benchmark::State& state) { RunOnDesktop(state, MARVOSK_VIEWER, kSeconds); }
BENCHMARK(BM_BarePresent)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Viewer)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--cpu-of") == 0) return CpuOf(argv + 2);
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  self = n > 0 ? std::string(path, std::size_t(n)) : std::string(argv[0]);
  return bench::RunAndReport(argc, argv, [](const bench::Timings& t) {
    bench::PrintRatio(t, "viewer_cpu_vs_bare_sdl", "BM_Viewer/iterations:1/manual_time",
                      "BM_BarePresent/iterations:1/manual_time", 1.3);
  });
}
