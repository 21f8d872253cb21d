// The 2-D drawing service: the DirectDraw object (its first, fourth and seventh interfaces),
// surfaces in the display's pixel format, flip chains, clippers and palettes, with the desktop
// system's names, records, flags and result codes. Everything is drawn in memory by this
// process; finished frames leave through the presentation hook of service.h.
//
// Interfaces are reference counted: QueryInterface and every call that hands out an interface
// add a reference; the caller gives each back with Release. ComPtr holds one.
//
// Does not: overlays, textures, 3-D devices, gamma ramps, Z buffers, alpha, raster operations
// other than a plain copy, destination colour keys, more than one back buffer.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/gdi/gditypes.h"

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;

using GUID = platform::GUID;
using REFIID = const GUID&;

// Interface identifiers.
inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IDirectDraw = {
    0x6C14DB80, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDraw4 = {
    0x9C59509A, 0x39BD, 0x11D1, {0x8C, 0x4A, 0x00, 0xC0, 0x4F, 0xD9, 0x30, 0xC5}};
inline constexpr GUID IID_IDirectDraw7 = {
    0x15E65EC0, 0x3B9C, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
inline constexpr GUID IID_IDirectDrawSurface = {
    0x6C14DB81, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDrawSurface4 = {
    0x0B2B8630, 0xAD35, 0x11D0, {0x8E, 0xA6, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
inline constexpr GUID IID_IDirectDrawSurface7 = {
    0x06675A80, 0x3B9B, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
inline constexpr GUID IID_IDirectDrawGammaControl = {
    0x69C11C3E, 0xB46B, 0x11D1, {0xAD, 0x7A, 0x00, 0xC0, 0x4F, 0xC2, 0x9B, 0x4E}};
inline constexpr GUID IID_IDirectDrawClipper = {
    0x6C14DB85, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDrawPalette = {
    0x6C14DB84, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

// Result codes.
constexpr HRESULT DD_OK = 0;
constexpr HRESULT MakeDDResult(std::uint32_t code) {
  return static_cast<HRESULT>(0x88760000u | code);
}
constexpr HRESULT DDERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DDERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DDERR_INVALIDMODE = MakeDDResult(120);
constexpr HRESULT DDERR_INVALIDOBJECT = MakeDDResult(130);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = MakeDDResult(145);
constexpr HRESULT DDERR_INVALIDRECT = MakeDDResult(150);
constexpr HRESULT DDERR_NOCLIPPERATTACHED = MakeDDResult(568);
constexpr HRESULT DDERR_NOCLIPLIST = MakeDDResult(205);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = MakeDDResult(225);
constexpr HRESULT DDERR_NOTFOUND = MakeDDResult(255);
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = MakeDDResult(380);
constexpr HRESULT DDERR_SURFACEBUSY = MakeDDResult(430);
constexpr HRESULT DDERR_SURFACELOST = MakeDDResult(450);  // 0x887601C2
constexpr HRESULT DDERR_WASSTILLDRAWING = MakeDDResult(540);
constexpr HRESULT DDERR_BLTFASTCANTCLIP = MakeDDResult(574);  // 0x8876023E
constexpr HRESULT DDERR_NOPALETTEATTACHED = MakeDDResult(560);
constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = MakeDDResult(564);
constexpr HRESULT DDERR_NOTFLIPPABLE = MakeDDResult(582);
constexpr HRESULT DDERR_NOTLOCKED = MakeDDResult(584);
constexpr HRESULT DDERR_DCALREADYCREATED = MakeDDResult(620);
constexpr HRESULT DDERR_CANTCREATEDC = MakeDDResult(621);
constexpr HRESULT DDERR_NODC = MakeDDResult(610);
static_assert(DDERR_SURFACELOST == static_cast<HRESULT>(0x887601C2u));
static_assert(DDERR_BLTFASTCANTCLIP == static_cast<HRESULT>(0x8876023Eu));

// Records. The description records carry their documented sizes in dwSize (108 and 124 bytes);
// their in-memory size here differs where they hold an address.
struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue = 0;
  DWORD dwColorSpaceHighValue = 0;
};

struct DDSCAPS {
  DWORD dwCaps = 0;
};

struct DDSCAPS2 {
  DWORD dwCaps = 0, dwCaps2 = 0, dwCaps3 = 0, dwCaps4 = 0;
};

struct DDPIXELFORMAT {
  DWORD dwSize = 32;
  DWORD dwFlags = 0;
  DWORD dwFourCC = 0;
  DWORD dwRGBBitCount = 0;
  DWORD dwRBitMask = 0;
  DWORD dwGBitMask = 0;
  DWORD dwBBitMask = 0;
  DWORD dwRGBAlphaBitMask = 0;
};
static_assert(sizeof(DDPIXELFORMAT) == 32);

constexpr DWORD kSurfaceDescSize = 108;
constexpr DWORD kSurfaceDesc2Size = 124;

struct DDSURFACEDESC {
  DWORD dwSize = 0;
  DWORD dwFlags = 0;
  DWORD dwHeight = 0;
  DWORD dwWidth = 0;
  LONG lPitch = 0;
  DWORD dwBackBufferCount = 0;
  DWORD dwRefreshRate = 0;
  DWORD dwAlphaBitDepth = 0;
  DWORD dwReserved = 0;
  void* lpSurface = nullptr;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS ddsCaps;
};

struct DDSURFACEDESC2 {
  DWORD dwSize = 0;
  DWORD dwFlags = 0;
  DWORD dwHeight = 0;
  DWORD dwWidth = 0;
  LONG lPitch = 0;
  DWORD dwBackBufferCount = 0;
  DWORD dwRefreshRate = 0;
  DWORD dwAlphaBitDepth = 0;
  DWORD dwReserved = 0;
  void* lpSurface = nullptr;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS2 ddsCaps;
  DWORD dwTextureStage = 0;
};

// Capabilities, 380 bytes.
struct DDCAPS_DX6 {
  DWORD dwSize = 0, dwCaps = 0, dwCaps2 = 0, dwCKeyCaps = 0, dwFXCaps = 0, dwFXAlphaCaps = 0,
        dwPalCaps = 0, dwSVCaps = 0;
  DWORD dwAlphaBltConstBitDepths = 0, dwAlphaBltPixelBitDepths = 0, dwAlphaBltSurfaceBitDepths = 0;
  DWORD dwAlphaOverlayConstBitDepths = 0, dwAlphaOverlayPixelBitDepths = 0,
        dwAlphaOverlaySurfaceBitDepths = 0;
  DWORD dwZBufferBitDepths = 0, dwVidMemTotal = 0, dwVidMemFree = 0, dwMaxVisibleOverlays = 0,
        dwCurrVisibleOverlays = 0, dwNumFourCCCodes = 0;
  DWORD dwAlignBoundarySrc = 0, dwAlignSizeSrc = 0, dwAlignBoundaryDest = 0, dwAlignSizeDest = 0,
        dwAlignStrideAlign = 0;
  DWORD dwRops[8] = {};
  DDSCAPS ddsOldCaps;
  DWORD dwMinOverlayStretch = 0, dwMaxOverlayStretch = 0, dwMinLiveVideoStretch = 0,
        dwMaxLiveVideoStretch = 0, dwMinHwCodecStretch = 0, dwMaxHwCodecStretch = 0,
        dwReserved1 = 0, dwReserved2 = 0, dwReserved3 = 0;
  DWORD dwSVBCaps = 0, dwSVBCKeyCaps = 0, dwSVBFXCaps = 0, dwSVBRops[8] = {};
  DWORD dwVSBCaps = 0, dwVSBCKeyCaps = 0, dwVSBFXCaps = 0, dwVSBRops[8] = {};
  DWORD dwSSBCaps = 0, dwSSBCKeyCaps = 0, dwSSBFXCaps = 0, dwSSBRops[8] = {};
  DWORD dwMaxVideoPorts = 0, dwCurrVideoPorts = 0, dwSVBCaps2 = 0, dwNLVBCaps = 0, dwNLVBCaps2 = 0,
        dwNLVBCKeyCaps = 0, dwNLVBFXCaps = 0, dwNLVBRops[8] = {};
  DDSCAPS2 ddsCaps;
};
static_assert(sizeof(DDCAPS_DX6) == 380);

// Blit effects, 100 bytes.
struct DDBLTFX {
  DWORD dwSize = 0, dwDDFX = 0, dwROP = 0, dwDDROP = 0, dwRotationAngle = 0, dwZBufferOpCode = 0,
        dwZBufferLow = 0, dwZBufferHigh = 0, dwZBufferBaseDest = 0, dwZDestConstBitDepth = 0,
        dwZDestConst = 0, dwZSrcConstBitDepth = 0, dwZSrcConst = 0, dwAlphaEdgeBlendBitDepth = 0,
        dwAlphaEdgeBlend = 0, dwReserved = 0, dwAlphaDestConstBitDepth = 0, dwAlphaDestConst = 0,
        dwAlphaSrcConstBitDepth = 0, dwAlphaSrcConst = 0, dwFillColor = 0;
  DDCOLORKEY ddckDestColorkey;
  DDCOLORKEY ddckSrcColorkey;
};
static_assert(sizeof(DDBLTFX) == 100);

// A clip list: a 32-byte header, then nCount rectangles.
struct RGNDATAHEADER {
  DWORD dwSize = 32;
  DWORD iType = 1;  // RDH_RECTANGLES
  DWORD nCount = 0;
  DWORD nRgnSize = 0;
  RECT rcBound;
};
static_assert(sizeof(RGNDATAHEADER) == 32);
struct RGNDATA {
  RGNDATAHEADER rdh;
  char Buffer[1];
};
constexpr DWORD RDH_RECTANGLES = 1;

// Surface description flags.
constexpr DWORD DDSD_CAPS = 0x00000001;
constexpr DWORD DDSD_HEIGHT = 0x00000002;
constexpr DWORD DDSD_WIDTH = 0x00000004;
constexpr DWORD DDSD_PITCH = 0x00000008;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x00000020;
constexpr DWORD DDSD_LPSURFACE = 0x00000800;
constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;
constexpr DWORD DDSD_CKSRCBLT = 0x00010000;
constexpr DWORD DDSD_REFRESHRATE = 0x00040000;

// Surface capabilities.
constexpr DWORD DDSCAPS_BACKBUFFER = 0x00000004;
constexpr DWORD DDSCAPS_COMPLEX = 0x00000008;
constexpr DWORD DDSCAPS_FLIP = 0x00000010;
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x00000020;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
constexpr DWORD DDSCAPS_PALETTE = 0x00000100;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;
constexpr DWORD DDSCAPS_TEXTURE = 0x00001000;
constexpr DWORD DDSCAPS_3DDEVICE = 0x00002000;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x00004000;
constexpr DWORD DDSCAPS_VISIBLE = 0x00008000;
constexpr DWORD DDSCAPS_LOCALVIDMEM = 0x10000000;

// Pixel format flags.
constexpr DWORD DDPF_PALETTEINDEXED8 = 0x00000020;
constexpr DWORD DDPF_RGB = 0x00000040;

// Colour key kinds.
constexpr DWORD DDCKEY_COLORSPACE = 0x00000001;
constexpr DWORD DDCKEY_DESTBLT = 0x00000002;
constexpr DWORD DDCKEY_DESTOVERLAY = 0x00000004;
constexpr DWORD DDCKEY_SRCBLT = 0x00000008;
constexpr DWORD DDCKEY_SRCOVERLAY = 0x00000010;

// Blt flags and effects.
constexpr DWORD DDBLT_ASYNC = 0x00000200;
constexpr DWORD DDBLT_COLORFILL = 0x00000400;
constexpr DWORD DDBLT_DDFX = 0x00000800;
constexpr DWORD DDBLT_KEYDEST = 0x00002000;
constexpr DWORD DDBLT_KEYSRC = 0x00008000;
constexpr DWORD DDBLT_KEYSRCOVERRIDE = 0x00010000;
constexpr DWORD DDBLT_ROP = 0x00020000;
constexpr DWORD DDBLT_WAIT = 0x01000000;
constexpr DWORD DDBLTFX_MIRRORLEFTRIGHT = 0x00000002;
constexpr DWORD DDBLTFX_MIRRORUPDOWN = 0x00000004;

// BltFast flags.
constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x00000000;
constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x00000001;
constexpr DWORD DDBLTFAST_DESTCOLORKEY = 0x00000002;
constexpr DWORD DDBLTFAST_WAIT = 0x00000010;

constexpr DWORD DDLOCK_WAIT = 0x00000001;
constexpr DWORD DDLOCK_READONLY = 0x00000010;
constexpr DWORD DDLOCK_WRITEONLY = 0x00000020;

constexpr DWORD DDFLIP_WAIT = 0x00000001;
constexpr DWORD DDWAITVB_BLOCKBEGIN = 0x00000001;

// Cooperative levels.
constexpr DWORD DDSCL_FULLSCREEN = 0x00000001;
constexpr DWORD DDSCL_ALLOWREBOOT = 0x00000002;
constexpr DWORD DDSCL_NOWINDOWCHANGES = 0x00000004;
constexpr DWORD DDSCL_NORMAL = 0x00000008;
constexpr DWORD DDSCL_EXCLUSIVE = 0x00000010;
constexpr DWORD DDSCL_ALLOWMODEX = 0x00000040;
constexpr DWORD DDSCL_MULTITHREADED = 0x00000400;
constexpr DWORD DDSCL_FPUPRESERVE = 0x00001000;

// Palette capabilities.
constexpr DWORD DDPCAPS_4BIT = 0x00000001;
constexpr DWORD DDPCAPS_8BIT = 0x00000004;
constexpr DWORD DDPCAPS_INITIALIZE = 0x00000008;
constexpr DWORD DDPCAPS_PRIMARYSURFACE = 0x00000010;
constexpr DWORD DDPCAPS_ALLOW256 = 0x00000040;

// Driver capabilities.
constexpr DWORD DDCAPS_BLT = 0x00000040;
constexpr DWORD DDCAPS_BLTSTRETCH = 0x00000200;
constexpr DWORD DDCAPS_PALETTE = 0x00008000;
constexpr DWORD DDCAPS_COLORKEY = 0x00400000;
constexpr DWORD DDCAPS_BLTCOLORFILL = 0x04000000;
constexpr DWORD DDCAPS2_PRIMARYGAMMA = 0x00020000;
constexpr DWORD DDCKEYCAPS_SRCBLT = 0x00000200;
constexpr DWORD DDFXCAPS_BLTMIRRORLEFTRIGHT = 0x00000010;
constexpr DWORD DDFXCAPS_BLTMIRRORUPDOWN = 0x00000020;

constexpr HRESULT DDENUMRET_CANCEL = 0;
constexpr HRESULT DDENUMRET_OK = 1;

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IDirectDrawClipper : IUnknown {
  // Blits into a surface with this clipper land only in the window's client area.
  virtual HRESULT SetHWnd(DWORD flags, HWND window) = 0;
  virtual HRESULT GetHWnd(HWND* window) = 0;
  // Blits land only in the rectangles of the list (copied); nullptr removes the list.
  virtual HRESULT SetClipList(const RGNDATA* clipList, DWORD flags) = 0;
  // With clipList nullptr answers the needed size in *size.
  virtual HRESULT GetClipList(const RECT* clip, RGNDATA* clipList, DWORD* size) = 0;

 protected:
  ~IDirectDrawClipper() = default;
};

struct IDirectDrawPalette : IUnknown {
  virtual HRESULT GetCaps(DWORD* caps) = 0;
  virtual HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, PALETTEENTRY* entries) = 0;
  virtual HRESULT SetEntries(DWORD flags, DWORD start, DWORD count,
                             const PALETTEENTRY* entries) = 0;

 protected:
  ~IDirectDrawPalette() = default;
};

struct IDirectDrawSurface : IUnknown {
  // Copies srcRect of src (nullptr: all of it) into destRect (nullptr: all of this surface),
  // stretching when the sizes differ; DDBLT_COLORFILL fills with fx->dwFillColor instead.
  // Without a clipper both rectangles must lie inside their surfaces; with one, the copy is
  // cut to the clip area.
  virtual HRESULT Blt(const RECT* destRect, IDirectDrawSurface* src, const RECT* srcRect,
                      DWORD flags, const DDBLTFX* fx) = 0;
  // An unstretched copy to (x, y) that must lie inside this surface; DDERR_BLTFASTCANTCLIP when
  // a clipper is attached.
  virtual HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface* src, const RECT* srcRect,
                          DWORD flags) = 0;
  virtual HRESULT Flip(IDirectDrawSurface* target, DWORD flags) = 0;
  virtual HRESULT GetAttachedSurface(const DDSCAPS* caps, IDirectDrawSurface** surface) = 0;
  virtual HRESULT GetCaps(DDSCAPS* caps) = 0;
  virtual HRESULT GetClipper(
      IDirectDrawClipper** clipper) = 0;  // DDERR_NOCLIPPERATTACHED when none
  virtual HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
  // A device context drawing into the surface; until ReleaseDC the surface refuses blits,
  // locks and a second device context.
  virtual HRESULT GetDC(HDC* dc) = 0;
  virtual HRESULT ReleaseDC(HDC dc) = 0;
  virtual HRESULT GetPalette(IDirectDrawPalette** palette) = 0;
  virtual HRESULT GetPixelFormat(DDPIXELFORMAT* format) = 0;
  virtual HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) = 0;
  virtual HRESULT IsLost() = 0;
  // lpSurface and lPitch of the whole surface or of rect; one lock at a time.
  virtual HRESULT Lock(const RECT* rect, DDSURFACEDESC* desc, DWORD flags, HANDLE event) = 0;
  virtual HRESULT Unlock(void* surfaceData) = 0;
  // A lost surface gets its memory back; its pixels are not kept.
  virtual HRESULT Restore() = 0;
  virtual HRESULT SetClipper(IDirectDrawClipper* clipper) = 0;
  virtual HRESULT SetColorKey(DWORD flags, const DDCOLORKEY* key) = 0;  // key nullptr removes it
  virtual HRESULT SetPalette(IDirectDrawPalette* palette) = 0;

 protected:
  ~IDirectDrawSurface() = default;
};

struct IDirectDrawSurface4 : IDirectDrawSurface {
  using IDirectDrawSurface::GetAttachedSurface;
  using IDirectDrawSurface::GetSurfaceDesc;
  using IDirectDrawSurface::Lock;
  virtual HRESULT GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface4** surface) = 0;
  virtual HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) = 0;
  virtual HRESULT Lock(const RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event) = 0;

 protected:
  ~IDirectDrawSurface4() = default;
};

struct IDirectDrawSurface7 : IDirectDrawSurface4 {
  using IDirectDrawSurface4::GetAttachedSurface;
  virtual HRESULT GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface7** surface) = 0;

 protected:
  ~IDirectDrawSurface7() = default;
};

using LPDDENUMMODESCALLBACK = HRESULT (*)(DDSURFACEDESC* mode, void* context);
using LPDDENUMMODESCALLBACK2 = HRESULT (*)(DDSURFACEDESC2* mode, void* context);

struct IDirectDraw : IUnknown {
  virtual HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, IUnknown* outer) = 0;
  // 256 entries with DDPCAPS_8BIT (16 with DDPCAPS_4BIT).
  virtual HRESULT CreatePalette(DWORD caps, const PALETTEENTRY* entries,
                                IDirectDrawPalette** palette, IUnknown* outer) = 0;
  virtual HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface,
                                IUnknown* outer) = 0;
  // A second surface on the same pixels.
  virtual HRESULT DuplicateSurface(IDirectDrawSurface* surface, IDirectDrawSurface** duplicate) = 0;
  virtual HRESULT EnumDisplayModes(DWORD flags, DDSURFACEDESC* filter, void* context,
                                   LPDDENUMMODESCALLBACK callback) = 0;
  virtual HRESULT FlipToGDISurface() = 0;
  virtual HRESULT GetCaps(DDCAPS_DX6* driverCaps, DDCAPS_DX6* helCaps) = 0;
  virtual HRESULT GetDisplayMode(DDSURFACEDESC* desc) = 0;
  virtual HRESULT RestoreDisplayMode() = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitCount) = 0;
  virtual HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;

 protected:
  ~IDirectDraw() = default;
};

