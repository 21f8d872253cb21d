#include "timing_input/dxinput.h"

#include <algorithm>

#include "platform/little_endian.h"
#include "platform/system/input.h"
#include "platform/winapi.h"
#include "toolkit/forms.h"

using namespace platform;

namespace {
constexpr std::int32_t kKeyboardButtons = 32;
constexpr std::int32_t kMaxButtons = 32;
constexpr std::uint8_t kKeyDown = 0x80;
constexpr std::size_t kKeyAssignBytes = sizeof(std::int32_t) * 3 * kDXInputStateCount;  // 432

// Cooperative levels as DirectInput knows them.
constexpr std::int32_t DISCL_EXCLUSIVE = 0x01;
constexpr std::int32_t DISCL_NONEXCLUSIVE = 0x02;
constexpr std::int32_t DISCL_FOREGROUND = 0x04;
constexpr std::int32_t DISCL_BACKGROUND = 0x08;

// Virtual-key codes of the keyboard's starting table.
constexpr std::int32_t kKeyH = 0x48, kKeyJ = 0x4A, kKeyK = 0x4B, kKeyL = 0x4C;
constexpr std::int32_t kKeyX = 0x58, kKeyZ = 0x5A;
constexpr std::int32_t kUp = 0x26, kDown = 0x28, kLeft = 0x25, kRight = 0x27;
constexpr std::int32_t kPad2 = 0x62, kPad4 = 0x64, kPad6 = 0x66, kPad8 = 0x68;
constexpr std::int32_t kSpace = 0x20, kEnter = 0x0D, kF2 = 0x71;
}  // namespace

// ---- TCustomInput ----

namespace {
const TPropInfo kCustomInputProps[] = {
    Property<&TCustomInput::BindInputStates, &TCustomInput::SetBindInputStates>("BindInputStates"),
    Property<&TCustomInput::Effects>("Effects"),
    Property<&TCustomInput::Enabled, &TCustomInput::SetEnabled>("Enabled"),
    Property<&TCustomInput::ForceFeedback, &TCustomInput::SetForceFeedback>("ForceFeedback"),
};
}  // namespace

IMPLEMENT_CLASS(TCustomInput, TPersistent, .Properties = kCustomInputProps)

TCustomInput::TCustomInput(TCustomDXInput* DXInput)
    : FDXInput(DXInput), FEffects(Construct<TForceFeedbackEffects>()) {
  FDXInput->FDevice.push_back(this);
}

TCustomInput::~TCustomInput() {
  auto& list = FDXInput->FDevice;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  FEffects->Free();
}

bool TCustomInput::Designing() const { return FDXInput->ComponentState().Contains(csDesigning); }

bool TCustomInput::Loading() const {
  const TComponentState s = FDXInput->ComponentState();
  return s.Contains(csLoading) || s.Contains(csReading);
}

void TCustomInput::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  if (!Loading()) PrepareDevice();
}

void TCustomInput::SetForceFeedback(bool Value) {
  if (Value == FForceFeedback) return;
  FForceFeedback = Value;
  if (!Loading()) PrepareDevice();
}

bool TCustomInput::Buttons(int Index) const {
  return Index >= 0 && Index < kMaxButtons &&
         FStates.Contains(static_cast<TDXInputState>(isButton1 + Index));
}

void TCustomInput::ReleaseDevice() {
  FInitialized = false;
  FButtonCount = 0;
  FStates = {};
  FForceFeedbackDevice = false;
}

std::int32_t TCustomInput::CooperativeFlags() const {
  return DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
}

// ---- TKeyboard ----

IMPLEMENT_CLASS(TKeyboard, TCustomInput)

TKeyboard::TKeyboard(TCustomDXInput* DXInput) : TCustomInput(DXInput), KeyAssigns{} {
  KeyAssigns[isUp] = {kKeyK, kUp, kPad8};
  KeyAssigns[isDown] = {kKeyJ, kDown, kPad2};
  KeyAssigns[isLeft] = {kKeyH, kLeft, kPad4};
  KeyAssigns[isRight] = {kKeyL, kRight, kPad6};
  KeyAssigns[isButton1] = {kKeyZ, kSpace, 0};
  KeyAssigns[isButton2] = {kKeyX, kEnter, 0};
  KeyAssigns[isButton9] = {kF2, 0, 0};
}

