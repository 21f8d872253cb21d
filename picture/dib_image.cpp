#include "picture/dib_image.h"

#include <cstring>
#include <limits>
#include <new>

#include "platform/little_endian.h"
#include "toolkit/graphics.h"
#include "toolkit/sysutils.h"

using platform::PutLE16;
using platform::PutLE32;

namespace {
constexpr std::int32_t kInfoHeaderSize = 40;
constexpr std::int32_t kMaskBytes = 12;
constexpr std::size_t kImageSizeOffset = 20;
constexpr WORD kPaletteVersion = 0x300;

bool HasMasks(std::int32_t bitCount) { return bitCount == 16 || bitCount == 32; }

std::uint32_t HeaderCompression(std::int32_t bitCount, bool compressed) {
  if (HasMasks(bitCount)) return BI_BITFIELDS;
  if (compressed) return bitCount == 4 ? BI_RLE4 : BI_RLE8;
  return BI_RGB;
}

RGBQUAD QuadOf(std::uint32_t v) {
  return RGBQUAD{static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                 static_cast<BYTE>(v >> 24)};
}

void PutQuad(std::uint8_t* p, const RGBQUAD& q) {
  p[0] = q.rgbBlue;
  p[1] = q.rgbGreen;
  p[2] = q.rgbRed;
  p[3] = q.rgbReserved;
}
}  // namespace

// ---- TDIBSharedImage ----

TDIBSharedImage::TDIBSharedImage() {
  for (std::size_t i = 0; i < FColorTable.size(); ++i) {
    const auto v = static_cast<BYTE>(i);
    FColorTable[i] = RGBQUAD{v, v, v, 0};
  }
}

TDIBSharedImage::~TDIBSharedImage() { ReleaseStore(); }

void TDIBSharedImage::ReleaseStore() {
  if (FHandle) {
    SelectObject(FDC, FOldHandle);
    DeleteObject(FHandle);
    FHandle = nullptr;
  } else {
    FMemory.reset();
  }
  FPBits = FTopPBits = nullptr;
  if (FPalette) TPaletteManager::Instance().DeletePalette(FPalette);
  if (FDC) {
    DeleteDC(FDC);
    FDC = nullptr;
  }
  FBitmapInfo.clear();
}

TDIBSharedImage* TDIBSharedImage::Create(std::int32_t W, std::int32_t H, std::int32_t B,
                                         const TDIBPixelFormat& PixelFormat,
                                         const TRGBQuads& ColorTable, bool MemoryImage,
                                         bool Compressed) {
  std::unique_ptr<TDIBSharedImage> image(new TDIBSharedImage);
  image->Build(W, H, B, PixelFormat, ColorTable, MemoryImage, Compressed);
  return image.release();
}

void TDIBSharedImage::Build(std::int32_t W, std::int32_t H, std::int32_t B,
                            const TDIBPixelFormat& PixelFormat, const TRGBQuads& ColorTable,
                            bool MemoryImage, bool Compressed) {
  if (!IsValidBitCount(B)) throw EInvalidGraphicOperation(Format(dibmsg::SInvalidBitCount, B));
  if (!IsAcceptedPixelFormat(B, PixelFormat))
    throw EInvalidGraphicOperation(dibmsg::SInvalidPixelFormat);
  const std::int64_t widthBytes = DIBWidthBytes(W, B);
  const std::int64_t size = widthBytes * H;
  // The platform's bitmaps hold at most 2 GB; more is more memory than there is to get.
  if (widthBytes < 0 || size > std::numeric_limits<std::int32_t>::max()) throw std::bad_alloc();

  FBitCount = B;
  FWidth = W;
  FHeight = H;
  FWidthBytes = static_cast<std::int32_t>(widthBytes);
  FNextLine = -FWidthBytes;
  FSize = Compressed ? 0 : static_cast<std::int32_t>(size);
  FPixelFormat = PixelFormat;
  FPaletteCount = B <= 8 ? 1 << B : 0;
  FColorTablePos = HasMasks(B) ? kInfoHeaderSize + kMaskBytes : kInfoHeaderSize;
  FColorTable = ColorTable;
  FCompressed = Compressed;
  FMemoryImage = MemoryImage || Compressed;
  BuildBitmapInfo();

  if (!Compressed && FSize > 0) {
    if (FMemoryImage) {
      // Cleared, so that a new picture reads as colour 0 everywhere rather than as leftovers.
      FMemory.reset(new std::uint8_t[static_cast<std::size_t>(FSize)]());
      FPBits = FMemory.get();
    } else {
      MakeDeviceBitmap();
    }
    FTopPBits = FPBits + static_cast<std::ptrdiff_t>(FHeight - 1) * FWidthBytes;
  }
}