struct IDirectDraw4 : IDirectDraw {
  using IDirectDraw::CreateSurface;
  using IDirectDraw::EnumDisplayModes;
  using IDirectDraw::GetDisplayMode;
  using IDirectDraw::SetDisplayMode;
  virtual HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface4** surface,
                                IUnknown* outer) = 0;
  virtual HRESULT EnumDisplayModes(DWORD flags, DDSURFACEDESC2* filter, void* context,
                                   LPDDENUMMODESCALLBACK2 callback) = 0;
  virtual HRESULT GetDisplayMode(DDSURFACEDESC2* desc) = 0;
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitCount, DWORD refreshRate,
                                 DWORD flags) = 0;
  virtual HRESULT GetAvailableVidMem(const DDSCAPS2* caps, DWORD* total, DWORD* free) = 0;

 protected:
  ~IDirectDraw4() = default;
};

struct IDirectDraw7 : IDirectDraw4 {
  using IDirectDraw4::CreateSurface;
  virtual HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface,
                                IUnknown* outer) = 0;

 protected:
  ~IDirectDraw7() = default;
};

// The entry points of "DDraw.dll".
using LPDDENUMCALLBACKW = BOOL (*)(GUID* guid, const wchar_t* description, const wchar_t* name,
                                   void* context);
