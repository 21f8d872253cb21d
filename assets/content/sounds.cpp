#include "assets/content/sounds.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "assets/content/sound_groups.h"
#include "platform/little_endian.h"

namespace {

using synth::Signal;

using catalogue::Wave;

// How each sound is made; its format and length are the catalogue's.
struct SoundRecipe {
  Wave wave;
  // Loudness relative to the common level, in decibels.
  double trimDb;
  void (*make)(Signal&);
};

constexpr SoundRecipe kRecipes[] = {
    {Wave::Skott, 0, synth::MakeShot},
    {Wave::Explosion, 0, synth::MakeExplosion},
    {Wave::Ricochet, -2, synth::MakeRicochet},
    {Wave::Revolver, 0, synth::MakeRevolverShots},
    {Wave::Raaaaaap, 0, synth::MakeBelch},
    {Wave::Startup, -2, synth::MakeStartupTune},
    {Wave::HeartBeat, -1, synth::MakeHeartBeat},
    {Wave::ShotGun, 0, synth::MakeShotGun},
    {Wave::Thump, -5, synth::MakeThump},
    {Wave::Scream, -1, synth::MakeScream},
    {Wave::Boing, -2, synth::MakeBoing},
    {Wave::Korvash, 0, synth::MakeSadTrombone},
    {Wave::ThankYou, 0, synth::MakeThankYou},
    {Wave::Applause, -2, synth::MakeApplause},
    {Wave::PrizeBell, -3, synth::MakePrizeBell},
    {Wave::PlimoScream, -1, synth::MakePlimoScream},
    {Wave::WendleEats, 0, synth::MakeMunching},
    {Wave::HeavyFootsteps, -3, synth::MakeHeavyFootsteps},
    {Wave::HeavyBurp, 0, synth::MakeHeavyBurp},
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

std::vector<std::uint8_t> Pcm(const Signal& s, const catalogue::WaveItem& w) {
  const int bytes = w.bitsPerSample / 8;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(w.dataBytes()));
  std::size_t at = 0;
  for (std::size_t i = 0; i < s.frames(); ++i) {
    for (int ch = 0; ch < w.channels; ++ch) {
      const double v = std::clamp(ch == 0 ? s.left[i] : s.right[i], -1.0, 1.0);
      if (bytes == 1) {
        out[at] = static_cast<std::uint8_t>(128 + std::lround(v * 127));
      } else {
        platform::PutLE16(out.data() + at, static_cast<std::uint16_t>(std::lround(v * 32767)));
      }
      at += bytes;
    }
  }
  return out;
}

}  // namespace

SynthesizedSound SynthesizeSound(Wave wave) {
  for (const SoundRecipe& r : kRecipes) {
    if (r.wave != wave) continue;
    const catalogue::WaveItem& w = catalogue::Item(wave);
    Signal s(w.samplesPerSecond, static_cast<std::size_t>(w.frames), w.channels == 2);
    r.make(s);
    RemoveOffset(s, w.looped);
    Level(s, r.trimDb);
    if (!w.looped) FadeEdges(s);

    SynthesizedSound out;
    out.channels = w.channels;
    out.samplesPerSecond = w.samplesPerSecond;
    out.bitsPerSample = w.bitsPerSample;
    out.data = Pcm(s, w);
    return out;
  }
  throw std::out_of_range("no such wave item");
}
