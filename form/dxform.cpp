#include "form/dxform.h"

#include <algorithm>
#include <vector>

#include "platform/system/windows.h"
#include "toolkit/application.h"

using namespace platform;

// ---- TControlSubClass ----

namespace {
// Live hooks, so that one freed out of order can be spliced out of its control's chain.
std::vector<TControlSubClass*>& LiveHooks() {
  static std::vector<TControlSubClass*> hooks;
  return hooks;
}
}  // namespace

TControlSubClass::TControlSubClass(TControl* Control, TControlSubClassProc WindowProc)
    : FControl(Control), FDefWindowProc(Control->WindowProc), FWindowProc(WindowProc) {
  FControl->WindowProc = OwnHandler();
  LiveHooks().push_back(this);
}

TControlSubClass::~TControlSubClass() {
  auto& hooks = LiveHooks();
  hooks.erase(std::remove(hooks.begin(), hooks.end(), this), hooks.end());
  const TWndMethod own = OwnHandler();
  if (FControl->WindowProc == own) {
    FControl->WindowProc = FDefWindowProc;
    return;
  }
  // A newer hook stands in front of this one: it takes over the handler this one found.
  for (TControlSubClass* newer : hooks)
    if (newer->FControl == FControl && newer->FDefWindowProc == own) {
      newer->FDefWindowProc = FDefWindowProc;
      return;
    }
}

void TControlSubClass::WndProc(TMessage& Message) { FWindowProc(Message, FDefWindowProc); }

// ---- TDXForm ----

std::int32_t DXFormCount = 0;

namespace {
void SetApplicationToolWindow(bool on) {
  if (!Application || !Application->Handle()) return;
  const HWND app = Application->Handle();
  const DWORD style = GetWindowLong(app, GWL_EXSTYLE);
  SetWindowLong(app, GWL_EXSTYLE, on ? style | WS_EX_TOOLWINDOW : style & ~WS_EX_TOOLWINDOW);
}
}  // namespace

IMPLEMENT_CLASS(TDXForm, TForm)

TDXForm::TDXForm(TComponent* AOnwer) : TForm(AOnwer) {
  ++DXFormCount;
  SetApplicationToolWindow(true);
}

TDXForm::~TDXForm() {
  if (--DXFormCount == 0) SetApplicationToolWindow(false);
}

void TDXForm::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.ExStyle |= WS_EX_APPWINDOW;
}

void TDXForm::StoreWindow() {
  FWindowPlacement.length = sizeof(WINDOWPLACEMENT);
  FStoreWindow = GetWindowPlacement(Handle(), FWindowPlacement);
}

void TDXForm::RestoreWindow() {
  if (!FStoreWindow) return;
  SetWindowPlacement(Handle(), FWindowPlacement);
  FStoreWindow = false;
}

void TDXForm::WndProc(TMessage& Message) {
  if (Message.Msg == WM_SYSCOMMAND && Message.WParam == SC_MINIMIZE) {
    DefaultHandler(Message);
    SetWindowState(wsMinimized);
    return;
  }
  TForm::WndProc(Message);
}
