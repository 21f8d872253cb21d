// A drawing surface of the display: one rectangle of pixels made on a TDirectDraw, with its
// fill, clipped and colour-keyed copies, colour matching, locks, pixel access, attachments and
// the canvas through which text and pictures are written onto it.
//
// Platform calls never raise: their result lands in DXResult and a failed copy or fill only
// leaves its picture missing. The per-frame calls (Fill, Draw, Width, Height and the canvas's
// drawing) allocate nothing once the surface has been drawn on.
#pragma once

#include <cstdint>

#include "display/directdraw.h"
#include "toolkit/graphics.h"
#include "toolkit/graphics_picture.h"

class TDIB;
class TStream;
class TDirectDrawSurfaceCanvas;

class TDirectDrawSurface : public TDirectX {
  DECLARE_CLASSINFO(TDirectDrawSurface);

  // An empty surface at the end of ADirectDraw's surface list.
  explicit TDirectDrawSurface(TDirectDraw* ADirectDraw);
  ~TDirectDrawSurface() override;

  // nullptr empties; a toolkit graphic or picture is loaded; another surface is duplicated
  // (sharing its pixels).
  void Assign(const TPersistent* Source) override;

  IDirectDrawSurface* IDDSurface() const { return FIDDSurface.Get(); }
  IDirectDrawSurface4* IDDSurface4() const { return FIDDSurface4.Get(); }
  IDirectDrawSurface7* IDDSurface7() const { return FIDDSurface7.Get(); }
  // Takes a platform surface (nullptr empties); the one already held changes nothing.
  void SetIDDSurface(IDirectDrawSurface* Value);
  void SetIDDSurface4(IDirectDrawSurface4* Value);
  void SetIDDSurface7(IDirectDrawSurface7* Value);
  // The same, raising EDirectDrawSurfaceError "%s not made" when missing.
  IDirectDrawSurface* ISurface() const;
  IDirectDrawSurface4* ISurface4() const;
  IDirectDrawSurface7* ISurface7() const;

  // A new platform surface from the description; the colour key becomes device value 0.
  bool CreateSurface(DDSURFACEDESC& SurfaceDesc);
  bool CreateSurface(DDSURFACEDESC2& SurfaceDesc);
  // A new off-screen surface in video memory (system memory when asked or when video memory
  // is full); a size of 0 or less empties the surface. EDirectDrawSurfaceError "%s cannot be
  // made" (Surface) when neither memory takes it.
  void SetSize(std::int32_t AWidth, std::int32_t AHeight);

  std::int32_t Width() const { return static_cast<std::int32_t>(FSurfaceDesc.dwWidth); }
  std::int32_t Height() const { return static_cast<std::int32_t>(FSurfaceDesc.dwHeight); }
  std::int32_t BitCount() const {
    return static_cast<std::int32_t>(FSurfaceDesc.ddpfPixelFormat.dwRGBBitCount);
  }
  TRect ClientRect() const { return Rect(0, 0, Width(), Height()); }
  const DDSURFACEDESC& SurfaceDesc() const { return FSurfaceDesc; }
  bool SystemMemory() const { return FSystemMemory; }
  void SetSystemMemory(bool Value) { FSystemMemory = Value; }

  // The device value that transparent copies from this surface skip.
  void SetTransparentColor(std::uint32_t Value);
  void SetColorKey(DWORD Flags, const DDCOLORKEY& Value);
  // The device value of a colour in this surface's format; pixel (0, 0) is left as it was.
  std::uint32_t ColorMatch(TColor Col);

  // Device values, written unchanged.
  void Fill(std::uint32_t DevColor);
  void FillRect(const TRect& Rect, std::uint32_t DevColor);
  // SrcRect of Source with its top-left corner at (X, Y), cut at both surfaces' edges; a
  // source rectangle with Right < Left or Bottom < Top is copied mirrored.
  void Draw(std::int32_t X, std::int32_t Y, const TRect& SrcRect, TDirectDrawSurface* Source,
            bool Transparent);
  void Draw(std::int32_t X, std::int32_t Y, TDirectDrawSurface* Source, bool Transparent);
  // The platform's blits as they are; False without a call on an empty surface.
  bool Blt(const TRect& DestRect, const TRect& SrcRect, DWORD Flags, const DDBLTFX& DF,
           TDirectDrawSurface* Source);
  bool BltFast(std::int32_t X, std::int32_t Y, const TRect& SrcRect, DWORD Flags,
               TDirectDrawSurface* Source);

