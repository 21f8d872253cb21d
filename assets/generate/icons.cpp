// Draws the program's icon, the boss, from the same drawing code as its stored picture, as the
// desktop's icon theme wants it: PNGs of 48, 64, 128 and 256 pixels and an SVG, each drawn
// smooth at its own size on a transparent background.
//   marvosk_generate_icons FOLDER NAME
// writes FOLDER/hicolor/SIZExSIZE/apps/NAME.png and FOLDER/hicolor/scalable/apps/NAME.svg.
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "assets/catalogue/catalogue.h"
#include "assets/content/pictures.h"

namespace {

constexpr catalogue::Image kIcon = catalogue::Image::BossGrubbel;
constexpr int kSizes[] = {48, 64, 128, 256};

void Check(cairo_status_t status, const std::filesystem::path& path) {
  if (status != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error(path.string() + ": " + cairo_status_to_string(status));
}

void WritePng(const std::filesystem::path& path, int size) {
  const catalogue::ImageItem& item = catalogue::Item(kIcon);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  DrawPictureOn(kIcon, surface, static_cast<double>(size) / std::max(item.width, item.height));
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  Check(status, path);
}

void WriteSvg(const std::filesystem::path& path) {
  const catalogue::ImageItem& item = catalogue::Item(kIcon);
  cairo_surface_t* surface = cairo_svg_surface_create(path.c_str(), item.width, item.height);
  DrawPictureOn(kIcon, surface, 1);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  Check(status, path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER NAME\n", argv[0]);
    return 2;
  }
  try {
    const std::filesystem::path theme = std::filesystem::path(argv[1]) / "hicolor";
    const std::string file = argv[2];
    for (int size : kSizes) {
      const std::string dims = std::to_string(size) + "x" + std::to_string(size);
      std::filesystem::create_directories(theme / dims / "apps");
      WritePng(theme / dims / "apps" / (file + ".png"), size);
    }
    std::filesystem::create_directories(theme / "scalable" / "apps");
    WriteSvg(theme / "scalable" / "apps" / (file + ".svg"));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
