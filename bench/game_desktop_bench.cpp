// The game as a program on a desktop (a virtual X screen of its own, Xvfb), against bare_present,
// the least SDL2 program that shows 640x480 frames:
//
//   startup   the time from exec to the first frame presented: marvosk with
//             MARVOSK_FIRST_FRAME_EXIT set (the SDL backend then reports the first frame and ends
//             the program) against `bare_present --first-frame`; both run in turn on the same
//             screen, kStartupRuns times each, and the medians are compared.
//   game_cpu  the process's CPU time (all threads, as the scheduler counts it) over kCpuSeconds
//             while a round plays (F1 pressed through the X server), against bare_present
//             presenting at the game's rate for the same time; kCpuRuns of each in turn.
//
// The measuring is done by this program itself under xvfb-run: `--startup` and `--cpu` print
// "NAME SECONDS" lines that the benchmarks read back.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/ratio.h"

namespace {

constexpr int kStartupRuns = 15;
constexpr double kCpuSeconds = 4;
constexpr int kCpuRuns = 3;
constexpr double kSettleSeconds = 2;    // after start, before the measured stretch
constexpr const char* kFrameMs = "31";  // the game's frame interval, 32 frames a second
constexpr int kChildTimeoutMs = 20000;

std::string self;

double Monotonic() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// Starts `argv` with its stderr (and stdout) into a pipe; answers the child, -1 on failure.
pid_t Start(const std::vector<std::string>& argv, bool firstFrameExit, int& output) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    dup2(pipeEnds[1], 1);
    dup2(pipeEnds[1], 2);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    if (firstFrameExit) setenv("MARVOSK_FIRST_FRAME_EXIT", "1", 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    std::perror(args[0]);
    _exit(127);
  }
  close(pipeEnds[1]);
  output = pipeEnds[0];
  return child;
}

// Everything the child writes until it closes its end, for at most `timeoutMs`.
std::string ReadAll(int fd, int timeoutMs) {
  std::string all;
  const double end = Monotonic() + timeoutMs / 1000.0;
  char buffer[4096];
  for (;;) {
    const int left = static_cast<int>((end - Monotonic()) * 1000);
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) break;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    all.append(buffer, std::size_t(n));
  }
  return all;
}

