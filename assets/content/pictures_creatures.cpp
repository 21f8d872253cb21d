// The creatures that cross the gallery: Plimo (a pink puffball), Tolvar (a tin critter that
// rings when hit), Grubbel (a tall, hungry gourd of a creature) and the big Grubbel boss.
#include <cmath>
#include <numbers>

#include "assets/content/picture_groups.h"
#include "assets/content/rng.h"

namespace artwork {

namespace {

constexpr double kPi = std::numbers::pi;
const Rgb kInk = Hex(0x24141C);

// A soft blush on a cheek.
void Blush(cairo_t* cr, double x, double y, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, rx, ry);
  cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
  cairo_restore(cr);
  Fill(cr, Radial(x, y, 0, std::max(rx, ry), {{0, Hex(0xF0507A), 0.55}, {1, Hex(0xF0507A), 0}}));
}

// A row of teeth hanging from (x0, y) to (x1, y), points down (or up when up is set).
void Teeth(cairo_t* cr, double x0, double x1, double y, int count, double length, bool up,
           double lineWidth) {
  const double w = (x1 - x0) / count;
  cairo_new_path(cr);
  for (int i = 0; i < count; ++i) {
    const double l = x0 + i * w;
    const double tip = up ? y - length : y + length;
    cairo_move_to(cr, l, y);
    cairo_line_to(cr, l + w * 0.5, tip);
    cairo_line_to(cr, l + w, y);
    cairo_close_path(cr);
  }
  FillOutlined(cr, Hex(0xF2ECD0), kInk, lineWidth);
}

}  // namespace

