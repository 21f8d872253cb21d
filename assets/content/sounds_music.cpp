// Tunes and small effects: the start-up tune of a fairground organ, a spring's boing, a
// crowd's applause and a prize bell.
#include <cmath>

#include "assets/content/sound_groups.h"

namespace synth {

namespace {

// The tune's tempo: 150 beats a minute, counted in eighths.
constexpr double kEighth = 0.2;
constexpr double kLeadIn = 0.03;

// A pipe of the organ: fundamental, octave and twelfth, with a breathy start and vibrato.
std::vector<double> OrganNote(int rate, double hz, double seconds, std::uint64_t seed) {
  const double tail = 0.12;
  std::vector<double> out(static_cast<std::size_t>((seconds + tail) * rate));
  SeededRandom rnd(seed);
  Oscillator a, b, c, vib;
  Biquad chiff;
  chiff.Bandpass(hz * 3, 2, rate);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double f = hz * (1 + 0.005 * vib.Sine(6, rate) * std::min(1.0, t / 0.15));
    const double tone = a.Sine(f, rate) + 0.45 * b.Sine(2 * f, rate) + 0.2 * c.Sine(3 * f, rate);
    const double breath = chiff.Process(rnd.Signed()) * Strike(t, 0.002, 0.02) * 0.6;
    const double env =
        Gate(t, 0, seconds * 0.92 + tail * 0.5, 0.015) * (0.85 + 0.15 * std::exp(-t / 0.08));
    out[i] = tone * env + breath;
  }
  return out;
}

// A soft reed chord stab.
std::vector<double> ChordStab(int rate, std::initializer_list<double> notes, double seconds) {
  std::vector<double> out(static_cast<std::size_t>((seconds + 0.05) * rate));
  for (double note : notes) {
    Oscillator osc;
    Biquad soft;
    soft.Lowpass(1800, 0.7, rate);
    const double hz = MidiHz(note);
    for (std::size_t i = 0; i < out.size(); ++i) {
      const double t = static_cast<double>(i) / rate;
      out[i] += soft.Process(osc.Pulse(hz, rate, 0.3)) * Gate(t, 0, seconds, 0.012) *
                Strike(t, 0.004, seconds * 1.5) * 0.3;
    }
  }
  return out;
}

std::vector<double> BassNote(int rate, double note, double seconds) {
  std::vector<double> out(static_cast<std::size_t>((seconds + 0.05) * rate));
  Oscillator tri, sine;
  const double hz = MidiHz(note);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    out[i] = (0.6 * tri.Triangle(hz, rate) + 0.7 * sine.Sine(hz, rate)) *
             Gate(t, 0, seconds, 0.01) * Strike(t, 0.005, seconds * 1.2);
  }
  return out;
}

std::vector<double> Kick(int rate) {
  std::vector<double> out(static_cast<std::size_t>(0.3 * rate));
  Oscillator osc;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    out[i] = osc.Sine(48 + 70 * std::exp(-t / 0.03), rate) * Strike(t, 0.002, 0.09);
  }
  FadeOut(out, rate, 0.05);
  return out;
}

std::vector<double> NoiseHit(int rate, double hz, double q, double decay, std::uint64_t seed,
                             bool highpass = false) {
  std::vector<double> out(static_cast<std::size_t>(decay * 7 * rate));
  SeededRandom rnd(seed);
  Biquad f;
  if (highpass)
    f.Highpass(hz, q, rate);
  else
    f.Bandpass(hz, q, rate);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    out[i] = f.Process(rnd.Signed()) * Strike(t, 0.001, decay);
  }
  return out;
}

std::size_t At(const Signal& s, double eighths) { return s.Frame(kLeadIn + eighths * kEighth); }

}  // namespace

