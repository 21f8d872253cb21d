#include "assets/content/canvas.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace artwork {

Rgb Shade(Rgb c, double amount) {
  return amount >= 0 ? Mix(c, Rgb{1, 1, 1}, amount) : Mix(c, Rgb{0, 0, 0}, -amount);
}

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

namespace {

void AddStops(cairo_pattern_t* p, std::initializer_list<Stop> stops) {
  for (const Stop& s : stops) {
    cairo_pattern_add_color_stop_rgba(p, s.offset, s.color.r, s.color.g, s.color.b, s.alpha);
  }
}

}  // namespace

Pattern Linear(double x0, double y0, double x1, double y1, std::initializer_list<Stop> stops) {
  Pattern p(cairo_pattern_create_linear(x0, y0, x1, y1));
  AddStops(p.get(), stops);
  return p;
}

Pattern Radial(double cx, double cy, double r0, double r1, std::initializer_list<Stop> stops) {
  Pattern p(cairo_pattern_create_radial(cx, cy, r0, cx, cy, r1));
  AddStops(p.get(), stops);
  return p;
}

Pattern RadialFocus(double fx, double fy, double cx, double cy, double r,
                    std::initializer_list<Stop> stops) {
  Pattern p(cairo_pattern_create_radial(fx, fy, 0, cx, cy, r));
  AddStops(p.get(), stops);
  return p;
}

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)) {
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
}

Canvas::Canvas(cairo_surface_t* target, int width, int height, double scale)
    : width_(width),
      height_(height),
      surface_(cairo_surface_reference(target)),
      cr_(cairo_create(surface_)) {
  cairo_scale(cr_, scale, scale);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

std::uint32_t Canvas::Pixel(int x, int y) const {
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  // ARGB32 is a native-endian 32-bit word per pixel.
  std::uint32_t argb;
  std::memcpy(&argb, data + y * stride + x * 4, sizeof argb);
  return argb;
}

void SetColor(cairo_t* cr, Rgb c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void FillOutlined(cairo_t* cr, Rgb fill, Rgb outline, double lineWidth) {
  SetColor(cr, fill);
  cairo_fill_preserve(cr);
  Stroke(cr, outline, lineWidth);
}

void FillOutlined(cairo_t* cr, const Pattern& fill, Rgb outline, double lineWidth) {
  cairo_set_source(cr, fill.get());
  cairo_fill_preserve(cr);
  Stroke(cr, outline, lineWidth);
}

void Fill(cairo_t* cr, const Pattern& fill) {
  cairo_set_source(cr, fill.get());
  cairo_fill(cr);
}

void FillUnionOutlined(cairo_t* cr, const Pattern& fill, Rgb outline, double lineWidth) {
  SetColor(cr, outline);
  cairo_set_line_width(cr, 2 * lineWidth);
  cairo_stroke_preserve(cr);
  cairo_set_source(cr, fill.get());
  cairo_fill(cr);
}

void Stroke(cairo_t* cr, Rgb color, double lineWidth, double alpha) {
  SetColor(cr, color, alpha);
  cairo_set_line_width(cr, lineWidth);
  cairo_stroke(cr);
}

void EllipsePath(cairo_t* cr, double cx, double cy, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_restore(cr);
}

void RoundedRectPath(cairo_t* cr, double x, double y, double w, double h, double r) {
  const double pi = std::numbers::pi;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
  cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
  cairo_arc(cr, x + r, y + r, r, pi, 3 * pi / 2);
  cairo_close_path(cr);
}

void PolygonPath(cairo_t* cr, std::initializer_list<double> xy) {
  bool first = true;
  for (auto it = xy.begin(); it != xy.end() && it + 1 != xy.end(); it += 2) {
    if (first) {
      cairo_move_to(cr, it[0], it[1]);
    } else {
      cairo_line_to(cr, it[0], it[1]);
    }
    first = false;
  }
  cairo_close_path(cr);
}

void StarPath(cairo_t* cr, double cx, double cy, int points, double outer, double inner,
              double rotation) {
  const double step = std::numbers::pi / points;
  for (int i = 0; i < 2 * points; ++i) {
    const double r = i % 2 == 0 ? outer : inner;
    const double a = rotation - std::numbers::pi / 2 + i * step;
    if (i == 0) {
      cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    } else {
      cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
  }
  cairo_close_path(cr);
}

void Eye(cairo_t* cr, double cx, double cy, double r, Rgb iris, double lookX, double lookY,
         Rgb outline, double lineWidth) {
  EllipsePath(cr, cx, cy, r, r * 1.1);
  FillOutlined(
      cr, Radial(cx - r * 0.2, cy - r * 0.3, 0, r * 1.2, {{0, Hex(0xF4F1EA)}, {1, Hex(0xCFC8BE)}}),
      outline, lineWidth);
  const double ix = cx + lookX * r * 0.4, iy = cy + lookY * r * 0.4;
  EllipsePath(cr, ix, iy, r * 0.55, r * 0.6);
  Fill(cr, Radial(ix, iy, 0, r * 0.6, {{0, Shade(iris, 0.3)}, {1, Shade(iris, -0.3)}}));
  EllipsePath(cr, ix, iy, r * 0.28, r * 0.3);
  SetColor(cr, Hex(0x141018));
  cairo_fill(cr);
  EllipsePath(cr, ix - r * 0.2, iy - r * 0.25, r * 0.14, r * 0.14);
  SetColor(cr, Hex(0xF6F6F0));
  cairo_fill(cr);
}

}  // namespace artwork