void Finish(pid_t child) {
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

// Seconds from the exec of `argv` to its first frame, or a negative number.
double StartupOf(const std::vector<std::string>& argv) {
  int output = -1;
  const double before = Monotonic();
  const pid_t child = Start(argv, true, output);
  if (child < 0) return -1;
  const std::string said = ReadAll(output, kChildTimeoutMs);
  close(output);
  Finish(child);
  double at = 0;
  const auto found = said.find("first frame ");
  if (found == std::string::npos ||
      std::sscanf(said.c_str() + found, "first frame %lf", &at) != 1) {
    std::fprintf(stderr, "no first frame from %s:\n%s\n", argv[0].c_str(), said.c_str());
    return -1;
  }
  return at - before;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int MeasureStartup(const std::string& game, const std::string& bare) {
  std::vector<double> games, bares;
  for (int i = 0; i < kStartupRuns; ++i) {
    const double b = StartupOf({bare, "--first-frame"});
    const double g = StartupOf({game});
    if (b < 0 || g < 0) return 1;
    bares.push_back(b);
    games.push_back(g);
  }
  std::printf("startup_bare %.6f\nstartup_game %.6f\n", Median(bares), Median(games));
  return 0;
}

// CPU seconds the threads of a process have run so far, to the nanosecond: the scheduler's own
// account of each (/proc/PID/task/TID/schedstat), where /proc/PID/stat counts whole clock ticks
// of 10 ms, too coarse for a few seconds of a program that runs a few per cent of the time.
// A negative number when the process is gone.
double CpuSeconds(pid_t pid) {
  std::error_code error;
  double seconds = 0;
  bool any = false;
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream in(task.path() / "schedstat");
    unsigned long long ns = 0;
    if (in >> ns) {
      seconds += double(ns) / 1e9;
      any = true;
    }
  }
  return any ? seconds : -1;
}

// CPU seconds that `argv` spends over kCpuSeconds, measured after kSettleSeconds; with
// `pressF1`, F1 is pressed on the X server first (a round starts).
double CpuOver(const std::vector<std::string>& argv, bool pressF1) {
  int output = -1;
  const pid_t child = Start(argv, false, output);
  if (child < 0) return -1;
  Sleep(kSettleSeconds);
  if (pressF1) {
    if (std::system("timeout 10 xdotool key F1") != 0) {
      Finish(child);
      close(output);
      return -1;
    }
    Sleep(0.5);
  }
  const double from = CpuSeconds(child);
  Sleep(kCpuSeconds);
  const double to = CpuSeconds(child);
  Finish(child);
  close(output);
  return from < 0 || to < 0 ? -1 : to - from;
}

// The two programs in turn, kCpuRuns times each; what each spent in all.
int MeasureCpu(const std::string& game, const std::string& bare) {
  const std::string runFor = std::to_string(int(kSettleSeconds + kCpuSeconds + 3));
  double b = 0, g = 0;
  for (int run = 0; run < kCpuRuns; ++run) {
    const double bareRun = CpuOver({bare, runFor, kFrameMs}, false);
    const double gameRun = CpuOver({game}, true);
    if (bareRun <= 0 || gameRun <= 0) return 1;
    b += bareRun;
    g += gameRun;
  }
  std::printf("cpu_bare %.6f\ncpu_game %.6f\n", b, g);
  return 0;
}

// The "NAME SECONDS" lines of `self --MODE` run on a virtual X screen of its own.
std::map<std::string, double> OnDesktop(const std::string& mode, std::string& error) {
  const std::string command = "timeout 300 xvfb-run -a -s '-screen 0 1280x1024x24' '" + self +
                              "' " + mode + " '" + MARVOSK + "' '" + BARE_PRESENT + "' 2>&1";
  std::map<std::string, double> values;
  FILE* out = popen(command.c_str(), "r");
  if (!out) {
    error = "cannot start xvfb-run";
    return values;
  }
  std::string all;
  char line[512], name[64];
  double seconds = 0;
  while (std::fgets(line, sizeof line, out)) {
    all += line;
    if (std::sscanf(line, "%63s %lf", name, &seconds) == 2) values[name] = seconds;
  }
  if (pclose(out) != 0) {
    error = "no measurement (" + mode + "):\n" + all;
    values.clear();
  }
  return values;
}

const std::map<std::string, double>& Measured(const std::string& mode, std::string& error) {
  static std::map<std::string, std::map<std::string, double>> cache;
  static std::map<std::string, std::string> errors;
  if (!cache.count(mode)) cache[mode] = OnDesktop(mode, errors[mode]);
  error = errors[mode];
  return cache[mode];
}

void Report(benchmark::State& state, const std::string& mode, const std::string& name) {
  std::string error;
  const auto& values = Measured(mode, error);
  const auto it = values.find(name);
  for (auto _ : state) {
    if (it == values.end()) {
      state.SkipWithError(error.empty() ? ("no " + name).c_str() : error.c_str());
      return;
    }
    state.SetIterationTime(it->second);
  }
}

void BM_StartupBare(benchmark::State& s) { Report(s, "--startup", "startup_bare"); }
void BM_StartupGame(benchmark::State& s) { Report(s, "--startup", "startup_game"); }
void BM_CpuBare(benchmark::State& s) { Report(s, "--cpu", "cpu_bare"); }
void BM_CpuGame(benchmark::State& s) { Report(s, "--cpu", "cpu_game"); }
BENCHMARK(BM_StartupBare)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupGame)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpuBare)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpuGame)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--startup") == 0) return MeasureStartup(argv[2], argv[3]);
  if (argc == 4 && std::strcmp(argv[1], "--cpu") == 0) return MeasureCpu(argv[2], argv[3]);
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  self = n > 0 ? std::string(path, std::size_t(n)) : std::string(argv[0]);
  return bench::RunAndReport(argc, argv, [](const bench::Timings& t) {
    bench::PrintRatio(t, "startup", "BM_StartupGame/iterations:1/manual_time",
                      "BM_StartupBare/iterations:1/manual_time", 1.3);
    bench::PrintRatio(t, "game_cpu", "BM_CpuGame/iterations:1/manual_time",
                      "BM_CpuBare/iterations:1/manual_time", 1.3);
  });
}
