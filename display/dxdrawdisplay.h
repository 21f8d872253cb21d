// The display mode a full-screen display device asks for, the rules for choosing a substitute
// when that exact mode is missing, the list of modes the display adapter offers, and the
// change of the display mode.
#pragma once

#include <cstdint>

#include "display/directdraw.h"
#include "toolkit/collection.h"

class TCustomDXDraw;

inline constexpr const char* SDisplayBitCount = "Display requires 8, 16, 24 or 32 bits";
inline constexpr const char* SDisplayModeAcquire = "Display mode cannot be acquired";

// One mode the adapter offers, as the platform describes it.
class TDXDrawDisplayMode : public TCollectionItem {
  DECLARE_CLASSINFO(TDXDrawDisplayMode);

  explicit TDXDrawDisplayMode(TCollection* Collection);

  std::int32_t Width() const { return static_cast<std::int32_t>(FSurfaceDesc.dwWidth); }
  std::int32_t Height() const { return static_cast<std::int32_t>(FSurfaceDesc.dwHeight); }
  std::int32_t BitCount() const {
    return static_cast<std::int32_t>(FSurfaceDesc.ddpfPixelFormat.dwRGBBitCount);
  }
  const DDSURFACEDESC& SurfaceDesc() const { return FSurfaceDesc; }

 private:
  friend class TDXDrawDisplay;
  DDSURFACEDESC FSurfaceDesc{};
};

class TDXDrawDisplay : public TPersistent {
  DECLARE_CLASSINFO(TDXDrawDisplay);

  explicit TDXDrawDisplay(TCustomDXDraw* ADXDraw);
  ~TDXDrawDisplay() override;

  // Copies the mode asked for and the three rules from another display (not the list).
  void Assign(const TPersistent* Source) override;

  std::int32_t BitCount() const { return FBitCount; }
  // 8, 16, 24 or 32; anything else raises EDirectDrawError and keeps the old value.
  void SetBitCount(std::int32_t Value);
  std::int32_t Width() const { return FWidth; }
  // A negative size is stored as 0.
  void SetWidth(std::int32_t Value) { FWidth = Value < 0 ? 0 : Value; }
  std::int32_t Height() const { return FHeight; }
  void SetHeight(std::int32_t Value) { FHeight = Value < 0 ? 0 : Value; }
  bool FixedBitCount() const { return FFixedBitCount; }
  void SetFixedBitCount(bool Value) { FFixedBitCount = Value; }
  bool FixedRatio() const { return FFixedRatio; }
  void SetFixedRatio(bool Value) { FFixedRatio = Value; }
  bool FixedSize() const { return FFixedSize; }
  void SetFixedSize(bool Value) { FFixedSize = Value; }

  // The adapter's modes sorted by width, height and bit count; the list is filled on first use.
  std::int32_t Count();
  TDXDrawDisplayMode* Modes(std::int32_t Index) { return GetMode2(Index); }
  TDXDrawDisplayMode* GetMode2(std::int32_t Index);
  // The mode the display is in now; EDirectDrawError "Display mode cannot be acquired" without
  // a DirectDraw object or when the list lacks it.
  TDXDrawDisplayMode* Mode();
  // The first position of the mode, -1 when the list lacks it.
  std::int32_t IndexOf(std::int32_t Width, std::int32_t Height, std::int32_t BitCount);

  // Sets the mode, or the substitute the rules allow; after a change Width, Height and
  // BitCount describe the mode set. Answers False when nothing could be set.
  bool ChangeDisplayMode(std::int32_t Width, std::int32_t Height, std::int32_t BitCount);
  // Empties the list, so that the next use asks the adapter again.
  void ClearModes();

 private:
  void EnumerateModes();
  bool TrySetMode(std::int32_t W, std::int32_t H, std::int32_t Bits);
  bool FindMode(std::int32_t W, std::int32_t H, std::int32_t Bits, bool SameRatio);

  std::int32_t FBitCount = 16;
  TCustomDXDraw* FDXDraw;
  std::int32_t FHeight = 480;
  TOwnedPtr<TCollection> FModes;
  std::int32_t FWidth = 640;
  bool FFixedBitCount = false;
  bool FFixedRatio = true;
  bool FFixedSize = true;
};
