// The component-stream writer: what it stores and in which form, and writer-to-reader round
// trips that use every value tag and every property kind.
#include "assets/writer.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "assets/reader.h"
#include "images/imagelist.h"
#include "platform/little_endian.h"
#include "tests/assets/stream_builder.h"
#include "toolkit/sysutils.h"

using platform::GetLE32;

namespace {

Bytes Write(TComponent* root) {
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->WriteComponent(root);
  return ContentOf(*stream);
}

TOwnedPtr<TSampleRoot> ReadBack(const Bytes& bytes) {
  TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
  auto stream = StreamOf(bytes);
  stream->ReadComponent(root.get());
  EXPECT_EQ(stream->Position(), stream->Size());
  return root;
}

// The value tags a stream uses, found by walking it independently of the reader.
class TagCensus {
 public:
  explicit TagCensus(const Bytes& b) : FBytes(b) {
    FPos = 4;
    Object();
  }
  std::set<int> Tags;
  bool Whole() const { return FPos == FBytes.size(); }

 private:
  std::uint8_t Byte() { return FBytes.at(FPos++); }
  std::uint8_t Peek() const { return FBytes.at(FPos); }
  std::string Short() {
    const std::size_t n = Byte();
    FPos += n;
    return std::string(FBytes.begin() + FPos - n, FBytes.begin() + FPos);
  }
  std::uint32_t U32() {
    FPos += 4;
    return GetLE32(FBytes.data() + FPos - 4);
  }
  void End() { Tags.insert(Byte()); }
  void Properties() {
    while (Peek() != 0) {
      Short();
      Value();
    }
    End();
  }
  void Object() {
    Short();
    Short();
    Properties();
    while (Peek() != 0) Object();
    End();
  }
  void Value() {
    const std::uint8_t tag = Byte();
    Tags.insert(tag);
    switch (tag) {
      case vaList:
        while (Peek() != 0) Value();
        End();
        break;
      case vaInt8: FPos += 1; break;
      case vaInt16: FPos += 2; break;
      case vaInt32:
      case vaSingle: FPos += 4; break;
      case vaExtended: FPos += 10; break;
      case vaString:
      case vaIdent: Short(); break;
      case vaBinary:
      case vaLString:
      case vaUTF8String: FPos += U32(); break;
      case vaWString: FPos += 2 * std::size_t{U32()}; break;
      case vaSet:
        while (!Short().empty()) {
        }
        break;
      case vaCollection:
        while (Peek() != 0) {
          if (Peek() >= vaInt8 && Peek() <= vaInt32) Value();
          Tags.insert(Byte());  // vaList
          Properties();
        }
        End();
        break;
      case vaCurrency:
      case vaDate:
      case vaInt64:
      case vaDouble: FPos += 8; break;
      default: break;
    }
  }
  const Bytes& FBytes;
  std::size_t FPos = 0;
};

// A root with two widgets that between them hold a value of every kind.
TOwnedPtr<TSampleRoot> RichRoot() {
  TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
  root->SetName("Rich");
  auto* a = Construct<TSampleWidget>(root.get());
  a->SetName("First");
  auto* b = Construct<TSampleWidget>(root.get());
  b->SetName("Second");

  a->SetCount(-100);                 // vaInt8
  a->SetBig(std::int64_t{3} << 40);  // vaInt64
  a->SetRatio(-2.625);               // vaExtended
  a->SetLetter('Z');
  a->SetShade(shPale);              // vaIdent
  a->SetShades({shLight, shDeep});  // vaSet
  a->SetFlag(true);                 // vaTrue
  a->SetText("plain");              // vaString
  a->SetColor(clBtnFace);           // a named system colour
  a->SetBuddy(b);                   // a reference to a component written after it
  a->OnPing = TNotifyEvent::Of<&TSampleRoot::Pong>(root.get());
  a->Blob = std::string(4000, 'b');  // vaBinary; its reader takes half
  a->Note = "n\xC3\xB6te";           // vaUTF8String
  a->HasValues = true;  // vaList, vaSingle, vaCurrency, vaDate, vaWString, vaDouble, vaNil
  a->Single = 1.5f;
  a->Currency = -98765;
  a->Date = 46000.25;
  a->Wide = "\xE2\x98\x83 snow";
  a->Double = 1.0 / 3.0;
  a->SetDesignPosition(96, 24);
  a->Part()->SetHeight(-11);
  a->Part()->SetName(std::string(300, 'n'));  // vaLString
  a->Part()->SetColor(0x123456);
  a->Part()->Data = std::string("\0\xFF\x10", 3);

  b->SetCount(1000);   // vaInt16
  b->SetBig(-100000);  // vaInt32
  b->SetFlag(false);   // the default: not stored
  b->SetColor(clWhite);
  auto* item = static_cast<TSampleItem*>(b->Items()->Add());
  item->SetCaption("first item");
  item->SetLink(a);
  item->Part()->SetStyle({shDark});
  static_cast<TSampleItem*>(b->Items()->Add())->SetValue(5);
  return root;
}

TEST(ComponentStreamRoundTrip, EveryValueTagAndPropertyKindComesBack) {
  auto original = RichRoot();
  const Bytes bytes = Write(original.get());

  TagCensus census(bytes);
  EXPECT_TRUE(census.Whole());
  std::set<int> expected;
  for (int t = vaNull; t <= vaDouble; ++t) expected.insert(t);
  expected.erase(vaFalse);  // no False is stored: it is every Boolean's default here
  EXPECT_EQ(census.Tags, expected);

  auto copy = ReadBack(bytes);
  TSampleWidget* a = copy->First;
  TSampleWidget* b = copy->Second;
  ASSERT_TRUE(a && b);
  EXPECT_EQ(copy->Name(), "Rich");
  EXPECT_EQ(a->Count(), -100);
  EXPECT_EQ(a->Big(), std::int64_t{3} << 40);
  EXPECT_EQ(a->Ratio(), -2.625);
  EXPECT_EQ(a->Letter(), 'Z');
  EXPECT_EQ(a->Shade(), shPale);
  EXPECT_EQ(a->Shades(), (TSampleShades{shLight, shDeep}));
  EXPECT_TRUE(a->Flag());
  EXPECT_EQ(a->Text(), "plain");
  EXPECT_EQ(a->Color(), clBtnFace);
  EXPECT_EQ(a->Buddy(), b);
  ASSERT_TRUE(a->OnPing);
  a->OnPing(a);
  EXPECT_EQ(copy->Pongs, 1);
  EXPECT_EQ(a->Blob, std::string(2000, 'b'));
  EXPECT_EQ(a->Note, "n\xC3\xB6te");
  EXPECT_EQ(a->Single, 1.5f);
  EXPECT_EQ(a->Currency, -98765);
  EXPECT_EQ(a->Date, 46000.25);
  EXPECT_EQ(a->Wide, "\xE2\x98\x83 snow");
  EXPECT_EQ(a->Double, 1.0 / 3.0);
  EXPECT_EQ(a->DesignLeft(), 96);
  EXPECT_EQ(a->DesignTop(), 24);
  EXPECT_EQ(a->Part()->Height(), -11);
  EXPECT_EQ(a->Part()->Name(), std::string(300, 'n'));
  EXPECT_EQ(a->Part()->Color(), 0x123456);
  EXPECT_EQ(a->Part()->Data, std::string("\0\xFF\x10", 3));
  EXPECT_EQ(b->Count(), 1000);
  EXPECT_EQ(b->Big(), -100000);
  EXPECT_EQ(b->Color(), clWhite);
  ASSERT_EQ(b->Items()->Count(), 2);
  auto* item = static_cast<TSampleItem*>(b->Items()->Items(0));
  EXPECT_EQ(item->Caption(), "first item");
  EXPECT_EQ(item->Link(), a);
  EXPECT_EQ(item->Part()->Style(), (TSampleShades{shDark}));
  EXPECT_EQ(static_cast<TSampleItem*>(b->Items()->Items(1))->Value(), 5);
}

TEST(ComponentStreamRoundTrip, WritingWhatWasReadGivesTheSameBytes) {
  auto original = RichRoot();
  original->First->Blob.clear();  // its reader keeps only half, so it would not come back
  const Bytes bytes = Write(original.get());
  auto copy = ReadBack(bytes);
  EXPECT_EQ(Write(copy.get()), bytes);
}

// Where a property named Name stands in a written stream: the offset of its value's tag, or
// npos. Names are short strings, so the length byte goes before the text.
std::size_t ValueOf(const Bytes& bytes, const std::string& name) {
  const std::string text(bytes.begin(), bytes.end());
  const std::string stored = std::string(1, char(name.size())) + name;
  const std::size_t at = text.find(stored);
  return at == std::string::npos ? at : at + stored.size();
}

TEST(ComponentStreamRoundTrip, ACollectionsOwnStoredPropertiesGoWithItAheadOfItsItems) {
  TOwnedPtr<TDXImageList> list(Construct<TDXImageList>(nullptr));
  list->SetName("Images");
  TPictureCollection* items = list->Items();
  for (std::size_t i = 0; i < items->ColorTable.size(); ++i)
    items->ColorTable[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7 + 1), BYTE(i % 5)};
  auto* item = static_cast<TPictureCollectionItem*>(items->Add());
  item->SetName("Kanin");
  item->SetSkipWidth(3);
  const Bytes bytes = Write(list.get());

