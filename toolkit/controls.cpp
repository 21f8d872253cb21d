#include "toolkit/controls.h"

#include <algorithm>

#include "platform/system/input.h"
#include "platform/system/machine.h"
#include "platform/system/windows.h"
#include "toolkit/forms.h"
#include "toolkit/sysutils.h"

using namespace platform;

IMPLEMENT_ENUM_TYPEINFO(TAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient",
                        "alCustom")

TShiftState KeysToShiftState(WPARAM Keys) {
  TShiftState s;
  if (Keys & MK_SHIFT) s.Include(ssShift);
  if (Keys & MK_CONTROL) s.Include(ssCtrl);
  if (Keys & MK_LBUTTON) s.Include(ssLeft);
  if (Keys & MK_RBUTTON) s.Include(ssRight);
  if (Keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (KeyData & KF_ALTDOWN_BIT) s.Include(ssAlt);
  return s;
}

TCustomForm* GetParentForm(const TControl* Control) {
  if (!Control) return nullptr;
  while (Control->Parent()) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(Control));
}

// ---- TControl ----

namespace {
const TPropInfo kControlProps[] = {
    Property<&TControl::Left, &TControl::SetLeft>("Left"),
    Property<&TControl::Top, &TControl::SetTop>("Top"),
    Property<&TControl::Width, &TControl::SetWidth>("Width"),
    Property<&TControl::Height, &TControl::SetHeight>("Height"),
    Property<&TControl::Align, &TControl::SetAlign>("Align", nullptr, alNone),
    Property<&TControl::Visible, &TControl::SetVisible>("Visible", nullptr, 1),
    Property<&TControl::Enabled, &TControl::SetEnabled>("Enabled", nullptr, 1),
    Property<&TControl::Color, &TControl::SetColor>("Color", TypeInfoColor()),
    Property<&TControl::ParentColor, &TControl::SetParentColor>("ParentColor", nullptr, 0),
    Property<&TControl::Cursor, &TControl::SetCursor>("Cursor", nullptr, crDefault),
    EventProperty<&TControl::OnClick>("OnClick"),
    EventProperty<&TControl::OnMouseDown>("OnMouseDown"),
    EventProperty<&TControl::OnMouseMove>("OnMouseMove"),
    EventProperty<&TControl::OnMouseUp>("OnMouseUp"),
    EventProperty<&TControl::OnResize>("OnResize"),
};
}  // namespace

IMPLEMENT_CLASS(TControl, TComponent, .Properties = kControlProps)

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  WindowProc = TWndMethod::Of<&TControl::WndProc>(this);
}

namespace {

// The control whose crNone hid the pointer, while the pointer is hidden on its account.
TControl* gPointerHider = nullptr;

void ShowPointerAgain() {
  gPointerHider = nullptr;
  if (HasBackend()) ShowCursor(true);
}

// The pointer moved over Control: hidden over a control that asks for no pointer, shown again
// over any other.
void PointerOver(TControl* Control) {
  if (Control->Cursor() == crNone) {
    if (!gPointerHider) ShowCursor(false);
    gPointerHider = Control;
  } else if (gPointerHider) {
    ShowPointerAgain();
  }
}

}  // namespace

TControl::~TControl() {
  if (gPointerHider == this) ShowPointerAgain();
  if (FParent) FParent->RemoveControl(this);
}

bool TControl::PaletteChanged(bool /*Foreground*/) { return false; }

void TControl::SetColor(TColor Value) {
  FParentColor = false;
  if (FColor == Value) return;
  FColor = Value;
  if (auto* win = dynamic_cast<TWinControl*>(this))
    for (TControl* c : win->FControls)
      if (c->FParentColor) {
        c->SetColor(Value);
        c->FParentColor = true;
      }
  Invalidate();
}

void TControl::SetParentColor(bool Value) {
  FParentColor = Value;
  if (Value && FParent) {
    SetColor(FParent->Color());
    FParentColor = true;
  }
}

void TControl::SetCursor(TCursor Value) {
  FCursor = Value;
  if (gPointerHider == this && Value != crNone) ShowPointerAgain();
}

void TControl::Invalidate() {
  if (FParent) FParent->Invalidate();
}

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(std::int32_t ALeft, std::int32_t ATop, std::int32_t AWidth,
                         std::int32_t AHeight) {
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  const bool resized = AWidth != FWidth || AHeight != FHeight;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (FParent) FParent->Realign();
  if (resized) Resize();
}

void TControl::UpdateBoundsRect(const TRect& R) {
  if (R == BoundsRect()) return;
  const bool resized = R.Width() != FWidth || R.Height() != FHeight;
  FLeft = R.Left;
  FTop = R.Top;
  FWidth = R.Width();
  FHeight = R.Height();
  if (auto* self = dynamic_cast<TWinControl*>(this)) self->Realign();
  if (resized) Resize();
}

