// Run-time class information: names and ancestry, the published property tables, the class
// registry and making components by class, published methods, and copying between persistents.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/raises.h"
#include "toolkit/classes.h"
#include "toolkit/collection.h"
#include "toolkit/streams.h"
#include "toolkit/sysutils.h"

namespace {

enum TMood { mdCalm, mdHappy, mdGrumpy, mdSleepy };
DECLARE_ENUM_TYPEINFO(TMood);
IMPLEMENT_ENUM_TYPEINFO(TMood, "mdCalm", "mdHappy", "mdGrumpy", "mdSleepy")
using TMoods = TSet<TMood>;

// A component that publishes one property of every kind the tables know.
class TGadget : public TComponent {
  DECLARE_CLASSINFO(TGadget);
  explicit TGadget(TComponent* AOwner) : TComponent(AOwner) {}

  void AfterConstruction() override {
    TComponent::AfterConstruction();
    Constructed = true;
  }

  std::int32_t Count() const { return FCount; }
  void SetCount(std::int32_t v) { FCount = v; }
  bool Active() const { return FActive; }
  void SetActive(bool v) { FActive = v; }
  TMood Mood() const { return FMood; }
  void SetMood(TMood v) { FMood = v; }
  TMoods Moods() const { return FMoods; }
  void SetMoods(TMoods v) { FMoods = v; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& v) { FCaption = v; }
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { FColor = v; }
  TComponent* Buddy() const { return FBuddy; }
  void SetBuddy(TComponent* v) { FBuddy = v; }
  std::int32_t Serial() const { return 41; }
  void HandlePoke(TObject* Sender) { LastPoker = Sender; }

  TNotifyEvent OnPoke;
  bool Constructed = false;
  TObject* LastPoker = nullptr;

 private:
  std::int32_t FCount = 0;
  bool FActive = false;
  TMood FMood = mdCalm;
  TMoods FMoods;
  std::string FCaption;
  TColor FColor = clBlack;
  TComponent* FBuddy = nullptr;
};
const TPropInfo kGadgetProps[] = {
    Property<&TGadget::Count, &TGadget::SetCount>("Count", nullptr, 0),
    Property<&TGadget::Active, &TGadget::SetActive>("Active"),
    Property<&TGadget::Mood, &TGadget::SetMood>("Mood"),
    Property<&TGadget::Moods, &TGadget::SetMoods>("Moods"),
    Property<&TGadget::Caption, &TGadget::SetCaption>("Caption"),
    Property<&TGadget::Color, &TGadget::SetColor>("Color", TypeInfoColor()),
    Property<&TGadget::Buddy, &TGadget::SetBuddy>("Buddy"),
    Property<&TGadget::Serial>("Serial"),
    EventProperty<&TGadget::OnPoke>("OnPoke"),
};
IMPLEMENT_CLASS(TGadget, TComponent, .Properties = kGadgetProps)

// A descendant that publishes Count again and adds one of its own.
class TBigGadget : public TGadget {
  DECLARE_CLASSINFO(TBigGadget);
  using TGadget::TGadget;
  std::int32_t Size() const { return FSize; }
  void SetSize(std::int32_t v) { FSize = v; }

