// The guns: the bazooka that stands at the bottom edge and follows the aim, and a revolver.
#include <cmath>
#include <numbers>

#include "assets/content/picture_groups.h"

namespace artwork {

namespace {

constexpr double kPi = std::numbers::pi;
const Rgb kInk = Hex(0x1E1A14);

// A gloved hand gripping a vertical tube whose near edge is at x, seen from behind.
void GrippingHand(cairo_t* cr, double x, double y, bool fromRight) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  if (!fromRight) cairo_scale(cr, -1, 1);
  const Rgb glove = Hex(0x9A5B2E);
  // Back of the hand.
  cairo_move_to(cr, 0, -8);
  cairo_curve_to(cr, 8, -10, 17, -7, 18, 0);
  cairo_curve_to(cr, 19, 7, 10, 11, 0, 9);
  cairo_close_path(cr);
  FillOutlined(cr, RadialFocus(8, -4, 8, 0, 14, {{0, Shade(glove, 0.25)}, {1, Shade(glove, -0.2)}}),
               kInk, 1.3);
  // Fingers curled round the front of the tube.
  for (int i = 0; i < 4; ++i) {
    const double fy = -6.5 + i * 4.2;
    RoundedRectPath(cr, -7, fy, 10, 4.2, 2);
    FillOutlined(cr, Linear(-7, 0, 3, 0, {{0, Shade(glove, -0.15)}, {1, Shade(glove, 0.15)}}), kInk,
                 1);
  }
  // Cuff.
  RoundedRectPath(cr, 14, -9, 7, 19, 2.5);
  FillOutlined(cr, Hex(0x5A3318), kInk, 1.2);
  cairo_restore(cr);
}

}  // namespace

void DrawBazooka(Canvas& c) {
  cairo_t* cr = c.cr();
  const double cx = 40, tubeW = 22, left = cx - tubeW / 2;
  const Rgb olive = Hex(0x5E7A34);
  auto tubeShade = [&](Rgb base) {
    return Linear(
        left, 0, left + tubeW, 0,
        {{0, Shade(base, -0.35)}, {0.3, Shade(base, 0.3)}, {0.55, base}, {1, Shade(base, -0.45)}});
  };
  // Sight box on the left.
  RoundedRectPath(cr, left - 9, 44, 10, 16, 2);
  FillOutlined(cr, Linear(left - 9, 0, left + 1, 0, {{0, Hex(0x2E3A22)}, {1, Hex(0x566A38)}}), kInk,
               1.3);
  EllipsePath(cr, left - 4, 48, 2.2, 2.2);
  FillOutlined(cr, Hex(0x8AD0F0), kInk, 0.8);
  // Tube, from the flared muzzle down to the flared back end.
  PolygonPath(cr, {left, 106, left + tubeW, 106, left + tubeW + 4, 116, left - 4, 116});
  FillOutlined(cr,
               Linear(left - 4, 0, left + tubeW + 4, 0,
                      {{0, Hex(0x2E3A1C)}, {0.35, Hex(0x8AA058)}, {1, Hex(0x24301A)}}),
               kInk, 1.5);
  cairo_rectangle(cr, left, 13, tubeW, 94);
  FillOutlined(cr, tubeShade(olive), kInk, 1.5);
  // Painted bands: a red stripe with stars, like a fairground prop.
  cairo_rectangle(cr, left, 30, tubeW, 8);
  FillOutlined(cr, tubeShade(Hex(0xC23A2C)), kInk, 1);
  StarPath(cr, cx, 34, 5, 3.4, 1.4, 0);
  SetColor(cr, Hex(0xF3D24A));
  cairo_fill(cr);
  for (double y : {62.0, 92.0}) {
    cairo_rectangle(cr, left - 1, y, tubeW + 2, 5);
    FillOutlined(cr, tubeShade(Hex(0x4A4A46)), kInk, 1);
  }
  // Flared muzzle.
  PolygonPath(cr, {left - 5, 4, left + tubeW + 5, 4, left + tubeW, 15, left, 15});
  FillOutlined(cr,
               Linear(left - 5, 0, left + tubeW + 5, 0,
                      {{0, Hex(0x2E3A1C)}, {0.35, Hex(0x8AA058)}, {1, Hex(0x24301A)}}),
               kInk, 1.5);
  EllipsePath(cr, cx, 4.5, tubeW / 2 + 3.5, 2.2);
  FillOutlined(cr, Hex(0x141810), kInk, 1.2);
  // Grip and trigger guard on the right.
  PolygonPath(cr, {left + tubeW, 74, left + tubeW + 10, 76, left + tubeW + 13, 90, left + tubeW + 5,
                   91, left + tubeW, 84});
  FillOutlined(cr, Linear(0, 74, 0, 91, {{0, Hex(0x6E4220)}, {1, Hex(0x4A2A12)}}), kInk, 1.2);
  // Hands.
  GrippingHand(cr, left + tubeW - 1, 84, true);
  GrippingHand(cr, left + 1, 100, false);
}

