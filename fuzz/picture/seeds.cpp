// Writes seed pictures for the picture fuzzer into the folder given as the first argument, each
// made by the picture's own writers: every bit count, both 16-bit formats, run-length data, the
// stored picture value with its class name, and the file form.
#include <cstdio>
#include <fstream>
#include <string>

#include "picture/dib.h"
#include "toolkit/streams.h"

namespace {

void Save(const std::string& folder, const std::string& name, TMemoryStream& stream) {
  std::ofstream file(folder + "/" + name, std::ios::binary);
  file.write(reinterpret_cast<const char*>(stream.Memory()), stream.Size());
}

TOwnedPtr<TDIB> Picture(int w, int h, int bits, const TDIBPixelFormat& format) {
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  for (int i = 0; i < 256; ++i)
    dib->ColorTable[i] =
        RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
  dib->PixelFormat = format;
  dib->SetSize(w, h, bits);
  // Stretches of equal pixels and changing ones, so that compressed forms have runs and
  // literals.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dib->SetPixels(x, y, static_cast<std::uint32_t>((x / 3) * 37 + y));
  return dib;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  struct Kind {
    const char* name;
    int bits;
    TDIBPixelFormat format;
  };
  const Kind kinds[] = {
      {"1bit", 1, kPixelFormat888},       {"4bit", 4, kPixelFormat888},
      {"8bit", 8, kPixelFormat888},       {"16bit-555", 16, kPixelFormat555},
      {"16bit-565", 16, kPixelFormat565}, {"24bit", 24, kPixelFormat888},
      {"32bit", 32, kPixelFormat888},
  };
  for (const Kind& kind : kinds) {
    auto dib = Picture(9, 5, kind.bits, kind.format);
    const std::string base = kind.name;
    TOwnedPtr<TMemoryStream> data(Construct<TMemoryStream>());
    dib->WriteData(*data);
    Save(folder, base + ".dib-data", *data);

    TOwnedPtr<TPicture> picture(Construct<TPicture>());
    picture->SetGraphic(dib.get());
    TOwnedPtr<TMemoryStream> value(Construct<TMemoryStream>());
    picture->WriteData(*value);
    Save(folder, base + ".picture-value", *value);

    TOwnedPtr<TMemoryStream> file(Construct<TMemoryStream>());
    dib->SaveToStream(*file);
    Save(folder, base + ".bmp-file", *file);

    if (kind.bits == 4 || kind.bits == 8) {
      dib->Compress();
      TOwnedPtr<TMemoryStream> packed(Construct<TMemoryStream>());
      dib->WriteData(*packed);
      Save(folder, base + "-rle.dib-data", *packed);
    }
  }
  return 0;
}