void DrawPlimo(Canvas& c) {
  cairo_t* cr = c.cr();
  const double cx = 35, cy = 50;
  const Rgb pink = Hex(0xF48CC0);
  // Antennae with bobbles.
  for (int side = -1; side <= 1; side += 2) {
    cairo_move_to(cr, cx + side * 6, cy - 26);
    cairo_curve_to(cr, cx + side * 8, cy - 36, cx + side * 16, cy - 40, cx + side * 18, cy - 42);
    Stroke(cr, kInk, 3.2);
    cairo_move_to(cr, cx + side * 6, cy - 26);
    cairo_curve_to(cr, cx + side * 8, cy - 36, cx + side * 16, cy - 40, cx + side * 18, cy - 42);
    Stroke(cr, Shade(pink, -0.25), 1.4);
    cairo_arc(cr, cx + side * 18, cy - 43, 4.2, 0, 2 * kPi);
    FillOutlined(cr,
                 RadialFocus(cx + side * 18 - 1.5, cy - 44.5, cx + side * 18, cy - 43, 4.5,
                             {{0, Hex(0xFFF4A0)}, {1, Hex(0xE8A820)}}),
                 kInk, 1.2);
  }
  // Feet.
  for (int side = -1; side <= 1; side += 2) {
    EllipsePath(cr, cx + side * 12, 79.5, 10, 5);
    FillOutlined(cr, Linear(0, 75, 0, 85, {{0, Hex(0xF6A25A)}, {1, Hex(0xC86A28)}}), kInk, 1.4);
  }
  // Arms, waving.
  cairo_move_to(cr, cx - 24, cy + 2);
  cairo_curve_to(cr, cx - 30, cy - 2, cx - 30.5, cy - 10, cx - 29, cy - 14);
  cairo_move_to(cr, cx + 24, cy + 4);
  cairo_curve_to(cr, cx + 29, cy + 8, cx + 30.5, cy + 12, cx + 29.5, cy + 16);
  Stroke(cr, kInk, 5.5);
  cairo_move_to(cr, cx - 24, cy + 2);
  cairo_curve_to(cr, cx - 30, cy - 2, cx - 30.5, cy - 10, cx - 29, cy - 14);
  cairo_move_to(cr, cx + 24, cy + 4);
  cairo_curve_to(cr, cx + 29, cy + 8, cx + 30.5, cy + 12, cx + 29.5, cy + 16);
  Stroke(cr, Shade(pink, -0.1), 3);
  // Fluffy body: a ring of tufts round a round middle.
  cairo_new_path(cr);
  EllipsePath(cr, cx, cy, 25, 27);
  const int tufts = 18;
  for (int i = 0; i < tufts; ++i) {
    const double a = i * 2 * kPi / tufts;
    EllipsePath(cr, cx + 24 * std::cos(a), cy + 26.5 * std::sin(a), 5, 5);
  }
  FillUnionOutlined(cr,
                    RadialFocus(cx - 8, cy - 12, cx, cy, 34,
                                {{0, Hex(0xFFD0E8)}, {0.45, pink}, {1, Hex(0xB84E8C)}}),
                    kInk, 1.3);
  // Belly.
  EllipsePath(cr, cx, cy + 11, 14, 12);
  Fill(cr, Radial(cx, cy + 11, 0, 14, {{0, Hex(0xFFE4F0), 0.9}, {1, Hex(0xFFE4F0), 0}}));
  // Face.
  Eye(cr, cx - 9, cy - 9, 7.5, Hex(0x3A7AD8), 0.2, 0.1, kInk, 1.3);
  Eye(cr, cx + 9, cy - 9, 7.5, Hex(0x3A7AD8), 0.2, 0.1, kInk, 1.3);
  Blush(cr, cx - 16, cy + 2, 4.5, 3);
  Blush(cr, cx + 16, cy + 2, 4.5, 3);
  // An open, startled smile with a tongue.
  cairo_move_to(cr, cx - 8, cy + 2);
  cairo_curve_to(cr, cx - 6, cy + 13, cx + 6, cy + 13, cx + 8, cy + 2);
  cairo_close_path(cr);
  cairo_save(cr);
  cairo_clip_preserve(cr);
  SetColor(cr, Hex(0x6A1428));
  cairo_fill(cr);
  EllipsePath(cr, cx + 1, cy + 10, 5, 3.5);
  SetColor(cr, Hex(0xF46A7A));
  cairo_fill(cr);
  cairo_restore(cr);
  cairo_move_to(cr, cx - 8, cy + 2);
  cairo_curve_to(cr, cx - 6, cy + 13, cx + 6, cy + 13, cx + 8, cy + 2);
  cairo_close_path(cr);
  Stroke(cr, kInk, 1.3);
}

