#include "images/named_collection.h"

#include <vector>

namespace {

// The code points of a UTF-8 name; a byte that starts no valid sequence stands for itself.
std::u32string Decode(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    // Continuation bytes after a lead byte; -1 for a byte that leads nothing.
    const int extra = b < 0x80   ? 0
                      : b < 0xC2 ? -1
                      : b < 0xE0 ? 1
                      : b < 0xF0 ? 2
                      : b < 0xF5 ? 3
                                 : -1;
    char32_t c = extra == 3 ? b & 0x07 : extra == 2 ? b & 0x0F : extra == 1 ? b & 0x1F : b;
    bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < s.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto n = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((n & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (n & 0x3F);
    }
    if (!valid || c > 0x10FFFF) {
      out.push_back(b);
      ++i;
      continue;
    }
    out.push_back(c);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

// Lower case for the scripts names are written in: Latin (with Latin-1 and the paired
// letters of Latin Extended-A), Greek and Cyrillic.
char32_t Lower(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 32;
  if (c < 0xC0) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c >= 0x100 && c <= 0x137 && c % 2 == 0) return c + 1;
  if (c >= 0x139 && c <= 0x148 && c % 2 == 1) return c + 1;
  if (c >= 0x14A && c <= 0x177 && c % 2 == 0) return c + 1;
  if (c == 0x178) return 0xFF;
  if ((c == 0x179 || c == 0x17B || c == 0x17D)) return c + 1;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

std::u32string Folded(std::string_view s) {
  std::u32string out = Decode(s);
  for (char32_t& c : out) c = Lower(c);
  return out;
}

// The name as 16-bit code units.
std::vector<char16_t> Units(const std::u32string& s) {
  std::vector<char16_t> out;
  for (char32_t c : s) {
    if (c < 0x10000) {
      out.push_back(static_cast<char16_t>(c));
    } else {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
  }
  return out;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) { return Folded(a) == Folded(b); }

// ---- THashCollectionItem ----

namespace {
const TPropInfo kNamedItemProps[] = {
    Property<&THashCollectionItem::Name, &THashCollectionItem::SetName>("Name"),
};
}  // namespace

IMPLEMENT_CLASS(THashCollectionItem, TCollectionItem, .Properties = kNamedItemProps)

THashCollectionItem::THashCollectionItem(TCollection* Collection) : TCollectionItem(Collection) {
  FIndex = Index();
  Link();
}

THashCollectionItem::~THashCollectionItem() { Unlink(); }

void THashCollectionItem::BeforeDestruction() {
  Unlink();
  TCollectionItem::BeforeDestruction();
}

THashCollection* THashCollectionItem::HashCollection() const {
  return dynamic_cast<THashCollection*>(Collection());
}

void THashCollectionItem::Link() {
  THashCollection* owner = HashCollection();
  if (FLinked || !owner) return;
  FHashCode = THashCollection::HashOf(FName);
  THashCollectionItem*& head = owner->FHash[static_cast<std::size_t>(FHashCode)];
  FLeft = nullptr;
  FRight = head;
  if (head) head->FLeft = this;
  head = this;
  FLinked = true;
}

void THashCollectionItem::Unlink() {
  if (!FLinked) return;
  if (FLeft) {
    FLeft->FRight = FRight;
  } else if (THashCollection* owner = HashCollection()) {
    owner->FHash[static_cast<std::size_t>(FHashCode)] = FRight;
  }
  if (FRight) FRight->FLeft = FLeft;
  FLeft = FRight = nullptr;
  FLinked = false;
}

void THashCollectionItem::SetName(const std::string& Value) {
  if (Value == FName) return;
  Unlink();
  FName = Value;
  Link();
}

void THashCollectionItem::SetIndex(int Value) {
  TCollectionItem::SetIndex(Value);
  if (THashCollection* owner = HashCollection()) owner->Renumber();
}

void THashCollectionItem::Assign(const TPersistent* Source) {
  if (const auto* other = dynamic_cast<const THashCollectionItem*>(Source)) {
    SetName(other->FName);
    return;
  }
  TCollectionItem::Assign(Source);
}

std::string THashCollectionItem::DisplayName() const {
  return FName.empty() ? TCollectionItem::DisplayName() : FName;
}

// ---- THashCollection ----

IMPLEMENT_CLASS(THashCollection, TCollection)

THashCollection::THashCollection(const TClassInfo* ItemClass) : TCollection(ItemClass) {}

int THashCollection::HashOf(std::string_view Name) {
  const std::vector<char16_t> c = Units(Folded(Name));
  const std::size_t L = c.size();
  // The first and the second-to-last unit count; the last one does not.
  const std::size_t ends = L >= 2 ? c[0] + c[L - 2] : 0;
  return static_cast<int>((L * 16 + ends) % kBuckets);
}

int THashCollection::IndexOf(std::string_view Name) const {
  if (FIndexStale || UpdateCount() > 0) Renumber();
  const std::u32string wanted = Folded(Name);
  for (const THashCollectionItem* item = FHash[static_cast<std::size_t>(HashOf(Name))]; item;
       item = item->FRight)
    if (Folded(item->FName) == wanted) return item->FIndex;
  return -1;
}

void THashCollection::Renumber() const {
  for (int i = 0; i < Count(); ++i)
    if (auto* item = dynamic_cast<THashCollectionItem*>(Items(i))) item->FIndex = i;
  FIndexStale = false;
}

void THashCollection::Update(TCollectionItem* Item) {
  // Items may have moved; the indexes are brought up to date when next asked.
  FIndexStale = true;
  TCollection::Update(Item);
}

void THashCollection::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  FIndexStale = true;
  // An item moving in from another collection is linked here; a new one links itself once
  // it is whole (while its base is being made it is not yet a named item).
  if (auto* named = dynamic_cast<THashCollectionItem*>(Item)) {
    if (Action == cnAdded) named->Link();
    if (Action == cnExtracting) named->Unlink();
  }
  TCollection::Notify(Item, Action);
}