 private:
  std::int32_t FSize = 0;
};
const TPropInfo kBigGadgetProps[] = {
    Property<&TBigGadget::Size, &TBigGadget::SetSize>("Size"),
    Property<&TGadget::Count, &TGadget::SetCount>("Count", nullptr, 7),
};
IMPLEMENT_CLASS(TBigGadget, TGadget, .Properties = kBigGadgetProps)

using Gadget = TOwnedPtr<TGadget>;
Gadget MakeGadget() { return Gadget(Construct<TGadget>(nullptr)); }

const TPropInfo& Prop(const TClassInfo& info, const char* name) {
  const TPropInfo* p = info.FindProperty(name);
  if (!p) throw Exception(std::string("no property ") + name);
  return *p;
}

// ---- names and ancestry ----

TEST(ClassIdentity, ClassNameIsTheMostDerivedClasss) {
  auto g = MakeGadget();
  TOwnedPtr<TComponent> big(Construct<TBigGadget>(nullptr));
  TOwnedPtr<TObject> plain(Construct<TObject>());

  EXPECT_EQ(g->ClassName(), "TGadget");
  EXPECT_EQ(big->ClassName(), "TBigGadget");
  EXPECT_EQ(plain->ClassName(), "TObject");
  EXPECT_EQ(static_cast<TObject*>(big.get())->ClassType(), &TBigGadget::ClassInfo);
}

TEST(ClassIdentity, AncestryQueries) {
  TOwnedPtr<TComponent> big(Construct<TBigGadget>(nullptr));

  EXPECT_TRUE(big->InheritsFrom(&TBigGadget::ClassInfo));
  EXPECT_TRUE(big->InheritsFrom(&TGadget::ClassInfo));
  EXPECT_TRUE(big->Is<TPersistent>());
  EXPECT_TRUE(big->Is<TObject>());
  EXPECT_FALSE(big->Is<TCollection>());
  auto g = MakeGadget();
  EXPECT_FALSE(g->Is<TBigGadget>());
  EXPECT_FALSE(TGadget::ClassInfo.InheritsFrom(&TBigGadget::ClassInfo));
  EXPECT_FALSE(TGadget::ClassInfo.InheritsFrom(nullptr));
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  EXPECT_TRUE(stream->Is<TStream>());
  EXPECT_FALSE(stream->Is<TPersistent>());
}

// ---- properties ----

TEST(ClassProperties, EachKindRoundTripsThroughSetAndGet) {
  auto g = MakeGadget();
  TOwnedPtr<TComponent> buddy(Construct<TComponent>(nullptr));
  auto handler = MakeGadget();
  const TMethod poke = TNotifyEvent::Of<&TGadget::HandlePoke>(handler.get()).Method();
  const TMoods moods{mdHappy, mdSleepy};
  const TColor face = clBtnFace;

  Prop(TGadget::ClassInfo, "Count").Set(g.get(), std::int64_t{-123456});
  Prop(TGadget::ClassInfo, "Active").Set(g.get(), std::int64_t{1});
  Prop(TGadget::ClassInfo, "Mood").Set(g.get(), std::int64_t{mdGrumpy});
  Prop(TGadget::ClassInfo, "Moods").Set(g.get(), std::int64_t{moods.Bits()});
  Prop(TGadget::ClassInfo, "Caption").Set(g.get(), std::string("Hello, world"));
  Prop(TGadget::ClassInfo, "Color").Set(g.get(), std::int64_t{face});
  Prop(TGadget::ClassInfo, "Buddy").Set(g.get(), static_cast<TObject*>(buddy.get()));
  Prop(TGadget::ClassInfo, "OnPoke").Set(g.get(), poke);

  EXPECT_EQ(g->Count(), -123456);
  EXPECT_TRUE(g->Active());
  EXPECT_EQ(g->Mood(), mdGrumpy);
  EXPECT_EQ(g->Moods(), moods);
  EXPECT_EQ(g->Caption(), "Hello, world");
  EXPECT_EQ(g->Color(), face);
  EXPECT_EQ(g->Buddy(), buddy.get());
  EXPECT_EQ(g->OnPoke.Method(), poke);
  g->OnPoke(buddy.get());
  EXPECT_EQ(handler->LastPoker, buddy.get());

  const TObject* read = g.get();
  EXPECT_EQ(std::get<std::int64_t>(Prop(TGadget::ClassInfo, "Count").Get(read)), -123456);
  EXPECT_EQ(std::get<std::int64_t>(Prop(TGadget::ClassInfo, "Active").Get(read)), 1);
  EXPECT_EQ(std::get<std::int64_t>(Prop(TGadget::ClassInfo, "Mood").Get(read)), mdGrumpy);
  EXPECT_EQ(std::get<std::int64_t>(Prop(TGadget::ClassInfo, "Moods").Get(read)),
            (1 << mdHappy) | (1 << mdSleepy));
  EXPECT_EQ(std::get<std::string>(Prop(TGadget::ClassInfo, "Caption").Get(read)), "Hello, world");
  EXPECT_EQ(std::get<std::int64_t>(Prop(TGadget::ClassInfo, "Color").Get(read)), face);
  EXPECT_EQ(std::get<TObject*>(Prop(TGadget::ClassInfo, "Buddy").Get(read)), buddy.get());
  EXPECT_EQ(std::get<TMethod>(Prop(TGadget::ClassInfo, "OnPoke").Get(read)), poke);
}

TEST(ClassProperties, FalseAndEmptyValuesRoundTripToo) {
  auto g = MakeGadget();
  g->SetActive(true);
  g->SetMoods({mdCalm});
  g->SetCaption("x");
  g->OnPoke = TNotifyEvent::Of<&TGadget::HandlePoke>(g.get());

  Prop(TGadget::ClassInfo, "Active").Set(g.get(), std::int64_t{0});
  Prop(TGadget::ClassInfo, "Moods").Set(g.get(), std::int64_t{0});
  Prop(TGadget::ClassInfo, "Caption").Set(g.get(), std::string());
  Prop(TGadget::ClassInfo, "OnPoke").Set(g.get(), TMethod{});

  EXPECT_FALSE(g->Active());
  EXPECT_TRUE(g->Moods().Empty());
  EXPECT_EQ(g->Caption(), "");
  EXPECT_FALSE(g->OnPoke);
}

TEST(ClassProperties, TypeInformationDescribesEachKind) {
  const TClassInfo& c = TGadget::ClassInfo;
  EXPECT_EQ(Prop(c, "Count").Type, TypeInfoInteger());
  EXPECT_EQ(Prop(c, "Active").Type, TypeInfoBoolean());
  EXPECT_EQ(Prop(c, "Mood").Type->Kind, TTypeKind::tkEnumeration);
  EXPECT_STREQ(Prop(c, "Mood").Type->Name, "TMood");
  EXPECT_EQ(Prop(c, "Moods").Type->Kind, TTypeKind::tkSet);
  EXPECT_EQ(Prop(c, "Moods").Type->ElementType, Prop(c, "Mood").Type);
  EXPECT_EQ(Prop(c, "Caption").Type->Kind, TTypeKind::tkString);
  EXPECT_EQ(Prop(c, "Color").Type, TypeInfoColor());
  EXPECT_EQ(Prop(c, "Buddy").Type->Kind, TTypeKind::tkClass);
  EXPECT_EQ(Prop(c, "Buddy").Type->ClassType, &TComponent::ClassInfo);
  EXPECT_EQ(Prop(c, "OnPoke").Type->Kind, TTypeKind::tkMethod);
  EXPECT_EQ(Prop(c, "OnPoke").Type->Signature, TNotifyEvent::Signature());
  EXPECT_NE(Prop(c, "OnPoke").Type->Signature, TReaderProc::Signature());
}

TEST(ClassProperties, DefaultsStoredFlagsAndReadOnly) {
  const TClassInfo& c = TGadget::ClassInfo;
  EXPECT_EQ(Prop(c, "Count").Default, std::optional<std::int64_t>(0));
  EXPECT_FALSE(Prop(c, "Caption").Default.has_value());
  EXPECT_EQ(Prop(c, "Serial").Set, nullptr);
  auto g = MakeGadget();
  EXPECT_EQ(std::get<std::int64_t>(Prop(c, "Serial").Get(g.get())), g->Serial());
  EXPECT_FALSE(Prop(c, "Name").Stored);
  EXPECT_TRUE(Prop(c, "Tag").Stored);
}

TEST(ClassProperties, FindPropertyIgnoresCaseAndFindsInheritedOnes) {
  const TClassInfo& big = TBigGadget::ClassInfo;
  EXPECT_EQ(big.FindProperty("caption"), TGadget::ClassInfo.FindProperty("Caption"));
  EXPECT_EQ(big.FindProperty("CAPTION"), TGadget::ClassInfo.FindProperty("Caption"));
  ASSERT_NE(big.FindProperty("name"), nullptr);
  EXPECT_STREQ(big.FindProperty("name")->Name, "Name");
  EXPECT_NE(big.FindProperty("Tag"), nullptr);
  EXPECT_EQ(big.FindProperty("Nope"), nullptr);
  EXPECT_EQ(TComponent::ClassInfo.FindProperty("Caption"), nullptr);
}

TEST(ClassProperties, PropertyPublishedAgainIsFoundInTheDescendant) {
  const TPropInfo* count = TBigGadget::ClassInfo.FindProperty("count");
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->Default, std::optional<std::int64_t>(7));
  EXPECT_EQ(TGadget::ClassInfo.FindProperty("count")->Default, std::optional<std::int64_t>(0));
}