void DrawTolvar(Canvas& c) {
  cairo_t* cr = c.cr();
  const double cx = 33, cy = 37;
  const Rgb tin = Hex(0x7E9CBA), line = Hex(0x1A2230);
  const auto tinShade = [&](double x0, double x1) {
    return Linear(
        x0, 0, x1, 0,
        {{0, Shade(tin, -0.35)}, {0.3, Shade(tin, 0.45)}, {0.55, tin}, {1, Shade(tin, -0.5)}});
  };
  // Antenna with its lamp.
  cairo_move_to(cr, cx, cy - 22);
  cairo_line_to(cr, cx + 2, cy - 31);
  Stroke(cr, line, 2.4);
  cairo_arc(cr, cx + 2, cy - 32.5, 6, 0, 2 * kPi);
  Fill(cr, Radial(cx + 2, cy - 32.5, 0, 6, {{0, Hex(0xFF6040), 0.7}, {1, Hex(0xFF6040), 0}}));
  cairo_arc(cr, cx + 2, cy - 32.5, 3.2, 0, 2 * kPi);
  FillOutlined(cr,
               RadialFocus(cx + 1, cy - 33.5, cx + 2, cy - 32.5, 3.5,
                           {{0, Hex(0xFFE0C8)}, {1, Hex(0xE0281C)}}),
               line, 1);
  // Legs and feet.
  for (int side = -1; side <= 1; side += 2) {
    cairo_rectangle(cr, cx + side * 10 - 3.5, cy + 16, 7, 11);
    FillOutlined(cr, tinShade(cx + side * 10 - 3.5, cx + side * 10 + 3.5), line, 1.2);
    EllipsePath(cr, cx + side * 11, cy + 28, 8, 3.8);
    FillOutlined(cr, Linear(0, cy + 24, 0, cy + 32, {{0, Hex(0x5A6A7E)}, {1, Hex(0x2C3644)}}), line,
                 1.2);
  }
  // Pincer arms.
  for (int side = -1; side <= 1; side += 2) {
    cairo_move_to(cr, cx + side * 22, cy + 4);
    cairo_line_to(cr, cx + side * 27, cy + 8);
    Stroke(cr, line, 3.5);
    cairo_save(cr);
    cairo_translate(cr, cx + side * 28, cy + 11);
    cairo_scale(cr, side, 1);
    cairo_move_to(cr, -2, -3);
    cairo_curve_to(cr, 3, -4, 5, 0, 3, 4);
    cairo_line_to(cr, 1, 1);
    cairo_curve_to(cr, 1, 3, -1, 5, -3, 5);
    cairo_close_path(cr);
    FillOutlined(cr, Hex(0xC8A040), line, 1.1);
    cairo_restore(cr);
  }
  // Body: a dented tin drum with a domed top.
  cairo_move_to(cr, cx - 22, cy - 6);
  cairo_curve_to(cr, cx - 22, cy - 30, cx + 22, cy - 30, cx + 22, cy - 6);
  cairo_line_to(cr, cx + 21, cy + 14);
  cairo_curve_to(cr, cx + 12, cy + 21, cx - 12, cy + 21, cx - 21, cy + 14);
  cairo_close_path(cr);
  FillOutlined(cr, tinShade(cx - 22, cx + 22), line, 1.5);
  // Riveted band.
  cairo_move_to(cr, cx - 22, cy + 5);
  cairo_curve_to(cr, cx - 12, cy + 10, cx + 12, cy + 10, cx + 22, cy + 5);
  cairo_line_to(cr, cx + 21.6, cy + 10);
  cairo_curve_to(cr, cx + 12, cy + 15, cx - 12, cy + 15, cx - 21.6, cy + 10);
  cairo_close_path(cr);
  FillOutlined(cr,
               Linear(cx - 22, 0, cx + 22, 0,
                      {{0, Hex(0x8A3A20)}, {0.35, Hex(0xE07A48)}, {1, Hex(0x6A2A14)}}),
               line, 1.1);
  for (int i = -3; i <= 3; ++i) {
    const double x = cx + i * 6;
    const double y = cy + 9.5 + 1.3 * (1 - (i * i) / 9.0) * 2;
    cairo_arc(cr, x, y, 1.1, 0, 2 * kPi);
    SetColor(cr, Hex(0xF6D0A0));
    cairo_fill(cr);
  }
  // One big eye behind a round glass.
  cairo_arc(cr, cx, cy - 10, 11.5, 0, 2 * kPi);
  FillOutlined(cr, Linear(0, cy - 22, 0, cy + 2, {{0, Hex(0x3A4454)}, {1, Hex(0x1E2430)}}), line,
               1.4);
  Eye(cr, cx, cy - 10, 8.2, Hex(0xD83028), -0.25, 0.15, line, 1.1);
  cairo_arc(cr, cx, cy - 10, 9.8, kPi * 1.1, kPi * 1.45);
  Stroke(cr, Hex(0xE8F0FA), 1.2, 0.7);
  // A grille for a mouth.
  RoundedRectPath(cr, cx - 7, cy + 1, 14, 4.5, 1.5);
  FillOutlined(cr, Hex(0x2A3240), line, 1);
  for (double x = cx - 4.5; x < cx + 6; x += 3) {
    cairo_move_to(cr, x, cy + 1.8);
    cairo_line_to(cr, x, cy + 4.8);
  }
  Stroke(cr, Hex(0x9AAEC4), 0.8);
  // A dent and a glint.
  cairo_arc(cr, cx + 14, cy - 4, 2.5, 0.5, 2.6);
  Stroke(cr, Shade(tin, -0.5), 1);
  cairo_move_to(cr, cx - 15, cy - 14);
  cairo_curve_to(cr, cx - 15, cy - 18, cx - 12, cy - 21, cx - 8, cy - 22);
  Stroke(cr, Hex(0xF4F8FC), 1.8, 0.85);
}

