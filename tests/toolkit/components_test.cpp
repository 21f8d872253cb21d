// Components: ownership and the order of freeing, removal news, names, published fields bound
// by name, component states and the stored design position.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/raises.h"
#include "toolkit/classes.h"
#include "toolkit/sysutils.h"

namespace {

using Log = std::vector<std::string>;

// Writes its label to a log when its destructor runs, and records what it saw while being
// freed.
class TLoggedComponent : public TComponent {
 public:
  TLoggedComponent(TComponent* AOwner, Log* log, std::string label)
      : TComponent(AOwner), FLog(log), FLabel(std::move(label)) {}
  ~TLoggedComponent() override {
    if (FLog) FLog->push_back(FLabel);
  }

  bool* DestroyingOnEntry = nullptr;  // csDestroying before the base class runs
  bool* DestroyingAfterBase = nullptr;
  int* OwnedWhenLeaving = nullptr;  // ComponentCount once the base class has run

 protected:
  void BeforeDestruction() override {
    if (DestroyingOnEntry) *DestroyingOnEntry = ComponentState().Contains(csDestroying);
    TComponent::BeforeDestruction();
    if (DestroyingAfterBase) *DestroyingAfterBase = ComponentState().Contains(csDestroying);
    if (OwnedWhenLeaving) *OwnedWhenLeaving = ComponentCount();
  }

 private:
  Log* FLog;
  std::string FLabel;
};

// Holds a pointer to another component and lets go of it when told that it goes.
class TWatcher : public TComponent {
 public:
  using TComponent::TComponent;
  TComponent* Target = nullptr;
  int Removals = 0;            // removal news about Target
  int* RemovalsOut = nullptr;  // the same count, kept where the test can read it afterwards
  std::vector<TComponent*> Inserted;

  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opInsert) Inserted.push_back(AComponent);
    if (Operation == opRemove && AComponent == Target) {
      Target = nullptr;
      ++Removals;
      if (RemovalsOut) ++*RemovalsOut;
    }
  }
};

// A component class of its own, for fields and notifications that care about the class.
class TPart : public TComponent {
  DECLARE_CLASSINFO(TPart);
  using TComponent::TComponent;
};
IMPLEMENT_CLASS(TPart, TComponent)

// ---- ownership ----

TEST(ComponentOwnership, OwnedComponentsAreFreedWithTheirOwnerLastCreatedFirst) {
  Log log;
  auto* owner = Construct<TLoggedComponent>(nullptr, &log, "owner");
  Construct<TLoggedComponent>(owner, &log, "first");
  Construct<TLoggedComponent>(owner, &log, "second");
  Construct<TLoggedComponent>(owner, &log, "third");
  ASSERT_EQ(owner->ComponentCount(), 3);

  owner->Free();

  EXPECT_EQ(log, (Log{"third", "second", "first", "owner"}));
}

TEST(ComponentOwnership, EachOwnedComponentFreesItsOwnBeforeItGoes) {
  Log log;
  auto* owner = Construct<TLoggedComponent>(nullptr, &log, "owner");
  auto* a = Construct<TLoggedComponent>(owner, &log, "a");
  Construct<TLoggedComponent>(a, &log, "a1");
  Construct<TLoggedComponent>(a, &log, "a2");
  Construct<TLoggedComponent>(owner, &log, "b");

  owner->Free();

  EXPECT_EQ(log, (Log{"b", "a2", "a1", "a", "owner"}));
}

TEST(ComponentOwnership, FreeingAnOwnedComponentTakesItOutOfItsOwner) {
  Log log;
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  auto* a = Construct<TLoggedComponent>(owner.get(), &log, "a");
  auto* b = Construct<TLoggedComponent>(owner.get(), &log, "b");
  auto* c = Construct<TLoggedComponent>(owner.get(), &log, "c");
  b->SetName("B");

  b->Free();

  EXPECT_EQ(log, Log{"b"});
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(owner->Components(1), c);
  EXPECT_EQ(c->ComponentIndex(), 1);
  EXPECT_EQ(owner->FindComponent("B"), nullptr);

  owner.reset();
  EXPECT_EQ(log, (Log{"b", "c", "a"}));  // b is not freed a second time
}

