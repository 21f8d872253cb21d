// Surfaces: blits, fills, locks, device contexts, colour keys, attachments, flips and loss.
#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/ddraw/objects.h"
#include "platform/gdi/surfacedc.h"

namespace ddraw {

namespace {

// What a restored surface holds until it is drawn again: not the old pixels.
constexpr std::uint8_t kRestoredFill = 0xCD;

bool Empty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

bool Inside(const RECT& r, int width, int height) {
  return !Empty(r) && r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height;
}

RECT Intersect(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

Surface* Own(IDirectDrawSurface* s) { return dynamic_cast<Surface*>(s); }

bool SameFormat(const gdi::PixelFormat& a, const gdi::PixelFormat& b) {
  return a.bitCount == b.bitCount && (a.Indexed() || a == b);
}

}  // namespace

Memory::~Memory() {
  if (Service().keptOnDesktop == this) Service().keptOnDesktop = nullptr;
  if (video) Service().videoUsed -= std::min(Service().videoUsed, bytes);
}

Surface::Surface(std::shared_ptr<Memory> memory, DWORD caps)
    : FMemory(std::move(memory)), FCaps(caps) {
  Service().surfaces.push_back(this);
}

Surface::~Surface() {
  auto& all = Service().surfaces;
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
  if (Service().primary == this) Service().primary = nullptr;
  if (FDC) gdi::DeleteSurfaceDC(FDC);
}

HRESULT Surface::QueryInterface(REFIID riid, void** object) {
  if (!object) return DDERR_INVALIDPARAMS;
  *object = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDirectDrawSurface)
    *object = static_cast<IDirectDrawSurface*>(this);
  else if (riid == IID_IDirectDrawSurface4)
    *object = static_cast<IDirectDrawSurface4*>(this);
  else if (riid == IID_IDirectDrawSurface7)
    *object = static_cast<IDirectDrawSurface7*>(this);
  else
    return E_NOINTERFACE;  // gamma control among others
  AddRef();
  return DD_OK;
}

ULONG Surface::Release() {
  const ULONG left = --FRefs;
  if (left == 0) delete this;
  return left;
}

void Surface::Present(const RECT& changed) {
  if (this != Service().primary) return;
  FMemory->Settle();
  Present(changed, FMemory->block, POINT{0, 0});
}

void Surface::Present(const RECT& changed, const gdi::PixelBlock& pixels, POINT origin) {
  ServiceState& s = Service();
  if (this != s.primary) return;
  ++s.frames;
  if (!s.presenter) return;
  // What the desktop alone holds of another screen memory is fetched before the desktop changes.
  if (s.keptOnDesktop && s.keptOnDesktop != FMemory.get()) s.keptOnDesktop->Settle();
  PresentedFrame frame;
  frame.pixels = pixels;
  frame.origin = origin;
  frame.changed = changed;
  frame.palette = FPalette ? FPalette->Entries() : nullptr;
  frame.colors = FPalette ? FPalette->Colors() : nullptr;
  frame.window = FClipper ? FClipper->Window() : s.exclusiveWindow;
  frame.waitVBlank = s.vblankAsked;
  s.vblankAsked = false;
  s.presenter(frame);
}

HRESULT Surface::Blt(const RECT* destRect, IDirectDrawSurface* srcInterface, const RECT* srcRect,
                     DWORD flags, const DDBLTFX* fx) {
  if (FMemory->lost) return DDERR_SURFACELOST;
  if (Busy()) return DDERR_SURFACEBUSY;
  const gdi::PixelBlock& to = FMemory->block;
  const RECT whole{0, 0, to.width, to.height};
  const RECT d = destRect ? *destRect : whole;
  if (Empty(d) || (!FClipper && !Inside(d, to.width, to.height))) return DDERR_INVALIDRECT;

  // Kept between calls, so that a blit allocates nothing once the program runs.
  thread_local std::vector<RECT> area;
  area.clear();
  if (FClipper)
    FClipper->Area(to.width, to.height, area);
  else
    area.push_back(whole);

  if (flags & DDBLT_COLORFILL) {
    if (!fx) return DDERR_INVALIDPARAMS;
    const std::uint32_t value = fx->dwFillColor;
    if (!FClipper && d == whole) {
      FMemory->Forget();
      FMemory->fillPending = true;
      FMemory->fillValue = value;
    } else {
      FMemory->Settle();
      for (const RECT& a : area) FillBlock(to, Intersect(d, a), value);
    }
    Present(Intersect(d, whole));
    return DD_OK;
  }

  Surface* src = Own(srcInterface);
  if (!src) return DDERR_INVALIDPARAMS;
  if (src->FMemory->lost) return DDERR_SURFACELOST;
  if (src != this && src->Busy()) return DDERR_SURFACEBUSY;
  const gdi::PixelBlock& from = src->FMemory->block;
  if (!SameFormat(to.format, from.format)) return DDERR_INVALIDPIXELFORMAT;
  const RECT s = srcRect ? *srcRect : RECT{0, 0, from.width, from.height};
  if (!Inside(s, from.width, from.height)) return DDERR_INVALIDRECT;

  bool mirrorLeftRight = false, mirrorUpDown = false;
  if (flags & DDBLT_DDFX) {
    if (!fx) return DDERR_INVALIDPARAMS;
    mirrorLeftRight = fx->dwDDFX & DDBLTFX_MIRRORLEFTRIGHT;
    mirrorUpDown = fx->dwDDFX & DDBLTFX_MIRRORUPDOWN;
  }
  SourceKey key;
  const std::uint32_t bits = ColorBits(from.format);
  if (flags & DDBLT_KEYSRCOVERRIDE) {
    if (!fx) return DDERR_INVALIDPARAMS;
    key = {true, fx->ddckSrcColorkey.dwColorSpaceLowValue & bits,
           fx->ddckSrcColorkey.dwColorSpaceHighValue & bits};
  } else if ((flags & DDBLT_KEYSRC) && src->FHasSourceKey) {
    key = {true, src->FSourceKey.dwColorSpaceLowValue & bits,
           src->FSourceKey.dwColorSpaceHighValue & bits};
  }
  src->FMemory->Settle();
  // Window mode: a plain copy inside the window goes to the desktop from its source.
  const bool plain = !key.active && !mirrorLeftRight && !mirrorUpDown &&
                     d.right - d.left == s.right - s.left && d.bottom - d.top == s.bottom - s.top &&
                     src->FMemory != FMemory;
  if (plain && this == Service().primary && FClipper && area.size() == 1 &&
      Intersect(d, area[0]) == d && SendStraightToDesktop(*FMemory, FClipper->Window(), d)) {
    Present(d, from, POINT{d.left - s.left, d.top - s.top});
    return DD_OK;
  }
  // An opaque copy over the whole surface makes what was noted needless.
  if (!key.active && !FClipper && d == whole && src->FMemory != FMemory)
    FMemory->Forget();
  else
    FMemory->Settle();
  for (const RECT& a : area) StretchBlock(to, d, a, from, s, mirrorLeftRight, mirrorUpDown, key);
  Present(Intersect(d, whole));
  return DD_OK;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, IDirectDrawSurface* srcInterface, const RECT* srcRect,
                         DWORD flags) {
  if (FClipper) return DDERR_BLTFASTCANTCLIP;
  if (FMemory->lost) return DDERR_SURFACELOST;
  if (Busy()) return DDERR_SURFACEBUSY;
  if (flags & DDBLTFAST_DESTCOLORKEY) return DDERR_UNSUPPORTED;
  Surface* src = Own(srcInterface);
  if (!src) return DDERR_INVALIDPARAMS;
  if (src->FMemory->lost) return DDERR_SURFACELOST;
  if (src != this && src->Busy()) return DDERR_SURFACEBUSY;
  const gdi::PixelBlock& to = FMemory->block;
  const gdi::PixelBlock& from = src->FMemory->block;
  if (!SameFormat(to.format, from.format)) return DDERR_INVALIDPIXELFORMAT;
  const RECT s = srcRect ? *srcRect : RECT{0, 0, from.width, from.height};
  if (!Inside(s, from.width, from.height)) return DDERR_INVALIDRECT;
  const long long right = static_cast<long long>(x) + (s.right - s.left);
  const long long bottom = static_cast<long long>(y) + (s.bottom - s.top);
  if (right > to.width || bottom > to.height) return DDERR_INVALIDRECT;
  SourceKey key;
  if ((flags & DDBLTFAST_SRCCOLORKEY) && src->FHasSourceKey) {
    const std::uint32_t bits = ColorBits(from.format);
    key = {true, src->FSourceKey.dwColorSpaceLowValue & bits,
           src->FSourceKey.dwColorSpaceHighValue & bits};
  }
  src->FMemory->Settle();
  const bool covers = x == 0 && y == 0 && right == to.width && bottom == to.height;
  if (!key.active && covers && src->FMemory != FMemory)
    FMemory->Forget();
  else
    FMemory->Settle();
  CopyBlock(to, static_cast<int>(x), static_cast<int>(y), from, s, key);
  Present(RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(right),
               static_cast<LONG>(bottom)});
  return DD_OK;
}

