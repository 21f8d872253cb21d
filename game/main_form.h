// The game's main window. For now it is the empty 640 × 480 drawing area: titled, centred,
// with a fixed border and the window menu's close and minimise.
#pragma once

#include "display/dxform.h"

class TMainForm : public TDXForm {
  DECLARE_CLASSINFO(TMainForm);
  explicit TMainForm(TComponent* AOwner);
};

extern TMainForm* MainForm;