namespace {

const Rgb kGrubbelGreen = Hex(0x7CB83A);

// An eye on a stalk growing from (x0, y0) to (x1, y1).
void EyeStalk(cairo_t* cr, double x0, double y0, double x1, double y1, double r, Rgb skin, Rgb iris,
              double lookX, double lookY, double lw) {
  const double mx = (x0 + x1) / 2 + (y1 - y0) * 0.15, my = (y0 + y1) / 2;
  cairo_move_to(cr, x0, y0);
  cairo_curve_to(cr, mx, my, mx, my, x1, y1);
  Stroke(cr, kInk, r * 0.9 + 2 * lw);
  cairo_move_to(cr, x0, y0);
  cairo_curve_to(cr, mx, my, mx, my, x1, y1);
  Stroke(cr, skin, r * 0.9);
  Eye(cr, x1, y1, r, iris, lookX, lookY, kInk, lw);
}

// The gourd-shaped Grubbel body, narrow head on top and belly below, in a box of width w
// whose head top is at y top and belly bottom at y bottom.
void GrubbelBodyPath(cairo_t* cr, double cx, double top, double bottom, double headW,
                     double bellyW) {
  const double h = bottom - top;
  cairo_move_to(cr, cx, top);
  cairo_curve_to(cr, cx + headW * 0.9, top, cx + headW, top + h * 0.18, cx + headW * 0.8,
                 top + h * 0.38);
  cairo_curve_to(cr, cx + bellyW * 1.05, top + h * 0.55, cx + bellyW, bottom, cx, bottom);
  cairo_curve_to(cr, cx - bellyW, bottom, cx - bellyW * 1.05, top + h * 0.55, cx - headW * 0.8,
                 top + h * 0.38);
  cairo_curve_to(cr, cx - headW, top + h * 0.18, cx - headW * 0.9, top, cx, top);
  cairo_close_path(cr);
}

}  // namespace