  void LoadFromGraphic(TGraphic* Graphic);
  // The surface sized AWidth x AHeight (0: SrcRect's), holding SrcRect of the graphic.
  void LoadFromGraphicRect(TGraphic* Graphic, std::int32_t AWidth, std::int32_t AHeight,
                           const TRect& SrcRect);
  void LoadFromDIB(TDIB* DIB);
  void LoadFromDIBRect(TDIB* DIB, std::int32_t AWidth, std::int32_t AHeight, const TRect& SrcRect);
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream& Stream);

  // Opens a lock only when none is open; with Rect the description points at its corner.
  bool Lock(const TRect& Rect, DDSURFACEDESC& SurfaceDesc);
  // Opens a lock or nests in the open one.
  bool Lock(DDSURFACEDESC& SurfaceDesc);
  bool Lock();
  // Closes one level; the platform lock ends with the last.
  void UnLock();
  bool IsLocked() const { return FIsLocked; }

  // Device values by bit count; 0 and nothing outside the surface. (X, Y) counts from the
  // surface's own corner, also while a lock of a part of it is open; the access nests in that
  // lock and leaves it as it was.
  std::uint32_t GetPixel(std::int32_t X, std::int32_t Y);
  void SetPixel(std::int32_t X, std::int32_t Y, std::uint32_t Value);
  std::uint32_t Pixels(std::int32_t X, std::int32_t Y) { return GetPixel(X, Y); }

  // Memory back after a loss (not the pixels); False on an empty surface.
  bool Restore();

  void SetClipper(TDirectDrawClipper* Value);
  void SetPalette(TDirectDrawPalette* Value);

  // Made on first use, the same object until the surface is destroyed.
  TDirectDrawSurfaceCanvas* Canvas();
  TDirectDraw* DDraw() const { return FDDraw; }

 protected:
  // A TDIB gets this surface's size at 24 bits (the surface's bit count from 24 up) and its
  // pixels.
  void AssignTo(TPersistent* Dest) const override;

 private:
  friend class TDirectDrawSurfaceCanvas;

  void Empty();
  bool LockRect(const TRect* Rect, DDSURFACEDESC& SurfaceDesc);
  // Pixel (0, 0) in the memory of the open lock described by Desc.
  std::uint8_t* LockedOrigin(const DDSURFACEDESC& Desc) const;
  // Makes the copy with Blt, as when a clipper is attached.
  // An unmirrored copy of rectangles already cut to both surfaces: BltFast, or Blt where a
  // clipper is attached.
  void CopyCut(const TRect& dest, const TRect& src, TDirectDrawSurface* Source, bool Transparent);
  void BltClipped(const TRect& DestRect, const TRect& SrcRect, TDirectDrawSurface* Source,
                  bool Transparent);

  TDirectDrawSurfaceCanvas* FCanvas = nullptr;
  bool FHasClipper = false;
  TDirectDraw* FDDraw;
  ComPtr<IDirectDrawSurface> FIDDSurface;
  ComPtr<IDirectDrawSurface4> FIDDSurface4;
  ComPtr<IDirectDrawSurface7> FIDDSurface7;
  bool FSystemMemory = false;
  ComPtr<IDirectDrawClipper> FStretchDrawClipper;
  DDSURFACEDESC FSurfaceDesc;
  ComPtr<IUnknown> FGammaControl;
  DDSURFACEDESC FLockSurfaceDesc;
  // The corner of the rectangle the open lock was taken on, where FLockSurfaceDesc points.
  std::int32_t FLockLeft = 0;
  std::int32_t FLockTop = 0;
  std::int32_t FLockCount = 0;
  bool FIsLocked = false;
  TOwnedPtr<TDIB> DIB_COLMATCH;
};

// The toolkit canvas on a surface: it fetches the surface's device context when a drawing call
// needs one and gives it back on Release.
class TDirectDrawSurfaceCanvas : public TCanvas {
  DECLARE_CLASSINFO(TDirectDrawSurfaceCanvas);

  explicit TDirectDrawSurfaceCanvas(TDirectDrawSurface* ASurface);
  // Releases first, then clears the surface's canvas.
  ~TDirectDrawSurfaceCanvas() override;

  // Ends the drawing: the device context goes back to the surface. Harmless when none is held.
  void Release();

 protected:
  // EDirectDrawSurfaceError "%s not made" on an empty surface; no handle when the surface
  // refuses its context (lost or busy), and the toolkit canvas then raises.
  void CreateHandle() override;

 private:
  HDC FDC = nullptr;
  TDirectDrawSurface* FSurface;
};
