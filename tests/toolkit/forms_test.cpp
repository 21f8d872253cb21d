// Forms on the headless desktop: the messages a form gets and when, what of a form the desktop
// shows, placement, keys with and without key preview, and the mouse on a child control.
#include "toolkit/forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/system/input.h"
#include "platform/system/windows.h"
#include "tests/support/headless_machine.h"

// Readable shift states in failure messages.
static void PrintTo(const TShiftState& s, std::ostream* os) {
  static const char* const kNames[] = {"ssShift", "ssAlt",    "ssCtrl",  "ssLeft",
                                       "ssRight", "ssMiddle", "ssDouble"};
  *os << "[";
  const char* sep = "";
  for (int i = 0; i < 7; ++i)
    if (s.Contains(static_cast<TShiftStateItem>(i))) {
      *os << sep << kNames[i];
      sep = ", ";
    }
  *os << "]";
}

static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
static void PrintTo(const TPoint& p, std::ostream* os) { *os << "(" << p.X << ", " << p.Y << ")"; }
namespace platform {
static void PrintTo(const RECT& r, std::ostream* os) {
  *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
}  // namespace platform

namespace {

using namespace platform;
using headless::Button;

// One message as the form's WindowProc saw it.
struct Seen {
  UINT msg;
  WPARAM wParam;
  UINT posFlags;  // the WINDOWPOS flags of WM_WINDOWPOSCHANGED, else 0
};

// Sits in front of a control's WindowProc, notes each message and hands it on.
struct Recorder {
  TWndMethod previous;
  std::vector<Seen> seen;
  void Attach(TControl* control) {
    previous = control->WindowProc;
    control->WindowProc = TWndMethod::Of<&Recorder::Record>(this);
  }
  void Record(TMessage& m) {
    UINT flags = 0;
    if (m.Msg == WM_WINDOWPOSCHANGED && m.LParam)
      flags = reinterpret_cast<const WINDOWPOS*>(m.LParam)->flags;
    seen.push_back({m.Msg, m.WParam, flags});
    previous(m);
  }
  std::vector<UINT> Only(std::initializer_list<UINT> wanted) const {
    std::vector<UINT> out;
    for (const Seen& s : seen)
      if (std::find(wanted.begin(), wanted.end(), s.msg) != wanted.end()) out.push_back(s.msg);
    return out;
  }
  int Count(UINT msg) const {
    return static_cast<int>(
        std::count_if(seen.begin(), seen.end(), [&](const Seen& s) { return s.msg == msg; }));
  }
  int Shows() const {
    return static_cast<int>(std::count_if(seen.begin(), seen.end(), [](const Seen& s) {
      return s.msg == WM_WINDOWPOSCHANGED && (s.posFlags & SWP_SHOWWINDOW);
    }));
  }
  void Clear() { seen.clear(); }
};

// Notes form events in one timeline.
struct Timeline {
  std::vector<std::string> events;
  const Recorder* recorder = nullptr;
  std::size_t messagesAtDestroy = 0;
  void Destroyed(TObject*) {
    events.push_back("OnDestroy");
    if (recorder) messagesAtDestroy = recorder->seen.size();
  }
  void Deactivated(TObject*) { events.push_back("OnDeactivate"); }
};

class FormTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    form = Construct<TForm>(app.get());
    recorder.Attach(form);
  }
  void ShowAndSettle() {
    form->Show();
    app->ProcessMessages();
  }
  const headless::WindowRecord& Desktop() {
    const headless::WindowRecord* w = machine->Window(form->Handle());
    EXPECT_NE(w, nullptr);
    static const headless::WindowRecord none;
    return w ? *w : none;
  }

  TForm* form = nullptr;
  Recorder recorder;
};

// ---- the messages a form gets ----

TEST_F(FormTest, GetsWMCreateWhenItsWindowIsMade) {
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_TRUE(recorder.seen.empty());
  form->HandleNeeded();
  ASSERT_FALSE(recorder.seen.empty());
  EXPECT_EQ(recorder.seen.front().msg, WM_CREATE);
  EXPECT_EQ(recorder.Count(WM_CREATE), 1);
}

