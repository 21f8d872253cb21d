#include "picture/dib.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <limits>
#include <memory>

#include "platform/little_endian.h"
#include "toolkit/streams.h"
#include "toolkit/sysutils.h"

using platform::GetLE16;
using platform::GetLE32;
using platform::GetLE32Signed;
using platform::PutLE16;
using platform::PutLE32;

IMPLEMENT_CLASS(TDIB, TGraphic)

namespace {
[[maybe_unused]] const bool kRegisteredDIB =
    (RegisterGraphicClass<TDIB>("dib", "Device Independent Bitmap"), true);

// The image every new picture starts on; it lives until the program ends.
TDIBSharedImage* EmptyImage() {
  static TDIBSharedImage* image = [] {
    auto* empty = new TDIBSharedImage;
    empty->Reference();
    return empty;
  }();
  return image;
}

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint8_t kJPEGStart[2] = {0xFF, 0xD8};
constexpr std::size_t kMaxColors = 256;

// What the header of a DIB says, in either form.
struct DIBHeader {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t BitCount = 0;
  std::uint32_t Compression = BI_RGB;
  std::uint32_t SizeImage = 0;
  std::uint32_t ColorsUsed = 0;
  std::size_t EntrySize = 4;
};

[[noreturn]] void InvalidDIB() { throw EInvalidGraphic(dibmsg::SInvalidDIB); }
[[noreturn]] void InvalidPixelFormat() {
  throw EInvalidGraphicOperation(dibmsg::SInvalidPixelFormat);
}

// Fails with the stream's read error up front when fewer than Count bytes are left, so that a
// header promising more than the data holds costs no allocation.
void RequireBytes(TStream& Stream, std::int64_t Count) {
  if (Stream.Size() - Stream.Position() < Count) throw EReadError(msg::SReadError);
}

DIBHeader ReadHeader(TStream& Stream, std::uint32_t HeaderSize) {
  DIBHeader h;
  std::uint8_t b[kInfoHeaderSize];
  if (HeaderSize == kCoreHeaderSize) {
    Stream.ReadBuffer(b, kCoreHeaderSize - 4);
    h.Width = GetLE16(b + 0);
    h.Height = GetLE16(b + 2);
    h.BitCount = GetLE16(b + 6);
    h.EntrySize = 3;
    return h;
  }
  if (HeaderSize != kInfoHeaderSize) InvalidDIB();
  Stream.ReadBuffer(b, kInfoHeaderSize - 4);
  h.Width = GetLE32Signed(b + 0);
  h.Height = GetLE32Signed(b + 4);
  h.BitCount = GetLE16(b + 10);
  h.Compression = GetLE32(b + 12);
  h.SizeImage = GetLE32(b + 16);
  h.ColorsUsed = GetLE32(b + 28);
  if (h.Compression > BI_BITFIELDS) InvalidDIB();
  // A negative width or a row count that has no positive twin describes no picture.
  if (h.Width < 0 || h.Height == std::numeric_limits<std::int32_t>::min()) InvalidDIB();
  return h;
}

// The declared colour table: colours used, or 2^bits for 8 bits or less when that is 0. The
// whole table must be in the stream; the first kMaxColors entries are kept, the rest passed
// over so that what follows the table is read from its place.
TRGBQuads ReadColorTable(TStream& Stream, const DIBHeader& h) {
  std::int64_t declared = h.ColorsUsed;
  if (declared == 0 && h.BitCount <= 8) declared = std::int64_t{1} << h.BitCount;
  const std::int64_t entrySize = static_cast<std::int64_t>(h.EntrySize);
  RequireBytes(Stream, declared * entrySize);
  const auto kept = static_cast<std::size_t>(std::min<std::int64_t>(declared, kMaxColors));
  std::uint8_t entries[kMaxColors * 4];
  Stream.ReadBuffer(entries, static_cast<std::int64_t>(kept * h.EntrySize));
  TRGBQuads colors{};
  for (std::size_t i = 0; i < kept; ++i) {
    const std::uint8_t* e = entries + i * h.EntrySize;
    colors[i] = RGBQUAD{e[0], e[1], e[2], h.EntrySize == 4 ? e[3] : BYTE{0}};
  }
  Stream.Seek((declared - static_cast<std::int64_t>(kept)) * entrySize, soCurrent);
  return colors;
}

// The three masks of a picture with bit fields.
struct ChannelMasks {
  std::uint32_t Red = 0, Green = 0, Blue = 0;
  friend bool operator==(const ChannelMasks&, const ChannelMasks&) = default;
};

ChannelMasks MasksOf(const TDIBPixelFormat& f) { return {f.RBitMask, f.GBitMask, f.BBitMask}; }

// A mask that a channel can be taken by: one run of set bits inside a pixel of BitCount bits,
// or 0.
bool UsableMask(std::uint32_t Mask, std::int32_t BitCount) {
  if (Mask == 0) return true;
  if (BitCount < 32 && (Mask >> BitCount) != 0) return false;
  const std::uint32_t run = Mask >> std::countr_zero(Mask);
  return (run & (run + 1)) == 0;
}

// The value of the channel Mask selects, scaled from the mask's width to 8 bits.
std::uint32_t Channel(std::uint32_t Pixel, std::uint32_t Mask) {
  if (Mask == 0) return 0;
  const int shift = std::countr_zero(Mask);
  const std::uint64_t max = Mask >> shift;
  const std::uint64_t value = (Pixel & Mask) >> shift;
  return static_cast<std::uint32_t>((value * 255 + max / 2) / max);
}

// One row of Width pixels of BitCount (16 or 32) bits laid out by Masks, as 32-bit 8-8-8
// pixels.
void ConvertMaskedRow(const std::uint8_t* Source, std::int32_t BitCount, std::int32_t Width,
                      const ChannelMasks& Masks, std::uint8_t* Dest) {
  for (std::int32_t x = 0; x < Width; ++x) {
    const std::uint32_t pixel = BitCount == 16 ? GetLE16(Source + 2 * static_cast<std::size_t>(x))
                                               : GetLE32(Source + 4 * static_cast<std::size_t>(x));
    PutLE32(Dest + 4 * static_cast<std::size_t>(x), Channel(pixel, Masks.Red) << 16 |
                                                        Channel(pixel, Masks.Green) << 8 |
                                                        Channel(pixel, Masks.Blue));
  }
}

// How the pixels of a picture are taken: as stored in Format, or (Convert) channel by channel
// from the file's Masks into 8-8-8.
struct PixelLayout {
  TDIBPixelFormat Format;
  bool Convert = false;
  ChannelMasks Masks;
};

// Judges the masks of a picture with bit fields (the bit count already valid).
PixelLayout LayoutOfMasks(std::int32_t BitCount, const ChannelMasks& Masks) {
  if (BitCount == 16) {
    if (Masks == MasksOf(kPixelFormat555)) return {kPixelFormat555, false, {}};
    if (Masks == MasksOf(kPixelFormat565)) return {kPixelFormat565, false, {}};
  } else if (Masks == MasksOf(kPixelFormat888)) {
    return {kPixelFormat888, false, {}};
  }
  if (BitCount != 16 && BitCount != 32) InvalidPixelFormat();
  if (!UsableMask(Masks.Red, BitCount) || !UsableMask(Masks.Green, BitCount) ||
      !UsableMask(Masks.Blue, BitCount))
    InvalidPixelFormat();
  if ((Masks.Red & Masks.Green) | (Masks.Red & Masks.Blue) | (Masks.Green & Masks.Blue))
    InvalidPixelFormat();
  if ((Masks.Red | Masks.Green | Masks.Blue) == 0) InvalidPixelFormat();
  return {kPixelFormat888, true, Masks};
}
}  // namespace