void TControl::SetClientSize(std::int32_t AWidth, std::int32_t AHeight) {
  const TRect client = ClientRect();
  SetBounds(FLeft, FTop, FWidth - client.Width() + AWidth, FHeight - client.Height() + AHeight);
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value) return;
  FAlign = Value;
  if (FParent) FParent->Realign();
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  if (FParent) FParent->Realign();
}

void TControl::ReadState(TReader& Reader) {
  if (auto* parent = dynamic_cast<TWinControl*>(Reader.Parent()); parent && parent != this)
    SetParent(parent);
  TComponent::ReadState(Reader);
}

bool TControl::Showing() const { return FVisible && (!FParent || FParent->Showing()); }

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  if (!HandleMouse(Message)) DefaultHandler(Message);
}

void TControl::DefaultHandler(TMessage&) {}

bool TControl::HandleMouse(TMessage& Message) {
  const std::int32_t x = GET_X_LPARAM(Message.LParam);
  const std::int32_t y = GET_Y_LPARAM(Message.LParam);
  const TShiftState shift = KeysToShiftState(Message.WParam);
  const TShiftState dbl = shift + TShiftState{ssDouble};
  switch (Message.Msg) {
    case WM_MOUSEMOVE:
      PointerOver(this);
      MouseMove(shift, x, y);
      return true;
    case WM_LBUTTONDOWN:
      FClicked = true;
      MouseDown(mbLeft, shift, x, y);
      return true;
    case WM_LBUTTONDBLCLK: MouseDown(mbLeft, dbl, x, y); return true;
    case WM_RBUTTONDOWN: MouseDown(mbRight, shift, x, y); return true;
    case WM_RBUTTONDBLCLK: MouseDown(mbRight, dbl, x, y); return true;
    case WM_MBUTTONDOWN: MouseDown(mbMiddle, shift, x, y); return true;
    case WM_MBUTTONDBLCLK: MouseDown(mbMiddle, dbl, x, y); return true;
    case WM_LBUTTONUP: {
      const bool clicked = FClicked;
      FClicked = false;
      MouseUp(mbLeft, shift, x, y);
      if (clicked && x >= 0 && y >= 0 && x < FWidth && y < FHeight) Click();
      return true;
    }
    case WM_RBUTTONUP: MouseUp(mbRight, shift, x, y); return true;
    case WM_MBUTTONUP: MouseUp(mbMiddle, shift, x, y); return true;
    default: return false;
  }
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, std::int32_t X, std::int32_t Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, std::int32_t X, std::int32_t Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, std::int32_t X, std::int32_t Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// ---- TWinControl ----

namespace {
const TPropInfo kWinControlProps[] = {
    Property<&TWinControl::TabOrder, &TWinControl::SetTabOrder>("TabOrder", nullptr, -1),
    Property<&TWinControl::TabStop, &TWinControl::SetTabStop>("TabStop", nullptr, 0),
    EventProperty<&TWinControl::OnKeyDown>("OnKeyDown"),
    EventProperty<&TWinControl::OnKeyUp>("OnKeyUp"),
};
}  // namespace

IMPLEMENT_CLASS(TWinControl, TControl, .Properties = kWinControlProps)

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  if (FHandle && HasBackend()) DestroyHandle();
  for (TControl* c : FControls) c->FParent = nullptr;
}

void TWinControl::BeforeDestruction() {
  Destroying();
  DestroyHandle();
  TControl::BeforeDestruction();
  // Children owned elsewhere stay behind without a parent.
  while (!FControls.empty()) RemoveControl(FControls.back());
}

HWND TWinControl::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount()) throw EListError(Format(msg::SListIndexError, Index));
  return FControls[static_cast<std::size_t>(Index)];
}

void TWinControl::InsertControl(TControl* AControl) {
  FControls.push_back(AControl);
  AControl->FParent = this;
  if (AControl->FParentColor) AControl->SetParentColor(true);
  Realign();
  if (auto* win = dynamic_cast<TWinControl*>(AControl); win && FHandle) win->UpdateShowing();
}

void TWinControl::RemoveControl(TControl* AControl) {
  const auto it = std::find(FControls.begin(), FControls.end(), AControl);
  if (it == FControls.end()) return;
  if (auto* win = dynamic_cast<TWinControl*>(AControl)) win->DestroyHandle();
  FControls.erase(it);
  AControl->FParent = nullptr;
  Realign();
}

void TWinControl::SetBounds(std::int32_t ALeft, std::int32_t ATop, std::int32_t AWidth,
                            std::int32_t AHeight) {
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FHandle)
    SetWindowPos(FHandle, Left(), Top(), Width(), Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  Realign();
}

void TWinControl::SetVisible(bool Value) {
  if (Visible() == Value) return;
  TControl::SetVisible(Value);
  if (!Parent() || Parent()->HandleAllocated()) UpdateShowing();
}