TEST_F(FormTest, EveryShowingSendsAPositionChangeThatSaysShown) {
  ShowAndSettle();
  EXPECT_EQ(recorder.Shows(), 1);
  form->Hide();
  EXPECT_EQ(recorder.Shows(), 1);
  ASSERT_FALSE(recorder.seen.empty());
  form->Show();
  EXPECT_EQ(recorder.Shows(), 2);
}

TEST_F(FormTest, MovingAShownFormDoesNotSayItWasShown) {
  ShowAndSettle();
  recorder.Clear();
  form->SetBounds(50, 60, 300, 200);
  EXPECT_EQ(recorder.Count(WM_WINDOWPOSCHANGED), 1);
  EXPECT_EQ(recorder.Shows(), 0);
}

TEST_F(FormTest, ADragIsBracketedByMoveStartAndEndAndMovesTheForm) {
  form->SetBounds(100, 100, 320, 240);
  ShowAndSettle();
  recorder.Clear();
  machine->Drag(form->Handle(), 30, -20);
  app->ProcessMessages();
  EXPECT_EQ(recorder.Only({WM_ENTERSIZEMOVE, WM_MOVE, WM_EXITSIZEMOVE}),
            (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_MOVE, WM_EXITSIZEMOVE}));
  EXPECT_EQ(form->Left(), 130);
  EXPECT_EQ(form->Top(), 80);
  EXPECT_EQ(form->Width(), 320);
}

TEST_F(FormTest, OpeningTheSystemMenuSendsWMInitMenu) {
  ShowAndSettle();
  machine->OpenSystemMenu(form->Handle());
  app->ProcessMessages();
  EXPECT_EQ(recorder.Count(WM_INITMENU), 1);
}

TEST_F(FormTest, LosingTheForegroundSendsAnInactiveActivation) {
  Timeline timeline;
  form->OnDeactivate = TNotifyEvent::Of<&Timeline::Deactivated>(&timeline);
  ShowAndSettle();
  recorder.Clear();
  machine->DeactivateApplication();
  app->ProcessMessages();
  ASSERT_EQ(recorder.Count(WM_ACTIVATE), 1);
  const auto it = std::find_if(recorder.seen.begin(), recorder.seen.end(),
                               [](const Seen& s) { return s.msg == WM_ACTIVATE; });
  EXPECT_EQ(LOWORD(it->wParam), WA_INACTIVE);
  EXPECT_EQ(timeline.events, (std::vector<std::string>{"OnDeactivate"}));
}

struct Tally {
  int calls = 0;
  void Count(TObject*) { ++calls; }
};

TEST_F(FormTest, TheMainFormsWindowMenuMinimisesTheWholeApplication) {
  app->SetMainForm(form);
  TForm* other = Construct<TForm>(app.get());
  Tally minimized;
  app->OnMinimize = TNotifyEvent::Of<&Tally::Count>(&minimized);
  ShowAndSettle();
  other->Show();
  machine->UserMinimize(form->Handle());
  app->ProcessMessages();
  EXPECT_TRUE(IsIconic(form->Handle()));
  EXPECT_TRUE(IsIconic(other->Handle()));
  EXPECT_EQ(form->WindowState(), wsMinimized);
  EXPECT_EQ(minimized.calls, 1);
  // Another form's window menu minimises only that form.
  ShowWindow(form->Handle(), SW_RESTORE);
  ShowWindow(other->Handle(), SW_RESTORE);
  machine->UserMinimize(other->Handle());
  app->ProcessMessages();
  EXPECT_TRUE(IsIconic(other->Handle()));
  EXPECT_FALSE(IsIconic(form->Handle()));
  EXPECT_EQ(minimized.calls, 1);
}

TEST_F(FormTest, AskingToCloseSendsTheCloseCommandThenWMClose) {
  ShowAndSettle();
  recorder.Clear();
  const HWND h = form->Handle();
  machine->RequestClose(h);
  app->ProcessMessages();
  EXPECT_EQ(recorder.Only({WM_SYSCOMMAND, WM_CLOSE}), (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE}));
  EXPECT_EQ(recorder.seen.front().wParam & 0xFFF0, SC_CLOSE);
  // A form that is not the main form hides when closed; its window stays.
  EXPECT_TRUE(IsWindow(h));
  EXPECT_FALSE(Desktop().visible);
  EXPECT_FALSE(app->Terminated());
}

