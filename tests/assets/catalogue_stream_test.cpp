// The main window's stored description as the program embeds it, walked byte by byte without the
// component classes and compared with the catalogue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets/catalogue/catalogue.h"
#include "toolkit/streams.h"

namespace {

struct Value;
using Properties = std::vector<std::pair<std::string, Value>>;

struct Value {
  std::uint8_t tag = 0;
  std::int64_t integer = 0;
  std::string text;
  std::vector<std::string> members;
  std::span<const std::uint8_t> binary;
  std::vector<Properties> items;
};

struct Object {
  std::string className;
  std::string name;
  Properties properties;
  std::vector<Object> children;
};

// Reads the stream format directly: tags, lengths and records, nothing else.
class RawWalker {
 public:
  explicit RawWalker(std::span<const std::uint8_t> Data) : data(Data) {}

  Object Root() {
    if (Take(4) != std::string("TPF0")) throw std::runtime_error("no signature");
    return ObjectRecord();
  }

  std::span<const std::uint8_t> data;
  std::size_t pos = 0;
  std::map<int, int> tagCounts;

 private:
  std::uint8_t Peek() const {
    if (pos >= data.size()) throw std::runtime_error("stream ends early");
    return data[pos];
  }
  std::uint8_t Byte() {
    if (pos >= data.size()) throw std::runtime_error("stream ends early");
    return data[pos++];
  }
  std::string Take(std::size_t n) {
    if (data.size() - pos < n) throw std::runtime_error("stream ends early");
    std::string s(reinterpret_cast<const char*>(data.data() + pos), n);
    pos += n;
    return s;
  }
  std::int64_t Little(int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(Byte()) << (8 * i);
    const int bits = 8 * bytes;
    if (bits < 64 && (v >> (bits - 1)) & 1) v |= ~0ull << bits;  // sign
    return static_cast<std::int64_t>(v);
  }
  std::string Short() { return Take(Byte()); }

  Object ObjectRecord() {
    Object o;
    if (Peek() >= 0xF0) throw std::runtime_error("unexpected prefix");
    o.className = Short();
    o.name = Short();
    o.properties = PropertyList();
    while (Peek() != 0) o.children.push_back(ObjectRecord());
    ++pos;
    return o;
  }

  Properties PropertyList() {
    Properties list;
    while (Peek() != 0) {
      std::string name = Short();
      list.emplace_back(std::move(name), ReadValue());
    }
    ++pos;
    return list;
  }

  Value ReadValue() {
    Value v;
    v.tag = Byte();
    ++tagCounts[v.tag];
    switch (v.tag) {
      case 2: v.integer = Little(1); break;
      case 3: v.integer = Little(2); break;
      case 4: v.integer = Little(4); break;
      case 6:
      case 7: v.text = Short(); break;
      case 8: v.integer = 0; break;
      case 9: v.integer = 1; break;
      case 10: {
        const auto n = static_cast<std::uint32_t>(Little(4));
        if (data.size() - pos < n) throw std::runtime_error("binary value past the end");
        v.binary = data.subspan(pos, n);
        pos += n;
        break;
      }
      case 11:
        for (std::string m = Short(); !m.empty(); m = Short()) v.members.push_back(m);
        break;
      case 14:
        while (Peek() != 0) {
          if (Byte() != 1) throw std::runtime_error("collection item without its opener");
          v.items.push_back(PropertyList());
        }
        ++pos;
        break;
      default: throw std::runtime_error("unexpected tag " + std::to_string(v.tag));
    }
    return v;
  }
};

std::span<const std::uint8_t> Embedded() {
  bool found = false;
  const auto data = FindResourceData(catalogue::kResourceName, catalogue::kResourceType, found);
  if (!found) throw std::runtime_error("no embedded main window");
  return data;
}

const Value* Find(const Properties& list, const std::string& name) {
  for (const auto& [n, v] : list)
    if (n == name) return &v;
  return nullptr;
}

std::uint32_t LE(std::span<const std::uint8_t> b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(b[at + i]) << (8 * i);
  return v;
}

class EmbeddedMainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    walker = std::make_unique<RawWalker>(Embedded());
    root = walker->Root();
  }
  const Object& Component(const std::string& name) const {
    for (const Object& c : root.children)
      if (c.name == name) return c;
    throw std::runtime_error("no component " + name);
  }
  const std::vector<Properties>& Items(const std::string& component) const {
    const Value* v = Find(Component(component).properties, "Items");
    if (!v) throw std::runtime_error("no items");
    return v->items;
  }
  // The three effect lists, keyboard, mouse, joystick.
  std::vector<std::span<const std::uint8_t>> EffectLists() const {
    const Properties& input = Component("DXInput").properties;
    std::vector<std::span<const std::uint8_t>> lists;
    for (const char* path :
         {"Keyboard.Effects.Effects", "Mouse.Effects.Effects", "Joystick.Effects.Effects"}) {
      const Value* v = Find(input, path);
      lists.push_back(v ? v->binary : std::span<const std::uint8_t>());
    }
    return lists;
  }

  std::unique_ptr<RawWalker> walker;
  Object root;
};