TDIB::TDIB() { SetImage(EmptyImage()); }

TDIB::~TDIB() {
  FCanvas.reset();
  if (FImage) FImage->Release();
}

// ---- sharing ----

void TDIB::SetImage(TDIBSharedImage* Value) {
  if (Value == FImage) return;
  if (FCanvas) FCanvas->SetHandle(nullptr);
  Value->Reference();
  if (FImage) FImage->Release();
  FImage = Value;
  FBitCount = Value->FBitCount;
  FWidth = Value->FWidth;
  FHeight = Value->FHeight;
  FWidthBytes = Value->FWidthBytes;
  FNextLine = Value->FNextLine;
  FSize = Value->FSize;
  FPBits = Value->FPBits;
  FTopPBits = Value->FTopPBits;
  ColorTable = Value->FColorTable;
  PixelFormat = Value->FPixelFormat;
  FNowPixelFormat = Value->FPixelFormat;
  if (FCanvas) FCanvas->SetHandle(Value->FDC);
}

void TDIB::Changing(bool MemoryImage) {
  TDIBSharedImage* image = FImage;
  if (image->RefCount() <= 1 && !image->FCompressed && (MemoryImage || !image->FMemoryImage))
    return;
  std::unique_ptr<TDIBSharedImage> own;
  if (image->FBitCount == 0) {
    // The empty image has nothing to copy but its colours.
    if (image->RefCount() <= 1) return;
    own.reset(new TDIBSharedImage);
    own->FColorTable = image->FColorTable;
  } else {
    own.reset(TDIBSharedImage::Duplicate(*image, MemoryImage));
  }
  SetImage(own.release());
}

