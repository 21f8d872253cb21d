// The pixel store behind device-independent bitmaps: one shared, reference-counted image that
// holds the pixels (plain memory, run-length data, or a GDI DIB section selected into a memory
// device context) with the header that describes them, and the program-wide manager that lets
// images with equal colour tables share one GDI palette.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "picture/dib_format.h"
#include "platform/gdi/gdi.h"
#include "toolkit/graphics_picture.h"

// Messages of the picture classes.
namespace dibmsg {
inline constexpr const char* SInvalidDIB = "DIB is invalid";
inline constexpr const char* SInvalidBitCount = "Bitcount in invalid (%d)";
inline constexpr const char* SInvalidPixelFormat = "PixelFormat in invalid";
inline constexpr const char* SCannotMade = "%s cannot be made";
inline constexpr const char* SScanLineRangeOver =
    "Index of the scanning line exceeded the range. (%d)";
}  // namespace dibmsg

// A 40-byte header with room for three masks and 256 colours, as GDI takes it.
struct TBitmapInfoBlock {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256 + 3];
};

class TDIB;

class TDIBSharedImage : public TSharedImage {
 public:
  // An empty 8-8-8 memory image whose colour table is a grey ramp.
  TDIBSharedImage();
  ~TDIBSharedImage() override;

  // A new image of W x H pixels of bit count B (nothing checked by the caller). A memory image
  // gets a cleared block, a device image a DIB section on a memory device context; a compressed
  // one gets no block (the reader gives it its data). Raises EInvalidGraphicOperation for a bit
  // count or format that cannot be built, EOutOfResources "%s cannot be made" with "DIB" when the
  // DIB section cannot be made, std::bad_alloc when the block cannot.
  static TDIBSharedImage* Create(std::int32_t W, std::int32_t H, std::int32_t B,
                                 const TDIBPixelFormat& PixelFormat, const TRGBQuads& ColorTable,
                                 bool MemoryImage, bool Compressed);
  // A new uncompressed image with the same geometry, colours and pixels as Source (run-length
  // data expanded); a memory image when MemoryImage and Source is one.
  static TDIBSharedImage* Duplicate(const TDIBSharedImage& Source, bool MemoryImage);
  // A new compressed memory image holding Data as the run-length pixels of Source's geometry.
  static TDIBSharedImage* CreateCompressed(const TDIBSharedImage& Source,
                                           std::vector<std::uint8_t> Data);

  // Gives the image a colour table: all 256 entries kept, the palette renewed on demand, and
  // for an image with pixels and a colour table, the DIB section's table and the header's
  // entries set too.
  void SetColorTable(const TRGBQuads& Value);
  // The GDI palette of the colour table, renewed after a colour change; 0 without a table.
  HPALETTE GetPalette();
  // The header for GDI calls, built from the same values as the stored header.
  void FillBitmapInfo(TBitmapInfoBlock& Info) const;
  // Gives a compressed image its run-length data.
  void SetCompressedData(std::vector<std::uint8_t> Data);

  bool Empty() const { return FSize == 0; }

 private:
  friend class TDIB;

  void Build(std::int32_t W, std::int32_t H, std::int32_t B, const TDIBPixelFormat& PixelFormat,
             const TRGBQuads& ColorTable, bool MemoryImage, bool Compressed);
  void BuildBitmapInfo();
  void MakeDeviceBitmap();
  void ReleaseStore();
  // Copies Source's pixels (expanded) into this image's block of the same geometry.
  void CopyPixelsFrom(const TDIBSharedImage& Source);

  std::int32_t FWidth = 0;
  std::int32_t FHeight = 0;
  std::int32_t FBitCount = 0;
  std::int32_t FWidthBytes = 0;
  std::int32_t FNextLine = 0;
  std::int32_t FSize = 0;
  std::uint8_t* FPBits = nullptr;
  std::uint8_t* FTopPBits = nullptr;
  std::vector<std::uint8_t> FBitmapInfo;
  std::int32_t FBitmapInfoSize = 0;
  TRGBQuads FColorTable{};
  std::int32_t FColorTablePos = 0;
  std::int32_t FPaletteCount = 0;
  TDIBPixelFormat FPixelFormat = kPixelFormat888;
  bool FCompressed = false;
  bool FMemoryImage = true;
  std::unique_ptr<std::uint8_t[]> FMemory;  // the block of a memory image
  HDC FDC = nullptr;
  HBITMAP FHandle = nullptr;
  HGDIOBJ FOldHandle = nullptr;
  HPALETTE FPalette = nullptr;
  bool FChangePalette = true;
};

// One GDI palette per distinct colour table, shared by count.
class TPaletteManager {
 public:
  static TPaletteManager& Instance();

  // The palette of the first Count entries of ColorTable: an existing one with the same
  // entries, or a new one.
  HPALETTE CreatePalette(const RGBQUAD* ColorTable, int Count);
  // Gives a palette back and clears the caller's handle; the last user deletes it.
  void DeletePalette(HPALETTE& Palette);
  int Count() const { return static_cast<int>(FItems.size()); }

 private:
  struct TPaletteItem {
    std::uint32_t ID = 0;
    HPALETTE Palette = nullptr;
    int RefCount = 0;
    TRGBQuads ColorTable{};
    int ColorTableCount = 0;
  };
  std::vector<TPaletteItem> FItems;
};
