#include "display/dxdrawdisplay.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "display/dxdraw.h"

namespace {

constexpr std::int32_t kNoBest = std::numeric_limits<std::int32_t>::max();

bool ValidBitCount(std::int32_t Bits) {
  return Bits == 8 || Bits == 16 || Bits == 24 || Bits == 32;
}

// Bit counts of 8 and less are palettes: a substitute may not have fewer bits then.
constexpr std::int32_t kPaletteBits = 8;

const TPropInfo kDisplayProps[] = {
    Property<&TDXDrawDisplay::BitCount, &TDXDrawDisplay::SetBitCount>("BitCount", nullptr, 16),
    Property<&TDXDrawDisplay::FixedBitCount, &TDXDrawDisplay::SetFixedBitCount>("FixedBitCount"),
    Property<&TDXDrawDisplay::FixedRatio, &TDXDrawDisplay::SetFixedRatio>("FixedRatio"),
    Property<&TDXDrawDisplay::FixedSize, &TDXDrawDisplay::SetFixedSize>("FixedSize"),
    Property<&TDXDrawDisplay::Height, &TDXDrawDisplay::SetHeight>("Height", nullptr, 480),
    Property<&TDXDrawDisplay::Width, &TDXDrawDisplay::SetWidth>("Width", nullptr, 640),
};

}  // namespace

IMPLEMENT_CLASS(TDXDrawDisplayMode, TCollectionItem)
IMPLEMENT_CLASS(TDXDrawDisplay, TPersistent, .Properties = kDisplayProps)

TDXDrawDisplayMode::TDXDrawDisplayMode(TCollection* Collection) : TCollectionItem(Collection) {}

TDXDrawDisplay::TDXDrawDisplay(TCustomDXDraw* ADXDraw)
    : FDXDraw(ADXDraw), FModes(Construct<TCollection>(&TDXDrawDisplayMode::ClassInfo)) {}

TDXDrawDisplay::~TDXDrawDisplay() = default;

void TDXDrawDisplay::Assign(const TPersistent* Source) {
  if (Source == this) return;
  if (auto* other = dynamic_cast<const TDXDrawDisplay*>(Source)) {
    FBitCount = other->FBitCount;
    FHeight = other->FHeight;
    FWidth = other->FWidth;
    FFixedBitCount = other->FFixedBitCount;
    FFixedRatio = other->FFixedRatio;
    FFixedSize = other->FFixedSize;
    return;
  }
  TPersistent::Assign(Source);
}

void TDXDrawDisplay::SetBitCount(std::int32_t Value) {
  if (!ValidBitCount(Value)) throw EDirectDrawError(SDisplayBitCount);
  FBitCount = Value;
}

std::int32_t TDXDrawDisplay::Count() {
  if (FModes->Count() == 0) EnumerateModes();
  return FModes->Count();
}

TDXDrawDisplayMode* TDXDrawDisplay::GetMode2(std::int32_t Index) {
  if (FModes->Count() == 0) EnumerateModes();
  return static_cast<TDXDrawDisplayMode*>(FModes->Items(Index));
}

std::int32_t TDXDrawDisplay::IndexOf(std::int32_t Width, std::int32_t Height,
                                     std::int32_t BitCount) {
  const std::int32_t n = Count();
  for (std::int32_t i = 0; i < n; ++i) {
    const TDXDrawDisplayMode* m = GetMode2(i);
    if (m->Width() == Width && m->Height() == Height && m->BitCount() == BitCount) return i;
  }
  return -1;
}

TDXDrawDisplayMode* TDXDrawDisplay::Mode() {
  if (!FDXDraw || !FDXDraw->DDraw()) throw EDirectDrawError(SDisplayModeAcquire);
  const DDSURFACEDESC now = FDXDraw->DDraw()->DisplayMode();
  const std::int32_t i =
      IndexOf(static_cast<std::int32_t>(now.dwWidth), static_cast<std::int32_t>(now.dwHeight),
              static_cast<std::int32_t>(now.ddpfPixelFormat.dwRGBBitCount));
  if (i < 0) throw EDirectDrawError(SDisplayModeAcquire);
  return GetMode2(i);
}

