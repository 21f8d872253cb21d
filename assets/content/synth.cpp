#include "assets/content/synth.h"

#include <algorithm>
#include <cmath>

namespace synth {

std::size_t Signal::Frame(double seconds) const {
  if (seconds <= 0) return 0;
  return std::min(frames(), static_cast<std::size_t>(std::lround(seconds * rate)));
}

void Signal::Add(const std::vector<double>& mono, std::size_t at, double gain, double pan,
                 bool wrap) {
  const double gl = stereo() ? std::cos(pan * kTwoPi / 4) * std::sqrt(2.0) : 1.0;
  const double gr = std::sin(pan * kTwoPi / 4) * std::sqrt(2.0);
  const std::size_t n = frames();
  for (std::size_t i = 0; i < mono.size(); ++i) {
    std::size_t j = at + i;
    if (j >= n) {
      if (!wrap) break;
      j %= n;
    }
    left[j] += mono[i] * gain * gl;
    if (stereo()) right[j] += mono[i] * gain * gr;
  }
}

namespace {

// The polyBLEP residual that rounds off a step at phase 0.
double Blep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1;
  }
  if (t > 1 - dt) {
    t = (t - 1) / dt;
    return t * t + t + t + 1;
  }
  return 0;
}

}  // namespace

double Oscillator::Step(double hz, int rate) {
  phase_ += hz / rate;
  phase_ -= std::floor(phase_);
  return phase_;
}

double Oscillator::Sine(double hz, int rate) { return std::sin(kTwoPi * Step(hz, rate)); }

double Oscillator::Saw(double hz, int rate) {
  const double t = Step(hz, rate), dt = std::min(0.5, hz / rate);
  return 2 * t - 1 - Blep(t, dt);
}

double Oscillator::Pulse(double hz, int rate, double width) {
  const double t = Step(hz, rate), dt = std::min(0.5, hz / rate);
  double v = t < width ? 1 : -1;
  v += Blep(t, dt);
  double t2 = t - width;
  t2 -= std::floor(t2);
  v -= Blep(t2, dt);
  return v - (2 * width - 1);  // without the pulse's own offset
}

double Oscillator::Triangle(double hz, int rate) {
  const double t = Step(hz, rate);
  return 4 * std::abs(t - 0.5) - 1;
}

void Biquad::Set(double b0, double b1, double b2, double a0, double a1, double a2) {
  b0_ = b0 / a0;
  b1_ = b1 / a0;
  b2_ = b2 / a0;
  a1_ = a1 / a0;
  a2_ = a2 / a0;
}

void Biquad::Lowpass(double hz, double q, int rate) {
  hz = std::clamp(hz, 10.0, rate * 0.45);
  const double w = kTwoPi * hz / rate, cw = std::cos(w), alpha = std::sin(w) / (2 * q);
  Set((1 - cw) / 2, 1 - cw, (1 - cw) / 2, 1 + alpha, -2 * cw, 1 - alpha);
}

void Biquad::Highpass(double hz, double q, int rate) {
  hz = std::clamp(hz, 10.0, rate * 0.45);
  const double w = kTwoPi * hz / rate, cw = std::cos(w), alpha = std::sin(w) / (2 * q);
  Set((1 + cw) / 2, -(1 + cw), (1 + cw) / 2, 1 + alpha, -2 * cw, 1 - alpha);
}

void Biquad::Bandpass(double hz, double q, int rate) {
  hz = std::clamp(hz, 10.0, rate * 0.45);
  const double w = kTwoPi * hz / rate, cw = std::cos(w), alpha = std::sin(w) / (2 * q);
  Set(alpha, 0, -alpha, 1 + alpha, -2 * cw, 1 - alpha);
}

double Biquad::Process(double x) {
  const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
  x2_ = x1_;
  x1_ = x;
  y2_ = y1_;
  y1_ = y;
  return y;
}

void Resonator::Set(double hz, double bandwidth, int rate) {
  hz = std::min(hz, rate * 0.45);
  const double t = 1.0 / rate;
  c_ = -std::exp(-kTwoPi * bandwidth * t);
  b_ = 2 * std::exp(-kTwoPi / 2 * bandwidth * t) * std::cos(kTwoPi * hz * t);
  a_ = 1 - b_ - c_;
}

