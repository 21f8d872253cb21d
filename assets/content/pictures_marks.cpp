// The small pictures: the target board whose rings show how shots are graded, the aim mark, the
// burger that marks a hit, and the props (a muzzle flash, a spent casing, a prize star, a
// cartridge).
#include <cmath>
#include <numbers>

#include "assets/content/picture_groups.h"
#include "assets/content/rng.h"

namespace artwork {

namespace {

constexpr double kPi = std::numbers::pi;
const Rgb kInk = Hex(0x2A1A12);

}  // namespace

void DrawTargetBoard(Canvas& c) {
  cairo_t* cr = c.cr();
  // The board's centre is the pixel the hit test measures from (width div 2, height div 2);
  // cairo's pixel centres lie at half coordinates.
  const double cx = 31.5, cy = 31.5;
  // A shot's rounded distance from the centre up to each radius earns one grade, so each
  // ring's rim lies half a pixel beyond the last whole distance of its grade.
  const double rims[] = {26.5, 20.5, 15.5, 8.5, 4.5, 1.5};
  const Rgb red = Hex(0xD42A22), cream = Hex(0xF3E6C4), navy = Hex(0x1E2F6E);

  // Outer band (the lowest grade) and the board's rim.
  cairo_arc(cr, cx, cy, 28.8, 0, 2 * kPi);
  FillOutlined(cr, RadialFocus(cx - 8, cy - 9, cx, cy, 30, {{0, Hex(0x35509C)}, {1, navy}}),
               Hex(0x0E1430), 1.2);
  // Studs on the band, one per hour, between the hours a clock would mark.
  for (int i = 0; i < 12; ++i) {
    const double a = (i + 0.5) * kPi / 6;
    cairo_arc(cr, cx + 27.6 * std::cos(a), cy + 27.6 * std::sin(a), 0.9, 0, 2 * kPi);
    SetColor(cr, Hex(0xE8B830));
    cairo_fill(cr);
  }
  for (int i = 0; i < 6; ++i) {
    const Rgb base = i % 2 == 0 ? cream : red;
    cairo_arc(cr, cx, cy, rims[i], 0, 2 * kPi);
    FillOutlined(
        cr,
        RadialFocus(cx - 7, cy - 8, cx, cy, 28, {{0, Shade(base, 0.25)}, {1, Shade(base, -0.12)}}),
        kInk, rims[i] > 5 ? 0.8 : 0.5);
  }
  // The bull: a golden centre for full marks, with a dark rim so it reads.
  cairo_arc(cr, cx, cy, 1.5, 0, 2 * kPi);
  FillOutlined(cr, Hex(0xF0B020), Hex(0x7A3A10), 0.5);
}

void DrawAimMark(Canvas& c) {
  cairo_t* cr = c.cr();
  const double m = 9.5;  // centre of the middle pixel
  const Rgb dark = Hex(0x101010), bright = Hex(0xFF3A1E);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  // A dark body under a bright core keeps the mark readable over light and dark pictures.
  for (int pass = 0; pass < 2; ++pass) {
    const double width = pass == 0 ? 3 : 1;
    const Rgb color = pass == 0 ? dark : bright;
    cairo_arc(cr, m, m, 6, 0, 2 * kPi);
    Stroke(cr, color, pass == 0 ? 3.2 : 1.2);
    const double from = pass == 0 ? 1 : 2, to = pass == 0 ? 5 : 4.5;
    cairo_move_to(cr, m, from);
    cairo_line_to(cr, m, to);
    cairo_move_to(cr, m, 19 - from);
    cairo_line_to(cr, m, 19 - to);
    cairo_move_to(cr, from, m);
    cairo_line_to(cr, to, m);
    cairo_move_to(cr, 19 - from, m);
    cairo_line_to(cr, 19 - to, m);
    Stroke(cr, color, width);
  }
  cairo_rectangle(cr, 8, 8, 3, 3);
  SetColor(cr, dark);
  cairo_fill(cr);
  cairo_rectangle(cr, 9, 9, 1, 1);
  SetColor(cr, Hex(0xFFE040));
  cairo_fill(cr);
}

void DrawBurger(Canvas& c) {
  cairo_t* cr = c.cr();
  const double lw = 1.2;
  const Rgb bun = Hex(0xE49A3E), bunDark = Hex(0xB4682A);
  // Bottom bun.
  RoundedRectPath(cr, 4, 29, 37, 9, 4);
  FillOutlined(cr, Linear(0, 29, 0, 38, {{0, Shade(bun, 0.1)}, {1, bunDark}}), kInk, lw);
  // Patty.
  RoundedRectPath(cr, 3, 22.5, 39, 8, 4);
  FillOutlined(cr, Linear(0, 22, 0, 31, {{0, Hex(0x7A4424)}, {1, Hex(0x4A2613)}}), kInk, lw);
  for (double x = 8; x < 40; x += 6) {
    cairo_move_to(cr, x, 25.5);
    cairo_line_to(cr, x + 2, 25);
  }
  Stroke(cr, Hex(0x9A6036), 0.9);
  // Cheese dripping over the patty.
  cairo_move_to(cr, 4, 21);
  cairo_line_to(cr, 41, 21);
  cairo_line_to(cr, 40, 24);
  cairo_line_to(cr, 33, 24);
  cairo_line_to(cr, 30, 29);
  cairo_line_to(cr, 27, 24);
  cairo_line_to(cr, 15, 24);
  cairo_line_to(cr, 12, 28);
  cairo_line_to(cr, 9, 24);
  cairo_line_to(cr, 5, 24);
  cairo_close_path(cr);
  FillOutlined(cr, Hex(0xF6C431), Hex(0x8A5A10), 0.9);
  // Lettuce.
  cairo_move_to(cr, 2, 20);
  for (int i = 0; i <= 10; ++i) {
    const double x = 2 + i * 4.1;
    cairo_line_to(cr, x, i % 2 == 0 ? 22.5 : 19.5);
  }
  cairo_line_to(cr, 43, 18);
  cairo_line_to(cr, 2, 18);
  cairo_close_path(cr);
  FillOutlined(cr, Linear(0, 17, 0, 23, {{0, Hex(0x8BD448)}, {1, Hex(0x4C9A2A)}}), Hex(0x2C5A16),
               0.9);
  // Top bun: a dome with seeds.
  cairo_move_to(cr, 3, 19);
  cairo_curve_to(cr, 3, 3, 42, 3, 42, 19);
  cairo_close_path(cr);
  FillOutlined(cr, RadialFocus(16, 8, 22, 14, 24, {{0, Hex(0xF6C27A)}, {0.5, bun}, {1, bunDark}}),
               kInk, lw);
  const double seeds[][2] = {{13, 10}, {21, 7.5}, {29, 9.5}, {17, 14}, {26, 13.5}, {34, 14}};
  for (const auto& s : seeds) {
    cairo_save(cr);
    cairo_translate(cr, s[0], s[1]);
    cairo_rotate(cr, s[0] * 0.3);
    EllipsePath(cr, 0, 0, 1.5, 0.8);
    cairo_restore(cr);
    SetColor(cr, Hex(0xF7EBC8));
    cairo_fill(cr);
  }
}

void DrawMuzzleFlash(Canvas& c) {
  cairo_t* cr = c.cr();
  const double cx = 20, cy = 26;
  SeededRandom rnd(0x666C6173);
  // An uneven outer burst, red at its tips, in front of a yellow core.
  const int points = 11;
  cairo_new_path(cr);
  for (int i = 0; i < 2 * points; ++i) {
    const double a = -kPi / 2 + i * kPi / points;
    const double r = i % 2 == 0 ? rnd.Range(15, 21) : rnd.Range(6, 9);
    // Taller than wide: the flash leaves a barrel pointing up.
    const double x = cx + r * std::cos(a) * 0.85, y = cy + r * std::sin(a) * 1.1;
    if (i == 0)
      cairo_move_to(cr, x, y);
    else
      cairo_line_to(cr, x, y);
  }
  cairo_close_path(cr);
  Fill(cr,
       Radial(
           cx, cy, 2, 22,
           {{0, Hex(0xFFF6B0)}, {0.35, Hex(0xFFC930)}, {0.7, Hex(0xF46A1C)}, {1, Hex(0xC8281A)}}));
  StarPath(cr, cx, cy, 7, 11, 5, 0.2);
  Fill(cr, Radial(cx, cy, 0, 11, {{0, Hex(0xFFFBE6)}, {0.6, Hex(0xFFE86A)}, {1, Hex(0xFFB42A)}}));
  cairo_arc(cr, cx, cy, 4, 0, 2 * kPi);
  SetColor(cr, Hex(0xFFFDF2));
  cairo_fill(cr);
}

void DrawCasingLying(Canvas& c) {
  cairo_t* cr = c.cr();
  cairo_save(cr);
  cairo_translate(cr, 16.2, 10.5);
  cairo_rotate(cr, -0.12);
  cairo_scale(cr, 0.92, 1);
  // Body of the case, open end to the right.
  RoundedRectPath(cr, -13, -5, 27, 10, 1.5);
  FillOutlined(cr,
               Linear(0, -5, 0, 5, {{0, Hex(0xF0D27A)}, {0.3, Hex(0xD8A640)}, {1, Hex(0x8A5E1A)}}),
               Hex(0x4A3008), 1);
  // Rim and extraction groove.
  RoundedRectPath(cr, -15, -6, 3.5, 12, 1);
  FillOutlined(cr, Linear(0, -6, 0, 6, {{0, Hex(0xE8C466)}, {1, Hex(0x7E5616)}}), Hex(0x4A3008), 1);
  cairo_move_to(cr, -10, -4.5);
  cairo_line_to(cr, -10, 4.5);
  Stroke(cr, Hex(0x6E4A12), 1);
  // The open mouth, dark inside.
  EllipsePath(cr, 13.5, 0, 1.8, 4.6);
  FillOutlined(cr, Hex(0x3A2606), Hex(0x4A3008), 0.8);
  // Sheen along the top.
  cairo_move_to(cr, -8, -2.8);
  cairo_line_to(cr, 11, -2.8);
  Stroke(cr, Hex(0xFFF0B8), 1.1, 0.8);
  cairo_restore(cr);
}

void DrawPrizeStar(Canvas& c) {
  cairo_t* cr = c.cr();
  const double cx = 17, cy = 15.8, outer = 13.8, inner = 5.9;
  StarPath(cr, cx, cy, 5, outer, inner, 0);
  FillOutlined(cr, Hex(0xF2B82A), Hex(0x6A3E08), 1.3);
  // Bevel: each point is lit on one side and shaded on the other.
  for (int i = 0; i < 5; ++i) {
    const double a = -kPi / 2 + i * 2 * kPi / 5;
    const double b = a + kPi / 5;
    const double tipX = cx + (outer - 1.5) * std::cos(a), tipY = cy + (outer - 1.5) * std::sin(a);
    const double valX = cx + (inner - 0.8) * std::cos(b), valY = cy + (inner - 0.8) * std::sin(b);
    PolygonPath(cr, {cx, cy, tipX, tipY, valX, valY});
    SetColor(cr, Hex(0xC9860E), 0.9);
    cairo_fill(cr);
  }
  StarPath(cr, cx, cy, 5, outer, inner, 0);
  Stroke(cr, Hex(0x6A3E08), 1.3);
  // A glint.
  StarPath(cr, cx - 4, cy - 4, 4, 3.2, 0.9, 0.4);
  SetColor(cr, Hex(0xFFF6D6));
  cairo_fill(cr);
}

void DrawBulletStanding(Canvas& c) {
  cairo_t* cr = c.cr();
  const Rgb line = Hex(0x3E2608);
  // Case.
  cairo_rectangle(cr, 4.5, 15, 11, 13.5);
  FillOutlined(
      cr,
      Linear(4.5, 0, 15.5, 0,
             {{0, Hex(0x9A6A1E)}, {0.3, Hex(0xF2D27E)}, {0.55, Hex(0xD7A440)}, {1, Hex(0x7A5216)}}),
      line, 1);
  // Rim.
  RoundedRectPath(cr, 3.5, 27.5, 13, 3.5, 1);
  FillOutlined(
      cr, Linear(3.5, 0, 16.5, 0, {{0, Hex(0x8A5E1A)}, {0.35, Hex(0xEBC771)}, {1, Hex(0x6E4A12)}}),
      line, 1);
  // Copper point.
  cairo_move_to(cr, 5, 15.5);
  cairo_curve_to(cr, 5, 7, 8, 2, 10, 1.8);
  cairo_curve_to(cr, 12, 2, 15, 7, 15, 15.5);
  cairo_close_path(cr);
  FillOutlined(
      cr,
      Linear(5, 0, 15, 0,
             {{0, Hex(0x8A3A18)}, {0.3, Hex(0xF0A070)}, {0.6, Hex(0xC8602C)}, {1, Hex(0x6E2C10)}}),
      line, 1);
  cairo_move_to(cr, 5, 16.5);
  cairo_line_to(cr, 15, 16.5);
  Stroke(cr, Hex(0x6E4A12), 1);
}

}  // namespace artwork