TEST_F(FormTest, FreeingAFormFiresOnDestroyThenSendsWMDestroy) {
  Timeline timeline;
  timeline.recorder = &recorder;
  form->OnDestroy = TNotifyEvent::Of<&Timeline::Destroyed>(&timeline);
  ShowAndSettle();
  const HWND h = form->Handle();
  const std::size_t before = recorder.seen.size();
  form->Free();
  form = nullptr;
  ASSERT_EQ(timeline.events, (std::vector<std::string>{"OnDestroy"}));
  EXPECT_EQ(timeline.messagesAtDestroy, before);  // nothing arrived before OnDestroy
  EXPECT_EQ(recorder.Count(WM_DESTROY), 1);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(machine->Window(h)->destroyed);
}

TEST_F(FormTest, ChangingTheBorderOfAShownFormMakesItsWindowAnew) {
  form->SetCaption("Marvosk");
  form->SetClientWidth(640);
  form->SetClientHeight(480);
  ShowAndSettle();
  const HWND old = form->Handle();
  ASSERT_EQ(Desktop().spec.border, Border::Sizeable);
  recorder.Clear();

  form->SetBorderStyle(bsSingle);
  EXPECT_EQ(recorder.Only({WM_DESTROY, WM_CREATE}), (std::vector<UINT>{WM_DESTROY, WM_CREATE}));
  const HWND now = form->Handle();
  EXPECT_TRUE(machine->Window(old)->destroyed);
  EXPECT_TRUE(IsWindowVisible(now));
  EXPECT_TRUE(Desktop().visible);
  EXPECT_EQ(Desktop().spec.border, Border::Fixed);
  EXPECT_EQ(Desktop().spec.title, "Marvosk");
  EXPECT_EQ(Desktop().spec.client.right - Desktop().spec.client.left, 640);
  EXPECT_EQ(Desktop().spec.client.bottom - Desktop().spec.client.top, 480);
}

// ---- what the desktop shows ----

TEST_F(FormTest, CaptionSizeBorderAndIconsSetBeforeShowingReachTheDesktop) {
  form->SetCaption("Shooting gallery");
  form->SetBounds(40, 30, 100, 100);
  form->SetClientWidth(640);
  form->SetClientHeight(480);
  form->SetBorderStyle(bsSingle);
  form->SetBorderIcons({biSystemMenu, biMinimize});
  ShowAndSettle();
  const WindowSpec& made = Desktop().spec;
  EXPECT_EQ(made.title, "Shooting gallery");
  EXPECT_EQ(made.client, (RECT{40, 30, 680, 510}));
  EXPECT_EQ(made.border, Border::Fixed);
  EXPECT_TRUE(made.minimizeBox);
  EXPECT_FALSE(made.maximizeBox);
  EXPECT_EQ(form->ClientWidth(), 640);
  EXPECT_EQ(form->ClientHeight(), 480);
}

TEST_F(FormTest, CaptionSizeAndIconsChangedOnAShownFormReachTheDesktop) {
  ShowAndSettle();
  form->SetCaption("Round two");
  EXPECT_EQ(Desktop().spec.title, "Round two");
  form->SetClientWidth(500);
  form->SetClientHeight(400);
  EXPECT_EQ(Desktop().spec.client.right - Desktop().spec.client.left, 500);
  EXPECT_EQ(Desktop().spec.client.bottom - Desktop().spec.client.top, 400);
  ASSERT_TRUE(Desktop().spec.maximizeBox);
  form->SetBorderIcons({biSystemMenu, biMinimize});
  EXPECT_FALSE(Desktop().spec.maximizeBox);
  EXPECT_TRUE(Desktop().spec.minimizeBox);
  EXPECT_TRUE(Desktop().visible);
}

