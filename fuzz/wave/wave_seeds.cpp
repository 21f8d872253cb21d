// Seed images for the wave fuzzer, written by the system's own wave writer: the stored
// sounds' formats (18-byte, 16-byte and 26-byte format chunks), odd and even data lengths.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "sound/wave.h"

namespace {

void Write(const std::string& folder, const std::string& name, TWave& wave) {
  TOwnedPtr<TMemoryStream> out(new TMemoryStream());
  wave.SaveToStream(*out);
  std::ofstream file(folder + "/" + name, std::ios::binary);
  file.write(reinterpret_cast<const char*>(out->Memory()), out->Size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  struct Shape {
    const char* name;
    int rate, bits, channels, formatSize, bytes;
  };
  const Shape shapes[] = {{"mono8", 22050, 8, 1, 18, 301},
                          {"stereo16", 44100, 16, 2, 16, 400},
                          {"mono16-extra", 11025, 16, 1, 26, 202}};
  for (const Shape& s : shapes) {
    TOwnedPtr<TWave> wave(new TWave());
    wave->SetPCMFormat(s.rate, s.bits, s.channels);
    wave->SetFormatSize(s.formatSize);
    auto* format = reinterpret_cast<std::uint8_t*>(wave->Format());
    for (int i = 18; i < s.formatSize; ++i) format[i] = static_cast<std::uint8_t>(i);
    wave->SetSize(s.bytes);
    for (int i = 0; i < s.bytes; ++i)
      wave->Data()[i] = static_cast<std::uint8_t>(128 + 100 * std::sin(i * 0.2));
    Write(folder, s.name, *wave);
  }
  return 0;
}
