// The sounds of the wave list, synthesised by code when the program is built. Each comes out
// as the PCM data of its stored format: little-endian samples, channels interleaved, 8-bit
// samples unsigned around 128, 16-bit samples signed.
#pragma once

#include <cstdint>
#include <vector>

#include "assets/catalogue/catalogue.h"

struct SynthesizedSound {
  int channels = 0;
  int samplesPerSecond = 0;
  int bitsPerSample = 0;
  // Exactly the stored data length, odd lengths included.
  std::vector<std::uint8_t> data;
};

// The sound of a wave item, in the catalogue's format and length. The same item gives the same
// bytes on every call.
SynthesizedSound SynthesizeSound(catalogue::Wave wave);