void MakeStartupTune(Signal& s) {
  struct Note {
    double at, length, midi;
  };
  // Four bars over C, F, G and C, ending on a long high C.
  const Note melody[] = {
      {0, 1, 67},  {1, 1, 72},  {2, 1, 76},  {3, 1, 79},  {4, 1, 76},   {5, 1, 72},  {6, 1, 76},
      {7, 1, 79},  {8, 1, 81},  {9, 1, 79},  {10, 1, 77}, {11, 1, 81},  {12, 2, 84}, {14, 1, 81},
      {15, 1, 77}, {16, 1, 79}, {17, 1, 77}, {18, 1, 76}, {19, 1, 74},  {20, 1, 71}, {21, 1, 74},
      {22, 1, 79}, {23, 1, 77}, {24, 1, 76}, {25, 1, 79}, {26, 5.6, 84}};
  for (const Note& n : melody) {
    s.Add(OrganNote(s.rate, MidiHz(n.midi), n.length * kEighth, static_cast<std::uint64_t>(n.at)),
          At(s, n.at), 0.5, 0.45);
  }
  // Oom-pah: bass on the first and third beats, chords on the second and fourth.
  const double roots[4][2] = {{48, 43}, {41, 48}, {43, 50}, {48, 36}};
  const std::initializer_list<double> chords[4] = {
      {60, 64, 67}, {60, 65, 69}, {59, 62, 67}, {60, 64, 67}};
  for (int bar = 0; bar < 4; ++bar) {
    const double b0 = bar * 8.0;
    s.Add(BassNote(s.rate, roots[bar][0], 1.8 * kEighth), At(s, b0), 0.55);
    const double lastBass = bar == 3 ? 5.4 : 1.8;
    s.Add(BassNote(s.rate, roots[bar][1], lastBass * kEighth), At(s, b0 + 4), 0.55);
    s.Add(ChordStab(s.rate, chords[bar], 0.8 * kEighth), At(s, b0 + 2), 0.5, 0.62);
    if (bar < 3) s.Add(ChordStab(s.rate, chords[bar], 0.8 * kEighth), At(s, b0 + 6), 0.5, 0.62);
    // Drums.
    s.Add(Kick(s.rate), At(s, b0), 0.7);
    s.Add(Kick(s.rate), At(s, b0 + 4), 0.7);
    s.Add(NoiseHit(s.rate, 1900, 0.9, 0.045, 0x736E0 + bar), At(s, b0 + 2), 0.35, 0.55);
    if (bar < 3)
      s.Add(NoiseHit(s.rate, 1900, 0.9, 0.045, 0x736E8 + bar), At(s, b0 + 6), 0.35, 0.55);
    for (int e = 1; e < 8 && (bar < 3 || e < 4); e += 2) {
      s.Add(NoiseHit(s.rate, 7000, 0.7, 0.012, 0x686174 + bar * 8 + e, true), At(s, b0 + e), 0.18,
            0.35);
    }
  }
  // The final chord and a cymbal.
  s.Add(ChordStab(s.rate, {60, 64, 67, 72}, 5.0 * kEighth), At(s, 28), 0.55, 0.6);
  s.Add(NoiseHit(s.rate, 5000, 0.7, 0.18, 0x63796D, true), At(s, 26), 0.35, 0.5);
  // A little room, then a fade at the very end.
  Room room(s.rate, 1.0, 0.4);
  for (std::size_t i = 0; i < s.frames(); ++i) {
    double l = 0, r = 0;
    room.Process(0.5 * (s.left[i] + s.right[i]), l, r);
    s.left[i] += 0.2 * l;
    s.right[i] += 0.2 * r;
  }
  FadeOut(s, 0.25);
}

void MakeBoing(Signal& s) {
  Oscillator osc, twang;
  for (std::size_t i = 0; i < s.frames(); ++i) {
    const double t = s.Time(i);
    const double hz = 170 * (1 + 0.45 * std::exp(-t / 0.4) * std::sin(kTwoPi * 9 * t)) *
                      (1 + 0.3 * std::exp(-t / 0.04));
    const double body = osc.Sine(hz, s.rate) + 0.3 * std::sin(2 * kTwoPi * osc.phase());
    const double spring = twang.Sine(hz * 2.7, s.rate) * Strike(t, 0.001, 0.08) * 0.4;
    s.left[i] = body * Strike(t, 0.004, 0.45) + spring;
  }
  FadeOut(s, 0.2);
}

void MakeApplause(Signal& s) {
  SeededRandom rnd(0x636C6170);
  const double length = s.Time(s.frames());
  // Claps come as a random stream whose rate swells and dies away.
  double t = 0;
  int k = 0;
  while (t < length) {
    const double rate = Contour(t, {{0, 8}, {0.5, 70}, {2.5, 70}, {length - 0.3, 2}});
    t += -std::log(1 - rnd.Unit()) / rate;
    if (t >= length - 0.05) break;
    // One draw per statement, so that every compiler draws in the same order.
    const double hz = rnd.Range(900, 2300);
    const double decay = rnd.Range(0.004, 0.009);
    const double gain = rnd.Range(0.3, 1.0);
    s.Add(NoiseHit(s.rate, hz, 1.3, decay, 0x636C + k++), s.Frame(t), gain);
  }
}

void MakePrizeBell(Signal& s) {
  const double strikes[] = {0.02, 0.2, 0.38};
  const double hz = 880;
  // A bell's partials stand at uneven ratios; the high ones die first.
  const double partials[][3] = {{1, 1, 0.45}, {2.76, 0.5, 0.2}, {5.40, 0.25, 0.08}};
  for (double start : strikes) {
    std::vector<double> ring(s.frames() - s.Frame(start));
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const double t = static_cast<double>(i) / s.rate;
      for (const auto& p : partials) {
        if (hz * p[0] < s.rate * 0.45) {
          ring[i] += p[1] * std::sin(kTwoPi * hz * p[0] * t) * Strike(t, 0.001, p[2]);
        }
      }
    }
    s.Add(ring, s.Frame(start), 0.5);
  }
  FadeOut(s, 0.3);
}

}  // namespace synth
