// Force-feedback effect lists of the input parts. Each part keeps its effects and stores them
// in its defined binary property "Effects" as a component resource: a resource header, then a
// component stream whose root, a TForceFeedbackEffectComponent, holds the list in its
// collection property Effects. There is no force-feedback device in this system, so the lists
// are read, kept and written back, and never played.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/classes.h"
#include "toolkit/collection.h"
#include "toolkit/streams.h"

enum TForceFeedbackEffectType { etNone, etConstantForce, etPeriodic, etCondition };
DECLARE_ENUM_TYPEINFO(TForceFeedbackEffectType);

// One effect: its name, kind, and timing and strength.
class TForceFeedbackEffect : public TCollectionItem {
  DECLARE_CLASSINFO(TForceFeedbackEffect);
  explicit TForceFeedbackEffect(TCollection* Collection) : TCollectionItem(Collection) {}

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  TForceFeedbackEffectType EffectType() const { return FEffectType; }
  void SetEffectType(TForceFeedbackEffectType Value) { FEffectType = Value; }
  // Milliseconds of one period, strength (0 to 10000), milliseconds of playing, and delay.
  std::int32_t Period() const { return FPeriod; }
  void SetPeriod(std::int32_t Value) { FPeriod = Value; }
  std::int32_t Power() const { return FPower; }
  void SetPower(std::int32_t Value) { FPower = Value; }
  std::int32_t Time() const { return FTime; }
  void SetTime(std::int32_t Value) { FTime = Value; }
  std::int32_t StartDelayTime() const { return FStartDelayTime; }
  void SetStartDelayTime(std::int32_t Value) { FStartDelayTime = Value; }

  void Assign(const TPersistent* Source) override;

 private:
  std::string FName;
  TForceFeedbackEffectType FEffectType = etNone;
  std::int32_t FPeriod = 0;
  std::int32_t FPower = 0;
  std::int32_t FTime = 0;
  std::int32_t FStartDelayTime = 0;
};

// The root of a stored effect list. It reads into and writes from the list it is given
// (UseList), or a list of its own.
class TForceFeedbackEffectComponent : public TComponent {
  DECLARE_CLASSINFO(TForceFeedbackEffectComponent);
  explicit TForceFeedbackEffectComponent(TComponent* AOwner);
  ~TForceFeedbackEffectComponent() override;

  TCollection* Effects() const { return FEffects; }
  void UseList(TCollection* List) { FEffects = List ? List : FOwnList; }

 private:
  TCollection* FOwnList;
  TCollection* FEffects;
};

// The name under which a part's effect list is written as a component resource. Readers pass
// over it; stored effect lists carry this name.
inline constexpr const char* kEffectListResourceName = "DeviceForceFeedbackEffects";

// The effects of one input part (the part's published Effects).
class TForceFeedbackEffects : public TPersistent {
  DECLARE_CLASSINFO(TForceFeedbackEffects);
  TForceFeedbackEffects();
  ~TForceFeedbackEffects() override;

  int Count() const { return FList->Count(); }
  TForceFeedbackEffect* Items(int Index) const;
  TForceFeedbackEffect* Add();
  void Clear() { FList->Clear(); }

  // "Effects": the list as a component resource; stored while the list is not empty.
  void DefineStoredProperties(TFiler& Filer) override;

 private:
  void ReadEffects(TStream& Stream);
  void WriteEffects(TStream& Stream);
  TCollection* FList;
};