extern "C" {
HRESULT DirectDrawCreate(const GUID* guid, IDirectDraw** object, IUnknown* outer);
HRESULT DirectDrawCreateEx(const GUID* guid, void** object, REFIID iid, IUnknown* outer);
HRESULT DirectDrawEnumerateW(LPDDENUMCALLBACKW callback, void* context);
}
using DirectDrawCreateProc = decltype(&DirectDrawCreate);
using DirectDrawCreateExProc = decltype(&DirectDrawCreateEx);
using DirectDrawEnumerateWProc = decltype(&DirectDrawEnumerateW);

// Holds one reference to an interface.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference the caller already holds.
  static ComPtr Attach(T* p) {
    ComPtr c;
    c.FPtr = p;
    return c;
  }
  // Adds a reference of its own.
  explicit ComPtr(T* p) : FPtr(p) {
    if (FPtr) FPtr->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.FPtr) {}
  ComPtr(ComPtr&& o) noexcept : FPtr(std::exchange(o.FPtr, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(FPtr, o.FPtr);
    return *this;
  }
  ~ComPtr() { Reset(); }

  void Reset() {
    if (T* p = std::exchange(FPtr, nullptr)) p->Release();
  }
  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  // The place for an interface handed out by a call; what was held is let go first.
  T** Put() {
    Reset();
    return &FPtr;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.FPtr == b.FPtr; }

 private:
  T* FPtr = nullptr;
};