TEST(ComponentOwnership, InsertingTakesTheComponentFromItsPreviousOwner) {
  TOwnedPtr<TComponent> first(Construct<TComponent>(nullptr));
  TOwnedPtr<TComponent> second(Construct<TComponent>(nullptr));
  auto* moved = Construct<TComponent>(first.get());

  second->InsertComponent(moved);

  EXPECT_EQ(moved->Owner(), second.get());
  EXPECT_EQ(first->ComponentCount(), 0);
  ASSERT_EQ(second->ComponentCount(), 1);
  EXPECT_EQ(second->Components(0), moved);
}

TEST(ComponentOwnership, RemovedComponentIsNoLongerFreedByItsFormerOwner) {
  Log log;
  auto* owner = Construct<TComponent>(nullptr);
  auto* kept = Construct<TLoggedComponent>(owner, &log, "kept");

  owner->RemoveComponent(kept);
  owner->Free();

  EXPECT_TRUE(log.empty());
  EXPECT_EQ(kept->Owner(), nullptr);
  EXPECT_EQ(kept->ComponentIndex(), -1);
  kept->Free();
  EXPECT_EQ(log, Log{"kept"});
}

TEST(ComponentOwnership, ComponentWhoseConstructionFailsIsFreedAndLeavesItsOwner) {
  struct TFailing : TLoggedComponent {
    using TLoggedComponent::TLoggedComponent;
    void AfterConstruction() override { throw EComponentError("cannot start"); }
  };
  Log log;
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));

  EXPECT_EQ(MessageOf<EComponentError>([&] { Construct<TFailing>(owner.get(), &log, "failing"); }),
            "cannot start");

  EXPECT_EQ(owner->ComponentCount(), 0);
  EXPECT_EQ(log, Log{"failing"});
}

TEST(ComponentOwnership, ComponentsOutsideTheRangeRaiseListErrorNamingTheIndex) {
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  Construct<TComponent>(owner.get());
  Construct<TComponent>(owner.get());

  EXPECT_EQ(MessageOf<EListError>([&] { owner->Components(5); }), "List index out of bounds (5)");
  EXPECT_EQ(MessageOf<EListError>([&] { owner->Components(2); }), "List index out of bounds (2)");
  EXPECT_EQ(MessageOf<EListError>([&] { owner->Components(-1); }), "List index out of bounds (-1)");
  EXPECT_NO_THROW(owner->Components(1));
}

// ---- removal news ----

TEST(ComponentNotification, SiblingHoldingAPointerLetsGoWhenTheOtherIsFreed) {
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  auto* watcher = Construct<TWatcher>(owner.get());
  auto* target = Construct<TComponent>(owner.get());
  watcher->Target = target;

  target->Free();

  EXPECT_EQ(watcher->Target, nullptr);
  EXPECT_EQ(watcher->Removals, 1);
}

TEST(ComponentNotification, OwnerAndTheComponentsItsComponentsOwnHearOfARemoval) {
  auto* owner = Construct<TWatcher>(nullptr);
  TOwnedPtr<TComponent> ownerGuard(owner);
  auto* middle = Construct<TComponent>(owner);
  auto* deep = Construct<TWatcher>(middle);
  auto* target = Construct<TComponent>(owner);
  owner->Target = target;
  deep->Target = target;

  target->Free();

  EXPECT_EQ(owner->Target, nullptr);
  EXPECT_EQ(deep->Target, nullptr);
}

TEST(ComponentNotification, SiblingsHearOfAnInsertion) {
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  auto* watcher = Construct<TWatcher>(owner.get());
  auto* added = Construct<TComponent>(owner.get());

  EXPECT_EQ(watcher->Inserted, std::vector<TComponent*>{added});
}