void DrawGrubbel(Canvas& c) {
  cairo_t* cr = c.cr();
  const double cx = 25.5;
  const Rgb skin = kGrubbelGreen;
  // Legs and big flat feet.
  for (int side = -1; side <= 1; side += 2) {
    cairo_move_to(cr, cx + side * 7, 82);
    cairo_line_to(cr, cx + side * 8, 91);
    Stroke(cr, kInk, 5.5);
    cairo_move_to(cr, cx + side * 7, 82);
    cairo_line_to(cr, cx + side * 8, 91);
    Stroke(cr, Shade(skin, -0.2), 3);
    EllipsePath(cr, cx + side * 11, 92.5, 8.5, 3.2);
    FillOutlined(cr, Shade(skin, -0.25), kInk, 1.2);
  }
  // Thin arms hanging down, hands ready for food.
  for (int side = -1; side <= 1; side += 2) {
    cairo_move_to(cr, cx + side * 14, 50);
    cairo_curve_to(cr, cx + side * 22, 56, cx + side * 23, 64, cx + side * 21, 71);
    Stroke(cr, kInk, 4.6);
    cairo_move_to(cr, cx + side * 14, 50);
    cairo_curve_to(cr, cx + side * 22, 56, cx + side * 23, 64, cx + side * 21, 71);
    Stroke(cr, Shade(skin, -0.1), 2.2);
    for (int f = -1; f <= 1; ++f) {
      cairo_move_to(cr, cx + side * 21, 71);
      cairo_line_to(cr, cx + side * (21 + f * 2.2), 75);
    }
    Stroke(cr, kInk, 1.6);
  }
  // Eye stalks, rooted behind the head.
  EyeStalk(cr, cx - 4, 22, cx - 10, 8.5, 5, skin, Hex(0xE0A020), 0.3, 0.2, 1.1);
  EyeStalk(cr, cx + 4, 21, cx + 11, 8, 5.5, skin, Hex(0xE0A020), -0.3, 0.2, 1.1);
  // Body.
  GrubbelBodyPath(cr, cx, 16, 86, 12, 19);
  FillOutlined(cr,
               RadialFocus(cx - 6, 38, cx, 50, 40,
                           {{0, Shade(skin, 0.35)}, {0.5, skin}, {1, Shade(skin, -0.4)}}),
               kInk, 1.4);
  // Belly and spots, inside the outline.
  cairo_save(cr);
  GrubbelBodyPath(cr, cx, 17, 85, 11.2, 18.2);
  cairo_clip(cr);
  EllipsePath(cr, cx + 1, 66, 11.5, 14);
  Fill(cr, Radial(cx + 1, 64, 0, 14, {{0, Hex(0xE6EEA0), 0.95}, {1, Hex(0xC8DC78), 0.6}}));
  const double spots[][3] = {{cx - 12, 48, 2.2},
                             {cx + 13, 56, 1.8},
                             {cx - 14, 72, 1.6},
                             {cx + 9, 20, 1.5},
                             {cx - 6, 19, 1.2}};
  for (const auto& s : spots) {
    cairo_arc(cr, s[0], s[1], s[2], 0, 2 * kPi);
    SetColor(cr, Hex(0x7A4A9A), 0.8);
    cairo_fill(cr);
  }
  cairo_restore(cr);
  // The huge mouth, open for the next bite.
  cairo_move_to(cr, cx - 11, 30);
  cairo_curve_to(cr, cx - 4, 33, cx + 4, 33, cx + 11, 30);
  cairo_curve_to(cr, cx + 9, 44, cx - 9, 44, cx - 11, 30);
  cairo_close_path(cr);
  cairo_save(cr);
  cairo_clip_preserve(cr);
  SetColor(cr, Hex(0x4A0E1E));
  cairo_fill(cr);
  EllipsePath(cr, cx + 2, 42, 6, 4);
  SetColor(cr, Hex(0xE8546A));
  cairo_fill(cr);
  cairo_restore(cr);
  Teeth(cr, cx - 9, cx + 9, 31.5, 5, 3, false, 0.7);
  cairo_move_to(cr, cx - 11, 30);
  cairo_curve_to(cr, cx - 4, 33, cx + 4, 33, cx + 11, 30);
  cairo_curve_to(cr, cx + 9, 44, cx - 9, 44, cx - 11, 30);
  cairo_close_path(cr);
  Stroke(cr, kInk, 1.3);
}

namespace {

// The boss, drawn in steps from the back to the front.
struct BossDrawing {
  cairo_t* cr;
  double cx = 125;
  Rgb skin = Hex(0x4E8E2A), dark = Hex(0x1C3A10);
  double lw = 3;

  void Legs() const {
    // Legs and clawed feet.
    for (int side = -1; side <= 1; side += 2) {
      cairo_move_to(cr, cx + side * 40, 200);
      cairo_line_to(cr, cx + side * 46, 226);
      Stroke(cr, kInk, 26);
      cairo_move_to(cr, cx + side * 40, 200);
      cairo_line_to(cr, cx + side * 46, 226);
      Stroke(cr, Shade(skin, -0.25), 20);
      EllipsePath(cr, cx + side * 54, 232, 30, 9);
      FillOutlined(cr, Shade(skin, -0.3), kInk, lw);
      for (int k = 0; k < 3; ++k) {
        const double tx = cx + side * (36 + k * 13);
        PolygonPath(cr, {tx - 4, 226, tx + side * 8, 236, tx + 4, 228});
        FillOutlined(cr, Hex(0xE6DEC0), kInk, 1.6);
      }
    }
  }

