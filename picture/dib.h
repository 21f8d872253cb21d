// The device-independent bitmap, the picture kind that every stored picture is: reading and
// writing its data and its file form, pixel access, colour tables, drawing onto a canvas, and
// cheap copies that share one image until one of them changes.
//
// A TDIB refers to one TDIBSharedImage. Copies (Assign from another TDIB) share it; the first
// change to pixels or colours gives the changing picture an image of its own. Reading always
// builds a new image. Newly read pictures are memory images; asking for the Canvas turns the
// image into a GDI DIB section with a device context. Run-length data stays compressed until
// pixels are needed.
#pragma once

#include <cstdint>

#include "picture/dib_format.h"
#include "picture/dib_image.h"
#include "toolkit/graphics.h"
#include "toolkit/graphics_picture.h"

// The most pixels a run-length picture may declare. Its data says nothing about how large the
// expanded picture is (a few bytes of moves cross any size), so the reader refuses more than this
// rather than reserving the expanded block when pixels are first needed. 8192 x 8192 pixels is
// 64 MB expanded at 8 bits and 256 MB as a 32-bit surface: hundreds of screens of 640 x 480,
// and still a size that a 1 KB file may make the program take without harm.
inline constexpr std::int64_t kMaxCompressedPixels = std::int64_t{8192} * 8192;

class TDIB : public TGraphic {
  DECLARE_CLASSINFO(TDIB);

  TDIB();
  ~TDIB() override;

  // The colours and format the next SetSize builds with; UpdatePalette pushes ColorTable into
  // the image.
  TRGBQuads ColorTable;
  TDIBPixelFormat PixelFormat;

  // From another TDIB: its image is shared, no pixels copied. From another graphic, or a
  // picture holding one: converted to 24 bits. From nothing: cleared.
  void Assign(const TPersistent* Source) override;
  // Stretches the whole picture into Rect with the canvas's copy mode; nothing when empty.
  void Draw(TCanvas& ACanvas, const TRect& Rect) override;
  bool Empty() const override { return FSize == 0; }
  std::int32_t Height() const override { return FHeight; }
  std::int32_t Width() const override { return FWidth; }
  void SetHeight(std::int32_t Value) override;
  void SetWidth(std::int32_t Value) override;
  HPALETTE GetPalette() override;
  // Takes the palette's colours as the colour table.
  void SetPalette(HPALETTE Value) override;

  // The DIB data: header, masks, colour table and pixels, no file header; the pixels follow the
  // declared colour table. An empty stream gives an empty picture; on any failure the picture
  // is unchanged. What the header declares is checked before anything is reserved:
  //  - the declared colour table (colours used, or 2^bits for 8 bits or less) must be in the
  //    stream, else EReadError; its first 256 entries are kept and the rest passed over;
  //  - uncompressed pixels must be in the stream, else EReadError;
  //  - run-length data (SizeImage bytes) must be in the stream, else EReadError, and the
  //    picture no larger than kMaxCompressedPixels, else EInvalidGraphic.
  // Bit fields at the standard places (16 bits: 5-5-5 7C00/03E0/001F or 5-6-5 F800/07E0/001F;
  // other bit counts: 8-8-8 00FF0000/0000FF00/000000FF) keep the pixels as stored. Other masks
  // of 16- or 32-bit pixels are read channel by channel into a 32-bit 8-8-8 picture, each
  // channel scaled from its mask's width to 8 bits (v * 255 / max, rounded); every mask must be
  // one run of set bits inside the pixel, none overlapping another, not all of them 0 (a mask
  // of 0 gives a channel of 0). Other masks fail with EInvalidGraphicOperation "PixelFormat in
  // invalid".
  void ReadData(TStream& Stream) override;
  // The image's own header (FBitmapInfo) and its Size bytes of pixels; nothing when empty.
  void WriteData(TStream& Stream) override;
  // The file form: a 14-byte "BM" file header in front of the DIB data. The pixels are read
  // from the header's pixel offset (counted from the start of the file header) and any gap
  // before them passed over; an offset of 0 means the pixels follow the colour table. An offset
  // inside the headers, masks or declared colour table fails with EInvalidGraphic, one past the
  // end of the stream with EReadError.
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) override;

  std::int32_t BitCount() const { return FBitCount; }
  std::int32_t WidthBytes() const { return FWidthBytes; }
  // The distance from one row to the row below it: minus WidthBytes.
  std::int32_t NextLine() const { return FNextLine; }
  std::int32_t Size() const { return FSize; }
  const TDIBPixelFormat& NowPixelFormat() const { return FNowPixelFormat; }

  // Row Y (0 = top) for writing; the image becomes this picture's own. EInvalidGraphicOperation
  // "Index of the scanning line exceeded the range. (%d)" outside 0 .. Height - 1.
  std::uint8_t* ScanLine(std::int32_t Y);
  // Row Y for reading; a shared image stays shared.
  const std::uint8_t* ScanLineReadOnly(std::int32_t Y);
  std::uint8_t* TopPBits();
  std::uint8_t* PBits();
  const std::uint8_t* TopPBitsReadOnly();
  const std::uint8_t* PBitsReadOnly();

  // The pixel at (X, Y), Y = 0 the top row: an index for 8 bits or less, the stored word for
  // 16 and 32 bits, red + green * 256 + blue * 65536 for 24 bits. 0 outside the picture.
  std::uint32_t Pixels(std::int32_t X, std::int32_t Y);
  // Writes the pixel (see Pixels for the meaning of the value); nothing outside the picture.
  void SetPixels(std::int32_t X, std::int32_t Y, std::uint32_t Value);

  // A new image of that size and bit count from ColorTable and PixelFormat; nothing when size,
  // bit count and masks are unchanged; a width or height of 0 or less empties the picture.
  void SetSize(std::int32_t AWidth, std::int32_t AHeight, std::int32_t ABitCount);
  // Gives the image the working ColorTable when it differs.
  void UpdatePalette();
  // A canvas on the picture's device context; the image becomes a DIB section of its own.
  TCanvas* Canvas();
  // The DIB section; 0 while the picture is a memory image.
  HBITMAP Handle() const;
  // Run-length storage (4- and 8-bit pictures only) and back.
  void Compress();
  void Decompress();
  bool Compressed() const;
  // Whether the pixels are plain memory rather than a DIB section.
  bool MemoryImage() const;
  // How many pictures share this picture's image.
  int ImageRefCount() const;

 private:
  void SetImage(TDIBSharedImage* Value);
  // Makes the image this picture's own before a change: a copy when it is shared, compressed
  // or (when a device bitmap is wanted) a memory image.
  void Changing(bool MemoryImage);
  void CanvasChanging(TObject* Sender);
  HDC CanvasHandle();
  // PixelStart: the stream position of the pixels, or kPixelsFollowTable.
  void ReadDIB(TStream& Stream, std::int64_t PixelStart);
  static constexpr std::int64_t kPixelsFollowTable = -1;
  void Clear();

  TDIBSharedImage* FImage = nullptr;
  std::int32_t FBitCount = 0;
  std::int32_t FWidth = 0;
  std::int32_t FHeight = 0;
  std::int32_t FWidthBytes = 0;
  std::int32_t FNextLine = 0;
  std::int32_t FSize = 0;
  std::uint8_t* FPBits = nullptr;
  std::uint8_t* FTopPBits = nullptr;
  TDIBPixelFormat FNowPixelFormat;
  TOwnedPtr<TCanvas> FCanvas;
};
