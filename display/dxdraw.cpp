#include "display/dxdraw.h"

#include <algorithm>

#include "display/dxdrawdisplay.h"
#include "display/dxdrawdriver.h"
#include "display/surface.h"
#include "form/dxform.h"
#include "platform/gdi/gdi.h"
#include "platform/system/windows.h"

using platform::HWND;

IMPLEMENT_ENUM_TYPEINFO(TDXDrawOption, "doFullScreen", "doNoWindowChange", "doAllowReboot",
                        "doWaitVBlank", "doAllowPalette256", "doSystemMemory", "doStretch",
                        "doCenter", "doFlip", "do3D", "doDirectX7Mode", "doHardware",
                        "doSelectDriver", "doZBuffer")
IMPLEMENT_ENUM_TYPEINFO(TDXDrawNotifyType, "dxntDestroying", "dxntInitializing", "dxntInitialize",
                        "dxntInitializeSurface", "dxntFinalize", "dxntFinalizeSurface",
                        "dxntRestore", "dxntSetSurfaceSize")

namespace {

constexpr DWORD DDPCAPS_VSYNC = 0x80;
constexpr std::int32_t kDefaultSize = 100;

// The options that take effect at once while the device runs, with the two unnamed bits.
constexpr TDXDrawOptions kLiveOptions =
    TDXDrawOptions{doWaitVBlank, doStretch, doCenter} + TDXDrawOptions::FromBits(0xC000);
constexpr TDXDrawOptions k3DOnly{doHardware, doSelectDriver, doZBuffer};

// Runs Body, then Always, also when Body raises; an exception from Always replaces Body's.
template <class Body, class Always>
void TryFinally(Body&& body, Always&& always) {
  try {
    body();
  } catch (...) {
    always();
    throw;
  }
  always();
}

// Before the restore's palette is loaded, the screen's system palette as a colour table.
TColorTable SystemColorTable() {
  PALETTEENTRY entries[256];
  const HDC screen = GetDC(0);
  GetSystemPaletteEntries(screen, 0, 256, entries);
  ReleaseDC(0, screen);
  TColorTable table{};
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  return table;
}

const TPropInfo kDXDrawProps[] = {
    Property<&TCustomDXDraw::AutoInitialize, &TCustomDXDraw::SetAutoInitialize>("AutoInitialize"),
    Property<&TCustomDXDraw::AutoSize, &TCustomDXDraw::SetAutoSize>("AutoSize"),
    Property<&TControl::Color, &TControl::SetColor>("Color", TypeInfoColor(), clWindow),
    Property<&TCustomDXDraw::Display, &TCustomDXDraw::SetDisplay>("Display"),
    Property<&TCustomDXDraw::Options, &TCustomDXDraw::SetOptions>("Options"),
    Property<&TCustomDXDraw::SurfaceHeight, &TCustomDXDraw::SetSurfaceHeight>("SurfaceHeight",
                                                                              nullptr, 480),
    Property<&TCustomDXDraw::SurfaceWidth, &TCustomDXDraw::SetSurfaceWidth>("SurfaceWidth", nullptr,
                                                                            640),
    EventProperty<&TCustomDXDraw::OnFinalize>("OnFinalize"),
    EventProperty<&TCustomDXDraw::OnFinalizeSurface>("OnFinalizeSurface"),
    EventProperty<&TCustomDXDraw::OnInitialize>("OnInitialize"),
    EventProperty<&TCustomDXDraw::OnInitializeSurface>("OnInitializeSurface"),
    EventProperty<&TCustomDXDraw::OnInitializing>("OnInitializing"),
    EventProperty<&TCustomDXDraw::OnRestoreSurface>("OnRestoreSurface"),
    Property<&TDXDraw::Traces, &TDXDraw::SetTraces>("Traces"),
};

}  // namespace

IMPLEMENT_CLASS(TCustomDXDraw, TCustomControl)
IMPLEMENT_CLASS(TTrace, TCollectionItem)
IMPLEMENT_CLASS(TDXDraw, TCustomDXDraw, .Properties = kDXDrawProps)
REGISTER_CLASS(TDXDraw)

// ---- construction and destruction ----

