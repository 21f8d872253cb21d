// Forms: top-level windows with a caption, a border style and border icons, placed on the
// screen, that see keys before their controls when asked to, and fire OnCreate once built
// and OnDestroy before they go.
//
// The rectangle of a form is its client area on the screen: the desktop draws the frame
// around it, so Width and ClientWidth agree.
#pragma once

#include "platform/winapi.h"
#include "toolkit/controls.h"
#include "toolkit/graphics.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
DECLARE_ENUM_TYPEINFO(TFormBorderStyle);

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
DECLARE_ENUM_TYPEINFO(TBorderIcon);
using TBorderIcons = TSet<TBorderIcon>;

enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
DECLARE_ENUM_TYPEINFO(TPosition);

enum TWindowState { wsNormal, wsMinimized, wsMaximized };
DECLARE_ENUM_TYPEINFO(TWindowState);

// What closing a form does: nothing, hide it, or minimise it.
enum TCloseAction { caNone, caHide, caMinimize };
using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;

// A form class beyond the toolkit's own is built from its stored descriptions: when the form
// is made, the streams of its class and of its ancestors (raw-data resources named after each
// class, without regard to case) are read into it, the most distant ancestor first, before
// OnCreate. Classes without a stream are passed over; a class with none anywhere fails with
// EResNotFound "Resource %s not found". CreateNew makes a form without reading any.
class TCustomForm : public TCustomControl {
  DECLARE_CLASSINFO(TCustomForm);

  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Makes a form of class T whose settings come from its constructors alone.
  template <class T>
  static T* CreateNew(TComponent* AOwner) {
    T* form = new T(AOwner);
    static_cast<TCustomForm*>(form)->FCreatedNew = true;
    try {
      form->AfterConstruction();
    } catch (...) {
      form->Free();
      throw;
    }
    return form;
  }

  std::string Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  // Changing the border style or icons of a form with a window makes the window anew.
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value);
  // poScreenCenter and poDesktopCenter centre the form on the screen at its first showing;
  // the other positions keep Left and Top.
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value);
  // The control that takes the keys the form receives; nullptr: the form itself.
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control) { FActiveControl = Control; }
  // The form's own font (its text settings as stored); owned by the form, never nullptr.
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  // The height of a line of the form's font when it was designed (stored as TextHeight).
  std::int32_t TextHeight() const { return FTextHeight; }
  void SetTextHeight(std::int32_t Value) { FTextHeight = Value; }

  void Show();
  void Hide();
  // Asks the form to close: OnClose decides what happens (hide by default); closing the
  // application's main form ends the application.
  void Close();

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;

  void AfterConstruction() override;
  void DefineStoredProperties(TFiler& Filer) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void WndProc(TMessage& Message) override;

 protected:
  void BeforeDestruction() override;
  void CreateParams(TCreateParams& Params) override;
  void UpdateShowing() override;
  virtual void DoCreate();
  virtual void DoDestroy();

 private:
  void PlaceForFirstShowing();
  void ReadStoredDescriptions();
  void ReadTextHeight(TReader& Reader);
  void WriteTextHeight(TWriter& Writer);

  std::string FCaption;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TPosition FPosition = poDesigned;
  bool FKeyPreview = false;
  TWindowState FWindowState = wsNormal;
  TWinControl* FActiveControl = nullptr;
  bool FShownOnce = false;
  std::int32_t FTextHeight = 0;
  TOwnedPtr<TFont> FFont{Construct<TFont>()};
  bool FCreatedNew = false;
  bool FCreated = false;  // built and OnCreate reached: only then does OnDestroy fire
};

// The form that components are put on and that a stored description describes.
class TForm : public TCustomForm {
  DECLARE_CLASSINFO(TForm);
  explicit TForm(TComponent* AOwner);
};
