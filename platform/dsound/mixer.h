// The mixer behind the sound service: the play state of every sound buffer (a voice), and
// the sum of all voices that play, pulled by the audio device a block at a time.
//
// Threads: the user-interface thread changes voices through the mixer's operations; the
// device's thread calls Mix. Both take the mixer's one lock, and neither holds it for longer
// than it takes to copy a few fields per voice: Mix copies what it needs of each playing voice
// under the lock, mixes without it, and writes the new positions back under it, except for
// voices that a command restarted, stopped or moved in the meantime (the command wins).
//
// Mixing: each voice is resampled to the device's rate with linear interpolation between
// neighbouring frames (a looping voice interpolates across its seam into its first frame),
// scaled by its volume and pan, and added up in floating point; the sum is saturated to 16
// bits. A voice that does not loop stops at its end and rewinds to frame 0.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::dsound {

// The PCM layout of a buffer's samples.
struct PcmFormat {
  std::uint32_t rate = 22050;
  int channels = 1;  // 1 or 2
  int bits = 8;      // 8 (unsigned) or 16 (signed)
  int BlockAlign() const { return channels * bits / 8; }
};

// Sample memory, shared by a buffer and its duplicates. Its size never changes.
struct SampleMemory {
  SampleMemory(PcmFormat f, std::uint32_t bytes) : format(f), data(bytes, 0) {}
  std::uint32_t Frames() const {
    return static_cast<std::uint32_t>(data.size() / static_cast<std::size_t>(format.BlockAlign()));
  }
  const PcmFormat format;
  std::vector<std::uint8_t> data;
};

// One buffer's play state. Only the mixer touches its fields, under its lock.
class Voice {
 public:
  explicit Voice(std::shared_ptr<SampleMemory> memory) : FMemory(std::move(memory)) {}
  const std::shared_ptr<SampleMemory>& Memory() const { return FMemory; }

 private:
  friend class Mixer;
  const std::shared_ptr<SampleMemory> FMemory;
  std::uint64_t FPosition = 0;  // in frames, 32.32 fixed point
  std::uint64_t FStep = 0;      // frames per device frame, 32.32 fixed point
  float FGainLeft = 1.0f;
  float FGainRight = 1.0f;
  bool FPlaying = false;
  bool FLooping = false;
  bool FLost = false;
  std::uint32_t FGeneration = 0;  // bumped by every command that moves or starts or stops it
};

// Gains of a volume and a pan in the service's units (hundredths of a decibel).
struct Gains {
  float left;
  float right;
};
Gains GainsOf(std::int32_t volume, std::int32_t pan);

class Mixer {
 public:
  explicit Mixer(int deviceRate);

  // The device's rate, which voices are resampled to. It is set once, before the first voice.
  int Rate() const { return FRate; }
  void SetDeviceRate(int deviceRate) { FRate = deviceRate > 0 ? deviceRate : FRate; }

  // A new stopped voice on the memory, at its own rate and full volume; the mixer keeps it
  // until Remove.
  std::shared_ptr<Voice> Add(std::shared_ptr<SampleMemory> memory);
  void Remove(const std::shared_ptr<Voice>& voice);

  // Commands. Play keeps the position (a voice at its end starts from 0 again).
  void Play(Voice& voice, bool looping);
  void Stop(Voice& voice);
  void SetPosition(Voice& voice, std::uint32_t frame);
  std::uint32_t Position(const Voice& voice) const;
  void SetRate(Voice& voice, std::uint32_t hz);
  void SetGains(Voice& voice, Gains gains);
  bool Playing(const Voice& voice) const;
  bool Looping(const Voice& voice) const;
  bool Lost(const Voice& voice) const;
  // Every voice is lost: it stops and stays lost until it is restored.
  void LoseAll();
  void Restore(Voice& voice);

  // Fills `frames` device frames of `channels` interleaved samples with the sum of the voices
  // that play, and moves them on. The sum is stereo; one channel gets the average of both,
  // channels past the second get silence.
  void Mix(std::int16_t* out, int frames, int channels);

 private:
  struct Snapshot {
    std::shared_ptr<Voice> voice;
    std::uint64_t position;
    std::uint64_t step;
    float gainLeft;
    float gainRight;
    bool looping;
    std::uint32_t generation;
    bool ended;
  };
  void MixOne(Snapshot& s, int frames);

  int FRate;
  mutable std::mutex FLock;
  std::vector<std::shared_ptr<Voice>> FVoices;  // guarded by FLock
  // The device thread's own working memory, reused from block to block.
  std::vector<Snapshot> FSnapshots;
  std::vector<float> FSum;  // stereo
};

}  // namespace platform::dsound
