// The component-stream reader: every property kind and value tag read into objects through
// their class tables, references and events bound by name, AfterLoading in its order, every
// failure with its class and message and nothing left behind, and streams that are not in
// memory or that nest too deep.
#include "assets/reader.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tests/assets/stream_builder.h"
#include "tests/support/headless_machine.h"
#include "toolkit/sysutils.h"

namespace {

// The start of a stream whose root is a TSampleRoot "Root" with no properties of its own.
StreamBuilder RootStream() {
  StreamBuilder b;
  b.Signature().Object("TSampleRoot", "Root").End();
  return b;
}

// A stream that is not in memory: it hands out at most three bytes per read.
class TTrickle : public TStream {
 public:
  explicit TTrickle(Bytes b) : FBytes(std::move(b)) {}
  std::int64_t Read(void* Buffer, std::int64_t Count) override {
    const std::int64_t n =
        std::min<std::int64_t>({Count, 3, static_cast<std::int64_t>(FBytes.size()) - FPos});
    if (n <= 0) return 0;
    std::memcpy(Buffer, FBytes.data() + FPos, static_cast<std::size_t>(n));
    FPos += n;
    return n;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override {
    const std::int64_t base = Origin == soBeginning ? 0
                              : Origin == soCurrent ? FPos
                                                    : static_cast<std::int64_t>(FBytes.size());
    return FPos = std::max<std::int64_t>(0, base + Offset);
  }

 private:
  Bytes FBytes;
  std::int64_t FPos = 0;
};

// Reads the stream into a new root given to the reader; the stream must be read whole.
TOwnedPtr<TSampleRoot> Read(const Bytes& bytes) {
  TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
  auto stream = StreamOf(bytes);
  {
    TComponentReader reader(*stream);
    reader.ReadRootComponent(root.get());
  }
  EXPECT_EQ(stream->Position(), stream->Size()) << "the stream was not read to its end";
  return root;
}

TSampleWidget* Widget(TSampleRoot& root, const char* name) {
  return dynamic_cast<TSampleWidget*>(root.FindComponent(name));
}

struct Failure {
  std::string Class;
  std::string Message;
};

// Reads the stream into a root that the reader makes itself and answers the failure; nothing
// the reading made may outlive it.
Failure ReadFailure(const Bytes& bytes) {
  const int before = LiveSampleComponents();
  auto stream = StreamOf(bytes);
  Failure f{"<nothing raised>", ""};
  try {
    TComponentReader reader(*stream);
    TComponent* root = reader.ReadRootComponent(nullptr);
    root->Free();
  } catch (const Exception& e) {
    f = {e.ClassName(), e.Message()};
  }
  EXPECT_EQ(LiveSampleComponents(), before) << "components outlived a failed reading";
  return f;
}

// A root with one widget "W" whose property records are `props` (bytes up to, not including,
// the 0 that ends them).
Bytes WidgetWith(const std::function<void(StreamBuilder&)>& props) {
  StreamBuilder b = RootStream();
  b.Object("TSampleWidget", "W");
  props(b);
  b.End().End().End();
  return b.Done();
}

// ---- values by property kind ----

TEST(ComponentReader, ReadsEveryPropertyKindIntoTheNamedComponent) {
  StreamBuilder b = RootStream();
  b.Object("TSampleWidget", "First");
  b.Prop("Count").Int(-5).Prop("Ratio").Int(3).Prop("Big");
  b.Writer().WriteInt64Value(-(std::int64_t{1} << 40));
  b.Prop("Letter").Int('A').Prop("Shade").Ident("shDeep");
  b.Prop("Shades").Writer().WriteSet({"shDark", "shPale"});
  b.Prop("Flag").Value(vaTrue).Prop("Text").Value(vaString).Short("caf\xE9");
  b.Prop("Color").Ident("clBtnFace").Prop("OnPing").Ident("Ping");
  b.Prop("Part.Height").Int(-11).Prop("Part.Name").Str("MS Sans Serif");
  b.Prop("Part.Color").Ident("clWindowText").Prop("Left").Int(96).Prop("Top").Int(24);
  b.End().End().End();

  auto root = Read(b.Done());

  TSampleWidget* w = root->First;  // the field is bound to the component of its name
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w, Widget(*root, "First"));
  EXPECT_EQ(w->Count(), -5);
  EXPECT_EQ(w->Ratio(), 3.0);
  EXPECT_EQ(w->Big(), -(std::int64_t{1} << 40));
  EXPECT_EQ(w->Letter(), 'A');
  EXPECT_EQ(w->Shade(), shDeep);
  EXPECT_EQ(w->Shades(), (TSampleShades{shDark, shPale}));
  EXPECT_TRUE(w->Flag());
  EXPECT_EQ(w->Text(), "caf\xC3\xA9");                     // ANSI é as UTF-8
  EXPECT_EQ(w->Color(), static_cast<TColor>(0xFF00000F));  // a system colour: button face
  EXPECT_EQ(w->Part()->Height(), -11);
  EXPECT_EQ(w->Part()->Name(), "MS Sans Serif");
  EXPECT_EQ(w->Part()->Color(), static_cast<TColor>(0xFF000008));
  EXPECT_EQ(w->DesignLeft(), 96);
  EXPECT_EQ(w->DesignTop(), 24);
  ASSERT_TRUE(w->OnPing);
  w->OnPing(w);
  EXPECT_EQ(root->Pings, 1);
}

TEST(ComponentReader, EnumerationsAcceptTheTagsThatSpellTheirNames) {
  auto root = Read(WidgetWith([](StreamBuilder& b) {
    b.Prop("Flag").Value(vaTrue).Prop("Flag").Value(vaFalse).Prop("Flag").Ident("tRuE");
  }));
  EXPECT_TRUE(Widget(*root, "W")->Flag());
  EXPECT_EQ(ReadFailure(WidgetWith([](StreamBuilder& b) { b.Prop("Shade").Value(vaNil); })).Message,
            "Error reading W.Shade: Invalid property value");
}

TEST(ComponentReader, FloatsTakeEveryFloatTagAndIntegers) {
  const auto read = [](const std::function<void(TComponentWriter&)>& value) {
    auto root = Read(WidgetWith([&](StreamBuilder& b) {
      b.Prop("Ratio");
      value(b.Writer());
    }));
    return Widget(*root, "W")->Ratio();
  };
  EXPECT_EQ(read([](auto& w) { w.WriteExtended(-1234.5625); }), -1234.5625);
  EXPECT_EQ(read([](auto& w) { w.WriteExtended(1e-300); }), 1e-300);
  EXPECT_EQ(read([](auto& w) { w.WriteDouble(0.1); }), 0.1);
  EXPECT_EQ(read([](auto& w) { w.WriteSingle(0.75f); }), 0.75);
  EXPECT_EQ(read([](auto& w) { w.WriteCurrency(123456); }), 12.3456);
  EXPECT_EQ(read([](auto& w) { w.WriteDate(45000.5); }), 45000.5);
  EXPECT_EQ(read([](auto& w) { w.WriteInteger(-70000); }), -70000.0);
  EXPECT_EQ(read([](auto& w) { w.WriteInt64Value(1ll << 50); }), std::ldexp(1.0, 50));
  // The 80-bit form of 1.0 written out by hand: mantissa 0x8000000000000000, exponent 16383.
  EXPECT_EQ(read([](auto& w) {
              w.WriteValue(vaExtended);
              const std::uint8_t one[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
              w.WriteRaw(one, 10);
            }),
            1.0);
}

TEST(ComponentReader, AFloatTooLargeForASinglePropertyBecomesItsInfinity) {
  auto root = Read(WidgetWith([](StreamBuilder& b) {
    b.Prop("Gain").Writer().WriteDouble(-1e300);
    b.Prop("Ratio").Writer().WriteDouble(1e300);  // a double property keeps it
  }));
  EXPECT_EQ(Widget(*root, "W")->Gain(), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(Widget(*root, "W")->Ratio(), 1e300);
}

TEST(ComponentReader, StringsAreDecodedFromEachEncoding) {
  const auto read = [](const std::function<void(TComponentWriter&)>& value) {
    auto root = Read(WidgetWith([&](StreamBuilder& b) {
      b.Prop("Text");
      value(b.Writer());
    }));
    return Widget(*root, "W")->Text();
  };
  EXPECT_EQ(read([](auto& w) { w.WriteAnsiString("\x80 5"); }), "\xE2\x82\xAC 5");  // euro sign
  EXPECT_EQ(read([](auto& w) { w.WriteAnsiString(std::string(300, '\xFC')); }).size(), 600u);
  EXPECT_EQ(read([](auto& w) {
              w.WriteWideString(
                  "Gr\xC3\xBC\xC3\x9F"
                  "e \xF0\x9F\x8E\xAF");
            }),
            "Gr\xC3\xBC\xC3\x9F"
            "e \xF0\x9F\x8E\xAF");  // with a surrogate pair
  EXPECT_EQ(read([](auto& w) { w.WriteUTF8String("\xC3\xA5"); }), "\xC3\xA5");
  // An unpaired surrogate becomes the replacement character.
  EXPECT_EQ(read([](auto& w) {
              w.WriteValue(vaWString);
              const std::uint8_t lone[] = {1, 0, 0, 0, 0x00, 0xD8};
              w.WriteRaw(lone, sizeof lone);
            }),
            "\xEF\xBF\xBD");
}

TEST(ComponentReader, SetElementsTheTypeLacksArePassedOver) {
  auto root = Read(WidgetWith([](StreamBuilder& b) {
    b.Prop("Shades").Writer().WriteSet({"shDeep", "shNoSuchShade", "shLight"});
    b.Prop("Count").Int(4);
  }));
  EXPECT_EQ(Widget(*root, "W")->Shades(), (TSampleShades{shDeep, shLight}));
  EXPECT_EQ(Widget(*root, "W")->Count(), 4);
}

// ---- defined and binary properties ----

TEST(ComponentReader, ABinaryValueReadShortLeavesTheFollowingPropertiesIntact) {
  auto root = Read(WidgetWith([](StreamBuilder& b) {
    b.Prop("Blob").Binary("abcdefghij").Prop("Count").Int(9).Prop("Note").Str("after");
  }));
  TSampleWidget* w = Widget(*root, "W");
  EXPECT_EQ(w->Blob, "abcde");  // its reader takes half
  EXPECT_EQ(w->Count(), 9);
  EXPECT_EQ(w->Note, "after");
}

TEST(ComponentReader, DefinedPropertiesAreFoundWithoutRegardToCaseAndThroughPaths) {
  auto root = Read(WidgetWith([](StreamBuilder& b) {
    b.Prop("NOTE").Str("hi").Prop("part.data").Binary(std::string("\0\1\2", 3));
  }));
  EXPECT_EQ(Widget(*root, "W")->Note, "hi");
  EXPECT_EQ(Widget(*root, "W")->Part()->Data, std::string("\0\1\2", 3));
}

// ---- collections ----

TEST(ComponentReader, CollectionsAreReadItemByItemIntoTheHeldCollection) {
  StreamBuilder b = RootStream();
  b.Object("TSampleWidget", "W").Prop("Items").Value(vaCollection);
  b.Value(vaList).Prop("Caption").Str("one").Prop("Part.Height").Int(3).End();
  b.Int(7).Value(vaList).Prop("Value").Int(2).Prop("Part.Data").Binary("xy").End();  // with index
  b.End().End().End().End();

  auto root = Read(b.Done());
  TCollection* items = Widget(*root, "W")->Items();
  ASSERT_EQ(items->Count(), 2);
  auto* first = dynamic_cast<TSampleItem*>(items->Items(0));
  auto* second = dynamic_cast<TSampleItem*>(items->Items(1));
  EXPECT_EQ(first->Caption(), "one");
  EXPECT_EQ(first->Part()->Height(), 3);
  EXPECT_EQ(second->Value(), 2);
  EXPECT_EQ(second->Part()->Data, "xy");
}

TEST(ComponentReader, AnEmptyCollectionValueKeepsTheItemsAndAFullOneReplacesThem) {
  auto root = Read(WidgetWith([](StreamBuilder& b) {
    b.Prop("Items").Value(vaCollection).Value(vaList).Prop("Caption").Str("a").End();
    b.Value(vaList).Prop("Caption").Str("b").End().End();
    b.Prop("Items").Value(vaCollection).End();  // empty: as it was
  }));
  EXPECT_EQ(Widget(*root, "W")->Items()->Count(), 2);

  root = Read(WidgetWith([](StreamBuilder& b) {
    b.Prop("Items").Value(vaCollection).Value(vaList).Prop("Caption").Str("a").End();
    b.Value(vaList).Prop("Caption").Str("b").End().End();
    b.Prop("Items").Value(vaCollection).Value(vaList).Prop("Caption").Str("c").End().End();
  }));
  auto* items = Widget(*root, "W")->Items();
  ASSERT_EQ(items->Count(), 1);
  EXPECT_EQ(dynamic_cast<TSampleItem*>(items->Items(0))->Caption(), "c");
}

// ---- references, events and loading order ----

TEST(ComponentReader, AReferenceToALaterComponentIsSetBeforeAnyAfterLoading) {
  SampleLog().clear();
  StreamBuilder b = RootStream();
  b.Object("TSampleWidget", "A").Prop("Buddy").Ident("B");
  b.Prop("Items").Value(vaCollection).Value(vaList).Prop("Link").Ident("b").End().End();
  b.End().End();  // A's properties and children
  b.Object("TSampleWidget", "B").Prop("Buddy").Ident("A").End().End();
  b.End();

  auto root = Read(b.Done());

  TSampleWidget* a = Widget(*root, "A");
  TSampleWidget* c = Widget(*root, "B");
  EXPECT_EQ(a->Buddy(), c);
  EXPECT_EQ(c->Buddy(), a);
  EXPECT_EQ(dynamic_cast<TSampleItem*>(a->Items()->Items(0))->Link(), c);
  EXPECT_EQ(SampleLog(),
            (std::vector<std::string>{"loaded root Root", "loaded A buddy B", "loaded B buddy A"}));
}

TEST(ComponentReader, AfterLoadingRunsOnTheRootFirstThenAsEachComponentFinished) {
  SampleLog().clear();
  StreamBuilder b = RootStream();
  b.Object("TSampleWidget", "Outer").End();
  b.Object("TSampleWidget", "Inner").End().End();  // a child of Outer, owned by the root
  b.End();
  b.Object("TSampleWidget", "Last").End().End();
  b.End();

  auto root = Read(b.Done());

  EXPECT_EQ(SampleLog(), (std::vector<std::string>{"loaded root Root", "loaded Inner",
                                                   "loaded Outer", "loaded Last"}));
  EXPECT_EQ(Widget(*root, "Inner")->Owner(), root.get());
  EXPECT_EQ(Widget(*root, "Inner")->ReadParent, Widget(*root, "Outer"));
  EXPECT_EQ(Widget(*root, "Outer")->ReadParent, root.get());
  EXPECT_FALSE(Widget(*root, "Inner")->ComponentState().Contains(csLoading));
  EXPECT_FALSE(Widget(*root, "Inner")->ComponentState().Contains(csReading));
}

TEST(ComponentReader, PrefixedRecordsFindInheritedComponentsAndTakeTheirPositions) {
  SampleLog().clear();
  TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
  auto* existing = Construct<TSampleWidget>(root.get());
  existing->SetName("Kept");
  StreamBuilder b = RootStream();
  b.Raw({0xF1}).Object("TSampleWidget", "Kept").Prop("Count").Int(3).End().End();
  b.Object("TSampleWidget", "Holder").End();
  b.Raw({0xF2}).Int(1).Object("TSampleWidget", "Placed").End().End();
  b.End().End();
  auto stream = StreamOf(b.Done());

  TComponentReader(*stream).ReadRootComponent(root.get());

  EXPECT_EQ(existing->Count(), 3);  // looked up, not made anew
  EXPECT_EQ(root->ComponentCount(), 3);
  EXPECT_NE(std::find(SampleLog().begin(), SampleLog().end(), "order Placed 1"), SampleLog().end());
}

TEST(ComponentReader, AReferenceToNoComponentLeavesThePropertyEmpty) {
  auto root = Read(WidgetWith([](StreamBuilder& b) { b.Prop("Buddy").Ident("Nobody"); }));
  EXPECT_EQ(Widget(*root, "W")->Buddy(), nullptr);
}

TEST(ComponentReader, ReferencesInsideItemsThatWereReplacedAreDropped) {
  // The first Items value records a reference inside an item that the second one frees.
  auto root = Read(WidgetWith([](StreamBuilder& b) {
    b.Prop("Items").Value(vaCollection).Value(vaList).Prop("Link").Ident("W").End().End();
    b.Prop("Items").Value(vaCollection).Value(vaList).Prop("Value").Int(1).End().End();
  }));
  auto* item = dynamic_cast<TSampleItem*>(Widget(*root, "W")->Items()->Items(0));
  EXPECT_EQ(item->Link(), nullptr);
  EXPECT_EQ(item->Value(), 1);
}

TEST(ComponentReader, EventsAreBoundToTheRootsPublishedMethodsOrCleared) {
  auto root = Read(WidgetWith([](StreamBuilder& b) {
    b.Prop("OnPing").Ident("pong").Prop("OnTick").Ident("Tick").Prop("OnTick").Value(vaNil);
  }));
  TSampleWidget* w = Widget(*root, "W");
  w->OnPing(w);
  EXPECT_EQ(root->Pongs, 1);
  EXPECT_FALSE(w->OnTick);
}

// ---- the root ----

TEST(ComponentReader, ARootOfTheStoredClassIsMadeWhenNoneIsGiven) {
  StreamBuilder b = RootStream();
  b.Object("TSampleWidget", "First").Prop("Count").Int(1).End().End().End();
  auto stream = StreamOf(b.Done());
  TOwnedPtr<TComponent> root(TComponentReader(*stream).ReadRootComponent(nullptr));
  ASSERT_TRUE(root->Is<TSampleRoot>());
  EXPECT_EQ(root->Name(), "Root");
  EXPECT_EQ(static_cast<TSampleRoot*>(root.get())->First->Count(), 1);
}

class RootNames : public HeadlessTest {};

TEST_F(RootNames, ARootNameTakenInTheApplicationGetsANumber) {
  auto* taken = Construct<TSampleWidget>(app.get());
  taken->SetName("Root");
  auto* alsoTaken = Construct<TSampleWidget>(app.get());
  alsoTaken->SetName("Root_1");
  TSampleRoot* root = Construct<TSampleRoot>(app.get());

  auto stream = StreamOf(RootStream().End().Done());
  TComponentReader(*stream).ReadRootComponent(root);
  EXPECT_EQ(root->Name(), "Root_2");

  // Reading again into the same root keeps its name: it does not clash with itself.
  stream->SetPosition(0);
  TComponentReader(*stream).ReadRootComponent(root);
  EXPECT_EQ(root->Name(), "Root_2");
}

TEST(ComponentReader, ReadsStreamsThatAreNotInMemoryThroughItsBuffer) {
  const std::string big(10000, 'q');
  Bytes bytes = WidgetWith([&](StreamBuilder& b) {
    b.Prop("Blob").Binary(big + big).Prop("Text").Str(big).Prop("Count").Int(70000);
  });
  bytes.push_back(0x55);  // something after the stream stays unread
  TTrickle trickle(bytes);
  TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));

  TComponentReader(trickle).ReadRootComponent(root.get());

  EXPECT_EQ(Widget(*root, "W")->Blob, big);
  EXPECT_EQ(Widget(*root, "W")->Text(), big);
  EXPECT_EQ(Widget(*root, "W")->Count(), 70000);
  EXPECT_EQ(trickle.Position(), static_cast<std::int64_t>(bytes.size()) - 1);
}

// ---- component resources ----

TEST(ComponentResource, BothHeaderFormsLeadToTheStream) {
  const Bytes body = WidgetWith([](StreamBuilder& b) { b.Prop("Count").Int(12); });
  Bytes shortForm = {0xFF, 10, 0, 'W', 'I', 'D', 0, 0x30, 0x10, 0, 0, 0, 0};
  shortForm.insert(shortForm.end(), body.begin(), body.end());
  // A 32-bit resource file: the empty entry, then an entry of type 10 named by the string
  // "W" (UTF-16, padded), whose data begins after its 36-byte header.
  Bytes fileForm = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
  fileForm.resize(32);
  const Bytes entry = {0, 0, 0,    0,    36, 0, 0, 0, 0xFF, 0xFF, 10, 0, 'W', 0, 0, 0, 0, 0,
                       0, 0, 0x30, 0x10, 0,  0, 0, 0, 0,    0,    0,  0, 0,   0, 0, 0, 0, 0};
  fileForm.insert(fileForm.end(), entry.begin(), entry.end());
  fileForm.insert(fileForm.end(), body.begin(), body.end());

  for (const Bytes& form : {shortForm, fileForm}) {
    auto stream = StreamOf(form);
    TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
    stream->ReadComponentRes(root.get());
    EXPECT_EQ(Widget(*root, "W")->Count(), 12);
    EXPECT_EQ(stream->Position(), stream->Size());
  }
}

TEST(ComponentResource, AnyOtherStartIsAnInvalidImage) {
  for (const Bytes& start :
       {Bytes{'T', 'P', 'F', '0'}, Bytes{0xFF, 3, 0, 'X', 0}, Bytes{0xFF}, Bytes(32, 0), Bytes{}}) {
    auto stream = StreamOf(start);
    TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
    try {
      stream->ReadComponentRes(root.get());
      ADD_FAILURE() << "accepted a header of " << start.size() << " bytes";
    } catch (const EInvalidImage& e) {
      EXPECT_EQ(e.Message(), "Invalid stream format");
    }
  }
}

// ---- failures ----

TEST(ComponentReaderFailures, StructureFailuresPassOnAsThemselves) {
  const auto withChild = [](const std::string& cls, const std::string& name) {
    StreamBuilder b = RootStream();
    b.Object("TSampleWidget", "W").End().End();
    b.Object(cls, name).End().End().End();
    return b.Done();
  };
  Bytes wrongSignature = RootStream().End().Done();
  wrongSignature[3] = '1';

  struct Case {
    Bytes Stream;
    const char* Class;
    const char* Message;
  } cases[] = {
      {wrongSignature, "EReadError", "Invalid stream format"},
      {Bytes{'T', 'P'}, "EReadError", "Invalid stream format"},
      {withChild("TNoSuchClass", "X"), "EClassNotFound", "Class TNoSuchClass not found"},
      {withChild("TSampleItem", "X"), "EClassNotFound", "Class TSampleItem not found"},
      {withChild("tsamplewidget", "w"), "EComponentError", "A component named w already exists"},
      {withChild("TSampleWidget", "2W"), "EComponentError", "''2W'' is not a valid component name"},
      {RootStream().Done(), "EReadError", "Stream read error"},
  };
  for (const Case& c : cases) {
    const Failure f = ReadFailure(c.Stream);
    EXPECT_EQ(f.Class, c.Class) << c.Message;
    EXPECT_EQ(f.Message, c.Message);
  }
}

TEST(ComponentReaderFailures, PropertyFailuresAreWrappedWithTheObjectAndProperty) {
  struct Case {
    std::function<void(StreamBuilder&)> Props;
    const char* Message;
  } cases[] = {
      {[](auto& b) { b.Prop("Count.Height").Int(1); },
       "Error reading W.Count.Height: Invalid property path"},
      {[](auto& b) { b.Prop("Buddy.Count").Int(1); },  // no object behind it
       "Error reading W.Buddy.Count: Invalid property path"},
      {[](auto& b) { b.Prop("Colour").Int(1); },
       "Error reading W.Colour: Property Colour does not exist"},
      {[](auto& b) { b.Prop("Part.Size").Int(1); },
       "Error reading W.Part.Size: Property Size does not exist"},
      {[](auto& b) { b.Prop("Count").Str("5"); }, "Error reading W.Count: Invalid property value"},
      {[](auto& b) { b.Prop("Shade").Ident("shPurple"); },
       "Error reading W.Shade: Invalid property value"},
      {[](auto& b) { b.Prop("Color").Ident("clPurpleish"); },
       "Error reading W.Color: Invalid property value"},
      {[](auto& b) { b.Prop("Shades").Ident("shDark"); },
       "Error reading W.Shades: Invalid property value"},
      {[](auto& b) { b.Prop("Text").Int(1); }, "Error reading W.Text: Invalid property value"},
      {[](auto& b) { b.Prop("Ratio").Str("1"); }, "Error reading W.Ratio: Invalid property value"},
      {[](auto& b) { b.Prop("Buddy").Int(1); }, "Error reading W.Buddy: Invalid property value"},
      {[](auto& b) { b.Prop("Items").Int(1); }, "Error reading W.Items: Property is read-only"},
      {[](auto& b) { b.Prop("OnPing").Ident("Ponder"); },
       "Error reading W.OnPing: Invalid property value"},
      {[](auto& b) { b.Prop("OnPing").Ident("Tick"); },  // a method of another event type
       "Error reading W.OnPing: Invalid property value"},
      {[](auto& b) { b.Prop("Blob").Str("abc"); }, "Error reading W.Blob: Invalid property value"},
      {[](auto& b) { b.Prop("Serial").Int(1); }, "Error reading W.Serial: Property is read-only"},
      {[](auto& b) { b.Prop("Part").Value(vaNil); }, "Error reading W.Part: Property is read-only"},
      {[](auto& b) { b.Prop("Buddy").Ident("Root"); },  // the root is no widget
       "Error reading W.Buddy: Invalid property value"},
      {[](auto& b) { b.Prop("Count").Value(static_cast<TValueType>(22)); },
       "Error reading W.Count: Invalid property value"},
      {[](auto& b) {
         b.Prop("Items").Value(vaCollection).Value(vaList).Prop("Valeu").Int(1).End().End();
       },
       // the innermost record's failure, wrapped once
       "Error reading TSampleItem.Valeu: Property Valeu does not exist"},
  };
  for (const Case& c : cases) {
    const Failure f = ReadFailure(WidgetWith(c.Props));
    EXPECT_EQ(f.Class, "EReadError") << c.Message;
    EXPECT_EQ(f.Message, c.Message);
  }
}

TEST(ComponentReaderFailures, AStreamEndingEarlyFailsWhereverItEnds) {
  const Bytes whole = WidgetWith([](StreamBuilder& b) {
    b.Prop("Text").Str("some text").Prop("Blob").Binary("0123456789");
    b.Prop("Items").Value(vaCollection).Value(vaList).Prop("Link").Ident("W").End().End();
  });
  for (std::size_t n = 0; n < whole.size(); ++n) {
    const Failure f = ReadFailure(Bytes(whole.begin(), whole.begin() + n));
    EXPECT_EQ(f.Class, "EReadError") << n;
    EXPECT_TRUE(f.Message == "Stream read error" || f.Message == "Invalid stream format" ||
                f.Message.ends_with(": Stream read error"))
        << n << ": " << f.Message;
  }
  EXPECT_EQ(ReadFailure(WidgetWith([](StreamBuilder& b) { b.Prop("Count"); })).Message,
            "Error reading W.Count: Invalid property value");  // the 0 that follows is no integer
}

// Every stored length, wherever it stands (a published string, a defined string, a binary value,
// a value passed over, an item of a collection, a list of values), far beyond a stream of a few
// dozen bytes, in memory or not: the reading fails with "Stream read error" and reserves nothing
// for it. The cases run in a child process whose address space may grow by no more than 256 MB
// (not under AddressSanitizer, whose shadow memory such a limit cannot take), where reserving
// for any of the lengths would end the process.
TEST(ComponentReaderFailures, ALengthBeyondTheStreamFailsWithoutReservingIt) {
  const Bytes lengths[] = {{0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0x7F}, {0, 0, 0, 0x40}};
  const std::pair<const char*, TValueType> places[] = {
      {"Text", vaLString},     {"Text", vaUTF8String},  {"Text", vaWString},
      {"Note", vaLString},     {"Note", vaWString},     {"Blob", vaBinary},
      {"Part.Data", vaBinary}, {"Blob", vaLString},  // not binary: passed over, then refused
      {"Blob", vaWString},     {"Items", vaCollection}, {"Values", vaList}};
  std::vector<std::pair<std::string, Bytes>> cases;
  for (const auto& [property, tag] : places)
    for (const Bytes& length : lengths) {
      StreamBuilder b = RootStream();
      b.Object("TSampleWidget", "W").Prop(property);
      if (tag == vaCollection)  // an item's caption
        b.Value(vaCollection).Value(vaList).Prop("Caption").Value(vaLString);
      else if (tag == vaList)  // a wide string inside the list of values
        b.Value(vaList).Value(vaSingle).Raw({0, 0, 0, 0}).Int(1).Int(2).Value(vaWString);
      else
        b.Value(tag);
      b.Raw(length).Raw({'a', 'b', 'c'});
      cases.emplace_back(std::string(property) + " tag " + std::to_string(tag) + " length " +
                             std::to_string(length[3]),
                         b.Done());
    }

  const auto readAll = [&] {
    int wrong = 0;
    for (const auto& [name, bytes] : cases) {
      const std::string expected =
          "Error reading W." + name.substr(0, name.find(' ')) + ": Stream read error";
      for (const bool inMemory : {true, false}) {
        std::string message = "<nothing raised>";
        TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
        auto memory = StreamOf(bytes);
        TTrickle trickle(bytes);
        try {
          TComponentReader(inMemory ? static_cast<TStream&>(*memory) : trickle)
              .ReadRootComponent(root.get());
        } catch (const Exception& e) {
          message = e.Message();
        }
        const bool item = name.starts_with("Items");
        if (item ? message != "Error reading TSampleItem.Caption: Stream read error"
                 : message != expected) {
          std::fprintf(stderr, "%s%s: %s\n", name.c_str(), inMemory ? "" : " (not in memory)",
                       message.c_str());
          ++wrong;
        }
      }
    }
    return wrong;
  };

#if defined(__SANITIZE_ADDRESS__)
  EXPECT_EQ(readAll(), 0);
#else
  // Reads every case under the limit and ends the process with 0 when each failed as it should.
  const auto limited = [&] {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    const rlim_t now = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
    const rlim_t most = now + (rlim_t{256} << 20);
    const rlimit limit{most, most};
    if (::setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
    try {
      std::_Exit(readAll() == 0 ? 0 : 1);
    } catch (const std::bad_alloc&) {
      std::fputs("reserved more than the limit\n", stderr);
      std::_Exit(2);
    }
  };
  EXPECT_EXIT(limited(), ::testing::ExitedWithCode(0), "");
#endif
}

// A collection held by a component that the caller keeps (an inherited one, as an image list's
// items read through their own stream are): when an item fails, the collection is left empty,
// without the half-read item or those before it.
TEST(ComponentReaderFailures, ACollectionWhoseReadingFailsIsLeftEmptyNotHalfRead) {
  TOwnedPtr<TSampleRoot> root(Construct<TSampleRoot>(nullptr));
  auto* widget = Construct<TSampleWidget>(root.get());
  widget->SetName("W");
  static_cast<TSampleItem*>(widget->Items()->Add())->SetCaption("older");
  const auto readInto = [&](const Bytes& bytes) {
    auto stream = StreamOf(bytes);
    EXPECT_THROW(TComponentReader(*stream).ReadRootComponent(root.get()), EReadError);
  };

  StreamBuilder b = RootStream();
  b.Raw({0xF1}).Object("TSampleWidget", "W").Prop("Items").Value(vaCollection);
  b.Value(vaList).Prop("Caption").Str("first").Prop("Link").Ident("W").End();
  b.Value(vaList).Prop("Caption").Str("second").Prop("Value").Str("not a number").End();
  b.End().End().End().End();
  readInto(b.Done());
  EXPECT_EQ(widget->Items()->Count(), 0);

  // Ending inside an item, and an item record without its list, do the same.
  StreamBuilder ends = RootStream();
  ends.Raw({0xF1}).Object("TSampleWidget", "W").Prop("Items").Value(vaCollection);
  ends.Value(vaList).Prop("Caption").Str("first").End().Value(vaList).Prop("Caption");
  static_cast<TSampleItem*>(widget->Items()->Add())->SetCaption("older");
  readInto(ends.Done());
  EXPECT_EQ(widget->Items()->Count(), 0);

  StreamBuilder bare = RootStream();
  bare.Raw({0xF1}).Object("TSampleWidget", "W").Prop("Items").Value(vaCollection);
  bare.Value(vaList).End().Prop("Caption").Str("x").End().End().End().End();
  readInto(bare.Done());
  EXPECT_EQ(widget->Items()->Count(), 0);

  // A collection value that fails before its first item leaves the items as they were.
  static_cast<TSampleItem*>(widget->Items()->Add())->SetCaption("older");
  StreamBuilder early = RootStream();
  early.Raw({0xF1}).Object("TSampleWidget", "W").Prop("Items").Value(vaCollection);
  readInto(early.Done());
  ASSERT_EQ(widget->Items()->Count(), 1);
  EXPECT_EQ(static_cast<TSampleItem*>(widget->Items()->Items(0))->Caption(), "older");
}

TEST(ComponentReaderFailures, NestingTooDeepIsAnInvalidStreamNotACrash) {
  StreamBuilder lists = RootStream();
  lists.Object("TSampleWidget", "W").Prop("Blob");
  for (int i = 0; i < 100000; ++i) lists.Value(vaList);
  EXPECT_EQ(ReadFailure(lists.Done()).Message, "Error reading W.Blob: Invalid stream format");

  StreamBuilder objects = RootStream();
  for (int i = 0; i < 100000; ++i) {
    std::string name = "W";
    name += std::to_string(i);
    objects.Object("TSampleWidget", name).End();
  }
  EXPECT_EQ(ReadFailure(objects.Done()).Message, "Invalid stream format");
}

}  // namespace