void TDIBSharedImage::BuildBitmapInfo() {
  FBitmapInfoSize = FColorTablePos + FPaletteCount * 4;
  FBitmapInfo.assign(static_cast<std::size_t>(FBitmapInfoSize), 0);
  std::uint8_t* p = FBitmapInfo.data();
  PutLE32(p + 0, kInfoHeaderSize);
  PutLE32(p + 4, static_cast<std::uint32_t>(FWidth));
  PutLE32(p + 8, static_cast<std::uint32_t>(FHeight));
  PutLE16(p + 12, 1);
  PutLE16(p + 14, static_cast<std::uint16_t>(FBitCount));
  PutLE32(p + 16, HeaderCompression(FBitCount, FCompressed));
  PutLE32(p + kImageSizeOffset, static_cast<std::uint32_t>(FSize));
  if (HasMasks(FBitCount)) {
    PutLE32(p + 40, FPixelFormat.RBitMask);
    PutLE32(p + 44, FPixelFormat.GBitMask);
    PutLE32(p + 48, FPixelFormat.BBitMask);
  }
  for (std::int32_t i = 0; i < FPaletteCount; ++i)
    PutQuad(p + FColorTablePos + 4 * i, FColorTable[static_cast<std::size_t>(i)]);
}

void TDIBSharedImage::FillBitmapInfo(TBitmapInfoBlock& Info) const {
  Info.bmiHeader = BITMAPINFOHEADER{};
  Info.bmiHeader.biSize = kInfoHeaderSize;
  Info.bmiHeader.biWidth = FWidth;
  Info.bmiHeader.biHeight = FHeight;
  Info.bmiHeader.biPlanes = 1;
  Info.bmiHeader.biBitCount = static_cast<WORD>(FBitCount);
  Info.bmiHeader.biCompression = HeaderCompression(FBitCount, FCompressed);
  Info.bmiHeader.biSizeImage = static_cast<DWORD>(FSize);
  std::size_t first = 0;
  if (HasMasks(FBitCount)) {
    Info.bmiColors[0] = QuadOf(FPixelFormat.RBitMask);
    Info.bmiColors[1] = QuadOf(FPixelFormat.GBitMask);
    Info.bmiColors[2] = QuadOf(FPixelFormat.BBitMask);
    first = 3;
  }
  for (std::int32_t i = 0; i < FPaletteCount; ++i)
    Info.bmiColors[first + static_cast<std::size_t>(i)] = FColorTable[static_cast<std::size_t>(i)];
}

void TDIBSharedImage::MakeDeviceBitmap() {
  FDC = CreateCompatibleDC(nullptr);
  TBitmapInfoBlock info;
  FillBitmapInfo(info);
  void* bits = nullptr;
  if (FDC)
    FHandle = CreateDIBSection(FDC, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                               &bits, nullptr, 0);
  if (!FHandle || !bits) {
    if (FHandle) DeleteObject(FHandle);
    FHandle = nullptr;
    if (FDC) DeleteDC(FDC);
    FDC = nullptr;
    throw EOutOfResources(Format(dibmsg::SCannotMade, "DIB"));
  }
  FOldHandle = SelectObject(FDC, FHandle);
  FPBits = static_cast<std::uint8_t*>(bits);
}

void TDIBSharedImage::SetCompressedData(std::vector<std::uint8_t> Data) {
  FMemory.reset(new std::uint8_t[Data.size() + 1]);
  if (!Data.empty()) std::memcpy(FMemory.get(), Data.data(), Data.size());
  FPBits = FTopPBits = FMemory.get();
  FSize = static_cast<std::int32_t>(Data.size());
  PutLE32(FBitmapInfo.data() + kImageSizeOffset, static_cast<std::uint32_t>(FSize));
}

