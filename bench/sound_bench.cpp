// The mixer at work: 32 voices of 44.1 kHz stereo 16-bit resampled into a 48 kHz stereo
// device, one device block at a time, against copying the same number of output samples.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/ratio.h"
#include "platform/dsound/mixer.h"

namespace {

using namespace platform::dsound;

constexpr int kDeviceRate = 48000;
constexpr int kBlockFrames = 512;  // what the desktop backend pulls at a time
constexpr int kVoices = 32;
constexpr int kChannels = 2;

// Half a second of a different stereo tone per voice, each at its own volume and pan, looping.
struct Mix {
  Mix() : mixer(kDeviceRate), out(kBlockFrames * kChannels) {
    for (int v = 0; v < kVoices; ++v) {
      const std::uint32_t frames = 22050;
      auto memory = std::make_shared<SampleMemory>(PcmFormat{44100, 2, 16}, frames * 4);
      for (std::uint32_t n = 0; n < frames * 2; ++n) {
        const auto s =
            static_cast<std::int16_t>(3000 * std::sin(0.01 * (v + 1) * static_cast<double>(n)));
        std::memcpy(&memory->data[n * 2], &s, 2);
      }
      auto voice = mixer.Add(memory);
      mixer.SetGains(*voice, GainsOf(-100 * v, 300 * (v - 16)));
      mixer.Play(*voice, true);
      voices.push_back(voice);
    }
  }
  Mixer mixer;
  std::vector<std::shared_ptr<Voice>> voices;
  std::vector<std::int16_t> out;
};

void BM_Mix32Voices(benchmark::State& state) {
  Mix mix;
  for (auto _ : state) {
    mix.mixer.Mix(mix.out.data(), kBlockFrames, kChannels);
    benchmark::DoNotOptimize(mix.out.data());
  }
}
BENCHMARK(BM_Mix32Voices);

// The least a block can cost: its output samples copied once.
void BM_CopyBlock(benchmark::State& state) {
  std::vector<std::int16_t> from(kBlockFrames * kChannels, 7);
  std::vector<std::int16_t> to(kBlockFrames * kChannels);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size() * sizeof(std::int16_t));
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyBlock);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunAndReport(argc, argv, [](const bench::Timings& t) {
    bench::PrintRatio(t, "mix_32_voices_vs_copy", "BM_Mix32Voices", "BM_CopyBlock", 2000);
    // The share of one core that mixing takes while it keeps up with the device.
    const auto mix = t.find("BM_Mix32Voices");
    if (mix == t.end()) return;
    const double blockNs = 1e9 * kBlockFrames / kDeviceRate;
    bench::PrintTarget("mix_32_voices_core_share", mix->second / blockNs, 0.01);
  });
}
