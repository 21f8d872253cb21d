#include "toolkit/object.h"

const TClassInfo TObject::ClassInfo{.Name = "TObject", .Parent = nullptr};

const TClassInfo* TObject::ClassType() const { return &ClassInfo; }

void TObject::Free() {
  BeforeDestruction();
  delete this;
}