void Surface::AttachBackBuffer(Surface* back) { FBackBuffer = ComPtr<Surface>(back); }

HRESULT Surface::Flip(IDirectDrawSurface* target, DWORD) {
  if (!FBackBuffer || !(FCaps & DDSCAPS_FRONTBUFFER)) return DDERR_NOTFLIPPABLE;
  if (target && Own(target) != FBackBuffer.Get()) return DDERR_INVALIDPARAMS;
  if (FMemory->lost || FBackBuffer->FMemory->lost) return DDERR_SURFACELOST;
  if (Busy() || FBackBuffer->Busy()) return DDERR_SURFACEBUSY;
  std::swap(FMemory, FBackBuffer->FMemory);
  FMemory->Settle();
  Present(RECT{0, 0, FMemory->block.width, FMemory->block.height});
  return DD_OK;
}

HRESULT Surface::GetAttachedSurface(const DDSCAPS* caps, IDirectDrawSurface** surface) {
  if (!caps || !surface) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  if (!FBackBuffer || (caps->dwCaps & ~FBackBuffer->FCaps) != 0) return DDERR_NOTFOUND;
  FBackBuffer->AddRef();
  *surface = FBackBuffer.Get();
  return DD_OK;
}

HRESULT Surface::GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface4** surface) {
  if (!caps || !surface) return DDERR_INVALIDPARAMS;
  IDirectDrawSurface* found = nullptr;
  const DDSCAPS one{caps->dwCaps};
  const HRESULT hr = GetAttachedSurface(&one, &found);
  *surface = found ? static_cast<IDirectDrawSurface4*>(Own(found)) : nullptr;
  return hr;
}

