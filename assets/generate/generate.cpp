// Writes the main window's stored description, the stream of the raw-data resource "TMAINFORM",
// into the file named by the first argument. Run when the program is built: the pictures are
// drawn and the sounds synthesised here, wrapped by the system's own picture, wave, key-table
// and effect-list writers, and laid out record by record as the catalogue walks them.
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
Bytes PictureData(const catalogue::ImageItem& Item) {
  const std::string what = "picture " + std::to_string(catalogue::Index(Item.id));
  const DrawnPicture drawn = DrawPicture(Item.id);
  Expect(drawn.width == Item.width && drawn.height == Item.height &&
             drawn.bitCount == Item.bitCount &&
             static_cast<int>(drawn.colorTable.size()) == Item.colorTableEntries(),
         what + " is not of its stored shape");
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  for (std::size_t i = 0; i < drawn.colorTable.size(); ++i) {
    const auto& c = drawn.colorTable[i];
    dib->ColorTable[i] = RGBQUAD{c[0], c[1], c[2], 0};
  }
  dib->SetSize(drawn.width, drawn.height, drawn.bitCount);
  dib->UpdatePalette();
  Expect(static_cast<std::size_t>(dib->Size()) == drawn.bits.size(),
         what + " has rows of another length");
  std::memcpy(dib->PBits(), drawn.bits.data(), drawn.bits.size());

  TOwnedPtr<TPicture> picture(Construct<TPicture>());
  picture->SetGraphic(dib.get());
  Bytes data = StoredBinary(*picture, "Data");
  Expect(static_cast<int>(data.size()) == Item.dataBytes(),
         what + " stores " + std::to_string(data.size()) + " bytes");
  return data;
}

// The RIFF value of a wave item.
Bytes WaveData(const catalogue::WaveItem& Item) {
  const std::string what = "sound " + std::to_string(catalogue::Index(Item.id));
  const SynthesizedSound sound = SynthesizeSound(Item.id);
  Expect(sound.channels == Item.channels && sound.samplesPerSecond == Item.samplesPerSecond &&
             sound.bitsPerSample == Item.bitsPerSample &&
             static_cast<int>(sound.data.size()) == Item.dataBytes(),
         what + " is not of its stored format");
  TOwnedPtr<TWave> wave(Construct<TWave>());
  wave->SetPCMFormat(Item.samplesPerSecond, Item.bitsPerSample, Item.channels);
  // The format record as stored: 16 bytes end after the bits per sample; longer records carry
  // a zero extra-size word and zero bytes after it.
  wave->SetFormatSize(Item.fmtLength);
  auto* format = reinterpret_cast<std::uint8_t*>(wave->Format());
  std::memset(format + 16, 0, static_cast<std::size_t>(Item.fmtLength - 16));
  wave->SetSize(Item.dataBytes());
  std::memcpy(wave->Data(), sound.data.data(), sound.data.size());
  Bytes data = StoredBinary(*wave, "WAVE");
  Expect(static_cast<int>(data.size()) == Item.valueBytes(),
         what + " stores " + std::to_string(data.size()) + " bytes");
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

// Writes the catalogue's records with the component writer, making each binary value.
class StreamWriter : public catalogue::StreamSink {
 public:
  StreamWriter(TComponentWriter& Writer, const InputValues& Input) : W(Writer), FInput(Input) {}

  void Signature() override { W.WriteRaw("TPF0", 4); }
  void ShortString(std::string_view Text) override { W.WriteShortString(Text); }
  void CollectionBegin() override { W.WriteValue(vaCollection); }
  void ListBegin() override { W.WriteListBegin(); }
  void ListEnd() override { W.WriteListEnd(); }

  void Value(const catalogue::Setting& S) override {
    using enum catalogue::ValueKind;
    switch (S.kind) {
      case Integer: W.WriteInteger(S.integer); break;
      case Ident: W.WriteIdent(std::string(S.text)); break;
      case String: W.WriteAnsiString(S.text); break;
      case Boolean: W.WriteBoolean(S.integer != 0); break;
      case Set: W.WriteSet(std::vector<std::string>(S.members.begin(), S.members.end())); break;
      case Collection: throw std::logic_error("a collection comes as its items");
      case Binary: Put(BinaryValue(S)); break;
    }
  }

 private:
  Bytes BinaryValue(const catalogue::Setting& S) {
    const auto item = static_cast<std::size_t>(S.integer);
    if (S.text == catalogue::kPicture) return PictureData(catalogue::Images().at(item));
    if (S.text == catalogue::kWave) return WaveData(catalogue::Waves().at(item));
    if (S.text == catalogue::kColorTable) return Bytes(catalogue::kColorTableBytes, 0);
    if (S.text == catalogue::kKeyboardAssigns) return FInput.assigns;
    if (S.text == catalogue::kEffectsNone) return FInput.effectsNone;
    if (S.text == catalogue::kEffectsConstant) return FInput.effectsConstant;
    throw std::runtime_error("no content " + std::string(S.text));
  }

  void Put(const Bytes& Data) {
    W.WriteBinary(Data.data(), static_cast<std::uint32_t>(Data.size()));
  }

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
      StreamWriter sink(writer, input);
      catalogue::WalkStream(sink);
      writer.FlushBuffer();
    }
    Expect(static_cast<std::size_t>(stream->Size()) == catalogue::StreamBytes(),
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