TEST(ComponentNotification, SiblingHearsOfTheOthersGoingWhenTheOwnerFreesThem) {
  int removals = 0;
  auto* owner = Construct<TComponent>(nullptr);
  auto* watcher = Construct<TWatcher>(owner);
  auto* target = Construct<TComponent>(owner);  // created last, so freed first
  watcher->Target = target;
  watcher->RemovalsOut = &removals;

  owner->Free();

  EXPECT_EQ(removals, 1);
}

// Lets go of a part only, telling parts from other components by their class.
class TPartHolder : public TComponent {
 public:
  using TComponent::TComponent;
  TComponent* Part = nullptr;
  std::vector<std::string> RemovedClasses;
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    RemovedClasses.push_back(AComponent->ClassName());
    if (AComponent == Part && AComponent->Is<TPart>()) Part = nullptr;
  }
};

TEST(ComponentNotification, DepartingComponentIsStillWholeWhenItsSiblingsHear) {
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  auto* holder = Construct<TPartHolder>(owner.get());
  auto* part = Construct<TPart>(owner.get());
  holder->Part = part;

  part->Free();

  EXPECT_EQ(holder->Part, nullptr);
  EXPECT_EQ(holder->RemovedClasses, std::vector<std::string>{"TPart"});
}

TEST(ComponentFreeNotification, ComponentOwnedElsewhereIsToldOnceWhenTheOtherGoes) {
  TOwnedPtr<TComponent> left(Construct<TComponent>(nullptr));
  TOwnedPtr<TComponent> right(Construct<TComponent>(nullptr));
  auto* target = Construct<TComponent>(left.get());
  auto* watcher = Construct<TWatcher>(right.get());
  watcher->Target = target;
  watcher->FreeNotification(target);

  target->Free();

  EXPECT_EQ(watcher->Target, nullptr);
  EXPECT_EQ(watcher->Removals, 1);
}

TEST(ComponentFreeNotification, RequestIsMutual) {
  TOwnedPtr<TComponent> left(Construct<TComponent>(nullptr));
  TOwnedPtr<TComponent> right(Construct<TComponent>(nullptr));
  auto* asker = Construct<TWatcher>(left.get());
  auto* asked = Construct<TWatcher>(right.get());
  asked->Target = asker;
  asker->FreeNotification(asked);

  asker->Free();

  EXPECT_EQ(asked->Target, nullptr);
  EXPECT_EQ(asked->Removals, 1);
}

TEST(ComponentFreeNotification, FreeingTheOwnerOfTheOtherTellsOnce) {
  auto* left = Construct<TComponent>(nullptr);
  TOwnedPtr<TComponent> right(Construct<TComponent>(nullptr));
  auto* target = Construct<TComponent>(left);
  auto* watcher = Construct<TWatcher>(right.get());
  watcher->Target = target;
  watcher->FreeNotification(target);

  left->Free();

  EXPECT_EQ(watcher->Target, nullptr);
  EXPECT_EQ(watcher->Removals, 1);
}

TEST(ComponentFreeNotification, AskingTwiceStillTellsOnce) {
  TOwnedPtr<TComponent> right(Construct<TComponent>(nullptr));
  auto* target = Construct<TComponent>(nullptr);
  auto* watcher = Construct<TWatcher>(right.get());
  watcher->Target = target;
  watcher->FreeNotification(target);
  watcher->FreeNotification(target);
  target->FreeNotification(watcher);

  target->Free();

  EXPECT_EQ(watcher->Removals, 1);
}

TEST(ComponentFreeNotification, WithdrawnRequestIsNotAnswered) {
  TOwnedPtr<TComponent> right(Construct<TComponent>(nullptr));
  auto* target = Construct<TComponent>(nullptr);
  auto* watcher = Construct<TWatcher>(right.get());
  watcher->Target = target;
  watcher->FreeNotification(target);
  target->RemoveFreeNotification(watcher);  // withdrawn from the other side

  target->Free();

  EXPECT_EQ(watcher->Removals, 0);
  EXPECT_EQ(watcher->Target, target);  // still the old pointer: nobody said it went
}