void TDIB::CanvasChanging(TObject*) { Changing(false); }

void TDIB::Clear() { SetImage(EmptyImage()); }

int TDIB::ImageRefCount() const { return FImage->RefCount(); }
bool TDIB::Compressed() const { return FImage->FCompressed; }
bool TDIB::MemoryImage() const { return FImage->FMemoryImage; }
HBITMAP TDIB::Handle() const { return FImage->FHandle; }

void TDIB::Assign(const TPersistent* Source) {
  if (!Source) {
    Clear();
    Changed();
  } else if (Source->Is<TDIB>()) {
    if (Source == this) return;
    SetImage(static_cast<const TDIB*>(Source)->FImage);
    Changed();
  } else if (Source->Is<TPicture>()) {
    Assign(static_cast<const TPicture*>(Source)->Graphic());
  } else if (Source->Is<TGraphic>()) {
    auto* graphic = const_cast<TGraphic*>(static_cast<const TGraphic*>(Source));
    if (graphic->Empty()) {
      Clear();
    } else {
      PixelFormat = kPixelFormat888;
      SetSize(graphic->Width(), graphic->Height(), 24);
      Canvas()->Draw(0, 0, graphic);
    }
    Changed();
  } else {
    TGraphic::Assign(Source);
  }
}

// ---- reading and writing ----

void TDIB::ReadData(TStream& Stream) {
  ReadDIB(Stream, kPixelsFollowTable);
  Changed();
}

