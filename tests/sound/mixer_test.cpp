// What comes out of the audio device, checked by numbers: resampling keeps pitch and length,
// plays add up, volume and pan take off the documented decibels, loops are seamless, loud
// sums saturate, and without a device nothing sounds and nothing fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/sound/sound_fixture.h"

namespace {

using namespace wavetest;

constexpr int kRate = 48000;

// The frequency of a tone from its rising zero crossings, each placed between its two samples.
double MeasuredFrequency(const std::vector<int>& s, std::size_t from, std::size_t to) {
  double first = -1;
  double last = -1;
  int crossings = 0;
  for (std::size_t n = from + 1; n < to; ++n) {
    if (s[n - 1] < 0 && s[n] >= 0) {
      const double t = static_cast<double>(n - 1) +
                       static_cast<double>(-s[n - 1]) / static_cast<double>(s[n] - s[n - 1]);
      if (first < 0) first = t;
      last = t;
      ++crossings;
    }
  }
  return (crossings - 1) / (last - first) * kRate;
}

std::size_t FirstSound(const std::vector<int>& s) {
  return static_cast<std::size_t>(std::find_if(s.begin(), s.end(), [](int v) { return v != 0; }) -
                                  s.begin());
}

std::size_t EndOfSound(const std::vector<int>& s) {
  return static_cast<std::size_t>(s.rend() -
                                  std::find_if(s.rbegin(), s.rend(), [](int v) { return v != 0; }));
}

TEST_F(SoundTest, ALowRateEightBitToneKeepsItsPitchAndLengthOnTheDevice) {
  // One second of 440 Hz stored at 11025 Hz, mono, 8 bits.
  TWaveCollectionItem* tone =
      AddWave("tone", SimpleImage(FormatBody(11025, 8, 1), Sine8(440, 11025, 11025)));
  Start();
  ASSERT_TRUE(sound->Initialized());
  ASSERT_EQ(machine->AudioFormat().rate, kRate);
  ASSERT_EQ(machine->AudioFormat().channels, 2);
  machine->Advance(20);
  tone->Play(false);
  machine->Advance(1500);

  const std::vector<int> left = Channel(0);
  const std::vector<int> right = Channel(1);
  EXPECT_EQ(left, right);  // a mono sound in the centre
  const std::size_t begin = FirstSound(left);
  const std::size_t end = EndOfSound(left);
  // It starts with the first frame after Play (whose sample is the sine's zero).
  const std::size_t start = 20u * kRate / 1000;
  EXPECT_NEAR(static_cast<double>(begin), start, 1.0);
  EXPECT_NEAR(static_cast<double>(end - start), kRate, 3.0);
  EXPECT_NEAR(MeasuredFrequency(left, begin, end), 440.0, 1.0);
  // The peaks keep the stored amplitude of 100 steps of 8 bits.
  EXPECT_NEAR(*std::max_element(left.begin(), left.end()), 100 * 256, 300);
  EXPECT_FALSE(tone->Playing());
}

TEST_F(SoundTest, OverlappingPlaysAddUp) {
  TWaveCollectionItem* dc = AddConstant("dc", 4000, 4800);  // 100 ms
  Start();
  dc->Play(false);
  machine->Advance(50);
  dc->Play(false);  // the first copy is still sounding: a second one joins it
  machine->Advance(200);
  const std::vector<int> left = Channel(0);
  ASSERT_GE(left.size(), 12000u);
  for (std::size_t n = 0; n < 2400; ++n) ASSERT_EQ(left[n], 4000) << n;
  for (std::size_t n = 2400; n < 4800; ++n) ASSERT_EQ(left[n], 8000) << n;
  for (std::size_t n = 4800; n < 7200; ++n) ASSERT_EQ(left[n], 4000) << n;
  for (std::size_t n = 7200; n < 12000; ++n) ASSERT_EQ(left[n], 0) << n;
}

TEST_F(SoundTest, VolumeAndPanTakeOffTheirDecibels) {
  TWaveCollectionItem* dc = AddConstant("dc", 10000, 48000);
  Start();
  dc->SetVolume(-600);  // 6 dB down on both sides
  dc->SetPan(1000);     // and 10 dB more off the left
  dc->Play(false);
  machine->Advance(10);
  const double left = Channel(0)[100];
  const double right = Channel(1)[100];
  EXPECT_NEAR(right, 10000 * std::pow(10.0, -6.0 / 20), 1.0);
  EXPECT_NEAR(left, 10000 * std::pow(10.0, -16.0 / 20), 1.0);
  EXPECT_NEAR(20 * std::log10(left / right), -10.0, 0.01);

  dc->Stop();
  machine->ClearAudioOutput();
  dc->SetPan(-10000);  // hard left: the right side is silent
  dc->SetVolume(0);
  dc->Play(false);
  machine->Advance(10);
  EXPECT_EQ(Channel(0)[100], 10000);
  EXPECT_EQ(Channel(1)[100], 0);

  dc->Stop();
  machine->ClearAudioOutput();
  dc->SetPan(0);
  dc->SetVolume(-10000);  // the bottom of the scale is silence
  dc->Play(false);
  machine->Advance(10);
  EXPECT_EQ(EndOfSound(Channel(0)), 0u);
}

TEST_F(SoundTest, ALoopedSoundWrapsWithoutAJumpAtTheSeam) {
  // Twenty whole cycles of 441 Hz at 22050 Hz: the loop continues the sine exactly.
  constexpr double kAmplitude = 20000;
  TWaveCollectionItem* loop = AddWave(
      "loop", SimpleImage(FormatBody(22050, 16, 1), Sine16(441, 22050, 1000, kAmplitude)), true);
  Start();
  loop->Play(false);
  machine->Advance(150);  // more than three times round the 45 ms loop
  ASSERT_TRUE(loop->Playing());
  const std::vector<int> left = Channel(0);
  ASSERT_GE(left.size(), 7200u);
  double worst = 0;
  for (std::size_t n = 0; n < 7200; ++n) {
    const double ideal = kAmplitude * std::sin(2 * M_PI * 441 * static_cast<double>(n) / kRate);
    worst = std::max(worst, std::abs(left[n] - ideal));
  }
  // Linear interpolation of a sine at 50 samples a cycle errs by at most A (pi/50)^2 / 2.
  EXPECT_LT(worst, kAmplitude * std::pow(M_PI / 50, 2) / 2 + 2);
  loop->Stop();
  machine->ClearAudioOutput();
  machine->Advance(20);
  EXPECT_EQ(EndOfSound(Channel(0)), 0u);
}

TEST_F(SoundTest, LoudSoundsSaturateInsteadOfWrappingAround) {
  TWaveCollectionItem* up = AddConstant("up", 20000, 4800);
  TWaveCollectionItem* down = AddConstant("down", -20000, 4800);
  Start();
  for (int i = 0; i < 8; ++i) up->Play(false);
  machine->Advance(50);
  for (int i = 0; i < 8; ++i) up->Stop();
  for (int i = 0; i < 8; ++i) down->Play(false);
  machine->Advance(50);
  const std::vector<int> left = Channel(0);
  ASSERT_GE(left.size(), 4800u);
  EXPECT_EQ(up->PoolCount(), 8);
  for (std::size_t n = 0; n < 2400; ++n) ASSERT_EQ(left[n], 32767) << n;
  for (std::size_t n = 2400; n < 4800; ++n) ASSERT_EQ(left[n], -32768) << n;
}

TEST_F(SoundTest, StereoSourcesKeepTheirSides) {
  Bytes data;
  for (int n = 0; n < 480; ++n) {
    PutU16(data, static_cast<std::uint16_t>(1000));
    PutU16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(-3000)));
  }
  TWaveCollectionItem* stereo = AddWave("stereo", SimpleImage(FormatBody(48000, 16, 2), data));
  Start();
  stereo->Play(false);
  machine->Advance(5);
  EXPECT_EQ(Channel(0)[10], 1000);
  EXPECT_EQ(Channel(1)[10], -3000);
}

