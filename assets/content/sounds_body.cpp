// Sounds of bodies: a heartbeat and heavy footsteps that both loop without a seam (each is
// drawn round a circle: what runs past the end goes on at the start), and munching.
#include <cmath>

#include "assets/content/sound_groups.h"

namespace synth {

namespace {

// A soft, low thud whose pitch sinks.
std::vector<double> Thud(int rate, double fromHz, double toHz, double drop, double decay,
                         double seconds) {
  std::vector<double> out(static_cast<std::size_t>(seconds * rate));
  Oscillator osc;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    out[i] = osc.Sine(toHz + (fromHz - toHz) * std::exp(-t / drop), rate) * Strike(t, 0.006, decay);
  }
  return out;
}

std::vector<double> FilteredNoise(int rate, double lowpassHz, double attack, double decay,
                                  double seconds, std::uint64_t seed) {
  std::vector<double> out(static_cast<std::size_t>(seconds * rate));
  SeededRandom rnd(seed);
  Biquad f;
  f.Lowpass(lowpassHz, 0.8, rate);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    out[i] = f.Process(rnd.Signed()) * Strike(t, attack, decay);
  }
  return out;
}

}  // namespace

void MakeHeartBeat(Signal& s) {
  // Three beats to the loop, so it keeps an even pulse of about 65 a minute round the seam.
  constexpr int kBeats = 3;
  const std::size_t period = s.frames() / kBeats;
  const std::vector<double> lub = Thud(s.rate, 75, 42, 0.03, 0.07, 0.5);
  const std::vector<double> dub = Thud(s.rate, 95, 55, 0.025, 0.05, 0.4);
  const std::vector<double> thump = FilteredNoise(s.rate, 180, 0.004, 0.03, 0.3, 0x6C7562);
  for (int k = 0; k < kBeats; ++k) {
    const std::size_t at = k * period;
    s.Add(lub, at, 1.0, 0.5, true);
    s.Add(thump, at, 0.8, 0.5, true);
    s.Add(dub, at + s.Frame(0.28), 0.7, 0.5, true);
  }
}

void MakeHeavyFootsteps(Signal& s) {
  // Twelve slow, heavy steps, left and right in turn, each shaking the floor.
  constexpr int kSteps = 12;
  SeededRandom rnd(0x73746570);
  for (int k = 0; k < kSteps; ++k) {
    const std::size_t at = s.frames() * k / kSteps;
    const double pan = k % 2 == 0 ? 0.4 : 0.6;
    const double weight = 0.9 + 0.1 * rnd.Unit();
    s.Add(Thud(s.rate, 90, 34, 0.04, 0.22, 1.2), at, weight, pan, true);
    s.Add(FilteredNoise(s.rate, 420, 0.003, 0.05, 0.4, 0x737470 + k), at, 0.9 * weight, pan, true);
    // The rumble of the floor and a little rattle of things shaken loose.
    s.Add(FilteredNoise(s.rate, 90, 0.02, 0.35, 1.8, 0x72756D + k), at, 1.6 * weight, 0.5, true);
    std::vector<double> rattle = FilteredNoise(s.rate, 3500, 0.01, 0.05, 0.4, 0x726174 + k);
    s.Add(rattle, at + s.Frame(0.05), 0.08, 1 - pan, true);
  }
}

void MakeMunching(Signal& s) {
  SeededRandom rnd(0x6D756E63);
  const double length = s.Time(s.frames());
  double t = 0.04;
  int k = 0;
  // Chomp after chomp, each a crunch of tiny cracks and a wet, hummed "mnyam".
  while (t < length - 0.55) {
    const double pan = 0.5 + 0.08 * rnd.Signed();
    std::vector<double> crunch(static_cast<std::size_t>(0.12 * s.rate));
    Biquad crisp;
    crisp.Bandpass(rnd.Range(1800, 3200), 1.2, s.rate);
    double spark = 0;
    for (std::size_t i = 0; i < crunch.size(); ++i) {
      if (rnd.Unit() < 0.008) spark = rnd.Signed();
      spark *= 0.9;
      const double ct = static_cast<double>(i) / s.rate;
      crunch[i] = crisp.Process(spark + 0.15 * rnd.Signed()) * Strike(ct, 0.003, 0.04) * 2;
    }
    FadeOut(crunch, s.rate, 0.03);
    s.Add(crunch, s.Frame(t), 0.8, pan);
    std::vector<double> hum(static_cast<std::size_t>(0.2 * s.rate));
    Oscillator voice;
    Resonator mouth, mouth2;
    Smoother soft;
    for (std::size_t i = 0; i < hum.size(); ++i) {
      const double ht = static_cast<double>(i) / s.rate;
      const double open = std::sin(kTwoPi / 2 * std::min(1.0, ht / 0.2));
      mouth.Set(300 + 400 * open, 120, s.rate);
      mouth2.Set(1000 + 300 * open, 150, s.rate);
      const double src = soft.Process(voice.Saw(118 - 20 * ht, s.rate), 500, s.rate);
      hum[i] = mouth2.Process(mouth.Process(src)) * Gate(ht, 0, 0.2, 0.03);
    }
    s.Add(hum, s.Frame(t + 0.05), 0.9, pan);
    t += rnd.Range(0.24, 0.34);
    ++k;
  }
  // A gulp to finish.
  std::vector<double> gulp(static_cast<std::size_t>(0.25 * s.rate));
  Oscillator g;
  for (std::size_t i = 0; i < gulp.size(); ++i) {
    const double gt = static_cast<double>(i) / s.rate;
    gulp[i] = g.Sine(320 - 500 * gt, s.rate) * Gate(gt, 0, 0.12, 0.015);
  }
  s.Add(gulp, s.Frame(length - 0.4), 1.0);
}

}  // namespace synth
