// Collections: ordered, owned items with positions and IDs, announcements bracketed by
// BeginUpdate / EndUpdate, and copying between collections.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/raises.h"
#include "toolkit/collection.h"
#include "toolkit/sysutils.h"

namespace {

using Log = std::vector<std::string>;

// An item with a label, which copies its label when assigned and logs it when it goes.
class TLabelItem : public TCollectionItem {
  DECLARE_CLASSINFO(TLabelItem);
  explicit TLabelItem(TCollection* Collection) : TCollectionItem(Collection) {}
  ~TLabelItem() override {
    if (FreedLog) FreedLog->push_back(Label);
  }
  void Assign(const TPersistent* Source) override {
    if (const auto* other = dynamic_cast<const TLabelItem*>(Source)) {
      Label = other->Label;
      return;
    }
    TCollectionItem::Assign(Source);
  }
  void Touch() { Changed(false); }

  std::string Label;
  Log* FreedLog = nullptr;
};
IMPLEMENT_CLASS(TLabelItem, TCollectionItem)

// Counts what the collection announces.
class TCountingCollection : public TCollection {
 public:
  TCountingCollection() : TCollection(&TLabelItem::ClassInfo) {}
  int WholeUpdates = 0;
  std::vector<TCollectionItem*> ItemUpdates;
  int* AnnouncedOut = nullptr;  // every announcement, counted where the test can see it later

