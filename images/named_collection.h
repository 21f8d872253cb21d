// Named collections: an ordered, owning collection whose items carry a Name, found without
// regard to case through 256 hash buckets. The image list's pictures and the wave list's
// sounds are such items.
//
// Each bucket is a chain of the items whose names hash to it, newest-named first, so that
// among items with equal names the one named last is found.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "toolkit/collection.h"

class THashCollection;

class THashCollectionItem : public TCollectionItem {
  DECLARE_CLASSINFO(THashCollectionItem);

  // Appends the item to Collection (a THashCollection) under the empty name.
  explicit THashCollectionItem(TCollection* Collection);
  ~THashCollectionItem() override;

  const std::string& Name() const { return FName; }
  // A name that differs from the present one (with case) moves the item to the head of its
  // new bucket's chain; the same name again changes nothing.
  void SetName(const std::string& Value);
  // Moves the item within its collection; every item's index follows.
  void SetIndex(int Value);

  // From another named item: the name; otherwise the toolkit's assignment.
  void Assign(const TPersistent* Source) override;
  // The name, or the toolkit's display name when the name is empty.
  std::string DisplayName() const override;

 protected:
  void BeforeDestruction() override;

 private:
  friend class THashCollection;
  THashCollection* HashCollection() const;
  void Link();
  void Unlink();

  std::int32_t FHashCode = 0;
  std::int32_t FIndex = 0;
  std::string FName;
  THashCollectionItem* FLeft = nullptr;
  THashCollectionItem* FRight = nullptr;
  bool FLinked = false;
};

class THashCollection : public TCollection {
  DECLARE_CLASSINFO(THashCollection);

  explicit THashCollection(const TClassInfo* ItemClass);

  // The index of the item with that name, compared without regard to case; among equal names
  // the item named last; -1 when there is none.
  int IndexOf(std::string_view Name) const;

  static constexpr int kBuckets = 256;
  // The bucket of a name: with the name lower-cased and counted in 16-bit code units c(1) ..
  // c(L), (L * 16 + c(1) + c(L - 1)) mod 256, or L * 16 mod 256 for fewer than two units.
  static int HashOf(std::string_view Name);

 protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

 private:
  friend class THashCollectionItem;
  // Brings every item's FIndex to its position, when items were added, removed or moved.
  void Renumber() const;

  std::array<THashCollectionItem*, kBuckets> FHash{};
  mutable bool FIndexStale = false;
};

// Compared as IndexOf compares names.
bool SameName(std::string_view a, std::string_view b);
