// Controls: things with bounds inside a parent that take mouse input (TControl), controls with
// a platform window of their own that hold other controls and take keys (TWinControl), and
// such controls that paint themselves (TCustomControl).
//
// Every message a control receives goes through its public WindowProc, which starts out as
// the control's own WndProc; a hook put in front of it (TControlSubClass) sees each message
// first and calls the handler it replaced when it chooses.
#pragma once

#include <string>
#include <vector>

#include "platform/winapi.h"
#include "toolkit/classes.h"
#include "toolkit/messages.h"
#include "toolkit/types.h"

class TWinControl;
class TCustomForm;

// The pointer shapes a control can ask for while the pointer is over it: the default one, or
// none at all (the pointer is hidden over the control).
using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;

// The system palette is about to be realised for the foreground window, and it has changed.
constexpr platform::UINT WM_QUERYNEWPALETTE = 0x030F;
constexpr platform::UINT WM_PALETTECHANGED = 0x0311;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
DECLARE_ENUM_TYPEINFO(TAlign);

using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift,
                                std::int32_t X, std::int32_t Y)>;
using TMouseMoveEvent =
    TEvent<void(TObject* Sender, TShiftState Shift, std::int32_t X, std::int32_t Y)>;
using TKeyEvent = TEvent<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)>;

// The shift state of a mouse message's key flags, with Alt from the keyboard state.
TShiftState KeysToShiftState(platform::WPARAM Keys);
// The shift state of a key message.
TShiftState KeyDataToShiftState(platform::LPARAM KeyData);

class TControl : public TComponent {
  DECLARE_CLASSINFO(TControl);

  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);

  std::int32_t Left() const { return FLeft; }
  std::int32_t Top() const { return FTop; }
  std::int32_t Width() const { return FWidth; }
  std::int32_t Height() const { return FHeight; }
  void SetLeft(std::int32_t Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(std::int32_t Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(std::int32_t Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(std::int32_t Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(std::int32_t ALeft, std::int32_t ATop, std::int32_t AWidth,
                         std::int32_t AHeight);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  // The client area, (0, 0, width, height) of the inside.
  virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
  std::int32_t ClientWidth() const { return ClientRect().Width(); }
  std::int32_t ClientHeight() const { return ClientRect().Height(); }
  void SetClientWidth(std::int32_t Value) { SetClientSize(Value, ClientHeight()); }
  void SetClientHeight(std::int32_t Value) { SetClientSize(ClientWidth(), Value); }
  virtual void SetClientSize(std::int32_t AWidth, std::int32_t AHeight);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  TColor Color() const { return FColor; }
  // Setting the colour ends following the parent's.
  void SetColor(TColor Value);
  // While set, the control takes its parent's colour, now and whenever the parent's changes.
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  // Asks for the control to be painted again: a windowed control gets one WM_PAINT, however
  // often it is asked before that arrives; a control without a window asks its parent.
  virtual void Invalidate();
  // Whether the control and all its parents are visible.
  virtual bool Showing() const;
  // The system palette changed (Foreground: the application's window is in front); answers
  // whether the control realised its colours anew.
  virtual bool PaletteChanged(bool Foreground);

  // A control read from a component stream goes into the windowed control whose children
  // are being read.
  void ReadState(TReader& Reader) override;

  // Sends a message to the control through its WindowProc and answers its result.
  platform::LRESULT Perform(platform::UINT Msg, platform::WPARAM WParam, platform::LPARAM LParam);

  TWndMethod WindowProc;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnClick;
  TNotifyEvent OnResize;

  // The control's own message handling; the default answers mouse messages with the mouse
  // events and gives everything else to DefaultHandler.
  virtual void WndProc(TMessage& Message);

 protected:
  virtual void DefaultHandler(TMessage& Message);
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, std::int32_t X, std::int32_t Y);
  virtual void MouseMove(TShiftState Shift, std::int32_t X, std::int32_t Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, std::int32_t X, std::int32_t Y);
  virtual void Click();
  virtual void Resize();
  // The bounds changed from outside (the platform moved or sized the window).
  void UpdateBoundsRect(const TRect& R);

 private:
  friend class TWinControl;
  bool HandleMouse(TMessage& Message);

  TWinControl* FParent = nullptr;
  std::int32_t FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  bool FClicked = false;
  TColor FColor = clWindow;
  bool FParentColor = false;
  TCursor FCursor = crDefault;
};

// What a windowed control asks the platform for when its window is made.
struct TCreateParams {
  std::string Caption;
  platform::DWORD Style = 0;
  platform::DWORD ExStyle = 0;
  std::int32_t X = 0, Y = 0, Width = 0, Height = 0;
  platform::HWND WndParent = 0;
};

class TWinControl : public TControl {
  DECLARE_CLASSINFO(TWinControl);

  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // The control's window, made when first asked for; EOutOfResources when it cannot be made.
  platform::HWND Handle();
  bool HandleAllocated() const { return FHandle != 0; }
  void HandleNeeded() { Handle(); }

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);

  std::int32_t TabOrder() const { return FTabOrder; }
  void SetTabOrder(std::int32_t Value) { FTabOrder = Value; }
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value) { FTabStop = Value; }

  void SetBounds(std::int32_t ALeft, std::int32_t ATop, std::int32_t AWidth,
                 std::int32_t AHeight) override;
  void SetVisible(bool Value) override;
  // Lays out the aligned children in the client area.
  void Realign();
  void Invalidate() override;
  // Passes the notice on to the children; answers whether any of them realised its colours.
  bool PaletteChanged(bool Foreground) override;

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;

  void WndProc(TMessage& Message) override;

 protected:
  void BeforeDestruction() override;
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  virtual void CreateHandle();
  virtual void DestroyHandle();
  // Makes the window anew (after a change that the platform takes only at creation); the new
  // window gets WM_CREATE like the first.
  void RecreateWnd();
  // Makes or hides the window to match Showing().
  virtual void UpdateShowing();
  void DefaultHandler(TMessage& Message) override;
  virtual void KeyDown(std::uint16_t& Key, TShiftState Shift);
  virtual void KeyUp(std::uint16_t& Key, TShiftState Shift);
  // Offers a key message to the form's key preview, then to KeyDown; answers true when the
  // key was used up (set to 0).
  bool DoKeyDown(TMessage& Message);
  virtual void Paint() {}

 private:
  friend class TControl;
  static platform::LRESULT ControlWndProc(platform::HWND window, platform::UINT message,
                                          platform::WPARAM wParam, platform::LPARAM lParam);
  void AlignControls();

  platform::HWND FHandle = 0;
  std::vector<TControl*> FControls;
  std::int32_t FTabOrder = -1;
  bool FTabStop = false;
  bool FAligning = false;
  bool FPaintPending = false;
};

class TCustomControl : public TWinControl {
  DECLARE_CLASSINFO(TCustomControl);
  explicit TCustomControl(TComponent* AOwner);
};

// The form that holds Control, or nullptr.
TCustomForm* GetParentForm(const TControl* Control);
