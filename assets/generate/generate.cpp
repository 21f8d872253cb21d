// Writes the main window's stored description, the stream of the raw-data resource "TMAINFORM",
// into the file named by the first argument. Run when the program is built: the pictures are
// drawn and the sounds synthesised here, wrapped by the system's own picture, wave, key-table
// and effect-list writers, and laid out record by record exactly as the catalogue lists them.
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets/catalogue/catalogue.h"
#include "assets/content/pictures.h"
#include "assets/content/sounds.h"
#include "assets/writer.h"
#include "picture/dib.h"
#include "platform/backend/headless/headless.h"
#include "platform/system/machine.h"
#include "sound/wave.h"
#include "timing_input/dxinput.h"
#include "timing_input/forcefeedback.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/graphics_picture.h"
#include "toolkit/sysutils.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Contents(TMemoryStream& Stream) {
  const std::uint8_t* p = Stream.Memory();
  return Bytes(p, p + Stream.Size());
}

// Collects what an object writes for one of its binary defined properties.
class TBinaryCapture : public TFiler {
 public:
  explicit TBinaryCapture(std::string Name) : FName(std::move(Name)) {}
  void DefineProperty(const std::string&, TReaderProc, TWriterProc, bool) override {}
  void DefineBinaryProperty(const std::string& Name, TStreamProc, TStreamProc WriteData,
                            bool HasData) override {
    if (!HasData || !WriteData || !SameText(Name, FName)) return;
    TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
    WriteData(*stream);
    FBytes = Contents(*stream);
    FFound = true;
  }
  Bytes Take(TPersistent& Instance) {
    Instance.DefineStoredProperties(*this);
    if (!FFound) throw std::runtime_error("no stored property " + FName);
    return std::move(FBytes);
  }

 private:
  std::string FName;
  Bytes FBytes;
  bool FFound = false;
};

Bytes StoredBinary(TPersistent& Instance, const std::string& Name) {
  return TBinaryCapture(Name).Take(Instance);
}

void Expect(bool Condition, const std::string& What) {
  if (!Condition) throw std::runtime_error(What);
}

// The picture value of an image item: the graphic's class name and the bitmap's data.
Bytes PictureData(int Index, const catalogue::ImageItem& Item) {
  const DrawnPicture drawn = DrawPicture(Index);
  Expect(drawn.width == Item.width && drawn.height == Item.height &&
             drawn.bitCount == Item.bitCount &&
             static_cast<int>(drawn.colorTable.size()) == Item.colorTableEntries,
         "picture " + std::to_string(Index) + " is not of its stored shape");
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  for (std::size_t i = 0; i < drawn.colorTable.size(); ++i) {
    const auto& c = drawn.colorTable[i];
    dib->ColorTable[i] = RGBQUAD{c[0], c[1], c[2], 0};
  }
  dib->SetSize(drawn.width, drawn.height, drawn.bitCount);
  dib->UpdatePalette();
  Expect(static_cast<std::size_t>(dib->Size()) == drawn.bits.size(),
         "picture " + std::to_string(Index) + " has rows of another length");
  std::memcpy(dib->PBits(), drawn.bits.data(), drawn.bits.size());

  TOwnedPtr<TPicture> picture(Construct<TPicture>());
  picture->SetGraphic(dib.get());
  Bytes data = StoredBinary(*picture, "Data");
  Expect(static_cast<int>(data.size()) == Item.dataBytes,
         "picture " + std::to_string(Index) + " stores " + std::to_string(data.size()) + " bytes");
  return data;
}

// The RIFF value of a wave item.
Bytes WaveData(int Index, const catalogue::WaveItem& Item) {
  const SynthesizedSound sound = SynthesizeSound(Index);
  Expect(sound.channels == Item.channels && sound.samplesPerSecond == Item.samplesPerSecond &&
             sound.bitsPerSample == Item.bitsPerSample &&
             static_cast<int>(sound.data.size()) == Item.dataBytes,
         "sound " + std::to_string(Index) + " is not of its stored format");
  TOwnedPtr<TWave> wave(Construct<TWave>());
  wave->SetPCMFormat(Item.samplesPerSecond, Item.bitsPerSample, Item.channels);
  // The format record as stored: 16 bytes end after the bits per sample; longer records carry
  // a zero extra-size word and zero bytes after it.
  wave->SetFormatSize(Item.fmtLength);
  auto* format = reinterpret_cast<std::uint8_t*>(wave->Format());
  std::memset(format + 16, 0, static_cast<std::size_t>(Item.fmtLength - 16));
  wave->SetSize(Item.dataBytes);
  std::memcpy(wave->Data(), sound.data.data(), sound.data.size());
  Bytes data = StoredBinary(*wave, "WAVE");
  Expect(static_cast<int>(data.size()) == Item.valueBytes,
         "sound " + std::to_string(Index) + " stores " + std::to_string(data.size()) + " bytes");
  return data;
}

// The binary settings of the input component, made by the input component itself.
struct InputValues {
  Bytes assigns;
  Bytes effectsNone;
  Bytes effectsConstant;
};

void AddEffect(TForceFeedbackEffects& Effects, TForceFeedbackEffectType Type) {
  TForceFeedbackEffect* effect = Effects.Add();
  effect->SetName("Effects");
  effect->SetEffectType(Type);
  effect->SetPeriod(50);
  effect->SetPower(10000);
  effect->SetTime(1000);
  effect->SetStartDelayTime(0);
}