TEST_F(FormTest, EachBorderStyleGivesItsFrameOnTheDesktop) {
  struct Case {
    TFormBorderStyle style;
    Border border;
    bool boxes;
    bool taskbar;
  };
  const Case cases[] = {
      {bsNone, Border::None, false, true},         {bsSingle, Border::Fixed, true, true},
      {bsSizeable, Border::Sizeable, true, true},  {bsDialog, Border::Fixed, false, true},
      {bsToolWindow, Border::Fixed, false, false}, {bsSizeToolWin, Border::Sizeable, false, false},
  };
  ShowAndSettle();
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.style));
    form->SetBorderStyle(c.style);
    EXPECT_EQ(Desktop().spec.border, c.border);
    EXPECT_EQ(Desktop().spec.minimizeBox, c.boxes);
    EXPECT_EQ(Desktop().spec.maximizeBox, c.boxes);
    EXPECT_EQ(Desktop().spec.taskbarButton, c.taskbar);
  }
}

TEST_F(FormTest, WithoutTheSystemMenuThereAreNoBoxes) {
  form->SetBorderIcons({biMinimize, biMaximize});
  ShowAndSettle();
  EXPECT_FALSE(Desktop().spec.minimizeBox);
  EXPECT_FALSE(Desktop().spec.maximizeBox);
}

TEST_F(FormTest, ScreenCentreCentresOnTheMachinesScreenAtTheFirstShowing) {
  const RECT screen{100, 50, 900, 650};
  machine->SetScreen(screen);
  form->SetClientWidth(640);
  form->SetClientHeight(480);
  form->SetPosition(poScreenCenter);
  ShowAndSettle();
  const int left = screen.left + (screen.right - screen.left - 640) / 2;
  const int top = screen.top + (screen.bottom - screen.top - 480) / 2;
  EXPECT_EQ(form->Left(), left);
  EXPECT_EQ(form->Top(), top);
  EXPECT_EQ(Desktop().spec.client, (RECT{left, top, left + 640, top + 480}));

  // The player moved it; showing it again leaves it where they put it.
  machine->Drag(form->Handle(), 15, 25);
  app->ProcessMessages();
  form->Hide();
  form->Show();
  EXPECT_EQ(form->Left(), left + 15);
  EXPECT_EQ(form->Top(), top + 25);
}

// ---- placement ----

TEST_F(FormTest, PlacementReadsTheFormsRectangleAndShowState) {
  form->SetBounds(20, 30, 400, 300);
  ShowAndSettle();
  WINDOWPLACEMENT p;
  p.length = sizeof(WINDOWPLACEMENT);
  ASSERT_TRUE(GetWindowPlacement(form->Handle(), p));
  EXPECT_EQ(p.rcNormalPosition, (RECT{20, 30, 420, 330}));
  EXPECT_EQ(p.showCmd, SW_SHOWNORMAL);
}

TEST_F(FormTest, PlacementWrittenMovesTheFormAndTheWindow) {
  ShowAndSettle();
  WINDOWPLACEMENT p;
  p.length = sizeof(WINDOWPLACEMENT);
  p.showCmd = SW_SHOWNORMAL;
  p.rcNormalPosition = {70, 80, 570, 480};
  ASSERT_TRUE(SetWindowPlacement(form->Handle(), p));
  EXPECT_EQ(form->BoundsRect(), (TRect{70, 80, 570, 480}));
  EXPECT_EQ(Desktop().spec.client, p.rcNormalPosition);
}

TEST_F(FormTest, AMinimisedPlacementKeepsTheNormalRectangleForRestoring) {
  form->SetBounds(20, 30, 400, 300);
  ShowAndSettle();
  WINDOWPLACEMENT p;
  p.length = sizeof(WINDOWPLACEMENT);
  p.showCmd = SW_SHOWMINIMIZED;
  p.rcNormalPosition = {60, 70, 460, 370};
  ASSERT_TRUE(SetWindowPlacement(form->Handle(), p));
  EXPECT_TRUE(IsIconic(form->Handle()));
  EXPECT_EQ(form->WindowState(), wsMinimized);
  EXPECT_TRUE(Desktop().minimized);

  WINDOWPLACEMENT read;
  read.length = sizeof(WINDOWPLACEMENT);
  ASSERT_TRUE(GetWindowPlacement(form->Handle(), read));
  EXPECT_EQ(read.showCmd, SW_SHOWMINIMIZED);
  EXPECT_EQ(read.rcNormalPosition, p.rcNormalPosition);

  // A rectangle written while minimised is where the form and the desktop window come back.
  p.showCmd = SW_SHOWNORMAL;
  p.rcNormalPosition = {90, 95, 390, 295};
  ASSERT_TRUE(SetWindowPlacement(form->Handle(), p));
  EXPECT_FALSE(IsIconic(form->Handle()));
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(form->BoundsRect(), (TRect{90, 95, 390, 295}));
  EXPECT_FALSE(Desktop().minimized);
  EXPECT_EQ(Desktop().spec.client, p.rcNormalPosition);
}

