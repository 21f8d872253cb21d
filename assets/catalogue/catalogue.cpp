#include "assets/catalogue/catalogue.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace catalogue {
namespace {

using enum ValueKind;

constexpr std::string_view kFormBorderIcons[] = {"biSystemMenu", "biMinimize"};
constexpr std::string_view kDrawOptions[] = {"doAllowReboot", "doWaitVBlank", "doCenter", "doFlip"};

constexpr Setting Int(std::string_view path, std::int64_t value) { return {path, Integer, value}; }
constexpr Setting Id(std::string_view path, std::string_view name) {
  return {path, Ident, 0, name};
}
constexpr Setting Str(std::string_view path, std::string_view text) {
  return {path, String, 0, text};
}
constexpr Setting Bool(std::string_view path, bool value) { return {path, Boolean, value ? 1 : 0}; }
constexpr Setting SetOf(std::string_view path, std::span<const std::string_view> members) {
  return {path, Set, 0, {}, members};
}
constexpr Setting Items(std::string_view path, std::string_view which) {
  return {path, Collection, 0, which};
}
constexpr Setting Bin(std::string_view path, std::string_view content) {
  return {path, Binary, 0, content};
}

constexpr Setting kForm[] = {
    Int("Left", 352),
    Int("Top", 301),
    SetOf("BorderIcons", kFormBorderIcons),
    Id("BorderStyle", "bsSingle"),
    Str("Caption", kCaption),
    Int("ClientHeight", 480),
    Int("ClientWidth", 640),
    Id("Color", "clBtnFace"),
    Id("Font.Charset", "DEFAULT_CHARSET"),
    Id("Font.Color", "clWindowText"),
    Int("Font.Height", -11),
    Str("Font.Name", "MS Sans Serif"),
    SetOf("Font.Style", {}),
    Bool("KeyPreview", true),
    Id("Position", "poScreenCenter"),
    Id("OnCreate", "FormCreate"),
    Id("OnDestroy", "FormDestroy"),
    Id("OnKeyDown", "FormKeyDown"),
    Int("TextHeight", 13),
};

constexpr Setting kDXDraw[] = {
    Int("Left", 0),
    Int("Top", 0),
    Int("Width", 640),
    Int("Height", 480),
    Id("Align", "alClient"),
    Bool("AutoInitialize", true),
    Bool("AutoSize", false),
    Id("Color", "clBtnFace"),
    Bool("Display.FixedBitCount", true),
    Bool("Display.FixedRatio", true),
    Bool("Display.FixedSize", false),
    SetOf("Options", kDrawOptions),
    Int("TabOrder", 0),
    Items("Traces", ""),
    Id("OnFinalize", "DXDrawFinalize"),
    Id("OnInitialize", "DXDrawInitialize"),
    Id("OnMouseDown", "DXDrawMouseDown"),
    Id("OnMouseMove", "DXDrawMouseMove"),
};

constexpr Setting kImageList[] = {
    Id("DXDraw", "DXDraw"),
    Bin("Items.ColorTable", kColorTable),
    Items("Items", kImageItems),
    Int("Left", 40),
    Int("Top", 88),
};

constexpr Setting kDXTimer[] = {
    Bool("ActiveOnly", true),      Bool("Enabled", false), Int("Interval", 31),
    Id("OnTimer", "DXTimerTimer"), Int("Left", 64),        Int("Top", 24),
};

constexpr Setting kDXInput[] = {
    Bool("ActiveOnly", true),
    Bool("Joystick.BindInputStates", false),
    Bin("Joystick.Effects.Effects", kEffectsConstant),
    Bool("Joystick.Enabled", false),
    Bool("Joystick.ForceFeedback", false),
    Bool("Joystick.AutoCenter", true),
    Int("Joystick.DeadZoneX", 50),
    Int("Joystick.DeadZoneY", 50),
    Int("Joystick.DeadZoneZ", 50),
    Int("Joystick.ID", 0),
    Int("Joystick.RangeX", 1000),
    Int("Joystick.RangeY", 1000),
    Int("Joystick.RangeZ", 1000),
    Bool("Keyboard.BindInputStates", false),
    Bin("Keyboard.Effects.Effects", kEffectsNone),
    Bool("Keyboard.Enabled", true),
    Bool("Keyboard.ForceFeedback", false),
    Bin("Keyboard.Assigns", kKeyboardAssigns),
    Bool("Mouse.BindInputStates", true),
    Bin("Mouse.Effects.Effects", kEffectsNone),
    Bool("Mouse.Enabled", false),
    Bool("Mouse.ForceFeedback", false),
    Bool("UseDirectInput", false),
    Int("Left", 96),
    Int("Top", 24),
};

constexpr Setting kDXSound[] = {
    Bool("AutoInitialize", true),
    SetOf("Options", {}),
    Int("Left", 128),
    Int("Top", 24),
};

constexpr Setting kDXWaveList[] = {
    Id("DXSound", "DXSound1"),
    Items("Items", kWaveItems),
    Int("Left", 40),
    Int("Top", 144),
};

constexpr Setting kTimer[] = {
    Bool("Enabled", false), Int("Interval", 1140), Id("OnTimer", "Timer1Timer"),
    Int("Left", 192),       Int("Top", 24),
};

constexpr Component kComponents[] = {
    {"DXDraw", "TDXDraw", kDXDraw},     {"ImageList", "TDXImageList", kImageList},
    {"DXTimer", "TDXTimer", kDXTimer},  {"DXInput", "TDXInput", kDXInput},
    {"DXSound1", "TDXSound", kDXSound}, {"DXWaveList1", "TDXWaveList", kDXWaveList},
    {"Timer1", "TTimer", kTimer},
};

constexpr std::array<ImageItem, kImageCount> kImages = {{
    {Image::TargetBoard, "", 63, 62, 4, true, kYellow},
    {Image::Revolver, "Revolver", 91, 100, 24, true, kWhite},
    {Image::Sikte, "Sikte", 19, 19, 4, true, kWhite},
    {Image::Bakgrund, "Bakgrund", 640, 480, 24, false, kBlack},
    {Image::MuzzleFlash, "", 40, 48, 8, true, kBlack},
    {Image::Bazooka, "Bazooka", 74, 120, 24, true, kWhite},
    {Image::Ledig6, "Ledig", 0, 0, 0, true, kWhite},
    {Image::Ledig7, "Ledig", 0, 0, 0, true, kWhite},
    {Image::Plimo, "Plimo", 70, 86, 24, true, kWhite},
    {Image::Tolvar, "Tolvar", 66, 70, 24, true, kWhite},
    {Image::Grubbel, "Grubbel", 51, 97, 24, true, kWhite},
    {Image::Burgare, "Burgare", 45, 40, 24, true, kWhite},
    {Image::CasingLying, "", 33, 20, 24, true, kAqua},
    {Image::PrizeStar, "", 34, 29, 8, true, kWhite},
    {Image::BulletStanding, "", 20, 33, 24, true, kAqua},
    {Image::BossGrubbel, "BossGrubbel", 250, 250, 24, true, kWhite},
}};

constexpr std::array<WaveItem, kWaveCount> kWaves = {{
    {Wave::Skott, "Skott", false, 1, 22050, 8, 18, 9506},
    {Wave::Explosion, "Explosion", false, 1, 44100, 8, 16, 58838},
    {Wave::Ricochet, "Ricochet", false, 1, 44100, 8, 16, 14157},
    {Wave::Revolver, "Revolver", false, 2, 24000, 16, 16, 59904},
    {Wave::Raaaaaap, "Raaaaaap", false, 2, 44100, 16, 16, 32256},
    {Wave::Startup, "Startup", false, 2, 44100, 16, 16, 287228},
    {Wave::HeartBeat, "HeartBeat", true, 1, 8000, 8, 16, 21966},
    {Wave::ShotGun, "ShotGun", false, 1, 8000, 8, 16, 9167},
    {Wave::Thump, "Thump", false, 1, 44100, 16, 16, 20736},
    {Wave::Scream, "Scream", false, 1, 11025, 8, 16, 7708},
    {Wave::Boing, "", false, 1, 11025, 8, 16, 19202},
    {Wave::Korvash, "Korvash", false, 1, 22050, 8, 16, 66582},
    {Wave::ThankYou, "ThankYou", false, 1, 11025, 8, 26, 22914},
    {Wave::Applause, "", false, 1, 8000, 8, 16, 34339},
    {Wave::PrizeBell, "", false, 1, 11000, 8, 16, 19227},
    {Wave::PlimoScream, "PlimoScream", false, 2, 44100, 16, 16, 89600},
    {Wave::WendleEats, "WendleEats", false, 2, 44100, 16, 16, 124043},
    {Wave::HeavyFootsteps, "HeavyFottsteps", true, 2, 44100, 16, 16, 403456},
    {Wave::HeavyBurp, "HeavyBurp", false, 2, 44100, 16, 16, 193536},
}};

// Each table lists its items in the order of their names.
constexpr bool InNameOrder() {
  for (int i = 0; i < kImageCount; ++i)
    if (Index(kImages[static_cast<std::size_t>(i)].id) != i) return false;
  for (int i = 0; i < kWaveCount; ++i)
    if (Index(kWaves[static_cast<std::size_t>(i)].id) != i) return false;
  return true;
}
static_assert(InNameOrder(), "an item stands at another index than its name");

void WalkSettings(StreamSink& Sink, std::span<const Setting> List);

void WalkImageItems(StreamSink& Sink) {
  for (const ImageItem& item : kImages) {
    const int index = Index(item.id);
    std::array<Setting, 7> settings{};
    std::size_t n = 0;
    if (!item.name.empty()) settings[n++] = Str("Name", item.name);
    settings[n++] = Int("PatternHeight", kPatternSize);
    settings[n++] = Int("PatternWidth", kPatternSize);
    if (item.hasPicture()) settings[n++] = {"Picture.Data", Binary, index, kPicture};
    settings[n++] = Bool("SystemMemory", kSystemMemory);
    settings[n++] = Bool("Transparent", item.transparent);
    settings[n++] = Id("TransparentColor", item.transparentColor.ident);
    Sink.ListBegin();
    WalkSettings(Sink, std::span(settings).first(n));
    Sink.ListEnd();
  }
}

void WalkWaveItems(StreamSink& Sink) {
  for (const WaveItem& item : kWaves) {
    std::array<Setting, 4> settings{};
    std::size_t n = 0;
    if (!item.name.empty()) settings[n++] = Str("Name", item.name);
    settings[n++] = Bool("Looped", item.looped);
    settings[n++] = Int("MaxPlayingCount", kMaxPlayingCount);
    settings[n++] = {"Wave.WAVE", Binary, Index(item.id), kWave};
    Sink.ListBegin();
    WalkSettings(Sink, std::span(settings).first(n));
    Sink.ListEnd();
  }
}

void WalkSettings(StreamSink& Sink, std::span<const Setting> List) {
  for (const Setting& s : List) {
    Sink.ShortString(s.path);
    if (s.kind != Collection) {
      Sink.Value(s);
      continue;
    }
    Sink.CollectionBegin();
    if (s.text == kImageItems) WalkImageItems(Sink);
    if (s.text == kWaveItems) WalkWaveItems(Sink);
    Sink.ListEnd();
  }
}

// Counts the bytes the component writer writes for each record.
class ByteCounter : public StreamSink {
 public:
  std::size_t bytes = 0;

