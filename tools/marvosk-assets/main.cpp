// marvosk-assets FOLDER: writes every picture of the game's stored main window as a PNG file and
// every sound as a WAV file into FOLDER, read back from the description embedded in this program
// by the same picture and wave classes the game uses. marvosk-assets --icon FILE.png writes only
// the program's icon. Every file is written whole or not at all: a failed write names the file
// and leaves no part of it behind.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets/catalogue/catalogue.h"
#include "picture/dib.h"
#include "sound/wave.h"
#include "toolkit/streams.h"

namespace {

// One binary value found in a collection item of a component.
struct StoredValue {
  std::string component;
  int item = -1;
  std::string itemName;
  std::string property;
  std::span<const std::uint8_t> bytes;
};

// Walks a component stream and hands every binary value inside a collection item to Found.
class StreamWalker {
 public:
  using Callback = void (*)(const StoredValue&, void*);
  StreamWalker(std::span<const std::uint8_t> Data, Callback Found, void* Context)
      : FData(Data), FFound(Found), FContext(Context) {}

  void Walk() {
    if (Take(4).size() != 4 ||
        std::string(reinterpret_cast<const char*>(FData.data()), 4) != "TPF0")
      throw std::runtime_error("the stored main window is not a component stream");
    Object();
    if (FPos != FData.size()) throw std::runtime_error("bytes after the main window's record");
  }

 private:
  std::uint8_t Peek() const {
    if (FPos >= FData.size()) throw std::runtime_error("the stream ends early");
    return FData[FPos];
  }
  std::uint8_t Byte() {
    const std::uint8_t b = Peek();
    ++FPos;
    return b;
  }
  std::span<const std::uint8_t> Take(std::size_t Count) {
    if (FData.size() - FPos < Count) throw std::runtime_error("the stream ends early");
    const auto s = FData.subspan(FPos, Count);
    FPos += Count;
    return s;
  }
  std::string Short() {
    const auto s = Take(Byte());
    return std::string(s.begin(), s.end());
  }
  std::uint32_t U32() {
    const auto s = Take(4);
    return s[0] | s[1] << 8 | s[2] << 16 | static_cast<std::uint32_t>(s[3]) << 24;
  }

  void Object() {
    if (Peek() >= 0xF0) {
      const std::uint8_t flags = Byte();
      if (flags & 2) Value(nullptr);
    }
    Short();  // class name
    const std::string saved = FComponent;
    FComponent = Short();
    Properties(nullptr);
    while (Peek() != 0) Object();
    ++FPos;
    FComponent = saved;
  }

  void Properties(StoredValue* Item) {
    while (Peek() != 0) {
      const std::string name = Short();
      if (Item) Item->property = name;
      Value(Item);
    }
    ++FPos;
  }

  void Value(StoredValue* Item) {
    const std::uint8_t tag = Byte();
    switch (tag) {
      case 0:
      case 8:
      case 9:
      case 13: break;
      case 2: Take(1); break;
      case 3: Take(2); break;
      case 4:
      case 15: Take(4); break;
      case 5: Take(10); break;
      case 16:
      case 17:
      case 19:
      case 21: Take(8); break;
      case 6: {
        const std::string text = Short();
        if (Item && Item->property == "Name") Item->itemName = text;
        break;
      }
      case 7: Short(); break;
      case 12:
      case 20: Take(U32()); break;
      case 18: Take(2 * static_cast<std::size_t>(U32())); break;
      case 1:
        while (Peek() != 0) Value(Item);
        ++FPos;
        break;
      case 11:
        while (!Short().empty()) {
        }
        break;
      case 10: {
        const auto bytes = Take(U32());
        if (Item) {
          Item->bytes = bytes;
          FFound(*Item, FContext);
        }
        break;
      }
      case 14: {
        int index = 0;
        while (Peek() != 0) {
          if (Peek() >= 2 && Peek() <= 4) Value(nullptr);
          if (Byte() != 1) throw std::runtime_error("a collection item without its opener");
          StoredValue item{FComponent, index++, "", "", {}};
          Properties(&item);
        }
        ++FPos;
        break;
      }
      default: throw std::runtime_error("unknown value tag " + std::to_string(tag));
    }
  }