TEST_F(FormTest, PlacementWithTheWrongLengthFailsAndChangesNothing) {
  form->SetBounds(20, 30, 400, 300);
  ShowAndSettle();
  for (std::uint32_t length : {0u, 40u, 43u, 45u}) {
    SCOPED_TRACE(length);
    WINDOWPLACEMENT p;
    p.length = length;
    p.showCmd = SW_SHOWMINIMIZED;
    p.rcNormalPosition = {0, 0, 10, 10};
    EXPECT_FALSE(GetWindowPlacement(form->Handle(), p));
    EXPECT_FALSE(SetWindowPlacement(form->Handle(), p));
  }
  EXPECT_EQ(form->BoundsRect(), (TRect{20, 30, 420, 330}));
  EXPECT_FALSE(IsIconic(form->Handle()));
}

// ---- keys ----

// Notes every key a form or control's OnKeyDown gets, with its shift state, and can eat or
// replace one.
struct KeyLog {
  struct Key {
    std::string who;
    std::uint16_t key;
    TShiftState shift;
  };
  std::vector<Key> keys;
  std::uint16_t eat = 0;
  void Form(TObject*, std::uint16_t& Key, TShiftState Shift) { Note("form", Key, Shift); }
  void Control(TObject*, std::uint16_t& Key, TShiftState Shift) { Note("control", Key, Shift); }
  void Note(const char* who, std::uint16_t& key, TShiftState shift) {
    keys.push_back({who, key, shift});
    if (key == eat && std::string(who) == "form") key = 0;
  }
  // Who saw `key`, in order.
  std::vector<std::string> Saw(std::uint16_t key) const {
    std::vector<std::string> out;
    for (const Key& k : keys)
      if (k.key == key) out.push_back(k.who);
    return out;
  }
  TShiftState ShiftOf(std::uint16_t key) const {
    for (const Key& k : keys)
      if (k.key == key) return k.shift;
    ADD_FAILURE() << "key " << key << " never arrived";
    return {};
  }
};

class FormKeys : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->OnKeyDown = TKeyEvent::Of<&KeyLog::Form>(&log);
  }
  TCustomControl* AddActiveControl() {
    auto* control = Construct<TCustomControl>(form);
    control->SetParent(form);
    control->SetBounds(10, 10, 100, 50);
    control->OnKeyDown = TKeyEvent::Of<&KeyLog::Control>(&log);
    form->SetActiveControl(control);
    return control;
  }
  void Press(std::uint16_t key, headless::Modifiers held = {}) {
    machine->PressKey(form->Handle(), key, held);
    app->ProcessMessages();
  }
  KeyLog log;
};

constexpr std::uint16_t kKeyA = 'A';

TEST_F(FormKeys, WithKeyPreviewTheFormSeesTheKeyBeforeTheActiveControl) {
  AddActiveControl();
  form->SetKeyPreview(true);
  ShowAndSettle();
  Press(kKeyA);
  EXPECT_EQ(log.Saw(kKeyA), (std::vector<std::string>{"form", "control"}));
}

TEST_F(FormKeys, AFormThatEatsThePreviewedKeyKeepsItFromTheControl) {
  AddActiveControl();
  form->SetKeyPreview(true);
  log.eat = kKeyA;
  ShowAndSettle();
  Press(kKeyA);
  Press(VK_F1);
  EXPECT_EQ(log.Saw(kKeyA), (std::vector<std::string>{"form"}));
  EXPECT_EQ(log.Saw(VK_F1), (std::vector<std::string>{"form", "control"}));
}

