// The input component: turns the keyboard (and, were there DirectInput, the mouse and a
// joystick) into abstract input states: four directions and thirty-two buttons. Each input part
// reads its device into its own States; the component joins the states of the parts bound to
// it and keeps in States those that came on since they were last off, so a state the program
// removes stays out until its key is released and pressed again: one action per key press.
//
// DirectInput and the joystick service are not part of this system: asking for DirectInput
// leaves the component without it (no error), the keyboard then reads the platform's key
// state, an enabled mouse fails with "DirectInput is required for mouse support", and an
// enabled joystick stays unready. Force-feedback effect lists are read, kept and written.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "form/dxform.h"
#include "timing_input/forcefeedback.h"
#include "toolkit/classes.h"
#include "toolkit/sysutils.h"

DECLARE_EXCEPTION(EDXInputError, Exception);

enum TDXInputState {
  isUp,
  isDown,
  isLeft,
  isRight,
  isButton1,
  isButton2,
  isButton3,
  isButton4,
  isButton5,
  isButton6,
  isButton7,
  isButton8,
  isButton9,
  isButton10,
  isButton11,
  isButton12,
  isButton13,
  isButton14,
  isButton15,
  isButton16,
  isButton17,
  isButton18,
  isButton19,
  isButton20,
  isButton21,
  isButton22,
  isButton23,
  isButton24,
  isButton25,
  isButton26,
  isButton27,
  isButton28,
  isButton29,
  isButton30,
  isButton31,
  isButton32
};
constexpr int kDXInputStateCount = isButton32 + 1;

// A set of input states: member n is bit n, bits 0 to 35.
class TDXInputStates {
 public:
  constexpr TDXInputStates() = default;
  constexpr TDXInputStates(std::initializer_list<TDXInputState> members) {
    for (TDXInputState m : members) Include(m);
  }
  constexpr bool Contains(TDXInputState m) const { return (FBits >> m) & 1; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TDXInputStates& Include(TDXInputState m) {
    FBits |= std::uint64_t{1} << m;
    return *this;
  }
  constexpr TDXInputStates& Exclude(TDXInputState m) {
    FBits &= ~(std::uint64_t{1} << m);
    return *this;
  }
  constexpr std::uint64_t Bits() const { return FBits; }
  friend constexpr TDXInputStates operator+(TDXInputStates a, TDXInputStates b) {
    a.FBits |= b.FBits;
    return a;
  }
  friend constexpr bool operator==(TDXInputStates, TDXInputStates) = default;

 private:
  std::uint64_t FBits = 0;
};

class TCustomDXInput;

// What the input parts have in common: whether they are used and bound, their states, their
// buttons, and their effect lists.
class TCustomInput : public TPersistent {
  DECLARE_CLASSINFO(TCustomInput);

  // Joins DXInput's list of parts.
  explicit TCustomInput(TCustomDXInput* DXInput);
  ~TCustomInput() override;

  bool BindInputStates() const { return FBindInputStates; }
  void SetBindInputStates(bool Value) { FBindInputStates = Value; }
  // Setting a new value outside the reading of a form prepares the part again.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool ForceFeedback() const { return FForceFeedback; }
  void SetForceFeedback(bool Value);
  TForceFeedbackEffects* Effects() const { return FEffects; }

  std::int32_t ButtonCount() const { return FButtonCount; }
  TDXInputStates States() const { return FStates; }
  // Button Index (from 0) is on; False above 31.
  bool Buttons(int Index) const;
  // Ready to read: prepared, and not released since.
  bool Initialized() const { return FInitialized; }
  TCustomDXInput* DXInput() const { return FDXInput; }

  // Lets go of the device and becomes unready, with no buttons and no states.
  virtual void ReleaseDevice();
  // Makes the part ready when it is enabled and its device can be had.
  virtual void PrepareDevice() = 0;
  // The cooperative level the part would ask of DirectInput.
  virtual std::int32_t CooperativeFlags() const;
  // Reads the device into States.
  virtual void Update() = 0;

 protected:
  bool Designing() const;
  // While the component is being loaded, settings are only kept.
  bool Loading() const;

  std::int32_t FButtonCount = 0;
  bool FInitialized = false;
  TDXInputStates FStates;
  bool FBindInputStates = true;
  bool FEnabled = true;

 private:
  TCustomDXInput* FDXInput;
  TForceFeedbackEffects* FEffects;
  bool FForceFeedback = false;
  bool FForceFeedbackDevice = false;
};

// For each input state, three virtual-key codes; 0 leaves a slot empty.
using TKeyAssign = std::array<std::int32_t, 3>;
using TKeyAssignList = std::array<TKeyAssign, kDXInputStateCount>;

class TKeyboard : public TCustomInput {
  DECLARE_CLASSINFO(TKeyboard);

  // Starts with the usual table: K/up/pad 8 up, J/down/pad 2 down, H/left/pad 4 left,
  // L/right/pad 6 right, Z/space button 1, X/Enter button 2, F2 button 9.
  explicit TKeyboard(TCustomDXInput* DXInput);

  // The key is down, as of the last Update; False for 0 and above 255.
  bool Keys(int Key) const;
  TKeyAssignList KeyAssigns;

