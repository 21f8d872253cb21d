// Hooks in front of a form's message handler, and the game's form base.
#include "form/dxform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system/windows.h"
#include "tests/support/headless_machine.h"

namespace {

using namespace platform;

constexpr UINT kProbe = WM_USER + 7;

// A form that notes the messages its own handler gets.
class ProbeForm : public TForm {
 public:
  explicit ProbeForm(TComponent* owner) : TForm(owner) {}
  std::vector<std::string>* log = nullptr;
  void WndProc(TMessage& m) override {
    if (m.Msg == kProbe && log) log->push_back("form");
    TForm::WndProc(m);
  }
};

// A hook that notes what it sees and passes the message on before or after, or not at all.
struct Hook {
  std::string name;
  std::vector<std::string>* log;
  enum { Before, After, Swallow } mode = Before;
  std::vector<UINT> seen = {};
  void Handle(TMessage& m, TWndMethod def) {
    seen.push_back(m.Msg);
    if (mode == After) def(m);
    if (m.Msg == kProbe) log->push_back(name);
    if (mode == Before) def(m);
  }
  TControlSubClassProc Proc() { return TControlSubClassProc::Of<&Hook::Handle>(this); }
};

class FormHooks : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    form = Construct<ProbeForm>(app.get());
    form->log = &log;
  }
  std::vector<std::string> Send() {
    log.clear();
    form->Perform(kProbe, 0, 0);
    return log;
  }
  using Log = std::vector<std::string>;

  std::vector<std::string> log;
  ProbeForm* form = nullptr;
};

TEST_F(FormHooks, ANewerHookSeesEachMessageFirstAndTheFormLast) {
  Hook a{"a", &log}, b{"b", &log};
  auto* ha = new TControlSubClass(form, a.Proc());
  auto* hb = new TControlSubClass(form, b.Proc());
  EXPECT_EQ(Send(), (Log{"b", "a", "form"}));
  delete hb;
  EXPECT_EQ(Send(), (Log{"a", "form"}));
  delete ha;
  EXPECT_EQ(Send(), (Log{"form"}));
  EXPECT_TRUE(form->WindowProc == TWndMethod::Of<&TControl::WndProc>(static_cast<TControl*>(form)));
}

TEST_F(FormHooks, AHookDecidesWhetherAndWhenTheFormHandlesTheMessage) {
  Hook after{"after", &log};
  after.mode = Hook::After;
  auto* h = new TControlSubClass(form, after.Proc());
  EXPECT_EQ(Send(), (Log{"form", "after"}));
  delete h;
  Hook swallow{"swallow", &log};
  swallow.mode = Hook::Swallow;
  h = new TControlSubClass(form, swallow.Proc());
  EXPECT_EQ(Send(), (Log{"swallow"}));
  delete h;
}

TEST_F(FormHooks, FreeingAnOlderHookFirstKeepsTheNewerOneWorking) {
  Hook a{"a", &log}, b{"b", &log}, c{"c", &log};
  auto* ha = new TControlSubClass(form, a.Proc());
  auto* hb = new TControlSubClass(form, b.Proc());
  auto* hc = new TControlSubClass(form, c.Proc());
  delete hb;  // from the middle of the chain
  EXPECT_EQ(Send(), (Log{"c", "a", "form"}));
  delete ha;
  EXPECT_EQ(Send(), (Log{"c", "form"}));
  delete hc;
  EXPECT_EQ(Send(), (Log{"form"}));
}

TEST_F(FormHooks, SeeTheFormsWindowMessagesAndSurviveItsWindowBeingMadeAnew) {
  Hook a{"a", &log};
  auto* h = new TControlSubClass(form, a.Proc());
  form->Show();
  form->SetBorderStyle(bsNone);  // the window is made anew
  const auto count = [&](UINT msg) { return std::count(a.seen.begin(), a.seen.end(), msg); };
  EXPECT_EQ(count(WM_CREATE), 2);
  EXPECT_EQ(count(WM_DESTROY), 1);
  EXPECT_GE(count(WM_WINDOWPOSCHANGED), 2);
  machine->Drag(form->Handle(), 5, 5);
  app->ProcessMessages();
  EXPECT_EQ(count(WM_ENTERSIZEMOVE), 1);
  EXPECT_EQ(count(WM_EXITSIZEMOVE), 1);
  delete h;
}

class GameFormBase : public HeadlessTest {
 protected:
  DWORD AppExStyle() { return GetWindowLong(app->Handle(), GWL_EXSTYLE); }
};

TEST_F(GameFormBase, TakesTheTaskbarButtonFromTheApplicationWhileAnyLives) {
  const int before = DXFormCount;
  auto* first = TCustomForm::CreateNew<TDXForm>(app.get());
  auto* second = TCustomForm::CreateNew<TDXForm>(app.get());
  EXPECT_EQ(DXFormCount, before + 2);
  EXPECT_TRUE(AppExStyle() & WS_EX_TOOLWINDOW);
  first->Free();
  EXPECT_EQ(DXFormCount, before + 1);
  EXPECT_TRUE(AppExStyle() & WS_EX_TOOLWINDOW);
  second->Free();
  EXPECT_EQ(DXFormCount, before);
  EXPECT_FALSE(AppExStyle() & WS_EX_TOOLWINDOW);
}

