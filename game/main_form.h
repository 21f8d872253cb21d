// The game's main window, TMainForm: a shooting gallery on a 640 x 480 drawing area. All state of
// play lives here as plain fields beside the seven components that the stored description
// makes; the window's event handlers read and write them, one frame routine advances the game by
// one step and draws it, and the mouse, keys and the reload timer only change fields that the
// next frame acts on.
#pragma once

#include <array>
#include <cstdint>

#include "assets/catalogue/catalogue.h"
#include "display/dxdraw.h"
#include "form/dxform.h"
#include "images/imagelist.h"
#include "platform/gdi/gdi.h"
#include "sound/dxsound.h"
#include "sound/wavelist.h"
#include "timing_input/dxinput.h"
#include "timing_input/dxtimer.h"
#include "toolkit/timer.h"

enum TDirection : std::uint8_t { dtLeft, dtRight, dtUp, dtDown };

// One moving target: the boss, or a target slot.
struct TBoss {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Speed = 0;  // pixels per frame in Direction
  TDirection Direction = dtLeft;
  std::int32_t Hardness = 0;   // boss: damage still needed to fell it
  std::int32_t ShotValue = 0;  // -1: open to a hit; 0 or more: the points of the hit
  bool Visible = false;        // moves, is hit-tested and drawn
  std::int32_t ShotX = 0;      // the last hit, relative to Left
  std::int32_t ShotY = 0;      // the last hit, relative to Top
  std::int32_t Delay = 0;      // targets: frames since the hit
  std::int32_t Picture = 0;    // targets: the kind, an index of kTargetKinds
  bool SoundPlaying = false;   // cleared when sent out; nothing reads it
  bool Dead = false;           // boss: felled
};

struct TGun {
  std::int32_t Gunleft = 0;  // x of the gun picture
  std::int32_t AimLeft = 0;  // top-left corner of the aim mark
  std::int32_t AimTop = 0;
};

// A place in the background where a cow grazes; nothing reads them.
struct TCowPlace {
  TRect Place;
  std::int32_t Unused1 = 0;
  std::int32_t Unused2 = 0;
  bool Taken = false;
};

// The grade of a hit at distance (dx, dy) from the centre of what was hit: 10 at the centre down
// to 1 at the rim (a boss hit farther than 100 pixels out still grades 1).
std::int32_t ShotScore(std::int32_t cx, std::int32_t cy, std::int32_t sx, std::int32_t sy);
// The points of a target hit: the grade times 2.5, an exact half going to the even neighbour.
std::int32_t TargetPoints(std::int32_t grade);

class TMainForm : public TDXForm {
  DECLARE_CLASSINFO(TMainForm);
  explicit TMainForm(TComponent* AOwner);

  static constexpr int kTargetSlots = 101;
  static constexpr int kHorses = 21;
  static constexpr int kCowPlaces = 16;

  // The components, bound by name when the stored description is read.
  TDXDraw* DXDraw = nullptr;
  TDXImageList* ImageList = nullptr;
  TDXTimer* DXTimer = nullptr;
  TDXInput* DXInput = nullptr;
  TDXSound* DXSound1 = nullptr;
  TDXWaveList* DXWaveList1 = nullptr;
  TTimer* Timer1 = nullptr;

  // The state of play.
  TBoss Boss;
  std::array<TBoss, kHorses> Horses{};
  std::array<TBoss, kTargetSlots> Tavlor{};
  std::int32_t AntalTavlor = 0;  // the highest slot the frame loops visit
  std::int32_t ShotPosX = 0, ShotPosY = 0;
  std::int32_t AntalHorses = 0;
  std::int32_t MouseX = 0;
  std::int32_t TavelMode = 0;  // 0 to 5, chosen with F1 to F6
  bool PlayedEndScore = false;
  std::int32_t MouseY = 0;
  HRGN TavlaRgn = nullptr;  // the region of the hit test in progress
  bool startinggame = false;
  bool playeralive = false;
  std::int32_t TotalScore = 0;
  std::int32_t TavlorCreated = 0;  // targets sent out this round
  bool playerIsDead = false;       // no round running
  bool ShotGunReady = false;
  bool ShotFired = false;
  std::array<TCowPlace, kCowPlaces> Cows{};
  TGun Gun;

  // Round set-up.
  void NewGame();
  void SpawnTarget();
  std::int32_t FindFreeSlot();
  void SpawnBoss();
  void FireShot();

  // Event handlers, bound by name.
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormKeyDown(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
  void DXDrawInitialize(TObject* Sender);
  void DXDrawFinalize(TObject* Sender);
  void DXDrawMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, std::int32_t X,
                       std::int32_t Y);
  void DXDrawMouseMove(TObject* Sender, TShiftState Shift, std::int32_t X, std::int32_t Y);
  void DXTimerTimer(TObject* Sender, std::int32_t LagCount);
  void Timer1Timer(TObject* Sender);

 private:
  // Steps of the frame routine.
  void MoveBoss();
  void MoveTargets();
  void DrawBoss();
  void DrawTargets();
  void CheckCount();
  void FollowMouse();
  void EndRound();
  void DrawScore();
  // Whether the pending shot lies in the ellipse that fills the box.
  bool ShotInside(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  void Move(TBoss& b);
  void WriteCentred(std::int32_t value, std::int32_t x, std::int32_t y);
  void SetTitleFont();
  void DrawImage(catalogue::Image image, std::int32_t x, std::int32_t y);
  std::int32_t ImageWidth(catalogue::Image image) const;
  std::int32_t ImageHeight(catalogue::Image image) const;
  void PlayWave(catalogue::Wave wave);
  void StopWave(catalogue::Wave wave);
};

extern TMainForm* MainForm;