std::vector<std::string> NamesOf(const std::vector<const TPropInfo*>& props) {
  std::vector<std::string> names;
  for (const TPropInfo* p : props) names.emplace_back(p->Name);
  return names;
}

TEST(ClassProperties, AllPropertiesListsAncestorsFirst) {
  const auto names = NamesOf(TGadget::ClassInfo.AllProperties());
  EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "Count", "Active", "Mood", "Moods",
                                             "Caption", "Color", "Buddy", "Serial", "OnPoke"}));
}

TEST(ClassProperties, AllPropertiesListsARepublishedPropertyOnceWhereTheAncestorHadIt) {
  const auto all = TBigGadget::ClassInfo.AllProperties();
  const auto names = NamesOf(all);
  EXPECT_EQ(names,
            (std::vector<std::string>{"Name", "Tag", "Count", "Active", "Mood", "Moods", "Caption",
                                      "Color", "Buddy", "Serial", "OnPoke", "Size"}));
  EXPECT_EQ(all[2], TBigGadget::ClassInfo.FindProperty("Count"));
}

// ---- enumerations and named constants ----

TEST(ClassEnumerations, ValueOfAndNameOf) {
  const TTypeInfo* mood = TypeInfo(static_cast<TMood*>(nullptr));
  EXPECT_EQ(mood->ValueOf("mdGrumpy"), mdGrumpy);
  EXPECT_EQ(mood->ValueOf("MDSLEEPY"), mdSleepy);
  EXPECT_EQ(mood->ValueOf("mdCalm"), mdCalm);
  EXPECT_EQ(mood->ValueOf("mdAngry"), -1);
  EXPECT_EQ(mood->ValueOf(""), -1);
  EXPECT_STREQ(mood->NameOf(mdHappy), "mdHappy");
  EXPECT_EQ(mood->NameOf(4), nullptr);
  EXPECT_EQ(mood->NameOf(-1), nullptr);
  EXPECT_EQ(TypeInfoBoolean()->ValueOf("true"), 1);
  EXPECT_STREQ(TypeInfoBoolean()->NameOf(0), "False");
}