HRESULT Surface::GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface7** surface) {
  if (!caps || !surface) return DDERR_INVALIDPARAMS;
  IDirectDrawSurface* found = nullptr;
  const DDSCAPS one{caps->dwCaps};
  const HRESULT hr = GetAttachedSurface(&one, &found);
  *surface = found ? static_cast<IDirectDrawSurface7*>(Own(found)) : nullptr;
  return hr;
}

HRESULT Surface::GetCaps(DDSCAPS* caps) {
  if (!caps) return DDERR_INVALIDPARAMS;
  caps->dwCaps = FCaps;
  return DD_OK;
}

HRESULT Surface::GetClipper(IDirectDrawClipper** clipper) {
  if (!clipper) return DDERR_INVALIDPARAMS;
  *clipper = nullptr;
  if (!FClipper) return DDERR_NOCLIPPERATTACHED;
  FClipper->AddRef();
  *clipper = FClipper.Get();
  return DD_OK;
}

HRESULT Surface::GetColorKey(DWORD flags, DDCOLORKEY* key) {
  if (!key) return DDERR_INVALIDPARAMS;
  if (flags != DDCKEY_SRCBLT) return DDERR_UNSUPPORTED;
  if (!FHasSourceKey) return DDERR_NOTFOUND;
  *key = FSourceKey;
  return DD_OK;
}