TEST(ComponentFreeNotification, EitherMayGoFirstWithoutTheOtherKeepingAStaleRequest) {
  // Freeing both in turn, in both orders, must not touch freed memory.
  for (bool targetFirst : {true, false}) {
    auto* target = Construct<TWatcher>(nullptr);
    auto* watcher = Construct<TWatcher>(nullptr);
    watcher->Target = target;
    target->Target = watcher;
    watcher->FreeNotification(target);
    if (targetFirst) {
      target->Free();
      EXPECT_EQ(watcher->Target, nullptr);
      watcher->Free();
    } else {
      watcher->Free();
      EXPECT_EQ(target->Target, nullptr);
      target->Free();
    }
  }
}

// ---- names ----

TEST(ComponentName, NameThatIsNotAnIdentifierIsRefused) {
  TOwnedPtr<TComponent> c(Construct<TComponent>(nullptr));
  c->SetName("Kept");

  for (const std::string bad : {"1abc", "a b", "a-b", " a", "a."}) {
    EXPECT_EQ(MessageOf<EComponentError>([&] { c->SetName(bad); }),
              "''" + bad + "'' is not a valid component name")
        << bad;
    EXPECT_EQ(c->Name(), "Kept");
  }
  EXPECT_EQ(MessageOf<EComponentError>([&] { c->SetName("1abc"); }),
            "''1abc'' is not a valid component name");
}

TEST(ComponentName, IdentifiersAndTheEmptyNameAreAccepted) {
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  auto* c = Construct<TComponent>(owner.get());
  for (const std::string good : {"a", "_", "_a1", "Button1", "x_Y_z"}) {
    EXPECT_NO_THROW(c->SetName(good)) << good;
    EXPECT_EQ(c->Name(), good);
  }
  EXPECT_NO_THROW(c->SetName(""));
  EXPECT_EQ(c->Name(), "");
  // Any number of components may go without a name.
  auto* other = Construct<TComponent>(owner.get());
  EXPECT_NO_THROW(other->SetName(""));
}

TEST(ComponentName, IdentifierStartsWithALetterOrUnderscoreAndHoldsNoOtherSigns) {
  EXPECT_TRUE(IsValidIdent("Form1"));
  EXPECT_TRUE(IsValidIdent("_"));
  EXPECT_FALSE(IsValidIdent(""));
  EXPECT_FALSE(IsValidIdent("1abc"));
  EXPECT_FALSE(IsValidIdent("a b"));
  EXPECT_FALSE(IsValidIdent("a$"));
}

TEST(ComponentName, DuplicateWithinTheOwnerIsRefusedWithoutRegardToCase) {
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  auto* first = Construct<TComponent>(owner.get());
  auto* second = Construct<TComponent>(owner.get());
  first->SetName("Timer");

  EXPECT_EQ(MessageOf<EComponentError>([&] { second->SetName("TIMER"); }),
            "A component named TIMER already exists");
  EXPECT_EQ(MessageOf<EComponentError>([&] { second->SetName("Timer"); }),
            "A component named Timer already exists");
  EXPECT_EQ(second->Name(), "");
  EXPECT_EQ(owner->FindComponent("timer"), first);
}

TEST(ComponentName, SameNameUnderDifferentOwnersIsAllowed) {
  TOwnedPtr<TComponent> left(Construct<TComponent>(nullptr));
  TOwnedPtr<TComponent> right(Construct<TComponent>(nullptr));
  auto* a = Construct<TComponent>(left.get());
  auto* b = Construct<TComponent>(right.get());
  a->SetName("Shared");
  EXPECT_NO_THROW(b->SetName("Shared"));
}