TEST(ClassEnumerations, ColourNamesAreConstantsOfTheColourType) {
  EXPECT_EQ(TypeInfoColor()->IdentToInt("clBtnFace"), static_cast<std::int32_t>(0xFF00000Fu));
  EXPECT_EQ(TypeInfoColor()->IdentToInt("clbtnface"), static_cast<std::int32_t>(0xFF00000Fu));
  EXPECT_EQ(TypeInfoColor()->IdentToInt("clRed"), 0x0000FF);  // red in the low byte
  EXPECT_EQ(TypeInfoColor()->IdentToInt("clBlue"), 0xFF0000);
  EXPECT_EQ(TypeInfoColor()->IdentToInt("clPlaid"), std::nullopt);
  EXPECT_EQ(TypeInfoInteger()->IdentToInt("clRed"), std::nullopt);
}

// ---- the registry ----

class ClassRegistry : public ::testing::Test {
 protected:
  void TearDown() override {
    UnregisterClass(&TGadget::ClassInfo);
    UnregisterClass(&TBigGadget::ClassInfo);
  }
};

TEST_F(ClassRegistry, RegisteredClassIsFoundByNameWithoutRegardToCase) {
  RegisterClass(&TGadget::ClassInfo);
  RegisterClass(&TBigGadget::ClassInfo);

  EXPECT_EQ(GetClass("TGadget"), &TGadget::ClassInfo);
  EXPECT_EQ(GetClass("tgadget"), &TGadget::ClassInfo);
  EXPECT_EQ(FindClass("TBIGGADGET"), &TBigGadget::ClassInfo);
}

