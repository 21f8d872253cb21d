// Voices: a belch, a scream, a sad trombone, a cheerful "thank you", Plimo's squeal and the
// boss's enormous burp. Voiced sounds are a buzzing source shaped by a chain of formant
// resonators, the way a throat and mouth shape a voice.
#include <cmath>

#include "assets/content/sound_groups.h"

namespace synth {

namespace {

// A vocal tract: three formants in a chain.
class Tract {
 public:
  void Shape(double f1, double f2, double f3, int rate, double bwScale = 1) {
    r_[0].Set(f1, 80 * bwScale, rate);
    r_[1].Set(f2, 110 * bwScale, rate);
    r_[2].Set(f3, 170 * bwScale, rate);
  }
  double Process(double x) { return r_[2].Process(r_[1].Process(r_[0].Process(x))); }

 private:
  Resonator r_[3];
};

// The buzz of the vocal folds: a sawtooth softened towards the top, so that it sounds like a
// throat rather than a synthesiser.
class Folds {
 public:
  explicit Folds(std::uint64_t seed) : rnd_(seed) {}
  // jitter: how unsteady the pitch is (0 to about 0.1).
  double Next(double hz, double jitter, int rate) {
    const double wander = drift_.Process(rnd_.Signed(), 30, rate) * 4;
    const double x = osc_.Saw(hz * (1 + jitter * wander), rate);
    return soft_.Process(x, std::min(hz * 4, rate * 0.4), rate) * 2;
  }
  double Phase() const { return osc_.phase(); }

