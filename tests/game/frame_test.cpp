// What the player sees, pixel for pixel: each frame the game presents is compared with the same
// picture drawn by the rules from the image list and the canvas onto the game's own surface and
// presented the same way: the background, targets from the highest slot down, hit marks with
// their points centred on the hit, the boss with its hardness, the score line at the top left
// and the remaining line ending at the right edge, the gun standing on the bottom edge 3 pixels
// left of the mouse, and the aim mark centred on the mouse over everything.
#include <gtest/gtest.h>

#include <string>

#include "display/surface.h"
#include "tests/support/game_window.h"

namespace {

using Shown = platform::headless::CapturedFrame;

class Screen : public GameWindow {
 protected:
  // One frame of the game, as it reached the window.
  Shown GameFrame() {
    Frame();
    return *machine->LastFrame();
  }
  // The frame the rules call for: the background, then what `scene` draws, presented.
  template <class Scene>
  Shown Expected(Scene scene) {
    form->DXDraw->Surface()->Fill(0);
    Draw(Image::Bakgrund, 0, 0);
    scene();
    form->DXDraw->Flip();
    return *machine->LastFrame();
  }

  std::int32_t W(Image image) const { return Item(image)->Width(); }
  std::int32_t H(Image image) const { return Item(image)->Height(); }
  TPictureCollectionItem* Item(Image image) const {
    return form->ImageList->Items()->Items(catalogue::Index(image));
  }
  void Draw(Image image, std::int32_t x, std::int32_t y) {
    Item(image)->Draw(form->DXDraw->Surface(), x, y, 0);
  }
  // Text in the game's bold Comic Sans; `centred` puts its middle at (x, y) instead of its
  // top-left corner. Answers the text's width.
  std::int32_t Text(const std::string& text, std::int32_t x, std::int32_t y, TColor colour,
                    std::int32_t size, bool centred = false, bool draw = true) {
    TDirectDrawSurfaceCanvas* canvas = form->DXDraw->Surface()->Canvas();
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->SetName("Comic Sans MS");
    canvas->Font()->SetColor(colour);
    canvas->Font()->SetSize(size);
    canvas->Font()->SetStyle(TFontStyles{fsBold});
    const std::int32_t w = canvas->TextWidth(text), h = canvas->TextHeight(text);
    if (centred) x -= w / 2, y -= h / 2;
    if (draw) canvas->TextOut(x, y, text);
    canvas->Release();
    return w;
  }
  void Title(const std::string& text, std::int32_t x, std::int32_t y) {
    Text(text, x, y, clNavy, 20);
  }
  // Points or hardness, in small yellow figures centred on (x, y).
  void Number(std::int32_t value, std::int32_t x, std::int32_t y) {
    Text(std::to_string(value), x, y, clYellow, 10, true);
  }
  // The hit mark centred on the spot, the points over it.
  void Hit(std::int32_t value, std::int32_t x, std::int32_t y) {
    Draw(Image::Burgare, x - W(Image::Burgare) / 2, y - H(Image::Burgare) / 2);
    Number(value, x, y);
  }
  // The top lines, then the gun for a mouse at x and the aim mark on the mouse.
  void Overlay(std::int32_t score, std::int32_t remaining, std::int32_t mouseX,
               std::int32_t mouseY) {
    Title("Score: " + std::to_string(score), 1, 1);
    const std::string r = "Remaining: " + std::to_string(remaining);
    Title(r, 640 - Text(r, 0, 0, clNavy, 20, false, false), 1);
    Draw(Image::Bazooka, mouseX - W(Image::Bazooka) / 2 - 3, 480 - H(Image::Bazooka));
    Draw(Image::Sikte, mouseX - W(Image::Sikte) / 2, mouseY - H(Image::Sikte) / 2);
  }

  // A click where the mouse is, gun reloaded at once.
  void Click() {
    form->ShotGunReady = true;
    PressLeft(form->MouseX, form->MouseY);
  }
};

// The pixels where two frames differ: how many, and the first in reading order.
struct Difference {
  int count = 0, x = -1, y = -1;
};
Difference Compare(const Shown& a, const Shown& b) {
  Difference d;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y) && d.count++ == 0) d.x = x, d.y = y;
  return d;
}
void ExpectSame(const Shown& shown, const Shown& expected, const std::string& what) {
  ASSERT_EQ(shown.width, 640) << what;
  ASSERT_EQ(shown.height, 480) << what;
  ASSERT_EQ(expected.width, 640) << what;
  ASSERT_EQ(expected.height, 480) << what;
  const Difference d = Compare(shown, expected);
  EXPECT_EQ(d.count, 0) << what << ": first different pixel at (" << d.x << ", " << d.y
                        << "), shown " << std::hex << shown.Pixel(d.x, d.y) << ", expected "
                        << expected.Pixel(d.x, d.y);
}