TCustomDXDraw::TCustomDXDraw(TComponent* AOwner) : TCustomControl(AOwner) {
  FAutoInitialize = true;
  FDisplay = Construct<TDXDrawDisplay>(this);
  SetOptions(
      {doAllowReboot, doWaitVBlank, doCenter, do3D, doDirectX7Mode, doHardware, doSelectDriver});
  SetAutoSize(true);
  ColorTable = SystemColorTable();
  DefColorTable = ColorTable;
  SetWidth(kDefaultSize);
  SetHeight(kDefaultSize);
  SetParentColor(false);
  SetColor(clBlack);
}

TCustomDXDraw::~TCustomDXDraw() = default;

void TCustomDXDraw::BeforeDestruction() {
  // Stops while the whole device still exists: the stop fires its events through virtual
  // calls, and bound components must let go before the window goes.
  Finalize();
  BroadcastNotify(dxntDestroying);
  FreeObject(std::exchange(FDisplay, nullptr));
  FSubClass.reset();
  FNotifyEventList.clear();
  TCustomControl::BeforeDestruction();
}

// ---- options ----

void TCustomDXDraw::SetOptions(TDXDrawOptions Value) {
  FOptions = Value;
  if (FInitialized) {
    FNowOptions = (FNowOptions - kLiveOptions) + (Value * kLiveOptions);
    if (!FNowOptions.Contains(do3D)) FNowOptions = FNowOptions - k3DOnly;
    return;
  }
  FNowOptions = Value;
  if (!FNowOptions.Contains(doFullScreen))
    FNowOptions =
        FNowOptions - TDXDrawOptions{doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip};
  if (!FNowOptions.Contains(do3D))
    FNowOptions =
        FNowOptions - TDXDrawOptions{doDirectX7Mode, doHardware, doSelectDriver, doZBuffer};
  if (FNowOptions.Contains(doSystemMemory)) FNowOptions.Exclude(doFlip);
  FNowOptions.Exclude(doHardware);
}

void TCustomDXDraw::SetCooperation() {
  const HWND window = FForm ? FForm->Handle() : Handle();
  DWORD flags = DDSCL_NORMAL | DDSCL_FPUPRESERVE;
  if (FNowOptions.Contains(doFullScreen)) {
    flags = DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX | DDSCL_FPUPRESERVE;
    if (FNowOptions.Contains(doNoWindowChange)) flags |= DDSCL_NOWINDOWCHANGES;
    if (FNowOptions.Contains(doAllowReboot)) flags |= DDSCL_ALLOWREBOOT;
  }
  FDDraw->SetDXResult(FDDraw->IDraw()->SetCooperativeLevel(window, flags));
}

// ---- start and stop ----

void TCustomDXDraw::Initialize() {
  FInitialized2 = true;
  Finalize();
  if (!FForm) throw EDXDrawError(SDXDrawFormNotFound);
  try {
    SignalInitializing();
    FUpdating = true;
    FInternalInitialized = true;
    TryFinally([&] { StartDriver(); }, [&] { FUpdating = false; });
  } catch (...) {
    Finalize();
    throw;
  }

  FInitialized = true;
  ++FOffNotifyRestore;
  TryFinally(
      [&] {
        BroadcastNotify(dxntSetSurfaceSize);
        BroadcastNotify(dxntInitialize);
        FCalledDoInitialize = true;
        SignalInitialize();
        BroadcastNotify(dxntInitializeSurface);
        FCalledDoInitializeSurface = true;
        SignalInitializeSurface();
      },
      [&] { --FOffNotifyRestore; });
  Restore();
}

void TCustomDXDraw::StartDriver() {
  BroadcastNotify(dxntInitializing);
  if (FNowOptions.Contains(doFlip))
    FDXDrawDriver = std::make_unique<TDXDrawDriverFlip>(this);
  else
    FDXDrawDriver = std::make_unique<TDXDrawDriverBlt>(this);
  SetCooperation();
  if (FNowOptions.Contains(doFullScreen) &&
      !FDisplay->ChangeDisplayMode(FDisplay->Width(), FDisplay->Height(), FDisplay->BitCount()))
    throw EDXDrawError(
        Format(SDisplayModeChange, FDisplay->Width(), FDisplay->Height(), FDisplay->BitCount()));
  if (FAutoSize) {
    FSurfaceWidth = Width();
    FSurfaceHeight = Height();
  }
  FDXDrawDriver->CreateSurfaces();
}

