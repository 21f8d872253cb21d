// What the picture fuzzer does with one input, shared with the test that reads the kept
// inputs: the input is read as a stored picture value, as DIB data and as a file; whatever
// comes out is drawn as the program draws pictures (from memory, from run-length data and from
// its device bitmap, onto pictures of the display's formats), walked pixel by pixel, expanded,
// written and compressed. The reader's own exceptions are expected; anything else escapes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/dib.h"
#include "toolkit/streams.h"

namespace picture_reader_detail {

// Pictures larger than this (with a border of one pixel) are read but not walked pixel by
// pixel.
constexpr std::int64_t kMaxWalkedPixels = 1 << 16;

// Pictures larger than this are read but not drawn.
constexpr std::int64_t kMaxDrawnPixels = 1 << 20;

// Draws the picture onto a small picture of each of the display's formats, at its own size and
// stretched past the target's edges, as the image list and the canvas do.
inline void DrawOnDisplayFormats(TDIB& dib) {
  struct Kind {
    std::int32_t bits;
    TDIBPixelFormat format;
  };
  const Kind kinds[] = {
      {8, kPixelFormat888}, {16, kPixelFormat565}, {16, kPixelFormat555}, {32, kPixelFormat888}};
  for (const Kind& kind : kinds) {
    TOwnedPtr<TDIB> target(Construct<TDIB>());
    target->PixelFormat = kind.format;
    target->SetSize(7, 5, kind.bits);
    TCanvas* canvas = target->Canvas();
    canvas->Draw(2, 1, &dib);
    canvas->StretchDraw(Rect(-1, -2, 6, 4), &dib);
  }
}

inline void Exercise(TDIB& dib) {
  const std::int64_t pixels = std::int64_t{dib.Width()} * dib.Height();
  // Run-length pictures draw without being expanded first.
  if (pixels <= kMaxDrawnPixels) DrawOnDisplayFormats(dib);
  const std::int64_t walked = (std::int64_t{dib.Width()} + 2) * (std::int64_t{dib.Height()} + 2);
  if (walked > kMaxWalkedPixels) return;
  std::uint64_t sum = 0;
  for (std::int32_t y = -1; y <= dib.Height(); ++y)
    for (std::int32_t x = -1; x <= dib.Width(); ++x) sum += dib.Pixels(x, y);
  if (dib.Height() > 0) dib.SetPixels(0, 0, static_cast<std::uint32_t>(sum));
  TOwnedPtr<TMemoryStream> out(Construct<TMemoryStream>());
  dib.WriteData(*out);
  dib.Compress();
  dib.WriteData(*out);
  dib.Decompress();
  // From the device bitmap a canvas makes, as surfaces are loaded.
  dib.Canvas();
  DrawOnDisplayFormats(dib);
}

template <class Read>
void Attempt(const std::uint8_t* data, std::size_t size, Read read) {
  TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
  stream->WriteBuffer(data, static_cast<std::int64_t>(size));
  stream->SetPosition(0);
  try {
    read(*stream);
  } catch (const EInvalidGraphic&) {
  } catch (const EInvalidGraphicOperation&) {
  } catch (const EReadError&) {
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace picture_reader_detail

inline void ReadPictureInput(const std::uint8_t* data, std::size_t size) {
  using namespace picture_reader_detail;
  Attempt(data, size, [](TStream& s) {
    TOwnedPtr<TPicture> picture(Construct<TPicture>());
    picture->ReadData(s);
    if (auto* dib = dynamic_cast<TDIB*>(picture->Graphic())) Exercise(*dib);
  });
  Attempt(data, size, [](TStream& s) {
    TOwnedPtr<TDIB> dib(Construct<TDIB>());
    dib->ReadData(s);
    Exercise(*dib);
  });
  Attempt(data, size, [](TStream& s) {
    TOwnedPtr<TDIB> dib(Construct<TDIB>());
    dib->LoadFromStream(s);
    Exercise(*dib);
  });
}
