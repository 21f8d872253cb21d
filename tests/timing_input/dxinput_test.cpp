// The input component on the headless machine: keys into input states once per press, the
// foreground rule, the parts without DirectInput, and the assignment table and effect lists
// through the component stream.
#include "timing_input/dxinput.h"

#include <gtest/gtest.h>

#include <string>

#include "assets/reader.h"
#include "assets/writer.h"
#include "platform/little_endian.h"
#include "platform/system/input.h"
#include "tests/support/headless_machine.h"
#include "tests/support/raises.h"
#include "toolkit/forms.h"

using namespace platform;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kZ = 'Z';
constexpr std::uint16_t kF2 = 0x71;
constexpr std::uint16_t kX = 'X';

class InputStates : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    form = TCustomForm::CreateNew<TForm>(app.get());
    input = Construct<TDXInput>(form);
    input->SetName("DXInput");
    input->SetUseDirectInput(false);
    input->AfterLoading();
    form->Show();  // shown, focused: the foreground window
    app->ProcessMessages();
  }
  void Down(std::uint16_t key) {
    machine->KeyDown(form->Handle(), key);
    app->ProcessMessages();
  }
  void Up(std::uint16_t key) {
    machine->KeyUp(form->Handle(), key);
    app->ProcessMessages();
  }
  TDXInputStates Update() {
    input->Update();
    return input->States();
  }

  TForm* form = nullptr;
  TDXInput* input = nullptr;
};

TEST_F(InputStates, APartsAreMadeWithTheirStartingSettings) {
  ASSERT_EQ(input->Devices().size(), 3u);
  EXPECT_EQ(input->Devices()[0], input->Joystick());
  EXPECT_EQ(input->Devices()[1], input->Keyboard());
  EXPECT_EQ(input->Devices()[2], input->Mouse());
  EXPECT_TRUE(input->ActiveOnly());
  EXPECT_TRUE(input->Keyboard()->Enabled() && input->Keyboard()->BindInputStates());
  EXPECT_FALSE(input->Mouse()->Enabled() || input->Mouse()->BindInputStates());
  EXPECT_TRUE(input->Keyboard()->Initialized());
  EXPECT_EQ(input->Keyboard()->ButtonCount(), 32);
  EXPECT_FALSE(input->Mouse()->Initialized());
  EXPECT_FALSE(input->Joystick()->Initialized());

  const TKeyAssignList& table = input->Keyboard()->KeyAssigns;
  EXPECT_EQ(table[isUp], (TKeyAssign{0x4B, 0x26, 0x68}));
  EXPECT_EQ(table[isDown], (TKeyAssign{0x4A, 0x28, 0x62}));
  EXPECT_EQ(table[isLeft], (TKeyAssign{0x48, 0x25, 0x64}));
  EXPECT_EQ(table[isRight], (TKeyAssign{0x4C, 0x27, 0x66}));
  EXPECT_EQ(table[isButton1], (TKeyAssign{0x5A, 0x20, 0}));
  EXPECT_EQ(table[isButton2], (TKeyAssign{0x58, 0x0D, 0}));
  EXPECT_EQ(table[isButton9], (TKeyAssign{0x71, 0, 0}));
  int filled = 0;
  for (const TKeyAssign& row : table) filled += row != TKeyAssign{};
  EXPECT_EQ(filled, 7);
}

TEST_F(InputStates, AStateComesOnOncePerPress) {
  Down(kZ);
  EXPECT_EQ(Update(), (TDXInputStates{isButton1}));
  EXPECT_TRUE(input->Keyboard()->Buttons(0));

  input->SetStates({});  // the program acts on it and removes it
  EXPECT_EQ(Update(), TDXInputStates{});
  EXPECT_EQ(Update(), TDXInputStates{});  // still held: stays out

  Up(kZ);
  EXPECT_EQ(Update(), TDXInputStates{});
  Down(kZ);
  EXPECT_EQ(Update(), (TDXInputStates{isButton1}));
}

TEST_F(InputStates, TwoKeysOfOneStateCountOnce) {
  Down(kZ);
  Down(VK_SPACE);
  EXPECT_EQ(Update(), (TDXInputStates{isButton1}));
  Up(kZ);
  EXPECT_EQ(Update(), (TDXInputStates{isButton1}));
  Up(VK_SPACE);
  EXPECT_EQ(Update(), TDXInputStates{});
}

