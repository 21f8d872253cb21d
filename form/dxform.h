// Ties components to the form that holds them: a hook in front of a control's message
// handler (TControlSubClass), and the form base of the game's main window (TDXForm), which
// keeps its own taskbar button and can store its placement before full screen and put it back.
#pragma once

#include <cstdint>

#include "platform/winapi.h"
#include "toolkit/controls.h"
#include "toolkit/forms.h"

// A hook's handler: the message, and the handler it replaced, to call when it chooses.
using TControlSubClassProc = TEvent<void(TMessage& Message, TWndMethod DefWindowProc)>;

// Puts itself in front of a control's WindowProc for as long as it lives. Hooks on one
// control chain, the newest first; freeing a hook takes exactly it out of the chain, wherever
// it stands. The hook replaces the toolkit's handler, not the platform's window procedure, so
// it survives the control's window being made anew. It must be freed before its control.
class TControlSubClass : public TObject {
 public:
  TControlSubClass(TControl* Control, TControlSubClassProc WindowProc);
  ~TControlSubClass() override;

  TControl* Control() const { return FControl; }

 private:
  void WndProc(TMessage& Message);
  TWndMethod OwnHandler() { return TWndMethod::Of<&TControlSubClass::WndProc>(this); }

  TControl* FControl;
  TWndMethod FDefWindowProc;
  TControlSubClassProc FWindowProc;
};

// The number of TDXForm windows alive in the process.
extern std::int32_t DXFormCount;

// A form with a taskbar button of its own (the application's hidden window gives its up while
// any TDXForm lives), that minimises through its window menu and keeps one stored placement.
class TDXForm : public TForm {
  DECLARE_CLASSINFO(TDXForm);

  explicit TDXForm(TComponent* AOnwer);
  ~TDXForm() override;

  // Reads the window's placement and keeps it.
  void StoreWindow();
  // Puts the kept placement back, once; without one, nothing.
  void RestoreWindow();
  bool WindowStored() const { return FStoreWindow; }

  void WndProc(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  bool FStoreWindow = false;
  platform::WINDOWPLACEMENT FWindowPlacement;
};
