// Run-time class information: each class's name, parent, factory and published tables, which
// the component-stream reader and writer walk instead of knowing any class by itself.
//
// A class declares its information with DECLARE_CLASSINFO in its body and defines it beside
// the class, in its source file, with IMPLEMENT_CLASS:
//
//   const TPropInfo kTimerProps[] = {
//       Property<&TTimer::Enabled, &TTimer::SetEnabled>("Enabled", nullptr, 1),
//       EventProperty<&TTimer::OnTimer>("OnTimer"),
//   };
//   IMPLEMENT_CLASS(TTimer, TComponent, .Properties = kTimerProps)
//
// A root class (a form) also lists its published fields, which the reader fills with the
// components of the same name, and its published methods, which events are bound to by name.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "toolkit/events.h"
#include "toolkit/types.h"

class TObject;
struct TClassInfo;

enum class TTypeKind {
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkInt64
};

// A named constant of an integer type (colour names and the like).
struct TIdentMapEntry {
  std::int32_t Value;
  const char* Name;
};

struct TTypeInfo {
  TTypeKind Kind = TTypeKind::tkInteger;
  const char* Name = "";
  std::span<const char* const> Names = {};      // enumeration: the names of its values, in order
  const TTypeInfo* ElementType = nullptr;       // set: the enumeration of its members
  std::span<const TIdentMapEntry> Idents = {};  // integer: its named constants
  const TClassInfo* ClassType = nullptr;        // class: the class of the object
  const void* Signature = nullptr;              // method: the event type's tag

  // The value of an enumeration name, compared without regard to case; -1 when there is none.
  int ValueOf(std::string_view name) const;
  // The name of an enumeration value; nullptr when out of range.
  const char* NameOf(int value) const;
  // The value of a named constant of an integer type.
  std::optional<std::int32_t> IdentToInt(std::string_view name) const;
};

// A property's value as the tables pass it: ordinal kinds (integers, characters,
// enumerations, Booleans, sets as their bits) as int64, floats as double, strings, objects,
// and methods.
using TPropValue = std::variant<std::int64_t, double, std::string, TObject*, TMethod>;

struct TPropInfo {
  const char* Name;
  const TTypeInfo* Type;
  TPropValue (*Get)(const TObject* instance);
  void (*Set)(TObject* instance, const TPropValue& value) = nullptr;  // nullptr: read-only
  std::optional<std::int64_t> Default =
      std::nullopt;    // an ordinal property equal to it is not stored
  bool Stored = true;  // False: the property is never written
};

struct TFieldInfo {
  const char* Name;
  const TClassInfo* ClassType;
  TObject* (*Get)(const TObject* root);
  void (*Set)(TObject* root, TObject* value);
};

struct TMethodInfo {
  const char* Name;
  const void* Signature;           // the event type's tag (TEvent<...>::Signature())
  TMethod (*Bind)(TObject* root);  // the method bound to that root
};

struct TClassInfo {
  const char* Name;
  const TClassInfo* Parent;
  // Makes an instance: a component from its owner, a collection item from its collection;
  // nullptr for a class that cannot be made by name. The instance is fully constructed
  // (AfterConstruction has run).
  TObject* (*Create)(TObject* context) = nullptr;
  std::span<const TPropInfo> Properties = {};
  std::span<const TFieldInfo> Fields = {};
  std::span<const TMethodInfo> Methods = {};

  bool InheritsFrom(const TClassInfo* ancestor) const;
  // Looked up by name without regard to case, the class's own first, then its ancestors'.
  const TPropInfo* FindProperty(std::string_view name) const;
  const TFieldInfo* FindField(std::string_view name) const;
  const TMethodInfo* FindMethod(std::string_view name) const;
  // Every published property, the most distant ancestor's first; a property that a class
  // publishes again appears once, where the ancestor had it.
  std::vector<const TPropInfo*> AllProperties() const;
};

// The class registry, by name without regard to case.
void RegisterClass(const TClassInfo* info);
void UnregisterClass(const TClassInfo* info);
const TClassInfo* GetClass(std::string_view name);   // nullptr when unknown
const TClassInfo* FindClass(std::string_view name);  // EClassNotFound "Class %s not found"

bool SameText(std::string_view a, std::string_view b);

// Type information of the built-in kinds.
const TTypeInfo* TypeInfoBoolean();
const TTypeInfo* TypeInfoInteger();   // 32-bit signed
const TTypeInfo* TypeInfoCardinal();  // 32-bit unsigned
const TTypeInfo* TypeInfoInt64();
const TTypeInfo* TypeInfoChar();
const TTypeInfo* TypeInfoDouble();
const TTypeInfo* TypeInfoString();
const TTypeInfo* TypeInfoColor();  // an integer with the colour names as constants