double Resonator::Process(double x) {
  const double y = a_ * x + b_ * y1_ + c_ * y2_;
  y2_ = y1_;
  y1_ = y;
  return y;
}

double Smoother::Process(double x, double hz, int rate) {
  const double k = 1 - std::exp(-kTwoPi * hz / rate);
  y_ += k * (x - y_);
  return y_;
}

Room::Room(int rate, double decaySeconds, double damping) {
  // Comb lengths in milliseconds, mutually prime-ish, slightly different per side.
  static constexpr double kCombMs[2][4] = {{29.7, 37.1, 41.1, 43.7}, {30.9, 35.3, 40.3, 45.1}};
  static constexpr double kAllPassMs[2][2] = {{5.0, 1.7}, {5.3, 1.9}};
  for (int side = 0; side < 2; ++side) {
    for (double ms : kCombMs[side]) {
      Comb c;
      c.line.assign(static_cast<std::size_t>(ms * rate / 1000), 0.0);
      // Feedback for a fall of 60 dB in decaySeconds.
      c.feedback = std::pow(10.0, -3.0 * ms / 1000 / decaySeconds);
      c.damp = damping;
      combs_[side].push_back(std::move(c));
    }
    for (double ms : kAllPassMs[side]) {
      AllPass a;
      a.line.assign(static_cast<std::size_t>(ms * rate / 1000), 0.0);
      allPasses_[side].push_back(std::move(a));
    }
  }
}

void Room::Process(double x, double& left, double& right) {
  double out[2] = {0, 0};
  for (int side = 0; side < 2; ++side) {
    for (Comb& c : combs_[side]) {
      const double y = c.line[c.pos];
      c.store = y * (1 - c.damp) + c.store * c.damp;
      c.line[c.pos] = x + c.store * c.feedback;
      c.pos = (c.pos + 1) % c.line.size();
      out[side] += y;
    }
    out[side] *= 0.25;
    for (AllPass& a : allPasses_[side]) {
      const double buffered = a.line[a.pos];
      const double y = buffered - 0.5 * out[side];
      a.line[a.pos] = out[side] + 0.5 * buffered;
      a.pos = (a.pos + 1) % a.line.size();
      out[side] = y;
    }
  }
  left = out[0];
  right = out[1];
}

void FadeOut(std::vector<double>& samples, int rate, double seconds) {
  const std::size_t n = std::min(samples.size(), static_cast<std::size_t>(seconds * rate));
  for (std::size_t i = 0; i < n; ++i) {
    samples[samples.size() - 1 - i] *= 0.5 - 0.5 * std::cos(kTwoPi / 2 * i / n);
  }
}

void FadeOut(Signal& s, double seconds) {
  FadeOut(s.left, s.rate, seconds);
  if (s.stereo()) FadeOut(s.right, s.rate, seconds);
}

double Strike(double t, double attack, double decay) {
  if (t < 0) return 0;
  const double rise = attack > 0 ? std::min(1.0, t / attack) : 1.0;
  return rise * std::exp(-std::max(0.0, t - attack) / decay);
}

double Gate(double t, double start, double end, double edge) {
  if (t <= start || t >= end) return 0;
  const double in = std::min(1.0, (t - start) / edge), out = std::min(1.0, (end - t) / edge);
  const double k = std::min(in, out);
  return 0.5 - 0.5 * std::cos(k * kTwoPi / 2);
}

double Contour(double t, const std::vector<std::pair<double, double>>& points) {
  if (points.empty()) return 0;
  if (t <= points.front().first) return points.front().second;
  for (std::size_t i = 1; i < points.size(); ++i) {
    if (t <= points[i].first) {
      const auto& [t0, v0] = points[i - 1];
      const auto& [t1, v1] = points[i];
      return t1 > t0 ? v0 + (v1 - v0) * (t - t0) / (t1 - t0) : v1;
    }
  }
  return points.back().second;
}

double MidiHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12); }

}  // namespace synth