TEST_F(EmbeddedMainWindow, IsWalkedToItsLastByteAndHasTheCataloguedLength) {
  const auto data = Embedded();
  EXPECT_EQ(walker->pos, data.size());
  EXPECT_EQ(data.back(), 0);  // the end of the root's children

  EXPECT_EQ(data.size(), catalogue::StreamBytes());
}

// Counts the value tags the catalogue's records call for: the smallest integer tag (2, 3, 4),
// string 6, identifier 7, false 8, true 9, binary 10, set 11, collection 14.
class TagCounter : public catalogue::StreamSink {
 public:
  std::map<int, int> counts;

  void Signature() override {}
  void ShortString(std::string_view) override {}
  void CollectionBegin() override { ++counts[14]; }
  void ListBegin() override {}
  void ListEnd() override {}
  void Value(const catalogue::Setting& s) override {
    using enum catalogue::ValueKind;
    switch (s.kind) {
      case Integer:
        ++counts[s.integer >= -128 && s.integer < 128       ? 2
                 : s.integer >= -32768 && s.integer < 32768 ? 3
                                                            : 4];
        break;
      case Ident: ++counts[7]; break;
      case String: ++counts[6]; break;
      case Boolean: ++counts[s.integer ? 9 : 8]; break;
      case Set: ++counts[11]; break;
      case Binary: ++counts[10]; break;
      case Collection: ADD_FAILURE() << "a collection comes as its items"; break;
    }
  }
};

TEST_F(EmbeddedMainWindow, HasTheValueTagsOfTheCatalogue) {
  TagCounter expected;
  catalogue::WalkStream(expected);
  EXPECT_EQ(walker->tagCounts, expected.counts);
  // Every kind of value is stored: the comparison above covers each.
  EXPECT_EQ(expected.counts.size(), 9u);
}

void ExpectSettings(const std::string& who, const Properties& stored,
                    std::span<const catalogue::Setting> settings) {
  ASSERT_EQ(stored.size(), settings.size()) << who;
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const catalogue::Setting& s = settings[i];
    const auto& [name, v] = stored[i];
    SCOPED_TRACE(who + "." + std::string(s.path));
    EXPECT_EQ(name, s.path);
    using enum catalogue::ValueKind;
    switch (s.kind) {
      case Integer:
        EXPECT_TRUE(v.tag >= 2 && v.tag <= 4);
        EXPECT_EQ(v.integer, s.integer);
        // The smallest tag that holds the value.
        EXPECT_EQ(v.tag, s.integer >= -128 && s.integer <= 127 ? 2 : 3);
        break;
      case Ident:
        EXPECT_EQ(v.tag, 7);
        EXPECT_EQ(v.text, s.text);
        break;
      case String:
        EXPECT_EQ(v.tag, 6);
        EXPECT_EQ(v.text, s.text);
        break;
      case Boolean: EXPECT_EQ(v.tag, s.integer ? 9 : 8); break;
      case Set:
        EXPECT_EQ(v.tag, 11);
        EXPECT_EQ(v.members, std::vector<std::string>(s.members.begin(), s.members.end()));
        break;
      case Collection:
        EXPECT_EQ(v.tag, 14);
        if (s.text.empty()) {
          EXPECT_TRUE(v.items.empty());
        }
        break;
      case Binary: EXPECT_EQ(v.tag, 10); break;
    }
  }
}

TEST_F(EmbeddedMainWindow, HoldsTheWindowAndItsSevenComponentsInOrder) {
  EXPECT_EQ(root.className, "TMainForm");
  EXPECT_EQ(root.name, "MainForm");
  ExpectSettings("MainForm", root.properties, catalogue::FormSettings());
  const Value* caption = Find(root.properties, "Caption");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->text.rfind("Marvosk", 0), 0u);

  const std::vector<std::pair<std::string, std::string>> order = {
      {"DXDraw", "TDXDraw"},   {"ImageList", "TDXImageList"}, {"DXTimer", "TDXTimer"},
      {"DXInput", "TDXInput"}, {"DXSound1", "TDXSound"},      {"DXWaveList1", "TDXWaveList"},
      {"Timer1", "TTimer"}};
  ASSERT_EQ(root.children.size(), order.size());
  const auto components = catalogue::Components();
  for (std::size_t i = 0; i < order.size(); ++i) {
    const Object& c = root.children[i];
    EXPECT_EQ(c.name, order[i].first);
    EXPECT_EQ(c.className, order[i].second);
    EXPECT_TRUE(c.children.empty());
    ExpectSettings(c.name, c.properties, components[i].settings);
  }
}