TEST_F(SoundTest, AMonoDeviceAtItsOwnRateGetsBothSidesAndTheRightLength) {
  machine->SetAudioFormat(44100, 1);
  Bytes data;
  for (int n = 0; n < 11025; ++n) {  // half a second at 22050 Hz
    PutU16(data, static_cast<std::uint16_t>(1000));
    PutU16(data, static_cast<std::uint16_t>(3000));
  }
  TWaveCollectionItem* stereo = AddWave("stereo", SimpleImage(FormatBody(22050, 16, 2), data));
  Start();
  stereo->Play(false);
  machine->Advance(1000);
  const std::vector<int> mono = Channel(0);
  ASSERT_EQ(mono.size(), 44100u);
  EXPECT_EQ(mono[100], 2000);  // the average of the two sides
  EXPECT_NEAR(static_cast<double>(EndOfSound(mono)), 22050, 2.0);
}

TEST_F(SoundTest, AnItemsFrequencyChangesItsSpeed) {
  TWaveCollectionItem* tone =
      AddWave("tone", SimpleImage(FormatBody(11025, 8, 1), Sine8(440, 11025, 11025)));
  Start();
  tone->SetFrequency(22050);  // twice its own rate: an octave up, half as long
  tone->Play(false);
  machine->Advance(1000);
  const std::vector<int> left = Channel(0);
  const std::size_t end = EndOfSound(left);
  EXPECT_NEAR(static_cast<double>(end), kRate / 2, 3.0);
  EXPECT_NEAR(MeasuredFrequency(left, 0, end), 880.0, 2.0);
}

TEST_F(SoundTest, WithoutADeviceEveryPlayIsSilentAndNothingFails) {
  machine->SetAudioDevice(false);
  TWaveCollectionItem* shot = AddConstant("shot", 5000, 4800);
  TWaveCollectionItem* music = AddConstant("music", 5000, 4800, true);
  EXPECT_NO_THROW(Start());
  EXPECT_FALSE(sound->Initialized());
  EXPECT_EQ(sound->DSound(), nullptr);
  EXPECT_NO_THROW({
    shot->Play(false);
    music->Play(false);
    shot->Stop();
    music->Stop();
  });
  EXPECT_FALSE(shot->Playing());
  EXPECT_FALSE(shot->Initialized());
  machine->Advance(100);
  EXPECT_TRUE(machine->AudioOutput().empty());
  EXPECT_FALSE(machine->AudioOpen());
}

TEST_F(SoundTest, TheDeviceClosesWhenTheSoundComponentGoes) {
  Start();
  EXPECT_TRUE(machine->AudioOpen());
  sound->Free();
  EXPECT_FALSE(machine->AudioOpen());
  EXPECT_EQ(list->DXSound(), nullptr);
}

}  // namespace
