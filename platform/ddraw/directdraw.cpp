// The DirectDraw object, palettes, clippers, the emulated screen and the service's entries.
#include <algorithm>
#include <cstring>

#include "platform/ddraw/objects.h"
#include "platform/gdi/surfacedc.h"
#include "platform/system/machine.h"
#include "platform/system/modules.h"
#include "platform/system/windows.h"

namespace ddraw {

namespace {

constexpr std::size_t kDefaultVideoMemory = std::size_t{64} << 20;
constexpr int kDesktopBitCount = 32;
constexpr int kLargestSide = 16384;
constexpr std::size_t kPitchAlignment = 16;

}  // namespace

ServiceState& Service() {
  static ServiceState* state = new ServiceState();  // surfaces may outlive any static order
  return *state;
}

gdi::PixelFormat ModeFormat(int bitCount) {
  switch (bitCount) {
    case 8: return gdi::PixelFormat::Indexed(8);
    case 16:
      return Service().fiveFiveFive ? gdi::PixelFormat::Rgb555() : gdi::PixelFormat::Rgb565();
    case 24: return gdi::PixelFormat::Rgb24();
    default: return gdi::PixelFormat::Rgb32();
  }
}

// Palettes.

Palette::Palette(DWORD caps, const PALETTEENTRY* entries, int count) : FCaps(caps), FCount(count) {
  if (entries) std::copy(entries, entries + count, FEntries.begin());
  for (int i = 0; i < FCount; ++i)
    FColors[i] = gdi::MakeRgb(FEntries[i].peRed, FEntries[i].peGreen, FEntries[i].peBlue);
}

HRESULT Palette::QueryInterface(REFIID riid, void** object) {
  if (!object) return DDERR_INVALIDPARAMS;
  *object = nullptr;
  if (!(riid == IID_IUnknown || riid == IID_IDirectDrawPalette)) return E_NOINTERFACE;
  *object = static_cast<IDirectDrawPalette*>(this);
  AddRef();
  return DD_OK;
}

ULONG Palette::Release() {
  const ULONG left = --FRefs;
  if (left == 0) delete this;
  return left;
}

HRESULT Palette::GetCaps(DWORD* caps) {
  if (!caps) return DDERR_INVALIDPARAMS;
  *caps = FCaps;
  return DD_OK;
}

HRESULT Palette::GetEntries(DWORD, DWORD base, DWORD count, PALETTEENTRY* entries) {
  if (!entries || base >= DWORD(FCount) || count > DWORD(FCount) - base) return DDERR_INVALIDPARAMS;
  std::copy_n(FEntries.begin() + base, count, entries);
  return DD_OK;
}

HRESULT Palette::SetEntries(DWORD, DWORD start, DWORD count, const PALETTEENTRY* entries) {
  if (!entries || start >= DWORD(FCount) || count > DWORD(FCount) - start)
    return DDERR_INVALIDPARAMS;
  std::copy_n(entries, count, FEntries.begin() + start);
  for (DWORD i = start; i < start + count; ++i)
    FColors[i] = gdi::MakeRgb(FEntries[i].peRed, FEntries[i].peGreen, FEntries[i].peBlue);
  // The palette of an 8-bit full screen is the system palette.
  const ServiceState& s = Service();
  if (s.primary && s.primary->AttachedPalette() == this && s.exclusiveOwner && s.mode.bitCount == 8)
    gdi::SetSystemPalette(static_cast<int>(start), static_cast<int>(count), entries);
  return DD_OK;
}

// Clippers.

HRESULT Clipper::QueryInterface(REFIID riid, void** object) {
  if (!object) return DDERR_INVALIDPARAMS;
  *object = nullptr;
  if (!(riid == IID_IUnknown || riid == IID_IDirectDrawClipper)) return E_NOINTERFACE;
  *object = static_cast<IDirectDrawClipper*>(this);
  AddRef();
  return DD_OK;
}

ULONG Clipper::Release() {
  const ULONG left = --FRefs;
  if (left == 0) delete this;
  return left;
}

HRESULT Clipper::SetHWnd(DWORD, HWND window) {
  FWindow = window;
  FHasList = false;
  FList.clear();
  return DD_OK;
}

HRESULT Clipper::GetHWnd(HWND* window) {
  if (!window) return DDERR_INVALIDPARAMS;
  *window = FWindow;
  return DD_OK;
}

HRESULT Clipper::SetClipList(const RGNDATA* clipList, DWORD) {
  if (FWindow) return DDERR_INVALIDPARAMS;  // a window's clipper follows the window
  FList.clear();
  FHasList = clipList != nullptr;
  if (!clipList) return DD_OK;
  if (clipList->rdh.iType != RDH_RECTANGLES) return DDERR_INVALIDPARAMS;
  const auto* rects = reinterpret_cast<const std::uint8_t*>(clipList) + clipList->rdh.dwSize;
  for (DWORD i = 0; i < clipList->rdh.nCount; ++i) {
    RECT r;
    std::memcpy(&r, rects + i * sizeof(RECT), sizeof(RECT));
    FList.push_back(r);
  }
  return DD_OK;
}

HRESULT Clipper::GetClipList(const RECT*, RGNDATA* clipList, DWORD* size) {
  if (!size) return DDERR_INVALIDPARAMS;
  std::vector<RECT> area;
  if (FHasList) area = FList;
  if (FWindow) Area(INT32_MAX, INT32_MAX, area);
  if (!FHasList && !FWindow) return DDERR_NOCLIPLIST;
  const DWORD needed = DWORD(sizeof(RGNDATAHEADER) + area.size() * sizeof(RECT));
  if (!clipList) {
    *size = needed;
    return DD_OK;
  }
  if (*size < needed) return DDERR_INVALIDPARAMS;
  clipList->rdh = RGNDATAHEADER{};
  clipList->rdh.nCount = DWORD(area.size());
  clipList->rdh.nRgnSize = DWORD(area.size() * sizeof(RECT));
  RECT bound{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const RECT& r : area)
    bound = {std::min(bound.left, r.left), std::min(bound.top, r.top),
             std::max(bound.right, r.right), std::max(bound.bottom, r.bottom)};
  clipList->rdh.rcBound = area.empty() ? RECT{} : bound;
  std::memcpy(reinterpret_cast<std::uint8_t*>(clipList) + sizeof(RGNDATAHEADER), area.data(),
              area.size() * sizeof(RECT));
  return DD_OK;
}

void Clipper::Area(int width, int height, std::vector<RECT>& out) const {
  out.clear();
  const RECT whole{0, 0, width, height};
  auto add = [&](const RECT& r) {
    const RECT cut{std::max(r.left, whole.left), std::max(r.top, whole.top),
                   std::min(r.right, whole.right), std::min(r.bottom, whole.bottom)};
    if (cut.left < cut.right && cut.top < cut.bottom) out.push_back(cut);
  };
  if (FWindow) {
    // The window's client area on the screen, while the window shows.
    RECT client;
    POINT origin;
    if (!platform::IsWindowVisible(FWindow) || platform::IsIconic(FWindow) ||
        !platform::GetClientRect(FWindow, client) || !platform::ClientToScreen(FWindow, origin))
      return;
    add(RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
  } else if (FHasList) {
    for (const RECT& r : FList) add(r);
  } else {
    add(whole);
  }
}

// The DirectDraw object.

DirectDraw::~DirectDraw() {
  ServiceState& s = Service();
  if (s.exclusiveOwner == this) {
    s.exclusiveOwner = nullptr;
    s.exclusiveWindow = 0;
    LeaveFullScreen();
  }
  if (FChangedMode) RestoreDisplayMode();
}

HRESULT DirectDraw::QueryInterface(REFIID riid, void** object) {
  if (!object) return DDERR_INVALIDPARAMS;
  *object = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDirectDraw)
    *object = static_cast<IDirectDraw*>(this);
  else if (riid == IID_IDirectDraw4)
    *object = static_cast<IDirectDraw4*>(this);
  else if (riid == IID_IDirectDraw7)
    *object = static_cast<IDirectDraw7*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return DD_OK;
}

ULONG DirectDraw::Release() {
  const ULONG left = --FRefs;
  if (left == 0) delete this;
  return left;
}

HRESULT DirectDraw::CreateClipper(DWORD, IDirectDrawClipper** clipper, IUnknown* outer) {
  if (!clipper || outer) return DDERR_INVALIDPARAMS;
  *clipper = new Clipper();
  return DD_OK;
}

HRESULT DirectDraw::CreatePalette(DWORD caps, const PALETTEENTRY* entries,
                                  IDirectDrawPalette** palette, IUnknown* outer) {
  if (!palette || outer) return DDERR_INVALIDPARAMS;
  *palette = nullptr;
  int count = 0;
  if (caps & DDPCAPS_8BIT)
    count = 256;
  else if (caps & DDPCAPS_4BIT)
    count = 16;
  else
    return DDERR_INVALIDPARAMS;
  if (!entries) return DDERR_INVALIDPARAMS;
  *palette = new Palette(caps, entries, count);
  return DD_OK;
}

HRESULT DirectDraw::Make(DWORD flags, DWORD width, DWORD height, DWORD backBuffers,
                         const DDPIXELFORMAT& pf, DWORD caps, const DDCOLORKEY& sourceKey,
                         Surface** out) {
  *out = nullptr;
  ServiceState& s = Service();
  const bool primary = caps & DDSCAPS_PRIMARYSURFACE;
  gdi::PixelFormat format = ModeFormat(s.mode.bitCount);
  if (primary) {
    if (s.primary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
    width = static_cast<DWORD>(s.mode.width);
    height = static_cast<DWORD>(s.mode.height);
  } else {
    if (!(flags & DDSD_WIDTH) || !(flags & DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
    if (flags & DDSD_PIXELFORMAT) {
      if (pf.dwFlags & DDPF_PALETTEINDEXED8)
        format = gdi::PixelFormat::Indexed(8);
      else if ((pf.dwFlags & DDPF_RGB) &&
               (pf.dwRGBBitCount == 16 || pf.dwRGBBitCount == 24 || pf.dwRGBBitCount == 32))
        format = {static_cast<int>(pf.dwRGBBitCount), pf.dwRBitMask, pf.dwGBitMask, pf.dwBBitMask};
      else
        return DDERR_INVALIDPIXELFORMAT;
      if (!gdi::IsSupported(format)) return DDERR_INVALIDPIXELFORMAT;
    }
  }
  const bool chain = (caps & DDSCAPS_FLIP) || backBuffers > 0;
  if (chain) {
    if (!primary || !(caps & DDSCAPS_COMPLEX) || !(caps & DDSCAPS_FLIP) || backBuffers != 1)
      return DDERR_INVALIDPARAMS;
    if (!FExclusive) return DDERR_NOEXCLUSIVEMODE;
  }
  if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide)
    return DDERR_INVALIDPARAMS;
  if ((caps & DDSCAPS_VIDEOMEMORY) && (caps & DDSCAPS_SYSTEMMEMORY)) return DDERR_INVALIDPARAMS;

  const std::size_t rowBytes = gdi::RowBytes(static_cast<int>(width), format.bitCount);
  const std::size_t pitch = (rowBytes + kPitchAlignment - 1) / kPitchAlignment * kPitchAlignment;
  const std::size_t bytes = pitch * height;

  auto makeMemory = [&](std::shared_ptr<Memory>& memory) -> HRESULT {
    memory = std::make_shared<Memory>();
    // The screen itself is not counted against video memory.
    bool video = !primary && !(caps & DDSCAPS_SYSTEMMEMORY) && s.videoTotal - s.videoUsed >= bytes;
    if (!primary && (caps & DDSCAPS_VIDEOMEMORY) && !video) return DDERR_OUTOFVIDEOMEMORY;
    memory->pixels.reset(
        static_cast<std::uint8_t*>(std::calloc(std::max<std::size_t>(bytes, 1), 1)));
    if (!memory->pixels) return DDERR_OUTOFMEMORY;
    memory->bytes = bytes;
    memory->video = video || primary;
    if (video) s.videoUsed += bytes;
    memory->block = {memory->pixels.get(),
                     static_cast<std::ptrdiff_t>(pitch),
                     static_cast<int>(width),
                     static_cast<int>(height),
                     format,
                     nullptr,
                     0};
    return DD_OK;
  };

  std::shared_ptr<Memory> memory;
  if (HRESULT hr = makeMemory(memory); hr != DD_OK) return hr;
  const DWORD placement =
      memory->video ? (DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM) : DDSCAPS_SYSTEMMEMORY;
  const DWORD frontCaps =
      caps | placement | (primary ? DDSCAPS_VISIBLE : 0) | (chain ? DDSCAPS_FRONTBUFFER : 0);
  auto* surface = new Surface(memory, frontCaps);
  if (flags & DDSD_CKSRCBLT) surface->SetColorKey(DDCKEY_SRCBLT | DDCKEY_COLORSPACE, &sourceKey);
  if (chain) {
    std::shared_ptr<Memory> backMemory;
    if (HRESULT hr = makeMemory(backMemory); hr != DD_OK) {
      surface->Release();
      return hr;
    }
    const DWORD backCaps =
        (caps & ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_COMPLEX)) | placement | DDSCAPS_BACKBUFFER;
    auto* back = new Surface(backMemory, backCaps);
    surface->AttachBackBuffer(back);
    back->Release();
  }
  if (primary) s.primary = surface;
  *out = surface;
  return DD_OK;
}

// Both description records carry the same fields a surface is made from.
template <class Desc, class Interface>
HRESULT DirectDraw::CreateFrom(Desc* desc, DWORD size, Interface** surface, IUnknown* outer) {
  if (!desc || !surface || outer || desc->dwSize != size) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  Surface* made = nullptr;
  const HRESULT hr = Make(
      desc->dwFlags, desc->dwWidth, desc->dwHeight,
      (desc->dwFlags & DDSD_BACKBUFFERCOUNT) ? desc->dwBackBufferCount : 0, desc->ddpfPixelFormat,
      (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0, desc->ddckCKSrcBlt, &made);
  *surface = made;
  return hr;
}

HRESULT DirectDraw::CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface,
                                  IUnknown* outer) {
  return CreateFrom(desc, kSurfaceDescSize, surface, outer);
}

HRESULT DirectDraw::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface4** surface,
                                  IUnknown* outer) {
  return CreateFrom(desc, kSurfaceDesc2Size, surface, outer);
}

HRESULT DirectDraw::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface,
                                  IUnknown* outer) {
  if (!surface) return DDERR_INVALIDPARAMS;
  IDirectDrawSurface4* made = nullptr;
  const HRESULT hr = CreateSurface(desc, &made, outer);
  *surface = made ? static_cast<Surface*>(made) : nullptr;
  return hr;
}