TEST_F(FormKeys, WithoutKeyPreviewOnlyTheActiveControlSeesTheKey) {
  AddActiveControl();
  ShowAndSettle();
  Press(kKeyA);
  EXPECT_EQ(log.Saw(kKeyA), (std::vector<std::string>{"control"}));
}

TEST_F(FormKeys, WithoutAnActiveControlTheFormSeesTheKeyOnce) {
  form->SetKeyPreview(true);
  ShowAndSettle();
  Press(kKeyA);
  EXPECT_EQ(log.Saw(kKeyA), (std::vector<std::string>{"form"}));
}

TEST_F(FormKeys, ModifiersHeldAroundAKeyAreItsShiftState) {
  ShowAndSettle();
  Press(VK_F1, {.shift = true});
  EXPECT_EQ(log.ShiftOf(VK_F1), (TShiftState{ssShift}));
  Press(VK_F12, {.ctrl = true});
  EXPECT_EQ(log.ShiftOf(VK_F12), (TShiftState{ssCtrl}));
  // Released modifiers do not linger.
  Press(kKeyA);
  EXPECT_EQ(log.ShiftOf(kKeyA), TShiftState{});
}

TEST_F(FormKeys, AltEnterArrivesAsASystemKeyWithAlt) {
  ShowAndSettle();
  recorder.Clear();
  Press(VK_RETURN, {.alt = true});
  const auto it = std::find_if(recorder.seen.begin(), recorder.seen.end(), [](const Seen& s) {
    return s.wParam == VK_RETURN && (s.msg == WM_KEYDOWN || s.msg == WM_SYSKEYDOWN);
  });
  ASSERT_NE(it, recorder.seen.end());
  EXPECT_EQ(it->msg, WM_SYSKEYDOWN);
  EXPECT_EQ(log.Saw(13), (std::vector<std::string>{"form"}));
  EXPECT_TRUE(log.ShiftOf(13).Contains(ssAlt));
}

// ---- the mouse on a child control ----

struct MouseLog {
  struct Press {
    TMouseButton button;
    TShiftState shift;
    TPoint at;
  };
  std::vector<Press> downs;
  std::vector<Press> ups;
  std::vector<TPoint> moves;
  void Down(TObject*, TMouseButton b, TShiftState s, std::int32_t x, std::int32_t y) {
    downs.push_back({b, s, {x, y}});
  }
  void Up(TObject*, TMouseButton b, TShiftState s, std::int32_t x, std::int32_t y) {
    ups.push_back({b, s, {x, y}});
  }
  void Move(TObject*, TShiftState, std::int32_t x, std::int32_t y) { moves.push_back({x, y}); }
};

// A form 400 x 300 with a 40-pixel bar along its top and the target control filling the rest.
class FormMouse : public FormTest {
 protected:
  static constexpr int kBar = 40;
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(200, 100, 400, 300);
    auto* bar = Construct<TCustomControl>(form);
    bar->SetHeight(kBar);
    bar->SetAlign(alTop);
    bar->SetParent(form);
    target = Construct<TCustomControl>(form);
    target->SetAlign(alClient);
    target->SetParent(form);
    target->OnMouseDown = TMouseEvent::Of<&MouseLog::Down>(&log);
    target->OnMouseUp = TMouseEvent::Of<&MouseLog::Up>(&log);
    target->OnMouseMove = TMouseMoveEvent::Of<&MouseLog::Move>(&log);
    ShowAndSettle();
  }
  void Click(int x, int y, Button button = Button::Left, headless::Modifiers held = {},
             bool doubleClick = false) {
    machine->Click(form->Handle(), x, y, button, held, doubleClick);
    app->ProcessMessages();
  }
  TCustomControl* target = nullptr;
  MouseLog log;
};

TEST_F(FormMouse, TheClientControlFillsTheFormBelowTheBar) {
  EXPECT_EQ(target->BoundsRect(), (TRect{0, kBar, 400, 300}));
}