// Declares and defines the type information of an enumeration; the declaration goes beside
// the enumeration, so that a property of that type finds it.
#define DECLARE_ENUM_TYPEINFO(Type) const TTypeInfo* TypeInfo(Type*)
#define IMPLEMENT_ENUM_TYPEINFO(Type, ...)                                 \
  const TTypeInfo* TypeInfo(Type*) {                                       \
    static constexpr const char* kNames[] = {__VA_ARGS__};                 \
    static const TTypeInfo kInfo{                                          \
        .Kind = TTypeKind::tkEnumeration, .Name = #Type, .Names = kNames}; \
    return &kInfo;                                                         \
  }

// ---- building the tables ----

namespace typinfo_detail {

template <class T>
struct IsSet : std::false_type {};
template <class E>
struct IsSet<TSet<E>> : std::true_type {
  using Element = E;
};

// The records below are made once per type in whichever file first asks. They are not const on
// purpose: a file that sees every part as a constant may place its copy in read-only memory
// while another file fills in the same (shared) record when first asked, which would then
// write into read-only memory and end the program before it starts.
template <class E>
const TTypeInfo* SetTypeInfo() {
  static TTypeInfo kInfo{
      .Kind = TTypeKind::tkSet, .Name = "set", .ElementType = TypeInfo(static_cast<E*>(nullptr))};
  return &kInfo;
}

template <class C>
const TTypeInfo* ClassTypeInfo() {
  static TTypeInfo kInfo{
      .Kind = TTypeKind::tkClass, .Name = C::ClassInfo.Name, .ClassType = &C::ClassInfo};
  return &kInfo;
}

template <class Event>
const TTypeInfo* MethodTypeInfo() {
  static TTypeInfo kInfo{
      .Kind = TTypeKind::tkMethod, .Name = "method", .Signature = Event::Signature()};
  return &kInfo;
}

template <class T>
const TTypeInfo* TypeInfoOf() {
  if constexpr (std::is_same_v<T, bool>)
    return TypeInfoBoolean();
  else if constexpr (std::is_same_v<T, char>)
    return TypeInfoChar();
  else if constexpr (std::is_same_v<T, std::int64_t>)
    return TypeInfoInt64();
  else if constexpr (std::is_same_v<T, std::uint32_t>)
    return TypeInfoCardinal();
  else if constexpr (std::is_integral_v<T>)
    return TypeInfoInteger();
  else if constexpr (std::is_floating_point_v<T>)
    return TypeInfoDouble();
  else if constexpr (std::is_same_v<T, std::string>)
    return TypeInfoString();
  else if constexpr (std::is_enum_v<T>)
    return TypeInfo(static_cast<T*>(nullptr));
  else if constexpr (IsSet<T>::value)
    return SetTypeInfo<typename IsSet<T>::Element>();
  else if constexpr (std::is_pointer_v<T>)
    return ClassTypeInfo<std::remove_cv_t<std::remove_pointer_t<T>>>();
  else
    static_assert(sizeof(T) == 0, "no type information for this property type");
}

template <class T>
TPropValue ToValue(const T& v) {
  if constexpr (std::is_same_v<T, bool> || std::is_integral_v<T> || std::is_enum_v<T>)
    return static_cast<std::int64_t>(v);
  else if constexpr (std::is_floating_point_v<T>)
    return static_cast<double>(v);
  else if constexpr (std::is_same_v<T, std::string>)
    return v;
  else if constexpr (IsSet<T>::value)
    return static_cast<std::int64_t>(v.Bits());
  else
    return static_cast<TObject*>(const_cast<std::remove_cv_t<std::remove_pointer_t<T>>*>(v));
}

// A double as a float type; one too large for a narrower type becomes its infinity, as the
// conversion is undefined there.
template <class T>
T NarrowFloat(double d) {
  if constexpr (sizeof(T) < sizeof(double)) {
    if (d > static_cast<double>(std::numeric_limits<T>::max()))
      return std::numeric_limits<T>::infinity();
    if (d < static_cast<double>(std::numeric_limits<T>::lowest()))
      return -std::numeric_limits<T>::infinity();
  }
  return static_cast<T>(d);
}

template <class T>
T FromValue(const TPropValue& v) {
  if constexpr (std::is_same_v<T, bool>)
    return std::get<std::int64_t>(v) != 0;
  else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>)
    return static_cast<T>(std::get<std::int64_t>(v));
  else if constexpr (std::is_floating_point_v<T>)
    return NarrowFloat<T>(std::get<double>(v));
  else if constexpr (std::is_same_v<T, std::string>)
    return std::get<std::string>(v);
  else if constexpr (IsSet<T>::value)
    return T::FromBits(static_cast<std::uint32_t>(std::get<std::int64_t>(v)));
  else
    return static_cast<T>(std::get<TObject*>(v));
}

template <auto Getter>
struct GetterTraits;
template <class C, class R, R (C::*G)() const>
struct GetterTraits<G> {
  using Class = C;
  using Value = std::remove_cvref_t<R>;
};

template <auto Setter>
struct SetterTraits;
template <class C, class V, void (C::*S)(V)>
struct SetterTraits<S> {
  using Value = std::remove_cvref_t<V>;
};

template <auto Member>
struct MemberTraits;
template <class C, class E, E C::*M>
struct MemberTraits<M> {
  using Class = C;
  using Event = E;
};

template <auto Method>
struct MethodTraits;
template <class C, class R, class... A, R (C::*M)(A...)>
struct MethodTraits<M> {
  using Class = C;
  using Event = TEvent<R(A...)>;
};

}  // namespace typinfo_detail