HRESULT DirectDraw::DuplicateSurface(IDirectDrawSurface* original, IDirectDrawSurface** duplicate) {
  if (!duplicate) return DDERR_INVALIDPARAMS;
  *duplicate = nullptr;
  auto* source = dynamic_cast<Surface*>(original);
  if (!source) return DDERR_INVALIDPARAMS;
  // The screen and flip chains cannot be duplicated.
  if (source->Caps() & (DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP)) return DDERR_INVALIDOBJECT;
  auto* copy = new Surface(source->Pixels(), source->Caps());
  if (const DDCOLORKEY* key = source->SourceKeyValue())
    copy->SetColorKey(DDCKEY_SRCBLT | DDCKEY_COLORSPACE, key);
  *duplicate = copy;
  return DD_OK;
}

namespace {

template <class Desc>
void DescribeMode(const DisplayMode& m, Desc& desc) {
  const DWORD size = desc.dwSize;
  desc = Desc{};
  desc.dwSize = size;
  desc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
  desc.dwWidth = static_cast<DWORD>(m.width);
  desc.dwHeight = static_cast<DWORD>(m.height);
  desc.lPitch = static_cast<LONG>(gdi::RowBytes(m.width, m.bitCount));
  desc.dwRefreshRate = 60;
  DescribeFormat(ModeFormat(m.bitCount), desc.ddpfPixelFormat);
}

template <class Desc, class Callback>
HRESULT Enumerate(void* context, Callback callback) {
  if (!callback) return DDERR_INVALIDPARAMS;
  for (const DisplayMode& m : DisplayModes()) {
    Desc desc;
    desc.dwSize = sizeof(Desc) == sizeof(DDSURFACEDESC) ? kSurfaceDescSize : kSurfaceDesc2Size;
    DescribeMode(m, desc);
    if (callback(&desc, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

}  // namespace

HRESULT DirectDraw::EnumDisplayModes(DWORD, DDSURFACEDESC*, void* context,
                                     LPDDENUMMODESCALLBACK callback) {
  return Enumerate<DDSURFACEDESC>(context, callback);
}

HRESULT DirectDraw::EnumDisplayModes(DWORD, DDSURFACEDESC2*, void* context,
                                     LPDDENUMMODESCALLBACK2 callback) {
  return Enumerate<DDSURFACEDESC2>(context, callback);
}

HRESULT DirectDraw::FlipToGDISurface() {
  // The desktop's own surface is the one the screen shows when nothing is flipped; there is no
  // separate one here, so showing it again is showing the screen as it stands.
  return DD_OK;
}

HRESULT DirectDraw::GetCaps(DDCAPS_DX6* driverCaps, DDCAPS_DX6* helCaps) {
  if (!driverCaps && !helCaps) return DDERR_INVALIDPARAMS;
  const ServiceState& s = Service();
  for (DDCAPS_DX6* caps : {driverCaps, helCaps}) {
    if (!caps) continue;
    if (caps->dwSize != sizeof(DDCAPS_DX6)) return DDERR_INVALIDPARAMS;
    *caps = DDCAPS_DX6{};
    caps->dwSize = sizeof(DDCAPS_DX6);
    caps->dwCaps =
        DDCAPS_BLT | DDCAPS_BLTSTRETCH | DDCAPS_PALETTE | DDCAPS_COLORKEY | DDCAPS_BLTCOLORFILL;
    caps->dwCKeyCaps = DDCKEYCAPS_SRCBLT;
    caps->dwFXCaps = DDFXCAPS_BLTMIRRORLEFTRIGHT | DDFXCAPS_BLTMIRRORUPDOWN;
    caps->dwPalCaps = DDPCAPS_8BIT | DDPCAPS_4BIT | DDPCAPS_PRIMARYSURFACE | DDPCAPS_ALLOW256;
    caps->dwVidMemTotal = static_cast<DWORD>(std::min<std::size_t>(s.videoTotal, UINT32_MAX));
    caps->dwVidMemFree =
        static_cast<DWORD>(std::min<std::size_t>(s.videoTotal - s.videoUsed, UINT32_MAX));
    caps->ddsCaps.dwCaps = DDSCAPS_BACKBUFFER | DDSCAPS_COMPLEX | DDSCAPS_FLIP |
                           DDSCAPS_FRONTBUFFER | DDSCAPS_OFFSCREENPLAIN | DDSCAPS_PALETTE |
                           DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY |
                           DDSCAPS_VISIBLE;
  }
  return DD_OK;
}

HRESULT DirectDraw::GetDisplayMode(DDSURFACEDESC* desc) {
  if (!desc || desc->dwSize != kSurfaceDescSize) return DDERR_INVALIDPARAMS;
  DescribeMode(Service().mode, *desc);
  return DD_OK;
}

HRESULT DirectDraw::GetDisplayMode(DDSURFACEDESC2* desc) {
  if (!desc || desc->dwSize != kSurfaceDesc2Size) return DDERR_INVALIDPARAMS;
  DescribeMode(Service().mode, *desc);
  return DD_OK;
}

namespace {

void ChangeMode(const DisplayMode& mode) {
  ServiceState& s = Service();
  if (s.mode == mode) return;
  s.mode = mode;
  gdi::SetScreenMode(mode.width, mode.height, mode.bitCount);
  // A new mode takes every surface's memory away.
  for (Surface* surface : s.surfaces) surface->MarkLost();
}

}  // namespace

HRESULT DirectDraw::RestoreDisplayMode() {
  LeaveFullScreen();
  ChangeMode(Service().desktop);
  FChangedMode = false;
  return DD_OK;
}

HRESULT DirectDraw::SetCooperativeLevel(HWND window, DWORD flags) {
  ServiceState& s = Service();
  const bool exclusive = flags & DDSCL_EXCLUSIVE;
  if (exclusive != bool(flags & DDSCL_FULLSCREEN)) return DDERR_INVALIDPARAMS;
  if (!exclusive && !(flags & DDSCL_NORMAL)) return DDERR_INVALIDPARAMS;
  if (exclusive) {
    if (!window) return DDERR_INVALIDPARAMS;
    if (s.exclusiveOwner && s.exclusiveOwner != this) return DDERR_NOEXCLUSIVEMODE;
    s.exclusiveOwner = this;
    s.exclusiveWindow = window;
  } else if (s.exclusiveOwner == this) {
    s.exclusiveOwner = nullptr;
    s.exclusiveWindow = 0;
    LeaveFullScreen();
  }
  FExclusive = exclusive;
  return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bitCount) {
  const DisplayMode wanted{static_cast<int>(width), static_cast<int>(height),
                           static_cast<int>(bitCount)};
  const auto modes = DisplayModes();
  if (std::find(modes.begin(), modes.end(), wanted) == modes.end()) return DDERR_INVALIDMODE;
  ChangeMode(wanted);
  FChangedMode = !(wanted == Service().desktop);
  // An exclusive window is shown alone over the monitor in the new mode.
  if (FExclusive && Service().exclusiveOwner == this) EnterFullScreen(Service().exclusiveWindow);
  return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bitCount, DWORD, DWORD) {
  return SetDisplayMode(width, height, bitCount);
}

HRESULT DirectDraw::WaitForVerticalBlank(DWORD flags, HANDLE) {
  if (flags != DDWAITVB_BLOCKBEGIN && flags != 0) return DDERR_UNSUPPORTED;
  // The desktop can only wait for the blank as it shows a frame: the next frame shown waits
  // for it (vsync), so the wait and the blit that follows it keep their meaning together.
  Service().vblankAsked = true;
  return DD_OK;
}

HRESULT DirectDraw::GetAvailableVidMem(const DDSCAPS2*, DWORD* total, DWORD* free) {
  const ServiceState& s = Service();
  if (total) *total = static_cast<DWORD>(std::min<std::size_t>(s.videoTotal, UINT32_MAX));
  if (free)
    *free = static_cast<DWORD>(std::min<std::size_t>(s.videoTotal - s.videoUsed, UINT32_MAX));
  return DD_OK;
}

// The service.

std::vector<DisplayMode> DisplayModes() {
  std::vector<DisplayMode> modes;
  if (!platform::HasBackend()) return modes;
  for (const platform::ScreenMode& m : platform::CurrentBackend().ScreenModes())
    if (m.width > 0 && m.height > 0 && m.width <= kLargestSide && m.height <= kLargestSide &&
        (m.bitCount == 8 || m.bitCount == 16 || m.bitCount == 24 || m.bitCount == 32))
      modes.push_back({m.width, m.height, m.bitCount});
  return modes;
}

DisplayMode CurrentDisplayMode() { return Service().mode; }

void LoseAllSurfaces() {
  for (Surface* surface : Service().surfaces) surface->MarkLost();
}

void SetVideoMemory(std::size_t bytes) {
  Service().videoTotal = std::max(bytes, Service().videoUsed);
}

std::size_t VideoMemoryFree() { return Service().videoTotal - Service().videoUsed; }

void SetHighColorLayout(bool fiveFiveFive) { Service().fiveFiveFive = fiveFiveFive; }

void SetPresenter(Presenter presenter) {
  SettleKeptOnDesktop();
  Service().presenter = std::move(presenter);
  Service().presentsOnDesktop = false;
}

std::size_t PresentedFrames() { return Service().frames; }

void RegisterService() {
  ServiceState& s = Service();
  DisplayMode desktop{1280, 1024, kDesktopBitCount};
  if (platform::HasBackend()) {
    const RECT screen = platform::CurrentBackend().ScreenRect();
    if (screen.right > screen.left && screen.bottom > screen.top)
      desktop = {std::min(screen.right - screen.left, kLargestSide),
                 std::min(screen.bottom - screen.top, kLargestSide), kDesktopBitCount};
  }
  s.desktop = desktop;
  s.mode = desktop;
  s.fiveFiveFive = false;
  s.videoTotal = std::max(kDefaultVideoMemory, s.videoUsed);
  s.exclusiveOwner = nullptr;
  s.exclusiveWindow = 0;
  SettleKeptOnDesktop();
  s.presenter = PresentOnDesktop;
  s.presentsOnDesktop = true;
  s.frames = 0;
  s.vblankAsked = false;
  s.fullScreenWindow = 0;
  gdi::SetScreenMode(desktop.width, desktop.height, desktop.bitCount);
  platform::RegisterBuiltinModule(
      "DDraw.dll", {{"DirectDrawCreate", reinterpret_cast<void*>(&DirectDrawCreate)},
                    {"DirectDrawCreateEx", reinterpret_cast<void*>(&DirectDrawCreateEx)},
                    {"DirectDrawEnumerateW", reinterpret_cast<void*>(&DirectDrawEnumerateW)}});
}

}  // namespace ddraw

extern "C" {

HRESULT DirectDrawCreate(const GUID* guid, IDirectDraw** object, IUnknown* outer) {
  if (!object || outer) return DDERR_INVALIDPARAMS;
  *object = nullptr;
  if (guid) return DDERR_INVALIDPARAMS;  // only the primary display driver exists
  *object = new ddraw::DirectDraw();
  return DD_OK;
}

HRESULT DirectDrawCreateEx(const GUID* guid, void** object, REFIID iid, IUnknown* outer) {
  if (!object) return DDERR_INVALIDPARAMS;
  *object = nullptr;
  IDirectDraw* made = nullptr;
  if (HRESULT hr = DirectDrawCreate(guid, &made, outer); hr != DD_OK) return hr;
  const HRESULT hr = made->QueryInterface(iid, object);
  made->Release();
  return hr;
}

HRESULT DirectDrawEnumerateW(LPDDENUMCALLBACKW callback, void* context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  callback(nullptr, L"Primary Display Driver", L"display", context);
  return DD_OK;
}
}
