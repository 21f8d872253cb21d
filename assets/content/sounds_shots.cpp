// Guns and what they hit: a shot, an explosion, a ricochet, a revolver emptying, a shotgun
// with its pump, and the soft thump of the bazooka that goes with every shot.
#include <cmath>

#include "assets/content/sound_groups.h"

namespace synth {

namespace {

// One gunshot as mono samples: a bright crack, a body of noise whose brightness falls away,
// and a low punch. `size` scales the weight of the body and the punch.
std::vector<double> Gunshot(int rate, double seconds, double size, std::uint64_t seed) {
  std::vector<double> out(static_cast<std::size_t>(seconds * rate));
  SeededRandom rnd(seed);
  Biquad crackFilter, bodyFilter, tailFilter;
  crackFilter.Highpass(1500, 0.7, rate);
  tailFilter.Lowpass(700, 0.7, rate);
  Oscillator punch;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double n = rnd.Signed();
    const double crack = crackFilter.Process(n) * Strike(t, 0.0004, 0.012);
    bodyFilter.Lowpass(350 + 5000 * std::exp(-t / 0.03), 0.8, rate);
    const double body = bodyFilter.Process(n) * Strike(t, 0.001, 0.05 * size);
    const double boom =
        punch.Sine(45 + 110 * std::exp(-t / 0.025), rate) * Strike(t, 0.002, 0.06 * size);
    const double tail = tailFilter.Process(n) * Strike(t, 0.01, 0.16 * size) * 0.35;
    out[i] = 0.9 * crack + 1.1 * body + 0.9 * boom + tail;
  }
  FadeOut(out, rate, 0.08);
  return out;
}

// A short metallic click: the hammer, the cylinder or the pump.
std::vector<double> Click(int rate, double hz, double seconds, std::uint64_t seed) {
  std::vector<double> out(static_cast<std::size_t>(seconds * rate));
  SeededRandom rnd(seed);
  Biquad ring;
  ring.Bandpass(hz, 6, rate);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    out[i] = ring.Process(rnd.Signed()) * Strike(t, 0.0003, seconds / 5) * 3;
  }
  return out;
}

// Adds a room's echo of the signal's own left channel to both sides.
void AddRoom(Signal& s, double decay, double damping, double wet) {
  Room room(s.rate, decay, damping);
  for (std::size_t i = 0; i < s.frames(); ++i) {
    double l = 0, r = 0;
    const double dry = s.stereo() ? 0.5 * (s.left[i] + s.right[i]) : s.left[i];
    room.Process(dry, l, r);
    s.left[i] += wet * l;
    if (s.stereo()) s.right[i] += wet * r;
  }
}

}  // namespace

void MakeShot(Signal& s) { s.Add(Gunshot(s.rate, 0.4, 1.0, 0x736B6F74), 0); }

void MakeExplosion(Signal& s) {
  SeededRandom rnd(0x65787031);
  Biquad rumbleFilter, crackleFilter;
  Smoother brown;
  Oscillator sub;
  crackleFilter.Bandpass(2500, 1.5, s.rate);
  double crackle = 0;
  for (std::size_t i = 0; i < s.frames(); ++i) {
    const double t = s.Time(i);
    const double n = rnd.Signed();
    // Deep noise whose top closes as the blast rolls away.
    rumbleFilter.Lowpass(120 + 3500 * std::exp(-t / 0.12), 0.9, s.rate);
    const double rumble = rumbleFilter.Process(brown.Process(n, 900, s.rate) * 3 + n * 0.3);
    const double env = Strike(t, 0.004, 0.32) * (1 - 0.4 * std::exp(-t / 0.02));
    // Debris: sparse crackles, thinning out.
    if (rnd.Unit() < 0.004 * std::exp(-t / 0.4)) crackle = rnd.Signed();
    crackle *= 0.96;
    const double debris = crackleFilter.Process(crackle) * 0.8;
    const double thump = sub.Sine(28 + 50 * std::exp(-t / 0.08), s.rate) * Strike(t, 0.005, 0.22);
    const double crack = n * Strike(t, 0.0005, 0.008);
    s.left[i] = 1.6 * rumble * env + debris + 0.9 * thump + 0.7 * crack;
  }
  // The end of the rumble falls to silence before the sound stops.
  FadeOut(s, 0.35);
}

