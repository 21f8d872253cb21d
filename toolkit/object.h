// The root of the class tree: class identity and ancestry queries, and the toolkit's rule for
// making and freeing objects.
//
// Objects are made with Construct<T>(...), which runs AfterConstruction once the whole object
// exists (a form reads its stored description and fires OnCreate there), and freed with Free(),
// which runs BeforeDestruction while the whole object still exists (a component frees what it
// owns there, a form fires OnDestroy). A destructor must not rely on owned components.
#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "toolkit/typinfo.h"

class TObject {
 public:
  static const TClassInfo ClassInfo;

  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  virtual const TClassInfo* ClassType() const;
  std::string ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(const TClassInfo* ancestor) const {
    return ClassType()->InheritsFrom(ancestor);
  }
  template <class T>
  bool Is() const {
    return InheritsFrom(&T::ClassInfo);
  }

  // Runs once after the most derived constructor; Construct<T> calls it.
  virtual void AfterConstruction() {}
  // BeforeDestruction, then the destructor.
  void Free();

 protected:
  virtual void BeforeDestruction() {}
};

// Makes a T from the arguments and runs its AfterConstruction.
template <class T, class... Args>
T* Construct(Args&&... args) {
  T* object = new T(std::forward<Args>(args)...);
  try {
    object->AfterConstruction();
  } catch (...) {
    object->Free();
    throw;
  }
  return object;
}

// Frees an object that may be null.
inline void FreeObject(TObject* object) {
  if (object) object->Free();
}

// A unique_ptr that frees its object the toolkit's way.
struct TFree {
  void operator()(TObject* object) const { FreeObject(object); }
};
template <class T>
using TOwnedPtr = std::unique_ptr<T, TFree>;

// The factory that IMPLEMENT_CLASS puts in a class's information: a class that says what it is
// made from (TConstructionContext: an owner for components, a collection for items) and can be
// made from it gets one.
template <class T>
constexpr TObject* (*ClassFactory())(TObject*) {
  if constexpr (requires { typename T::TConstructionContext; }) {
    using Context = typename T::TConstructionContext;
    if constexpr (!std::is_abstract_v<T> && std::is_constructible_v<T, Context>) {
      return
          [](TObject* context) -> TObject* { return Construct<T>(static_cast<Context>(context)); };
    }
  }
  return nullptr;
}
