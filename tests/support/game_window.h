// The game's main window built from its stored description on the headless machine and shown,
// for one test, with the steps a test takes in it: frames as the frame timer calls them, a
// round started by its function key, the mouse and shots at the drawing area, and targets and
// the boss put where a test wants them, and the game's pictures and sounds by their catalogue
// names.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "assets/catalogue/catalogue.h"
#include "game/main_form.h"
#include "platform/ddraw/service.h"
#include "platform/system/input.h"
#include "tests/support/headless_machine.h"

class GameWindow : public HeadlessTest {
 protected:
  // The items of the image list and the wave list, by their catalogue names.
  using Image = catalogue::Image;
  using Wave = catalogue::Wave;

  void SetUp() override {
    HeadlessTest::SetUp();
    ddraw::RegisterService();
    form = app->CreateForm<TMainForm>();
    form->Show();  // the display device starts at the first showing
    app->ProcessMessages();
  }
  void TearDown() override {
    form = nullptr;
    HeadlessTest::TearDown();
  }

  // One frame, as the frame timer would call it.
  void Frame() { form->DXTimerTimer(form->DXTimer, 1); }
  // F1 + mode, as the form takes it: starts a round in that mode, or during one changes the
  // mode only.
  void Start(int mode) {
    std::uint16_t key = static_cast<std::uint16_t>(platform::VK_F1 + mode);
    form->FormKeyDown(form, key, {});
  }

  // The mouse moved to (x, y) of the drawing area.
  void MoveMouse(std::int32_t x, std::int32_t y) { form->DXDrawMouseMove(form->DXDraw, {}, x, y); }
  // The left button alone pressed at (x, y): the gun fires if it is reloaded.
  void PressLeft(std::int32_t x, std::int32_t y) {
    form->DXDrawMouseDown(form->DXDraw, mbLeft, TShiftState{ssLeft}, x, y);
  }
  // A shot at (x, y), gun reloaded at once, tested in the next frame.
  void ShootAt(std::int32_t x, std::int32_t y) {
    form->ShotGunReady = true;
    MoveMouse(x, y);
    PressLeft(x, y);
    ASSERT_TRUE(form->ShotFired);
  }

  // Takes every target off the screen without sending out new ones; Place puts one back.
  void ParkAll() {
    for (TBoss& t : form->Tavlor) t.Visible = false;
  }
  // A target standing still in `slot` with its box's top-left corner at (left, top), not hit.
  TBoss& Place(std::size_t slot, std::int32_t left, std::int32_t top, std::int32_t picture) {
    TBoss& t = form->Tavlor[slot];
    t.Left = left;
    t.Top = top;
    t.Speed = 0;
    t.Picture = picture;
    t.ShotValue = -1;
    t.Delay = 0;
    t.Visible = true;
    return t;
  }
  // Parks every target but slot 0 far outside, so only slot 0 can be hit.
  TBoss& OnlyTarget(std::int32_t left, std::int32_t top, std::int32_t picture) {
    for (std::size_t i = 1; i < 8; ++i) form->Tavlor[i].Left = -10000;
    TBoss& t = form->Tavlor[0];
    t.Left = left;
    t.Top = top;
    t.Speed = 0;
    t.Picture = picture;
    return t;
  }
  // The boss, sent out (its footsteps started), then standing still with its box's top-left
  // corner at (left, top).
  TBoss& StillBoss(std::int32_t left, std::int32_t top) {
    form->TavlorCreated = 30;
    Frame();
    form->TavlorCreated = 31;
    TBoss& b = form->Boss;
    b.Left = left;
    b.Top = top;
    b.Speed = 0;
    return b;
  }

  TWaveCollectionItem* WaveItem(Wave wave) {
    return form->DXWaveList1->Items()->Items(catalogue::Index(wave));
  }
  bool Playing(Wave wave) { return WaveItem(wave)->Playing(); }

  TMainForm* form = nullptr;
};