TDIBSharedImage* TDIBSharedImage::Duplicate(const TDIBSharedImage& Source, bool MemoryImage) {
  std::unique_ptr<TDIBSharedImage> image(Create(Source.FWidth, Source.FHeight, Source.FBitCount,
                                                Source.FPixelFormat, Source.FColorTable,
                                                MemoryImage && Source.FMemoryImage, false));
  image->CopyPixelsFrom(Source);
  return image.release();
}

TDIBSharedImage* TDIBSharedImage::CreateCompressed(const TDIBSharedImage& Source,
                                                   std::vector<std::uint8_t> Data) {
  std::unique_ptr<TDIBSharedImage> image(Create(Source.FWidth, Source.FHeight, Source.FBitCount,
                                                Source.FPixelFormat, Source.FColorTable, true,
                                                true));
  image->SetCompressedData(std::move(Data));
  return image.release();
}

void TDIBSharedImage::CopyPixelsFrom(const TDIBSharedImage& Source) {
  if (FSize == 0) return;
  if (!Source.FMemoryImage) GdiFlush();
  if (Source.FCompressed) {
    std::memset(FPBits, 0, static_cast<std::size_t>(FSize));
    ExpandRLE({Source.FPBits, static_cast<std::size_t>(Source.FSize)}, Source.FBitCount, FWidth,
              FHeight, FWidthBytes, FPBits);
  } else if (Source.FPBits) {
    std::memcpy(FPBits, Source.FPBits, static_cast<std::size_t>(FSize));
  }
}

void TDIBSharedImage::SetColorTable(const TRGBQuads& Value) {
  FColorTable = Value;
  FChangePalette = true;
  if (FSize > 0 && FPaletteCount > 0) {
    if (FHandle) SetDIBColorTable(FDC, 0, static_cast<UINT>(FPaletteCount), FColorTable.data());
    for (std::int32_t i = 0; i < FPaletteCount; ++i)
      PutQuad(FBitmapInfo.data() + FColorTablePos + 4 * i,
              FColorTable[static_cast<std::size_t>(i)]);
  }
}

HPALETTE TDIBSharedImage::GetPalette() {
  if (FChangePalette) {
    if (FPalette) TPaletteManager::Instance().DeletePalette(FPalette);
    if (FPaletteCount > 0)
      FPalette = TPaletteManager::Instance().CreatePalette(FColorTable.data(), FPaletteCount);
    FChangePalette = false;
  }
  return FPalette;
}

// ---- TPaletteManager ----

TPaletteManager& TPaletteManager::Instance() {
  // Lives until the program ends, like the images that may still give palettes back then.
  static TPaletteManager* manager = new TPaletteManager;
  return *manager;
}

HPALETTE TPaletteManager::CreatePalette(const RGBQUAD* ColorTable, int Count) {
  std::uint32_t id = static_cast<std::uint32_t>(Count);
  for (int i = 0; i < Count; ++i)
    id += ColorTable[i].rgbBlue + ColorTable[i].rgbGreen + ColorTable[i].rgbRed;
  for (TPaletteItem& item : FItems) {
    if (item.ID != id || item.ColorTableCount != Count) continue;
    if (!std::equal(ColorTable, ColorTable + Count, item.ColorTable.begin())) continue;
    ++item.RefCount;
    return item.Palette;
  }
  struct {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[256];
  } logPalette{kPaletteVersion, static_cast<WORD>(Count), {}};
  for (int i = 0; i < Count; ++i)
    logPalette.palPalEntry[i] =
        PALETTEENTRY{ColorTable[i].rgbRed, ColorTable[i].rgbGreen, ColorTable[i].rgbBlue, 0};
  const HPALETTE palette = ::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&logPalette));
  if (!palette) return nullptr;
  TPaletteItem item;
  item.ID = id;
  item.Palette = palette;
  item.RefCount = 1;
  std::copy(ColorTable, ColorTable + Count, item.ColorTable.begin());
  item.ColorTableCount = Count;
  FItems.push_back(item);
  return palette;
}

void TPaletteManager::DeletePalette(HPALETTE& Palette) {
  for (auto it = FItems.begin(); it != FItems.end(); ++it) {
    if (it->Palette != Palette) continue;
    Palette = nullptr;
    if (--it->RefCount <= 0) {
      DeleteObject(it->Palette);
      FItems.erase(it);
    }
    return;
  }
  Palette = nullptr;
}