  void Signature() override { bytes += 4; }
  void ShortString(std::string_view Text) override { bytes += 1 + Text.size(); }
  void CollectionBegin() override { bytes += 1; }
  void ListBegin() override { bytes += 1; }
  void ListEnd() override { bytes += 1; }
  void Value(const Setting& S) override {
    bytes += 1;  // the value's tag
    switch (S.kind) {
      case Integer: bytes += IntegerBytes(S.integer); break;
      case Ident: ShortString(S.text); break;
      case String:
        bytes += S.text.size() <= kShortStringMax ? 1 + S.text.size() : 4 + S.text.size();
        break;
      case Boolean: break;
      case Set:
        for (std::string_view m : S.members) ShortString(m);
        ShortString("");
        break;
      case Collection: break;
      case Binary: bytes += 4 + BinaryBytes(S); break;
    }
  }

 private:
  static constexpr std::size_t kShortStringMax = 255;
  static std::size_t IntegerBytes(std::int64_t v) {
    if (v >= INT8_MIN && v <= INT8_MAX) return 1;
    if (v >= INT16_MIN && v <= INT16_MAX) return 2;
    if (v >= INT32_MIN && v <= INT32_MAX) return 4;
    return 8;
  }
};

}  // namespace

std::span<const Setting> FormSettings() { return kForm; }
std::span<const Component> Components() { return kComponents; }
const std::array<ImageItem, kImageCount>& Images() { return kImages; }
const std::array<WaveItem, kWaveCount>& Waves() { return kWaves; }
const ImageItem& Item(Image i) { return kImages.at(static_cast<std::size_t>(Index(i))); }
const WaveItem& Item(Wave w) { return kWaves.at(static_cast<std::size_t>(Index(w))); }

