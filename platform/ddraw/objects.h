// The objects behind the drawing service's interfaces, and the service's shared state.
#pragma once

#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/ddraw/blit.h"
#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/service.h"

namespace ddraw {

class Surface;

class Palette final : public IDirectDrawPalette {
 public:
  Palette(DWORD caps, const PALETTEENTRY* entries, int count);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return ++FRefs; }
  ULONG Release() override;
  HRESULT GetCaps(DWORD* caps) override;
  HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, PALETTEENTRY* entries) override;
  HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, const PALETTEENTRY* entries) override;

  const gdi::Rgb* Colors() const { return FColors.data(); }
  int Count() const { return FCount; }
  const PALETTEENTRY* Entries() const { return FEntries.data(); }

 private:
  ~Palette() = default;
  ULONG FRefs = 1;
  DWORD FCaps;
  int FCount;
  std::array<PALETTEENTRY, 256> FEntries{};
  std::array<gdi::Rgb, 256> FColors{};
};

class Clipper final : public IDirectDrawClipper {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return ++FRefs; }
  ULONG Release() override;
  HRESULT SetHWnd(DWORD flags, HWND window) override;
  HRESULT GetHWnd(HWND* window) override;
  HRESULT SetClipList(const RGNDATA* clipList, DWORD flags) override;
  HRESULT GetClipList(const RECT* clip, RGNDATA* clipList, DWORD* size) override;

  // The rectangles a blit into a surface of this size may write, cut to the surface.
  void Area(int width, int height, std::vector<RECT>& out) const;
  HWND Window() const { return FWindow; }

 private:
  ~Clipper() = default;
  ULONG FRefs = 1;
  HWND FWindow = 0;
  bool FHasList = false;
  std::vector<RECT> FList;
};

struct Memory;
// Fetches back from the desktop the part of the screen noted in `screen.shown`; see Memory.
void FetchFromDesktop(Memory& screen);

// Pixels of one surface, shared by its duplicates.
//
// A colour fill of the whole surface is only noted, and done when the pixels are next needed:
// a frame that is cleared and then covered by an opaque copy of a whole picture (as every
// frame of the game is) then never pays for the clearing.
struct Memory {
  // From calloc: a large block comes as fresh zero pages, so the parts of a big surface that
  // nothing draws (the screen outside the windows) cost no memory.
  struct Free {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t, Free> pixels;
  gdi::PixelBlock block;
  std::size_t bytes = 0;
  bool video = false;
  bool lost = false;
  bool fillPending = false;
  std::uint32_t fillValue = 0;
  // The screen in window mode: a rectangle that a plain copy sent from its source straight to
  // the window showing it, without writing it here (SendStraightToDesktop). The window holds
  // those pixels, and they are fetched back from it when the memory is next read or written;
  // so a frame is copied once on its way to the desktop, not twice. Always newer than a fill.
  struct Shown {
    bool pending = false;
    RECT rect{};      // on the screen
    HWND window = 0;  // the top-level window showing it
    POINT client{};   // the screen position of the window's client area when it was shown
  } shown;
  // Does the noted fill and fetches back what only the desktop holds, if anything; every
  // reader and writer of the pixels calls it first.
  void Settle() {
    if (fillPending) {
      fillPending = false;
      FillBlock(block, RECT{0, 0, block.width, block.height}, fillValue);
    }
    if (shown.pending) FetchFromDesktop(*this);
  }
  // The whole surface is about to be written over: nothing noted is needed any more.
  void Forget() {
    fillPending = false;
    shown.pending = false;
  }
  ~Memory();
};

class Surface final : public IDirectDrawSurface7 {
 public:
  Surface(std::shared_ptr<Memory> memory, DWORD caps);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return ++FRefs; }
  ULONG Release() override;

  HRESULT Blt(const RECT* destRect, IDirectDrawSurface* src, const RECT* srcRect, DWORD flags,
              const DDBLTFX* fx) override;
  HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface* src, const RECT* srcRect,
                  DWORD flags) override;
  HRESULT Flip(IDirectDrawSurface* target, DWORD flags) override;
  HRESULT GetAttachedSurface(const DDSCAPS* caps, IDirectDrawSurface** surface) override;
  HRESULT GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface4** surface) override;
  HRESULT GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface7** surface) override;
  HRESULT GetCaps(DDSCAPS* caps) override;
  HRESULT GetClipper(IDirectDrawClipper** clipper) override;
  HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) override;
  HRESULT GetDC(HDC* dc) override;
  HRESULT ReleaseDC(HDC dc) override;
  HRESULT GetPalette(IDirectDrawPalette** palette) override;
  HRESULT GetPixelFormat(DDPIXELFORMAT* format) override;
  HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) override;
  HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) override;
  HRESULT IsLost() override;
  HRESULT Lock(const RECT* rect, DDSURFACEDESC* desc, DWORD flags, HANDLE event) override;
  HRESULT Lock(const RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event) override;
  HRESULT Unlock(void* surfaceData) override;
  HRESULT Restore() override;
  HRESULT SetClipper(IDirectDrawClipper* clipper) override;
  HRESULT SetColorKey(DWORD flags, const DDCOLORKEY* key) override;
  HRESULT SetPalette(IDirectDrawPalette* palette) override;

  // Service side.
  const std::shared_ptr<Memory>& Pixels() const { return FMemory; }
  DWORD Caps() const { return FCaps; }
  void AttachBackBuffer(Surface* back);
  void MarkLost() { FMemory->lost = true; }
  const DDCOLORKEY* SourceKeyValue() const { return FHasSourceKey ? &FSourceKey : nullptr; }
  // The colours an 8-bit surface shows: its palette's, the screen's, or the system palette.
  const gdi::Rgb* Colors(int& count) const;
  Palette* AttachedPalette() const { return FPalette.Get(); }

 private:
  ~Surface();
  template <class Desc>
  void Describe(Desc& desc) const;
  template <class Desc>
  HRESULT LockInto(const RECT* rect, Desc* desc);
  bool Busy() const { return FLocked || FDCOut; }
  // Tells the presenter that `changed` of the screen is new: from the screen's own pixels, or
  // from `pixels` whose top-left pixel lies at `origin` on the screen.
  void Present(const RECT& changed);
  void Present(const RECT& changed, const gdi::PixelBlock& pixels, POINT origin);

  ULONG FRefs = 1;
  std::shared_ptr<Memory> FMemory;
  DWORD FCaps;
  bool FHasSourceKey = false;
  DDCOLORKEY FSourceKey;
  ComPtr<Clipper> FClipper;
  ComPtr<Palette> FPalette;
  ComPtr<Surface> FBackBuffer;  // the flip chain's back buffer, on its front surface
  bool FLocked = false;
  bool FDCOut = false;
  HDC FDC = nullptr;
};