TEST(ComponentName, RenamingToTheSameNameInAnotherCaseIsAllowed) {
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  auto* c = Construct<TComponent>(owner.get());
  c->SetName("timer");

  EXPECT_NO_THROW(c->SetName("Timer"));

  EXPECT_EQ(c->Name(), "Timer");
  EXPECT_EQ(owner->FindComponent("TIMER"), c);
}

TEST(ComponentName, TakingInAComponentWhoseNameIsTakenIsRefused) {
  TOwnedPtr<TComponent> first(Construct<TComponent>(nullptr));
  TOwnedPtr<TComponent> second(Construct<TComponent>(nullptr));
  auto* resident = Construct<TComponent>(second.get());
  resident->SetName("Sound");
  auto* newcomer = Construct<TComponent>(first.get());
  newcomer->SetName("SOUND");

  EXPECT_EQ(MessageOf<EComponentError>([&] { second->InsertComponent(newcomer); }),
            "A component named SOUND already exists");

  EXPECT_EQ(second->ComponentCount(), 1);
  EXPECT_EQ(newcomer->Owner(), first.get());
  EXPECT_EQ(first->ComponentCount(), 1);
}

TEST(ComponentName, FindComponentMatchesWithoutRegardToCaseAndNeverFindsTheUnnamed) {
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  Construct<TComponent>(owner.get());
  auto* named = Construct<TComponent>(owner.get());
  named->SetName("ImageList");

  EXPECT_EQ(owner->FindComponent("imagelist"), named);
  EXPECT_EQ(owner->FindComponent(""), nullptr);
  EXPECT_EQ(owner->FindComponent("Image"), nullptr);
}

// ---- published fields ----

// A root that publishes a field of any component and one of parts only.
class TRootWithFields : public TComponent {
  DECLARE_CLASSINFO(TRootWithFields);
  using TComponent::TComponent;
  TComponent* Member = nullptr;
  TPart* PartOnly = nullptr;
};
const TFieldInfo kRootFields[] = {
    Field<&TRootWithFields::Member>("Member"),
    Field<&TRootWithFields::PartOnly>("PartOnly"),
};
IMPLEMENT_CLASS(TRootWithFields, TComponent, .Fields = kRootFields)

TEST(ComponentPublishedField, NamingAComponentBindsTheOwnersFieldOfThatName) {
  TOwnedPtr<TRootWithFields> root(Construct<TRootWithFields>(nullptr));
  auto* c = Construct<TComponent>(root.get());

  c->SetName("member");  // field names match without regard to case

  EXPECT_EQ(root->Member, c);
}

TEST(ComponentPublishedField, RenamingUnbindsTheOldField) {
  TOwnedPtr<TRootWithFields> root(Construct<TRootWithFields>(nullptr));
  auto* c = Construct<TComponent>(root.get());
  c->SetName("Member");

  c->SetName("Elsewhere");

  EXPECT_EQ(root->Member, nullptr);
}

TEST(ComponentPublishedField, FreeingTheComponentClearsTheField) {
  TOwnedPtr<TRootWithFields> root(Construct<TRootWithFields>(nullptr));
  auto* c = Construct<TComponent>(root.get());
  c->SetName("Member");

  c->Free();

  EXPECT_EQ(root->Member, nullptr);
}

TEST(ComponentPublishedField, ComponentOfAnotherClassLeavesATypedFieldAlone) {
  TOwnedPtr<TRootWithFields> root(Construct<TRootWithFields>(nullptr));
  auto* plain = Construct<TComponent>(root.get());
  plain->SetName("PartOnly");
  EXPECT_EQ(root->PartOnly, nullptr);

  plain->SetName("");
  auto* part = Construct<TPart>(root.get());
  part->SetName("PartOnly");
  EXPECT_EQ(root->PartOnly, part);
}

