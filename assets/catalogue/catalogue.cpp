#include "assets/catalogue/catalogue.h"

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

constexpr std::uint32_t kYellow = 0x00FFFF, kWhite = 0xFFFFFF, kBlack = 0, kAqua = 0xFFFF00;

constexpr std::array<ImageItem, kImageCount> kImages = {{
    {"", true, 63, 62, 4, 16, 2093, true, "clYellow", kYellow},
    {"Revolver", true, 91, 100, 24, 0, 27645, true, "clWhite", kWhite},
    {"Sikte", true, 19, 19, 4, 16, 337, true, "clWhite", kWhite},
    {"Bakgrund", true, 640, 480, 24, 0, 921645, false, "clBlack", kBlack},
    {"", true, 40, 48, 8, 256, 2989, true, "clBlack", kBlack},
    {"Bazooka", true, 74, 120, 24, 0, 26925, true, "clWhite", kWhite},
    {"Ledig", false, 0, 0, 0, 0, 0, true, "clWhite", kWhite},
    {"Ledig", false, 0, 0, 0, 0, 0, true, "clWhite", kWhite},
    {"Plimo", true, 70, 86, 24, 0, 18277, true, "clWhite", kWhite},
    {"Tolvar", true, 66, 70, 24, 0, 14045, true, "clWhite", kWhite},
    {"Grubbel", true, 51, 97, 24, 0, 15177, true, "clWhite", kWhite},
    {"Burgare", true, 45, 40, 24, 0, 5485, true, "clWhite", kWhite},
    {"", true, 33, 20, 24, 0, 2045, true, "clAqua", kAqua},
    {"", true, 34, 29, 8, 256, 2113, true, "clWhite", kWhite},
    {"", true, 20, 33, 24, 0, 2025, true, "clAqua", kAqua},
    {"BossGrubbel", true, 250, 250, 24, 0, 188045, true, "clWhite", kWhite},
}};

constexpr std::array<WaveItem, kWaveCount> kWaves = {{
    {"Skott", false, 1, 22050, 8, 18, 9552, 9506},
    {"Explosion", false, 1, 44100, 8, 16, 58882, 58838},
    {"Ricochet", false, 1, 44100, 8, 16, 14201, 14157},
    {"Revolver", false, 2, 24000, 16, 16, 239660, 239616},
    {"Raaaaaap", false, 2, 44100, 16, 16, 129068, 129024},
    {"Startup", false, 2, 44100, 16, 16, 1148956, 1148912},
    {"HeartBeat", true, 1, 8000, 8, 16, 22010, 21966},
    {"ShotGun", false, 1, 8000, 8, 16, 9211, 9167},
    {"Thump", false, 1, 44100, 16, 16, 41516, 41472},
    {"Scream", false, 1, 11025, 8, 16, 7752, 7708},
    {"", false, 1, 11025, 8, 16, 19246, 19202},
    {"Korvash", false, 1, 22050, 8, 16, 66626, 66582},
    {"ThankYou", false, 1, 11025, 8, 26, 22968, 22914},
    {"", false, 1, 8000, 8, 16, 34383, 34339},
    {"", false, 1, 11000, 8, 16, 19271, 19227},
    {"PlimoScream", false, 2, 44100, 16, 16, 358444, 358400},
    {"WendleEats", false, 2, 44100, 16, 16, 496216, 496172},
    {"HeavyFottsteps", true, 2, 44100, 16, 16, 1613868, 1613824},
    {"HeavyBurp", false, 2, 44100, 16, 16, 774188, 774144},
}};

}  // namespace

std::span<const Setting> FormSettings() { return kForm; }
std::span<const Component> Components() { return kComponents; }
const std::array<ImageItem, kImageCount>& Images() { return kImages; }
const std::array<WaveItem, kWaveCount>& Waves() { return kWaves; }

}  // namespace catalogue