void TCustomDXDraw::Finalize() {
  if (!FInternalInitialized) return;
  FSurfaceWidth = SurfaceWidth();
  FSurfaceHeight = SurfaceHeight();
  if (FDisplay) FDisplay->ClearModes();
  FUpdating = true;
  TryFinally(
      [&] {
        TryFinally(
            [&] {
              TryFinally(
                  [&] {
                    if (FCalledDoInitializeSurface) {
                      FCalledDoInitializeSurface = false;
                      SignalFinalizeSurface();
                    }
                  },
                  [&] { BroadcastNotify(dxntFinalizeSurface); });
            },
            [&] {
              TryFinally(
                  [&] {
                    if (FCalledDoInitialize) {
                      FCalledDoInitialize = false;
                      SignalFinalize();
                    }
                  },
                  [&] { BroadcastNotify(dxntFinalize); });
            });
      },
      [&] {
        FInternalInitialized = false;
        FInitialized = false;
        SetOptions(FOptions);
        FDXDrawDriver.reset();
        FUpdating = false;
      });
}

// ---- the notify registry ----

void TCustomDXDraw::BroadcastNotify(TDXDrawNotifyType NotifyType) {
  // From the last registered to the first, so that a handler may take itself out on the way.
  // The index is taken from the list anew at each step, so that a handler taking out several
  // entries never sends the walk past the end.
  std::size_t i = FNotifyEventList.size();
  while (i > 0) {
    --i;
    if (i >= FNotifyEventList.size()) {
      i = FNotifyEventList.size();
      continue;
    }
    const TDXDrawNotifyEvent handler = FNotifyEventList[i];
    handler(this, NotifyType);
  }
}

void TCustomDXDraw::RegisterNotifyEvent(TDXDrawNotifyEvent NotifyEvent) {
  UnRegisterNotifyEvent(NotifyEvent);
  FNotifyEventList.push_back(NotifyEvent);
  NotifyEvent(this, dxntSetSurfaceSize);
  if (FInitialized) {
    NotifyEvent(this, dxntInitialize);
    if (FCalledDoInitializeSurface) NotifyEvent(this, dxntInitializeSurface);
    if (FOffNotifyRestore == 0) NotifyEvent(this, dxntRestore);
  }
}

void TCustomDXDraw::UnRegisterNotifyEvent(TDXDrawNotifyEvent NotifyEvent) {
  const auto it = std::find(FNotifyEventList.begin(), FNotifyEventList.end(), NotifyEvent);
  if (it == FNotifyEventList.end()) return;
  FNotifyEventList.erase(it);
  if (FCalledDoInitializeSurface) NotifyEvent(this, dxntFinalizeSurface);
  if (FInitialized) NotifyEvent(this, dxntFinalize);
}

// ---- drawing and presentation ----

bool TCustomDXDraw::CanDraw() {
  return FInitialized && !FUpdating && FSurface && FSurface->IDDSurface() && VerifySurfaces();
}

namespace {

HRESULT LostState(TDirectDrawSurface* Surface) {
  // An empty back buffer (a flip chain without one) is not lost; CanDraw refuses it anyway.
  return Surface && Surface->IDDSurface() ? Surface->IDDSurface()->IsLost() : DD_OK;
}

}  // namespace

bool TCustomDXDraw::VerifySurfaces() {
  if (!FInitialized || FUpdating || !FPrimary || !FPrimary->IDDSurface()) return false;
  if (LostState(FPrimary) != DDERR_SURFACELOST && LostState(FSurface) != DDERR_SURFACELOST)
    return true;
  Restore();
  // A handler told of the restore may have stopped the device.
  if (!FInitialized || !FPrimary || !FPrimary->IDDSurface()) return false;
  return LostState(FPrimary) == DD_OK && LostState(FSurface) == DD_OK;
}

void TCustomDXDraw::Restore() {
  if (!FInitialized || FUpdating) return;
  FUpdating = true;
  TryFinally(
      [&] {
        if (!FDXDrawDriver->RestoreSurfaces()) return;
        if (FPalette && FPalette->IDDPalette()) {
          FPrimary->SetPalette(FPalette);
          if (FSurface->IDDSurface()) FSurface->SetPalette(FPalette);
        }
        ApplyColorTable(DefColorTable);
        BroadcastNotify(dxntRestore);
        SignalRestoreSurface();
        ApplyColorTable(ColorTable);
      },
      [&] { FUpdating = false; });
}

void TCustomDXDraw::Flip() {
  if (!FInitialized || FUpdating || !VerifySurfaces() || !FDXDrawDriver) return;
  FDXDrawDriver->Present();
}