const gdi::Rgb* Surface::Colors(int& count) const {
  if (FPalette) {
    count = FPalette->Count();
    return FPalette->Colors();
  }
  const Surface* primary = Service().primary;
  if (primary && primary != this && primary->FPalette) {
    count = primary->FPalette->Count();
    return primary->FPalette->Colors();
  }
  count = 256;
  return gdi::SystemColors();
}

HRESULT Surface::GetDC(HDC* dc) {
  if (!dc) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  if (FMemory->lost) return DDERR_SURFACELOST;
  if (FDCOut) return DDERR_DCALREADYCREATED;
  if (FLocked) return DDERR_SURFACEBUSY;
  FMemory->Settle();
  gdi::PixelBlock block = FMemory->block;
  if (block.format.Indexed()) block.colors = Colors(block.colorCount);
  if (!FDC) {
    FDC = gdi::CreateSurfaceDC(block);
    if (!FDC) return DDERR_CANTCREATEDC;
  } else {
    gdi::AttachSurfaceDC(FDC, block);
  }
  FDCOut = true;
  *dc = FDC;
  return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC dc) {
  if (!FDCOut || dc != FDC) return DDERR_NODC;
  gdi::DetachSurfaceDC(FDC);
  FDCOut = false;
  // Text and pictures drawn on the screen's surface are shown as well.
  Present(RECT{0, 0, FMemory->block.width, FMemory->block.height});
  return DD_OK;
}

HRESULT Surface::GetPalette(IDirectDrawPalette** palette) {
  if (!palette) return DDERR_INVALIDPARAMS;
  *palette = nullptr;
  if (!FPalette) return DDERR_NOPALETTEATTACHED;
  FPalette->AddRef();
  *palette = FPalette.Get();
  return DD_OK;
}

void DescribeFormat(const gdi::PixelFormat& f, DDPIXELFORMAT& out) {
  out = DDPIXELFORMAT{};
  out.dwFlags = DDPF_RGB | (f.bitCount == 8 ? DDPF_PALETTEINDEXED8 : 0);
  out.dwRGBBitCount = static_cast<DWORD>(f.bitCount);
  out.dwRBitMask = f.redMask;
  out.dwGBitMask = f.greenMask;
  out.dwBBitMask = f.blueMask;
}

HRESULT Surface::GetPixelFormat(DDPIXELFORMAT* format) {
  if (!format) return DDERR_INVALIDPARAMS;
  DescribeFormat(FMemory->block.format, *format);
  return DD_OK;
}

template <class Desc>
void Surface::Describe(Desc& desc) const {
  const DWORD size = desc.dwSize;
  desc = Desc{};
  desc.dwSize = size;
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc.dwWidth = static_cast<DWORD>(FMemory->block.width);
  desc.dwHeight = static_cast<DWORD>(FMemory->block.height);
  desc.lPitch = static_cast<LONG>(FMemory->block.pitch);
  if (FBackBuffer) {
    desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
  }
  if (FHasSourceKey) {
    desc.dwFlags |= DDSD_CKSRCBLT;
    desc.ddckCKSrcBlt = FSourceKey;
  }
  DescribeFormat(FMemory->block.format, desc.ddpfPixelFormat);
  DWORD caps = FCaps & ~(DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY | DDSCAPS_LOCALVIDMEM);
  caps |= FMemory->video ? (DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM) : DDSCAPS_SYSTEMMEMORY;
  desc.ddsCaps.dwCaps = caps;
}

