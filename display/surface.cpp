#include "display/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "picture/dib.h"
#include "toolkit/streams.h"

IMPLEMENT_CLASS(TDirectDrawSurface, TDirectX)
IMPLEMENT_CLASS(TDirectDrawSurfaceCanvas, TCanvas)

namespace {

constexpr DWORD kBltFxSize = 100;
constexpr int kColorMatchBitCount = 8;
constexpr int kTrueColorBitCount = 24;

RECT ToRECT(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }

// Moves the edges of both rectangles in step until each lies inside its clip rectangle;
// answers whether both are still non-empty. The sums run in 64 bits: a picture placed near the
// ends of the 32-bit range must not wrap around into the surface. Rectangles that come out
// non-empty lie inside their clips and so fit in 32 bits again.
bool ClipCopyRects(TRect& Dest, TRect& Src, const TRect& DestClip, const TRect& SrcClip) {
  std::int64_t dl = Dest.Left, dt = Dest.Top, dr = Dest.Right, db = Dest.Bottom;
  std::int64_t sl = Src.Left, st = Src.Top, sr = Src.Right, sb = Src.Bottom;
  if (dl < DestClip.Left) sl += DestClip.Left - dl, dl = DestClip.Left;
  if (dt < DestClip.Top) st += DestClip.Top - dt, dt = DestClip.Top;
  if (sl < SrcClip.Left) dl += SrcClip.Left - sl, sl = SrcClip.Left;
  if (st < SrcClip.Top) dt += SrcClip.Top - st, st = SrcClip.Top;
  if (dr > DestClip.Right) sr -= dr - DestClip.Right, dr = DestClip.Right;
  if (db > DestClip.Bottom) sb -= db - DestClip.Bottom, db = DestClip.Bottom;
  if (sr > SrcClip.Right) dr -= sr - SrcClip.Right, sr = SrcClip.Right;
  if (sb > SrcClip.Bottom) db -= sb - SrcClip.Bottom, sb = SrcClip.Bottom;
  if (!(dl < dr && dt < db && sl < sr && st < sb)) return false;
  Dest = TRect{static_cast<std::int32_t>(dl), static_cast<std::int32_t>(dt),
               static_cast<std::int32_t>(dr), static_cast<std::int32_t>(db)};
  Src = TRect{static_cast<std::int32_t>(sl), static_cast<std::int32_t>(st),
              static_cast<std::int32_t>(sr), static_cast<std::int32_t>(sb)};
  return true;
}

// A rectangle moved by whole numbers that may run past 32 bits is cut back into them, so that
// a huge picture position cannot wrap around into the surface.
std::int32_t Clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

// Surface.

TDirectDrawSurface::TDirectDrawSurface(TDirectDraw* ADirectDraw) : FDDraw(ADirectDraw) {
  FDDraw->FSurfaces.push_back(this);
  DIB_COLMATCH.reset(Construct<TDIB>());
}

TDirectDrawSurface::~TDirectDrawSurface() {
  DIB_COLMATCH.reset();
  if (FCanvas) FCanvas->Free();  // releases its device context and clears FCanvas
  Empty();
  auto& list = FDDraw->FSurfaces;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

IDirectDrawSurface* TDirectDrawSurface::ISurface() const {
  if (!FIDDSurface) throw EDirectDrawSurfaceError(Format(SNotMade, "IDirectDrawSurface"));
  return FIDDSurface.Get();
}

IDirectDrawSurface4* TDirectDrawSurface::ISurface4() const {
  if (!FIDDSurface4) throw EDirectDrawSurfaceError(Format(SNotMade, "IDirectDrawSurface4"));
  return FIDDSurface4.Get();
}

IDirectDrawSurface7* TDirectDrawSurface::ISurface7() const {
  if (!FIDDSurface7) throw EDirectDrawSurfaceError(Format(SNotMade, "IDirectDrawSurface7"));
  return FIDDSurface7.Get();
}

void TDirectDrawSurface::Empty() {
  FIDDSurface.Reset();
  FIDDSurface4.Reset();
  FIDDSurface7.Reset();
  FStretchDrawClipper.Reset();
  FGammaControl.Reset();
  FHasClipper = false;
  FLockCount = 0;
  FLockLeft = 0;
  FLockTop = 0;
  FIsLocked = false;
  FSurfaceDesc = DDSURFACEDESC{};
}

void TDirectDrawSurface::SetIDDSurface(IDirectDrawSurface* Value) {
  if (!Value) {
    Empty();
    return;
  }
  ComPtr<IDirectDrawSurface> given;
  if (Value->QueryInterface(IID_IDirectDrawSurface, given.PutVoid()) != DD_OK) return;
  if (given.Get() == FIDDSurface.Get()) return;
  Empty();
  FIDDSurface = given;
  FIDDSurface->QueryInterface(IID_IDirectDrawSurface4, FIDDSurface4.PutVoid());
  if (FDDraw->IDDraw7())
    FIDDSurface->QueryInterface(IID_IDirectDrawSurface7, FIDDSurface7.PutVoid());
  ComPtr<IDirectDrawClipper> clipper;
  FHasClipper = FIDDSurface->GetClipper(clipper.Put()) == DD_OK && clipper;
  FSurfaceDesc.dwSize = kSurfaceDescSize;
  FIDDSurface->GetSurfaceDesc(&FSurfaceDesc);
  if (FDDraw->DriverCaps().dwCaps2 & DDCAPS2_PRIMARYGAMMA)
    FIDDSurface->QueryInterface(IID_IDirectDrawGammaControl, FGammaControl.PutVoid());
}

void TDirectDrawSurface::SetIDDSurface4(IDirectDrawSurface4* Value) {
  SetIDDSurface(Value);  // every fourth interface is also the first
}

void TDirectDrawSurface::SetIDDSurface7(IDirectDrawSurface7* Value) { SetIDDSurface(Value); }

bool TDirectDrawSurface::CreateSurface(DDSURFACEDESC& SurfaceDesc) {
  Empty();
  ComPtr<IDirectDrawSurface> made;
  FDDraw->SetDXResult(FDDraw->IDraw()->CreateSurface(&SurfaceDesc, made.Put(), nullptr));
  SetDXResult(FDDraw->DXResult());
  if (DXResult() != DD_OK) return false;
  SetIDDSurface(made.Get());
  SetTransparentColor(0);
  return true;
}

bool TDirectDrawSurface::CreateSurface(DDSURFACEDESC2& SurfaceDesc) {
  Empty();
  ComPtr<IDirectDrawSurface4> made;
  FDDraw->SetDXResult(FDDraw->IDraw4()->CreateSurface(&SurfaceDesc, made.Put(), nullptr));
  SetDXResult(FDDraw->DXResult());
  if (DXResult() != DD_OK) return false;
  SetIDDSurface4(made.Get());
  SetTransparentColor(0);
  return true;
}

void TDirectDrawSurface::SetSize(std::int32_t AWidth, std::int32_t AHeight) {
  if (AWidth <= 0 || AHeight <= 0) {
    Empty();
    return;
  }
  DDSURFACEDESC desc;
  desc.dwSize = kSurfaceDescSize;
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.dwHeight = static_cast<DWORD>(AHeight);
  desc.dwWidth = static_cast<DWORD>(AWidth);
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (FSystemMemory ? DDSCAPS_SYSTEMMEMORY : 0);
  if (CreateSurface(desc)) return;
  if (!(desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY)) {
    desc.ddsCaps.dwCaps = (desc.ddsCaps.dwCaps & ~DDSCAPS_VIDEOMEMORY) | DDSCAPS_SYSTEMMEMORY;
    if (CreateSurface(desc)) {
      FSystemMemory = true;
      return;
    }
  }
  throw EDirectDrawSurfaceError(Format(SCannotMade, "Surface"));
}

void TDirectDrawSurface::SetTransparentColor(std::uint32_t Value) {
  DDCOLORKEY key;
  key.dwColorSpaceLowValue = Value;
  key.dwColorSpaceHighValue = Value;
  SetColorKey(DDCKEY_SRCBLT, key);
}

void TDirectDrawSurface::SetColorKey(DWORD Flags, const DDCOLORKEY& Value) {
  if (!FIDDSurface) return;
  SetDXResult(FIDDSurface->SetColorKey(Flags, &Value));
}

std::uint32_t TDirectDrawSurface::ColorMatch(TColor Col) {
  if (!FIDDSurface) return 0;
  const std::uint32_t kept = GetPixel(0, 0);
  const std::int32_t rgb = ColorToRGB(Col);
  DIB_COLMATCH->SetSize(1, 1, kColorMatchBitCount);
  DIB_COLMATCH->ColorTable[0] =
      RGBQUAD{GetBValue(COLORREF(rgb)), GetGValue(COLORREF(rgb)), GetRValue(COLORREF(rgb)), 0};
  DIB_COLMATCH->UpdatePalette();
  DIB_COLMATCH->SetPixels(0, 0, 0);
  try {
    Canvas()->Draw(0, 0, DIB_COLMATCH.get());
  } catch (...) {
    Canvas()->Release();
    throw;
  }
  Canvas()->Release();
  const std::uint32_t answer = GetPixel(0, 0);
  SetPixel(0, 0, kept);
  return answer;
}

void TDirectDrawSurface::Fill(std::uint32_t DevColor) {
  if (!FIDDSurface) return;
  DDBLTFX fx;
  fx.dwSize = kBltFxSize;
  fx.dwFillColor = DevColor;
  SetDXResult(FIDDSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
}

void TDirectDrawSurface::FillRect(const TRect& Rect, std::uint32_t DevColor) {
  if (!FIDDSurface) return;
  const TRect client = ClientRect();
  const TRect cut{std::max(Rect.Left, client.Left), std::max(Rect.Top, client.Top),
                  std::min(Rect.Right, client.Right), std::min(Rect.Bottom, client.Bottom)};
  if (cut.Left >= cut.Right || cut.Top >= cut.Bottom) return;
  DDBLTFX fx;
  fx.dwSize = kBltFxSize;
  fx.dwFillColor = DevColor;
  const RECT r = ToRECT(cut);
  SetDXResult(FIDDSurface->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
}

void TDirectDrawSurface::BltClipped(const TRect& DestRect, const TRect& SrcRect,
                                    TDirectDrawSurface* Source, bool Transparent) {
  DDBLTFX fx;
  fx.dwSize = kBltFxSize;
  fx.dwDDFX = 0;
  const RECT d = ToRECT(DestRect), s = ToRECT(SrcRect);
  SetDXResult(FIDDSurface->Blt(&d, Source->FIDDSurface.Get(), &s,
                               Transparent ? DDBLT_WAIT | DDBLT_KEYSRC : DDBLT_WAIT, &fx));
}

void TDirectDrawSurface::Draw(std::int32_t X, std::int32_t Y, const TRect& SrcRect,
                              TDirectDrawSurface* Source, bool Transparent) {
  if (!Source || X > Width() || Y > Height()) return;
  // An empty surface on either side has nothing to copy or nowhere to put it.
  if (!FIDDSurface || !Source->FIDDSurface) return;
  if (SrcRect.Right >= SrcRect.Left && SrcRect.Bottom >= SrcRect.Top) {
    TRect dest{X, Y, Clamp32(std::int64_t(X) + SrcRect.Right - SrcRect.Left),
               Clamp32(std::int64_t(Y) + SrcRect.Bottom - SrcRect.Top)};
    TRect src = SrcRect;
    if (!ClipCopyRects(dest, src, ClientRect(), Source->ClientRect())) return;
    CopyCut(dest, src, Source, Transparent);
    return;
  }

  // Mirrored.
  const std::int64_t width = std::abs(std::int64_t(SrcRect.Right) - SrcRect.Left);
  const std::int64_t height = std::abs(std::int64_t(SrcRect.Bottom) - SrcRect.Top);
  if (!(X + width > 0 && Y + height > 0)) return;
  DDBLTFX fx;
  fx.dwSize = kBltFxSize;
  fx.dwDDFX = 0;
  TRect src = SrcRect;
  if (src.Right < src.Left) {
    std::swap(src.Left, src.Right);
    fx.dwDDFX |= DDBLTFX_MIRRORLEFTRIGHT;
  }
  if (src.Bottom < src.Top) {
    std::swap(src.Top, src.Bottom);
    fx.dwDDFX |= DDBLTFX_MIRRORUPDOWN;
  }
  TRect dest{X, Y, Clamp32(std::int64_t(X) + src.Right - src.Left),
             Clamp32(std::int64_t(Y) + src.Bottom - src.Top)};
  if (!ClipCopyRects(dest, src, ClientRect(), Source->ClientRect())) return;
  if (fx.dwDDFX & DDBLTFX_MIRRORLEFTRIGHT) {
    const std::int32_t left = src.Left;
    src.Left = Source->Width() - src.Right;
    src.Right = Source->Width() - left;
  }
  if (fx.dwDDFX & DDBLTFX_MIRRORUPDOWN) {
    const std::int32_t top = src.Top;
    src.Top = Source->Height() - src.Bottom;
    src.Bottom = Source->Height() - top;
  }
  const RECT d = ToRECT(dest), s = ToRECT(src);
  const DWORD flags = (Transparent ? DDBLT_WAIT | DDBLT_KEYSRC : DDBLT_WAIT) | DDBLT_DDFX;
  SetDXResult(FIDDSurface->Blt(&d, Source->FIDDSurface.Get(), &s, flags, &fx));
}

void TDirectDrawSurface::Draw(std::int32_t X, std::int32_t Y, TDirectDrawSurface* Source,
                              bool Transparent) {
  if (!Source) return;
  if (!FIDDSurface || !Source->FIDDSurface) return;
  TRect src = Source->ClientRect();
  TRect dest{X, Y, Clamp32(std::int64_t(X) + Source->Width()),
             Clamp32(std::int64_t(Y) + Source->Height())};
  if (!ClipCopyRects(dest, src, ClientRect(), Source->ClientRect())) return;
  CopyCut(dest, src, Source, Transparent);
}

void TDirectDrawSurface::CopyCut(const TRect& dest, const TRect& src, TDirectDrawSurface* Source,
                                 bool Transparent) {
  if (FHasClipper) {
    BltClipped(dest, src, Source, Transparent);
    return;
  }
  const RECT s = ToRECT(src);
  SetDXResult(FIDDSurface->BltFast(
      static_cast<DWORD>(dest.Left), static_cast<DWORD>(dest.Top), Source->FIDDSurface.Get(), &s,
      Transparent ? DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY : DDBLTFAST_WAIT));
  if (DXResult() == DDERR_BLTFASTCANTCLIP) {
    // A clipper attached behind this object's back: remember it and go through Blt.
    ComPtr<IDirectDrawClipper> clipper;
    if (FIDDSurface->GetClipper(clipper.Put()) == DD_OK && clipper) FHasClipper = true;
    BltClipped(dest, src, Source, Transparent);
  }
}

bool TDirectDrawSurface::Blt(const TRect& DestRect, const TRect& SrcRect, DWORD Flags,
                             const DDBLTFX& DF, TDirectDrawSurface* Source) {
  if (!FIDDSurface) return false;
  const RECT d = ToRECT(DestRect), s = ToRECT(SrcRect);
  SetDXResult(FIDDSurface->Blt(&d, Source ? Source->FIDDSurface.Get() : nullptr, &s, Flags, &DF));
  return DXResult() == DD_OK;
}

bool TDirectDrawSurface::BltFast(std::int32_t X, std::int32_t Y, const TRect& SrcRect, DWORD Flags,
                                 TDirectDrawSurface* Source) {
  if (!FIDDSurface) return false;
  const RECT s = ToRECT(SrcRect);
  SetDXResult(FIDDSurface->BltFast(static_cast<DWORD>(X), static_cast<DWORD>(Y),
                                   Source ? Source->FIDDSurface.Get() : nullptr, &s, Flags));
  return DXResult() == DD_OK;
}

void TDirectDrawSurface::LoadFromGraphic(TGraphic* Graphic) {
  LoadFromGraphicRect(Graphic, 0, 0, Rect(0, 0, Graphic->Width(), Graphic->Height()));
}

void TDirectDrawSurface::LoadFromGraphicRect(TGraphic* Graphic, std::int32_t AWidth,
                                             std::int32_t AHeight, const TRect& SrcRect) {
  if (AWidth == 0) AWidth = SrcRect.Width();
  if (AHeight == 0) AHeight = SrcRect.Height();
  SetSize(AWidth, AHeight);
  if (auto* dib = dynamic_cast<TDIB*>(Graphic)) {
    try {
      StretchBlt(Canvas()->Handle(), 0, 0, AWidth, AHeight, dib->Canvas()->Handle(), SrcRect.Left,
                 SrcRect.Top, SrcRect.Width(), SrcRect.Height(), SRCCOPY);
    } catch (...) {
      Canvas()->Release();
      throw;
    }
    Canvas()->Release();
    return;
  }
  if (AWidth == SrcRect.Width() && AHeight == SrcRect.Height()) {
    try {
      Canvas()->Draw(-SrcRect.Left, -SrcRect.Top, Graphic);
    } catch (...) {
      Canvas()->Release();
      throw;
    }
    Canvas()->Release();
    return;
  }
  TOwnedPtr<TDIB> temporary(Construct<TDIB>());
  temporary->SetSize(SrcRect.Width(), SrcRect.Height(), kTrueColorBitCount);
  temporary->Canvas()->Draw(-SrcRect.Left, -SrcRect.Top, Graphic);
  try {
    Canvas()->StretchDraw(Rect(0, 0, AWidth, AHeight), temporary.get());
  } catch (...) {
    Canvas()->Release();
    throw;
  }
  Canvas()->Release();
}

void TDirectDrawSurface::LoadFromDIB(TDIB* DIB) { LoadFromGraphic(DIB); }

void TDirectDrawSurface::LoadFromDIBRect(TDIB* DIB, std::int32_t AWidth, std::int32_t AHeight,
                                         const TRect& SrcRect) {
  LoadFromGraphicRect(DIB, AWidth, AHeight, SrcRect);
}

void TDirectDrawSurface::LoadFromFile(const std::string& FileName) {
  TOwnedPtr<TPicture> picture(Construct<TPicture>());
  picture->LoadFromFile(FileName);
  if (picture->Graphic()) LoadFromGraphic(picture->Graphic());
}

void TDirectDrawSurface::LoadFromStream(TStream& Stream) {
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  dib->LoadFromStream(Stream);
  if (dib->Size() > 0) LoadFromGraphic(dib.get());
}

bool TDirectDrawSurface::LockRect(const TRect* Rect, DDSURFACEDESC& SurfaceDesc) {
  if (!FIDDSurface || FLockCount > 0) return false;
  FIsLocked = false;
  FLockSurfaceDesc.dwSize = kSurfaceDescSize;
  const bool part = Rect && !(*Rect == ClientRect());
  if (part) {
    const RECT r = ToRECT(*Rect);
    SetDXResult(FIDDSurface->Lock(&r, &FLockSurfaceDesc, DDLOCK_WAIT, nullptr));
  } else {
    SetDXResult(FIDDSurface->Lock(nullptr, &FLockSurfaceDesc, DDLOCK_WAIT, nullptr));
  }
  if (DXResult() != DD_OK) return false;
  FLockLeft = part ? Rect->Left : 0;
  FLockTop = part ? Rect->Top : 0;
  FLockCount = 1;
  SurfaceDesc = FLockSurfaceDesc;
  FIsLocked = true;
  return true;
}

bool TDirectDrawSurface::Lock(const TRect& Rect, DDSURFACEDESC& SurfaceDesc) {
  return LockRect(&Rect, SurfaceDesc);
}

bool TDirectDrawSurface::Lock(DDSURFACEDESC& SurfaceDesc) {
  FIsLocked = false;
  if (!FIDDSurface) return false;
  if (FLockCount > 0) {
    ++FLockCount;
    SurfaceDesc = FLockSurfaceDesc;
    FIsLocked = true;
    return true;
  }
  return LockRect(nullptr, SurfaceDesc);
}

bool TDirectDrawSurface::Lock() {
  DDSURFACEDESC thrownAway;
  return Lock(thrownAway);
}

void TDirectDrawSurface::UnLock() {
  if (!FIDDSurface || FLockCount == 0) return;
  if (--FLockCount == 0) {
    SetDXResult(FIDDSurface->Unlock(FLockSurfaceDesc.lpSurface));
    FIsLocked = false;
  }
}

std::uint8_t* TDirectDrawSurface::LockedOrigin(const DDSURFACEDESC& Desc) const {
  // The platform puts a rectangle's corner this far in, the column rounded down to its byte.
  return static_cast<std::uint8_t*>(Desc.lpSurface) - std::ptrdiff_t(FLockTop) * Desc.lPitch -
         std::ptrdiff_t(FLockLeft) * BitCount() / 8;
}

std::uint32_t TDirectDrawSurface::GetPixel(std::int32_t X, std::int32_t Y) {
  if (!FIDDSurface || X < 0 || Y < 0 || X >= Width() || Y >= Height()) return 0;
  DDSURFACEDESC desc;
  if (!Lock(desc)) return 0;
  const std::uint8_t* row = LockedOrigin(desc) + std::ptrdiff_t(Y) * desc.lPitch;
  std::uint32_t value = 0;
  switch (BitCount()) {
    case 1: value = (row[X / 8] >> (7 - X % 8)) & 1; break;
    case 4: value = (X % 2 == 0) ? row[X / 2] >> 4 : row[X / 2] & 0x0F; break;
    case 8: value = row[X]; break;
    case 16: {
      std::uint16_t v;
      std::memcpy(&v, row + 2 * X, 2);
      value = v;
      break;
    }
    case 24: value = row[3 * X] + 256u * row[3 * X + 1] + 65536u * row[3 * X + 2]; break;
    case 32: std::memcpy(&value, row + 4 * X, 4); break;
    default: break;
  }
  UnLock();
  return value;
}

void TDirectDrawSurface::SetPixel(std::int32_t X, std::int32_t Y, std::uint32_t Value) {
  if (!FIDDSurface || X < 0 || Y < 0 || X >= Width() || Y >= Height()) return;
  DDSURFACEDESC desc;
  if (!Lock(desc)) return;
  std::uint8_t* row = LockedOrigin(desc) + std::ptrdiff_t(Y) * desc.lPitch;
  switch (BitCount()) {
    case 1: {
      const std::uint8_t bit = std::uint8_t(0x80 >> (X % 8));
      row[X / 8] = Value ? (row[X / 8] | bit) : (row[X / 8] & ~bit);
      break;
    }
    case 4:
      row[X / 2] = (X % 2 == 0) ? std::uint8_t((row[X / 2] & 0x0F) | ((Value & 0x0F) << 4))
                                : std::uint8_t((row[X / 2] & 0xF0) | (Value & 0x0F));
      break;
    case 8: row[X] = std::uint8_t(Value); break;
    case 16: {
      const std::uint16_t v = std::uint16_t(Value);
      std::memcpy(row + 2 * X, &v, 2);
      break;
    }
    case 24:
      row[3 * X] = std::uint8_t(Value);
      row[3 * X + 1] = std::uint8_t(Value >> 8);
      row[3 * X + 2] = std::uint8_t(Value >> 16);
      break;
    case 32: std::memcpy(row + 4 * X, &Value, 4); break;
    default: break;
  }
  UnLock();
}

bool TDirectDrawSurface::Restore() {
  if (!FIDDSurface) return false;
  SetDXResult(FIDDSurface->Restore());
  return DXResult() == DD_OK;
}

void TDirectDrawSurface::SetClipper(TDirectDrawClipper* Value) {
  if (!FIDDSurface) return;
  SetDXResult(FIDDSurface->SetClipper(Value ? Value->IClipper() : nullptr));
  FHasClipper = Value && DXResult() == DD_OK;
}

void TDirectDrawSurface::SetPalette(TDirectDrawPalette* Value) {
  if (!FIDDSurface) return;
  SetDXResult(FIDDSurface->SetPalette(Value ? Value->IPalette() : nullptr));
}

TDirectDrawSurfaceCanvas* TDirectDrawSurface::Canvas() {
  if (!FCanvas) FCanvas = Construct<TDirectDrawSurfaceCanvas>(this);
  return FCanvas;
}

void TDirectDrawSurface::Assign(const TPersistent* Source) {
  if (!Source) {
    Empty();
    return;
  }
  // The graphic is drawn from, never changed, but drawing takes a writable graphic.
  if (auto* graphic = dynamic_cast<const TGraphic*>(Source)) {
    LoadFromGraphic(const_cast<TGraphic*>(graphic));
    return;
  }
  if (auto* picture = dynamic_cast<const TPicture*>(Source)) {
    if (picture->Graphic()) LoadFromGraphic(picture->Graphic());
    return;
  }
  if (auto* surface = dynamic_cast<const TDirectDrawSurface*>(Source)) {
    if (!surface->FIDDSurface) {
      Empty();
      return;
    }
    ComPtr<IDirectDrawSurface> duplicate;
    FDDraw->SetDXResult(
        FDDraw->IDraw()->DuplicateSurface(surface->FIDDSurface.Get(), duplicate.Put()));
    if (FDDraw->DXResult() == DD_OK) SetIDDSurface(duplicate.Get());
    return;
  }
  TDirectX::Assign(Source);
}

void TDirectDrawSurface::AssignTo(TPersistent* Dest) const {
  if (auto* dib = dynamic_cast<TDIB*>(Dest)) {
    // Copying out draws on this surface's canvas, which changes no pixel of the surface.
    auto* self = const_cast<TDirectDrawSurface*>(this);
    dib->SetSize(Width(), Height(),
                 BitCount() >= kTrueColorBitCount ? BitCount() : kTrueColorBitCount);
    try {
      dib->Canvas()->CopyRect(ClientRect(), self->Canvas(), ClientRect());
    } catch (...) {
      self->Canvas()->Release();
      throw;
    }
    self->Canvas()->Release();
    return;
  }
  TDirectX::AssignTo(Dest);
}

// Canvas.

TDirectDrawSurfaceCanvas::TDirectDrawSurfaceCanvas(TDirectDrawSurface* ASurface)
    : FSurface(ASurface) {}

TDirectDrawSurfaceCanvas::~TDirectDrawSurfaceCanvas() {
  Release();
  FSurface->FCanvas = nullptr;
}

void TDirectDrawSurfaceCanvas::CreateHandle() {
  IDirectDrawSurface* surface = FSurface->ISurface();
  FSurface->SetDXResult(surface->GetDC(&FDC));
  if (FSurface->DXResult() == DD_OK) {
    SetHandle(FDC);
  } else {
    FDC = nullptr;
  }
}

void TDirectDrawSurfaceCanvas::Release() {
  if (!FSurface->FIDDSurface || !FDC) return;
  SetHandle(nullptr);
  FSurface->FIDDSurface->ReleaseDC(FDC);
  FDC = nullptr;
}