  std::span<const std::uint8_t> FData;
  Callback FFound;
  void* FContext;
  std::size_t FPos = 0;
  std::string FComponent;
};

// Writes the picture as PNG; with a key, as RGBA with the key's pixels transparent.
void WritePng(const std::filesystem::path& Path, TDIB& Dib, const std::uint8_t* key = nullptr) {
  const int w = Dib.Width(), h = Dib.Height();
  const int channels = key ? 4 : 3;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * channels);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t v = Dib.Pixels(x, y);
      std::uint8_t* out = &rgb[(static_cast<std::size_t>(y) * w + x) * channels];
      if (Dib.BitCount() <= 8) {
        const RGBQUAD& c = Dib.ColorTable[v & 0xFF];
        out[0] = c.rgbRed, out[1] = c.rgbGreen, out[2] = c.rgbBlue;
      } else {
        out[0] = v & 0xFF, out[1] = (v >> 8) & 0xFF, out[2] = (v >> 16) & 0xFF;
      }
      if (key) out[3] = (out[0] == key[0] && out[1] == key[1] && out[2] == key[2]) ? 0 : 255;
    }
  SaveFileWhole(Path.string(), [&](std::FILE* file) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = key ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    const bool ok = png_image_write_to_stdio(&image, file, 0, rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
  });
}

struct Output {
  std::filesystem::path folder;
  int pictures = 0;
  int sounds = 0;
  std::filesystem::path icon;  // only the program's icon, to this file
};

// The program's icon: the boss, its white background transparent.
constexpr int kIconPicture = catalogue::Index(catalogue::Image::BossGrubbel);
constexpr std::uint8_t kIconKey[3] = {255, 255, 255};

std::string FileName(const char* Kind, const StoredValue& Value, const char* Extension) {
  char number[8];
  std::snprintf(number, sizeof number, "%02d", Value.item);
  std::string name = std::string(Kind) + "-" + number;
  if (!Value.itemName.empty()) name += "-" + Value.itemName;
  return name + Extension;
}

void Save(const StoredValue& Value, void* Context) {
  auto& out = *static_cast<Output*>(Context);
  if (Value.property == "Picture.Data") {
    // The graphic's class name, then its data.
    const auto b = Value.bytes;
    if (b.empty() || b.size() < 1u + b[0] ||
        std::string(b.begin() + 1, b.begin() + 1 + b[0]) != "TDIB")
      throw std::runtime_error("picture " + std::to_string(Value.item) + " is not a TDIB");
    TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
    stream->WriteBuffer(b.data() + 1 + b[0], static_cast<std::int64_t>(b.size() - 1 - b[0]));
    stream->SetPosition(0);
    TOwnedPtr<TDIB> dib(Construct<TDIB>());
    dib->ReadData(*stream);
    if (!out.icon.empty()) {
      if (Value.item == kIconPicture) WritePng(out.icon, *dib, kIconKey), ++out.pictures;
      return;
    }
    WritePng(out.folder / FileName("image", Value, ".png"), *dib);
    ++out.pictures;
  } else if (Value.property == "Wave.WAVE" && out.icon.empty()) {
    TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
    stream->WriteBuffer(Value.bytes.data(), static_cast<std::int64_t>(Value.bytes.size()));
    stream->SetPosition(0);
    TOwnedPtr<TWave> wave(Construct<TWave>());
    wave->LoadFromStream(*stream);
    TOwnedPtr<TMemoryStream> image(Construct<TMemoryStream>());
    wave->SaveToStream(*image);
    image->SaveToFile((out.folder / FileName("wave", Value, ".wav")).string());
    ++out.sounds;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool icon = args.size() == 2 && args[0] == "--icon";
  if ((args.size() != 1 && !icon) || args.back().empty() || args.back().starts_with("-")) {
    std::fprintf(stderr, "usage: marvosk-assets FOLDER\n       marvosk-assets --icon FILE.png\n");
    return 2;
  }
  try {
    Output out;
    if (icon) {
      out.icon = args[1];
    } else {
      out.folder = args[0];
      std::error_code ec;
      if (std::filesystem::exists(out.folder, ec) && !std::filesystem::is_directory(out.folder))
        throw std::runtime_error(args[0] + " is no folder");
      std::filesystem::create_directories(out.folder);
    }
    bool found = false;
    const auto data = FindResourceData("TMAINFORM", RT_RCDATA, found);
    if (!found) throw std::runtime_error("no stored main window in this program");
    StreamWalker(data, &Save, &out).Walk();
    if (icon && out.pictures != 1) throw std::runtime_error("no icon picture stored");
    if (!icon)
      std::printf("%d pictures and %d sounds written to %s\n", out.pictures, out.sounds,
                  args[0].c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "marvosk-assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