void TDIB::ReadDIB(TStream& Stream, std::int64_t PixelStart) {
  std::uint8_t sizeBytes[4];
  const std::int64_t got = Stream.Read(sizeBytes, 4);
  if (got == 0) {
    Clear();
    return;
  }
  if (got < 4) InvalidDIB();
  const DIBHeader h = ReadHeader(Stream, GetLE32(sizeBytes));

  ChannelMasks masks;
  if (h.Compression == BI_BITFIELDS) {
    std::uint8_t b[12];
    Stream.ReadBuffer(b, sizeof b);
    masks = {GetLE32(b), GetLE32(b + 4), GetLE32(b + 8)};
  }
  const TRGBQuads colors = ReadColorTable(Stream, h);

  const bool compressed = h.Compression == BI_RLE8 || h.Compression == BI_RLE4;
  const std::int32_t height = std::abs(h.Height);
  // Settle what building would refuse before the pixel block is asked for.
  if (!IsValidBitCount(h.BitCount))
    throw EInvalidGraphicOperation(Format(dibmsg::SInvalidBitCount, h.BitCount));
  PixelLayout layout{h.BitCount == 16 ? kPixelFormat555 : kPixelFormat888, false, {}};
  if (h.Compression == BI_BITFIELDS) layout = LayoutOfMasks(h.BitCount, masks);
  // Each run-length kind belongs to one bit count; data of the other kind would be expanded
  // with the wrong pixel size.
  if ((h.Compression == BI_RLE8 && h.BitCount != 8) ||
      (h.Compression == BI_RLE4 && h.BitCount != 4))
    InvalidDIB();
  if (compressed && std::int64_t{h.Width} * height > kMaxCompressedPixels) InvalidDIB();

  if (PixelStart != kPixelsFollowTable) {
    // Pixels inside what has been read would be header or colours read again.
    if (PixelStart < Stream.Position()) InvalidDIB();
    if (PixelStart > Stream.Size()) throw EReadError(msg::SReadError);
    Stream.SetPosition(PixelStart);
  }

  // Rows too long for any bitmap are more than any stream here holds.
  const std::int64_t widthBytes = DIBWidthBytes(h.Width, h.BitCount);
  const std::int64_t pixelBytes =
      widthBytes < 0 ? std::numeric_limits<std::int64_t>::max() : widthBytes * height;
  RequireBytes(Stream, compressed ? std::int64_t{h.SizeImage} : pixelBytes);

  const std::int32_t bitCount = layout.Convert ? 32 : h.BitCount;
  std::unique_ptr<TDIBSharedImage> image(TDIBSharedImage::Create(
      h.Width, height, bitCount, layout.Format, colors, FImage->FMemoryImage, compressed));
  if (compressed) {
    std::vector<std::uint8_t> data(h.SizeImage);
    Stream.ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    // A picture without rows or columns is empty whatever its data says: kept data would make
    // it a picture that no drawing can show.
    if (h.Width > 0 && height > 0) image->SetCompressedData(std::move(data));
  } else if (image->FSize > 0) {
    if (!image->FMemoryImage) GdiFlush();
    // Rows come bottom row first for a positive height, top row first for a negative one.
    const auto row = [&](std::int32_t i) {
      return h.Height > 0 ? image->FPBits + static_cast<std::ptrdiff_t>(i) * image->FWidthBytes
                          : image->FTopPBits + static_cast<std::ptrdiff_t>(i) * image->FNextLine;
    };
    if (layout.Convert) {
      std::vector<std::uint8_t> stored(static_cast<std::size_t>(widthBytes));
      for (std::int32_t i = 0; i < height; ++i) {
        Stream.ReadBuffer(stored.data(), widthBytes);
        ConvertMaskedRow(stored.data(), h.BitCount, h.Width, layout.Masks, row(i));
      }
    } else if (h.Height > 0) {
      Stream.ReadBuffer(image->FPBits, image->FSize);
    } else {
      for (std::int32_t i = 0; i < height; ++i) Stream.ReadBuffer(row(i), image->FWidthBytes);
    }
  }
  SetImage(image.release());
}

void TDIB::WriteData(TStream& Stream) {
  if (Empty()) return;
  if (!FImage->FMemoryImage) GdiFlush();
  Stream.WriteBuffer(FImage->FBitmapInfo.data(), FImage->FBitmapInfoSize);
  Stream.WriteBuffer(FImage->FPBits, FImage->FSize);
}

void TDIB::LoadFromStream(TStream& Stream) {
  const std::int64_t start = Stream.Position();
  std::uint8_t header[kFileHeaderSize];
  const std::int64_t got = Stream.Read(header, kFileHeaderSize);
  if (got == 0) {
    Clear();
    Changed();
    return;
  }
  // A JPEG file belongs to the toolkit's JPEG picture kind, which this toolkit does not have.
  if (got >= 2 && header[0] == kJPEGStart[0] && header[1] == kJPEGStart[1]) InvalidDIB();
  if (got < static_cast<std::int64_t>(kFileHeaderSize) || header[0] != 'B' || header[1] != 'M')
    InvalidDIB();
  const std::uint32_t pixelOffset = GetLE32(header + 10);
  ReadDIB(Stream, pixelOffset == 0 ? kPixelsFollowTable : start + std::int64_t{pixelOffset});
  Changed();
}

void TDIB::SaveToStream(TStream& Stream) {
  if (Empty()) return;
  std::uint8_t header[kFileHeaderSize] = {'B', 'M'};
  PutLE32(header + 2, static_cast<std::uint32_t>(kFileHeaderSize + FImage->FBitmapInfoSize +
                                                 static_cast<std::uint32_t>(FSize)));
  PutLE32(header + 10, static_cast<std::uint32_t>(kFileHeaderSize + FImage->FBitmapInfoSize));
  Stream.WriteBuffer(header, kFileHeaderSize);
  WriteData(Stream);
}