bool TKeyboard::Keys(int Key) const {
  return Key > 0 && Key <= 255 && (FKeyStates[static_cast<std::size_t>(Key)] & kKeyDown) != 0;
}

void TKeyboard::ReleaseDevice() {
  FKeyStates.fill(0);
  TCustomInput::ReleaseDevice();
}

void TKeyboard::PrepareDevice() {
  ReleaseDevice();
  if (!FEnabled || Designing()) return;
  // With DirectInput the system keyboard device would be made here; without it the keyboard
  // reads the platform's key state.
  FButtonCount = kKeyboardButtons;
  FInitialized = true;
}

void TKeyboard::Update() {
  FKeyStates.fill(0);
  FStates = {};
  if (!FInitialized) return;
  if (DXInput()->ActiveOnly() && !DXInput()->FormIsForeground()) return;
  GetKeyboardState(FKeyStates.data());
  for (int s = 0; s < kDXInputStateCount; ++s)
    for (std::int32_t key : KeyAssigns[static_cast<std::size_t>(s)])
      if (Keys(key)) {
        FStates.Include(static_cast<TDXInputState>(s));
        break;
      }
}

void TKeyboard::DefineStoredProperties(TFiler& Filer) {
  TCustomInput::DefineStoredProperties(Filer);
  Filer.DefineBinaryProperty("Assigns", TStreamProc::Of<&TKeyboard::ReadAssigns>(this),
                             TStreamProc::Of<&TKeyboard::WriteAssigns>(this), true);
  Filer.DefineBinaryProperty("Aissgns", TStreamProc::Of<&TKeyboard::ReadAssigns>(this), nullptr,
                             false);
}

void TKeyboard::ReadAssigns(TStream& Stream) {
  std::uint8_t bytes[kKeyAssignBytes];
  Stream.ReadBuffer(bytes, sizeof bytes);
  const std::uint8_t* p = bytes;
  for (TKeyAssign& row : KeyAssigns)
    for (std::int32_t& key : row) {
      key = static_cast<std::int32_t>(GetLE32(p));
      p += 4;
    }
}

void TKeyboard::WriteAssigns(TStream& Stream) {
  std::uint8_t bytes[kKeyAssignBytes];
  std::uint8_t* p = bytes;
  for (const TKeyAssign& row : KeyAssigns)
    for (std::int32_t key : row) {
      PutLE32(p, static_cast<std::uint32_t>(key));
      p += 4;
    }
  Stream.WriteBuffer(bytes, sizeof bytes);
}

// ---- TMouse ----

IMPLEMENT_CLASS(TMouse, TCustomInput)

TMouse::TMouse(TCustomDXInput* DXInput) : TCustomInput(DXInput) {
  FEnabled = false;
  FBindInputStates = false;
}

void TMouse::PrepareDevice() {
  ReleaseDevice();
  if (!FEnabled || Designing()) return;
  throw EDXInputError("DirectInput is required for mouse support");
}

std::int32_t TMouse::CooperativeFlags() const { return DISCL_EXCLUSIVE | DISCL_FOREGROUND; }

void TMouse::Update() {
  FStates = {};
  FX = FY = FZ = 0;
}

// ---- TJoystick ----

namespace {
const TPropInfo kJoystickProps[] = {
    Property<&TJoystick::AutoCenter, &TJoystick::SetAutoCenter>("AutoCenter"),
    Property<&TJoystick::DeadZoneX, &TJoystick::SetDeadZoneX>("DeadZoneX"),
    Property<&TJoystick::DeadZoneY, &TJoystick::SetDeadZoneY>("DeadZoneY"),
    Property<&TJoystick::DeadZoneZ, &TJoystick::SetDeadZoneZ>("DeadZoneZ"),
    Property<&TJoystick::ID, &TJoystick::SetID>("ID"),
    Property<&TJoystick::RangeX, &TJoystick::SetRangeX>("RangeX"),
    Property<&TJoystick::RangeY, &TJoystick::SetRangeY>("RangeY"),
    Property<&TJoystick::RangeZ, &TJoystick::SetRangeZ>("RangeZ"),
};
}  // namespace

IMPLEMENT_CLASS(TJoystick, TCustomInput, .Properties = kJoystickProps)

TJoystick::TJoystick(TCustomDXInput* DXInput) : TCustomInput(DXInput) {}