void WalkStream(StreamSink& Sink) {
  Sink.Signature();
  Sink.ShortString(kFormClass);
  Sink.ShortString(kFormName);
  WalkSettings(Sink, kForm);
  Sink.ListEnd();
  for (const Component& c : kComponents) {
    Sink.ShortString(c.className);
    Sink.ShortString(c.name);
    WalkSettings(Sink, c.settings);
    Sink.ListEnd();  // settings
    Sink.ListEnd();  // children: none
  }
  Sink.ListEnd();
}

std::size_t BinaryBytes(const Setting& S) {
  const auto item = static_cast<std::size_t>(S.integer);
  if (S.text == kPicture) return static_cast<std::size_t>(kImages.at(item).dataBytes());
  if (S.text == kWave) return static_cast<std::size_t>(kWaves.at(item).valueBytes());
  if (S.text == kColorTable) return kColorTableBytes;
  if (S.text == kKeyboardAssigns) return kKeyboardAssignsBytes;
  if (S.text == kEffectsNone) return kEffectsNoneBytes;
  if (S.text == kEffectsConstant) return kEffectsConstantBytes;
  throw std::invalid_argument("no binary content " + std::string(S.text));
}

std::size_t StreamBytes() {
  ByteCounter counter;
  WalkStream(counter);
  return counter.bytes;
}

}  // namespace catalogue
