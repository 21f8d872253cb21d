// How a control looks: the pointer over it (hidden over a control that asks for none), its
// colour taken from its parent, repainting on request, and the palette-change notice.
#include <gtest/gtest.h>

#include "platform/system/input.h"
#include "tests/support/headless_machine.h"
#include "toolkit/controls.h"
#include "toolkit/forms.h"

namespace {

// A control that counts its paintings and palette notices.
class Counting : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  int paints = 0;
  int foreground = 0, background = 0;
  bool PaletteChanged(bool Foreground) override {
    ++(Foreground ? foreground : background);
    return Foreground;
  }

 protected:
  void Paint() override { ++paints; }
};

class ControlLook : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    form = app->CreateForm<TForm>();
    form->SetClientWidth(320);
    form->SetClientHeight(240);
    child = Construct<Counting>(form);
    child->SetParent(form);
    child->SetBounds(100, 100, 100, 100);
    form->Show();
  }
  TForm* form = nullptr;
  Counting* child = nullptr;
};

TEST_F(ControlLook, ThePointerHidesOverAControlWithoutOneAndShowsAgainOutside) {
  child->SetCursor(crNone);
  machine->MoveMouse(form->Handle(), 150, 150);
  app->ProcessMessages();
  EXPECT_FALSE(machine->CursorVisible());
  machine->MoveMouse(form->Handle(), 160, 150);  // still over it: no second hiding
  app->ProcessMessages();
  machine->MoveMouse(form->Handle(), 10, 10);
  app->ProcessMessages();
  EXPECT_TRUE(machine->CursorVisible());
  // Hidden again, then the control asks for the default pointer: it shows at once.
  machine->MoveMouse(form->Handle(), 150, 150);
  app->ProcessMessages();
  EXPECT_FALSE(machine->CursorVisible());
  child->SetCursor(crDefault);
  EXPECT_TRUE(machine->CursorVisible());
}

TEST_F(ControlLook, TheProgramsOwnHidingOutlastsThePointerLeavingTheControl) {
  child->SetCursor(crNone);
  platform::ShowCursor(false);  // as the game does at start
  machine->MoveMouse(form->Handle(), 150, 150);
  machine->MoveMouse(form->Handle(), 10, 10);
  app->ProcessMessages();
  EXPECT_FALSE(machine->CursorVisible());
  platform::ShowCursor(true);
  EXPECT_TRUE(machine->CursorVisible());
}

TEST_F(ControlLook, FreeingTheControlThatHidThePointerShowsItAgain) {
  child->SetCursor(crNone);
  machine->MoveMouse(form->Handle(), 150, 150);
  app->ProcessMessages();
  ASSERT_FALSE(machine->CursorVisible());
  child->Free();
  EXPECT_TRUE(machine->CursorVisible());
}

TEST_F(ControlLook, ParentColorFollowsTheParentUntilAColourIsSet) {
  form->SetColor(clNavy);
  EXPECT_EQ(child->Color(), clWindow);
  child->SetParentColor(true);
  EXPECT_EQ(child->Color(), clNavy);
  form->SetColor(clYellow);
  EXPECT_EQ(child->Color(), clYellow);
  EXPECT_TRUE(child->ParentColor());
  child->SetColor(clBlack);
  EXPECT_FALSE(child->ParentColor());
  form->SetColor(clAqua);
  EXPECT_EQ(child->Color(), clBlack);
}

TEST_F(ControlLook, InvalidatePaintsOnceWhenTheMessagesAreHandled) {
  app->ProcessMessages();
  const int before = child->paints;
  child->Invalidate();
  child->Invalidate();
  EXPECT_EQ(child->paints, before);
  app->ProcessMessages();
  EXPECT_EQ(child->paints, before + 1);
  child->Invalidate();
  app->ProcessMessages();
  EXPECT_EQ(child->paints, before + 2);
}

TEST_F(ControlLook, ThePaletteNoticeReachesTheChildren) {
  EXPECT_EQ(form->Perform(WM_QUERYNEWPALETTE, 0, 0), 1);
  EXPECT_EQ(child->foreground, 1);
  EXPECT_EQ(form->Perform(WM_PALETTECHANGED, 0, 0), 0);
  EXPECT_EQ(child->background, 1);
  // The window that changed the palette itself is not told.
  form->Perform(WM_PALETTECHANGED, form->Handle(), 0);
  EXPECT_EQ(child->background, 1);
}

}  // namespace