TEST(ComponentPublishedField, InsertingANamedComponentBindsAndRemovingUnbinds) {
  TOwnedPtr<TRootWithFields> root(Construct<TRootWithFields>(nullptr));
  TOwnedPtr<TComponent> c(Construct<TComponent>(nullptr));
  c->SetName("Member");

  root->InsertComponent(c.get());
  EXPECT_EQ(root->Member, c.get());

  root->RemoveComponent(c.get());
  EXPECT_EQ(root->Member, nullptr);
}

TEST(ComponentPublishedField, FreeingTheRootWithItsComponentsLeavesNoStaleField) {
  // A root's own BeforeDestruction frees its components; the field must be cleared before the
  // component memory goes, so a root that reads its field on the way out sees nothing.
  struct TCheckingRoot : TRootWithFields {
    using TRootWithFields::TRootWithFields;
    TComponent** Seen = nullptr;
    void BeforeDestruction() override {
      TRootWithFields::BeforeDestruction();
      *Seen = Member;
    }
  };
  TOwnedPtr<TComponent> sentinel(Construct<TComponent>(nullptr));
  TComponent* seen = sentinel.get();
  auto* root = Construct<TCheckingRoot>(nullptr);
  root->Seen = &seen;
  Construct<TComponent>(root)->SetName("Member");
  ASSERT_NE(root->Member, nullptr);

  root->Free();

  EXPECT_EQ(seen, nullptr);
}

// ---- states ----

TEST(ComponentState, LoadingAndReadingComeAndGo) {
  TOwnedPtr<TComponent> c(Construct<TComponent>(nullptr));
  EXPECT_TRUE(c->ComponentState().Empty());

  c->Loading();
  c->SetReading(true);
  EXPECT_TRUE(c->ComponentState().Contains(csLoading));
  EXPECT_TRUE(c->ComponentState().Contains(csReading));

  c->SetReading(false);
  EXPECT_FALSE(c->ComponentState().Contains(csReading));
  EXPECT_TRUE(c->ComponentState().Contains(csLoading));

  c->AfterLoading();
  EXPECT_FALSE(c->ComponentState().Contains(csLoading));
}

TEST(ComponentState, DestroyingHoldsWhileBeingFreed) {
  bool afterBase = false;
  auto* c = Construct<TLoggedComponent>(nullptr, nullptr, "c");
  EXPECT_FALSE(c->ComponentState().Contains(csDestroying));
  c->DestroyingAfterBase = &afterBase;
  c->Free();
  EXPECT_TRUE(afterBase);
}

TEST(ComponentState, OwnedComponentsAreAlreadyDestroyingWhenTheirTurnComes) {
  bool childOnEntry = false;
  int grandchildrenLeft = -1;
  auto* owner = Construct<TComponent>(nullptr);
  auto* child = Construct<TLoggedComponent>(owner, nullptr, "child");
  Construct<TComponent>(child);
  child->DestroyingOnEntry = &childOnEntry;
  child->OwnedWhenLeaving = &grandchildrenLeft;

  owner->Free();

  EXPECT_TRUE(childOnEntry);
  EXPECT_EQ(grandchildrenLeft, 0);
}

TEST(ComponentState, DesigningReachesOwnedComponentsAndNewcomers) {
  TOwnedPtr<TComponent> owner(Construct<TComponent>(nullptr));
  auto* before = Construct<TComponent>(owner.get());

  owner->SetDesigning(true);
  auto* after = Construct<TComponent>(owner.get());

  EXPECT_TRUE(before->ComponentState().Contains(csDesigning));
  EXPECT_TRUE(after->ComponentState().Contains(csDesigning));

  owner->SetDesigning(false, false);
  EXPECT_FALSE(owner->ComponentState().Contains(csDesigning));
  EXPECT_TRUE(before->ComponentState().Contains(csDesigning));
}

// ---- the stored design position ----

struct DefinedProperty {
  std::string Name;
  TReaderProc Read;
  TWriterProc Write;
  bool HasData;
};

