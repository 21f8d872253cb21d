// Bound methods: an event or handler is an object pointer together with code, made from a
// member function and compared on both, so that a registry can find "the entry whose code and
// data both match" and a component stream can bind a handler by name.
//
//   OnCreate = TNotifyEvent::Of<&TMainForm::FormCreate>(form);
#pragma once

#include <utility>

class TObject;

// The untyped pair behind every bound method. Code identifies the member function (one per
// member function and event type), Data the object it is called on.
struct TMethod {
  void (*Code)() = nullptr;
  void* Data = nullptr;
  explicit operator bool() const { return Code != nullptr; }
  friend bool operator==(const TMethod&, const TMethod&) = default;
};

namespace events_detail {
// The class that declares a member function: `&TForm::Close` names TCustomForm's Close when
// TCustomForm declares it.
template <class MemberPointer>
struct DeclaringClass;
template <class Function, class C>
struct DeclaringClass<Function C::*> {
  using Type = C;
};
}  // namespace events_detail

template <class Signature>
class TEvent;

template <class R, class... Args>
class TEvent<R(Args...)> {
 public:
  constexpr TEvent() = default;
  constexpr TEvent(std::nullptr_t) {}

  // The event bound to `Method` of `object`. The code depends only on the method, never on
  // the pointer type it was bound through, so binding through a descendant's pointer gives
  // the same event as binding through the declaring class's.
  template <auto Method, class C>
  static TEvent Of(C* object) {
    using Declaring = typename events_detail::DeclaringClass<decltype(Method)>::Type;
    TEvent e;
    e.FCode = &Call<Method, Declaring>;
    e.FData = static_cast<void*>(static_cast<Declaring*>(object));
    return e;
  }

  R operator()(Args... args) const { return FCode(FData, std::forward<Args>(args)...); }
  explicit operator bool() const { return FCode != nullptr; }
  friend bool operator==(const TEvent&, const TEvent&) = default;

  TMethod Method() const { return {reinterpret_cast<void (*)()>(FCode), FData}; }
  // The event behind a method of the same event type (see Signature()).
  static TEvent FromMethod(const TMethod& m) {
    TEvent e;
    e.FCode = reinterpret_cast<Thunk>(m.Code);
    e.FData = m.Data;
    return e;
  }
  // A tag unique to this event type, so that untyped methods can be checked before use.
  static const void* Signature() { return &kSignature; }

  template <auto Method, class C>
  static R Call(void* data, Args... args) {
    return (static_cast<C*>(data)->*Method)(std::forward<Args>(args)...);
  }

 private:
  using Thunk = R (*)(void*, Args...);
  static inline const char kSignature = 0;
  Thunk FCode = nullptr;
  void* FData = nullptr;
};

using TNotifyEvent = TEvent<void(TObject* Sender)>;