void TCustomDXDraw::ApplyColorTable(const TColorTable& Table) {
  if (!FInitialized || !FPalette) return;
  const TPaletteEntries entries =
      BuildPaletteEntries(Table, FNowOptions.Contains(doAllowPalette256));
  FPalette->SetEntries(0, 256, entries.data());
}

void TCustomDXDraw::UpdatePalette() {
  if (FInitialized && FNowOptions.Contains(doWaitVBlank) &&
      !(FDDraw->DriverCaps().dwPalCaps & DDPCAPS_VSYNC))
    FDDraw->SetDXResult(FDDraw->IDraw()->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, 0));
  ApplyColorTable(ColorTable);
}

bool TCustomDXDraw::CanPaletteAnimation() const {
  return FInitialized && !FUpdating && FNowOptions.Contains(doFullScreen) &&
         FDDraw->DisplayMode().ddpfPixelFormat.dwRGBBitCount <= 8;
}

bool TCustomDXDraw::PaletteChanged(bool Foreground) {
  if (!Foreground) return false;
  Restore();
  return true;
}

void TCustomDXDraw::Paint() {
  const bool waited = FNowOptions.Contains(doWaitVBlank);
  FNowOptions.Exclude(doWaitVBlank);
  TryFinally([&] { Flip(); },
             [&] {
               if (waited) FNowOptions.Include(doWaitVBlank);
             });
  if (Parent() && FInitialized && FSurface &&
      (FSurface->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY))
    Parent()->Invalidate();
}

// ---- surface size ----

std::int32_t TCustomDXDraw::SurfaceWidth() const {
  return FSurface && FSurface->IDDSurface() ? FSurface->Width() : FSurfaceWidth;
}

std::int32_t TCustomDXDraw::SurfaceHeight() const {
  return FSurface && FSurface->IDDSurface() ? FSurface->Height() : FSurfaceHeight;
}

void TCustomDXDraw::SetSurfaceWidth(std::int32_t Value) {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csReading))
    FSurfaceWidth = Value;
  else
    SetSize(Value, SurfaceHeight());
}

void TCustomDXDraw::SetSurfaceHeight(std::int32_t Value) {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csReading))
    FSurfaceHeight = Value;
  else
    SetSize(SurfaceWidth(), Value);
}

void TCustomDXDraw::SetSize(std::int32_t ASurfaceWidth, std::int32_t ASurfaceHeight) {
  if ((ASurfaceWidth == SurfaceWidth() && ASurfaceHeight == SurfaceHeight()) || FUpdating) return;
  if (FInitialized) {
    // Busy while the back buffer is made anew, so that a handler told of it cannot resize or
    // draw in the middle.
    bool resized = false;
    FUpdating = true;
    try {
      resized = FDXDrawDriver->ResizeSurface(ASurfaceWidth, ASurfaceHeight);
    } catch (...) {
      FUpdating = false;
      Finalize();
      throw;
    }
    FUpdating = false;
    if (!resized) return;
  } else {
    FSurfaceWidth = ASurfaceWidth;
    FSurfaceHeight = ASurfaceHeight;
  }
  BroadcastNotify(dxntSetSurfaceSize);
}

void TCustomDXDraw::SetBounds(std::int32_t ALeft, std::int32_t ATop, std::int32_t AWidth,
                              std::int32_t AHeight) {
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FAutoSize && !FUpdating) SetSize(AWidth, AHeight);
}

void TCustomDXDraw::SetAutoSize(bool Value) {
  const bool was = FAutoSize;
  FAutoSize = Value;
  if (Value && !was) SetSize(Width(), Height());
}

void TCustomDXDraw::SetDisplay(TDXDrawDisplay* Value) { FDisplay->Assign(Value); }

void TCustomDXDraw::SetDriver(PGUID Value) {
  if (Value) {
    FDriverGUID = *Value;
    FDriver = &FDriverGUID;
  } else {
    FDriver = nullptr;
  }
}

namespace {

BOOL AddDriver(GUID* guid, const wchar_t* description, const wchar_t* name, void* context) {
  auto narrow = [](const wchar_t* s) {
    std::string out;
    for (; s && *s; ++s) out.push_back(*s < 0x80 ? static_cast<char>(*s) : '?');
    return out;
  };
  TDirectXDriver d;
  if (guid) {
    d.Guid = *guid;
    d.HasGuid = true;
  }
  d.Description = narrow(description);
  d.DriverName = narrow(name);
  static_cast<std::vector<TDirectXDriver>*>(context)->push_back(d);
  return 1;
}

}  // namespace