class TRecordingFiler : public TFiler {
 public:
  std::vector<DefinedProperty> Defined;
  std::vector<std::string> Binary;
  void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override {
    Defined.push_back({Name, ReadData, WriteData, HasData});
  }
  void DefineBinaryProperty(const std::string& Name, TStreamProc, TStreamProc, bool) override {
    Binary.push_back(Name);
  }
};

// Hands out the integers it was given, in order.
class TFixedReader : public TReader {
 public:
  explicit TFixedReader(std::vector<std::int32_t> values) : FValues(std::move(values)) {}
  void DefineProperty(const std::string&, TReaderProc, TWriterProc, bool) override {}
  void DefineBinaryProperty(const std::string&, TStreamProc, TStreamProc, bool) override {}
  std::int32_t ReadInteger() override { return FValues.at(FNext++); }
  std::int64_t ReadInt64() override { return ReadInteger(); }
  bool ReadBoolean() override { throw Exception("not a Boolean"); }
  double ReadFloat() override { throw Exception("not a float"); }
  std::string ReadString() override { throw Exception("not a string"); }
  std::string ReadIdent() override { throw Exception("not an identifier"); }

 private:
  std::vector<std::int32_t> FValues;
  std::size_t FNext = 0;
};

class TRecordingWriter : public TWriter {
 public:
  std::vector<std::int64_t> Integers;
  void DefineProperty(const std::string&, TReaderProc, TWriterProc, bool) override {}
  void DefineBinaryProperty(const std::string&, TStreamProc, TStreamProc, bool) override {}
  void WriteInteger(std::int64_t Value) override { Integers.push_back(Value); }
  void WriteBoolean(bool) override { throw Exception("unexpected Boolean"); }
  void WriteFloat(double) override { throw Exception("unexpected float"); }
  void WriteString(const std::string&) override { throw Exception("unexpected string"); }
  void WriteIdent(const std::string&) override { throw Exception("unexpected identifier"); }
};

std::vector<std::string> NamesOf(const TRecordingFiler& filer) {
  std::vector<std::string> names;
  for (const auto& d : filer.Defined) names.push_back(d.Name);
  return names;
}

TEST(ComponentDesignPosition, ComponentOffersLeftAndTop) {
  TOwnedPtr<TComponent> c(Construct<TComponent>(nullptr));
  TRecordingFiler filer;

  c->DefineStoredProperties(filer);

  EXPECT_EQ(NamesOf(filer), (std::vector<std::string>{"Left", "Top"}));
  EXPECT_TRUE(filer.Binary.empty());
  for (const auto& d : filer.Defined) {
    EXPECT_TRUE(d.Read) << d.Name;
    EXPECT_TRUE(d.Write) << d.Name;
    EXPECT_FALSE(d.HasData) << d.Name << " stored for a component at the origin";
  }
}

TEST(ComponentDesignPosition, ReadingLeftAndTopSetsTheDesignPosition) {
  TOwnedPtr<TComponent> c(Construct<TComponent>(nullptr));
  TRecordingFiler filer;
  c->DefineStoredProperties(filer);
  ASSERT_EQ(filer.Defined.size(), 2u);
  TFixedReader reader({148, -36});

  filer.Defined[0].Read(reader);  // Left
  filer.Defined[1].Read(reader);  // Top

  EXPECT_EQ(c->DesignLeft(), 148);
  EXPECT_EQ(c->DesignTop(), -36);
}

TEST(ComponentDesignPosition, PlacedComponentStoresItsPosition) {
  TOwnedPtr<TComponent> c(Construct<TComponent>(nullptr));
  c->SetDesignPosition(0, 24);
  TRecordingFiler filer;
  c->DefineStoredProperties(filer);
  ASSERT_EQ(filer.Defined.size(), 2u);
  TRecordingWriter writer;

  for (const auto& d : filer.Defined) {
    EXPECT_TRUE(d.HasData) << d.Name;
    d.Write(writer);
  }

  EXPECT_EQ(writer.Integers, (std::vector<std::int64_t>{0, 24}));
}

}  // namespace