HRESULT Surface::GetSurfaceDesc(DDSURFACEDESC* desc) {
  if (!desc || desc->dwSize != kSurfaceDescSize) return DDERR_INVALIDPARAMS;
  Describe(*desc);
  return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(DDSURFACEDESC2* desc) {
  if (!desc || desc->dwSize != kSurfaceDesc2Size) return DDERR_INVALIDPARAMS;
  Describe(*desc);
  return DD_OK;
}

HRESULT Surface::IsLost() { return FMemory->lost ? DDERR_SURFACELOST : DD_OK; }

template <class Desc>
HRESULT Surface::LockInto(const RECT* rect, Desc* desc) {
  if (!desc) return DDERR_INVALIDPARAMS;
  if (FMemory->lost) return DDERR_SURFACELOST;
  if (Busy()) return DDERR_SURFACEBUSY;
  const gdi::PixelBlock& block = FMemory->block;
  const RECT r = rect ? *rect : RECT{0, 0, block.width, block.height};
  if (!Inside(r, block.width, block.height)) return DDERR_INVALIDRECT;
  FMemory->Settle();
  Describe(*desc);
  desc->dwFlags |= DDSD_LPSURFACE;
  desc->lpSurface =
      block.Row(r.top) + (static_cast<std::size_t>(r.left) * block.format.bitCount) / 8;
  FLocked = true;
  return DD_OK;
}

HRESULT Surface::Lock(const RECT* rect, DDSURFACEDESC* desc, DWORD, HANDLE) {
  if (desc && desc->dwSize != kSurfaceDescSize) return DDERR_INVALIDPARAMS;
  return LockInto(rect, desc);
}

HRESULT Surface::Lock(const RECT* rect, DDSURFACEDESC2* desc, DWORD, HANDLE) {
  if (desc && desc->dwSize != kSurfaceDesc2Size) return DDERR_INVALIDPARAMS;
  return LockInto(rect, desc);
}

HRESULT Surface::Unlock(void*) {
  if (!FLocked) return DDERR_NOTLOCKED;
  FLocked = false;
  Present(RECT{0, 0, FMemory->block.width, FMemory->block.height});
  return DD_OK;
}

HRESULT Surface::Restore() {
  for (Surface* s : {this, FBackBuffer.Get()}) {
    if (!s || !s->FMemory->lost) continue;
    Memory& m = *s->FMemory;
    if (m.pixels) std::memset(m.pixels.get(), kRestoredFill, m.bytes);
    m.Forget();
    m.lost = false;
  }
  return DD_OK;
}

HRESULT Surface::SetClipper(IDirectDrawClipper* clipper) {
  if (clipper && !dynamic_cast<Clipper*>(clipper)) return DDERR_INVALIDPARAMS;
  FClipper = ComPtr<Clipper>(static_cast<Clipper*>(clipper));
  return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, const DDCOLORKEY* key) {
  const DWORD kind = flags & ~DDCKEY_COLORSPACE;
  if (kind != DDCKEY_SRCBLT) return DDERR_UNSUPPORTED;
  if (!key) {
    FHasSourceKey = false;
    return DD_OK;
  }
  FSourceKey = *key;
  if (!(flags & DDCKEY_COLORSPACE))
    FSourceKey.dwColorSpaceHighValue = FSourceKey.dwColorSpaceLowValue;
  if (FSourceKey.dwColorSpaceHighValue < FSourceKey.dwColorSpaceLowValue)
    return DDERR_INVALIDPARAMS;
  FHasSourceKey = true;
  return DD_OK;
}

HRESULT Surface::SetPalette(IDirectDrawPalette* palette) {
  if (palette && !dynamic_cast<Palette*>(palette)) return DDERR_INVALIDPARAMS;
  if (palette && !FMemory->block.format.Indexed()) return DDERR_INVALIDPIXELFORMAT;
  FPalette = ComPtr<Palette>(static_cast<Palette*>(palette));
  if (FBackBuffer && palette) FBackBuffer->FPalette = FPalette;
  return DD_OK;
}

}  // namespace ddraw