TEST_F(ClassRegistry, UnknownClassIsNullFromGetClassAndRaisesFromFindClass) {
  EXPECT_EQ(GetClass("TNope"), nullptr);
  EXPECT_EQ(MessageOf<EClassNotFound>([] { FindClass("TNope"); }), "Class TNope not found");
  EXPECT_EQ(GetClass("TGadget"), nullptr);  // not registered by being declared
}

TEST_F(ClassRegistry, UnregisteredClassIsGone) {
  RegisterClass(&TGadget::ClassInfo);
  UnregisterClass(&TGadget::ClassInfo);
  EXPECT_EQ(GetClass("TGadget"), nullptr);
}

TEST_F(ClassRegistry, MakesAComponentWithItsOwnerAndRunsAfterConstruction) {
  RegisterClass(&TGadget::ClassInfo);
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  const TClassInfo* info = FindClass("TGadget");
  ASSERT_NE(info->Create, nullptr);

  TObject* made = info->Create(owner.get());

  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassType(), &TGadget::ClassInfo);
  auto* gadget = static_cast<TGadget*>(made);
  EXPECT_EQ(gadget->Owner(), owner.get());
  ASSERT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->Components(0), gadget);
  EXPECT_TRUE(gadget->Constructed);
}

TEST_F(ClassRegistry, ClassesThatCannotBeMadeByNameHaveNoFactory) {
  EXPECT_EQ(TObject::ClassInfo.Create, nullptr);
  EXPECT_EQ(TPersistent::ClassInfo.Create, nullptr);
  EXPECT_EQ(TMemoryStream::ClassInfo.Create, nullptr);
  EXPECT_NE(TComponent::ClassInfo.Create, nullptr);
  EXPECT_NE(TCollectionItem::ClassInfo.Create, nullptr);
}

// ---- published methods ----

class TPanelBase : public TComponent {
  DECLARE_CLASSINFO(TPanelBase);
  using TComponent::TComponent;
  void Shared(TObject* Sender) { LastSender = Sender; }
  TObject* LastSender = nullptr;
};
IMPLEMENT_CLASS(TPanelBase, TComponent)

class TPanelRoot : public TPanelBase {
  DECLARE_CLASSINFO(TPanelRoot);
  using TPanelBase::TPanelBase;
  void ButtonClick(TObject* Sender) {
    LastSender = Sender;
    ++Clicks;
  }
  void ButtonHover(TObject*) {}
  void ReaderDone(TReader&) {}
  int Clicks = 0;
};
const TMethodInfo kPanelMethods[] = {
    PublishedMethod<&TPanelRoot::ButtonClick>("ButtonClick"),
    PublishedMethod<&TPanelRoot::ButtonHover>("ButtonHover"),
    PublishedMethod<&TPanelRoot::Shared>("Shared"),
    PublishedMethod<&TPanelRoot::ReaderDone>("ReaderDone"),
};
IMPLEMENT_CLASS(TPanelRoot, TPanelBase, .Methods = kPanelMethods)

using Panel = TOwnedPtr<TPanelRoot>;

TEST(ClassPublishedMethods, BoundMethodEqualsTheEventOfTheSameMethodAndObject) {
  Panel root(Construct<TPanelRoot>(nullptr));
  const TMethodInfo* m = TPanelRoot::ClassInfo.FindMethod("buttonclick");
  ASSERT_NE(m, nullptr);

  const TMethod bound = m->Bind(root.get());

  EXPECT_EQ(bound, TNotifyEvent::Of<&TPanelRoot::ButtonClick>(root.get()).Method());
  EXPECT_EQ(m->Signature, TNotifyEvent::Signature());
}

TEST(ClassPublishedMethods, BoundMethodDiffersForAnotherObjectOrAnotherMethod) {
  Panel root(Construct<TPanelRoot>(nullptr));
  Panel other(Construct<TPanelRoot>(nullptr));
  const TMethod bound = TPanelRoot::ClassInfo.FindMethod("ButtonClick")->Bind(root.get());

  EXPECT_NE(bound, TNotifyEvent::Of<&TPanelRoot::ButtonClick>(other.get()).Method());
  EXPECT_NE(bound, TNotifyEvent::Of<&TPanelRoot::ButtonHover>(root.get()).Method());
  EXPECT_NE(bound, TPanelRoot::ClassInfo.FindMethod("ButtonHover")->Bind(root.get()));
}