class DirectDraw final : public IDirectDraw7 {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return ++FRefs; }
  ULONG Release() override;

  HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, IUnknown* outer) override;
  HRESULT CreatePalette(DWORD caps, const PALETTEENTRY* entries, IDirectDrawPalette** palette,
                        IUnknown* outer) override;
  HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface,
                        IUnknown* outer) override;
  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface4** surface,
                        IUnknown* outer) override;
  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface,
                        IUnknown* outer) override;
  HRESULT DuplicateSurface(IDirectDrawSurface* surface, IDirectDrawSurface** duplicate) override;
  HRESULT EnumDisplayModes(DWORD flags, DDSURFACEDESC* filter, void* context,
                           LPDDENUMMODESCALLBACK callback) override;
  HRESULT EnumDisplayModes(DWORD flags, DDSURFACEDESC2* filter, void* context,
                           LPDDENUMMODESCALLBACK2 callback) override;
  HRESULT FlipToGDISurface() override;
  HRESULT GetCaps(DDCAPS_DX6* driverCaps, DDCAPS_DX6* helCaps) override;
  HRESULT GetDisplayMode(DDSURFACEDESC* desc) override;
  HRESULT GetDisplayMode(DDSURFACEDESC2* desc) override;
  HRESULT RestoreDisplayMode() override;
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitCount) override;
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitCount, DWORD refreshRate,
                         DWORD flags) override;
  HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) override;
  HRESULT GetAvailableVidMem(const DDSCAPS2* caps, DWORD* total, DWORD* free) override;

 private:
  ~DirectDraw();
  // Makes a surface from the common part of both description records.
  HRESULT Make(DWORD flags, DWORD width, DWORD height, DWORD backBuffers,
               const DDPIXELFORMAT& format, DWORD caps, const DDCOLORKEY& sourceKey, Surface** out);
  template <class Desc, class Interface>
  HRESULT CreateFrom(Desc* desc, DWORD size, Interface** surface, IUnknown* outer);

  ULONG FRefs = 1;
  bool FExclusive = false;
  bool FChangedMode = false;
};

// The service's shared state: the emulated screen and the machine's knobs.
struct ServiceState {
  DisplayMode desktop;
  DisplayMode mode;
  bool fiveFiveFive = false;
  std::size_t videoTotal = 0, videoUsed = 0;
  Surface* primary = nullptr;
  std::vector<Surface*> surfaces;  // every live surface
  DirectDraw* exclusiveOwner = nullptr;
  HWND exclusiveWindow = 0;
  Presenter presenter;
  bool presentsOnDesktop = false;   // the presenter is PresentOnDesktop
  Memory* keptOnDesktop = nullptr;  // the memory with a part only the desktop holds, if any
  std::size_t frames = 0;
  bool vblankAsked = false;   // WaitForVerticalBlank since the last frame
  HWND fullScreenWindow = 0;  // the top-level window the desktop shows full screen
};

// The exclusive window covers the monitor with the current mode; or is a window again.
void EnterFullScreen(HWND window);
void LeaveFullScreen();
// Window mode: whether a plain copy of `rect` of the screen, for the window the screen's
// clipper names, may go straight from its source to the desktop without being written into
// the screen's memory: the desktop shows the window, the rectangle lies inside the window's
// client area, and the desktop can give it back. If so, the screen's memory notes it, and
// what it noted before is fetched back first unless the new rectangle covers it.
bool SendStraightToDesktop(Memory& screen, HWND window, const RECT& rect);
// Fetches back the part of the screen only the desktop holds, if any: before the desktop is
// changed under it (full screen, another presenter).
void SettleKeptOnDesktop();
ServiceState& Service();

gdi::PixelFormat ModeFormat(int bitCount);
void DescribeFormat(const gdi::PixelFormat& format, DDPIXELFORMAT& out);

}  // namespace ddraw
