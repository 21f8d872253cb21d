// The display device: binds the drawing service to the form that holds it, in window mode or
// full screen, owns the primary surface and the back buffer the game draws into, presents
// each finished frame, restores surfaces the platform took away, and tells the components
// bound to it (the image list among them) when it starts, stops and restores.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "display/directdraw.h"
#include "platform/gdi/gditypes.h"
#include "toolkit/collection.h"
#include "toolkit/controls.h"
#include "toolkit/forms.h"

class TCustomDXDraw;
class TDXDrawDisplay;
class TDXDrawDriver;
class TDXDrawDriverBlt;
class TDXDrawDriverFlip;
class TDirectDrawSurface;
class TControlSubClass;

DECLARE_EXCEPTION(EDXDrawError, EDirectDrawError);

inline constexpr const char* SDXDrawFormNotFound = "Form not found";
inline constexpr const char* SDisplayModeChange = "Display mode cannot be changed (%dx%d %dbit)";

// 16 bits, member n at bit n; bits 14 and 15 have no name but are kept.
enum TDXDrawOption {
  doFullScreen,
  doNoWindowChange,
  doAllowReboot,
  doWaitVBlank,
  doAllowPalette256,
  doSystemMemory,
  doStretch,
  doCenter,
  doFlip,
  do3D,
  doDirectX7Mode,
  doHardware,
  doSelectDriver,
  doZBuffer
};
DECLARE_ENUM_TYPEINFO(TDXDrawOption);
using TDXDrawOptions = TSet<TDXDrawOption>;

enum TDXDrawNotifyType {
  dxntDestroying,         // the device is being destroyed; bound components let go of it
  dxntInitializing,       // a start has begun, before the DirectDraw object exists
  dxntInitialize,         // the device has started; bound components make their surfaces
  dxntInitializeSurface,  // the back buffer has been made
  dxntFinalize,           // the device is stopping; bound components drop their surfaces
  dxntFinalizeSurface,    // the back buffer is going away
  dxntRestore,            // surfaces restored and cleared; bound components write them again
  dxntSetSurfaceSize      // the back-buffer size has been set
};
DECLARE_ENUM_TYPEINFO(TDXDrawNotifyType);

using TDXDrawNotifyEvent = TEvent<void(TCustomDXDraw* Sender, TDXDrawNotifyType NotifyType)>;

// One colour of the device palette: blue, green, red, reserved.
using TColorTable = std::array<RGBQUAD, 256>;

// The DirectDraw drivers of the machine as the platform lists them.
struct TDirectXDriver {
  GUID Guid{};
  bool HasGuid = false;
  std::string Description;
  std::string DriverName;
};

class TCustomDXDraw : public TCustomControl {
  DECLARE_CLASSINFO(TCustomDXDraw);

  explicit TCustomDXDraw(TComponent* AOwner);
  ~TCustomDXDraw() override;

  // Start, or start again when running: every bound component is told in order. "Form not
  // found" without a form among the parents; "Display mode cannot be changed (...)" when full
  // screen finds no mode; a failed start stops the device again before the error goes on.
  void Initialize();
  // Stop; harmless when stopped.
  void Finalize();
  // Present the back buffer; nothing while stopped, busy or with surfaces that stay lost.
  void Flip();
  // Whether the back buffer may be drawn into now; lost surfaces are restored first.
  bool CanDraw();
  // Restore and clear the surfaces, and announce it.
  void Restore();

  void SetSize(std::int32_t ASurfaceWidth, std::int32_t ASurfaceHeight);
  std::int32_t SurfaceWidth() const;
  std::int32_t SurfaceHeight() const;
  void SetSurfaceWidth(std::int32_t Value);
  void SetSurfaceHeight(std::int32_t Value);

  // Registering a handler twice leaves one entry; a new handler is told at once what has
  // happened so far (the surface size, and when started the start, the back buffer and the
  // restore). Unregistering tells it of the stop it would otherwise miss.
  void RegisterNotifyEvent(TDXDrawNotifyEvent NotifyEvent);
  void UnRegisterNotifyEvent(TDXDrawNotifyEvent NotifyEvent);

  // Loads ColorTable into the palette.
  void UpdatePalette();
  bool CanPaletteAnimation() const;