// Before the first round: the background and the start text at (1, 1), and nothing else, not
// even the gun or the aim mark where the mouse is.
TEST_F(Screen, TheStartScreenShowsTheBackgroundAndTheStartTextOnly) {
  MoveMouse(320, 240);
  const Shown shown = GameFrame();
  const Shown expected = Expected([&] { Title("Marvosk, press F1 to start game", 1, 1); });
  ASSERT_GT(Compare(expected, Expected([] {})).count, 500);  // the text is there to see
  ExpectSame(shown, expected, "start screen");
}

// A round in play: overlapping targets, the lower slot on top; an invisible picture; a hit
// Grubbel with the burger centred on the hit and its points centred on that; the boss under
// the targets with its hardness at the spot of its last hit; the score and remaining lines;
// the gun and aim mark following the mouse, which moved on after the shot.
TEST_F(Screen, ARoundInPlayShowsEverythingWhereItsRulesPutIt) {
  Start(0);
  ParkAll();
  TBoss& boss = StillBoss(-60, 240);
  boss.ShotX = 110;  // a hit of an earlier boss
  boss.ShotY = 70;
  Place(0, 60, 120, 3);   // Plimo, image 8, over
  Place(1, 100, 150, 4);  // Tolvar, image 9
  TBoss& grubbel = Place(2, 300, 200, 5);
  Place(3, 120, 300, 0);  // image 5, over the boss
  Place(4, 500, 300, 1);  // "Ledig": nothing to see
  // Grubbel's box is 51 x 97, its centre (25, 48): 8 right and 3 down of it is 9 pixels out
  // when rounded, grade 6.
  const std::int32_t spotX = 300 + 25 + 8, spotY = 200 + 48 + 3;
  MoveMouse(spotX, spotY);
  Click();
  MoveMouse(420, 330);
  const Shown shown = GameFrame();
  ASSERT_EQ(grubbel.ShotValue, 15);
  const Shown expected = Expected([&] {
    Draw(Image::BossGrubbel, -60, 240);
    Number(100, -60 + 110, 240 + 70);
    Draw(Image::Ledig6, 500, 300);
    Draw(Image::Bazooka, 120, 300);
    Draw(Image::Grubbel, 300, 200);
    Hit(15, spotX, spotY);
    Draw(Image::Tolvar, 100, 150);
    Draw(Image::Plimo, 60, 120);
    Overlay(15, 50 - 31, 420, 330);
  });
  ExpectSame(shown, expected, "round in play");
}

// A hit on the boss shows the burger and the hit's points for one frame; after the round the
// hardness left stands at that spot, the remaining line shows the count gone past fifty, and
// the gun and aim mark stay where the round left them, whatever the mouse does.
TEST_F(Screen, ABossHitThenTheRoundsEndShowTheirNumbersAndAStillGun) {
  Start(0);
  ParkAll();
  StillBoss(200, 120);
  // 20 pixels right of the boss's centre: grade 4, 16 points off its hardness.
  const std::int32_t spotX = 200 + 125 + 20, spotY = 120 + 125;
  MoveMouse(spotX, spotY);
  Click();
  Shown shown = GameFrame();
  ASSERT_EQ(form->Boss.Hardness, 84);
  Shown expected = Expected([&] {
    Draw(Image::BossGrubbel, 200, 120);
    Hit(16, spotX, spotY);
    Overlay(0, 19, spotX, spotY);
  });
  ExpectSame(shown, expected, "the frame of the hit");

  form->TavlorCreated = 52;
  MoveMouse(30, 40);
  shown = GameFrame();
  ASSERT_TRUE(form->playerIsDead);
  expected = Expected([&] {
    Draw(Image::BossGrubbel, 200, 120);
    Number(84, spotX, spotY);
    Overlay(0, -2, spotX, spotY);
  });
  ExpectSame(shown, expected, "after the round");
}

}  // namespace
