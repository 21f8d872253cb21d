#include "toolkit/forms.h"

#include <vector>

#include "platform/system/windows.h"
#include "toolkit/application.h"
#include "toolkit/streams.h"
#include "toolkit/sysutils.h"

using namespace platform;

IMPLEMENT_ENUM_TYPEINFO(TFormBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog",
                        "bsToolWindow", "bsSizeToolWin")
IMPLEMENT_ENUM_TYPEINFO(TBorderIcon, "biSystemMenu", "biMinimize", "biMaximize", "biHelp")
IMPLEMENT_ENUM_TYPEINFO(TPosition, "poDesigned", "poDefault", "poDefaultPosOnly",
                        "poDefaultSizeOnly", "poScreenCenter", "poDesktopCenter",
                        "poMainFormCenter", "poOwnerFormCenter")
IMPLEMENT_ENUM_TYPEINFO(TWindowState, "wsNormal", "wsMinimized", "wsMaximized")

namespace {
constexpr std::int32_t kDefaultWidth = 320;
constexpr std::int32_t kDefaultHeight = 240;

const TPropInfo kCustomFormProps[] = {
    // A form stores its client size rather than its outer size, and is hidden until shown.
    Property<&TControl::Width, &TControl::SetWidth>("Width", nullptr, std::nullopt, false),
    Property<&TControl::Height, &TControl::SetHeight>("Height", nullptr, std::nullopt, false),
    Property<&TControl::Visible, &TControl::SetVisible>("Visible", nullptr, 0),
    Property<&TCustomForm::Caption, &TCustomForm::SetCaption>("Caption"),
    Property<&TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle>("BorderStyle", nullptr,
                                                                      bsSizeable),
    Property<&TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons>(
        "BorderIcons", nullptr, TBorderIcons{biSystemMenu, biMinimize, biMaximize}.Bits()),
    Property<&TCustomForm::ClientWidth, &TCustomForm::SetClientWidth>("ClientWidth"),
    Property<&TCustomForm::ClientHeight, &TCustomForm::SetClientHeight>("ClientHeight"),
    Property<&TCustomForm::Position, &TCustomForm::SetPosition>("Position", nullptr, poDesigned),
    Property<&TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview>("KeyPreview", nullptr, 0),
    Property<&TCustomForm::Font, &TCustomForm::SetFont>("Font"),
    Property<&TCustomForm::WindowState, &TCustomForm::SetWindowState>("WindowState", nullptr,
                                                                      wsNormal),
    EventProperty<&TCustomForm::OnCreate>("OnCreate"),
    EventProperty<&TCustomForm::OnDestroy>("OnDestroy"),
    EventProperty<&TCustomForm::OnShow>("OnShow"),
    EventProperty<&TCustomForm::OnHide>("OnHide"),
    EventProperty<&TCustomForm::OnActivate>("OnActivate"),
    EventProperty<&TCustomForm::OnDeactivate>("OnDeactivate"),
    EventProperty<&TCustomForm::OnClose>("OnClose"),
};
}  // namespace

IMPLEMENT_CLASS(TCustomForm, TCustomControl, .Properties = kCustomFormProps)

TCustomForm::TCustomForm(TComponent* AOwner) : TCustomControl(AOwner) {
  TControl::SetVisible(false);  // a form shows when asked to
  SetBounds(0, 0, kDefaultWidth, kDefaultHeight);
  SetColor(clBtnFace);
}

TCustomForm::~TCustomForm() = default;

void TCustomForm::AfterConstruction() {
  TCustomControl::AfterConstruction();
  if (!FCreatedNew) ReadStoredDescriptions();
  FCreated = true;
  DoCreate();
}

void TCustomForm::ReadStoredDescriptions() {
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* c = ClassType();
       c && c != &TForm::ClassInfo && c != &TCustomForm::ClassInfo; c = c->Parent)
    chain.push_back(c);
  if (chain.empty()) return;  // the toolkit's own form class has no stored description
  bool any = false;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    bool found = false;
    FindResourceData((*it)->Name, RT_RCDATA, found);
    if (!found) continue;
    any = true;
    TResourceStream stream((*it)->Name, RT_RCDATA);
    stream.ReadComponent(this);
  }
  if (!any) throw EResNotFound(Format(msg::SResNotFound, ClassName().c_str()));
}

void TCustomForm::DefineStoredProperties(TFiler& Filer) {
  TCustomControl::DefineStoredProperties(Filer);
  Filer.DefineProperty("TextHeight", TReaderProc::Of<&TCustomForm::ReadTextHeight>(this),
                       TWriterProc::Of<&TCustomForm::WriteTextHeight>(this), FTextHeight != 0);
}