  // "Items.ColorTable" once, as one binary value of the table's 1024 bytes (blue, green, red,
  // reserved), right before "Items".
  const std::size_t table = ValueOf(bytes, "Items.ColorTable");
  ASSERT_NE(table, std::string::npos);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.find("Items.ColorTable", table), std::string::npos);
  ASSERT_LE(table + 5 + 1024 + 7, bytes.size());
  EXPECT_EQ(bytes[table], vaBinary);
  EXPECT_EQ(GetLE32(bytes.data() + table + 1), 1024u);
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint8_t* q = bytes.data() + table + 5 + 4 * i;
    ASSERT_EQ(Bytes(q, q + 4), (Bytes{BYTE(i), BYTE(255 - i), BYTE(i * 7 + 1), BYTE(i % 5)})) << i;
  }
  EXPECT_EQ(text.substr(table + 5 + 1024, 7), std::string("\x05Items") + char(vaCollection));

  TOwnedPtr<TDXImageList> copy(Construct<TDXImageList>(nullptr));
  auto stream = StreamOf(bytes);
  stream->ReadComponent(copy.get());
  EXPECT_EQ(stream->Position(), stream->Size());
  EXPECT_TRUE(copy->Items()->ColorTable == items->ColorTable);
  ASSERT_EQ(copy->Items()->Count(), 1);
  EXPECT_EQ(copy->Items()->Items(0)->Name(), "Kanin");
  EXPECT_EQ(copy->Items()->Items(0)->SkipWidth(), 3);
  EXPECT_EQ(Write(copy.get()), bytes);

  // An empty collection's table is stored all the same, and reading it replaces the table.
  TOwnedPtr<TDXImageList> empty(Construct<TDXImageList>(nullptr));
  const Bytes emptyBytes = Write(empty.get());
  const std::size_t zeros = ValueOf(emptyBytes, "Items.ColorTable");
  ASSERT_NE(zeros, std::string::npos);
  ASSERT_LE(zeros + 5 + 1024, emptyBytes.size());
  EXPECT_EQ(GetLE32(emptyBytes.data() + zeros + 1), 1024u);
  auto emptyStream = StreamOf(emptyBytes);
  emptyStream->ReadComponent(copy.get());
  EXPECT_TRUE(copy->Items()->ColorTable == TRGBQuads{});
}