  void CrestAndSockets() const {
    // A crest of spikes along the top of the head, and the bulging eye sockets: both drawn
    // before the body, so that the body's outline roots them.
    cairo_new_path(cr);
    for (int i = -2; i <= 2; ++i) {
      const double bx = cx + i * 13, tilt = i * 5;
      PolygonPath(cr, {bx - 8, 52, bx + tilt, 18.0 + std::abs(i) * 7, bx + 8, 52});
    }
    FillOutlined(cr, Linear(0, 18, 0, 52, {{0, Hex(0xD04A32)}, {1, Hex(0x7A1E16)}}), kInk, 2.2);
    for (int side = -1; side <= 1; side += 2) {
      cairo_arc(cr, cx + side * 34, 58, 20, 0, 2 * kPi);
      FillOutlined(cr, Shade(skin, 0.1), kInk, lw);
    }
  }

  void Arms() const {
    // Arms raised, claws out.
    for (int side = -1; side <= 1; side += 2) {
      const double sx = cx + side * 62, sy = 120;
      const double ex = cx + side * 92, ey = 100, hx = cx + side * 92, hy = 60;
      cairo_move_to(cr, sx, sy);
      cairo_curve_to(cr, ex, sy + 4, ex + side * 4, ey, hx, hy);
      Stroke(cr, kInk, 22);
      cairo_move_to(cr, sx, sy);
      cairo_curve_to(cr, ex, sy + 4, ex + side * 4, ey, hx, hy);
      Stroke(cr, Shade(skin, -0.08), 16);
      // Hand and claws.
      cairo_arc(cr, hx, hy, 13, 0, 2 * kPi);
      FillOutlined(cr, Shade(skin, -0.05), kInk, lw);
      for (int k = -1; k <= 1; ++k) {
        const double a = -kPi / 2 + side * 0.35 + k * 0.55;
        const double bx = hx + 11 * std::cos(a), by = hy + 11 * std::sin(a);
        const double tx = hx + 27 * std::cos(a + side * 0.25),
                     ty = hy + 27 * std::sin(a + side * 0.25);
        const double nx = -std::sin(a) * 4, ny = std::cos(a) * 4;
        PolygonPath(cr, {bx - nx, by - ny, tx, ty, bx + nx, by + ny});
        FillOutlined(cr, Hex(0xEDE4C6), kInk, 1.8);
      }
    }
  }

  void Body() const {
    // Body: the same gourd as the small Grubbel, but squat and huge.
    GrubbelBodyPath(cr, cx, 42, 214, 58, 86);
    FillOutlined(
        cr,
        RadialFocus(cx - 30, 90, cx, 130, 130, {{0, Shade(skin, 0.35)}, {0.45, skin}, {1, dark}}),
        kInk, lw);
    // Belly with its old scars.
    EllipsePath(cr, cx + 4, 168, 54, 42);
    Fill(cr, Radial(cx + 4, 160, 0, 56,
                    {{0, Hex(0xD4DC86), 0.95}, {0.8, Hex(0xAEC462), 0.85}, {1, Hex(0xAEC462), 0}}));
    for (int i = 0; i < 4; ++i) {
      cairo_move_to(cr, cx - 26 + i * 14, 150 + i * 3);
      cairo_curve_to(cr, cx - 20 + i * 14, 160, cx - 18 + i * 14, 176, cx - 22 + i * 14, 186);
    }
    Stroke(cr, Hex(0x8A9A40), 2.2, 0.8);
    cairo_move_to(cr, cx + 22, 146);
    cairo_line_to(cr, cx + 44, 170);
    for (int k = 0; k < 4; ++k) {
      cairo_move_to(cr, cx + 25 + k * 5.5, 154 + k * 5.5);
      cairo_line_to(cr, cx + 31 + k * 5.5, 150 + k * 5.5);
    }
    Stroke(cr, Hex(0x7A2A2A), 2);
    // Warts and spots.
    SeededRandom rnd(0x626F7373);
    for (int i = 0; i < 90; ++i) {
      const double a = rnd.Range(0, 2 * kPi), d = rnd.Range(0.55, 0.92);
      const double x = cx + std::cos(a) * 80 * d, y = 138 + std::sin(a) * 70 * d;
      if (y < 135 || std::hypot(x - cx - 4, (y - 168) * 1.3) < 60) continue;
      cairo_arc(cr, x, y, rnd.Range(2.5, 5.5), 0, 2 * kPi);
      FillOutlined(cr, Hex(0x5A2E78), Hex(0x2A1438), 1.2);
    }
  }

