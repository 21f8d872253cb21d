// The building blocks of the synthesised sounds: a signal under construction, oscillators,
// noise, filters, envelopes and a small room, all in double precision at the sound's own rate.
#pragma once

#include <cstddef>
#include <vector>

#include "assets/content/rng.h"

namespace synth {

inline constexpr double kTwoPi = 6.283185307179586;

// One or two channels of samples around 0, full scale at +-1.
struct Signal {
  int rate = 0;
  std::vector<double> left;
  std::vector<double> right;  // empty for a mono signal

  Signal(int sampleRate, std::size_t frames, bool stereo = false)
      : rate(sampleRate), left(frames, 0.0), right(stereo ? frames : 0, 0.0) {}
  std::size_t frames() const { return left.size(); }
  bool stereo() const { return !right.empty(); }
  double Time(std::size_t frame) const { return static_cast<double>(frame) / rate; }
  std::size_t Frame(double seconds) const;  // clamped to the signal's length

  // Adds mono into both channels, left at (1 - pan) and right at pan (0.5 is the middle, at
  // equal power), starting at frame `at`. With `wrap`, samples past the end continue at the
  // start, which keeps a looped sound continuous at its seam.
  void Add(const std::vector<double>& mono, std::size_t at, double gain = 1, double pan = 0.5,
           bool wrap = false);
};

// A sample of band-limited waveforms from a running phase.
class Oscillator {
 public:
  explicit Oscillator(double phase = 0) : phase_(phase) {}
  // Advances by one sample at frequency hz and returns the new phase (0 to 1).
  double Step(double hz, int rate);
  double Sine(double hz, int rate);
  // Sawtooth and pulse with the step smoothed (polyBLEP), so that high notes do not alias.
  double Saw(double hz, int rate);
  double Pulse(double hz, int rate, double width);
  double Triangle(double hz, int rate);
  double phase() const { return phase_; }

 private:
  double phase_;
};

// The textbook biquad (RBJ cookbook); set its shape again whenever its frequency moves.
class Biquad {
 public:
  void Lowpass(double hz, double q, int rate);
  void Highpass(double hz, double q, int rate);
  // Band-pass with 0 dB at its centre.
  void Bandpass(double hz, double q, int rate);
  double Process(double x);

 private:
  void Set(double b0, double b1, double b2, double a0, double a1, double a2);
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A formant resonator of the kind speech synthesisers chain: unity gain at 0 Hz, a peak at
// its frequency with the given bandwidth.
class Resonator {
 public:
  void Set(double hz, double bandwidth, int rate);
  double Process(double x);

 private:
  double a_ = 1, b_ = 0, c_ = 0, y1_ = 0, y2_ = 0;
};

// A one-pole low-pass: cheap smoothing of noise and of control values.
class Smoother {
 public:
  double Process(double x, double hz, int rate);

 private:
  double y_ = 0;
};

// A few combs and all-passes: the sound of a small hall, decorrelated between the two sides.
class Room {
 public:
  Room(int rate, double decaySeconds, double damping);
  // Returns the wet left and right for one dry sample.
  void Process(double x, double& left, double& right);

 private:
  struct Comb {
    std::vector<double> line;
    std::size_t pos = 0;
    double feedback = 0, damp = 0, store = 0;
  };
  struct AllPass {
    std::vector<double> line;
    std::size_t pos = 0;
  };
  std::vector<Comb> combs_[2];
  std::vector<AllPass> allPasses_[2];
};

// Brings the last `seconds` of a sound down to silence along a half cosine, so that a sound
// cut to length does not end in a step.
void FadeOut(std::vector<double>& samples, int rate, double seconds);
void FadeOut(Signal& s, double seconds);

// Rises in `attack` seconds, then falls by e every `decay` seconds; 0 before t = 0.
double Strike(double t, double attack, double decay);
// 0 to 1 to 0 with raised-cosine edges: on over [start, end], edges `edge` seconds long.
double Gate(double t, double start, double end, double edge);
// Straight-line interpolation through (time, value) points, held flat outside them.
double Contour(double t, const std::vector<std::pair<double, double>>& points);
double MidiHz(double note);

}  // namespace synth
