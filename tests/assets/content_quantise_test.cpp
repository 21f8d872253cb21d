// The last step of every picture: keying a drawn figure against its transparent colour and
// reducing it to 24, 8 or 4 bits per pixel.
#include <gtest/gtest.h>

#include <set>

#include "assets/content/canvas.h"
#include "assets/content/quantise.h"
#include "tests/assets/dib_pixels.h"

namespace {

using artwork::Canvas;
using artwork::Finish;
using artwork::PictureFormat;
using artwork::Rgb8;
using dib_test::Distance;
using dib_test::Pixels;
using dib_test::Rgb;

constexpr Rgb8 kWhite = {255, 255, 255};

void FillRect(Canvas& c, double x, double y, double w, double h, int r, int g, int b,
              double alpha = 1) {
  cairo_rectangle(c.cr(), x, y, w, h);
  cairo_set_source_rgba(c.cr(), r / 255.0, g / 255.0, b / 255.0, alpha);
  cairo_fill(c.cr());
}

Rgb At(const std::vector<Rgb>& px, int width, int x, int y) {
  return px[static_cast<std::size_t>(y) * width + x];
}

TEST(PictureKeying, ThinCoverageBecomesTheKeyAndTheRestKeepsItsOwnColour) {
  Canvas c(8, 2);
  FillRect(c, 0, 0, 4, 2, 200, 40, 40, 0.6);  // more than half covered
  FillRect(c, 4, 0, 4, 2, 200, 40, 40, 0.4);  // less than half
  const std::vector<Rgb> px = Pixels(Finish(c, {8, 2, 24, kWhite}));
  for (int x = 0; x < 4; ++x) {
    // Unblended: not mixed with the key, so no pale fringe.
    EXPECT_LE(Distance(At(px, 8, x, 0), Rgb{200, 40, 40}), 1) << x;
  }
  for (int x = 4; x < 8; ++x) EXPECT_EQ(At(px, 8, x, 1), (Rgb{255, 255, 255})) << x;
}

TEST(PictureKeying, FigureColoursNearTheKeyAreMovedAwayFromIt) {
  Canvas c(3, 1);
  FillRect(c, 0, 0, 1, 1, 250, 250, 250);  // all but white
  FillRect(c, 1, 0, 1, 1, 255, 255, 255);  // exactly white
  FillRect(c, 2, 0, 1, 1, 255, 240, 200);  // cream, already clear
  const std::vector<Rgb> px = Pixels(Finish(c, {3, 1, 24, kWhite}));
  const Rgb key{255, 255, 255};
  EXPECT_GE(Distance(px[0], key), artwork::kKeyClearance);
  EXPECT_EQ(px[0][0], px[0][1]) << "stays grey";
  EXPECT_GE(Distance(px[1], key), artwork::kKeyClearance);
  EXPECT_EQ(px[2], (Rgb{255, 240, 200}));
}

TEST(PictureKeying, WithoutAKeyTheDrawingLiesOnBlack) {
  Canvas c(2, 1);
  FillRect(c, 0, 0, 1, 1, 255, 0, 0, 0.5);
  const std::vector<Rgb> px = Pixels(Finish(c, {2, 1, 24, std::nullopt}));
  EXPECT_LE(Distance(px[0], Rgb{128, 0, 0}), 1);
  EXPECT_EQ(px[1], (Rgb{0, 0, 0}));
}

TEST(PictureQuantising, FewColoursSurviveFourBitsExactlyWithTheKeyFirst) {
  // Fifteen figure colours and the key: exactly what a 16-entry table holds.
  Canvas c(17, 3);
  std::vector<Rgb> drawn;
  for (int i = 0; i < 15; ++i) {
    const Rgb color{(i * 37) % 200, 30 + i * 11, 220 - i * 13};
    FillRect(c, 1 + i, 1, 1, 1, color[0], color[1], color[2]);
    drawn.push_back(color);
  }
  const DrawnPicture p = Finish(c, {17, 3, 4, Rgb8{255, 255, 0}});
  ASSERT_EQ(p.colorTable.size(), 16u);
  EXPECT_EQ(p.colorTable[0], (std::array<std::uint8_t, 4>{0, 255, 255, 0})) << "key, as B,G,R,0";
  const std::vector<Rgb> px = Pixels(p);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(At(px, 17, 1 + i, 1), drawn[i]) << i;
  for (int x = 0; x < 17; ++x) EXPECT_EQ(At(px, 17, x, 0), (Rgb{255, 255, 0})) << x;
  // 17 pixels of 4 bits take 9 bytes, padded to 12 with zeros.
  for (int y = 0; y < 3; ++y) {
    for (int b = 9; b < 12; ++b) EXPECT_EQ(p.bits[y * 12 + b], 0) << y << " " << b;
  }
}

TEST(PictureQuantising, ManyColoursGetTheNearestOfAFullTable) {
  // A smooth two-way gradient: thousands of colours for 255 figure entries.
  Canvas c(64, 64);
  for (int y = 1; y < 63; ++y) {
    for (int x = 1; x < 63; ++x) FillRect(c, x, y, 1, 1, x * 4, y * 4, 128);
  }
  const DrawnPicture p = Finish(c, {64, 64, 8, kWhite});
  ASSERT_EQ(p.colorTable.size(), 256u);
  const std::vector<Rgb> px = Pixels(p);
  int worst = 0;
  for (int y = 1; y < 63; ++y) {
    for (int x = 1; x < 63; ++x)
      worst = std::max(worst, Distance(At(px, 64, x, y), Rgb{x * 4, y * 4, 128}));
  }
  EXPECT_LE(worst, 16);  // about one cell of a 16 x 16 grid over the two channels
  // Only the key's own entry holds the key colour.
  std::set<int> keyEntries;
  for (std::size_t i = 0; i < p.colorTable.size(); ++i) {
    const auto& e = p.colorTable[i];
    if (e[0] == 255 && e[1] == 255 && e[2] == 255) keyEntries.insert(static_cast<int>(i));
  }
  EXPECT_EQ(keyEntries, std::set<int>{0});
}

TEST(PictureQuantising, PaletteEntriesStayClearOfTheKey) {
  // Figure colours crowding the key: averaging them must not land near it.
  Canvas c(40, 40);
  for (int y = 1; y < 39; ++y) {
    for (int x = 1; x < 39; ++x) FillRect(c, x, y, 1, 1, 255 - x, 255 - y, 255 - (x + y) / 2);
  }
  const DrawnPicture p = Finish(c, {40, 40, 4, kWhite});
  for (std::size_t i = 1; i < p.colorTable.size(); ++i) {
    const auto& e = p.colorTable[i];
    EXPECT_GE(Distance(Rgb{e[2], e[1], e[0]}, Rgb{255, 255, 255}), artwork::kKeyClearance) << i;
  }
}

}  // namespace
