// Named collections: lookup without regard to case through the hash buckets, the item named
// last among equal names, and indexes that follow removals and moves.
#include "images/named_collection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class NamedCollection : public ::testing::Test {
 protected:
  NamedCollection() : items(new THashCollection(&THashCollectionItem::ClassInfo)) {}

  THashCollectionItem* Add(const std::string& name) {
    auto* item = static_cast<THashCollectionItem*>(items->Add());
    if (!name.empty()) item->SetName(name);
    return item;
  }
  THashCollectionItem* At(int i) { return static_cast<THashCollectionItem*>(items->Items(i)); }

  TOwnedPtr<THashCollection> items;
};

// The bucket rule written out for names of plain ASCII letters.
int AsciiHash(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const int L = static_cast<int>(lower.size());
  const int ends = L >= 2 ? static_cast<unsigned char>(lower[0]) +
                                static_cast<unsigned char>(lower[static_cast<std::size_t>(L - 2)])
                          : 0;
  return (L * 16 + ends) % 256;
}

TEST_F(NamedCollection, TheBucketCountsLengthFirstAndSecondToLastCharacter) {
  for (const char* name : {"Skott", "Ledig", "ledig", "A", "", "Boss", "Tavla17", "xy"})
    EXPECT_EQ(THashCollection::HashOf(name), AsciiHash(name)) << name;
  // The last character does not count: these two share a bucket.
  EXPECT_EQ(THashCollection::HashOf("Pang1"), THashCollection::HashOf("Pang2"));
  // Letters outside ASCII count once each, lower-cased.
  EXPECT_EQ(THashCollection::HashOf("Åsa"), THashCollection::HashOf("åsa"));
  EXPECT_EQ(THashCollection::HashOf("Åsa"), (3 * 16 + 0xE5 + 's') % 256);
}

TEST_F(NamedCollection, LookupIgnoresCaseAndFindsTheItemNamedLast) {
  const std::vector<std::string> names = {
      "Skott", "Pang", "Tr\xC3\xA4\x66\x66", "Boom", "", "", "Ledig", "Ledig", ""};
  for (const auto& n : names) Add(n);
  EXPECT_EQ(items->IndexOf("Skott"), 0);
  EXPECT_EQ(items->IndexOf("SKOTT"), 0);
  EXPECT_EQ(items->IndexOf("tr\xC3\xA4\x66\x66"), 2);
  EXPECT_EQ(items->IndexOf("TR\xC3\x84\x46\x46"), 2);  // capital A with diaeresis
  EXPECT_EQ(items->IndexOf("ledig"), 7);
  EXPECT_EQ(items->IndexOf("LEDIG"), 7);
  EXPECT_EQ(items->IndexOf("Boss"), -1);
  EXPECT_EQ(items->IndexOf(""), 8);  // the unnamed item made last
}

TEST_F(NamedCollection, RenamingMovesAnItemToTheHeadOfItsNewChain) {
  Add("same");
  Add("same");
  EXPECT_EQ(items->IndexOf("same"), 1);
  At(0)->SetName("same");  // the same name again changes nothing
  EXPECT_EQ(items->IndexOf("same"), 1);
  At(0)->SetName("SAME");  // differs with case: named anew, found first now
  EXPECT_EQ(items->IndexOf("same"), 0);
  At(0)->SetName("other");
  EXPECT_EQ(items->IndexOf("same"), 1);
  EXPECT_EQ(items->IndexOf("other"), 0);
}

TEST_F(NamedCollection, IndexesFollowRemovalsAndMoves) {
  for (const char* n : {"a", "b", "c", "d"}) Add(n);
  items->Delete(1);
  EXPECT_EQ(items->IndexOf("b"), -1);
  EXPECT_EQ(items->IndexOf("c"), 1);
  EXPECT_EQ(items->IndexOf("d"), 2);
  At(2)->SetIndex(0);  // d moves to the front
  EXPECT_EQ(items->IndexOf("d"), 0);
  EXPECT_EQ(items->IndexOf("a"), 1);
  EXPECT_EQ(items->IndexOf("c"), 2);
  At(1)->Free();  // "a", the head of its chain
  EXPECT_EQ(items->IndexOf("a"), -1);
  EXPECT_EQ(items->IndexOf("c"), 1);
  items->Clear();
  EXPECT_EQ(items->IndexOf("c"), -1);
}

TEST_F(NamedCollection, ItemsInOneBucketStayFindableWhenOthersLeaveIt) {
  // Same length and the same first and second-to-last letters: one bucket.
  Add("xa1");
  Add("xa2");
  Add("xa3");
  ASSERT_EQ(THashCollection::HashOf("xa1"), THashCollection::HashOf("xa3"));
  At(1)->Free();  // from the middle of the chain
  EXPECT_EQ(items->IndexOf("xa1"), 0);
  EXPECT_EQ(items->IndexOf("xa3"), 1);
  At(1)->SetName("yb");  // the head leaves for another bucket
  EXPECT_EQ(items->IndexOf("xa1"), 0);
  EXPECT_EQ(items->IndexOf("xa3"), -1);
  EXPECT_EQ(items->IndexOf("yb"), 1);
}

TEST_F(NamedCollection, ItemsMovedToAnotherCollectionAreFoundThere) {
  TOwnedPtr<THashCollection> other(new THashCollection(&THashCollectionItem::ClassInfo));
  Add("keep");
  THashCollectionItem* moving = Add("move");
  moving->SetCollection(other.get());
  EXPECT_EQ(items->IndexOf("move"), -1);
  EXPECT_EQ(other->IndexOf("move"), 0);
  EXPECT_EQ(items->IndexOf("keep"), 0);
}

TEST_F(NamedCollection, DisplayNameAndAssign) {
  THashCollectionItem* a = Add("Skott");
  THashCollectionItem* b = Add("");
  EXPECT_EQ(a->DisplayName(), "Skott");
  EXPECT_EQ(b->DisplayName(), "THashCollectionItem");
  b->Assign(a);
  EXPECT_EQ(b->Name(), "Skott");
  EXPECT_EQ(items->IndexOf("skott"), 1);
}

}  // namespace