TEST(ClassPublishedMethods, BoundMethodCallsTheMethodOnTheRoot) {
  Panel root(Construct<TPanelRoot>(nullptr));
  TOwnedPtr<TComponent> sender(Construct<TComponent>(nullptr));
  const TNotifyEvent e =
      TNotifyEvent::FromMethod(TPanelRoot::ClassInfo.FindMethod("ButtonClick")->Bind(root.get()));

  e(sender.get());

  EXPECT_EQ(root->Clicks, 1);
  EXPECT_EQ(root->LastSender, sender.get());
}

TEST(ClassPublishedMethods, InheritedMethodBindsEqualToTheEventMadeFromTheRoot) {
  Panel root(Construct<TPanelRoot>(nullptr));
  const TMethod bound = TPanelRoot::ClassInfo.FindMethod("Shared")->Bind(root.get());

  EXPECT_EQ(bound, TNotifyEvent::Of<&TPanelRoot::Shared>(root.get()).Method());
  EXPECT_EQ(bound,
            TNotifyEvent::Of<&TPanelBase::Shared>(static_cast<TPanelBase*>(root.get())).Method());
}

TEST(ClassPublishedMethods, MethodsCarryTheirEventTypeAndUnknownOnesAreNotFound) {
  EXPECT_EQ(TPanelRoot::ClassInfo.FindMethod("ReaderDone")->Signature, TReaderProc::Signature());
  EXPECT_EQ(TPanelRoot::ClassInfo.FindMethod("Missing"), nullptr);
  EXPECT_EQ(TPanelBase::ClassInfo.FindMethod("ButtonClick"), nullptr);
}

// ---- copying between persistents ----

class TFoo : public TPersistent {
  DECLARE_CLASSINFO(TFoo);
  int Value = 0;
};
IMPLEMENT_CLASS(TFoo, TPersistent)

class TBar : public TPersistent {
  DECLARE_CLASSINFO(TBar);
  int Value = 0;
};
IMPLEMENT_CLASS(TBar, TPersistent)

// Knows how to copy itself into a TBar.
class TBarSource : public TPersistent {
  DECLARE_CLASSINFO(TBarSource);
  int Value = 0;

 protected:
  void AssignTo(TPersistent* Dest) const override {
    if (auto* bar = dynamic_cast<TBar*>(Dest)) {
      bar->Value = Value;
      return;
    }
    TPersistent::AssignTo(Dest);
  }
};
IMPLEMENT_CLASS(TBarSource, TPersistent)

TEST(PersistentAssign, BetweenUnrelatedClassesRaisesConvertError) {
  TOwnedPtr<TFoo> foo(Construct<TFoo>());
  TOwnedPtr<TBar> bar(Construct<TBar>());

  EXPECT_EQ(MessageOf<EConvertError>([&] { bar->Assign(foo.get()); }),
            "Cannot assign a TFoo to a TBar");
  EXPECT_EQ(MessageOf<EConvertError>([&] { foo->Assign(bar.get()); }),
            "Cannot assign a TBar to a TFoo");
}

TEST(PersistentAssign, FromNothingRaisesConvertErrorNamingNil) {
  TOwnedPtr<TBar> bar(Construct<TBar>());
  EXPECT_EQ(MessageOf<EConvertError>([&] { bar->Assign(nullptr); }),
            "Cannot assign a nil to a TBar");
}

TEST(PersistentAssign, SourceThatKnowsTheDestinationCopiesItself) {
  TOwnedPtr<TBarSource> source(Construct<TBarSource>());
  source->Value = 17;
  TOwnedPtr<TBar> bar(Construct<TBar>());
  TOwnedPtr<TFoo> foo(Construct<TFoo>());

  bar->Assign(source.get());

  EXPECT_EQ(bar->Value, 17);
  EXPECT_EQ(MessageOf<EConvertError>([&] { foo->Assign(source.get()); }),
            "Cannot assign a TBarSource to a TFoo");
}

}  // namespace
