// A round's rules that only show over several frames: the boss's hardness and its felling, which
// of two overlapping things a shot hits, the sounds of hits and of the round's end, a frame that
// cannot be drawn, and the slot that waits while the loops stop short of it.
#include <gtest/gtest.h>

#include "game/target_kinds.h"
#include "tests/support/game_window.h"

namespace {

using Round = GameWindow;

// Three hits on the centre of the boss, 40 points each: 60 left, then 20, then felled at -20
// with 200 points and the burp, the footsteps stopped; a fourth hit takes nothing off.
TEST_F(Round, TheBossTakesFortyAHitAtItsCentreAndFallsAtTheThirdFor200) {
  Start(0);
  ParkAll();
  TBoss& boss = StillBoss(200, 100);
  ASSERT_TRUE(boss.Visible);
  ASSERT_TRUE(Playing(Wave::HeavyFootsteps));
  const std::int32_t cx = 200 + 250 / 2, cy = 100 + 250 / 2;
  const std::int32_t hardness[] = {60, 20, -20};
  for (std::int32_t left : hardness) {
    ShootAt(cx, cy);
    Frame();
    EXPECT_EQ(boss.Hardness, left);
    EXPECT_EQ(boss.ShotValue, -1);  // the hit's points show for one frame only
    EXPECT_EQ(form->TotalScore, left > 0 ? 0 : 200);
  }
  EXPECT_TRUE(boss.Dead);
  EXPECT_FALSE(Playing(Wave::HeavyFootsteps));
  EXPECT_TRUE(Playing(Wave::HeavyBurp));

  ShootAt(cx, cy);  // a felled boss still takes one more shot, and nothing off
  Frame();
  EXPECT_FALSE(form->ShotFired);
  EXPECT_EQ(boss.Hardness, -20);
  EXPECT_EQ(boss.ShotValue, 40);  // kept: no further hit until the next boss
  ShootAt(cx, cy);
  Frame();
  EXPECT_EQ(boss.Hardness, -20);
  EXPECT_EQ(form->TotalScore, 200);

  form->TavlorCreated = 50;
  Frame();
  EXPECT_TRUE(Playing(Wave::ThankYou));
  EXPECT_FALSE(Playing(Wave::Korvash));

  // The felled boss stays felled into the next round: one in which no boss comes (the count
  // jumps past 30) ends with the thanks again.
  WaveItem(Wave::ThankYou)->Stop();
  Start(0);
  ParkAll();
  form->TavlorCreated = 31;
  Frame();
  EXPECT_FALSE(boss.Visible);
  form->TavlorCreated = 50;
  Frame();
  EXPECT_TRUE(form->playerIsDead);
  EXPECT_TRUE(Playing(Wave::ThankYou));
  EXPECT_FALSE(Playing(Wave::Korvash));
}

// One shot hits one thing: the boss before any target, and the lower of two target slots.
TEST_F(Round, AShotOverlappingThingsHitsTheBossFirstThenTheLowestSlot) {
  Start(1);  // picture 0 everywhere
  ParkAll();
  StillBoss(100, 100);
  TBoss& under = Place(2, 100 + 125 - 31, 100 + 125 - 31, 0);
  ShootAt(100 + 125, 100 + 125);
  Frame();
  EXPECT_EQ(form->Boss.Hardness, 60);
  EXPECT_EQ(under.ShotValue, -1);
  EXPECT_EQ(form->TotalScore, 0);

  form->Boss.Left = -10000;  // the boss leaves in the next frame
  TBoss& low = Place(1, 400, 300, 0);
  TBoss& high = Place(3, 400, 300, 0);
  ShootAt(400 + 31, 300 + 31);
  Frame();
  EXPECT_EQ(low.ShotValue, 25);
  EXPECT_EQ(high.ShotValue, -1);
  EXPECT_EQ(form->TotalScore, 25);
}

// Hit sounds by picture: the unseen pictures scream like image 0's, and a Grubbel (picture 5)
// belches at 12 points or more and munches below.
TEST_F(Round, HitSoundsFollowThePictureAndAGrubbelsPoints) {
  Start(0);
  ParkAll();
  TBoss& unseen = Place(0, 100, 100, 2);
  ShootAt(100 + 31, 100 + 31);
  Frame();
  EXPECT_EQ(unseen.ShotValue, 25);
  EXPECT_TRUE(Playing(Wave::Scream));

  // Grubbel's box is image 10, 51 x 97: its centre is (25, 48) in it.
  TBoss& grubbel = Place(1, 300, 200, 5);
  ShootAt(300 + 25, 200 + 48);
  Frame();
  EXPECT_EQ(grubbel.ShotValue, 25);
  EXPECT_TRUE(Playing(Wave::Raaaaaap));
  EXPECT_FALSE(Playing(Wave::WendleEats));

  TBoss& far = Place(2, 450, 200, 5);
  ShootAt(450 + 25, 200 + 48 + 40);  // 40 pixels below the centre: well under 12 points
  Frame();
  ASSERT_GE(far.ShotValue, 0);
  EXPECT_LT(far.ShotValue, 12);
  EXPECT_TRUE(Playing(Wave::WendleEats));
}

// Every kind of target names items the lists hold, its hit box has a picture whose size the
// catalogue gives, and a hit in that box's centre scores full points with the kind's loud sound.
TEST_F(Round, EveryTargetKindIsHitInTheCentreOfItsCataloguedBox) {
  ASSERT_LT(kUsualKind, std::ssize(kTargetKinds));
  ASSERT_LT(kFirstSpecialKind, std::ssize(kTargetKinds));
  Start(0);
  ParkAll();
  for (std::size_t k = 0; k < kTargetKinds.size(); ++k) {
    SCOPED_TRACE("kind " + std::to_string(k));
    const TargetKind& kind = kTargetKinds[k];
    ASSERT_LT(catalogue::Index(kind.drawn), catalogue::kImageCount);
    ASSERT_LT(catalogue::Index(kind.hit), catalogue::kWaveCount);
    ASSERT_LT(catalogue::Index(kind.loudHit), catalogue::kWaveCount);
    const catalogue::ImageItem& box = catalogue::Item(kind.hitBox);
    ASSERT_TRUE(box.hasPicture());
    WaveItem(kind.loudHit)->Stop();
    TBoss& target = Place(k, 200, 150, static_cast<std::int32_t>(k));
    ShootAt(200 + box.width / 2, 150 + box.height / 2);
    Frame();
    EXPECT_EQ(target.ShotValue, 25);
    EXPECT_TRUE(Playing(kind.loudHit));
    target.Visible = false;
  }
}

// A boss that walks off alive keeps its footsteps going until the round ends, which then ends
// with the sad fall, every other sound stopped in each frame after.
TEST_F(Round, ABossThatWalksOffAliveEndsTheRoundWithKorvash) {
  Start(0);
  ParkAll();
  TBoss& boss = StillBoss(700, 100);  // beyond the right edge: it leaves in the next frame
  Frame();
  EXPECT_FALSE(boss.Visible);
  EXPECT_TRUE(Playing(Wave::HeavyFootsteps));
  form->TavlorCreated = 50;
  Frame();
  EXPECT_TRUE(form->playerIsDead);
  EXPECT_FALSE(Playing(Wave::HeavyFootsteps));
  EXPECT_TRUE(Playing(Wave::Korvash));
  EXPECT_FALSE(Playing(Wave::ThankYou));

  // Targets go on leaving and being replaced, no longer counted.
  form->Tavlor[0].Visible = true;
  form->Tavlor[0].Delay = 31;
  Frame();
  EXPECT_TRUE(form->Tavlor[0].Visible);
  EXPECT_EQ(form->Tavlor[0].Delay, 0);
  EXPECT_EQ(form->TavlorCreated, 50);

  // A late shot after the round is still scored; the frame that scores it also cuts its
  // sound off, and the end sound plays on.
  TBoss& t = Place(0, 100, 100, 0);
  ShootAt(100 + 31, 100 + 31);
  Frame();
  EXPECT_EQ(t.ShotValue, 25);
  EXPECT_EQ(form->TotalScore, 25);
  EXPECT_FALSE(Playing(Wave::Scream));
  EXPECT_TRUE(Playing(Wave::Korvash));
}

// A frame the display device cannot draw changes nothing; the next one goes on from there.
TEST_F(Round, AFrameThatCannotBeDrawnMovesNothing) {
  Start(0);
  const std::int32_t left = form->Tavlor[0].Left, top = form->Tavlor[0].Top;
  const std::size_t shown = ddraw::PresentedFrames();
  form->DXDraw->Finalize();
  Frame();
  EXPECT_EQ(form->Tavlor[0].Left, left);
  EXPECT_EQ(form->Tavlor[0].Top, top);
  EXPECT_EQ(ddraw::PresentedFrames(), shown);
  form->DXDraw->Initialize();
  Frame();
  EXPECT_NE(std::pair(form->Tavlor[0].Left, form->Tavlor[0].Top), std::pair(left, top));
}

// While the loops stop at slot 6, slot 7 waits, neither moved nor drawn (a drawn hit target
// counts its frames). A send-out into a lower slot raises the bound: the moving loop of that
// frame keeps the bound it read at its start, the drawing loop takes the new one.
TEST_F(Round, SlotSevenWaitsUntilASendOutIntoALowerSlotRaisesTheBound) {
  Start(0);
  ASSERT_EQ(form->AntalTavlor, 6);
  TBoss& seventh = form->Tavlor[7];
  ASSERT_TRUE(seventh.Visible);
  seventh.Left = 300;
  seventh.Top = 200;
  seventh.Speed = 2;
  seventh.Direction = dtLeft;
  seventh.ShotValue = 10;
  seventh.Delay = 0;
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(std::pair(seventh.Left, seventh.Top), std::pair(300, 200));
  EXPECT_EQ(seventh.Delay, 0);

  form->Tavlor[0].Delay = 31;  // slot 0 leaves in the next frame and is filled anew
  form->Tavlor[0].ShotValue = 0;
  Frame();
  EXPECT_EQ(form->AntalTavlor, 7);
  EXPECT_EQ(seventh.Left, 300);  // not moved in this frame
  EXPECT_EQ(seventh.Delay, 1);   // but drawn
  Frame();
  EXPECT_EQ(seventh.Left, 298);
  EXPECT_EQ(seventh.Delay, 2);
}

// A target leaves once its 63 x 62 box, whatever its picture, is wholly off the screen: one
// pixel further out than the box touching an edge from outside. The boss likewise with its
// 250 x 250 box.
TEST_F(Round, ThingsLeaveOnlyWhenTheirWholeBoxIsOffTheScreen) {
  Start(0);
  struct Case {
    std::int32_t left, top;
    bool leaves;
  };
  const Case targets[] = {
      {-63, 100, false}, {-64, 100, true}, {640, 100, false}, {641, 100, true},
      {100, -62, false}, {100, -63, true}, {100, 480, false}, {100, 481, true},
  };
  for (const Case& c : targets) {
    ParkAll();
    TBoss& t = Place(0, c.left, c.top, 3);  // Plimo: 70 x 86, wider and higher than the box
    t.Direction = dtDown;
    const std::int32_t count = form->TavlorCreated;
    Frame();
    const bool replaced = form->TavlorCreated == count + 1;
    EXPECT_EQ(replaced, c.leaves) << c.left << ", " << c.top;
    if (!c.leaves) {
      EXPECT_EQ(std::pair(t.Left, t.Top), std::pair(c.left, c.top));
    }
  }

  ParkAll();
  TBoss& boss = StillBoss(0, 0);
  const Case bosses[] = {
      {-250, 0, false}, {-251, 0, true}, {640, 0, false}, {641, 0, true},
      {0, -250, false}, {0, -251, true}, {0, 480, false}, {0, 481, true},
  };
  for (const Case& c : bosses) {
    boss.Visible = true;
    boss.Left = c.left;
    boss.Top = c.top;
    Frame();
    EXPECT_EQ(boss.Visible, !c.leaves) << c.left << ", " << c.top;
  }
}

}  // namespace
