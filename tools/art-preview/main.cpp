// art-preview OUTDIR [ZOOM]: writes every drawn picture as PNG (decoded from its stored bits and
// colour table, so the PNG shows exactly what is stored, transparent colour included), every
// synthesised sound as WAV, and contact-sheet.png with all pictures, for looking and listening.
// scene.png puts them together as a moment of play would: background, targets, the boss, the
// gun at the bottom edge and the aim mark, each drawn with its colour key.
// With ZOOM, OUTDIR/zoomed/ also gets every picture enlarged that many times, pixel for pixel.
#include <cairo.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets/catalogue/catalogue.h"
#include "assets/content/pictures.h"
#include "assets/content/sounds.h"
#include "platform/gdi/pixels.h"

namespace {

using catalogue::Image;

struct Rgb {
  std::uint8_t r, g, b;
};

// Top-down RGB pixels of a stored picture.
std::vector<Rgb> Decode(const DrawnPicture& p) {
  const int stride = static_cast<int>(gdi::DibRowBytes(p.width, p.bitCount));
  std::vector<Rgb> out(static_cast<std::size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y) {
    const std::uint8_t* row = p.bits.data() + static_cast<std::size_t>(p.height - 1 - y) * stride;
    for (int x = 0; x < p.width; ++x) {
      Rgb& c = out[static_cast<std::size_t>(y) * p.width + x];
      if (p.bitCount == 24) {
        c = {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
        continue;
      }
      const int index = p.bitCount == 8 ? row[x] : (x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15);
      const auto& e = p.colorTable.at(index);
      c = {e[2], e[1], e[0]};
    }
  }
  return out;
}

void WritePng(const std::filesystem::path& path, int width, int height,
              const std::vector<Rgb>& pixels) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot write " + path.string());
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    throw std::runtime_error("cannot encode " + path.string());
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    png_write_row(png,
                  reinterpret_cast<png_const_bytep>(&pixels[static_cast<std::size_t>(y) * width]));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

std::vector<Rgb> Enlarge(const std::vector<Rgb>& pixels, int width, int height, int zoom) {
  std::vector<Rgb> out(pixels.size() * zoom * zoom);
  for (int y = 0; y < height * zoom; ++y) {
    for (int x = 0; x < width * zoom; ++x) {
      out[static_cast<std::size_t>(y) * width * zoom + x] =
          pixels[static_cast<std::size_t>(y / zoom) * width + x / zoom];
    }
  }
  return out;
}

void Put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void WriteWav(const std::filesystem::path& path, const SynthesizedSound& s) {
  const std::uint32_t blockAlign = s.channels * s.bitsPerSample / 8;
  std::vector<std::uint8_t> out;
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  // Players expect an even chunk, so a file for listening gets the pad byte.
  const std::uint32_t pad = s.data.size() % 2;
  Put(out, static_cast<std::uint32_t>(4 + 8 + 16 + 8 + s.data.size() + pad), 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put(out, 16, 4);
  Put(out, 1, 2);
  Put(out, s.channels, 2);
  Put(out, s.samplesPerSecond, 4);
  Put(out, s.samplesPerSecond * blockAlign, 4);
  Put(out, blockAlign, 2);
  Put(out, s.bitsPerSample, 2);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Put(out, static_cast<std::uint32_t>(s.data.size()), 4);
  out.insert(out.end(), s.data.begin(), s.data.end());
  if (pad) out.push_back(0);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
}

std::string Label(int index, std::string_view name) {
  std::string label = std::to_string(index);
  if (!name.empty()) label.append(" ").append(name);
  return label;
}

// All pictures on one sheet, the small ones enlarged, each with its index and name.
void WriteContactSheet(const std::filesystem::path& path,
                       const std::vector<std::pair<int, DrawnPicture>>& pictures) {
  constexpr int kSheetWidth = 1180, kPad = 14, kLabel = 18;
  struct Placed {
    int index, x, y, zoom;
  };
  std::vector<Placed> placed;
  int x = kPad, y = kPad, rowHeight = 0;
  for (const auto& [index, p] : pictures) {
    const int zoom = p.width >= 250 ? 1 : (p.width < 30 ? 4 : 2);
    const int w = p.width * zoom, h = p.height * zoom + kLabel;
    if (x + w + kPad > kSheetWidth) {
      x = kPad;
      y += rowHeight + kPad;
      rowHeight = 0;
    }
    placed.push_back({index, x, y, zoom});
    x += w + kPad;
    rowHeight = std::max(rowHeight, h);
  }
  const int height = y + rowHeight + kPad;
  cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSheetWidth, height);
  cairo_t* cr = cairo_create(sheet);
  cairo_set_source_rgb(cr, 0.22, 0.24, 0.27);
  cairo_paint(cr);
  for (std::size_t i = 0; i < placed.size(); ++i) {
    const DrawnPicture& p = pictures[i].second;
    const Placed& at = placed[i];
    const std::vector<Rgb> rgb = Decode(p);
    cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, p.width, p.height);
    cairo_surface_flush(img);
    unsigned char* data = cairo_image_surface_get_data(img);
    const int stride = cairo_image_surface_get_stride(img);
    for (int py = 0; py < p.height; ++py) {
      auto* row = reinterpret_cast<std::uint32_t*>(data + py * stride);
      for (int px = 0; px < p.width; ++px) {
        const Rgb& c = rgb[static_cast<std::size_t>(py) * p.width + px];
        row[px] = (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
      }
    }
    cairo_surface_mark_dirty(img);
    cairo_save(cr);
    cairo_translate(cr, at.x, at.y + kLabel);
    cairo_scale(cr, at.zoom, at.zoom);
    cairo_set_source_surface(cr, img, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(img);
    cairo_set_source_rgb(cr, 0.92, 0.92, 0.88);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 12);
    cairo_move_to(cr, at.x, at.y + 13);
    cairo_show_text(
        cr,
        Label(at.index, catalogue::Images().at(static_cast<std::size_t>(at.index)).name).c_str());
  }
  cairo_surface_flush(sheet);
  std::vector<Rgb> pixels(static_cast<std::size_t>(kSheetWidth) * height);
  const unsigned char* data = cairo_image_surface_get_data(sheet);
  const int stride = cairo_image_surface_get_stride(sheet);
  for (int py = 0; py < height; ++py) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + py * stride);
    for (int px = 0; px < kSheetWidth; ++px) {
      const std::uint32_t v = row[px];
      pixels[static_cast<std::size_t>(py) * kSheetWidth + px] = {static_cast<std::uint8_t>(v >> 16),
                                                                 static_cast<std::uint8_t>(v >> 8),
                                                                 static_cast<std::uint8_t>(v)};
    }
  }
  cairo_destroy(cr);
  cairo_surface_destroy(sheet);
  WritePng(path, kSheetWidth, height, pixels);
}

}  // namespace