TEST_F(InputStates, AStateThatGoesOffIsRemovedEvenIfTheProgramAddedIt) {
  Down(kX);
  EXPECT_EQ(Update(), (TDXInputStates{isButton2}));
  input->SetStates({isButton2, isUp});
  Up(kX);
  EXPECT_EQ(Update(), (TDXInputStates{isUp}));  // isUp was never on: left as the program set it
}

TEST_F(InputStates, KeysCountAsUpWhileAnotherWindowHasTheForeground) {
  auto* other = TCustomForm::CreateNew<TForm>(app.get());
  other->Show();
  Down(kZ);
  Down(VK_UP);
  machine->Focus(other->Handle());
  app->ProcessMessages();
  ASSERT_EQ(GetForegroundWindow(), other->Handle());
  ASSERT_LT(GetKeyState(kZ), 0);  // the key is still down on the machine

  EXPECT_EQ(Update(), TDXInputStates{});
  EXPECT_FALSE(input->Keyboard()->Keys(kZ));

  input->SetActiveOnly(false);
  EXPECT_EQ(Update(), (TDXInputStates{isUp, isButton1}));

  input->SetActiveOnly(true);
  EXPECT_EQ(Update(), TDXInputStates{});  // they went off, so they are removed
}

TEST_F(InputStates, WithTheGamesSettingsOnlyTheKeyboardsOwnStatesFollowTheKeys) {
  input->Keyboard()->SetBindInputStates(false);  // keyboard enabled, not bound
  input->Mouse()->SetBindInputStates(true);      // mouse bound, disabled
  Down(kZ);
  Down(kF2);
  EXPECT_EQ(Update(), TDXInputStates{});
  EXPECT_EQ(input->Keyboard()->States(), (TDXInputStates{isButton1, isButton9}));
  EXPECT_TRUE(input->Keyboard()->Keys(kF2));
}

TEST_F(InputStates, KeysAndButtonsOutsideTheirRangeAreNeverDown) {
  Down(kZ);
  Update();
  EXPECT_FALSE(input->Keyboard()->Keys(0));
  EXPECT_FALSE(input->Keyboard()->Keys(256));
  EXPECT_FALSE(input->Keyboard()->Keys(-1));
  EXPECT_FALSE(input->Keyboard()->Buttons(32));
  EXPECT_FALSE(input->Keyboard()->Buttons(-1));
}

TEST_F(InputStates, ADisabledKeyboardIsUnreadyAndYieldsNothing) {
  Down(kZ);
  input->Keyboard()->SetEnabled(false);
  EXPECT_FALSE(input->Keyboard()->Initialized());
  EXPECT_EQ(Update(), TDXInputStates{});
  input->Keyboard()->SetEnabled(true);
  EXPECT_EQ(Update(), (TDXInputStates{isButton1}));
}

TEST_F(InputStates, AMouseNeedsDirectInput) {
  EXPECT_EQ(MessageOf<EDXInputError>([&] { input->Mouse()->SetEnabled(true); }),
            "DirectInput is required for mouse support");
  input->Mouse()->SetEnabled(false);
  input->Joystick()->SetEnabled(true);  // no joystick service: unready, no error
  EXPECT_FALSE(input->Joystick()->Initialized());
}

TEST_F(InputStates, TheHookPassesTheFormsMessagesOn) {
  std::uint16_t seen = 0;
  struct Probe {
    std::uint16_t* seen;
    void Key(TObject*, std::uint16_t& key, TShiftState) { *seen = key; }
  } probe{&seen};
  form->OnKeyDown = TKeyEvent::Of<&Probe::Key>(&probe);
  Down(VK_F1);
  EXPECT_EQ(seen, VK_F1);
}

TEST_F(InputStates, AnInputComponentNeedsAFormAmongItsOwners) {
  const int count = app->ComponentCount();
  EXPECT_EQ(MessageOf<EDXInputError>([&] { Construct<TDXInput>(app.get()); }), "Form not found");
  EXPECT_EQ(app->ComponentCount(), count);
}

// ---- through the component stream ----

Bytes ToBytes(TMemoryStream& s) { return Bytes(s.Memory(), s.Memory() + s.Size()); }