// ---- size and colours ----

void TDIB::SetSize(std::int32_t AWidth, std::int32_t AHeight, std::int32_t ABitCount) {
  if (AWidth <= 0 || AHeight <= 0) {
    Clear();
    Changed();
    return;
  }
  if (AWidth == FWidth && AHeight == FHeight && ABitCount == FBitCount &&
      PixelFormat.RBitMask == FNowPixelFormat.RBitMask &&
      PixelFormat.GBitMask == FNowPixelFormat.GBitMask &&
      PixelFormat.BBitMask == FNowPixelFormat.BBitMask)
    return;
  SetImage(TDIBSharedImage::Create(AWidth, AHeight, ABitCount, PixelFormat, ColorTable,
                                   FImage->FMemoryImage, false));
  Changed();
}

void TDIB::SetWidth(std::int32_t Value) { SetSize(Value, FHeight, FBitCount); }

void TDIB::SetHeight(std::int32_t Value) { SetSize(FWidth, Value, FBitCount); }

void TDIB::UpdatePalette() {
  if (ColorTable == FImage->FColorTable) return;
  // Taking an image of its own resets the working table to the image's; keep the new one.
  const TRGBQuads table = ColorTable;
  Changing(true);
  ColorTable = table;
  FImage->SetColorTable(table);
  Changed();
}

HPALETTE TDIB::GetPalette() { return FImage->GetPalette(); }

void TDIB::SetPalette(HPALETTE Value) {
  if (!Value) return;
  PALETTEENTRY entries[kMaxColors];
  const UINT n = GetPaletteEntries(Value, 0, kMaxColors, entries);
  for (UINT i = 0; i < n && i < kMaxColors; ++i)
    ColorTable[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  UpdatePalette();
}

// ---- pixels ----

std::uint8_t* TDIB::ScanLine(std::int32_t Y) {
  if (Y < 0 || Y >= FHeight) throw EInvalidGraphicOperation(Format(dibmsg::SScanLineRangeOver, Y));
  Changing(true);
  if (!FImage->FMemoryImage) GdiFlush();
  return FTopPBits + static_cast<std::ptrdiff_t>(Y) * FNextLine;
}

const std::uint8_t* TDIB::ScanLineReadOnly(std::int32_t Y) {
  if (Y < 0 || Y >= FHeight) throw EInvalidGraphicOperation(Format(dibmsg::SScanLineRangeOver, Y));
  return TopPBitsReadOnly() + static_cast<std::ptrdiff_t>(Y) * FNextLine;
}

std::uint8_t* TDIB::TopPBits() {
  Changing(true);
  if (!FImage->FMemoryImage) GdiFlush();
  return FTopPBits;
}

std::uint8_t* TDIB::PBits() {
  Changing(true);
  if (!FImage->FMemoryImage) GdiFlush();
  return FPBits;
}

const std::uint8_t* TDIB::TopPBitsReadOnly() {
  // Run-length data has no rows to point at: it is expanded first.
  if (FImage->FCompressed) Changing(true);
  if (!FImage->FMemoryImage) GdiFlush();
  return FTopPBits;
}

const std::uint8_t* TDIB::PBitsReadOnly() {
  if (FImage->FCompressed) Changing(true);
  if (!FImage->FMemoryImage) GdiFlush();
  return FPBits;
}

std::uint32_t TDIB::Pixels(std::int32_t X, std::int32_t Y) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight || FSize == 0) return 0;
  const std::uint8_t* row = ScanLineReadOnly(Y);
  switch (FBitCount) {
    case 1: return (row[X / 8] >> (7 - X % 8)) & 1;
    case 4: return (X % 2 == 0) ? row[X / 2] >> 4 : row[X / 2] & 0x0F;
    case 8: return row[X];
    case 16: return GetLE16(row + 2 * X);
    case 24: {
      const std::uint8_t* p = row + 3 * X;
      return p[2] | (p[1] << 8) | (p[0] << 16);
    }
    case 32: return GetLE32(row + 4 * X);
    default: return 0;
  }
}

