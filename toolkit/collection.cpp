#include "toolkit/collection.h"

#include <algorithm>

#include "toolkit/sysutils.h"

namespace {
[[noreturn]] void IndexError(int index) { throw EListError(Format(msg::SListIndexError, index)); }
}  // namespace

// ---- TCollectionItem ----

IMPLEMENT_CLASS(TCollectionItem, TPersistent)

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::BeforeDestruction() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  const auto& items = FCollection->FItems;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  const int current = Index();
  if (current < 0 || current == Value) return;
  auto& items = FCollection->FItems;
  if (Value < 0 || Value >= static_cast<int>(items.size())) IndexError(Value);
  items.erase(items.begin() + current);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

// ---- TCollection ----

IMPLEMENT_CLASS(TCollection, TPersistent)

TCollection::TCollection(const TClassInfo* ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection() {
  // Items normally went in BeforeDestruction; these only leave without telling anyone.
  for (TCollectionItem* item : FItems) item->FCollection = nullptr;
  for (auto it = FItems.rbegin(); it != FItems.rend(); ++it) (*it)->Free();
}

void TCollection::BeforeDestruction() {
  FUpdateCount = 1;  // no announcements while the collection goes away
  Clear();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  return FItems[static_cast<std::size_t>(Index)];
}

TCollectionItem* TCollection::Add() {
  if (!FItemClass || !FItemClass->Create || !FItemClass->InheritsFrom(&TCollectionItem::ClassInfo))
    throw EInvalidOperation(Format("%s cannot make items of class %s", ClassName().c_str(),
                                   FItemClass ? FItemClass->Name : "nil"));
  return static_cast<TCollectionItem*>(FItemClass->Create(this));
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count()) IndexError(Index);
  TCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

void TCollection::Delete(int Index) {
  TCollectionItem* item = Items(Index);
  Notify(item, cnDeleting);
  item->Free();
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) FItems.back()->Free();
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Assign(const TPersistent* Source) {
  if (Source == this) return;  // clearing first would lose the very items to copy
  const auto* other = dynamic_cast<const TCollection*>(Source);
  if (!other) {
    TPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : other->FItems) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
  Item->FCollection = nullptr;
  Changed();
}