  void Face() const {
    // Horns, from the sides of the head.
    for (int side = -1; side <= 1; side += 2) {
      cairo_move_to(cr, cx + side * 50, 64);
      cairo_curve_to(cr, cx + side * 62, 46, cx + side * 74, 34, cx + side * 78, 8);
      cairo_curve_to(cr, cx + side * 66, 26, cx + side * 52, 36, cx + side * 36, 52);
      cairo_close_path(cr);
      FillOutlined(cr, Linear(0, 8, 0, 64, {{0, Hex(0xF4EED6)}, {1, Hex(0xA8987A)}}), kInk, 2.4);
    }
    // Angry eyes bulging from their sockets, under heavy brows.
    Eye(cr, cx - 34, 58, 14, Hex(0xE8201A), 0.3, 0.35, kInk, 2.4);
    Eye(cr, cx + 34, 58, 14, Hex(0xE8201A), -0.3, 0.35, kInk, 2.4);
    for (int side = -1; side <= 1; side += 2) {
      PolygonPath(cr,
                  {cx + side * 12, 52, cx + side * 54, 34, cx + side * 54, 43, cx + side * 14, 60});
      FillOutlined(cr, Hex(0x243A14), kInk, 2);
    }
    // A wide, jagged grin.
    cairo_move_to(cr, cx - 50, 80);
    cairo_curve_to(cr, cx - 20, 92, cx + 20, 92, cx + 50, 80);
    cairo_curve_to(cr, cx + 40, 124, cx - 40, 124, cx - 50, 80);
    cairo_close_path(cr);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    SetColor(cr, Hex(0x3A0A14));
    cairo_fill(cr);
    EllipsePath(cr, cx + 6, 118, 24, 12);
    SetColor(cr, Hex(0xC8384E));
    cairo_fill(cr);
    cairo_restore(cr);
    Teeth(cr, cx - 44, cx + 44, 85, 9, 11, false, 1.6);
    Teeth(cr, cx - 32, cx + 32, 113, 6, 8, true, 1.6);
    cairo_move_to(cr, cx - 50, 80);
    cairo_curve_to(cr, cx - 20, 92, cx + 20, 92, cx + 50, 80);
    cairo_curve_to(cr, cx + 40, 124, cx - 40, 124, cx - 50, 80);
    cairo_close_path(cr);
    Stroke(cr, kInk, lw);
    // Drool.
    cairo_move_to(cr, cx + 30, 104);
    cairo_curve_to(cr, cx + 32, 112, cx + 29, 120, cx + 31, 128);
    Stroke(cr, Hex(0x9AD0E0), 3, 0.9);
  }
};

}  // namespace

void DrawBossGrubbel(Canvas& c) {
  const BossDrawing boss{c.cr()};
  boss.Legs();
  // Crest and eye sockets go behind the body, so that its outline roots them.
  boss.CrestAndSockets();
  boss.Arms();
  boss.Body();
  boss.Face();
}

}  // namespace artwork
