// The stored description of the main window, in one place: the window's settings, its seven
// components in the order they are created with their settings, the image items and the wave
// items, each under a name the game, the tools and the tests use. The resource generator
// writes the window's stream by walking these tables (WalkStream), and the stream's length and
// every stored value's length are worked out from them, never typed.
//
// How each picture is drawn and each sound synthesised lives beside the drawing and synthesis
// code (assets/content/), keyed by these names; a test holds the two to each other.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/gdi/pixels.h"

namespace catalogue {

// The image list's items, by index. Items without a stored name are named for what they show.
enum class Image : int {
  TargetBoard,     // the board: every target's box for leaving the screen and being sent out
  Revolver,        //
  Sikte,           // the aim mark
  Bakgrund,        // the background
  MuzzleFlash,     //
  Bazooka,         // the gun; also what target kind 0 shows
  Ledig6,          // "Ledig": no picture
  Ledig7,          // "Ledig": no picture
  Plimo,           //
  Tolvar,          //
  Grubbel,         //
  Burgare,         // the hit mark
  CasingLying,     //
  PrizeStar,       //
  BulletStanding,  //
  BossGrubbel,     // the boss
  Count
};

// The wave list's items, by index.
enum class Wave : int {
  Skott,
  Explosion,
  Ricochet,
  Revolver,
  Raaaaaap,
  Startup,
  HeartBeat,
  ShotGun,
  Thump,  // the shot
  Scream,
  Boing,
  Korvash,   // the round lost
  ThankYou,  // the round won
  Applause,
  PrizeBell,
  PlimoScream,
  WendleEats,
  HeavyFootsteps,  // the boss walking, stored as "HeavyFottsteps"
  HeavyBurp,       // the boss felled
  Count
};

inline constexpr int kImageCount = static_cast<int>(Image::Count);
inline constexpr int kWaveCount = static_cast<int>(Wave::Count);

constexpr int Index(Image i) { return static_cast<int>(i); }
constexpr int Index(Wave w) { return static_cast<int>(w); }

// How one stored setting is written.
enum class ValueKind {
  Integer,     // the smallest integer tag that holds `integer`
  Ident,       // an identifier: enumeration value, named constant, reference or method name
  String,      // an ANSI string
  Boolean,     // False or True by `integer`
  Set,         // the members in `members`
  Collection,  // a collection: `text` names it ("" empty, "Images", "Waves")
  Binary,      // a binary value: `text` names its content, `integer` its item (see below)
};

// The contents of the binary values.
inline constexpr std::string_view kColorTable = "ColorTable";            // zero bytes
inline constexpr std::string_view kKeyboardAssigns = "KeyboardAssigns";  // the key table
inline constexpr std::string_view kEffectsNone = "EffectsNone";          // one etNone effect
inline constexpr std::string_view kEffectsConstant = "EffectsConstant";  // one etConstantForce
inline constexpr std::string_view kPicture = "Picture";  // image item `integer`'s picture
inline constexpr std::string_view kWave = "Wave";        // wave item `integer`'s RIFF value
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

// A colour as stored: its identifier and its value, 0x00BBGGRR.
struct NamedColor {
  std::string_view ident;
  std::uint32_t value;
};

inline constexpr NamedColor kYellow = {"clYellow", 0x00FFFF};
inline constexpr NamedColor kWhite = {"clWhite", 0xFFFFFF};
inline constexpr NamedColor kBlack = {"clBlack", 0x000000};
inline constexpr NamedColor kAqua = {"clAqua", 0xFFFF00};

// The picture value stores the graphic's class name as a short string, the 40-byte bitmap
// header, the colour table and the padded bottom-up rows.
inline constexpr std::string_view kPictureClass = "TDIB";
inline constexpr int kBitmapHeaderBytes = 40;

struct ImageItem {
  Image id;
  std::string_view name;  // empty: not stored
  int width;              // 0 x 0 at 0 bits: no picture
  int height;
  int bitCount;  // 4, 8 or 24
  bool transparent;
  NamedColor transparentColor;

  constexpr bool hasPicture() const { return bitCount != 0; }
  constexpr int colorTableEntries() const {
    return bitCount > 0 && bitCount <= 8 ? 1 << bitCount : 0;
  }
  constexpr int rowsBytes() const {
    return static_cast<int>(gdi::DibRowBytes(width, bitCount)) * height;
  }
  // The stored picture value's length; 0 for an item without a picture.
  constexpr int dataBytes() const {
    if (!hasPicture()) return 0;
    return 1 + static_cast<int>(kPictureClass.size()) + kBitmapHeaderBytes +
           4 * colorTableEntries() + rowsBytes();
  }
};

// The RIFF value of a wave stores a 12-byte RIFF header, the "fmt " chunk (8 bytes of header
// and the format) and the "data" chunk (8 bytes of header and the samples, unpadded).
inline constexpr int kRiffHeaderBytes = 12;
inline constexpr int kChunkHeaderBytes = 8;

struct WaveItem {
  Wave id;
  std::string_view name;  // empty: not stored
  bool looped;
  int channels;
  int samplesPerSecond;
  int bitsPerSample;
  int fmtLength;  // the "fmt " chunk's length: 16, 18 or 26
  int frames;     // the sound's length in sample frames

  constexpr int dataBytes() const { return frames * channels * bitsPerSample / 8; }
  constexpr int valueBytes() const {
    return kRiffHeaderBytes + kChunkHeaderBytes + fmtLength + kChunkHeaderBytes + dataBytes();
  }
};

// The image list's items and the wave list's items, in stored order.
const std::array<ImageItem, kImageCount>& Images();
const std::array<WaveItem, kWaveCount>& Waves();
const ImageItem& Item(Image i);
const WaveItem& Item(Wave w);

// Stored in every image item: one pattern of the whole picture, surfaces in video memory.
inline constexpr int kPatternSize = 0;
inline constexpr bool kSystemMemory = false;
// Stored in every wave item: no limit on the copies that sound at once.
inline constexpr int kMaxPlayingCount = 0;

// The length of the image list's stored colour table.
inline constexpr int kColorTableBytes = 1024;
// The lengths of the values the input component writes: the key table, and the effect lists
// (a resource header of 36 bytes, then a stream of 127 bytes for no effect type or 136 for a
// constant force). The generator checks what the component writes against them.
inline constexpr int kKeyboardAssignsBytes = 432;
inline constexpr int kEffectsNoneBytes = 163;
inline constexpr int kEffectsConstantBytes = 172;

// Receives the stream's records in stored order.
class StreamSink {
 public:
  virtual ~StreamSink() = default;
  virtual void Signature() = 0;
  virtual void ShortString(std::string_view Text) = 0;
  // A setting's value; never a collection, which comes as its items' records.
  virtual void Value(const Setting& S) = 0;
  virtual void CollectionBegin() = 0;
  virtual void ListBegin() = 0;
  virtual void ListEnd() = 0;
};

// Tells `Sink` the whole stream: the signature, the window, its components and their settings,
// the items of the two lists with their settings.
void WalkStream(StreamSink& Sink);

// A binary value's length, by its content (see the contents above).
std::size_t BinaryBytes(const Setting& S);
// The whole stream's length.
std::size_t StreamBytes();

}  // namespace catalogue