  void ReleaseDevice() override;
  void PrepareDevice() override;
  void Update() override;

  // "Assigns": the table as 432 bytes, 36 rows of three little-endian 32-bit codes, always
  // written; "Aissgns": the same, read but never written.
  void DefineStoredProperties(TFiler& Filer) override;

 private:
  void ReadAssigns(TStream& Stream);
  void WriteAssigns(TStream& Stream);

  std::array<std::uint8_t, 256> FKeyStates{};
};

class TMouse : public TCustomInput {
  DECLARE_CLASSINFO(TMouse);

  // Starts disabled and unbound.
  explicit TMouse(TCustomDXInput* DXInput);

  std::int32_t X() const { return FX; }
  std::int32_t Y() const { return FY; }
  std::int32_t Z() const { return FZ; }

  // EDXInputError "DirectInput is required for mouse support" when enabled.
  void PrepareDevice() override;
  std::int32_t CooperativeFlags() const override;
  void Update() override;

 private:
  std::int32_t FX = 0, FY = 0, FZ = 0;
};

class TJoystick : public TCustomInput {
  DECLARE_CLASSINFO(TJoystick);

  explicit TJoystick(TCustomDXInput* DXInput);

  bool AutoCenter() const { return FAutoCenter; }
  void SetAutoCenter(bool Value) { FAutoCenter = Value; }
  // Dead zones in percent of the range, per axis, and ranges either side of the centre.
  std::int32_t DeadZoneX() const { return FDeadZone[0]; }
  std::int32_t DeadZoneY() const { return FDeadZone[1]; }
  std::int32_t DeadZoneZ() const { return FDeadZone[2]; }
  void SetDeadZoneX(std::int32_t Value) { FDeadZone[0] = Value; }
  void SetDeadZoneY(std::int32_t Value) { FDeadZone[1] = Value; }
  void SetDeadZoneZ(std::int32_t Value) { FDeadZone[2] = Value; }
  std::int32_t RangeX() const { return FRange[0]; }
  std::int32_t RangeY() const { return FRange[1]; }
  std::int32_t RangeZ() const { return FRange[2]; }
  void SetRangeX(std::int32_t Value) { FRange[0] = Value; }
  void SetRangeY(std::int32_t Value) { FRange[1] = Value; }
  void SetRangeZ(std::int32_t Value) { FRange[2] = Value; }
  std::int32_t ID() const { return FID; }
  void SetID(std::int32_t Value) { FID = Value; }

  // There is no joystick service: an enabled joystick stays unready.
  void PrepareDevice() override;
  void Update() override;

 private:
  bool FAutoCenter = true;
  std::array<std::int32_t, 3> FDeadZone{50, 50, 50};
  std::array<std::int32_t, 3> FRange{1000, 1000, 1000};
  std::int32_t FID = 0;
};

class TCustomDXInput : public TComponent {
  DECLARE_CLASSINFO(TCustomDXInput);

  // Makes the joystick, keyboard and mouse and hooks the first form among the owners;
  // EDXInputError "Form not found" when there is none.
  explicit TCustomDXInput(TComponent* AOwner);
  ~TCustomDXInput() override;

  // Read devices only while the owning form's window is the foreground window.
  bool ActiveOnly() const { return FActiveOnly; }
  void SetActiveOnly(bool Value);
  // A new value prepares every part again at once, also while the form is being read.
  bool UseDirectInput() const { return FUseDirectInput; }
  void SetUseDirectInput(bool Value);
  TJoystick* Joystick() const { return FJoystick.get(); }
  TKeyboard* Keyboard() const { return FKeyboard.get(); }
  TMouse* Mouse() const { return FMouse.get(); }
  TCustomForm* Form() const { return FForm; }
  // The parts, in order of creation.
  const std::vector<TCustomInput*>& Devices() const { return FDevice; }

  // The states that came on since they were last off; the program may remove them.
  TDXInputStates States() const { return FStates; }
  void SetStates(TDXInputStates Value) { FStates = Value; }
  // Reads every part and brings States up to date.
  void Update();

  void AfterLoading() override;
  // The owning form's window is the foreground window.
  bool FormIsForeground() const;

 protected:
  void BeforeDestruction() override;

 private:
  friend class TCustomInput;
  void Initialize();
  void ReleaseDevices();
  void FormWndProc(TMessage& Message, TWndMethod DefWindowProc);

  bool FActiveOnly = true;
  std::vector<TCustomInput*> FDevice;
  bool FDInput = false;  // DirectInput is had; never in this system
  TCustomForm* FForm = nullptr;
  TOwnedPtr<TJoystick> FJoystick;
  TOwnedPtr<TKeyboard> FKeyboard;
  TOwnedPtr<TMouse> FMouse;
  TDXInputStates FOldStates;
  TDXInputStates FStates;
  TOwnedPtr<TControlSubClass> FSubClass;
  bool FUseDirectInput = true;
};

class TDXInput : public TCustomDXInput {
  DECLARE_CLASSINFO(TDXInput);
  explicit TDXInput(TComponent* AOwner);
};