InputValues MakeInputValues() {
  // The input component belongs to a window; a machine without a screen serves.
  platform::headless::Install(0);
  InputValues values;
  {
    TOwnedPtr<TApplication> app(new TApplication());
    TForm* form = Construct<TForm>(app.get());
    TDXInput* input = Construct<TDXInput>(form);
    AddEffect(*input->Keyboard()->Effects(), etNone);
    AddEffect(*input->Joystick()->Effects(), etConstantForce);
    values.assigns = StoredBinary(*input->Keyboard(), "Assigns");
    values.effectsNone = StoredBinary(*input->Keyboard()->Effects(), "Effects");
    values.effectsConstant = StoredBinary(*input->Joystick()->Effects(), "Effects");
  }
  platform::UninstallBackend();
  Expect(values.assigns.size() == catalogue::kKeyboardAssignsBytes, "key table length");
  Expect(values.effectsNone.size() == catalogue::kEffectsNoneBytes &&
             values.effectsConstant.size() == catalogue::kEffectsConstantBytes,
         "effect list lengths");
  return values;
}

class StreamBuilder {
 public:
  explicit StreamBuilder(TComponentWriter& Writer, const InputValues& Input)
      : W(Writer), FInput(Input) {}

  void Root() {
    W.WriteRaw("TPF0", 4);
    W.WriteShortString(catalogue::kFormClass);
    W.WriteShortString(catalogue::kFormName);
    Settings(catalogue::FormSettings());
    W.WriteListEnd();
    for (const catalogue::Component& c : catalogue::Components()) {
      W.WriteShortString(c.className);
      W.WriteShortString(c.name);
      Settings(c.settings);
      W.WriteListEnd();  // properties
      W.WriteListEnd();  // children: none
    }
    W.WriteListEnd();
  }

 private:
  void Settings(std::span<const catalogue::Setting> List) {
    for (const catalogue::Setting& s : List) {
      W.WriteShortString(s.path);
      Value(s);
    }
  }

  void Value(const catalogue::Setting& S) {
    using enum catalogue::ValueKind;
    switch (S.kind) {
      case Integer: W.WriteInteger(S.integer); break;
      case Ident: W.WriteIdent(std::string(S.text)); break;
      case String: W.WriteAnsiString(S.text); break;
      case Boolean: W.WriteBoolean(S.integer != 0); break;
      case Set: W.WriteSet(std::vector<std::string>(S.members.begin(), S.members.end())); break;
      case Collection:
        W.WriteValue(vaCollection);
        if (S.text == catalogue::kImageItems) ImageItems();
        if (S.text == catalogue::kWaveItems) WaveItems();
        W.WriteListEnd();
        break;
      case Binary: BinaryValue(S.text); break;
    }
  }

  void BinaryValue(std::string_view Content) {
    if (Content == catalogue::kColorTable) {
      const Bytes zeros(catalogue::kColorTableBytes, 0);
      Put(zeros);
    } else if (Content == catalogue::kKeyboardAssigns) {
      Put(FInput.assigns);
    } else if (Content == catalogue::kEffectsNone) {
      Put(FInput.effectsNone);
    } else if (Content == catalogue::kEffectsConstant) {
      Put(FInput.effectsConstant);
    } else {
      throw std::runtime_error("no content " + std::string(Content));
    }
  }

  void Put(const Bytes& Data) {
    W.WriteBinary(Data.data(), static_cast<std::uint32_t>(Data.size()));
  }

  void ImageItems() {
    const auto& items = catalogue::Images();
    for (int i = 0; i < catalogue::kImageCount; ++i) {
      const catalogue::ImageItem& item = items[static_cast<std::size_t>(i)];
      W.WriteListBegin();
      if (!item.name.empty()) {
        Prop("Name");
        W.WriteAnsiString(item.name);
      }
      Prop("PatternHeight");
      W.WriteInteger(catalogue::kPatternSize);
      Prop("PatternWidth");
      W.WriteInteger(catalogue::kPatternSize);
      if (item.hasPicture) {
        Prop("Picture.Data");
        Put(PictureData(i, item));
      }
      Prop("SystemMemory");
      W.WriteBoolean(catalogue::kSystemMemory);
      Prop("Transparent");
      W.WriteBoolean(item.transparent);
      Prop("TransparentColor");
      W.WriteIdent(std::string(item.transparentColor));
      W.WriteListEnd();
    }
  }

  void WaveItems() {
    const auto& items = catalogue::Waves();
    for (int i = 0; i < catalogue::kWaveCount; ++i) {
      const catalogue::WaveItem& item = items[static_cast<std::size_t>(i)];
      W.WriteListBegin();
      if (!item.name.empty()) {
        Prop("Name");
        W.WriteAnsiString(item.name);
      }
      Prop("Looped");
      W.WriteBoolean(item.looped);
      Prop("MaxPlayingCount");
      W.WriteInteger(catalogue::kMaxPlayingCount);
      Prop("Wave.WAVE");
      Put(WaveData(i, item));
      W.WriteListEnd();
    }
  }

  void Prop(std::string_view Name) { W.WriteShortString(Name); }

  TComponentWriter& W;
  const InputValues& FInput;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s STREAM-FILE\n", argv[0]);
    return 2;
  }
  try {
    const InputValues input = MakeInputValues();
    TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
    {
      TComponentWriter writer(*stream);
      StreamBuilder(writer, input).Root();
      writer.FlushBuffer();
    }
    Expect(static_cast<std::size_t>(stream->Size()) == catalogue::kStreamBytes,
           "stream length " + std::to_string(stream->Size()));
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(stream->Memory()),
               static_cast<std::streamsize>(stream->Size()));
    file.close();
    if (!file) throw std::runtime_error(std::string("cannot write ") + argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