void TDXDrawDisplay::ClearModes() { FModes->Clear(); }

namespace {

HRESULT AddMode(DDSURFACEDESC* mode, void* context) {
  static_cast<std::vector<DDSURFACEDESC>*>(context)->push_back(*mode);
  return DDENUMRET_OK;
}

}  // namespace

void TDXDrawDisplay::EnumerateModes() {
  FModes->Clear();
  std::vector<DDSURFACEDESC> found;
  if (FDXDraw && FDXDraw->DDraw()) {
    TDirectDraw* draw = FDXDraw->DDraw();
    draw->SetDXResult(draw->IDraw()->EnumDisplayModes(0, nullptr, &found, AddMode));
  } else {
    TOwnedPtr<TDirectDraw> draw(Construct<TDirectDraw>(FDXDraw ? FDXDraw->Driver() : nullptr));
    draw->SetDXResult(draw->IDraw()->EnumDisplayModes(0, nullptr, &found, AddMode));
  }
  std::stable_sort(found.begin(), found.end(), [](const DDSURFACEDESC& a, const DDSURFACEDESC& b) {
    if (a.dwWidth != b.dwWidth) return a.dwWidth < b.dwWidth;
    if (a.dwHeight != b.dwHeight) return a.dwHeight < b.dwHeight;
    return a.ddpfPixelFormat.dwRGBBitCount < b.ddpfPixelFormat.dwRGBBitCount;
  });
  FModes->BeginUpdate();
  for (const DDSURFACEDESC& desc : found)
    static_cast<TDXDrawDisplayMode*>(FModes->Add())->FSurfaceDesc = desc;
  FModes->EndUpdate();
}

bool TDXDrawDisplay::TrySetMode(std::int32_t W, std::int32_t H, std::int32_t Bits) {
  if (!FDXDraw || !FDXDraw->DDraw()) return false;
  TDirectDraw* draw = FDXDraw->DDraw();
  draw->SetDXResult(draw->IDraw()->SetDisplayMode(static_cast<DWORD>(W), static_cast<DWORD>(H),
                                                  static_cast<DWORD>(Bits)));
  if (draw->DXResult() != DD_OK) return false;
  FWidth = W;
  FHeight = H;
  FBitCount = Bits;
  return true;
}

bool TDXDrawDisplay::ChangeDisplayMode(std::int32_t Width, std::int32_t Height,
                                       std::int32_t BitCount) {
  if (Width <= 0 || Height <= 0 || !ValidBitCount(BitCount)) return false;
  if (TrySetMode(Width, Height, BitCount)) return true;
  if (FFixedRatio && FindMode(Width, Height, BitCount, true)) return true;
  return FindMode(Width, Height, BitCount, false);
}

bool TDXDrawDisplay::FindMode(std::int32_t W, std::int32_t H, std::int32_t Bits, bool SameRatio) {
  std::int32_t bestW = kNoBest, bestH = kNoBest, bestBits = Bits;
  bool found = false;
  const long double ratio = static_cast<long double>(W) / H;
  const std::int32_t n = Count();
  for (std::int32_t i = 0; i < n; ++i) {
    const TDXDrawDisplayMode* m = GetMode2(i);
    const std::int32_t mw = m->Width(), mh = m->Height(), mb = m->BitCount();
    if (mw > bestW || mh > bestH) continue;
    // A mode of height 0 has no ratio; it can never match one.
    if (SameRatio && (mh == 0 || static_cast<long double>(mw) / mh != ratio)) continue;
    if (FFixedSize ? (mw != W || mh != H) : (mw < W || mh < H)) continue;
    if (FFixedBitCount ? mb != Bits : ((mb <= kPaletteBits || Bits <= kPaletteBits) && mb < Bits))
      continue;
    bestW = mw;
    bestH = mh;
    bestBits = mb;
    found = true;
  }
  if (!found) return false;
  if (bestBits != Bits && IndexOf(bestW, bestH, Bits) >= 0) bestBits = Bits;
  return TrySetMode(bestW, bestH, bestBits);
}
