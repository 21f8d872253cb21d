// The building blocks of the synthesised sounds: placing sounds in a signal (and round the seam
// of a loop), oscillators, filters and envelopes.
#include <gtest/gtest.h>

#include <cmath>

#include "assets/content/synth.h"

namespace {

using namespace synth;

constexpr int kRate = 44100;

// Peak of the second half of a filtered sine: the filter has settled by then.
double SettledGain(Biquad& f, double hz) {
  Oscillator osc;
  double peak = 0;
  for (int i = 0; i < kRate / 5; ++i) {
    const double y = f.Process(osc.Sine(hz, kRate));
    if (i > kRate / 10) peak = std::max(peak, std::abs(y));
  }
  return peak;
}

TEST(SynthSignal, PlacesSoundsAndWrapsThemRoundALoopsSeam) {
  Signal s(1000, 10);
  s.Add({1, 2, 3, 4}, 8);  // the last two fall off the end
  EXPECT_EQ(s.left[8], 1);
  EXPECT_EQ(s.left[9], 2);
  EXPECT_EQ(s.left[0], 0);
  Signal loop(1000, 10);
  loop.Add({1, 2, 3, 4}, 8, 1, 0.5, true);  // ... or go on at the start
  EXPECT_EQ(loop.left[9], 2);
  EXPECT_EQ(loop.left[0], 3);
  EXPECT_EQ(loop.left[1], 4);
}

TEST(SynthSignal, PansAtEqualPower) {
  Signal s(1000, 3, true);
  s.Add({1}, 0, 1, 0.5);
  s.Add({1}, 1, 1, 0.0);
  s.Add({1}, 2, 1, 1.0);
  EXPECT_NEAR(s.left[0], 1, 1e-9);
  EXPECT_NEAR(s.right[0], 1, 1e-9);
  EXPECT_NEAR(s.left[1] * s.left[1] + s.right[1] * s.right[1], 2, 1e-9);
  EXPECT_NEAR(s.right[1], 0, 1e-9);
  EXPECT_NEAR(s.left[2], 0, 1e-9);
}

TEST(SynthOscillator, SineRunsAtItsFrequency) {
  Oscillator osc;
  int crossings = 0;
  double last = 0;
  for (int i = 0; i < kRate; ++i) {
    const double v = osc.Sine(440, kRate);
    if ((v >= 0) != (last >= 0)) ++crossings;
    last = v;
  }
  EXPECT_NEAR(crossings, 880, 2);
}

TEST(SynthOscillator, SawAndPulseSwingAroundZero) {
  for (int shape = 0; shape < 2; ++shape) {
    Oscillator osc;
    double sum = 0, peak = 0;
    const int n = kRate;  // 441 whole periods of 100 samples
    for (int i = 0; i < n; ++i) {
      const double v = shape == 0 ? osc.Saw(441, kRate) : osc.Pulse(441, kRate, 0.3);
      sum += v;
      peak = std::max(peak, std::abs(v));
    }
    EXPECT_NEAR(sum / n, 0, 0.01) << shape;
    EXPECT_LT(peak, 1.6) << shape;
    EXPECT_GT(peak, 0.9) << shape;
  }
}

TEST(SynthFilter, LowpassKeepsTheLowAndDropsTheHigh) {
  Biquad low;
  low.Lowpass(1000, 0.707, kRate);
  EXPECT_NEAR(SettledGain(low, 100), 1, 0.02);
  Biquad high;
  high.Lowpass(1000, 0.707, kRate);
  EXPECT_LT(SettledGain(high, 8000), 0.03);
}

TEST(SynthFilter, BandpassPeaksAtItsCentre) {
  Biquad centre, off;
  centre.Bandpass(2000, 4, kRate);
  off.Bandpass(2000, 4, kRate);
  EXPECT_NEAR(SettledGain(centre, 2000), 1, 0.03);
  EXPECT_LT(SettledGain(off, 500), 0.1);
}

TEST(SynthFilter, FormantResonatorPassesAConstantUnchanged) {
  Resonator r;
  r.Set(700, 90, kRate);
  double y = 0;
  for (int i = 0; i < kRate / 10; ++i) y = r.Process(1);
  EXPECT_NEAR(y, 1, 1e-6);
}

TEST(SynthEnvelope, StrikeRisesThenFallsByEEveryDecay) {
  EXPECT_EQ(Strike(-0.1, 0.01, 0.1), 0);
  EXPECT_NEAR(Strike(0.005, 0.01, 0.1), 0.5, 1e-9);
  EXPECT_NEAR(Strike(0.01, 0.01, 0.1), 1, 1e-9);
  EXPECT_NEAR(Strike(0.11, 0.01, 0.1), std::exp(-1), 1e-9);
}

TEST(SynthEnvelope, GateOpensAndClosesSmoothly) {
  EXPECT_EQ(Gate(0, 0, 1, 0.1), 0);
  EXPECT_NEAR(Gate(0.05, 0, 1, 0.1), 0.5, 1e-9);
  EXPECT_EQ(Gate(0.5, 0, 1, 0.1), 1);
  EXPECT_NEAR(Gate(0.95, 0, 1, 0.1), 0.5, 1e-9);
  EXPECT_EQ(Gate(1, 0, 1, 0.1), 0);
}

TEST(SynthEnvelope, ContourInterpolatesAndHoldsItsEnds) {
  const std::vector<std::pair<double, double>> c = {{1, 10}, {2, 20}, {4, 0}};
  EXPECT_EQ(Contour(0, c), 10);
  EXPECT_EQ(Contour(1.5, c), 15);
  EXPECT_EQ(Contour(3, c), 10);
  EXPECT_EQ(Contour(9, c), 0);
}

TEST(SynthEnvelope, FadeOutEndsInSilenceAndLeavesTheRest) {
  std::vector<double> v(100, 1.0);
  FadeOut(v, 1000, 0.01);  // the last 10 samples
  EXPECT_EQ(v[89], 1);
  EXPECT_LT(v[90], 1);
  EXPECT_NEAR(v[99], 0, 1e-12);
  for (int i = 91; i < 100; ++i) EXPECT_LE(v[i], v[i - 1]);
}

}  // namespace