// Draws picture p at (left, top) onto a 640 x 480 frame, leaving out its transparent colour.
void DrawKeyed(std::vector<Rgb>& frame, const DrawnPicture& p, int left, int top, bool keyed) {
  const std::vector<Rgb> px = Decode(p);
  // The stored pictures keep their background in every corner.
  const Rgb key = px[0];
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const Rgb& c = px[static_cast<std::size_t>(y) * p.width + x];
      const int fx = left + x, fy = top + y;
      if (fx < 0 || fy < 0 || fx >= 640 || fy >= 480) continue;
      if (keyed && c.r == key.r && c.g == key.g && c.b == key.b) continue;
      frame[static_cast<std::size_t>(fy) * 640 + fx] = c;
    }
  }
}

void WriteScene(const std::filesystem::path& path,
                const std::vector<std::pair<int, DrawnPicture>>& pictures) {
  const auto picture = [&](int index) -> const DrawnPicture& {
    for (const auto& [i, p] : pictures) {
      if (i == index) return p;
    }
    throw std::out_of_range("no picture");
  };
  std::vector<Rgb> frame(640 * 480);
  DrawKeyed(frame, picture(catalogue::Index(Image::Bakgrund)), 0, 0, false);
  struct Placed {
    int index, left, top;
  };
  using enum catalogue::Image;
  const Placed scene[] = {
      {Index(BossGrubbel), 380, 120}, {Index(Plimo), 90, 150},   {Index(Tolvar), 250, 260},
      {Index(Grubbel), 470, 330},     {Index(Bazooka), 180, 60}, {Index(TargetBoard), 560, 40},
      {Index(Plimo), 20, 330},        {Index(Tolvar), 330, 90},  {Index(Burgare), 95, 190},
      {Index(Bazooka), 296, 360},     {Index(Sikte), 345, 180}};
  for (const Placed& s : scene) DrawKeyed(frame, picture(s.index), s.left, s.top, true);
  WritePng(path, 640, 480, frame);
}

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: art-preview OUTDIR [ZOOM]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const int zoom = argc == 3 ? std::max(1, std::atoi(argv[2])) : 0;
  std::filesystem::create_directories(dir);
  if (zoom) std::filesystem::create_directories(dir / "zoomed");
  try {
    std::vector<std::pair<int, DrawnPicture>> pictures;
    for (const catalogue::ImageItem& item : catalogue::Images()) {
      if (!item.hasPicture()) continue;
      const int index = catalogue::Index(item.id);
      DrawnPicture p = DrawPicture(item.id);
      char name[64];
      std::snprintf(name, sizeof name, "image-%02d%s%.*s.png", index, item.name.empty() ? "" : "-",
                    static_cast<int>(item.name.size()), item.name.data());
      const std::vector<Rgb> rgb = Decode(p);
      WritePng(dir / name, p.width, p.height, rgb);
      if (zoom) {
        WritePng(dir / "zoomed" / name, p.width * zoom, p.height * zoom,
                 Enlarge(rgb, p.width, p.height, zoom));
      }
      pictures.emplace_back(index, std::move(p));
    }
    WriteContactSheet(dir / "contact-sheet.png", pictures);
    WriteScene(dir / "scene.png", pictures);
    for (const catalogue::WaveItem& item : catalogue::Waves()) {
      char name[64];
      std::snprintf(name, sizeof name, "wave-%02d%s%.*s.wav", catalogue::Index(item.id),
                    item.name.empty() ? "" : "-", static_cast<int>(item.name.size()),
                    item.name.data());
      WriteWav(dir / name, SynthesizeSound(item.id));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "art-preview: %s\n", e.what());
    return 1;
  }
  // Lets cairo give back its font caches, so a leak checker sees only real leaks.
  cairo_debug_reset_static_data();
  return 0;
}