TEST_F(EmbeddedMainWindow, StoresTheKeyTableColourTableAndEffectLists) {
  const Value* assigns = Find(Component("DXInput").properties, "Keyboard.Assigns");
  ASSERT_NE(assigns, nullptr);
  ASSERT_EQ(assigns->binary.size(), 432u);
  // Rows of three codes in input-state order: up, down, left, right, then the buttons.
  const std::vector<std::uint32_t> firstRows = {0x4B, 0x26, 0x68, 0x4A, 0x28, 0x62,
                                                0x48, 0x25, 0x64, 0x4C, 0x27, 0x66};
  for (std::size_t i = 0; i < firstRows.size(); ++i)
    EXPECT_EQ(LE(assigns->binary, 4 * i, 4), firstRows[i]) << i;
  std::size_t keys = 0;
  for (std::size_t i = 0; i < 108; ++i) keys += LE(assigns->binary, 4 * i, 4) != 0;
  EXPECT_EQ(keys, 12u + 2 + 2 + 1);

  const Value* colors = Find(Component("ImageList").properties, "Items.ColorTable");
  ASSERT_NE(colors, nullptr);
  ASSERT_EQ(colors->binary.size(), 1024u);
  for (std::uint8_t b : colors->binary) ASSERT_EQ(b, 0);

  const auto lists = EffectLists();
  EXPECT_TRUE(std::equal(lists[0].begin(), lists[0].end(), lists[1].begin(), lists[1].end()));
  EXPECT_EQ(lists[0].size(), std::size_t(catalogue::kEffectsNoneBytes));
  EXPECT_EQ(lists[2].size(), std::size_t(catalogue::kEffectsConstantBytes));
  for (const auto& list : lists) {
    ASSERT_GT(list.size(), 10u);
    // A component resource: the type by number (raw data), an upper-case name, then a stream
    // of one effect component named "_1" with one effect.
    EXPECT_EQ(list[0], 0xFF);
    EXPECT_EQ(LE(list, 1, 2), 10u);
    const std::size_t nameEnd = std::find(list.begin() + 3, list.end(), 0) - list.begin();
    const std::string resName(list.begin() + 3, list.begin() + nameEnd);
    EXPECT_EQ(resName, "DEVICEFORCEFEEDBACKEFFECTS");
    EXPECT_EQ(LE(list, nameEnd + 1, 2), 0x1030u);
    EXPECT_EQ(LE(list, nameEnd + 3, 4), list.size() - (nameEnd + 7));
    RawWalker inner(list.subspan(nameEnd + 7));
    const Object effects = inner.Root();
    EXPECT_EQ(inner.pos, inner.data.size());
    EXPECT_EQ(effects.className, "TForceFeedbackEffectComponent");
    EXPECT_EQ(effects.name, "_1");
    ASSERT_EQ(effects.properties.size(), 1u);
    ASSERT_EQ(effects.properties[0].second.items.size(), 1u);
    const Properties& effect = effects.properties[0].second.items[0];
    EXPECT_EQ(Find(effect, "Name")->text, "Effects");
    EXPECT_EQ(Find(effect, "Period")->integer, 50);
    EXPECT_EQ(Find(effect, "Power")->integer, 10000);
    EXPECT_EQ(Find(effect, "Time")->integer, 1000);
    EXPECT_EQ(Find(effect, "StartDelayTime")->integer, 0);
    EXPECT_EQ(Find(effect, "EffectType")->text, &list == &lists[2] ? "etConstantForce" : "etNone");
  }
}

