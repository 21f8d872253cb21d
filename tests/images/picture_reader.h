// What the picture fuzzer does with one input, shared with the test that reads the kept
// inputs: the input is read as a stored picture value, as DIB data and as a file; whatever
// comes out is drawn on pixel by pixel, expanded, written and compressed. The reader's own
// exceptions are expected; anything else escapes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "images/dib.h"
#include "toolkit/streams.h"

namespace picture_reader_detail {

// Pictures larger than this (with a border of one pixel) are read but not walked pixel by
// pixel.
constexpr std::int64_t kMaxWalkedPixels = 1 << 16;

inline void Exercise(TDIB& dib) {
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
