#include "display/dxdrawdriver.h"

#include "display/surface.h"
#include "platform/gdi/gdi.h"
#include "platform/system/input.h"
#include "platform/system/windows.h"

namespace {

constexpr int kReservedLow = 10;    // entries 0-9 belong to the system
constexpr int kReservedHigh = 246;  // and so do 246-255
constexpr BYTE D3DPAL_READONLY = 0x40;
constexpr DWORD kBltFxSize = 100;

// The screen's 256 system palette entries.
TPaletteEntries SystemPalette() {
  TPaletteEntries entries{};
  const HDC screen = GetDC(0);
  GetSystemPaletteEntries(screen, 0, 256, entries.data());
  ReleaseDC(0, screen);
  return entries;
}

// A palette is attached only when the platform made it: a failed palette stays in DXResult.
void AttachPalette(TDirectDrawSurface* Surface, TDirectDrawPalette* Palette) {
  if (Surface && Palette && Palette->IDDPalette()) Surface->SetPalette(Palette);
}

}  // namespace

TPaletteEntries BuildPaletteEntries(const TColorTable& Table, bool AllowPalette256) {
  TPaletteEntries entries{};
  for (std::size_t i = 0; i < entries.size(); ++i)
    entries[i] = PALETTEENTRY{Table[i].rgbRed, Table[i].rgbGreen, Table[i].rgbBlue, 0};
  if (!AllowPalette256) {
    const TPaletteEntries system = SystemPalette();
    for (int i = 0; i < kReservedLow; ++i) entries[i] = system[i];
    for (int i = kReservedHigh; i < 256; ++i) entries[i] = system[i];
  }
  for (PALETTEENTRY& e : entries) e.peFlags = D3DPAL_READONLY;
  return entries;
}

// ---- TDXDrawDriver ----

TDXDrawDriver::TDXDrawDriver(TCustomDXDraw* ADXDraw) : FDXDraw(ADXDraw) {
  const TDXDrawOptions asked = FDXDraw->FOptions;
  // The 3-D driver search would run here (full screen, 3-D, hardware, not system memory); the
  // 3-D back ends are not built.
  const bool namedDriver =
      asked.Contains(doFullScreen) && asked.Contains(doHardware) && !asked.Contains(doSystemMemory);
  FDXDraw->FDDraw = Construct<TDirectDraw>(namedDriver ? FDXDraw->Driver() : nullptr,
                                           asked.Contains(doDirectX7Mode));
}

TDXDrawDriver::~TDXDrawDriver() {
  ReleaseSurfaces();
  FreeObject(FDXDraw->FDDraw);
  FDXDraw->FDDraw = nullptr;
}

void TDXDrawDriver::ReleaseSurfaces() {
  FreeObject(std::exchange(FDXDraw->FClipper, nullptr));
  FreeObject(std::exchange(FDXDraw->FPalette, nullptr));
  FreeObject(std::exchange(FDXDraw->FSurface, nullptr));
  FreeObject(std::exchange(FDXDraw->FPrimary, nullptr));
}

bool TDXDrawDriver::ResizeSurface(std::int32_t, std::int32_t) { return false; }

bool TDXDrawDriver::RestoreSurfaces() {
  TDirectDrawSurface* primary = FDXDraw->FPrimary;
  TDirectDrawSurface* back = FDXDraw->FSurface;
  if (!primary || !back) return false;
  if (!primary->Restore() || !back->Restore()) return false;
  primary->Fill(0);
  back->Fill(0);
  return true;
}

// ---- TDXDrawDriverBlt ----

void TDXDrawDriverBlt::CreateSurfaces() {
  TCustomDXDraw& d = *FDXDraw;
  d.FPrimary = Construct<TDirectDrawSurface>(d.FDDraw);
  DDSURFACEDESC desc{};
  desc.dwSize = kSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  if (!d.FPrimary->CreateSurface(desc)) throw EDXDrawError(Format(SCannotMade, "Primary Surface"));

  d.FSurface = Construct<TDirectDrawSurface>(d.FDDraw);

  d.FClipper = Construct<TDirectDrawClipper>(d.FDDraw);
  d.FClipper->BindWindow(d.Handle());
  d.FPrimary->SetClipper(d.FClipper);

  const bool all256 = d.FNowOptions.Contains(doAllowPalette256);
  d.FPalette = Construct<TDirectDrawPalette>(d.FDDraw);
  const TPaletteEntries entries = BuildPaletteEntries(d.ColorTable, all256);
  d.FPalette->CreatePalette(DDPCAPS_8BIT | DDPCAPS_INITIALIZE | (all256 ? DDPCAPS_ALLOW256 : 0),
                            entries.data());
  AttachPalette(d.FPrimary, d.FPalette);

  CreateBackBuffer();
}