void TWinControl::Realign() {
  if (FAligning) return;
  FAligning = true;
  AlignControls();
  FAligning = false;
}

void TWinControl::AlignControls() {
  TRect r = ClientRect();
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : FControls) {
      if (c->Align() != pass || !c->Visible()) continue;
      switch (pass) {
        case alTop:
          c->SetBounds(r.Left, r.Top, r.Width(), c->Height());
          r.Top += c->Height();
          break;
        case alBottom:
          c->SetBounds(r.Left, r.Bottom - c->Height(), r.Width(), c->Height());
          r.Bottom -= c->Height();
          break;
        case alLeft:
          c->SetBounds(r.Left, r.Top, c->Width(), r.Height());
          r.Left += c->Width();
          break;
        case alRight:
          c->SetBounds(r.Right - c->Width(), r.Top, c->Width(), r.Height());
          r.Right -= c->Width();
          break;
        default: c->SetBounds(r.Left, r.Top, r.Width(), r.Height()); break;
      }
    }
  }
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.Caption.clear();
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  Params.ExStyle = 0;
  Params.X = Left();
  Params.Y = Top();
  Params.Width = Width();
  Params.Height = Height();
  Params.WndParent = Parent() ? Parent()->Handle() : 0;
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  const HWND h = CreateWindowEx(p.ExStyle, p.Caption, p.Style & ~WS_VISIBLE, p.X, p.Y, p.Width,
                                p.Height, p.WndParent, ControlWndProc, this);
  if (!h) throw EOutOfResources(msg::SWindowNotMade);
  FHandle = h;
}

void TWinControl::CreateHandle() {
  if (!FHandle) CreateWnd();
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  DestroyWindow(FHandle);  // WM_DESTROY reaches this window first, then its children
  FHandle = 0;
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  DestroyHandle();
  UpdateShowing();
}

void TWinControl::UpdateShowing() {
  if (!Visible()) {
    if (FHandle) ShowWindow(FHandle, SW_HIDE);
    return;
  }
  if (!FHandle) CreateHandle();
  for (TControl* c : FControls)
    if (auto* win = dynamic_cast<TWinControl*>(c)) win->UpdateShowing();
  ShowWindow(FHandle, SW_SHOW);
}

LRESULT TWinControl::ControlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* control = static_cast<TWinControl*>(GetWindowUserData(window));
  if (!control) return DefWindowProc(window, message, wParam, lParam);
  if (message == WM_CREATE && !control->FHandle) control->FHandle = window;
  TMessage m{message, wParam, lParam, 0};
  DeliverGuarded(control, [&] { control->WindowProc(m); });
  if (message == WM_DESTROY && control->FHandle == window) control->FHandle = 0;
  return m.Result;
}

void TWinControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (DoKeyDown(Message)) return;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      auto key = static_cast<std::uint16_t>(Message.WParam);
      KeyUp(key, KeyDataToShiftState(Message.LParam));
      if (key == 0) return;
      break;
    }
    case WM_SIZE:
    case WM_MOVE:
      if (FHandle && !IsIconic(FHandle)) {
        RECT r;
        GetWindowRect(FHandle, r);
        POINT origin{r.left, r.top};
        if (const HWND parent = GetParent(FHandle)) ScreenToClient(parent, origin);
        UpdateBoundsRect(Bounds(origin.x, origin.y, r.right - r.left, r.bottom - r.top));
      }
      break;
    case WM_PAINT:
      FPaintPending = false;
      Paint();
      break;
    case WM_QUERYNEWPALETTE: Message.Result = PaletteChanged(true); return;
    case WM_PALETTECHANGED:
      if (Message.WParam != FHandle) PaletteChanged(false);
      return;
    default: break;
  }
  TControl::WndProc(Message);
}

void TWinControl::Invalidate() {
  if (!FHandle || FPaintPending) return;
  FPaintPending = true;
  PostMessage(FHandle, WM_PAINT, 0, 0);
}

bool TWinControl::PaletteChanged(bool Foreground) {
  bool realised = false;
  for (std::size_t i = 0; i < FControls.size(); ++i)
    realised = FControls[i]->PaletteChanged(Foreground) || realised;
  return realised;
}

void TWinControl::DefaultHandler(TMessage& Message) {
  Message.Result = DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

bool TWinControl::DoKeyDown(TMessage& Message) {
  const TShiftState shift = KeyDataToShiftState(Message.LParam);
  auto key = static_cast<std::uint16_t>(Message.WParam);
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    static_cast<TWinControl*>(form)->KeyDown(key, shift);
    if (key == 0) return true;
  }
  KeyDown(key, shift);
  if (key == 0) return true;
  Message.WParam = key;
  return false;
}

void TWinControl::KeyDown(std::uint16_t& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(std::uint16_t& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

// ---- TCustomControl ----

IMPLEMENT_CLASS(TCustomControl, TWinControl)

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}
