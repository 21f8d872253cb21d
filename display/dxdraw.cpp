#include "display/dxdraw.h"

#include "display/dxform.h"
#include "display/surface.h"

IMPLEMENT_ENUM_TYPEINFO(TDXDrawOption, "doFullScreen", "doNoWindowChange", "doAllowReboot",
                        "doWaitVBlank", "doAllowPalette256", "doSystemMemory", "doStretch",
                        "doCenter", "doFlip", "do3D", "doDirectX7Mode", "doHardware",
                        "doSelectDriver", "doZBuffer")
IMPLEMENT_ENUM_TYPEINFO(TDXDrawNotifyType, "dxntDestroying", "dxntInitializing", "dxntInitialize",
                        "dxntInitializeSurface", "dxntFinalize", "dxntFinalizeSurface",
                        "dxntRestore", "dxntSetSurfaceSize")

IMPLEMENT_CLASS(TCustomDXDraw, TCustomControl)
IMPLEMENT_CLASS(TDXDraw, TCustomDXDraw)

// FIXME: temporary bodies so that callers can build against the interface.
class TDXDrawDriver {
 public:
  virtual ~TDXDrawDriver() = default;
};

TCustomDXDraw::TCustomDXDraw(TComponent* AOwner) : TCustomControl(AOwner) {}
TCustomDXDraw::~TCustomDXDraw() = default;
void TCustomDXDraw::Initialize() {}
void TCustomDXDraw::Finalize() {}
void TCustomDXDraw::Flip() {}
bool TCustomDXDraw::CanDraw() { return false; }
void TCustomDXDraw::Restore() {}
void TCustomDXDraw::SetSize(std::int32_t, std::int32_t) {}
std::int32_t TCustomDXDraw::SurfaceWidth() const { return FSurfaceWidth; }
std::int32_t TCustomDXDraw::SurfaceHeight() const { return FSurfaceHeight; }
void TCustomDXDraw::SetSurfaceWidth(std::int32_t) {}
void TCustomDXDraw::SetSurfaceHeight(std::int32_t) {}
void TCustomDXDraw::RegisterNotifyEvent(TDXDrawNotifyEvent) {}
void TCustomDXDraw::UnRegisterNotifyEvent(TDXDrawNotifyEvent) {}
void TCustomDXDraw::UpdatePalette() {}
bool TCustomDXDraw::CanPaletteAnimation() const { return false; }
void TCustomDXDraw::SetOptions(TDXDrawOptions Value) { FOptions = Value; }
void TCustomDXDraw::SetDisplay(TDXDrawDisplay*) {}
void TCustomDXDraw::SetDriver(PGUID Value) { FDriver = Value; }
std::vector<TDirectXDriver> TCustomDXDraw::Drivers() const { return {}; }
void TCustomDXDraw::SetAutoSize(bool Value) { FAutoSize = Value; }
void TCustomDXDraw::SetParent(TWinControl* AParent) { TCustomControl::SetParent(AParent); }
void TCustomDXDraw::SetBounds(std::int32_t ALeft, std::int32_t ATop, std::int32_t AWidth,
                              std::int32_t AHeight) {
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}
void TCustomDXDraw::AfterLoading() { TCustomControl::AfterLoading(); }
bool TCustomDXDraw::PaletteChanged(bool) { return false; }
void TCustomDXDraw::WndProc(TMessage& Message) { TCustomControl::WndProc(Message); }
void TCustomDXDraw::BeforeDestruction() { TCustomControl::BeforeDestruction(); }
void TCustomDXDraw::Paint() {}
void TCustomDXDraw::SignalFinalize() {}
void TCustomDXDraw::SignalFinalizeSurface() {}
void TCustomDXDraw::SignalInitialize() {}
void TCustomDXDraw::SignalInitializeSurface() {}
void TCustomDXDraw::SignalInitializing() {}
void TCustomDXDraw::SignalRestoreSurface() {}

TDXDraw::TDXDraw(TComponent* AOwner) : TCustomDXDraw(AOwner) {}