TEST_F(EmbeddedMainWindow, HasTheImageItemsOfTheCatalogue) {
  const auto& items = Items("ImageList");
  ASSERT_EQ(items.size(), std::size_t(catalogue::kImageCount));
  int lastLedig = -1;
  for (int i = 0; i < catalogue::kImageCount; ++i) {
    SCOPED_TRACE("image " + std::to_string(i));
    const Properties& item = items[static_cast<std::size_t>(i)];
    const catalogue::ImageItem& want = catalogue::Images()[static_cast<std::size_t>(i)];
    const Value* name = Find(item, "Name");
    EXPECT_EQ(name ? name->text : "", want.name);
    if (name && name->text == "Ledig") lastLedig = i;
    EXPECT_EQ(Find(item, "PatternWidth")->integer, 0);
    EXPECT_EQ(Find(item, "PatternHeight")->integer, 0);
    EXPECT_EQ(Find(item, "SystemMemory")->tag, 8);
    EXPECT_EQ(Find(item, "Transparent")->tag, want.transparent ? 9 : 8);
    EXPECT_EQ(Find(item, "TransparentColor")->text, want.transparentColor.ident);
    EXPECT_EQ(Find(item, "SkipWidth"), nullptr);
    const Value* data = Find(item, "Picture.Data");
    ASSERT_EQ(data != nullptr, want.hasPicture());
    if (!data) continue;
    const auto b = data->binary;
    ASSERT_EQ(static_cast<int>(b.size()), want.dataBytes());
    ASSERT_EQ(std::string(b.begin(), b.begin() + 5), "\x04TDIB");
    const std::size_t h = 5;
    EXPECT_EQ(LE(b, h, 4), 40u);
    EXPECT_EQ(static_cast<int>(LE(b, h + 4, 4)), want.width);
    EXPECT_EQ(static_cast<int>(LE(b, h + 8, 4)), want.height);  // positive: bottom-up
    EXPECT_EQ(LE(b, h + 12, 2), 1u);
    EXPECT_EQ(static_cast<int>(LE(b, h + 14, 2)), want.bitCount);
    EXPECT_EQ(LE(b, h + 16, 4), 0u);  // uncompressed
    const std::uint32_t rows = ((want.width * want.bitCount + 31) / 32) * 4 * want.height;
    EXPECT_EQ(LE(b, h + 20, 4), rows);
    for (int f = 24; f < 40; f += 4) EXPECT_EQ(LE(b, h + f, 4), 0u) << f;
    EXPECT_EQ(b.size(), 5 + 40 + 4u * want.colorTableEntries() + rows);
  }
  // A lookup by name finds the last item of that name.
  EXPECT_EQ(lastLedig, catalogue::Index(catalogue::Image::Ledig7));
}

TEST_F(EmbeddedMainWindow, HasTheWaveItemsOfTheCatalogueWithOddDataUnpadded) {
  const auto& items = Items("DXWaveList1");
  ASSERT_EQ(items.size(), std::size_t(catalogue::kWaveCount));
  int odd = 0;
  for (int i = 0; i < catalogue::kWaveCount; ++i) {
    SCOPED_TRACE("wave " + std::to_string(i));
    const Properties& item = items[static_cast<std::size_t>(i)];
    const catalogue::WaveItem& want = catalogue::Waves()[static_cast<std::size_t>(i)];
    const Value* name = Find(item, "Name");
    EXPECT_EQ(name ? name->text : "", want.name);
    EXPECT_EQ(Find(item, "Looped")->tag, want.looped ? 9 : 8);
    EXPECT_EQ(Find(item, "MaxPlayingCount")->integer, 0);
    const Value* wave = Find(item, "Wave.WAVE");
    ASSERT_NE(wave, nullptr);
    const auto b = wave->binary;
    ASSERT_EQ(static_cast<int>(b.size()), want.valueBytes());
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(LE(b, 4, 4), b.size() - 8);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    const std::uint32_t fmt = LE(b, 16, 4);
    EXPECT_EQ(static_cast<int>(fmt), want.fmtLength);
    EXPECT_EQ(LE(b, 20, 2), 1u);
    EXPECT_EQ(static_cast<int>(LE(b, 22, 2)), want.channels);
    EXPECT_EQ(static_cast<int>(LE(b, 24, 4)), want.samplesPerSecond);
    const int align = want.channels * want.bitsPerSample / 8;
    EXPECT_EQ(static_cast<int>(LE(b, 28, 4)), want.samplesPerSecond * align);
    EXPECT_EQ(static_cast<int>(LE(b, 32, 2)), align);
    EXPECT_EQ(static_cast<int>(LE(b, 34, 2)), want.bitsPerSample);
    for (std::uint32_t k = 36; k < 20 + fmt; ++k) EXPECT_EQ(b[k], 0) << k;
    const std::size_t dataAt = 20 + fmt;
    EXPECT_EQ(std::string(b.begin() + dataAt, b.begin() + dataAt + 4), "data");
    const std::uint32_t dataBytes = LE(b, dataAt + 4, 4);
    EXPECT_EQ(static_cast<int>(dataBytes), want.dataBytes());
    // The samples end the value: no pad byte after an odd chunk.
    EXPECT_EQ(dataAt + 8 + dataBytes, b.size());
    odd += dataBytes % 2;
  }
  EXPECT_GT(odd, 0) << "no odd length: the unpadded end went untested";
}

}  // namespace
