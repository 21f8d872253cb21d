#include "toolkit/typinfo.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "toolkit/sysutils.h"

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

int TTypeInfo::ValueOf(std::string_view name) const {
  for (std::size_t i = 0; i < Names.size(); ++i)
    if (SameText(Names[i], name)) return static_cast<int>(i);
  return -1;
}

const char* TTypeInfo::NameOf(int value) const {
  return value >= 0 && static_cast<std::size_t>(value) < Names.size() ? Names[value] : nullptr;
}

std::optional<std::int32_t> TTypeInfo::IdentToInt(std::string_view name) const {
  for (const auto& e : Idents)
    if (SameText(e.Name, name)) return e.Value;
  return std::nullopt;
}

bool TClassInfo::InheritsFrom(const TClassInfo* ancestor) const {
  for (const TClassInfo* c = this; c; c = c->Parent)
    if (c == ancestor) return true;
  return false;
}

namespace {
template <class Entry>
const Entry* FindIn(const TClassInfo* info, std::span<const Entry> TClassInfo::*table,
                    std::string_view name) {
  for (const TClassInfo* c = info; c; c = c->Parent)
    for (const Entry& e : c->*table)
      if (SameText(e.Name, name)) return &e;
  return nullptr;
}
}  // namespace

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
  return FindIn(this, &TClassInfo::Properties, name);
}

const TFieldInfo* TClassInfo::FindField(std::string_view name) const {
  return FindIn(this, &TClassInfo::Fields, name);
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const {
  return FindIn(this, &TClassInfo::Methods, name);
}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const {
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* c = this; c; c = c->Parent) chain.push_back(c);
  std::vector<const TPropInfo*> out;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const TPropInfo& p : (*it)->Properties) {
      auto same = std::find_if(out.begin(), out.end(),
                               [&](const TPropInfo* q) { return SameText(q->Name, p.Name); });
      if (same == out.end())
        out.push_back(&p);
      else
        *same = &p;  // published again by a descendant: its entry, in the ancestor's place
    }
  return out;
}

namespace {
struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
  }
};
std::map<std::string, const TClassInfo*, CaseInsensitiveLess>& Registry() {
  static std::map<std::string, const TClassInfo*, CaseInsensitiveLess> registry;
  return registry;
}
}  // namespace

void RegisterClass(const TClassInfo* info) { Registry()[info->Name] = info; }

void UnregisterClass(const TClassInfo* info) {
  auto it = Registry().find(info->Name);
  if (it != Registry().end() && it->second == info) Registry().erase(it);
}

const TClassInfo* GetClass(std::string_view name) {
  auto it = Registry().find(std::string(name));
  return it == Registry().end() ? nullptr : it->second;
}

const TClassInfo* FindClass(std::string_view name) {
  const TClassInfo* info = GetClass(name);
  if (!info) {
    const std::string n(name);
    throw EClassNotFound(Format(msg::SClassNotFound, n.c_str()));
  }
  return info;
}

namespace {
constexpr const char* kBooleanNames[] = {"False", "True"};

constexpr TIdentMapEntry kColorIdents[] = {
    {clBlack, "clBlack"},     {clMaroon, "clMaroon"},   {clGreen, "clGreen"},
    {clOlive, "clOlive"},     {clNavy, "clNavy"},       {clPurple, "clPurple"},
    {clTeal, "clTeal"},       {clGray, "clGray"},       {clSilver, "clSilver"},
    {clRed, "clRed"},         {clLime, "clLime"},       {clYellow, "clYellow"},
    {clBlue, "clBlue"},       {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"},
    {clWhite, "clWhite"},     {clWindow, "clWindow"},   {clWindowText, "clWindowText"},
    {clBtnFace, "clBtnFace"}, {clNone, "clNone"},       {clDefault, "clDefault"},
};
}  // namespace

const TTypeInfo* TypeInfoBoolean() {
  static const TTypeInfo kInfo{
      .Kind = TTypeKind::tkEnumeration, .Name = "Boolean", .Names = kBooleanNames};
  return &kInfo;
}

#define MARVOSK_SIMPLE_TYPEINFO(Function, KindValue, TypeName)                    \
  const TTypeInfo* Function() {                                                   \
    static const TTypeInfo kInfo{.Kind = TTypeKind::KindValue, .Name = TypeName}; \
    return &kInfo;                                                                \
  }
MARVOSK_SIMPLE_TYPEINFO(TypeInfoInteger, tkInteger, "Integer")
MARVOSK_SIMPLE_TYPEINFO(TypeInfoCardinal, tkInteger, "Cardinal")
MARVOSK_SIMPLE_TYPEINFO(TypeInfoInt64, tkInt64, "Int64")
MARVOSK_SIMPLE_TYPEINFO(TypeInfoChar, tkChar, "Char")
MARVOSK_SIMPLE_TYPEINFO(TypeInfoDouble, tkFloat, "Double")
MARVOSK_SIMPLE_TYPEINFO(TypeInfoString, tkString, "string")
#undef MARVOSK_SIMPLE_TYPEINFO

const TTypeInfo* TypeInfoColor() {
  static const TTypeInfo kInfo{
      .Kind = TTypeKind::tkInteger, .Name = "TColor", .Idents = kColorIdents};
  return &kInfo;
}