void TCustomForm::ReadTextHeight(TReader& Reader) { FTextHeight = Reader.ReadInteger(); }

void TCustomForm::WriteTextHeight(TWriter& Writer) { Writer.WriteInteger(FTextHeight); }

void TCustomForm::BeforeDestruction() {
  Destroying();
  // A form whose building failed was never created, so it is not destroyed either.
  if (FCreated) DoDestroy();
  TCustomControl::BeforeDestruction();
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoDestroy() {
  if (OnDestroy) DeliverGuarded(this, [this] { OnDestroy(this); });
}

void TCustomForm::SetCaption(const std::string& Value) {
  FCaption = Value;
  if (HandleAllocated()) SetWindowText(Handle(), Value);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (FBorderIcons == Value) return;
  FBorderIcons = Value;
  RecreateWnd();
}

void TCustomForm::SetWindowState(TWindowState Value) {
  if (FWindowState == Value) return;
  FWindowState = Value;
  if (HandleAllocated() && Showing())
    ShowWindow(Handle(), Value == wsMinimized   ? SW_MINIMIZE
                         : Value == wsMaximized ? SW_SHOWMAXIMIZED
                                                : SW_RESTORE);
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Caption = FCaption;
  Params.WndParent = 0;
  Params.Style = WS_CLIPCHILDREN;
  switch (FBorderStyle) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle: Params.Style |= WS_CAPTION; break;
    case bsSizeable: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog: Params.Style |= WS_POPUP | WS_CAPTION | WS_DLGFRAME; break;
    case bsToolWindow:
      Params.Style |= WS_CAPTION;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      Params.Style |= WS_CAPTION | WS_THICKFRAME;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu)) {
    Params.Style |= WS_SYSMENU;
    const bool boxes =
        FBorderStyle != bsDialog && FBorderStyle != bsToolWindow && FBorderStyle != bsSizeToolWin;
    if (boxes && FBorderIcons.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
    if (boxes && FBorderIcons.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
  }
}

void TCustomForm::PlaceForFirstShowing() {
  if (FPosition != poScreenCenter && FPosition != poDesktopCenter) return;
  const RECT screen = GetScreenRect();
  const std::int32_t x = screen.left + (screen.right - screen.left - Width()) / 2;
  const std::int32_t y = screen.top + (screen.bottom - screen.top - Height()) / 2;
  SetBounds(x, y, Width(), Height());
}

void TCustomForm::UpdateShowing() {
  if (!Visible()) {
    const bool wasShown = HandleAllocated() && IsWindowVisible(Handle());
    TCustomControl::UpdateShowing();
    if (wasShown && OnHide) OnHide(this);
    return;
  }
  if (!FShownOnce) {
    FShownOnce = true;
    PlaceForFirstShowing();
  }
  if (OnShow && !(HandleAllocated() && IsWindowVisible(Handle()))) OnShow(this);
  TCustomControl::UpdateShowing();
  if (FWindowState == wsMinimized) ShowWindow(Handle(), SW_MINIMIZE);
}

void TCustomForm::Show() { SetVisible(true); }

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::Close() {
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this)
    Application->Terminate();
  else if (action == caMinimize)
    SetWindowState(wsMinimized);
  else
    Hide();
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FActiveControl) FActiveControl = nullptr;
  TCustomControl::Notification(AComponent, Operation);
}

void TCustomForm::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (FActiveControl && FActiveControl != this) {
        Message.Result = FActiveControl->Perform(Message.Msg, Message.WParam, Message.LParam);
        return;
      }
      break;
    case WM_CLOSE: Close(); return;
    case WM_SYSCOMMAND:
      // The main form stands for the whole application on the taskbar.
      if ((Message.WParam & 0xFFF0) == SC_MINIMIZE && Application &&
          Application->MainForm() == this) {
        Application->Minimize();
        return;
      }
      break;
    case WM_SIZE:
      FWindowState = Message.WParam == SIZE_MINIMIZED   ? wsMinimized
                     : Message.WParam == SIZE_MAXIMIZED ? wsMaximized
                                                        : wsNormal;
      break;
    case WM_ACTIVATE:
      if (LOWORD(Message.WParam) != WA_INACTIVE) {
        if (OnActivate) OnActivate(this);
      } else if (OnDeactivate) {
        OnDeactivate(this);
      }
      break;
    default: break;
  }
  TCustomControl::WndProc(Message);
}

IMPLEMENT_CLASS(TForm, TCustomForm)

TForm::TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
