// The two ways the display device shows its frames: the window driver (the primary surface is
// the whole screen with a clipper on the device's window, the back buffer an off-screen surface,
// presentation one blit) and the full-screen flip driver (a flip chain with one back buffer).
// Also the conversion of the device's colour table into palette entries.
#pragma once

#include <array>
#include <cstdint>

#include "display/dxdraw.h"

using TPaletteEntries = std::array<PALETTEENTRY, 256>;

// Table's colours as palette entries, all read-only for the 3-D back ends; without
// AllowPalette256 the 20 colours the system reserves (0-9 and 246-255) stay the screen's.
TPaletteEntries BuildPaletteEntries(const TColorTable& Table, bool AllowPalette256);

// Made at each start of the device, freed at each stop: it makes the DirectDraw object on
// construction and frees it, with everything made on it, on destruction.
class TDXDrawDriver : public TObject {
 public:
  explicit TDXDrawDriver(TCustomDXDraw* ADXDraw);
  ~TDXDrawDriver() override;

  // Frees the device's clipper, palette, back buffer and primary surface.
  virtual void ReleaseSurfaces();
  virtual void Present() {}
  virtual void CreateSurfaces() {}
  // A back buffer of a new size while the device runs; False when the driver cannot.
  virtual bool ResizeSurface(std::int32_t AWidth, std::int32_t AHeight);
  // Restores the primary surface, then the back buffer, and clears both; answers whether both
  // restores succeeded.
  bool RestoreSurfaces();

 protected:
  TCustomDXDraw* FDXDraw;
};

class TDXDrawDriverBlt : public TDXDrawDriver {
 public:
  using TDXDrawDriver::TDXDrawDriver;

  // Copies the back buffer into the device control's place on the screen: stretched over the
  // control with doStretch, else centred in it with doCenter, else at its top left.
  void Present() override;
  void CreateSurfaces() override;
  bool ResizeSurface(std::int32_t AWidth, std::int32_t AHeight) override;
  // The rectangle of the screen that Present copies into.
  TRect PresentRect() const;

 private:
  void CreateBackBuffer();
};

class TDXDrawDriverFlip : public TDXDrawDriver {
 public:
  using TDXDrawDriver::TDXDrawDriver;

  // Flips the chain while the device's form is the active one; otherwise shows nothing.
  void Present() override;
  void CreateSurfaces() override;
};