TEST_F(GameFormBase, HasATaskbarButtonOfItsOwn) {
  auto* form = TCustomForm::CreateNew<TDXForm>(app.get());
  form->SetBorderStyle(bsToolWindow);  // a tool window would have none
  form->Show();
  EXPECT_TRUE(GetWindowLong(form->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_TRUE(machine->Window(form->Handle())->spec.taskbarButton);
}

TEST_F(GameFormBase, RestoresAStoredPlacementOnce) {
  auto* form = TCustomForm::CreateNew<TDXForm>(app.get());
  form->SetBounds(100, 50, 640, 480);
  form->Show();
  form->StoreWindow();
  EXPECT_TRUE(form->WindowStored());
  form->SetBounds(0, 0, 1280, 1024);  // as full screen would
  form->RestoreWindow();
  EXPECT_EQ(form->BoundsRect(), Bounds(100, 50, 640, 480));
  EXPECT_EQ(machine->Window(form->Handle())->spec.client, (RECT{100, 50, 740, 530}));
  EXPECT_FALSE(form->WindowStored());
  form->SetBounds(10, 10, 320, 200);
  form->RestoreWindow();  // nothing stored any more
  EXPECT_EQ(form->BoundsRect(), Bounds(10, 10, 320, 200));
}

TEST_F(GameFormBase, RestoringWithoutAStoredPlacementDoesNothing) {
  auto* form = TCustomForm::CreateNew<TDXForm>(app.get());
  form->SetBounds(7, 8, 300, 200);
  form->Show();
  form->RestoreWindow();
  EXPECT_EQ(form->BoundsRect(), Bounds(7, 8, 300, 200));
}

struct MinimizeCounter {
  int calls = 0;
  void Count(TObject*) { ++calls; }
};

TEST_F(GameFormBase, AsMainFormMinimisesItselfAloneThroughItsWindowMenu) {
  // A plain main form sends the whole application to the taskbar; the game's form has a
  // taskbar button of its own and goes there alone, leaving other windows as they are.
  auto* form = TCustomForm::CreateNew<TDXForm>(app.get());
  app->SetMainForm(form);
  auto* other = Construct<TForm>(app.get());
  MinimizeCounter appMinimized;
  app->OnMinimize = TNotifyEvent::Of<&MinimizeCounter::Count>(&appMinimized);
  form->Show();
  other->Show();
  app->ProcessMessages();
  machine->UserMinimize(form->Handle());
  app->ProcessMessages();
  EXPECT_EQ(form->WindowState(), wsMinimized);
  EXPECT_TRUE(machine->Window(form->Handle())->minimized);
  EXPECT_TRUE(IsIconic(form->Handle()));
  EXPECT_FALSE(IsIconic(other->Handle()));
  EXPECT_EQ(appMinimized.calls, 0);
}

// A component that hooks the form that owns it and notes, when the form's window goes, whether
// its sibling component is still there: components rely on their form's window going first.
struct DestroyWitness {
  bool sawDestroy = false;
  bool siblingThere = false;
};

class WindowWatcher : public TComponent {
 public:
  WindowWatcher(TComponent* owner, TControl* form, DestroyWitness* witness)
      : TComponent(owner),
        FHook(new TControlSubClass(form, TControlSubClassProc::Of<&WindowWatcher::Handle>(this))),
        FWitness(witness) {}
  ~WindowWatcher() override { delete FHook; }

 private:
  void Handle(TMessage& m, TWndMethod def) {
    if (m.Msg == WM_DESTROY) {
      FWitness->sawDestroy = true;
      FWitness->siblingThere = Owner()->FindComponent("Sibling") != nullptr;
    }
    def(m);
  }
  TControlSubClass* FHook;
  DestroyWitness* FWitness;
};

TEST_F(GameFormBase, LosesItsWindowBeforeAnyOfItsComponents) {
  DestroyWitness witness;
  auto* form = TCustomForm::CreateNew<TDXForm>(app.get());
  new WindowWatcher(form, form, &witness);
  auto* sibling = Construct<TComponent>(form);
  sibling->SetName("Sibling");  // made last, so freed first
  form->Show();
  form->Free();
  EXPECT_TRUE(witness.sawDestroy);
  EXPECT_TRUE(witness.siblingThere);
}

TEST_F(GameFormBase, OtherWindowMenuCommandsKeepTheirUsualMeaning) {
  auto* form = TCustomForm::CreateNew<TDXForm>(app.get());
  app->SetMainForm(form);
  form->Show();
  machine->RequestClose(form->Handle());
  app->RunFor(10);
  EXPECT_TRUE(app->Terminated());
}

}  // namespace
