// The background: the gallery seen from the player's side of the counter. A sign board for the
// score along the top, a striped awning with light bulbs, posts at the sides, the sky and a
// meadow with grazing cows and a farm, and the wooden counter at the bottom edge. The middle is
// kept plain so that the targets crossing it stand out.
#include <cmath>
#include <numbers>

#include "assets/content/picture_groups.h"
#include "assets/content/rng.h"

namespace artwork {

namespace {

constexpr double kPi = std::numbers::pi;

constexpr int kWidth = 640;
constexpr int kBoardBottom = 34;   // the sign board behind the score line
constexpr int kAwningBottom = 78;  // where the scallops begin
constexpr int kScallop = 20;       // scallop radius; stripes are two radii wide
constexpr int kHorizon = 276;
constexpr int kCounterTop = 442;
constexpr int kPostWidth = 20;

const Rgb kOutline = Hex(0x3A2418);
const Rgb kAwningRed = Hex(0xD0392C);
const Rgb kAwningCream = Hex(0xF4E9D2);

void DrawSky(cairo_t* cr) {
  cairo_rectangle(cr, 0, 0, kWidth, kHorizon + 4);
  Fill(cr,
       Linear(0, 90, 0, kHorizon, {{0, Hex(0x5E9DD8)}, {0.7, Hex(0xA9CFEE)}, {1, Hex(0xD8EAF4)}}));
  // A few soft clouds, high up and pale, so that nothing busy stands behind the targets.
  struct Cloud {
    double x, y, s;
  };
  const Cloud clouds[] = {{110, 128, 1.0}, {318, 176, 0.7}, {520, 118, 1.15}, {215, 226, 0.5}};
  for (const Cloud& cl : clouds) {
    const double puffs[][3] = {{-34, 6, 18}, {-14, -6, 22}, {10, -10, 24}, {32, 2, 18},
                               {0, 8, 20},   {-26, 12, 12}, {24, 12, 13}};
    for (const auto& p : puffs) {
      const double cx = cl.x + p[0] * cl.s, cy = cl.y + p[1] * cl.s, r = p[2] * cl.s;
      EllipsePath(cr, cx, cy, r, r * 0.8);
    }
    Fill(cr, Linear(0, cl.y - 26 * cl.s, 0, cl.y + 20 * cl.s,
                    {{0, Hex(0xFBFDFF), 0.92}, {1, Hex(0xD9E6F0), 0.92}}));
  }
}

void DrawHills(cairo_t* cr) {
  // Far hills, blue with distance.
  cairo_move_to(cr, 0, kHorizon);
  for (int x = 0; x <= kWidth; x += 8) {
    const double y = kHorizon - 22 - 14 * std::sin(x * 0.011 + 0.6) - 7 * std::sin(x * 0.029);
    cairo_line_to(cr, x, y);
  }
  cairo_line_to(cr, kWidth, kHorizon + 4);
  cairo_line_to(cr, 0, kHorizon + 4);
  cairo_close_path(cr);
  Fill(cr, Linear(0, kHorizon - 45, 0, kHorizon, {{0, Hex(0x8DB7A8)}, {1, Hex(0xA9C9AE)}}));
  // Nearer, greener rise.
  cairo_move_to(cr, 0, kHorizon + 2);
  for (int x = 0; x <= kWidth; x += 8) {
    const double y = kHorizon - 6 - 9 * std::sin(x * 0.017 + 2.1) - 4 * std::sin(x * 0.041);
    cairo_line_to(cr, x, y);
  }
  cairo_line_to(cr, kWidth, kHorizon + 6);
  cairo_line_to(cr, 0, kHorizon + 6);
  cairo_close_path(cr);
  Fill(cr, Linear(0, kHorizon - 20, 0, kHorizon, {{0, Hex(0x8DBF66)}, {1, Hex(0x9ACB68)}}));
}

void DrawMeadow(cairo_t* cr) {
  cairo_rectangle(cr, 0, kHorizon, kWidth, kCounterTop - kHorizon + 2);
  Fill(cr, Linear(0, kHorizon, 0, kCounterTop,
                  {{0, Hex(0xA3D06A)}, {0.45, Hex(0x86C050)}, {1, Hex(0x5F9C3A)}}));
  // Tufts of grass, sparse in the middle, thicker towards the bottom.
  SeededRandom rnd(0x6D656164);
  for (int i = 0; i < 260; ++i) {
    const double t = std::pow(rnd.Unit(), 0.6);
    const double y = kHorizon + 8 + t * (kCounterTop - kHorizon - 10);
    const double x = rnd.Range(0, kWidth);
    const double h = 2 + 5 * t;
    for (int blade = -1; blade <= 1; ++blade) {
      cairo_move_to(cr, x + blade * 1.2, y);
      cairo_line_to(cr, x + blade * (1.8 + t), y - h * (blade == 0 ? 1.0 : 0.75));
    }
    Stroke(cr, Mix(Hex(0x4E8A2E), Hex(0x3E7426), t), 0.9, 0.55 + 0.35 * t);
  }
  // Flowers dotted about.
  for (int i = 0; i < 70; ++i) {
    const double t = rnd.Unit();
    const double y = kHorizon + 12 + t * (kCounterTop - kHorizon - 16);
    const double x = rnd.Range(0, kWidth);
    const Rgb petal = i % 3 == 0 ? Hex(0xF6F1E4) : (i % 3 == 1 ? Hex(0xF3D34A) : Hex(0xE889B4));
    EllipsePath(cr, x, y, 1.1 + 1.2 * t, 0.9 + 1.0 * t);
    SetColor(cr, petal);
    cairo_fill(cr);
  }
}

// A cow filling the rectangle (left, top, right, bottom), legs included.
void DrawCow(cairo_t* cr, double l, double t, double r, double b, bool facingLeft) {
  const double w = r - l, h = b - t;
  cairo_save(cr);
  if (facingLeft) {
    cairo_translate(cr, l + r, 0);
    cairo_scale(cr, -1, 1);
  }
  const double lw = std::max(0.6, w / 30);
  const Rgb hide = Hex(0xF2EEE6), patch = Hex(0x2B2522), nose = Hex(0xE7A7A0);
  // Shadow on the grass.
  EllipsePath(cr, l + w * 0.45, b - 0.5, w * 0.45, h * 0.09);
  SetColor(cr, Hex(0x3C6E25), 0.45);
  cairo_fill(cr);
  // Legs.
  for (double lx : {0.12, 0.26, 0.56, 0.70}) {
    cairo_rectangle(cr, l + w * lx, t + h * 0.5, w * 0.08, h * 0.48);
    FillOutlined(cr, hide, kOutline, lw * 0.8);
  }
  // Tail.
  cairo_move_to(cr, l + w * 0.04, t + h * 0.3);
  cairo_curve_to(cr, l - w * 0.02, t + h * 0.45, l, t + h * 0.6, l + w * 0.02, t + h * 0.7);
  Stroke(cr, kOutline, lw);
  // Body with patches clipped to it.
  EllipsePath(cr, l + w * 0.42, t + h * 0.4, w * 0.38, h * 0.25);
  cairo_save(cr);
  cairo_clip_preserve(cr);
  SetColor(cr, hide);
  cairo_fill(cr);
  EllipsePath(cr, l + w * 0.3, t + h * 0.3, w * 0.12, h * 0.12);
  EllipsePath(cr, l + w * 0.58, t + h * 0.48, w * 0.1, h * 0.13);
  SetColor(cr, patch);
  cairo_fill(cr);
  cairo_restore(cr);
  EllipsePath(cr, l + w * 0.42, t + h * 0.4, w * 0.38, h * 0.25);
  Stroke(cr, kOutline, lw);
  // Head, lowered to graze or raised to look.
  const double hx = l + w * 0.86, hy = t + h * 0.42;
  EllipsePath(cr, hx, hy, w * 0.12, h * 0.2);
  FillOutlined(cr, hide, kOutline, lw);
  EllipsePath(cr, hx + w * 0.05, hy + h * 0.12, w * 0.08, h * 0.1);
  FillOutlined(cr, nose, kOutline, lw * 0.8);
  EllipsePath(cr, hx - w * 0.02, hy - h * 0.06, w * 0.018 + 0.3, w * 0.018 + 0.3);
  SetColor(cr, patch);
  cairo_fill(cr);
  // Horns.
  cairo_move_to(cr, hx - w * 0.06, hy - h * 0.16);
  cairo_line_to(cr, hx - w * 0.09, hy - h * 0.3);
  cairo_move_to(cr, hx + w * 0.03, hy - h * 0.17);
  cairo_line_to(cr, hx + w * 0.05, hy - h * 0.31);
  Stroke(cr, Hex(0xD9C9A0), lw * 1.1);
  cairo_restore(cr);
}

// The farm at the horizon on the right: a red barn and a silo.
void DrawFarm(cairo_t* cr, double l, double t, double r, double b) {
  const double w = r - l, h = b - t;
  const double lw = 1.2;
  // Silo.
  const double sx = l + w * 0.78, sw = w * 0.16;
  cairo_rectangle(cr, sx, t + h * 0.22, sw, h * 0.74);
  FillOutlined(
      cr, Linear(sx, 0, sx + sw, 0, {{0, Hex(0x8E99A3)}, {0.4, Hex(0xC9D1D8)}, {1, Hex(0x7C8690)}}),
      kOutline, lw);
  cairo_move_to(cr, sx, t + h * 0.22);
  cairo_arc(cr, sx + sw / 2, t + h * 0.22, sw / 2, kPi, 2 * kPi);
  cairo_close_path(cr);
  FillOutlined(cr, Hex(0x6F7A84), kOutline, lw);
  // Barn body.
  const double bl = l + w * 0.08, br = l + w * 0.74, bt = t + h * 0.42;
  cairo_rectangle(cr, bl, bt, br - bl, b - bt - h * 0.04);
  FillOutlined(cr, Linear(0, bt, 0, b, {{0, Hex(0xC23E30)}, {1, Hex(0x93291F)}}), kOutline, lw);
  // Planks.
  for (double x = bl + 6; x < br - 2; x += 6) {
    cairo_move_to(cr, x, bt + 2);
    cairo_line_to(cr, x, b - h * 0.05);
  }
  Stroke(cr, Hex(0x7E2219), 0.6, 0.7);
  // Roof.
  PolygonPath(cr, {bl - 6, bt + 2, bl + (br - bl) * 0.18, t + h * 0.06, br - (br - bl) * 0.18,
                   t + h * 0.06, br + 6, bt + 2});
  FillOutlined(cr, Linear(0, t, 0, bt, {{0, Hex(0x5B3A35)}, {1, Hex(0x3F2622)}}), kOutline, lw);
  // Door with its white cross.
  const double dw = (br - bl) * 0.34, dl = (bl + br) / 2 - dw / 2, dt = bt + h * 0.16;
  const double db = b - h * 0.04;
  cairo_rectangle(cr, dl, dt, dw, db - dt);
  FillOutlined(cr, Hex(0x8A261C), Hex(0xEEE6D2), 1.6);
  cairo_move_to(cr, dl, dt);
  cairo_line_to(cr, dl + dw, db);
  cairo_move_to(cr, dl + dw, dt);
  cairo_line_to(cr, dl, db);
  Stroke(cr, Hex(0xEEE6D2), 1.4);
  // Hay loft window.
  cairo_rectangle(cr, (bl + br) / 2 - 5, bt - h * 0.18, 10, 8);
  FillOutlined(cr, Hex(0x2E1C18), Hex(0xEEE6D2), 1.2);
}

void DrawCounter(cairo_t* cr) {
  const double top = kCounterTop, bottom = 480;
  // Shadow of the counter's lip on the grass.
  cairo_rectangle(cr, 0, top - 6, kWidth, 6);
  Fill(cr, Linear(0, top - 6, 0, top, {{0, Hex(0x2F4E1C), 0}, {1, Hex(0x2F4E1C), 0.5}}));
  // Front boards.
  cairo_rectangle(cr, 0, top + 10, kWidth, bottom - top - 10);
  Fill(cr, Linear(0, top + 10, 0, bottom, {{0, Hex(0x9A5D2C)}, {1, Hex(0x6E3F1C)}}));
  SeededRandom rnd(0x636F756E);
  for (int x = 0; x < kWidth; x += 40) {
    // Grain.
    for (int g = 0; g < 4; ++g) {
      const double gx = x + 6 + g * 8 + rnd.Range(-2, 2);
      cairo_move_to(cr, gx, top + 12);
      // One draw per statement: the order of arguments' evaluation is the compiler's choice.
      const double bend1 = rnd.Range(-3, 3);
      const double bend2 = rnd.Range(-3, 3);
      cairo_curve_to(cr, gx + bend1, top + 20, gx + bend2, top + 28, gx, bottom);
    }
    Stroke(cr, Hex(0x5E3418), 0.7, 0.45);
    // The seam between boards, and the nails.
    cairo_move_to(cr, x + 0.5, top + 10);
    cairo_line_to(cr, x + 0.5, bottom);
    Stroke(cr, Hex(0x3B2010), 1.4);
    for (double ny : {top + 17.0, bottom - 8.0}) {
      EllipsePath(cr, x + 5, ny, 1.4, 1.4);
      EllipsePath(cr, x + 35, ny, 1.4, 1.4);
    }
    SetColor(cr, Hex(0x2A1A10));
    cairo_fill(cr);
  }
  // The lip of the counter: one long rounded plank.
  cairo_rectangle(cr, 0, top, kWidth, 11);
  Fill(cr, Linear(0, top, 0, top + 11,
                  {{0, Hex(0xE2A867)}, {0.35, Hex(0xC98A4C)}, {1, Hex(0x8C5527)}}));
  cairo_move_to(cr, 0, top + 0.5);
  cairo_line_to(cr, kWidth, top + 0.5);
  Stroke(cr, Hex(0x5A3316), 1);
  cairo_move_to(cr, 0, top + 11);
  cairo_line_to(cr, kWidth, top + 11);
  Stroke(cr, Hex(0x3B2010), 1.5);
}

void DrawPost(cairo_t* cr, double x) {
  const double top = kBoardBottom, bottom = kCounterTop;
  cairo_save(cr);
  cairo_rectangle(cr, x, top, kPostWidth, bottom - top);
  cairo_clip(cr);
  cairo_rectangle(cr, x, top, kPostWidth, bottom - top);
  SetColor(cr, kAwningCream);
  cairo_fill(cr);
  // Spiral stripes, like a stick of rock.
  for (double y = top - 30; y < bottom + 30; y += 28) {
    PolygonPath(cr, {x, y, x + kPostWidth, y - 12, x + kPostWidth, y + 2, x, y + 14});
  }
  SetColor(cr, kAwningRed);
  cairo_fill(cr);
  // Roundness.
  cairo_rectangle(cr, x, top, kPostWidth, bottom - top);
  Fill(cr, Linear(x, 0, x + kPostWidth, 0,
                  {{0, Hex(0x000000), 0.35},
                   {0.35, Hex(0xFFFFFF), 0.15},
                   {0.6, Hex(0x000000), 0},
                   {1, Hex(0x000000), 0.45}}));
  cairo_restore(cr);
  cairo_rectangle(cr, x + 0.5, top, kPostWidth - 1, bottom - top);
  Stroke(cr, kOutline, 1);
}

void DrawAwning(cairo_t* cr) {
  const int stripe = 2 * kScallop;
  // Shadow that the awning throws on the sky.
  cairo_rectangle(cr, 0, kAwningBottom, kWidth, kScallop + 10);
  Fill(cr, Linear(0, kAwningBottom, 0, kAwningBottom + kScallop + 10,
                  {{0, Hex(0x1E3550), 0.35}, {1, Hex(0x1E3550), 0}}));
  for (int i = 0; i * stripe < kWidth; ++i) {
    const double x = i * stripe;
    cairo_move_to(cr, x, kBoardBottom);
    cairo_line_to(cr, x + stripe, kBoardBottom);
    cairo_line_to(cr, x + stripe, kAwningBottom);
    cairo_arc(cr, x + kScallop, kAwningBottom, kScallop, 0, kPi);
    cairo_close_path(cr);
    SetColor(cr, i % 2 == 0 ? kAwningRed : kAwningCream);
    cairo_fill(cr);
  }
  // Folds: darker at the top under the board, a sheen below, round at the scallops.
  cairo_new_path(cr);
  for (int i = 0; i * stripe < kWidth; ++i) {
    const double x = i * stripe;
    cairo_move_to(cr, x, kBoardBottom);
    cairo_line_to(cr, x + stripe, kBoardBottom);
    cairo_line_to(cr, x + stripe, kAwningBottom);
    cairo_arc(cr, x + kScallop, kAwningBottom, kScallop, 0, kPi);
    cairo_close_path(cr);
  }
  cairo_save(cr);
  cairo_clip_preserve(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, 0, kBoardBottom, kWidth, kAwningBottom + kScallop - kBoardBottom);
  Fill(cr, Linear(0, kBoardBottom, 0, kAwningBottom + kScallop,
                  {{0, Hex(0x000000), 0.4},
                   {0.25, Hex(0x000000), 0.05},
                   {0.45, Hex(0xFFFFFF), 0.12},
                   {0.8, Hex(0x000000), 0.05},
                   {1, Hex(0x000000), 0.3}}));
  // Each stripe is a little rounder in its middle.
  for (int i = 0; i * stripe < kWidth; ++i) {
    const double x = i * stripe;
    cairo_rectangle(cr, x, kBoardBottom, stripe, kAwningBottom + kScallop);
    Fill(cr,
         Linear(x, 0, x + stripe, 0,
                {{0, Hex(0x000000), 0.12}, {0.5, Hex(0xFFFFFF), 0.06}, {1, Hex(0x000000), 0.12}}));
  }
  cairo_restore(cr);
  // Scalloped edge.
  cairo_new_path(cr);
  cairo_move_to(cr, 0, kAwningBottom);
  for (int i = 0; i * stripe < kWidth; ++i) {
    cairo_arc_negative(cr, i * stripe + kScallop, kAwningBottom, kScallop, kPi, 0);
  }
  Stroke(cr, Hex(0x6E1C16), 1.3);
  // Light bulbs where the scallops meet.
  for (int i = 0; i * stripe <= kWidth; ++i) {
    const double bx = i * stripe, by = kAwningBottom + 2;
    cairo_arc(cr, bx, by, 9, 0, 2 * kPi);
    Fill(cr, Radial(bx, by, 0, 9, {{0, Hex(0xFFF3B0), 0.8}, {1, Hex(0xFFE070), 0}}));
    cairo_rectangle(cr, bx - 2, by - 6, 4, 3);
    SetColor(cr, Hex(0x7A6A50));
    cairo_fill(cr);
    cairo_arc(cr, bx, by, 3.6, 0, 2 * kPi);
    FillOutlined(cr,
                 RadialFocus(bx - 1, by - 1, bx, by, 3.6, {{0, Hex(0xFFFDF0)}, {1, Hex(0xF2BE3A)}}),
                 Hex(0x8A5A10), 0.8);
  }
}

void DrawSignBoard(cairo_t* cr) {
  cairo_rectangle(cr, 0, 0, kWidth, kBoardBottom);
  Fill(cr, Linear(0, 0, 0, kBoardBottom,
                  {{0, Hex(0xFBF1CF)}, {0.7, Hex(0xF2E2B2)}, {1, Hex(0xDDC48A)}}));
  // A painted rope border and the board's bottom edge.
  cairo_move_to(cr, 0, kBoardBottom - 5);
  cairo_line_to(cr, kWidth, kBoardBottom - 5);
  Stroke(cr, Hex(0xC9A44A), 1.2);
  cairo_rectangle(cr, 0, kBoardBottom - 2, kWidth, 2);
  SetColor(cr, Hex(0x6A3F1E));
  cairo_fill(cr);
  // Small stars painted in the middle of the board, between the two score lines.
  for (int i = 0; i < 3; ++i) {
    StarPath(cr, 290 + i * 30, 15, 5, 6.5, 2.8, 0);
    FillOutlined(cr, i == 1 ? Hex(0xD0392C) : Hex(0xE6A526), Hex(0x7A4A16), 0.8);
  }
}

}  // namespace

void DrawBackground(Canvas& c) {
  cairo_t* cr = c.cr();
  DrawSky(cr);
  DrawHills(cr);
  DrawFarm(cr, 481, 213, 620, 280);
  DrawMeadow(cr);
  // The cows stand where the game keeps its cow rectangles.
  struct CowPlace {
    int left, top, right, bottom;
    bool facingLeft;
  };
  const CowPlace cows[] = {{29, 321, 54, 335, false},   {105, 338, 134, 357, true},
                           {148, 324, 173, 339, false}, {221, 342, 251, 361, true},
                           {55, 370, 86, 387, false},   {116, 387, 137, 399, true},
                           {180, 390, 204, 401, false}, {56, 414, 78, 431, true},
                           {226, 417, 252, 435, false}, {495, 427, 506, 435, true}};
  for (const CowPlace& cow : cows) {
    DrawCow(cr, cow.left, cow.top, cow.right, cow.bottom, cow.facingLeft);
  }
  DrawCounter(cr);
  DrawPost(cr, 0);
  DrawPost(cr, kWidth - kPostWidth);
  DrawAwning(cr);
  DrawSignBoard(cr);
}

}  // namespace artwork
