// Writes pictures as PNG files, so that a failed pixel comparison leaves images a person can
// look at. Pixels are 0x00RRGGBB, top row first.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace testpng {

inline bool Write(const std::string& path, int width, int height,
                  const std::vector<std::uint32_t>& pixels) {
  if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height)
    return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t c = pixels[static_cast<std::size_t>(y) * width + x];
        row[x * 3] = png_byte(c >> 16);
        row[x * 3 + 1] = png_byte(c >> 8);
        row[x * 3 + 2] = png_byte(c);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return ok;
}

// The folder for images of one test run.
inline std::string OutputPath(const std::string& name) {
  return ::testing::TempDir() + name + ".png";
}

// Compares two pictures; on a difference writes both as NAME-actual.png and NAME-expected.png
// and answers a message naming the first differing pixel and the files.
inline ::testing::AssertionResult SamePicture(const std::string& name, int width, int height,
                                              const std::vector<std::uint32_t>& actual,
                                              const std::vector<std::uint32_t>& expected) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      if (actual[i] == expected[i]) continue;
      const std::string a = OutputPath(name + "-actual"), e = OutputPath(name + "-expected");
      Write(a, width, height, actual);
      Write(e, width, height, expected);
      char where[160];
      std::snprintf(where, sizeof where, "first difference at (%d, %d): 0x%06X, expected 0x%06X", x,
                    y, static_cast<unsigned>(actual[i]), static_cast<unsigned>(expected[i]));
      return ::testing::AssertionFailure()
             << where << "; pictures written to " << a << " and " << e;
    }
  return ::testing::AssertionSuccess();
}

}  // namespace testpng
