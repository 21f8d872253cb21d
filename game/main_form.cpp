#include "game/main_form.h"

namespace {
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
}  // namespace

TMainForm* MainForm = nullptr;

IMPLEMENT_CLASS(TMainForm, TDXForm)

TMainForm::TMainForm(TComponent* AOwner) : TDXForm(AOwner) {
  SetCaption("Marvosk");
  SetBorderStyle(bsSingle);
  SetBorderIcons({biSystemMenu, biMinimize});
  SetClientWidth(kClientWidth);
  SetClientHeight(kClientHeight);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
}