void TDXDrawDriverBlt::CreateBackBuffer() {
  TCustomDXDraw& d = *FDXDraw;
  d.FSurface->SetIDDSurface(nullptr);
  d.FNowOptions.Exclude(doSystemMemory);

  DDSURFACEDESC desc{};
  desc.dwSize = kSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.dwWidth = static_cast<DWORD>(d.FSurfaceWidth > 0 ? d.FSurfaceWidth : 1);
  desc.dwHeight = static_cast<DWORD>(d.FSurfaceHeight > 0 ? d.FSurfaceHeight : 1);
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  if (d.FOptions.Contains(doSystemMemory)) desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
  if (d.FNowOptions.Contains(do3D)) desc.ddsCaps.dwCaps |= DDSCAPS_3DDEVICE;

  if (!d.FSurface->CreateSurface(desc)) {
    desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
    if (!d.FSurface->CreateSurface(desc)) throw EDXDrawError(Format(SCannotMade, "Surface"));
  }
  if (!(d.FSurface->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY))
    d.FNowOptions.Include(doSystemMemory);

  AttachPalette(d.FSurface, d.FPalette);
  d.FSurface->Fill(0);
  // The 3-D set-up would follow here with do3D.
}

TRect TDXDrawDriverBlt::PresentRect() const {
  const TCustomDXDraw& d = *FDXDraw;
  platform::POINT p{0, 0};
  if (d.HandleAllocated()) platform::ClientToScreen(const_cast<TCustomDXDraw&>(d).Handle(), p);
  if (d.FNowOptions.Contains(doStretch)) return Rect(p.x, p.y, p.x + d.Width(), p.y + d.Height());
  const std::int32_t w = d.FSurface->Width(), h = d.FSurface->Height();
  if (d.FNowOptions.Contains(doCenter)) {
    // Division truncates toward zero, so a back buffer larger than the control starts left of
    // and above it.
    p.x += (d.Width() - w) / 2;
    p.y += (d.Height() - h) / 2;
  }
  return Rect(p.x, p.y, p.x + w, p.y + h);
}

void TDXDrawDriverBlt::Present() {
  TCustomDXDraw& d = *FDXDraw;
  const TRect target = PresentRect();
  if (d.FNowOptions.Contains(doWaitVBlank))
    d.FDDraw->SetDXResult(d.FDDraw->IDraw()->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, 0));
  if (!d.FPrimary->IDDSurface()) return;
  DDBLTFX fx{};
  fx.dwSize = kBltFxSize;
  d.FPrimary->Blt(target, d.FSurface->ClientRect(), DDBLT_WAIT, fx, d.FSurface);
}

bool TDXDrawDriverBlt::ResizeSurface(std::int32_t AWidth, std::int32_t AHeight) {
  TCustomDXDraw& d = *FDXDraw;
  d.FSurfaceWidth = AWidth > 0 ? AWidth : 1;
  d.FSurfaceHeight = AHeight > 0 ? AHeight : 1;
  ++d.FOffNotifyRestore;
  struct Undo {
    std::int32_t& count;
    ~Undo() { --count; }
  } undo{d.FOffNotifyRestore};
  d.BroadcastNotify(dxntFinalizeSurface);
  if (d.FCalledDoInitializeSurface) {
    d.FCalledDoInitializeSurface = false;
    d.SignalFinalizeSurface();
  }
  CreateBackBuffer();
  d.BroadcastNotify(dxntInitializeSurface);
  d.FCalledDoInitializeSurface = true;
  d.SignalInitializeSurface();
  return true;
}

// ---- TDXDrawDriverFlip ----

void TDXDrawDriverFlip::CreateSurfaces() {
  TCustomDXDraw& d = *FDXDraw;
  DDSURFACEDESC desc{};
  desc.dwSize = kSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 1;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  if (d.FNowOptions.Contains(do3D)) desc.ddsCaps.dwCaps |= DDSCAPS_3DDEVICE;
  d.FPrimary = Construct<TDirectDrawSurface>(d.FDDraw);
  if (!d.FPrimary->CreateSurface(desc)) throw EDXDrawError(Format(SCannotMade, "Primary Surface"));

  d.FSurface = Construct<TDirectDrawSurface>(d.FDDraw);
  DDSCAPS caps;
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  ComPtr<IDirectDrawSurface> back;
  d.FPrimary->SetDXResult(d.FPrimary->ISurface()->GetAttachedSurface(&caps, back.Put()));
  if (d.FPrimary->DXResult() == DD_OK) d.FSurface->SetIDDSurface(back.Get());

  d.FNowOptions.Exclude(doSystemMemory);
  if (d.FSurface->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY)
    d.FNowOptions.Include(doSystemMemory);

  d.FClipper = Construct<TDirectDrawClipper>(d.FDDraw);

  const bool all256 = d.FNowOptions.Contains(doAllowPalette256);
  d.FPalette = Construct<TDirectDrawPalette>(d.FDDraw);
  const TPaletteEntries entries = BuildPaletteEntries(d.ColorTable, all256);
  d.FPalette->CreatePalette(
      DDPCAPS_8BIT | (d.FOptions.Contains(doAllowPalette256) ? DDPCAPS_ALLOW256 : 0),
      entries.data());
  AttachPalette(d.FPrimary, d.FPalette);
  AttachPalette(d.FSurface, d.FPalette);
  // The 3-D set-up would follow here with do3D.
}

void TDXDrawDriverFlip::Present() {
  TCustomDXDraw& d = *FDXDraw;
  if (d.FForm && d.FForm->HandleAllocated() &&
      platform::GetForegroundWindow() == d.FForm->Handle()) {
    d.FPrimary->SetDXResult(d.FPrimary->ISurface()->Flip(nullptr, DDFLIP_WAIT));
  } else {
    d.FPrimary->SetDXResult(DD_OK);
  }
}