TEST(ComponentWriter, IntegersTakeTheSmallestTag) {
  const auto written = [](std::int64_t v) {
    TOwnedPtr<TMemoryStream> s(Construct<TMemoryStream>());
    {
      TComponentWriter w(*s);
      w.WriteInteger(v);
    }
    return ContentOf(*s);
  };
  EXPECT_EQ(written(-128), (Bytes{vaInt8, 0x80}));
  EXPECT_EQ(written(127), (Bytes{vaInt8, 0x7F}));
  EXPECT_EQ(written(128), (Bytes{vaInt16, 0x80, 0x00}));
  EXPECT_EQ(written(-32769), (Bytes{vaInt32, 0xFF, 0x7F, 0xFF, 0xFF}));
  EXPECT_EQ(written(std::int64_t{1} << 31), (Bytes{vaInt64, 0, 0, 0, 0x80, 0, 0, 0, 0}));
}

TEST(ComponentWriter, StoresOnlyWhatDiffersFromTheDefaultsAndNamesConstants) {
  TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
  auto* w = Construct<TSampleWidget>(root.get());
  w->SetName("W");
  w->SetColor(clYellow);
  w->SetShades({shDark});
  const Bytes bytes = Write(root.get());

  StreamBuilder expected;
  expected.Signature().Object("TSampleRoot", "").End();
  expected.Object("TSampleWidget", "W").Prop("Ratio").Writer().WriteExtended(0);
  expected.Prop("Shades").Writer().WriteSet({"shDark"});
  expected.Prop("Color").Ident("clYellow");
  // The sub-object's properties have no defaults, so all of them are stored.
  expected.Prop("Part.Height").Int(0).Prop("Part.Color").Ident("clBlack");
  expected.Prop("Part.Style").Writer().WriteSet({});
  expected.Prop("Items").Value(vaCollection).End();
  expected.End().End().End();
  const Bytes want = expected.Done();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(want.begin(), want.end()));
}

TEST(ComponentWriter, AnEventBoundToNoPublishedMethodIsNotStored) {
  struct Other {
    void Handler(TObject*) {}
  } other;
  TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
  auto* w = Construct<TSampleWidget>(root.get());
  w->SetName("W");
  w->OnPing = TNotifyEvent::Of<&Other::Handler>(&other);
  const Bytes bytes = Write(root.get());
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.find("OnPing"), std::string::npos);
}

TEST(ComponentWriter, ComponentResourcesCarryTheirHeaderAndReadBack) {
  TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
  root->SetName("_1");
  Construct<TSampleWidget>(root.get())->SetName("First");
  root->First->SetCount(42);
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());

  stream->WriteComponentRes("Effects", root.get());

  const Bytes bytes = ContentOf(*stream);
  const Bytes head = {0xFF, 10, 0, 'E', 'F', 'F', 'E', 'C', 'T', 'S', 0, 0x30, 0x10};
  ASSERT_GT(bytes.size(), head.size() + 4);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + head.size()), head);
  EXPECT_EQ(GetLE32(bytes.data() + head.size()), bytes.size() - head.size() - 4);
  EXPECT_EQ(Bytes(bytes.begin() + head.size() + 4, bytes.end()), Write(root.get()));

  stream->SetPosition(0);
  TOwnedPtr<TSampleRoot> copy(Construct<TSampleRoot>(nullptr));
  stream->ReadComponentRes(copy.get());
  EXPECT_EQ(copy->Name(), "_1");
  EXPECT_EQ(copy->First->Count(), 42);
}

}  // namespace