std::vector<TDirectXDriver> TCustomDXDraw::Drivers() const {
  std::vector<TDirectXDriver> drivers;
  auto enumerate = reinterpret_cast<DirectDrawEnumerateWProc>(
      LoadLibraryEntry(SDDrawLibrary, "DirectDrawEnumerateW"));
  enumerate(AddDriver, &drivers);
  return drivers;
}

// ---- following the form ----

void TCustomDXDraw::SetParent(TWinControl* AParent) {
  TCustomControl::SetParent(AParent);
  FForm = nullptr;
  FSubClass.reset();
  if (ComponentState().Contains(csDesigning)) return;
  for (TWinControl* p = Parent(); p; p = p->Parent()) {
    if (auto* form = dynamic_cast<TCustomForm*>(p)) {
      FForm = form;
      FSubClass = std::make_unique<TControlSubClass>(
          form, TControlSubClassProc::Of<&TCustomDXDraw::ParentWindowHook>(this));
      break;
    }
  }
}

void TCustomDXDraw::AfterLoading() {
  TCustomControl::AfterLoading();
  if (FAutoSize) {
    if (FInitialized)
      SetSize(Width(), Height());
    else {
      FSurfaceWidth = Width();
      FSurfaceHeight = Height();
    }
  }
  BroadcastNotify(dxntSetSurfaceSize);
  if (FAutoInitialize && !ComponentState().Contains(csDesigning) && !FSubClass) Initialize();
}

void TCustomDXDraw::FlipToDesktop() {
  if (FInitialized && FNowOptions.Contains(doFullScreen) && FNowOptions.Contains(doFlip))
    FDDraw->SetDXResult(FDDraw->IDraw()->FlipToGDISurface());
}

void TCustomDXDraw::ParentWindowHook(TMessage& Message, TWndMethod DefWindowProc) {
  const bool loading = ComponentState().Contains(csLoading);
  switch (Message.Msg) {
    case platform::WM_ACTIVATE:
      if (platform::LOWORD(Message.WParam) == platform::WA_INACTIVE) FlipToDesktop();
      DefWindowProc(Message);
      break;
    case platform::WM_INITMENU:
      FlipToDesktop();
      DefWindowProc(Message);
      break;
    case platform::WM_WINDOWPOSCHANGED: {
      DefWindowProc(Message);
      const auto* pos = reinterpret_cast<const platform::WINDOWPOS*>(Message.LParam);
      if (pos && (pos->flags & platform::SWP_SHOWWINDOW) && FAutoInitialize && !FInitialized2)
        Initialize();
      break;
    }
    case platform::WM_ENTERSIZEMOVE:
      if (!loading) Finalize();
      DefWindowProc(Message);
      break;
    case platform::WM_EXITSIZEMOVE:
      if (!loading) Initialize();
      DefWindowProc(Message);
      break;
    case platform::WM_DESTROY:
      Finalize();
      DefWindowProc(Message);
      break;
    default: DefWindowProc(Message); break;
  }
}

void TCustomDXDraw::WndProc(TMessage& Message) {
  TCustomControl::WndProc(Message);
  if (Message.Msg == platform::WM_CREATE && FInitialized && !FUpdating) {
    if (FClipper) FClipper->BindWindow(Handle());
    SetCooperation();
  }
}

// ---- events ----

void TCustomDXDraw::SignalFinalize() {
  if (OnFinalize) OnFinalize(this);
}
void TCustomDXDraw::SignalFinalizeSurface() {
  if (OnFinalizeSurface) OnFinalizeSurface(this);
}
void TCustomDXDraw::SignalInitialize() {
  if (OnInitialize) OnInitialize(this);
}
void TCustomDXDraw::SignalInitializeSurface() {
  if (OnInitializeSurface) OnInitializeSurface(this);
}
void TCustomDXDraw::SignalInitializing() {
  if (OnInitializing) OnInitializing(this);
}
void TCustomDXDraw::SignalRestoreSurface() {
  if (OnRestoreSurface) OnRestoreSurface(this);
}

TDXDraw::TDXDraw(TComponent* AOwner) : TCustomDXDraw(AOwner) {}
