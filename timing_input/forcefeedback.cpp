#include "timing_input/forcefeedback.h"

IMPLEMENT_ENUM_TYPEINFO(TForceFeedbackEffectType, "etNone", "etConstantForce", "etPeriodic",
                        "etCondition")

// ---- TForceFeedbackEffect ----

namespace {
const TPropInfo kEffectProps[] = {
    Property<&TForceFeedbackEffect::Name, &TForceFeedbackEffect::SetName>("Name"),
    Property<&TForceFeedbackEffect::EffectType, &TForceFeedbackEffect::SetEffectType>("EffectType"),
    Property<&TForceFeedbackEffect::Period, &TForceFeedbackEffect::SetPeriod>("Period"),
    Property<&TForceFeedbackEffect::Power, &TForceFeedbackEffect::SetPower>("Power"),
    Property<&TForceFeedbackEffect::Time, &TForceFeedbackEffect::SetTime>("Time"),
    Property<&TForceFeedbackEffect::StartDelayTime, &TForceFeedbackEffect::SetStartDelayTime>(
        "StartDelayTime"),
};
}  // namespace

IMPLEMENT_CLASS(TForceFeedbackEffect, TCollectionItem, .Properties = kEffectProps)

void TForceFeedbackEffect::Assign(const TPersistent* Source) {
  const auto* other = dynamic_cast<const TForceFeedbackEffect*>(Source);
  if (!other) {
    TCollectionItem::Assign(Source);
    return;
  }
  FName = other->FName;
  FEffectType = other->FEffectType;
  FPeriod = other->FPeriod;
  FPower = other->FPower;
  FTime = other->FTime;
  FStartDelayTime = other->FStartDelayTime;
}

// ---- TForceFeedbackEffectComponent ----

namespace {
const TPropInfo kEffectComponentProps[] = {
    Property<&TForceFeedbackEffectComponent::Effects>("Effects"),
};
}  // namespace

IMPLEMENT_CLASS(TForceFeedbackEffectComponent, TComponent, .Properties = kEffectComponentProps)
REGISTER_CLASS(TForceFeedbackEffectComponent)

TForceFeedbackEffectComponent::TForceFeedbackEffectComponent(TComponent* AOwner)
    : TComponent(AOwner), FOwnList(Construct<TCollection>(&TForceFeedbackEffect::ClassInfo)) {
  FEffects = FOwnList;
}

TForceFeedbackEffectComponent::~TForceFeedbackEffectComponent() { FOwnList->Free(); }

// ---- TForceFeedbackEffects ----

IMPLEMENT_CLASS(TForceFeedbackEffects, TPersistent)

TForceFeedbackEffects::TForceFeedbackEffects()
    : FList(Construct<TCollection>(&TForceFeedbackEffect::ClassInfo)) {}

TForceFeedbackEffects::~TForceFeedbackEffects() { FList->Free(); }

TForceFeedbackEffect* TForceFeedbackEffects::Items(int Index) const {
  return static_cast<TForceFeedbackEffect*>(FList->Items(Index));
}

TForceFeedbackEffect* TForceFeedbackEffects::Add() {
  return static_cast<TForceFeedbackEffect*>(FList->Add());
}

void TForceFeedbackEffects::DefineStoredProperties(TFiler& Filer) {
  Filer.DefineBinaryProperty("Effects", TStreamProc::Of<&TForceFeedbackEffects::ReadEffects>(this),
                             TStreamProc::Of<&TForceFeedbackEffects::WriteEffects>(this),
                             FList->Count() > 0);
}

void TForceFeedbackEffects::ReadEffects(TStream& Stream) {
  TOwnedPtr<TForceFeedbackEffectComponent> root(Construct<TForceFeedbackEffectComponent>(nullptr));
  root->UseList(FList);
  Stream.ReadComponentRes(root.get());
}

void TForceFeedbackEffects::WriteEffects(TStream& Stream) {
  TOwnedPtr<TForceFeedbackEffectComponent> root(Construct<TForceFeedbackEffectComponent>(nullptr));
  root->SetName("_1");
  root->UseList(FList);
  Stream.WriteComponentRes(kEffectListResourceName, root.get());
}
