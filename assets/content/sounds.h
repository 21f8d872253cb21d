// The sounds of the wave list, synthesised by code when the program is built. Each comes out
// as the PCM data of its stored format: little-endian samples, channels interleaved, 8-bit
// samples unsigned around 128, 16-bit samples signed.
#pragma once

#include <cstdint>
#include <vector>

struct SynthesizedSound {
  int channels = 0;
  int samplesPerSecond = 0;
  int bitsPerSample = 0;
  // Exactly the stored data length, odd lengths included.
  std::vector<std::uint8_t> data;
};

inline constexpr int kSynthesizedSoundCount = 19;

// The sound of wave item waveIndex (0 to 18). Throws std::out_of_range for any other index.
// The same index gives the same bytes on every call.
SynthesizedSound SynthesizeSound(int waveIndex);
