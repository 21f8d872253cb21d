// The stored description of the main window, in one place: the window's settings, its seven
// components in the order they are created with their settings, the sixteen image items and the
// nineteen wave items. The resource generator writes the window's stream from these tables, and
// the tests and tools check what they read back against them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace catalogue {

// How one stored setting is written.
enum class ValueKind {
  Integer,     // the smallest integer tag that holds `integer`
  Ident,       // an identifier: enumeration value, named constant, reference or method name
  String,      // a short ANSI string
  Boolean,     // False or True by `integer`
  Set,         // the members in `members`
  Collection,  // a collection: `text` names it ("" empty, "Images", "Waves")
  Binary,      // a binary value: `text` names its content (see BinaryContent)
};

// The contents of the binary settings that are not pictures or sounds.
inline constexpr std::string_view kColorTable = "ColorTable";            // 1024 zero bytes
inline constexpr std::string_view kKeyboardAssigns = "KeyboardAssigns";  // the key table
inline constexpr std::string_view kEffectsNone = "EffectsNone";          // one etNone effect
inline constexpr std::string_view kEffectsConstant = "EffectsConstant";  // one etConstantForce
inline constexpr std::string_view kImageItems = "Images";
inline constexpr std::string_view kWaveItems = "Waves";

struct Setting {
  std::string_view path;
  ValueKind kind;
  std::int64_t integer = 0;
  std::string_view text = {};
  std::span<const std::string_view> members = {};
};

struct Component {
  std::string_view name;
  std::string_view className;
  std::span<const Setting> settings;
};

// The window's title, stored as its caption: the game's name and how a round starts.
inline constexpr std::string_view kCaption =
    "Marvosk - the fairground shooting gallery. Keys F1 to F6 start a round.";
inline constexpr std::string_view kFormClass = "TMainForm";
inline constexpr std::string_view kFormName = "MainForm";
// The raw-data resource that holds the window's stream.
inline constexpr std::string_view kResourceName = "TMAINFORM";
inline constexpr int kResourceType = 10;

// The window's own settings, in stored order.
std::span<const Setting> FormSettings();
// The seven components, in the order they are created.
std::span<const Component> Components();

struct ImageItem {
  std::string_view name;  // empty: not stored
  bool hasPicture;
  int width;
  int height;
  int bitCount;
  int colorTableEntries;
  int dataBytes;  // the stored picture value: class name, header, colour table, rows
  bool transparent;
  std::string_view transparentColor;  // the colour's identifier
  std::uint32_t transparentColorValue;
};

struct WaveItem {
  std::string_view name;  // empty: not stored
  bool looped;
  int channels;
  int samplesPerSecond;
  int bitsPerSample;
  int fmtLength;   // the "fmt " chunk's length: 16, 18 or 26
  int valueBytes;  // the whole RIFF value
  int dataBytes;   // the "data" chunk
};

inline constexpr int kImageCount = 16;
inline constexpr int kWaveCount = 19;

// The image list's items, indices 0 to 15.
const std::array<ImageItem, kImageCount>& Images();
// The wave list's items, indices 0 to 18.
const std::array<WaveItem, kWaveCount>& Waves();

// Stored in every image item: one pattern of the whole picture, surfaces in video memory.
inline constexpr int kPatternSize = 0;
inline constexpr bool kSystemMemory = false;
// Stored in every wave item: no limit on the copies that sound at once.
inline constexpr int kMaxPlayingCount = 0;

// The length of the image list's stored colour table.
inline constexpr int kColorTableBytes = 1024;
// The lengths of the key table and of the effect lists: a resource header of 36 bytes, then a
// stream of 127 bytes (no effect type) or 136 (constant force).
inline constexpr int kKeyboardAssignsBytes = 432;
inline constexpr int kEffectsNoneBytes = 163;
inline constexpr int kEffectsConstantBytes = 172;

// The whole stream's length.
inline constexpr std::size_t kStreamBytes = 6321354;

}  // namespace catalogue
