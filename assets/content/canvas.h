// Drawing helpers for the stored pictures: a cairo image surface to draw one figure on, colours,
// gradients and the outlined cartoon shapes that every picture is made of.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <initializer_list>

namespace artwork {

// A colour with channels 0 to 1.
struct Rgb {
  double r = 0, g = 0, b = 0;
};

// 0xRRGGBB, as colours are usually written down.
constexpr Rgb Hex(std::uint32_t rrggbb) {
  return {((rrggbb >> 16) & 0xFF) / 255.0, ((rrggbb >> 8) & 0xFF) / 255.0, (rrggbb & 0xFF) / 255.0};
}
// Towards white (amount > 0) or black (amount < 0) by |amount| of the way.
Rgb Shade(Rgb c, double amount);
Rgb Mix(Rgb a, Rgb b, double t);

struct Stop {
  double offset;
  Rgb color;
  double alpha = 1;
};

// An owned cairo pattern.
class Pattern {
 public:
  explicit Pattern(cairo_pattern_t* p) : p_(p) {}
  ~Pattern() {
    if (p_ != nullptr) cairo_pattern_destroy(p_);
  }
  Pattern(Pattern&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  Pattern(const Pattern&) = delete;
  Pattern& operator=(const Pattern&) = delete;
  Pattern& operator=(Pattern&&) = delete;
  cairo_pattern_t* get() const { return p_; }

 private:
  cairo_pattern_t* p_;
};

Pattern Linear(double x0, double y0, double x1, double y1, std::initializer_list<Stop> stops);
Pattern Radial(double cx, double cy, double r0, double r1, std::initializer_list<Stop> stops);
// A radial gradient whose inner circle sits at (fx, fy): a highlight off the centre.
Pattern RadialFocus(double fx, double fy, double cx, double cy, double r,
                    std::initializer_list<Stop> stops);

// A transparent ARGB32 surface of the picture's size with a cairo context on it, or a context
// on a surface of the caller's (an SVG document, a larger image) drawn in the picture's units.
class Canvas {
 public:
  Canvas(int width, int height);
  // Draws onto `target` (kept referenced while the canvas lives), `scale` target pixels to a
  // picture unit. Pixel() answers only for an image surface.
  Canvas(cairo_surface_t* target, int width, int height, double scale);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return cr_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Premultiplied 0xAARRGGBB at (x, y); the drawing is flushed first.
  std::uint32_t Pixel(int x, int y) const;

 private:
  int width_, height_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

void SetColor(cairo_t* cr, Rgb c, double alpha = 1);
// Fills the current path and strokes it with outline; the path is consumed.
void FillOutlined(cairo_t* cr, Rgb fill, Rgb outline, double lineWidth);
void FillOutlined(cairo_t* cr, const Pattern& fill, Rgb outline, double lineWidth);
void Fill(cairo_t* cr, const Pattern& fill);
// For a path of overlapping pieces (puffs, lumps): the outline goes round their union only.
void FillUnionOutlined(cairo_t* cr, const Pattern& fill, Rgb outline, double lineWidth);
void Stroke(cairo_t* cr, Rgb color, double lineWidth, double alpha = 1);

// Paths, added to the current path.
void EllipsePath(cairo_t* cr, double cx, double cy, double rx, double ry);
void RoundedRectPath(cairo_t* cr, double x, double y, double w, double h, double r);
// A closed polygon through flat (x, y) pairs.
void PolygonPath(cairo_t* cr, std::initializer_list<double> xy);
// A star with the given number of points.
void StarPath(cairo_t* cr, double cx, double cy, int points, double outer, double inner,
              double rotation);

// A cartoon eye looking towards (lookX, lookY) (each -1 to 1): white, iris, pupil and a glint.
void Eye(cairo_t* cr, double cx, double cy, double r, Rgb iris, double lookX, double lookY,
         Rgb outline, double lineWidth);

}  // namespace artwork