 private:
  SeededRandom rnd_;
  Oscillator osc_;
  Smoother drift_, soft_;
};

// A rough, low, rasping belch from f0 hz downwards, with the mouth going from "uh" to "aa".
void Belch(Signal& s, double start, double length, double f0, double fall, std::uint64_t seed,
           double formantScale) {
  Folds folds(seed);
  Tract tract;
  SeededRandom rnd(seed ^ 0x5A5A);
  Smoother breath, rasp;
  const std::size_t first = s.Frame(start), last = s.Frame(start + length);
  for (std::size_t i = first; i < last; ++i) {
    const double t = s.Time(i) - start, u = t / length;
    const double hz = f0 * (1 - fall * u) * (1 + 0.08 * std::sin(kTwoPi * 3 * t));
    double x = folds.Next(hz, 0.09, s.rate);
    // Vocal fry: every other pulse weaker, and a rattle at a few tens of hertz.
    x *= 0.75 + 0.25 * std::sin(kTwoPi * folds.Phase() / 2 + kTwoPi * 0.5 * hz * t);
    x *= 0.7 + 0.3 * std::sin(kTwoPi * 23 * t + 2 * rasp.Process(rnd.Signed(), 10, s.rate));
    x += breath.Process(rnd.Signed(), 1800, s.rate) * 0.35;
    const double open = Contour(u, {{0, 0.55}, {0.25, 1.0}, {0.8, 0.95}, {1, 0.6}});
    tract.Shape(formantScale * (320 + 420 * open), formantScale * (800 + 380 * open),
                formantScale * 2500, s.rate, 1.3);
    const double env = Gate(t, 0, length, 0.06) * (0.8 + 0.2 * std::sin(kTwoPi * 5 * t));
    const double v = tract.Process(x) * env;
    s.left[i] += v;
    if (s.stereo()) s.right[i] += v;
  }
}

}  // namespace

void MakeBelch(Signal& s) { Belch(s, 0.02, 0.69, 96, 0.3, 0x62656C63, 1.0); }

void MakeHeavyBurp(Signal& s) {
  // A long, deep burp from a big belly, heard in a hall.
  Belch(s, 0.03, 2.7, 62, 0.35, 0x68627270, 0.8);
  Room room(s.rate, 1.6, 0.5);
  for (std::size_t i = 0; i < s.frames(); ++i) {
    double l = 0, r = 0;
    room.Process(s.left[i], l, r);
    s.left[i] += 0.45 * l;
    s.right[i] += 0.45 * r;
  }
  FadeOut(s, 0.6);
}

void MakeScream(Signal& s) {
  Folds folds(0x73637265);
  Tract tract;
  Oscillator vibrato;
  const double length = s.Time(s.frames());
  for (std::size_t i = 0; i < s.frames(); ++i) {
    const double t = s.Time(i);
    const double hz = Contour(t, {{0, 420}, {0.08, 720}, {0.45, 760}, {length, 520}}) *
                      (1 + 0.035 * vibrato.Sine(7, s.rate));
    tract.Shape(880, 1350, 2850, s.rate, 1.4);
    const double v = tract.Process(folds.Next(hz, 0.03, s.rate));
    s.left[i] = v * Gate(t, 0.005, length - 0.01, 0.04) * Strike(t, 0.02, 1.2);
  }
}

void MakePlimoScream(Signal& s) {
  // A squeal that rises, wobbles and falls away as Plimo runs off across the gallery.
  Folds folds(0x706C696D);
  Tract tract;
  Oscillator vibrato;
  const double length = s.Time(s.frames());
  for (std::size_t i = 0; i < s.frames(); ++i) {
    const double t = s.Time(i);
    const double hz =
        Contour(t, {{0, 700}, {0.12, 1350}, {0.9, 1450}, {1.3, 1250}, {length, 620}}) *
        (1 + 0.06 * vibrato.Sine(9 + 2 * t, s.rate));
    const double ee = Contour(t, {{0, 1}, {1.2, 1}, {1.8, 0}});
    tract.Shape(400 + 300 * (1 - ee), 1100 + 1500 * ee, 3200, s.rate, 1.6);
    const double v = tract.Process(folds.Next(hz, 0.02, s.rate)) *
                     Gate(t, 0.005, length - 0.02, 0.05) *
                     Contour(t, {{0, 0.8}, {0.2, 1}, {1.2, 0.9}, {length, 0.4}});
    const double pan = 0.42 + 0.16 * t / length;
    s.left[i] = v * std::cos(pan * kTwoPi / 4) * std::sqrt(2.0);
    s.right[i] = v * std::sin(pan * kTwoPi / 4) * std::sqrt(2.0);
  }
}

void MakeSadTrombone(Signal& s) {
  // Wah, wah, wah, waaah: four falling notes with a plunger mute opening on each.
  struct Note {
    double start, length, hz;
  };
  const Note notes[] = {{0.05, 0.45, MidiHz(58)},
                        {0.55, 0.45, MidiHz(57)},
                        {1.05, 0.45, MidiHz(56)},
                        {1.55, 1.38, MidiHz(55)}};
  Oscillator tone, vibrato;
  Biquad mute;
  for (std::size_t i = 0; i < s.frames(); ++i) {
    const double t = s.Time(i);
    double v = 0;
    for (const Note& n : notes) {
      const double nt = t - n.start;
      if (nt < 0 || nt > n.length) continue;
      const bool last = &n == &notes[3];
      // The last note sags and wobbles ever wider.
      const double bend = last ? 1 - 0.03 * std::min(1.0, nt / 1.0) : 1.0;
      const double wobble = last ? 0.025 * std::min(1.0, nt / 0.5) * vibrato.Sine(5.5, s.rate) : 0;
      const double hz = n.hz * bend * (1 + wobble) * (1 - 0.02 * std::exp(-nt / 0.03));
      const double wah = last ? Contour(nt, {{0, 0.2}, {0.25, 1}, {0.9, 0.85}, {n.length, 0.2}})
                              : Contour(nt, {{0, 0.15}, {0.15, 1}, {n.length, 0.3}});
      mute.Lowpass(280 + 1700 * wah, 2.2, s.rate);
      v = mute.Process(tone.Saw(hz, s.rate)) * Gate(nt, 0, n.length, 0.04) * (0.5 + 0.5 * wah);
    }
    s.left[i] = v;
  }
}

void MakeThankYou(Signal& s) {
  // "Thank you!" in a bright cartoon voice, then a two-note chime.
  Folds folds(0x74686B75);
  Tract tract;
  SeededRandom rnd(0x74687379);
  Biquad hiss, burst;
  hiss.Highpass(2800, 0.7, s.rate);
  burst.Bandpass(2300, 2, s.rate);
  // Formant targets through the words, and how much voice and hiss there is.
  const std::vector<std::pair<double, double>> f1 = {
      {0.13, 500}, {0.18, 760}, {0.32, 720}, {0.38, 320}, {0.50, 280}, {0.58, 330}, {0.9, 330}};
  const std::vector<std::pair<double, double>> f2 = {{0.13, 1500}, {0.18, 1700}, {0.32, 1750},
                                                     {0.38, 2000}, {0.50, 2200}, {0.62, 1700},
                                                     {0.9, 950}};
  const std::vector<std::pair<double, double>> pitch = {
      {0.12, 200}, {0.33, 235}, {0.50, 270}, {0.62, 280}, {0.92, 190}};
  const std::vector<std::pair<double, double>> voiced = {
      {0.12, 0}, {0.15, 1},    {0.31, 1}, {0.34, 0.35}, {0.41, 0.3}, {0.43, 0},
      {0.50, 0}, {0.53, 0.55}, {0.58, 1}, {0.82, 0.9},  {0.93, 0}};
  for (std::size_t i = 0; i < s.frames(); ++i) {
    const double t = s.Time(i);
    if (t > 1.0) break;
    tract.Shape(Contour(t, f1), Contour(t, f2), 2700, s.rate, 1.0);
    const double voice =
        tract.Process(folds.Next(Contour(t, pitch), 0.01, s.rate)) * Contour(t, voiced);
    const double n = rnd.Signed();
    // "th": soft hiss before the vowel; "k": a short burst after the closure.
    const double th = hiss.Process(n) * Gate(t, 0.04, 0.15, 0.03) * 0.35;
    const double k = burst.Process(n) * Gate(t, 0.47, 0.52, 0.01) * 0.9;
    s.left[i] = voice + th + k;
  }
  // The chime: two bell notes, the second a fifth above.
  const double chime[][2] = {{1.08, MidiHz(84)}, {1.26, MidiHz(91)}};
  for (const auto& [start, hz] : chime) {
    for (std::size_t i = s.Frame(start); i < s.frames(); ++i) {
      const double t = s.Time(i) - start;
      double v = 0;
      const double partials[][3] = {{1, 1, 0.6}, {2.0, 0.35, 0.25}, {3.0, 0.15, 0.12}};
      for (const auto& p : partials) {
        if (hz * p[0] < s.rate * 0.45)
          v += p[1] * std::sin(kTwoPi * hz * p[0] * t) * Strike(t, 0.002, p[2]);
      }
      s.left[i] += 0.5 * v;
    }
  }
  FadeOut(s, 0.3);
}

}  // namespace synth
