#include "platform/dsound/mixer.h"

#include <algorithm>
#include <cmath>

namespace platform::dsound {

namespace {

constexpr int kFractionBits = 32;
constexpr std::uint64_t kOne = std::uint64_t{1} << kFractionBits;
constexpr float kFractionScale = 1.0f / static_cast<float>(kOne);
constexpr std::int32_t kSilence = -10000;  // the volume and pan limit that means nothing heard

// Hundredths of a decibel of attenuation as an amplitude factor.
float Attenuation(std::int32_t hundredths) {
  if (hundredths <= kSilence) return 0.0f;
  if (hundredths >= 0) return 1.0f;
  return static_cast<float>(std::pow(10.0, hundredths / 2000.0));
}

// A sample of either stored kind as a 16-bit-scaled value.
template <int Bits>
inline float SampleAt(const std::uint8_t* p) {
  if constexpr (Bits == 8) {
    return static_cast<float>((static_cast<int>(p[0]) - 128) * 256);
  } else {
    return static_cast<float>(static_cast<std::int16_t>(p[0] | (p[1] << 8)));
  }
}

// Adds the frame at `pos`, between stored frames i and j, into one stereo place of the sum.
template <int Bits, int Channels>
inline void AddFrame(const std::uint8_t* data, std::uint64_t pos, std::uint64_t i, std::uint64_t j,
                     float gainLeft, float gainRight, float* place) {
  constexpr int kBlock = Channels * Bits / 8;
  constexpr int kSampleBytes = Bits / 8;
  const float t = static_cast<float>(pos & (kOne - 1)) * kFractionScale;
  const std::uint8_t* a = data + i * kBlock;
  const std::uint8_t* b = data + j * kBlock;
  const float l0 = SampleAt<Bits>(a);
  const float l1 = SampleAt<Bits>(b);
  const float left = l0 + (l1 - l0) * t;
  float right = left;
  if constexpr (Channels == 2) {
    const float r0 = SampleAt<Bits>(a + kSampleBytes);
    const float r1 = SampleAt<Bits>(b + kSampleBytes);
    right = r0 + (r1 - r0) * t;
  }
  place[0] += left * gainLeft;
  place[1] += right * gainRight;
}

// Adds one voice into the stereo sum; answers the new position and whether the voice ended.
template <int Bits, int Channels>
bool MixVoice(const std::uint8_t* data, std::uint64_t frames, std::uint64_t& position,
              std::uint64_t step, bool looping, float gainLeft, float gainRight, float* sum,
              int count) {
  const std::uint64_t end = frames << kFractionBits;
  if (frames == 0) return true;
  // Below this position a frame's right neighbour is the next stored frame.
  const std::uint64_t inner = (frames - 1) << kFractionBits;
  std::uint64_t pos = position;
  for (int n = 0; n < count;) {
    if (pos >= end) {
      if (!looping) {
        position = 0;
        return true;
      }
      pos %= end;
    }
    if (pos < inner && step > 0) {
      // A run of frames that all lie inside: no end and no seam to look out for.
      const std::uint64_t fit = (inner - pos + step - 1) / step;
      const int run = static_cast<int>(std::min<std::uint64_t>(fit, std::uint64_t(count - n)));
      for (int k = 0; k < run; ++k, ++n, pos += step) {
        const std::uint64_t i = pos >> kFractionBits;
        AddFrame<Bits, Channels>(data, pos, i, i + 1, gainLeft, gainRight, sum + 2 * n);
      }
      continue;
    }
    // The last stored frame: its neighbour is the first one when looping, so the seam is
    // smooth; otherwise the last frame is held.
    const std::uint64_t i = pos >> kFractionBits;
    const std::uint64_t j = i + 1 < frames ? i + 1 : (looping ? 0 : i);
    AddFrame<Bits, Channels>(data, pos, i, j, gainLeft, gainRight, sum + 2 * n);
    ++n;
    pos += step;
  }
  if (pos >= end) {
    if (!looping) {
      position = 0;
      return true;
    }
    pos %= end;
  }
  position = pos;
  return false;
}

inline std::int16_t Saturate(float v) {
  return static_cast<std::int16_t>(std::clamp(std::lrint(v), -32768L, 32767L));
}

}  // namespace

Gains GainsOf(std::int32_t volume, std::int32_t pan) {
  const float v = Attenuation(volume);
  // A pan to one side takes its hundredths of a decibel off the other.
  return {v * Attenuation(pan > 0 ? -pan : 0), v * Attenuation(pan < 0 ? pan : 0)};
}

Mixer::Mixer(int deviceRate) : FRate(std::max(1, deviceRate)) {}

std::shared_ptr<Voice> Mixer::Add(std::shared_ptr<SampleMemory> memory) {
  auto voice = std::make_shared<Voice>(std::move(memory));
  voice->FStep = (static_cast<std::uint64_t>(voice->FMemory->format.rate) << kFractionBits) /
                 static_cast<std::uint64_t>(FRate);
  const std::lock_guard lock(FLock);
  FVoices.push_back(voice);
  return voice;
}

void Mixer::Remove(const std::shared_ptr<Voice>& voice) {
  const std::lock_guard lock(FLock);
  voice->FPlaying = false;
  ++voice->FGeneration;
  FVoices.erase(std::remove(FVoices.begin(), FVoices.end(), voice), FVoices.end());
}

void Mixer::Play(Voice& voice, bool looping) {
  const std::lock_guard lock(FLock);
  voice.FPlaying = true;
  voice.FLooping = looping;
  ++voice.FGeneration;
}

void Mixer::Stop(Voice& voice) {
  const std::lock_guard lock(FLock);
  voice.FPlaying = false;
  ++voice.FGeneration;
}

void Mixer::SetPosition(Voice& voice, std::uint32_t frame) {
  const std::lock_guard lock(FLock);
  voice.FPosition = static_cast<std::uint64_t>(frame) << kFractionBits;
  ++voice.FGeneration;
}

std::uint32_t Mixer::Position(const Voice& voice) const {
  const std::lock_guard lock(FLock);
  return static_cast<std::uint32_t>(voice.FPosition >> kFractionBits);
}

void Mixer::SetRate(Voice& voice, std::uint32_t hz) {
  const std::uint64_t step =
      (static_cast<std::uint64_t>(hz) << kFractionBits) / static_cast<std::uint64_t>(FRate);
  const std::lock_guard lock(FLock);
  voice.FStep = step;
}

void Mixer::SetGains(Voice& voice, Gains gains) {
  const std::lock_guard lock(FLock);
  voice.FGainLeft = gains.left;
  voice.FGainRight = gains.right;
}

bool Mixer::Playing(const Voice& voice) const {
  const std::lock_guard lock(FLock);
  return voice.FPlaying;
}

bool Mixer::Looping(const Voice& voice) const {
  const std::lock_guard lock(FLock);
  return voice.FLooping;
}

bool Mixer::Lost(const Voice& voice) const {
  const std::lock_guard lock(FLock);
  return voice.FLost;
}

void Mixer::LoseAll() {
  const std::lock_guard lock(FLock);
  for (const auto& voice : FVoices) {
    voice->FLost = true;
    voice->FPlaying = false;
    ++voice->FGeneration;
  }
}

void Mixer::Restore(Voice& voice) {
  const std::lock_guard lock(FLock);
  voice.FLost = false;
}

void Mixer::MixOne(Snapshot& s, int frames) {
  const SampleMemory& m = *s.voice->FMemory;
  const std::uint8_t* data = m.data.data();
  const std::uint64_t n = m.Frames();
  const auto run = [&](auto mix) {
    s.ended =
        mix(data, n, s.position, s.step, s.looping, s.gainLeft, s.gainRight, FSum.data(), frames);
  };
  if (m.format.bits == 8)
    m.format.channels == 1 ? run(MixVoice<8, 1>) : run(MixVoice<8, 2>);
  else
    m.format.channels == 1 ? run(MixVoice<16, 1>) : run(MixVoice<16, 2>);
}

void Mixer::Mix(std::int16_t* out, int frames, int channels) {
  if (frames <= 0 || channels <= 0) return;
  FSnapshots.clear();
  {
    const std::lock_guard lock(FLock);
    for (const auto& v : FVoices) {
      if (!v->FPlaying) continue;
      FSnapshots.push_back({v, v->FPosition, v->FStep, v->FGainLeft, v->FGainRight, v->FLooping,
                            v->FGeneration, false});
    }
  }
  FSum.assign(static_cast<std::size_t>(frames) * 2, 0.0f);
  for (Snapshot& s : FSnapshots) MixOne(s, frames);
  {
    const std::lock_guard lock(FLock);
    for (const Snapshot& s : FSnapshots) {
      Voice& v = *s.voice;
      if (v.FGeneration != s.generation) continue;  // a command came in between: it stands
      v.FPosition = s.position;
      if (s.ended) v.FPlaying = false;
    }
  }
  // Voices that were removed meanwhile are let go here, on this thread, outside the lock.
  FSnapshots.clear();

  const float* sum = FSum.data();
  if (channels == 1) {
    for (int n = 0; n < frames; ++n) out[n] = Saturate((sum[2 * n] + sum[2 * n + 1]) * 0.5f);
    return;
  }
  for (int n = 0; n < frames; ++n) {
    std::int16_t* frame = out + static_cast<std::ptrdiff_t>(n) * channels;
    frame[0] = Saturate(sum[2 * n]);
    frame[1] = Saturate(sum[2 * n + 1]);
    for (int c = 2; c < channels; ++c) frame[c] = 0;
  }
}

}  // namespace platform::dsound
