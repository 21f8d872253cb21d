#include "display/directdraw.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "display/surface.h"
#include "picture/dib.h"
#include "toolkit/streams.h"
#include "toolkit/types.h"

IMPLEMENT_CLASS(TDirectDraw, TDirectX)
IMPLEMENT_CLASS(TDirectDrawClipper, TDirectX)
IMPLEMENT_CLASS(TDirectDrawPalette, TDirectX)

namespace {

constexpr DWORD kCapsRecordSize = 380;
constexpr DWORD kRegionHeaderSize = 32;
constexpr LONG kBoundStart = 2147483647;

template <class T>
void Forget(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

TDirectDraw::TDirectDraw(PGUID GUID) : TDirectDraw(GUID, true) {}

TDirectDraw::TDirectDraw(PGUID GUID, bool DirectX7Mode) {
  if (DirectX7Mode) {
    auto create = reinterpret_cast<DirectDrawCreateExProc>(
        LoadLibraryEntry(SDDrawLibrary, "DirectDrawCreateEx"));
    if (create(GUID, FIDDraw7.PutVoid(), IID_IDirectDraw7, nullptr) != DD_OK)
      throw EDirectDrawError(Format(SCannotInitialized, SDirectDraw));
    if (FIDDraw7->QueryInterface(IID_IDirectDraw, FIDDraw.PutVoid()) != DD_OK ||
        FIDDraw7->QueryInterface(IID_IDirectDraw4, FIDDraw4.PutVoid()) != DD_OK)
      throw EDirectDrawError(SDirectDraw7Required);
  } else {
    auto create =
        reinterpret_cast<DirectDrawCreateProc>(LoadLibraryEntry(SDDrawLibrary, "DirectDrawCreate"));
    if (create(GUID, FIDDraw.Put(), nullptr) != DD_OK)
      throw EDirectDrawError(Format(SCannotInitialized, SDirectDraw));
    if (FIDDraw->QueryInterface(IID_IDirectDraw4, FIDDraw4.PutVoid()) != DD_OK)
      throw EDirectDrawError(SDirectDraw6Required);
  }
  FDriverCaps.dwSize = kCapsRecordSize;
  FHELCaps.dwSize = kCapsRecordSize;
  FIDDraw->GetCaps(&FDriverCaps, &FHELCaps);
}

TDirectDraw::~TDirectDraw() {
  while (!FSurfaces.empty()) FSurfaces.back()->Free();
  while (!FPalettes.empty()) FPalettes.back()->Free();
  while (!FClippers.empty()) FClippers.back()->Free();
}

IDirectDraw* TDirectDraw::IDraw() const {
  if (!FIDDraw) throw EDirectDrawError(Format(SNotMade, "IDirectDraw"));
  return FIDDraw.Get();
}

IDirectDraw4* TDirectDraw::IDraw4() const {
  if (!FIDDraw4) throw EDirectDrawError(Format(SNotMade, "IDirectDraw4"));
  return FIDDraw4.Get();
}

IDirectDraw7* TDirectDraw::IDraw7() const {
  if (!FIDDraw7) throw EDirectDrawError(Format(SNotMade, "IDirectDraw7"));
  return FIDDraw7.Get();
}

DDSURFACEDESC TDirectDraw::DisplayMode() {
  DDSURFACEDESC desc;
  desc.dwSize = kSurfaceDescSize;
  if (IDraw()->GetDisplayMode(&desc) != DD_OK) desc = DDSURFACEDESC{};
  return desc;
}

// Clipper.

TDirectDrawClipper::TDirectDrawClipper(TDirectDraw* ADirectDraw) : FDDraw(ADirectDraw) {
  FDDraw->FClippers.push_back(this);
  try {
    FDDraw->SetDXResult(FDDraw->IDraw()->CreateClipper(0, FIDDClipper.Put(), nullptr));
    if (FDDraw->DXResult() != DD_OK) throw EDirectDrawClipperError(Format(SCannotMade, "Clipper"));
  } catch (...) {
    Forget(FDDraw->FClippers, this);
    throw;
  }
}

TDirectDrawClipper::~TDirectDrawClipper() { Forget(FDDraw->FClippers, this); }

IDirectDrawClipper* TDirectDrawClipper::IClipper() const {
  if (!FIDDClipper) throw EDirectDrawClipperError(Format(SNotMade, "IDirectDrawClipper"));
  return FIDDClipper.Get();
}

void TDirectDrawClipper::BindWindow(HWND Handle) { SetDXResult(IClipper()->SetHWnd(0, Handle)); }

void TDirectDrawClipper::SetClipRects(const std::vector<TRect>& Rects) {
  std::vector<std::uint8_t> record(kRegionHeaderSize + Rects.size() * sizeof(RECT));
  RGNDATAHEADER header;
  header.dwSize = kRegionHeaderSize;
  header.iType = RDH_RECTANGLES;
  header.nCount = static_cast<DWORD>(Rects.size());
  header.nRgnSize = static_cast<DWORD>(Rects.size() * sizeof(RECT));
  header.rcBound = RECT{kBoundStart, kBoundStart, -kBoundStart, -kBoundStart};
  for (std::size_t i = 0; i < Rects.size(); ++i) {
    const TRect& r = Rects[i];
    header.rcBound.left = std::min(header.rcBound.left, r.Left);
    header.rcBound.top = std::min(header.rcBound.top, r.Top);
    header.rcBound.right = std::max(header.rcBound.right, r.Right);
    header.rcBound.bottom = std::max(header.rcBound.bottom, r.Bottom);
    const RECT platformRect{r.Left, r.Top, r.Right, r.Bottom};
    std::memcpy(record.data() + kRegionHeaderSize + i * sizeof(RECT), &platformRect, sizeof(RECT));
  }
  std::memcpy(record.data(), &header, sizeof header);
  SetDXResult(IClipper()->SetClipList(reinterpret_cast<const RGNDATA*>(record.data()), 0));
}

// Palette.

TDirectDrawPalette::TDirectDrawPalette(TDirectDraw* ADirectDraw) : FDDraw(ADirectDraw) {
  FDDraw->FPalettes.push_back(this);
}

TDirectDrawPalette::~TDirectDrawPalette() { Forget(FDDraw->FPalettes, this); }

IDirectDrawPalette* TDirectDrawPalette::IPalette() const {
  if (!FIDDPalette) throw EDirectDrawPaletteError(Format(SNotMade, "IDirectDrawPalette"));
  return FIDDPalette.Get();
}

bool TDirectDrawPalette::CreatePalette(DWORD Caps, const PALETTEENTRY* Entries) {
  FIDDPalette.Reset();
  ComPtr<IDirectDrawPalette> made;
  FDDraw->SetDXResult(FDDraw->IDraw()->CreatePalette(Caps, Entries, made.Put(), nullptr));
  SetDXResult(FDDraw->DXResult());
  if (DXResult() == DD_OK) FIDDPalette = made;
  return DXResult() == DD_OK;
}

bool TDirectDrawPalette::GetEntries(DWORD StartIndex, DWORD NumEntries, PALETTEENTRY* Entries) {
  if (!FIDDPalette) return false;
  SetDXResult(FIDDPalette->GetEntries(0, StartIndex, NumEntries, Entries));
  return DXResult() == DD_OK;
}

bool TDirectDrawPalette::SetEntries(DWORD StartIndex, DWORD NumEntries,
                                    const PALETTEENTRY* Entries) {
  if (!FIDDPalette) return false;
  SetDXResult(FIDDPalette->SetEntries(0, StartIndex, NumEntries, Entries));
  return DXResult() == DD_OK;
}

PALETTEENTRY TDirectDrawPalette::GetEntry(int Index) {
  PALETTEENTRY entry;
  GetEntries(static_cast<DWORD>(Index), 1, &entry);
  return entry;
}

void TDirectDrawPalette::SetEntry(int Index, PALETTEENTRY Value) {
  SetEntries(static_cast<DWORD>(Index), 1, &Value);
}

void TDirectDrawPalette::LoadFromDIB(TDIB* DIB) {
  PALETTEENTRY entries[256];
  for (std::size_t i = 0; i < 256; ++i) {
    const RGBQUAD& q = DIB->ColorTable[i];
    entries[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
  }
  CreatePalette(DDPCAPS_8BIT, entries);
}

void TDirectDrawPalette::LoadFromFile(const std::string& FileName) {
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->LoadFromFile(FileName);
  LoadFromStream(*stream);
}

void TDirectDrawPalette::LoadFromStream(TStream& Stream) {
  TOwnedPtr<TDIB> dib(Construct<TDIB>());
  dib->LoadFromStream(Stream);
  if (dib->Size() > 0) LoadFromDIB(dib.get());
}
