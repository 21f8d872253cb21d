// Collections: ordered lists that own items of one item class. Items know their collection and
// their position; changes made inside BeginUpdate / EndUpdate are announced once, at the end.
#pragma once

#include <vector>

#include "toolkit/classes.h"

class TCollection;

class TCollectionItem : public TPersistent {
  DECLARE_CLASSINFO(TCollectionItem);
  using TConstructionContext = TCollection*;

  // Appends the new item to Collection when one is given.
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves the item to another collection (nullptr: to none).
  void SetCollection(TCollection* Value);
  // The position in the collection, -1 without one. Setting it moves the item;
  // EListError "List index out of bounds (%d)" outside the collection.
  int Index() const;
  void SetIndex(int Value);
  // A number given when the item joined its collection, never reused there.
  int ID() const { return FID; }
  virtual std::string DisplayName() const { return ClassName(); }

 protected:
  void BeforeDestruction() override;
  // Tells the collection that this item (or, with AllItems, every item) changed.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
  DECLARE_CLASSINFO(TCollection);

  // A collection of items of ItemClass, which must derive from TCollectionItem and be makeable
  // from a collection.
  explicit TCollection(const TClassInfo* ItemClass);
  ~TCollection() override;

  const TClassInfo* ItemClass() const { return FItemClass; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
  TCollectionItem* Items(int Index) const;
  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  TCollectionItem* FindItemID(int ID) const;

  void BeginUpdate();
  // Ends an update; the last one announces the change (Update with nullptr).
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // Copies the items of another collection of a related item class.
  void Assign(const TPersistent* Source) override;

 protected:
  void BeforeDestruction() override;
  // Called when items changed outside an update: Item, or nullptr for the whole collection.
  virtual void Update(TCollectionItem* Item);
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  const TClassInfo* FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
};