void DrawRevolver(Canvas& c) {
  cairo_t* cr = c.cr();
  cairo_save(cr);
  // Drawn pointing right, then turned to point up and to the right.
  cairo_translate(cr, 47, 54);
  cairo_rotate(cr, -0.62);
  cairo_scale(cr, 0.9, 0.9);
  cairo_translate(cr, -6, -14);
  const Rgb steel = Hex(0x8C96A4);
  const auto metal = [&](double y0, double y1) {
    return Linear(0, y0, 0, y1,
                  {{0, Shade(steel, 0.5)},
                   {0.35, steel},
                   {0.7, Shade(steel, -0.4)},
                   {1, Shade(steel, -0.1)}});
  };
  // Grip: walnut with a steel cap.
  cairo_move_to(cr, -22, 4);
  cairo_curve_to(cr, -25, 16, -32, 28, -39, 37);
  cairo_curve_to(cr, -34, 42, -28, 44, -23, 43);
  cairo_curve_to(cr, -17, 30, -11, 20, -6, 8);
  cairo_close_path(cr);
  FillOutlined(
      cr, Linear(-40, 0, -6, 0, {{0, Hex(0x5A2E14)}, {0.5, Hex(0x9A5A2C)}, {1, Hex(0x6A3818)}}),
      kInk, 1.4);
  for (int i = 0; i < 5; ++i) {
    cairo_move_to(cr, -28 + i * 2.5, 30 - i * 1);
    cairo_line_to(cr, -19 + i * 2.5, 13 - i * 1);
  }
  Stroke(cr, Hex(0x4A2410), 0.7, 0.8);
  // Trigger guard and trigger.
  cairo_arc(cr, -3, 12, 8, 0.1, kPi * 0.95);
  Stroke(cr, kInk, 3.2);
  cairo_arc(cr, -3, 12, 8, 0.1, kPi * 0.95);
  Stroke(cr, Hex(0x7A8494), 1.6);
  cairo_move_to(cr, -3, 8);
  cairo_curve_to(cr, -1, 12, -2, 15, -5, 17);
  Stroke(cr, kInk, 2.2);
  // Frame.
  PolygonPath(cr, {-26, -6, 10, -6, 12, 8, -6, 9, -22, 6});
  FillOutlined(cr, metal(-6, 9), kInk, 1.4);
  // Hammer.
  PolygonPath(cr, {-23, -5, -28, -11, -25, -13, -18, -6});
  FillOutlined(cr, metal(-15, -5), kInk, 1.2);
  // Barrel with its rib and front sight.
  RoundedRectPath(cr, 8, -6, 46, 10, 2);
  FillOutlined(cr, metal(-6, 4), kInk, 1.4);
  cairo_rectangle(cr, 8, -8, 44, 3);
  FillOutlined(cr, metal(-8, -5), kInk, 1);
  PolygonPath(cr, {47, -8, 49, -12, 52, -12, 52, -8});
  FillOutlined(cr, steel, kInk, 1);
  EllipsePath(cr, 54.5, -1, 1.5, 4.2);
  FillOutlined(cr, Hex(0x202428), kInk, 0.8);
  // Cylinder with flutes.
  RoundedRectPath(cr, -14, -11, 22, 20, 4);
  FillOutlined(cr, metal(-11, 9), kInk, 1.5);
  for (double y : {-5.5, 0.5}) {
    RoundedRectPath(cr, -11, y - 1.5, 16, 3.2, 1.6);
    SetColor(cr, Shade(steel, -0.45));
    cairo_fill(cr);
  }
  cairo_move_to(cr, -11, -9);
  cairo_line_to(cr, 5, -9);
  Stroke(cr, Hex(0xE6ECF4), 1.2, 0.9);
  cairo_restore(cr);
  // A puff from the muzzle: the gallery's guns go off with a flourish.
  const double smoke[][3] = {{80, 17, 5}, {85, 12, 3.6}, {75, 11, 3.5}, {86, 20, 3}};
  for (const auto& s : smoke) cairo_arc(cr, s[0], s[1], s[2], 0, 2 * kPi);
  FillUnionOutlined(cr, RadialFocus(78, 6, 80, 9, 10, {{0, Hex(0xEDEAE4)}, {1, Hex(0xB9B4AC)}}),
                    Hex(0x8A847C), 1);
}

}  // namespace artwork