// A published property read through Getter (a const member function) and written through
// Setter (a member function taking the value), or read-only without one. The type is the
// getter's unless given.
template <auto Getter, auto Setter = nullptr>
TPropInfo Property(const char* name, const TTypeInfo* type = nullptr,
                   std::optional<std::int64_t> defaultValue = std::nullopt, bool stored = true) {
  using namespace typinfo_detail;
  using C = typename GetterTraits<Getter>::Class;
  using V = typename GetterTraits<Getter>::Value;
  TPropInfo p{name,
              type ? type : TypeInfoOf<V>(),
              [](const TObject* o) { return ToValue<V>((static_cast<const C*>(o)->*Getter)()); },
              nullptr,
              defaultValue,
              stored};
  if constexpr (!std::is_null_pointer_v<decltype(Setter)>) {
    using S = typename SetterTraits<Setter>::Value;
    p.Set = [](TObject* o, const TPropValue& v) { (static_cast<C*>(o)->*Setter)(FromValue<S>(v)); };
  }
  return p;
}

// A published event: a public TEvent member.
template <auto Member>
TPropInfo EventProperty(const char* name) {
  using namespace typinfo_detail;
  using C = typename MemberTraits<Member>::Class;
  using E = typename MemberTraits<Member>::Event;
  return TPropInfo{
      name, MethodTypeInfo<E>(),
      [](const TObject* o) -> TPropValue { return (static_cast<const C*>(o)->*Member).Method(); },
      [](TObject* o, const TPropValue& v) {
        static_cast<C*>(o)->*Member = E::FromMethod(std::get<TMethod>(v));
      }};
}

// A published field of a root class: a public pointer member to a component.
template <auto Member>
TFieldInfo Field(const char* name) {
  using C = typename typinfo_detail::MemberTraits<Member>::Class;
  using P = typename typinfo_detail::MemberTraits<Member>::Event;  // the pointer type
  using T = std::remove_pointer_t<P>;
  return TFieldInfo{
      name, &T::ClassInfo,
      [](const TObject* root) -> TObject* { return static_cast<const C*>(root)->*Member; },
      [](TObject* root, TObject* value) {
        static_cast<C*>(root)->*Member = dynamic_cast<T*>(value);
      }};
}

// A published method of a root class, which events of its type can be bound to by name.
template <auto Method>
TMethodInfo PublishedMethod(const char* name) {
  using C = typename typinfo_detail::MethodTraits<Method>::Class;
  using E = typename typinfo_detail::MethodTraits<Method>::Event;
  return TMethodInfo{name, E::Signature(), [](TObject* root) {
                       return E::template Of<Method>(dynamic_cast<C*>(root)).Method();
                     }};
}

// In a class body: the class's information and its ClassType().
#define DECLARE_CLASSINFO(Class)     \
 public:                             \
  static const TClassInfo ClassInfo; \
  const TClassInfo* ClassType() const override

// In the class's source file, with the tables as designated initializers
// (.Properties = ..., .Fields = ..., .Methods = ...).
#define IMPLEMENT_CLASS(ClassName_, BaseName_, ...)                     \
  const TClassInfo ClassName_::ClassInfo{                               \
      .Name = #ClassName_,                                              \
      .Parent = &BaseName_::ClassInfo,                                  \
      .Create = ClassFactory<ClassName_>() __VA_OPT__(, ) __VA_ARGS__}; \
  const TClassInfo* ClassName_::ClassType() const { return &ClassName_::ClassInfo; }

// In a class's source file, after IMPLEMENT_CLASS: registers the class by name when the
// program starts, for component streams that name it. (The file is linked whenever the class
// is used, so the registration is there whenever the class is.)
#define REGISTER_CLASS(ClassName_)                      \
  namespace {                                           \
  [[maybe_unused]] const bool kRegistered##ClassName_ = \
      (RegisterClass(&ClassName_::ClassInfo), true);    \
  }