void TJoystick::PrepareDevice() {
  ReleaseDevice();
  // Neither DirectInput nor the multimedia joystick service is there to read a joystick.
}

void TJoystick::Update() { FStates = {}; }

// ---- TCustomDXInput ----

IMPLEMENT_CLASS(TCustomDXInput, TComponent)

TCustomDXInput::TCustomDXInput(TComponent* AOwner) : TComponent(AOwner) {
  FActiveOnly = true;
  FJoystick.reset(Construct<TJoystick>(this));
  FKeyboard.reset(Construct<TKeyboard>(this));
  FMouse.reset(Construct<TMouse>(this));
  FUseDirectInput = true;
  for (TComponent* owner = AOwner; owner && !FForm; owner = owner->Owner())
    FForm = dynamic_cast<TCustomForm*>(owner);
  if (!FForm) throw EDXInputError("Form not found");
  FSubClass.reset(
      new TControlSubClass(FForm, TControlSubClassProc::Of<&TCustomDXInput::FormWndProc>(this)));
}

TCustomDXInput::~TCustomDXInput() = default;

void TCustomDXInput::BeforeDestruction() {
  ReleaseDevices();
  FJoystick.reset();
  FKeyboard.reset();
  FMouse.reset();
  FSubClass.reset();
  while (!FDevice.empty()) FDevice.back()->Free();
  TComponent::BeforeDestruction();
}

void TCustomDXInput::ReleaseDevices() {
  for (TCustomInput* part : FDevice) part->ReleaseDevice();
  FDInput = false;
}

void TCustomDXInput::Initialize() {
  ReleaseDevices();
  if (ComponentState().Contains(csDesigning)) return;
  // DirectInput would be obtained here when UseDirectInput is on; it is not part of this
  // system, so the parts go on without it, as they do when it cannot be made.
  FDInput = false;
  for (TCustomInput* part : FDevice) part->PrepareDevice();
  // Parts with a DirectInput device would take their cooperative levels on the form's window
  // here; no part has one.
  Update();
}

void TCustomDXInput::AfterLoading() {
  TComponent::AfterLoading();
  Initialize();
}

void TCustomDXInput::SetActiveOnly(bool Value) {
  // Parts with a device would take new cooperative levels; the keyboard without one reads the
  // value at each Update.
  FActiveOnly = Value;
}

void TCustomDXInput::SetUseDirectInput(bool Value) {
  if (Value == FUseDirectInput) return;
  FUseDirectInput = Value;
  Initialize();
}

bool TCustomDXInput::FormIsForeground() const {
  return FForm->HandleAllocated() && GetForegroundWindow() == FForm->Handle();
}

void TCustomDXInput::Update() {
  TDXInputStates joined;
  for (TCustomInput* part : FDevice) {
    part->Update();
    if (part->BindInputStates()) joined = joined + part->States();
  }
  for (int i = 0; i < kDXInputStateCount; ++i) {
    const auto s = static_cast<TDXInputState>(i);
    if (joined.Contains(s) && !FOldStates.Contains(s))
      FStates.Include(s);
    else if (!joined.Contains(s) && FOldStates.Contains(s))
      FStates.Exclude(s);
  }
  FOldStates = joined;
}

// Every message goes on first. A new window (WM_CREATE) or an activation (WM_ACTIVATE,
// WM_ACTIVATEAPP) is where parts with a DirectInput device would take their cooperative levels
// and devices again; without devices the hook only passes messages on.
void TCustomDXInput::FormWndProc(TMessage& Message, TWndMethod DefWindowProc) {
  DefWindowProc(Message);
}

// ---- TDXInput ----

namespace {
const TPropInfo kDXInputProps[] = {
    Property<&TDXInput::ActiveOnly, &TDXInput::SetActiveOnly>("ActiveOnly"),
    Property<&TDXInput::Joystick>("Joystick"),
    Property<&TDXInput::Keyboard>("Keyboard"),
    Property<&TDXInput::Mouse>("Mouse"),
    Property<&TDXInput::UseDirectInput, &TDXInput::SetUseDirectInput>("UseDirectInput"),
};
}  // namespace

IMPLEMENT_CLASS(TDXInput, TCustomDXInput, .Properties = kDXInputProps)
REGISTER_CLASS(TDXInput)

TDXInput::TDXInput(TComponent* AOwner) : TCustomDXInput(AOwner) {}
