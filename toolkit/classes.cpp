#include "toolkit/classes.h"

#include <algorithm>
#include <cctype>

#include "toolkit/sysutils.h"

// ---- TPersistent ----

IMPLEMENT_CLASS(TPersistent, TObject)

void TPersistent::Assign(const TPersistent* Source) {
  if (Source)
    Source->AssignTo(this);
  else
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) const { Dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* Source) const {
  const std::string source = Source ? Source->ClassName() : "nil";
  throw EConvertError(Format(msg::SAssignError, source.c_str(), ClassName().c_str()));
}

void TPersistent::DefineStoredProperties(TFiler&) {}

// ---- TComponent ----

namespace {
const TPropInfo kComponentProps[] = {
    Property<&TComponent::Name, &TComponent::SetName>("Name", nullptr, std::nullopt, false),
    Property<&TComponent::Tag, &TComponent::SetTag>("Tag", nullptr, 0),
};
}  // namespace

IMPLEMENT_CLASS(TComponent, TPersistent, .Properties = kComponentProps)

bool IsValidIdent(std::string_view Name) {
  if (Name.empty()) return false;
  const auto identStart = [](unsigned char c) { return std::isalpha(c) || c == '_'; };
  if (!identStart(static_cast<unsigned char>(Name[0]))) return false;
  return std::all_of(Name.begin() + 1, Name.end(), [&](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return identStart(c) || std::isdigit(c);
  });
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Normally BeforeDestruction has done all this already; a component deleted without Free
  // still lets go of everything it knows.
  if (!FComponentState.Contains(csDestroying)) {
    Destroying();
    RemoveFreeNotifications();
    DestroyComponents();
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::BeforeDestruction() {
  Destroying();
  RemoveFreeNotifications();
  DestroyComponents();
  // Leave the owner here, not in the destructor: the owner's components hear of the removal
  // while this component is still whole and still answers to its own class.
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) throw EListError(Format(msg::SListIndexError, Index));
  return FComponents[static_cast<std::size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  const auto& list = FOwner->FComponents;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view Name) const {
  if (Name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, Name)) return c;
  return nullptr;
}

void TComponent::SetName(const std::string& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError(Format(msg::SInvalidName, NewName.c_str()));
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  SetReference(false);
  FName = NewName;
  SetReference(true);
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) {
  if (!AComponent || SameText(CurName, NewName)) return;
  // The component itself may already be here (renamed in place, or taken in again).
  const TComponent* existing = FindComponent(NewName);
  if (existing && existing != AComponent)
    throw EComponentError(Format(msg::SDuplicateName, NewName.c_str()));
}

void TComponent::SetReference(bool Enable) {
  if (!FOwner || FName.empty()) return;
  const TFieldInfo* field = FOwner->ClassType()->FindField(FName);
  if (!field) return;
  if (Enable && InheritsFrom(field->ClassType))
    field->Set(FOwner, this);
  else if (!Enable && field->Get(FOwner) == this)
    field->Set(FOwner, nullptr);
}

void TComponent::SetDesignPosition(std::int32_t Left, std::int32_t Top) {
  FDesignLeft = Left;
  FDesignTop = Top;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  // Checked before it leaves its previous owner, so that a refused component stays there.
  ValidateRename(AComponent, std::string(), AComponent->FName);
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  AComponent->SetReference(true);
  if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  AComponent->SetReference(false);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), AComponent),
                    FComponents.end());
  AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    RemoveComponent(last);
    last->Free();
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(AComponent);
    AComponent->FreeNotification(this);
  }
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  const auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
  if (it == FFreeNotifies.end()) return;
  FFreeNotifies.erase(it);
  AComponent->RemoveFreeNotification(this);
}

void TComponent::RemoveFreeNotifications() {
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    other->RemoveFreeNotification(this);
    other->Notification(this, opRemove);
  }
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Walk a copy: a component told of a removal may free others.
  const std::vector<TComponent*> owned = FComponents;
  for (TComponent* c : owned)
    if (std::find(FComponents.begin(), FComponents.end(), c) != FComponents.end())
      c->Notification(AComponent, Operation);
}

void TComponent::SetComponentStateFlag(TComponentStateItem Item, bool Value) {
  if (Value)
    FComponentState.Include(Item);
  else
    FComponentState.Exclude(Item);
}

void TComponent::Loading() { FComponentState.Include(csLoading); }

void TComponent::SetReading(bool Value) { SetComponentStateFlag(csReading, Value); }

void TComponent::ReadState(TReader& Reader) { Reader.ReadData(this); }

void TComponent::AfterLoading() { FComponentState.Exclude(csLoading); }

void TComponent::SetChildOrder(TComponent*, int) {}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  SetComponentStateFlag(csDesigning, Value);
  if (SetChildren)
    for (TComponent* c : FComponents) c->SetDesigning(Value);
}

void TComponent::DefineStoredProperties(TFiler& Filer) {
  const bool stored = FDesignLeft != 0 || FDesignTop != 0;
  Filer.DefineProperty("Left", TReaderProc::Of<&TComponent::ReadLeft>(this),
                       TWriterProc::Of<&TComponent::WriteLeft>(this), stored);
  Filer.DefineProperty("Top", TReaderProc::Of<&TComponent::ReadTop>(this),
                       TWriterProc::Of<&TComponent::WriteTop>(this), stored);
}

void TComponent::ReadLeft(TReader& Reader) { FDesignLeft = Reader.ReadInteger(); }
void TComponent::ReadTop(TReader& Reader) { FDesignTop = Reader.ReadInteger(); }
void TComponent::WriteLeft(TWriter& Writer) { Writer.WriteInteger(FDesignLeft); }
void TComponent::WriteTop(TWriter& Writer) { Writer.WriteInteger(FDesignTop); }
