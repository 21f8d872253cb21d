// The DirectDraw object of the display: it makes the drawing service's object through
// "DDraw.dll", keeps its interfaces and capabilities, and owns every surface, palette and
// clipper made on it. Also the display's wrapper exceptions and their messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/directx.h"
#include "platform/ddraw/ddraw.h"

DECLARE_EXCEPTION(EDirectDrawError, EDirectXError);
DECLARE_EXCEPTION(EDirectDrawSurfaceError, EDirectDrawError);
DECLARE_EXCEPTION(EDirectDrawPaletteError, EDirectDrawError);
DECLARE_EXCEPTION(EDirectDrawClipperError, EDirectDrawError);

inline constexpr const char* SCannotMade = "%s cannot be made";
inline constexpr const char* SCannotInitialized = "%s cannot be initialized";
inline constexpr const char* SCannotLock = "%s cannot be locked";
inline constexpr const char* SNotMade = "%s not made";
inline constexpr const char* SDirectDraw6Required = "Requires DirectX 6.0 or later";
inline constexpr const char* SDirectDraw7Required = "Requires DirectX 7.0 or later";
inline constexpr const char* SDirectDraw = "DirectDraw";
inline constexpr const char* SDDrawLibrary = "DDraw.dll";

class TDirectDrawSurface;
class TDirectDrawPalette;
class TDirectDrawClipper;
class TDIB;
class TStream;

class TDirectDraw : public TDirectX {
  DECLARE_CLASSINFO(TDirectDraw);

  // In DirectX 7 mode (CreateEx(GUID, true)); GUID nullptr is the primary display driver.
  explicit TDirectDraw(PGUID GUID);
  // EDirectDrawError "%s cannot be initialized" (DirectDraw) when the object cannot be made,
  // "Requires DirectX 6.0 or later" / "... 7.0 ..." when it lacks an interface; the loader's
  // "%s is not loaded" when "DDraw.dll" cannot be loaded.
  TDirectDraw(PGUID GUID, bool DirectX7Mode);
  // Destroys the surfaces, then the palettes, then the clippers, always the last one first.
  ~TDirectDraw() override;

  IDirectDraw* IDDraw() const { return FIDDraw.Get(); }
  IDirectDraw4* IDDraw4() const { return FIDDraw4.Get(); }
  IDirectDraw7* IDDraw7() const { return FIDDraw7.Get(); }
  // The same, raising EDirectDrawError "%s not made" when missing.
  IDirectDraw* IDraw() const;
  IDirectDraw4* IDraw4() const;
  IDirectDraw7* IDraw7() const;

  // The current display mode; all zero when the platform cannot tell.
  DDSURFACEDESC DisplayMode();
  const DDCAPS_DX6& DriverCaps() const { return FDriverCaps; }
  const DDCAPS_DX6& HELCaps() const { return FHELCaps; }

  TDirectDrawSurface* Surfaces(int Index) const {
    return FSurfaces.at(static_cast<std::size_t>(Index));
  }
  int SurfaceCount() const { return static_cast<int>(FSurfaces.size()); }
  TDirectDrawPalette* Palettes(int Index) const {
    return FPalettes.at(static_cast<std::size_t>(Index));
  }
  int PaletteCount() const { return static_cast<int>(FPalettes.size()); }
  TDirectDrawClipper* Clippers(int Index) const {
    return FClippers.at(static_cast<std::size_t>(Index));
  }
  int ClipperCount() const { return static_cast<int>(FClippers.size()); }

 private:
  friend class TDirectDrawSurface;
  friend class TDirectDrawPalette;
  friend class TDirectDrawClipper;

  ComPtr<IDirectDraw> FIDDraw;
  ComPtr<IDirectDraw4> FIDDraw4;
  ComPtr<IDirectDraw7> FIDDraw7;
  DDCAPS_DX6 FDriverCaps;
  DDCAPS_DX6 FHELCaps;
  std::vector<TDirectDrawClipper*> FClippers;
  std::vector<TDirectDrawPalette*> FPalettes;
  std::vector<TDirectDrawSurface*> FSurfaces;
};

// A clipper made on a DirectDraw object; it joins the object's clipper list.
class TDirectDrawClipper : public TDirectX {
  DECLARE_CLASSINFO(TDirectDrawClipper);

  // EDirectDrawClipperError "%s cannot be made" (Clipper) when the platform refuses.
  explicit TDirectDrawClipper(TDirectDraw* ADirectDraw);
  ~TDirectDrawClipper() override;

  // Blits through this clipper land only in the rectangles.
  void SetClipRects(const std::vector<TRect>& Rects);
  // Blits through this clipper land only in the window's client area.
  void BindWindow(HWND Handle);
  TDirectDraw* DDraw() const { return FDDraw; }
  IDirectDrawClipper* IDDClipper() const { return FIDDClipper.Get(); }
  IDirectDrawClipper* IClipper() const;

 private:
  TDirectDraw* FDDraw;
  ComPtr<IDirectDrawClipper> FIDDClipper;
};

// A palette made on a DirectDraw object; it joins the object's palette list.
class TDirectDrawPalette : public TDirectX {
  DECLARE_CLASSINFO(TDirectDrawPalette);

  explicit TDirectDrawPalette(TDirectDraw* ADirectDraw);
  ~TDirectDrawPalette() override;

  // A new platform palette of 256 entries; answers whether the platform made it.
  bool CreatePalette(DWORD Caps, const PALETTEENTRY* Entries);
  bool GetEntries(DWORD StartIndex, DWORD NumEntries, PALETTEENTRY* Entries);
  bool SetEntries(DWORD StartIndex, DWORD NumEntries, const PALETTEENTRY* Entries);
  PALETTEENTRY GetEntry(int Index);
  void SetEntry(int Index, PALETTEENTRY Value);
  PALETTEENTRY Entries(int Index) { return GetEntry(Index); }
  // A new 256-entry palette from a picture's colour table.
  void LoadFromDIB(TDIB* DIB);
  // Read a picture and, when it has a size, take its colours.
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream& Stream);
  TDirectDraw* DDraw() const { return FDDraw; }
  IDirectDrawPalette* IDDPalette() const { return FIDDPalette.Get(); }
  void SetIDDPalette(IDirectDrawPalette* Value) { FIDDPalette = ComPtr<IDirectDrawPalette>(Value); }
  IDirectDrawPalette* IPalette() const;

 private:
  TDirectDraw* FDDraw;
  ComPtr<IDirectDrawPalette> FIDDPalette;
};
