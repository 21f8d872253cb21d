#include "assets/content/sounds.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "assets/content/sound_groups.h"

namespace {

using synth::Signal;

struct SoundRecipe {
  int channels;
  int samplesPerSecond;
  int bitsPerSample;
  std::size_t dataBytes;
  bool looped;
  // Loudness relative to the common level, in decibels.
  double trimDb;
  void (*make)(Signal&);
};

const SoundRecipe kRecipes[kSynthesizedSoundCount] = {
    {1, 22050, 8, 9506, false, 0, synth::MakeShot},                // "Skott"
    {1, 44100, 8, 58838, false, 0, synth::MakeExplosion},          // "Explosion"
    {1, 44100, 8, 14157, false, -2, synth::MakeRicochet},          // "Ricochet"
    {2, 24000, 16, 239616, false, 0, synth::MakeRevolverShots},    // "Revolver"
    {2, 44100, 16, 129024, false, 0, synth::MakeBelch},            // "Raaaaaap"
    {2, 44100, 16, 1148912, false, -2, synth::MakeStartupTune},    // "Startup"
    {1, 8000, 8, 21966, true, -1, synth::MakeHeartBeat},           // "HeartBeat"
    {1, 8000, 8, 9167, false, 0, synth::MakeShotGun},              // "ShotGun"
    {1, 44100, 16, 41472, false, -5, synth::MakeThump},            // "Thump"
    {1, 11025, 8, 7708, false, -1, synth::MakeScream},             // "Scream"
    {1, 11025, 8, 19202, false, -2, synth::MakeBoing},             // a spring's boing
    {1, 22050, 8, 66582, false, 0, synth::MakeSadTrombone},        // "Korvash"
    {1, 11025, 8, 22914, false, 0, synth::MakeThankYou},           // "ThankYou"
    {1, 8000, 8, 34339, false, -2, synth::MakeApplause},           // applause
    {1, 11000, 8, 19227, false, -3, synth::MakePrizeBell},         // a prize bell
    {2, 44100, 16, 358400, false, -1, synth::MakePlimoScream},     // "PlimoScream"
    {2, 44100, 16, 496172, false, 0, synth::MakeMunching},         // "WendleEats"
    {2, 44100, 16, 1613824, true, -3, synth::MakeHeavyFootsteps},  // "HeavyFottsteps"
    {2, 44100, 16, 774144, false, 0, synth::MakeHeavyBurp},        // "HeavyBurp"
};

// Every sound is brought to this loudness over the part of it that is heard ...
constexpr double kCommonRms = 0.16;  // about -16 dB of full scale
// ... unless its peaks would pass this first.
constexpr double kPeakCeiling = 0.89;  // about -1 dB of full scale
// Sounds that do not end in silence are faded in and out over this long, so they start and
// stop without a click.
constexpr double kEdgeFadeSeconds = 0.004;
// A window is part of what is heard when it is within 20 dB of the loudest window.
constexpr double kWindowSeconds = 0.02;
constexpr double kHeardFraction = 0.1;

std::vector<double*> Channels(Signal& s) {
  std::vector<double*> out{s.left.data()};
  if (s.stereo()) out.push_back(s.right.data());
  return out;
}

// Removes any constant offset: a high-pass at a few hertz for a sound with silent ends, the
// mean for a loop (a filter's start-up would break the seam).
void RemoveOffset(Signal& s, bool looped) {
  for (double* ch : Channels(s)) {
    if (looped) {
      double mean = 0;
      for (std::size_t i = 0; i < s.frames(); ++i) mean += ch[i];
      mean /= static_cast<double>(std::max<std::size_t>(1, s.frames()));
      for (std::size_t i = 0; i < s.frames(); ++i) ch[i] -= mean;
    } else {
      const double r = std::exp(-synth::kTwoPi * 8.0 / s.rate);
      double x1 = 0, y1 = 0;
      for (std::size_t i = 0; i < s.frames(); ++i) {
        const double y = ch[i] - x1 + r * y1;
        x1 = ch[i];
        y1 = y;
        ch[i] = y;
      }
    }
  }
}

double HeardRms(Signal& s) {
  const std::size_t window = std::max<std::size_t>(1, std::lround(kWindowSeconds * s.rate));
  std::vector<double> energies;
  for (std::size_t start = 0; start < s.frames(); start += window) {
    double e = 0;
    std::size_t n = 0;
    for (double* ch : Channels(s)) {
      for (std::size_t i = start; i < std::min(s.frames(), start + window); ++i, ++n) {
        e += ch[i] * ch[i];
      }
    }
    energies.push_back(e / static_cast<double>(std::max<std::size_t>(1, n)));
  }
  const double loudest = *std::max_element(energies.begin(), energies.end());
  double sum = 0;
  int count = 0;
  for (double e : energies) {
    if (e >= loudest * kHeardFraction * kHeardFraction) {
      sum += e;
      ++count;
    }
  }
  return count == 0 ? 0 : std::sqrt(sum / count);
}

void Level(Signal& s, double trimDb) {
  double peak = 0;
  for (double* ch : Channels(s)) {
    for (std::size_t i = 0; i < s.frames(); ++i) peak = std::max(peak, std::abs(ch[i]));
  }
  const double rms = HeardRms(s);
  if (peak <= 0 || rms <= 0) return;
  const double gain = std::min(kCommonRms * std::pow(10.0, trimDb / 20) / rms, kPeakCeiling / peak);
  for (double* ch : Channels(s)) {
    for (std::size_t i = 0; i < s.frames(); ++i) ch[i] *= gain;
  }
}

void FadeEdges(Signal& s) {
  const std::size_t n = std::min(s.frames() / 2, s.Frame(kEdgeFadeSeconds));
  for (double* ch : Channels(s)) {
    for (std::size_t i = 0; i < n; ++i) {
      const double g = 0.5 - 0.5 * std::cos(synth::kTwoPi / 2 * (i + 0.5) / n);
      ch[i] *= g;
      ch[s.frames() - 1 - i] *= g;
    }
  }
}

void PutLittleEndian16(std::vector<std::uint8_t>& out, std::size_t at, std::int16_t v) {
  const auto u = static_cast<std::uint16_t>(v);
  out[at] = static_cast<std::uint8_t>(u & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>(u >> 8);
}

std::vector<std::uint8_t> Pcm(const Signal& s, const SoundRecipe& r) {
  const int bytes = r.bitsPerSample / 8;
  // 8-bit silence is 128; a length that ends inside a frame keeps silence there.
  std::vector<std::uint8_t> out(r.dataBytes, bytes == 1 ? 128 : 0);
  std::size_t at = 0;
  for (std::size_t i = 0; i < s.frames(); ++i) {
    for (int ch = 0; ch < r.channels; ++ch) {
      if (at + bytes > out.size()) return out;
      const double v = std::clamp(ch == 0 ? s.left[i] : s.right[i], -1.0, 1.0);
      if (bytes == 1) {
        out[at] = static_cast<std::uint8_t>(128 + std::lround(v * 127));
      } else {
        PutLittleEndian16(out, at, static_cast<std::int16_t>(std::lround(v * 32767)));
      }
      at += bytes;
    }
  }
  return out;
}

}  // namespace

SynthesizedSound SynthesizeSound(int waveIndex) {
  if (waveIndex < 0 || waveIndex >= kSynthesizedSoundCount) {
    throw std::out_of_range("no such wave item");
  }
  const SoundRecipe& r = kRecipes[waveIndex];
  const std::size_t frameBytes = static_cast<std::size_t>(r.channels * r.bitsPerSample / 8);
  Signal s(r.samplesPerSecond, r.dataBytes / frameBytes, r.channels == 2);
  r.make(s);
  RemoveOffset(s, r.looped);
  Level(s, r.trimDb);
  if (!r.looped) FadeEdges(s);

  SynthesizedSound out;
  out.channels = r.channels;
  out.samplesPerSecond = r.samplesPerSecond;
  out.bitsPerSample = r.bitsPerSample;
  out.data = Pcm(s, r);
  return out;
}