 protected:
  void Update(TCollectionItem* Item) override {
    if (AnnouncedOut) ++*AnnouncedOut;
    if (Item)
      ItemUpdates.push_back(Item);
    else
      ++WholeUpdates;
  }
};

using Collection = TOwnedPtr<TCountingCollection>;
Collection MakeCollection() { return Collection(Construct<TCountingCollection>()); }

TLabelItem* AddItem(TCollection& c, const std::string& label, Log* log = nullptr) {
  auto* item = static_cast<TLabelItem*>(c.Add());
  item->Label = label;
  item->FreedLog = log;
  return item;
}

Log LabelsOf(const TCollection& c) {
  Log labels;
  for (int i = 0; i < c.Count(); ++i) labels.push_back(static_cast<TLabelItem*>(c.Items(i))->Label);
  return labels;
}

// ---- order and ownership ----

TEST(CollectionItems, AddedItemsKeepTheOrderTheyWereAddedIn) {
  auto c = MakeCollection();
  auto* a = AddItem(*c, "a");
  auto* b = AddItem(*c, "b");
  auto* d = AddItem(*c, "d");

  ASSERT_EQ(c->Count(), 3);
  EXPECT_EQ(c->Items(0), a);
  EXPECT_EQ(c->Items(1), b);
  EXPECT_EQ(c->Items(2), d);
  EXPECT_EQ(b->Index(), 1);
  EXPECT_EQ(b->Collection(), c.get());
  EXPECT_TRUE(a->Is<TLabelItem>());
}

TEST(CollectionItems, ItemsAreFreedWithTheCollectionLastFirst) {
  Log log;
  auto c = MakeCollection();
  AddItem(*c, "a", &log);
  AddItem(*c, "b", &log);
  AddItem(*c, "c", &log);

  c.reset();

  EXPECT_EQ(log, (Log{"c", "b", "a"}));
}

TEST(CollectionItems, FreeingTheCollectionAnnouncesNothing) {
  int announced = 0;
  auto* c = Construct<TCountingCollection>();
  c->AnnouncedOut = &announced;
  AddItem(*c, "a");
  AddItem(*c, "b");
  ASSERT_EQ(announced, 2);  // joining is announced

  c->Free();

  EXPECT_EQ(announced, 2);
}

TEST(CollectionItems, OutOfRangeIndexRaisesListErrorNamingTheIndex) {
  auto c = MakeCollection();
  AddItem(*c, "a");
  AddItem(*c, "b");
  AddItem(*c, "c");

  EXPECT_EQ(MessageOf<EListError>([&] { c->Items(3); }), "List index out of bounds (3)");
  EXPECT_EQ(MessageOf<EListError>([&] { c->Items(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf<EListError>([&] { c->Items(17); }), "List index out of bounds (17)");
  EXPECT_EQ(MessageOf<EListError>([&] { c->Delete(3); }), "List index out of bounds (3)");
  EXPECT_EQ(MessageOf<EListError>([&] { c->Insert(4); }), "List index out of bounds (4)");
  EXPECT_EQ(c->Count(), 3);
}

TEST(CollectionItems, SettingTheIndexMovesTheItem) {
  auto c = MakeCollection();
  auto* a = AddItem(*c, "a");
  auto* b = AddItem(*c, "b");
  AddItem(*c, "c");
  auto* d = AddItem(*c, "d");

  b->SetIndex(3);
  EXPECT_EQ(LabelsOf(*c), (Log{"a", "c", "d", "b"}));
  EXPECT_EQ(b->Index(), 3);

  d->SetIndex(0);
  EXPECT_EQ(LabelsOf(*c), (Log{"d", "a", "c", "b"}));
  EXPECT_EQ(a->Index(), 1);
}

TEST(CollectionItems, SettingAnIndexOutsideTheCollectionRaisesAndMovesNothing) {
  auto c = MakeCollection();
  auto* a = AddItem(*c, "a");
  AddItem(*c, "b");

  EXPECT_EQ(MessageOf<EListError>([&] { a->SetIndex(2); }), "List index out of bounds (2)");
  EXPECT_EQ(MessageOf<EListError>([&] { a->SetIndex(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(LabelsOf(*c), (Log{"a", "b"}));
}

TEST(CollectionItems, InsertPutsTheNewItemAtThePosition) {
  auto c = MakeCollection();
  AddItem(*c, "a");
  AddItem(*c, "c");

  static_cast<TLabelItem*>(c->Insert(1))->Label = "b";
  static_cast<TLabelItem*>(c->Insert(3))->Label = "d";
  static_cast<TLabelItem*>(c->Insert(0))->Label = "start";

  EXPECT_EQ(LabelsOf(*c), (Log{"start", "a", "b", "c", "d"}));
}

TEST(CollectionItems, DeleteKeepsTheRestInOrder) {
  Log log;
  auto c = MakeCollection();
  for (const char* label : {"a", "b", "c", "d"}) AddItem(*c, label, &log);

  c->Delete(1);

  EXPECT_EQ(log, Log{"b"});
  EXPECT_EQ(LabelsOf(*c), (Log{"a", "c", "d"}));
  EXPECT_EQ(c->Items(2)->Index(), 2);
}

TEST(CollectionItems, FreeingAnItemTakesItOutAndKeepsTheRestInOrder) {
  Log log;
  auto c = MakeCollection();
  AddItem(*c, "a", &log);
  auto* b = AddItem(*c, "b", &log);
  AddItem(*c, "c", &log);

  b->Free();

  EXPECT_EQ(LabelsOf(*c), (Log{"a", "c"}));
  c.reset();
  EXPECT_EQ(log, (Log{"b", "c", "a"}));  // b only once
}

TEST(CollectionItems, ClearFreesEveryItem) {
  Log log;
  auto c = MakeCollection();
  AddItem(*c, "a", &log);
  AddItem(*c, "b", &log);

  c->Clear();

  EXPECT_EQ(c->Count(), 0);
  EXPECT_EQ(log, (Log{"b", "a"}));
}

TEST(CollectionItems, MovingAnItemToAnotherCollectionAppendsItThere) {
  auto from = MakeCollection();
  auto to = MakeCollection();
  AddItem(*from, "a");
  auto* moved = AddItem(*from, "b");
  AddItem(*to, "x");

  moved->SetCollection(to.get());

  EXPECT_EQ(LabelsOf(*from), Log{"a"});
  EXPECT_EQ(LabelsOf(*to), (Log{"x", "b"}));
  EXPECT_EQ(moved->Collection(), to.get());

  moved->SetCollection(nullptr);
  EXPECT_EQ(moved->Index(), -1);
  EXPECT_EQ(to->Count(), 1);
  moved->Free();
}

// ---- IDs ----

TEST(CollectionIDs, IDsAreDistinctAndNeverGivenAgain) {
  auto c = MakeCollection();
  std::set<int> given;
  for (int i = 0; i < 3; ++i) given.insert(c->Add()->ID());
  EXPECT_EQ(given.size(), 3u);

  const int lastID = c->Items(2)->ID();
  c->Delete(2);
  const int firstID = c->Items(0)->ID();
  c->Delete(0);
  EXPECT_EQ(c->FindItemID(lastID), nullptr);

  for (int i = 0; i < 3; ++i) {
    const int id = c->Add()->ID();
    EXPECT_FALSE(given.count(id)) << "ID " << id << " given again";
    given.insert(id);
  }
  EXPECT_EQ(c->FindItemID(firstID), nullptr);
}

TEST(CollectionIDs, FindItemIDFindsTheItem) {
  auto c = MakeCollection();
  AddItem(*c, "a");
  auto* b = AddItem(*c, "b");
  AddItem(*c, "c");
  b->SetIndex(0);

  EXPECT_EQ(c->FindItemID(b->ID()), b);
}

// ---- announcements ----

TEST(CollectionUpdates, ChangesOutsideAnUpdateAreAnnounced) {
  auto c = MakeCollection();
  AddItem(*c, "a");
  EXPECT_EQ(c->WholeUpdates, 1);

  auto* b = AddItem(*c, "b");
  b->SetIndex(0);
  EXPECT_EQ(c->WholeUpdates, 3);

  b->Touch();
  EXPECT_EQ(c->ItemUpdates, std::vector<TCollectionItem*>{b});
}

TEST(CollectionUpdates, NestedUpdateIsAnnouncedOnceAtTheEndOfTheOutermost) {
  auto c = MakeCollection();
  AddItem(*c, "a");
  AddItem(*c, "b");
  const int before = c->WholeUpdates;

  c->BeginUpdate();
  c->BeginUpdate();
  EXPECT_EQ(c->UpdateCount(), 2);
  auto* d = AddItem(*c, "d");
  d->SetIndex(0);
  d->Touch();
  c->Delete(1);
  c->Items(0)->Free();
  c->EndUpdate();
  EXPECT_EQ(c->WholeUpdates, before) << "announced at the end of an inner update";
  EXPECT_EQ(c->UpdateCount(), 1);
  c->Insert(0);
  c->EndUpdate();

  EXPECT_EQ(c->UpdateCount(), 0);
  EXPECT_EQ(c->WholeUpdates, before + 1);
  EXPECT_TRUE(c->ItemUpdates.empty());
}

TEST(CollectionUpdates, EmptyBracketStillAnnouncesOnce) {
  auto c = MakeCollection();
  c->BeginUpdate();
  c->EndUpdate();
  EXPECT_EQ(c->WholeUpdates, 1);
}

TEST(CollectionUpdates, UnmatchedEndUpdateIsHarmless) {
  auto c = MakeCollection();
  c->EndUpdate();
  EXPECT_EQ(c->UpdateCount(), 0);
  AddItem(*c, "a");
  EXPECT_EQ(c->WholeUpdates, 1);  // the count did not go below zero
}

// ---- copying ----

TEST(CollectionAssign, CopiesTheItemsOfAnotherCollection) {
  auto source = MakeCollection();
  auto* s1 = AddItem(*source, "one");
  AddItem(*source, "two");
  AddItem(*source, "three");
  auto dest = MakeCollection();
  AddItem(*dest, "old");
  const int before = dest->WholeUpdates;

  dest->Assign(source.get());

  EXPECT_EQ(LabelsOf(*dest), (Log{"one", "two", "three"}));
  EXPECT_NE(dest->Items(0), s1);
  EXPECT_EQ(dest->Items(0)->Collection(), dest.get());
  EXPECT_EQ(LabelsOf(*source), (Log{"one", "two", "three"}));
  EXPECT_EQ(dest->WholeUpdates, before + 1);  // one announcement for the whole copy
}

TEST(CollectionAssign, FromSomethingThatIsNotACollectionRaises) {
  auto dest = MakeCollection();
  TOwnedPtr<TLabelItem> loose(Construct<TLabelItem>(nullptr));

  EXPECT_EQ(MessageOf<EConvertError>([&] { dest->Assign(loose.get()); }),
            "Cannot assign a TLabelItem to a TCollection");
  EXPECT_EQ(MessageOf<EConvertError>([&] { dest->Assign(nullptr); }),
            "Cannot assign a nil to a TCollection");
}

// ---- item classes ----

TEST(CollectionItemClass, AddRaisesWhenTheItemClassIsNotAnItemClass) {
  TOwnedPtr<TCollection> components(Construct<TCollection>(&TComponent::ClassInfo));
  TOwnedPtr<TCollection> none(Construct<TCollection>(nullptr));

  EXPECT_THROW(components->Add(), Exception);
  EXPECT_THROW(none->Add(), Exception);
  EXPECT_EQ(components->Count(), 0);
}

TEST(CollectionItemClass, PlainItemClassMakesPlainItems) {
  TOwnedPtr<TCollection> c(Construct<TCollection>(&TCollectionItem::ClassInfo));
  TCollectionItem* item = c->Add();
  EXPECT_EQ(item->ClassType(), &TCollectionItem::ClassInfo);
  EXPECT_EQ(c->ItemClass(), &TCollectionItem::ClassInfo);
}

}  // namespace

TEST(CollectionAssign, FromItselfKeepsTheItems) {
  TOwnedPtr<TCollection> c(new TCollection(&TCollectionItem::ClassInfo));
  c->Add();
  c->Add();
  c->Assign(c.get());
  EXPECT_EQ(c->Count(), 2);
}
