// The game's main window built from its stored description on the headless machine: the
// components and the catalogue it carries, the start screen, a new round, shots and their
// points, the gun's rules, and a frame drawn and shown.
#include <gtest/gtest.h>

#include "tests/support/game_window.h"

namespace {

TEST_F(GameWindow, IsBuiltWithItsSevenComponentsAndTheCatalogue) {
  ASSERT_TRUE(form->DXDraw && form->ImageList && form->DXTimer && form->DXInput && form->DXSound1 &&
              form->DXWaveList1 && form->Timer1);
  const char* order[] = {"DXDraw",   "ImageList",   "DXTimer", "DXInput",
                         "DXSound1", "DXWaveList1", "Timer1"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(form->Components(i)->Name(), order[i]);
  EXPECT_EQ(form->Name(), "MainForm");
  EXPECT_EQ(form->ClientWidth(), 640);
  EXPECT_EQ(form->ClientHeight(), 480);
  EXPECT_TRUE(form->KeyPreview());
  EXPECT_EQ(form->ImageList->Items()->Count(), catalogue::kImageCount);
  EXPECT_EQ(form->DXWaveList1->Items()->Count(), catalogue::kWaveCount);
  EXPECT_EQ(form->ImageList->Items()->Items(catalogue::Index(Image::TargetBoard))->Width(), 63);
  EXPECT_EQ(form->ImageList->Items()->Items(catalogue::Index(Image::BossGrubbel))->Height(), 250);
  EXPECT_EQ(form->ImageList->Items()->Items(catalogue::Index(Image::Ledig6))->Width(),
            0);  // no picture
  EXPECT_EQ(form->ImageList->Items()->Find("Ledig"),
            form->ImageList->Items()->Items(catalogue::Index(Image::Ledig7)));
  EXPECT_EQ(form->Timer1->Interval(), 1140u);
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(form->DXDraw->SurfaceWidth(), 640);
  EXPECT_EQ(form->DXDraw->SurfaceHeight(), 480);
}

TEST_F(GameWindow, StartsOnTheStartScreenWithTheDeviceUpAndTheFramesRunning) {
  EXPECT_TRUE(form->startinggame);
  EXPECT_TRUE(form->playerIsDead);
  EXPECT_FALSE(form->ShotGunReady);
  EXPECT_FALSE(machine->CursorVisible());
  EXPECT_TRUE(form->DXDraw->Initialized());
  EXPECT_TRUE(form->DXTimer->Enabled());
  const std::size_t before = machine->PresentedFrames();
  app->RunFor(100);  // about three frames
  EXPECT_GE(machine->PresentedFrames() - before, 3u);
  EXPECT_EQ(machine->LastFrame()->width, 640);
}

// F1 to F6 are taken whatever Shift holds: on the start screen and after a round they start a
// round in their mode, during one they only change the mode.
TEST_F(GameWindow, AFunctionKeyWithAnyModifierStartsARoundFillingSlotsZeroToSeven) {
  std::uint16_t f2 = platform::VK_F1 + 1;
  form->FormKeyDown(form, f2, TShiftState{ssShift});
  EXPECT_FALSE(form->startinggame);
  EXPECT_FALSE(form->playerIsDead);
  EXPECT_TRUE(form->ShotGunReady);
  EXPECT_EQ(form->TavelMode, 1);
  EXPECT_EQ(form->TavlorCreated, 8);
  EXPECT_EQ(form->AntalTavlor, 6);  // the slot being filled never counts
  EXPECT_EQ(form->TotalScore, 0);
  for (std::size_t i = 0; i < 8; ++i) {
    const TBoss& t = form->Tavlor[i];
    EXPECT_TRUE(t.Visible);
    EXPECT_EQ(t.ShotValue, -1);
    EXPECT_EQ(t.Picture, 0);  // mode 1
    switch (t.Direction) {
      case dtLeft: EXPECT_EQ(t.Left, 640); break;
      case dtRight: EXPECT_EQ(t.Left, -63); break;
      case dtUp: EXPECT_EQ(t.Top, 480); break;
      case dtDown: EXPECT_EQ(t.Top, -62); break;
    }
  }
  EXPECT_FALSE(form->Tavlor[8].Visible);

  // During the round only the mode changes.
  const std::uint16_t fKeys[] = {platform::VK_F1 + 3, platform::VK_F1 + 2, platform::VK_F1 + 4};
  const TShiftState held[] = {TShiftState{ssCtrl}, TShiftState{ssAlt},
                              TShiftState{ssShift, ssCtrl}};
  for (int i = 0; i < 3; ++i) {
    std::uint16_t key = fKeys[i];
    form->FormKeyDown(form, key, held[i]);
    EXPECT_EQ(form->TavelMode, fKeys[i] - platform::VK_F1);
    EXPECT_EQ(form->TavlorCreated, 8);
  }

  form->TavlorCreated = 50;
  Frame();
  ASSERT_TRUE(form->playerIsDead);
  std::uint16_t f6 = platform::VK_F1 + 5;
  form->FormKeyDown(form, f6, TShiftState{ssCtrl});
  EXPECT_FALSE(form->playerIsDead);
  EXPECT_EQ(form->TavelMode, 5);
  EXPECT_EQ(form->TavlorCreated, 8);
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(form->Tavlor[i].Picture, 4) << i;
}

// The shot goes where the mouse last moved, whatever the click says, and stays there when the
// mouse moves on before the frame that tests it.
TEST_F(GameWindow, AShotOnATargetsCentreScoresTwentyFiveAndShowsItsMarkForThirtyOneFrames) {
  Start(1);  // mode 1: every target is picture 0
  TBoss& t = OnlyTarget(200, 150, 0);
  // The hit test box is image 0, 63 x 62: its centre is (200 + 31, 150 + 31).
  MoveMouse(231, 181);
  PressLeft(5, 470);
  MoveMouse(600, 20);
  EXPECT_FALSE(form->ShotGunReady);
  EXPECT_TRUE(form->Timer1->Enabled());
  Frame();
  EXPECT_EQ(t.ShotValue, 25);
  EXPECT_EQ(form->TotalScore, 25);
  EXPECT_FALSE(form->ShotFired);
  EXPECT_EQ(t.ShotX, 31);
  EXPECT_EQ(t.ShotY, 31);
  for (int i = 1; i < 31; ++i) Frame();
  EXPECT_EQ(t.Delay, 31);
  const std::int32_t sentOut = form->TavlorCreated;
  Frame();  // the 32nd frame sends out a new target into the slot
  EXPECT_EQ(t.ShotValue, -1);
  EXPECT_EQ(t.Delay, 0);
  EXPECT_EQ(form->TavlorCreated, sentOut + 1);
}

TEST_F(GameWindow, AShotInTheCornerOfTheBoxOutsideTheEllipseMisses) {
  Start(1);
  TBoss& t = OnlyTarget(200, 150, 0);
  MoveMouse(200, 150);
  PressLeft(200, 150);
  Frame();
  EXPECT_EQ(t.ShotValue, -1);
  EXPECT_EQ(form->TotalScore, 0);
  EXPECT_FALSE(form->ShotFired);  // spent
}

// The reload takes 1140 ms from the shot that started it; a new round readies the gun at once
// but leaves a running reload alone, so a shot fired then is ready again when that reload ends.
TEST_F(GameWindow, OnlyTheLeftButtonAloneFiresAndOnlyWhenReloaded) {
  Start(0);
  for (TShiftState shift : {TShiftState{ssLeft, ssShift}, TShiftState{ssLeft, ssDouble},
                            TShiftState{ssLeft, ssRight}, TShiftState{ssRight}}) {
    form->DXDrawMouseDown(form->DXDraw, mbLeft, shift, 10, 10);
    EXPECT_FALSE(form->ShotFired);
  }
  PressLeft(10, 10);
  EXPECT_TRUE(form->ShotFired);
  form->ShotFired = false;
  PressLeft(10, 10);
  EXPECT_FALSE(form->ShotFired);  // reloading
  app->RunFor(1100);
  EXPECT_FALSE(form->ShotGunReady);
  app->RunFor(100);  // the reload timer fires 1140 ms after the shot
  EXPECT_TRUE(form->ShotGunReady);
  EXPECT_FALSE(form->Timer1->Enabled());

  PressLeft(10, 10);  // the last shot
  ASSERT_TRUE(form->Timer1->Enabled());
  form->TavlorCreated = 50;
  app->RunFor(500);  // the round ends
  ASSERT_TRUE(form->playerIsDead);
  EXPECT_FALSE(form->ShotGunReady);
  Start(0);
  EXPECT_TRUE(form->ShotGunReady);
  EXPECT_TRUE(form->Timer1->Enabled());
  app->RunFor(100);
  PressLeft(10, 10);
  EXPECT_FALSE(form->ShotGunReady);
  app->RunFor(600);  // 1200 ms after the last shot of the round, 600 after this one
  EXPECT_TRUE(form->ShotGunReady);
  EXPECT_FALSE(form->Timer1->Enabled());
}

// The round ends at the count check of the frame in which fifty or more have been sent out.
TEST_F(GameWindow, TheBossComesAtThirtyAndTheRoundEndsAtFifty) {
  Start(0);
  form->TavlorCreated = 30;
  Frame();
  EXPECT_TRUE(form->Boss.Visible);
  EXPECT_EQ(form->Boss.Hardness, 100);
  form->TavlorCreated = 49;
  Frame();
  EXPECT_FALSE(form->playerIsDead);
  EXPECT_TRUE(form->ShotGunReady);
  // Three targets leaving in one frame are all counted: the count passes fifty.
  for (std::size_t i = 0; i < 3; ++i) form->Tavlor[i].Delay = 31;
  Frame();
  EXPECT_EQ(form->TavlorCreated, 52);
  EXPECT_TRUE(form->playerIsDead);
  EXPECT_TRUE(form->PlayedEndScore);
  EXPECT_FALSE(form->ShotGunReady);
}

}  // namespace