void TDIB::SetPixels(std::int32_t X, std::int32_t Y, std::uint32_t Value) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight || FSize == 0) return;
  std::uint8_t* row = ScanLine(Y);
  switch (FBitCount) {
    case 1: {
      const auto bit = static_cast<std::uint8_t>(0x80 >> (X % 8));
      row[X / 8] = (Value & 1) ? (row[X / 8] | bit) : (row[X / 8] & ~bit);
      break;
    }
    case 4: {
      std::uint8_t& b = row[X / 2];
      b = (X % 2 == 0) ? static_cast<std::uint8_t>((b & 0x0F) | ((Value & 0x0F) << 4))
                       : static_cast<std::uint8_t>((b & 0xF0) | (Value & 0x0F));
      break;
    }
    case 8: row[X] = static_cast<std::uint8_t>(Value); break;
    case 16: PutLE16(row + 2 * X, static_cast<std::uint16_t>(Value)); break;
    case 24: {
      std::uint8_t* p = row + 3 * X;
      p[0] = static_cast<std::uint8_t>(Value >> 16);
      p[1] = static_cast<std::uint8_t>(Value >> 8);
      p[2] = static_cast<std::uint8_t>(Value);
      break;
    }
    case 32: PutLE32(row + 4 * X, Value); break;
    default: break;
  }
}

// ---- storage ----

void TDIB::Compress() {
  if (Empty() || FImage->FCompressed || (FBitCount != 4 && FBitCount != 8)) return;
  if (!FImage->FMemoryImage) GdiFlush();
  std::vector<std::uint8_t> data = EncodeRLE(FBitCount, FWidth, FHeight, FWidthBytes, FPBits);
  SetImage(TDIBSharedImage::CreateCompressed(*FImage, std::move(data)));
}

void TDIB::Decompress() {
  if (FImage->FCompressed) Changing(true);
}

// ---- GDI ----

namespace {
// The canvas of a picture: a call that finds no context (the picture was a memory image or
// empty when the canvas last looked) asks the picture for its device bitmap.
class TDIBCanvas : public TCanvas {
 public:
  explicit TDIBCanvas(TEvent<HDC()> Fetch) : FFetch(Fetch) {}

 protected:
  void CreateHandle() override { SetHandle(FFetch()); }

 private:
  TEvent<HDC()> FFetch;
};
}  // namespace

TCanvas* TDIB::Canvas() {
  Changing(false);
  if (!FCanvas) {
    FCanvas.reset(Construct<TDIBCanvas>(TEvent<HDC()>::Of<&TDIB::CanvasHandle>(this)));
    FCanvas->OnChanging = TNotifyEvent::Of<&TDIB::CanvasChanging>(this);
    FCanvas->SetHandle(FImage->FDC);
  }
  return FCanvas.get();
}

HDC TDIB::CanvasHandle() {
  Changing(false);
  return FImage->FDC;
}

void TDIB::Draw(TCanvas& ACanvas, const TRect& Rect) {
  if (Empty()) return;
  const HDC dc = ACanvas.Handle();
  HPALETTE oldPalette = nullptr;
  if (FImage->FPaletteCount > 0) {
    if (const HPALETTE palette = FImage->GetPalette()) {
      oldPalette = SelectPalette(dc, palette, true);
      RealizePalette(dc);
    }
  }
  const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
  GdiFlush();
  const auto rop = static_cast<DWORD>(ACanvas.CopyMode());
  if (FImage->FMemoryImage) {
    TBitmapInfoBlock info;
    FImage->FillBitmapInfo(info);
    if (StretchDIBits(dc, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), 0, 0, FWidth, FHeight,
                      FPBits, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, rop) == 0)
      MessageBeep(MB_OK);
  } else {
    StretchBlt(dc, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), FImage->FDC, 0, 0, FWidth,
               FHeight, rop);
  }
  if (oldPalette) SelectPalette(dc, oldPalette, true);
  if (oldMode) SetStretchBltMode(dc, oldMode);
}
