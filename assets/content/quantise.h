// The last step of every picture: the drawn figure is keyed against its transparent colour and
// reduced to the stored pixel format.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "assets/content/canvas.h"
#include "assets/content/pictures.h"

namespace artwork {

using Rgb8 = std::array<std::uint8_t, 3>;  // red, green, blue

struct PictureFormat {
  int width;
  int height;
  int bitCount;             // 4, 8 or 24
  std::optional<Rgb8> key;  // the transparent colour, for a picture drawn with a colour key
};

// How far, in the largest of the three channel differences, every figure pixel stays from the
// key. A display of 16 bits per pixel keeps only the top 5 or 6 bits of a channel, so a figure
// colour within 8 of the key could turn transparent there; twice as far again leaves room for
// the palettes' averaging.
inline constexpr int kKeyClearance = 40;

// Keys and quantises the canvas:
// - with a key, a pixel less than half covered becomes exactly the key and every other pixel
//   takes the figure's own, unblended colour, moved away from the key when it came within
//   kKeyClearance of it, so that keyed edges cut clean;
// - without a key, the drawing is laid on black;
// - 4 and 8 bits get a palette built from the picture's colours (the key is entry 0).
DrawnPicture Finish(const Canvas& canvas, const PictureFormat& format);

}  // namespace artwork