void MakeRicochet(Signal& s) {
  SeededRandom rnd(0x72696368);
  Oscillator whine, wobble;
  Biquad hiss;
  for (std::size_t i = 0; i < s.frames(); ++i) {
    const double t = s.Time(i);
    // A bright whine that drops in pitch as the bullet flies off, wobbling as it tumbles.
    const double hz = (1300 + 2100 * std::exp(-t / 0.09)) * (1 + 0.025 * wobble.Sine(38, s.rate));
    const double tone = whine.Sine(hz, s.rate);
    const double tone2 = std::sin(2 * kTwoPi * whine.phase()) * 0.25;
    hiss.Bandpass(hz, 4, s.rate);
    const double air = hiss.Process(rnd.Signed()) * 0.6;
    const double env = Strike(t, 0.006, 0.11) * Gate(t, -1, 0.318, 0.06);
    const double hit = rnd.Signed() * Strike(t, 0.0002, 0.003);
    s.left[i] = (tone + tone2 + air) * env + hit;
  }
}

void MakeRevolverShots(Signal& s) {
  // Three shots, the hammer cocked before the second and third, and the last echoing away.
  const double shots[] = {0.03, 0.78, 1.42};
  const double pans[] = {0.45, 0.55, 0.5};
  for (int k = 0; k < 3; ++k) {
    s.Add(Gunshot(s.rate, 0.6, 1.1, 0x7265760 + k), s.Frame(shots[k]), 1.0, pans[k]);
    if (k > 0) {
      s.Add(Click(s.rate, 2600, 0.02, 0x636C6B + k), s.Frame(shots[k] - 0.32), 0.5, 0.6);
      s.Add(Click(s.rate, 1800, 0.025, 0x636C6C + k), s.Frame(shots[k] - 0.22), 0.45, 0.6);
    }
  }
  s.Add(Gunshot(s.rate, 0.6, 1.1, 0x72657F), s.Frame(1.42 + 0.28), 0.25, 0.3);
  AddRoom(s, 0.9, 0.35, 0.35);
  FadeOut(s, 0.3);
}

void MakeShotGun(Signal& s) {
  // The rate is low, so keep everything under its top.
  std::vector<double> blast = Gunshot(s.rate, 0.5, 1.8, 0x73686F74);
  Biquad top;
  top.Lowpass(3200, 0.7, s.rate);
  for (double& v : blast) v = top.Process(v);
  s.Add(blast, 0);
  // Pump: back and forward.
  s.Add(Click(s.rate, 1900, 0.05, 0x70756D70), s.Frame(0.62), 0.7);
  s.Add(Click(s.rate, 1300, 0.06, 0x70756D71), s.Frame(0.80), 0.8);
}

void MakeThump(Signal& s) {
  SeededRandom rnd(0x7468756D);
  Oscillator body;
  Biquad puff, tube;
  tube.Bandpass(230, 3, s.rate);
  for (std::size_t i = 0; i < s.frames(); ++i) {
    const double t = s.Time(i);
    // A round, low whump: the pitch drops fast, nothing sharp on top.
    const double boom = body.Sine(52 + 120 * std::exp(-t / 0.03), s.rate) * Strike(t, 0.003, 0.085);
    puff.Lowpass(250 + 1400 * std::exp(-t / 0.02), 0.7, s.rate);
    const double n = rnd.Signed();
    const double air = puff.Process(n) * Strike(t, 0.002, 0.05) * 0.7;
    const double ring = tube.Process(n) * Strike(t, 0.004, 0.06) * 0.8;
    s.left[i] = boom + air + ring;
  }
}

}  // namespace synth