TEST_F(FormMouse, APlainLeftClickIsLeftOnlyAtControlCoordinates) {
  Click(30, kBar + 25);
  ASSERT_EQ(log.downs.size(), 1u);
  EXPECT_EQ(log.downs[0].button, mbLeft);
  EXPECT_EQ(log.downs[0].shift, (TShiftState{ssLeft}));
  EXPECT_EQ(log.downs[0].at, (TPoint{30, 25}));
  ASSERT_EQ(log.ups.size(), 1u);
  EXPECT_EQ(log.ups[0].at, (TPoint{30, 25}));
}

TEST_F(FormMouse, ShiftHeldDuringAClickIsInTheShiftState) {
  Click(30, kBar + 25, Button::Left, {.shift = true});
  ASSERT_EQ(log.downs.size(), 1u);
  EXPECT_EQ(log.downs[0].shift, (TShiftState{ssLeft, ssShift}));
}

TEST_F(FormMouse, CtrlAndAltHeldDuringAClickAreInTheShiftState) {
  Click(30, kBar + 25, Button::Left, {.ctrl = true});
  Click(30, kBar + 25, Button::Left, {.alt = true});
  ASSERT_EQ(log.downs.size(), 2u);
  EXPECT_EQ(log.downs[0].shift, (TShiftState{ssLeft, ssCtrl}));
  EXPECT_EQ(log.downs[1].shift, (TShiftState{ssLeft, ssAlt}));
}

TEST_F(FormMouse, TheSecondPressOfADoubleClickSaysDouble) {
  Click(30, kBar + 25);
  Click(30, kBar + 25, Button::Left, {}, true);
  ASSERT_EQ(log.downs.size(), 2u);
  EXPECT_EQ(log.downs[0].shift, (TShiftState{ssLeft}));
  EXPECT_EQ(log.downs[1].shift, (TShiftState{ssLeft, ssDouble}));
  EXPECT_EQ(log.downs[1].button, mbLeft);
}

TEST_F(FormMouse, TheRightButtonIsRight) {
  Click(300, 200, Button::Right);
  ASSERT_EQ(log.downs.size(), 1u);
  EXPECT_EQ(log.downs[0].button, mbRight);
  EXPECT_EQ(log.downs[0].shift, (TShiftState{ssRight}));
  EXPECT_EQ(log.downs[0].at, (TPoint{300, 200 - kBar}));
}

TEST_F(FormMouse, AClickOnTheBarDoesNotReachTheControl) {
  Click(30, kBar / 2);
  EXPECT_TRUE(log.downs.empty());
}

TEST_F(FormMouse, MovesArriveAtControlCoordinates) {
  machine->MoveMouse(form->Handle(), 100, 150);
  machine->MoveMouse(form->Handle(), 101, 152);
  app->ProcessMessages();
  EXPECT_EQ(log.moves, (std::vector<TPoint>{{100, 150 - kBar}, {101, 152 - kBar}}));
}

TEST_F(FormMouse, AControlPressedKeepsTheMouseUntilReleasedOutsideIt) {
  machine->ButtonDown(form->Handle(), 50, kBar + 10, Button::Left);
  machine->MoveMouse(form->Handle(), 50, 5);  // over the bar now
  machine->ButtonUp(form->Handle(), 50, 5, Button::Left);
  app->ProcessMessages();
  EXPECT_EQ(log.moves, (std::vector<TPoint>{{50, 5 - kBar}}));
  ASSERT_EQ(log.ups.size(), 1u);
  EXPECT_EQ(log.ups[0].at, (TPoint{50, 5 - kBar}));
  // Released, the mouse goes back to whatever is under it.
  machine->MoveMouse(form->Handle(), 50, 5);
  app->ProcessMessages();
  EXPECT_EQ(log.moves.size(), 1u);
}

// ---- the cursor ----

TEST_F(FormTest, HidingTheCursorHidesItOnTheMachineUntilShownAsOftenAsHidden) {
  ASSERT_TRUE(machine->CursorVisible());
  ShowCursor(false);
  EXPECT_FALSE(machine->CursorVisible());
  ShowCursor(false);
  ShowCursor(true);
  EXPECT_FALSE(machine->CursorVisible());
  ShowCursor(true);
  EXPECT_TRUE(machine->CursorVisible());
}

}  // namespace