TEST_F(InputStates, TheTableAndSettingsComeBackThroughTheStream) {
  input->Keyboard()->KeyAssigns[isButton32] = {0x41, -7, 0x7FFFFFFF};
  input->Keyboard()->SetBindInputStates(false);
  input->Mouse()->SetBindInputStates(true);
  input->Joystick()->SetDeadZoneY(25);
  input->Joystick()->SetRangeZ(500);
  TForceFeedbackEffect* effect = input->Joystick()->Effects()->Add();
  effect->SetName("Effects");
  effect->SetEffectType(etConstantForce);
  effect->SetPeriod(50);
  effect->SetPower(10000);
  effect->SetTime(1000);
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->WriteComponent(form);

  const Bytes bytes = ToBytes(*stream);
  const std::string text(bytes.begin(), bytes.end());
  const std::size_t assigns = text.find("\x10Keyboard.Assigns");
  ASSERT_NE(assigns, std::string::npos);
  EXPECT_EQ(bytes[assigns + 17], vaBinary);
  EXPECT_EQ(GetLE32(&bytes[assigns + 18]), 432u);
  EXPECT_EQ(text.find("Aissgns"), std::string::npos);  // never written
  EXPECT_NE(text.find("Joystick.Effects.Effects"), std::string::npos);
  EXPECT_EQ(text.find("Keyboard.Effects.Effects"), std::string::npos);  // an empty list

  auto* copy = TCustomForm::CreateNew<TForm>(app.get());
  stream->SetPosition(0);
  stream->ReadComponent(copy);
  auto* read = dynamic_cast<TDXInput*>(copy->FindComponent("DXInput"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Keyboard()->KeyAssigns, input->Keyboard()->KeyAssigns);
  EXPECT_FALSE(read->UseDirectInput());
  EXPECT_FALSE(read->Keyboard()->BindInputStates());
  EXPECT_TRUE(read->Mouse()->BindInputStates());
  EXPECT_EQ(read->Joystick()->DeadZoneY(), 25);
  EXPECT_EQ(read->Joystick()->RangeZ(), 500);
  EXPECT_TRUE(read->Keyboard()->Initialized());  // AfterLoading prepared it
  ASSERT_EQ(read->Joystick()->Effects()->Count(), 1);
  const TForceFeedbackEffect* back = read->Joystick()->Effects()->Items(0);
  EXPECT_EQ(back->Name(), "Effects");
  EXPECT_EQ(back->EffectType(), etConstantForce);
  EXPECT_EQ(back->Period(), 50);
  EXPECT_EQ(back->Power(), 10000);
  EXPECT_EQ(back->Time(), 1000);
  EXPECT_EQ(read->Keyboard()->Effects()->Count(), 0);
}

// A form stream holding one TDXInput "DXInput" whose keyboard has the binary value `bytes`
// under `name`.
Bytes KeyboardValue(const std::string& name, const Bytes& bytes) {
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  {
    TComponentWriter w(*stream);
    w.WriteRaw("TPF0", 4);
    w.WriteShortString("TForm");
    w.WriteShortString("Holder");
    w.WriteListEnd();
    w.WriteShortString("TDXInput");
    w.WriteShortString("DXInput");
    w.WriteShortString("Keyboard." + name);
    w.WriteBinary(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
  }
  return ToBytes(*stream);
}

Bytes Table(std::int32_t first) {
  Bytes b(432, 0);
  PutLE32(b.data(), static_cast<std::uint32_t>(first));
  return b;
}

TEST_F(InputStates, AStoredAissgnsValueFillsTheTableLikeAssigns) {
  for (const char* name : {"Assigns", "Aissgns"}) {
    const Bytes bytes = KeyboardValue(name, Table(0x51));
    auto* holder = TCustomForm::CreateNew<TForm>(app.get());
    TOwnedPtr<TMemoryStream> s(Construct<TMemoryStream>());
    s->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    s->SetPosition(0);
    s->ReadComponent(holder);
    auto* read = dynamic_cast<TDXInput*>(holder->FindComponent("DXInput"));
    ASSERT_NE(read, nullptr) << name;
    EXPECT_EQ(read->Keyboard()->KeyAssigns[isUp], (TKeyAssign{0x51, 0, 0})) << name;
    EXPECT_EQ(read->Keyboard()->KeyAssigns[isButton1], TKeyAssign{}) << name;
    holder->Free();
  }
}

TEST_F(InputStates, AShortTableIsAStreamReadError) {
  const Bytes bytes = KeyboardValue("Assigns", Bytes(431, 1));
  auto* holder = TCustomForm::CreateNew<TForm>(app.get());
  TOwnedPtr<TMemoryStream> s(Construct<TMemoryStream>());
  s->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  s->SetPosition(0);
  EXPECT_EQ(MessageOf<EReadError>([&] { s->ReadComponent(holder); }),
            "Error reading DXInput.Keyboard.Assigns: Stream read error");
  EXPECT_EQ(holder->FindComponent("DXInput"), nullptr);
}

}  // namespace
