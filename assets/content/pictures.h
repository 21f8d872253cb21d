// The pictures of the image list, drawn by code when the program is built: a cartoon fairground
// shooting gallery. Each picture comes out in its stored pixel format (size, bits per pixel,
// colour table, padded bottom-up rows), ready to be wrapped as a device-independent bitmap.
#pragma once

#include <cairo.h>

#include <array>
#include <cstdint>
#include <vector>

#include "assets/catalogue/catalogue.h"

struct DrawnPicture {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  // Blue, green, red, 0 per entry: 16 entries for 4 bits, 256 for 8 bits, none for 24.
  std::vector<std::array<std::uint8_t, 4>> colorTable;
  // Bottom-up rows, each padded to a multiple of 4 bytes; 4-bit pixels high nibble first,
  // 24-bit pixels as blue, green, red.
  std::vector<std::uint8_t> bits;
};

// Draws the picture of an image item as it is drawn before it is stored, smooth and on a
// transparent background, onto a cairo surface: `scale` surface pixels to a picture pixel. For
// the program's icons at any size. Throws std::out_of_range for an item that holds no picture.
void DrawPictureOn(catalogue::Image image, cairo_surface_t* target, double scale);

// The picture of an image item, in the catalogue's size, bits per pixel and transparent colour.
// Throws std::out_of_range for an item that holds no picture. The same item gives the same
// bytes on every call.
DrawnPicture DrawPicture(catalogue::Image image);