  bool Initialized() const { return FInitialized; }
  TDXDrawOptions NowOptions() const { return FNowOptions; }
  TDXDrawOptions Options() const { return FOptions; }
  // Takes effect at once only for doWaitVBlank, doStretch and doCenter while started.
  void SetOptions(TDXDrawOptions Value);
  TDirectDraw* DDraw() const { return FDDraw; }
  TDirectDrawSurface* Primary() const { return FPrimary; }
  TDirectDrawSurface* Surface() const { return FSurface; }
  TDirectDrawClipper* Clipper() const { return FClipper; }
  TDirectDrawPalette* Palette() const { return FPalette; }
  TDXDrawDisplay* Display() const { return FDisplay; }
  // Copies the values.
  void SetDisplay(TDXDrawDisplay* Value);
  PGUID Driver() const { return FDriver; }
  void SetDriver(PGUID Value);
  std::vector<TDirectXDriver> Drivers() const;

  bool AutoInitialize() const { return FAutoInitialize; }
  void SetAutoInitialize(bool Value) { FAutoInitialize = Value; }
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);

  void SetParent(TWinControl* AParent) override;
  void SetBounds(std::int32_t ALeft, std::int32_t ATop, std::int32_t AWidth,
                 std::int32_t AHeight) override;
  void AfterLoading() override;
  // The system palette changed: restore when in the foreground.
  bool PaletteChanged(bool Foreground) override;

  TColorTable ColorTable{};
  TColorTable DefColorTable{};

  TNotifyEvent OnFinalize;
  TNotifyEvent OnFinalizeSurface;
  TNotifyEvent OnInitialize;
  TNotifyEvent OnInitializeSurface;
  TNotifyEvent OnInitializing;
  TNotifyEvent OnRestoreSurface;

  void WndProc(TMessage& Message) override;

 protected:
  void BeforeDestruction() override;
  void Paint() override;

  virtual void SignalFinalize();
  virtual void SignalFinalizeSurface();
  virtual void SignalInitialize();
  virtual void SignalInitializeSurface();
  virtual void SignalInitializing();
  virtual void SignalRestoreSurface();

 private:
  friend class TDXDrawDriver;
  friend class TDXDrawDriverBlt;
  friend class TDXDrawDriverFlip;
  friend class TDXDrawDisplay;

  void BroadcastNotify(TDXDrawNotifyType NotifyType);
  void SetCooperation();
  bool VerifySurfaces();
  void ApplyColorTable(const TColorTable& Table);
  void FlipToDesktop();
  void ParentWindowHook(TMessage& Message, TWndMethod DefWindowProc);
  void StartDriver();

  bool FAutoInitialize = false;
  bool FAutoSize = false;
  bool FCalledDoInitialize = false;
  bool FCalledDoInitializeSurface = false;
  TCustomForm* FForm = nullptr;
  // In order of registration.
  std::vector<TDXDrawNotifyEvent> FNotifyEventList;
  bool FInitialized = false;
  bool FInitialized2 = false;
  bool FInternalInitialized = false;
  bool FUpdating = false;
  std::unique_ptr<TControlSubClass> FSubClass;
  TDXDrawOptions FNowOptions;
  TDXDrawOptions FOptions;
  std::int32_t FOffNotifyRestore = 0;
  std::unique_ptr<TDXDrawDriver> FDXDrawDriver;
  PGUID FDriver = nullptr;
  GUID FDriverGUID{};
  TDirectDraw* FDDraw = nullptr;
  TDXDrawDisplay* FDisplay = nullptr;
  TDirectDrawClipper* FClipper = nullptr;
  TDirectDrawPalette* FPalette = nullptr;
  TDirectDrawSurface* FPrimary = nullptr;
  TDirectDrawSurface* FSurface = nullptr;
  std::int32_t FSurfaceWidth = 0;
  std::int32_t FSurfaceHeight = 0;
};

// The display device with its settings published.
// A trace of the 3-D renderer's drawing, which nothing in this system reaches: the published
// list of them is kept so that a stored (empty) one reads and writes back.
class TTrace : public TCollectionItem {
  DECLARE_CLASSINFO(TTrace);
  explicit TTrace(TCollection* Collection) : TCollectionItem(Collection) {}
};

class TDXDraw : public TCustomDXDraw {
  DECLARE_CLASSINFO(TDXDraw);
  explicit TDXDraw(TComponent* AOwner);

  TCollection* Traces() const { return FTraces.get(); }
  void SetTraces(TCollection* Value) { FTraces->Assign(Value); }

 private:
  TOwnedPtr<TCollection> FTraces{Construct<TCollection>(&TTrace::ClassInfo)};
};
