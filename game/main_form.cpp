#include "game/main_form.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "display/surface.h"
#include "game/target_kinds.h"
#include "platform/system/input.h"
#include "toolkit/numeric.h"

TMainForm* MainForm = nullptr;

namespace {

using catalogue::Image;
using catalogue::Wave;

// The round.
constexpr int kFirstTargets = 8;
constexpr std::int32_t kBossAt = 30;          // targets sent out when the boss comes
constexpr std::int32_t kRoundLength = 50;     // targets in a round
constexpr std::int32_t kRoundOverUpTo = 100;  // the count range that ends the round
constexpr std::int32_t kBossHardness = 100;
constexpr std::int32_t kStartHardness = 10;  // before the first boss of a round
constexpr std::int32_t kBossPoints = 200;    // for felling it
constexpr std::int32_t kBossHitFactor = 4;
constexpr std::int32_t kMarkFrames = 30;     // a hit target shows its mark this many frames more
constexpr std::int32_t kGunOffset = 3;       // the gun's middle this far left of the mouse
constexpr std::int32_t kModeZeroRange = 70;  // mode 0: chance of a special picture is 8 in this
constexpr std::int32_t kModeZeroSpecial = 8;
constexpr std::uint16_t kEnter = platform::VK_RETURN;

// Texts.
constexpr const char* kTextFont = "Comic Sans MS";
constexpr std::int32_t kTitleSize = 20;
constexpr std::int32_t kNumberSize = 10;
constexpr const char* kStartText = "Marvosk, press F1 to start game";

// Places in the background where cows graze (Left, Top, Right, Bottom).
constexpr TRect kCowRects[] = {
    {29, 321, 54, 335},   {105, 338, 134, 357}, {148, 324, 173, 339}, {221, 342, 251, 361},
    {55, 370, 86, 387},   {116, 387, 137, 399}, {180, 390, 204, 401}, {56, 414, 78, 431},
    {226, 417, 252, 435}, {495, 427, 506, 435}, {481, 213, 620, 280},
};

// Grades by the rounded distance of a hit from the centre: up to `upTo` pixels, `grade`.
struct GradeBand {
  std::int32_t upTo, grade;
};
constexpr GradeBand kGrades[] = {{1, 10}, {4, 9}, {8, 8}, {15, 6}, {20, 4}, {26, 2}, {100, 1}};
// Farther out than the table reaches (only the boss is that large): the outermost band goes on
// to the rim, so every hit takes something off.
constexpr std::int32_t kRimGrade = 1;

const TFieldInfo kFields[] = {
    Field<&TMainForm::DXDraw>("DXDraw"),     Field<&TMainForm::ImageList>("ImageList"),
    Field<&TMainForm::DXTimer>("DXTimer"),   Field<&TMainForm::DXInput>("DXInput"),
    Field<&TMainForm::DXSound1>("DXSound1"), Field<&TMainForm::DXWaveList1>("DXWaveList1"),
    Field<&TMainForm::Timer1>("Timer1"),
};
const TMethodInfo kMethods[] = {
    PublishedMethod<&TMainForm::FormCreate>("FormCreate"),
    PublishedMethod<&TMainForm::FormDestroy>("FormDestroy"),
    PublishedMethod<&TMainForm::FormKeyDown>("FormKeyDown"),
    PublishedMethod<&TMainForm::DXDrawInitialize>("DXDrawInitialize"),
    PublishedMethod<&TMainForm::DXDrawFinalize>("DXDrawFinalize"),
    PublishedMethod<&TMainForm::DXDrawMouseDown>("DXDrawMouseDown"),
    PublishedMethod<&TMainForm::DXDrawMouseMove>("DXDrawMouseMove"),
    PublishedMethod<&TMainForm::DXTimerTimer>("DXTimerTimer"),
    PublishedMethod<&TMainForm::Timer1Timer>("Timer1Timer"),
};

}  // namespace

IMPLEMENT_CLASS(TMainForm, TDXForm, .Fields = kFields, .Methods = kMethods)
REGISTER_CLASS(TMainForm)

std::int32_t ShotScore(std::int32_t cx, std::int32_t cy, std::int32_t sx, std::int32_t sy) {
  const double dx = std::abs(static_cast<double>(sx) - cx);
  const double dy = std::abs(static_cast<double>(sy) - cy);
  // dx² + dy² is whole, so its root is never exactly halfway between two whole numbers.
  const std::int64_t d = Round(std::sqrt(dx * dx + dy * dy));
  for (const GradeBand& band : kGrades)
    if (d <= band.upTo) return band.grade;
  return kRimGrade;
}

std::int32_t TargetPoints(std::int32_t grade) {
  return static_cast<std::int32_t>(Round(grade * 2.5));
}

TMainForm::TMainForm(TComponent* AOwner) : TDXForm(AOwner) {}

// ---- Round set-up ----

void TMainForm::FormCreate(TObject*) {
  TavelMode = 0;
  for (std::size_t i = 0; i < std::size(kCowRects); ++i) Cows[i].Place = kCowRects[i];
  platform::ShowCursor(false);  // the game draws its own aim mark
  startinggame = true;
  playerIsDead = true;
  playeralive = false;
  Randomize();
  for (TBoss& t : Tavlor) t.Visible = false;
}

void TMainForm::NewGame() {
  AntalTavlor = 0;
  PlayedEndScore = false;
  startinggame = false;
  TavlorCreated = 0;
  Boss.Visible = false;
  Boss.Hardness = kStartHardness;
  TotalScore = 0;
  playerIsDead = false;
  playeralive = true;
  for (TBoss& t : Tavlor) {
    t.Visible = false;
    t.ShotValue = -1;
  }
  for (TBoss& h : Horses) {
    h.Visible = false;
    h.ShotValue = -1;
  }
  for (TCowPlace& c : Cows) c.Taken = false;
  for (int i = 0; i < kFirstTargets; ++i) SpawnTarget();
  ShotGunReady = true;
  PlayWave(Wave::Startup);
}

std::int32_t TMainForm::FindFreeSlot() {
  std::int32_t free = 0;
  for (std::int32_t i = 0; i < kTargetSlots; ++i)
    if (!Tavlor[static_cast<std::size_t>(i)].Visible) {
      free = i;
      break;
    }
  // The slot about to be filled is not active yet, so it never counts here.
  for (std::int32_t i = kTargetSlots - 1; i >= 0; --i)
    if (Tavlor[static_cast<std::size_t>(i)].Visible) {
      AntalTavlor = i;
      break;
    }
  return free;
}

namespace {

// A place just outside the edge opposite the direction, the box touching that edge.
void PlaceAtEdge(TBoss& b, TDirection d, std::int32_t sw, std::int32_t sh, std::int32_t w,
                 std::int32_t h) {
  switch (d) {
    case dtLeft:
      b.Left = sw;
      b.Top = Random(sh - h);
      break;
    case dtRight:
      b.Left = -w;
      b.Top = Random(sh - h);
      break;
    case dtUp:
      b.Left = Random(sw - w);
      b.Top = sh;
      break;
    case dtDown:
      b.Left = Random(sw - w);
      b.Top = -h;
      break;
  }
}

}  // namespace

void TMainForm::SpawnTarget() {
  TBoss& t = Tavlor[static_cast<std::size_t>(FindFreeSlot())];
  t.Direction = static_cast<TDirection>(Random(4));
  PlaceAtEdge(t, t.Direction, DXDraw->SurfaceWidth(), DXDraw->SurfaceHeight(),
              ImageWidth(Image::TargetBoard), ImageHeight(Image::TargetBoard));
  t.Speed = Random(3) + 1;
  t.ShotValue = -1;
  t.Delay = 0;
  t.Visible = true;
  t.SoundPlaying = false;
  if (TavelMode == 0) {
    const std::int32_t r = Random(kModeZeroRange - TavlorCreated);
    t.Picture = kUsualKind;
    if (r < kModeZeroSpecial) {
      t.Picture = Random(static_cast<std::int32_t>(kTargetKinds.size()) - kFirstSpecialKind) +
                  kFirstSpecialKind;
    }
  } else {
    t.Picture = TavelMode - 1;
  }
  if (!playerIsDead) ++TavlorCreated;
}

void TMainForm::SpawnBoss() {
  Boss.Direction = static_cast<TDirection>(Random(4));
  PlaceAtEdge(Boss, Boss.Direction, DXDraw->SurfaceWidth(), DXDraw->SurfaceHeight(),
              ImageWidth(Image::BossGrubbel), ImageHeight(Image::BossGrubbel));
  Boss.Dead = false;
  Boss.Speed = 1;
  Boss.ShotValue = -1;
  Boss.Hardness = kBossHardness;
  Boss.Delay = 0;
  Boss.Visible = true;
  Boss.SoundPlaying = false;
}

// ---- The frame routine ----

void TMainForm::DXTimerTimer(TObject*, std::int32_t) {
  if (!DXDraw->CanDraw()) return;
  TDirectDrawSurface* surface = DXDraw->Surface();
  surface->Fill(0);
  DrawImage(Image::Bakgrund, 0, 0);
  if (startinggame) {
    TDirectDrawSurfaceCanvas* canvas = surface->Canvas();
    SetTitleFont();
    canvas->TextOut(1, 1, kStartText);
    canvas->Release();
    DXDraw->Flip();
    return;
  }
  if (Boss.Visible) MoveBoss();
  MoveTargets();
  ShotFired = false;  // a shot is tested in exactly one frame
  if (Boss.Visible) DrawBoss();
  DrawTargets();
  CheckCount();
  if (!playerIsDead)
    FollowMouse();
  else
    EndRound();
  DrawScore();
  DXDraw->Flip();
}

void TMainForm::Move(TBoss& b) {
  switch (b.Direction) {
    case dtLeft: b.Left -= b.Speed; break;
    case dtRight: b.Left += b.Speed; break;
    case dtUp: b.Top -= b.Speed; break;
    case dtDown: b.Top += b.Speed; break;
  }
}

void TMainForm::MoveBoss() {
  const std::int32_t w = ImageWidth(Image::BossGrubbel), h = ImageHeight(Image::BossGrubbel);
  Move(Boss);
  if (Boss.Top + h < 0 || Boss.Top > DXDraw->SurfaceHeight() || Boss.Left + w < 0 ||
      Boss.Left > DXDraw->SurfaceWidth()) {
    Boss.Visible = false;  // its footsteps go on until the round ends
    return;
  }
  if (ShotFired && Boss.ShotValue == -1 && ShotInside(Boss.Left, Boss.Top, w, h)) {
    ShotFired = false;
    Boss.ShotValue =
        ShotScore(Boss.Left + w / 2, Boss.Top + h / 2, ShotPosX, ShotPosY) * kBossHitFactor;
    PlayWave(Wave::WendleEats);
    Boss.ShotX = ShotPosX - Boss.Left;
    Boss.ShotY = ShotPosY - Boss.Top;
  }
}

void TMainForm::MoveTargets() {
  const std::int32_t w0 = ImageWidth(Image::TargetBoard), h0 = ImageHeight(Image::TargetBoard);
  const std::int32_t last = AntalTavlor;  // read once: send-outs below may move it
  for (std::int32_t i = 0; i <= last; ++i) {
    TBoss& t = Tavlor[static_cast<std::size_t>(i)];
    if (!t.Visible) continue;
    Move(t);
    if (t.Top + h0 < 0 || t.Top > DXDraw->SurfaceHeight() || t.Left + w0 < 0 ||
        t.Left > DXDraw->SurfaceWidth() || t.Delay > kMarkFrames) {
      t.Visible = false;
      SpawnTarget();  // fills this same slot
      continue;
    }
    if (!ShotFired || t.ShotValue != -1) continue;
    const TargetKind& kind = kTargetKinds.at(static_cast<std::size_t>(t.Picture));
    const std::int32_t w = ImageWidth(kind.hitBox), h = ImageHeight(kind.hitBox);
    if (!ShotInside(t.Left, t.Top, w, h)) continue;
    ShotFired = false;
    t.ShotValue = TargetPoints(ShotScore(t.Left + w / 2, t.Top + h / 2, ShotPosX, ShotPosY));
    PlayWave(t.ShotValue >= kLoudHit ? kind.loudHit : kind.hit);
    TotalScore += t.ShotValue;
    t.ShotX = ShotPosX - t.Left;
    t.ShotY = ShotPosY - t.Top;
  }
}

bool TMainForm::ShotInside(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  TavlaRgn = CreateEllipticRgn(x, y, x + w, y + h);
  const bool inside = PtInRegion(TavlaRgn, ShotPosX, ShotPosY) != 0;
  DeleteObject(TavlaRgn);
  return inside;
}

void TMainForm::DrawBoss() {
  DrawImage(Image::BossGrubbel, Boss.Left, Boss.Top);
  const std::int32_t spotX = Boss.Left + Boss.ShotX, spotY = Boss.Top + Boss.ShotY;
  if (Boss.ShotValue >= 0 && !Boss.Dead) {
    DrawImage(Image::Burgare, spotX - ImageWidth(Image::Burgare) / 2,
              spotY - ImageHeight(Image::Burgare) / 2);
    Boss.Hardness -= Boss.ShotValue;
    WriteCentred(Boss.ShotValue, spotX, spotY);
    Boss.ShotValue = -1;
    if (Boss.Hardness <= 0) {
      StopWave(Wave::HeavyFootsteps);
      Boss.Dead = true;
      PlayWave(Wave::HeavyBurp);
      TotalScore += kBossPoints;
    }
  } else {
    WriteCentred(Boss.Hardness, spotX, spotY);
  }
}

void TMainForm::DrawTargets() {
  for (std::int32_t i = AntalTavlor; i >= 0; --i) {
    TBoss& t = Tavlor[static_cast<std::size_t>(i)];
    if (!t.Visible) continue;
    DrawImage(kTargetKinds.at(static_cast<std::size_t>(t.Picture)).drawn, t.Left, t.Top);
    if (t.ShotValue < 0) continue;
    ++t.Delay;
    const std::int32_t spotX = t.Left + t.ShotX, spotY = t.Top + t.ShotY;
    DrawImage(Image::Burgare, spotX - ImageWidth(Image::Burgare) / 2,
              spotY - ImageHeight(Image::Burgare) / 2);
    WriteCentred(t.ShotValue, spotX, spotY);
  }
}

void TMainForm::CheckCount() {
  if (TavlorCreated == kBossAt) {
    SpawnBoss();
    PlayWave(Wave::HeavyFootsteps);
  } else if (TavlorCreated >= kRoundLength && TavlorCreated <= kRoundOverUpTo) {
    playerIsDead = true;
  }
}

void TMainForm::FollowMouse() {
  DXInput->Update();
  TDXInputStates states = DXInput->States();
  if (states.Contains(isButton1)) {
    states.Exclude(isButton1);
    DXInput->SetStates(states);
  }
  Gun.AimLeft = MouseX - ImageWidth(Image::Sikte) / 2;
  Gun.AimTop = MouseY - ImageHeight(Image::Sikte) / 2;
  Gun.Gunleft = MouseX - ImageWidth(Image::Bazooka) / 2 - kGunOffset;
}

void TMainForm::EndRound() {
  ShotGunReady = false;
  for (int i = 0; i < catalogue::kWaveCount; ++i) {
    const auto wave = static_cast<Wave>(i);
    if (wave != Wave::Korvash && wave != Wave::ThankYou) StopWave(wave);
  }
  if (!PlayedEndScore) {
    PlayedEndScore = true;
    PlayWave(Boss.Dead ? Wave::ThankYou : Wave::Korvash);
  }
}

void TMainForm::DrawScore() {
  TDirectDrawSurfaceCanvas* canvas = DXDraw->Surface()->Canvas();
  SetTitleFont();
  canvas->TextOut(1, 1, "Score: " + std::to_string(TotalScore));
  const std::string remaining = "Remaining: " + std::to_string(kRoundLength - TavlorCreated);
  canvas->TextOut(DXDraw->SurfaceWidth() - canvas->TextWidth(remaining), 1, remaining);
  canvas->Release();
  DrawImage(Image::Bazooka, Gun.Gunleft, DXDraw->SurfaceHeight() - ImageHeight(Image::Bazooka));
  DrawImage(Image::Sikte, Gun.AimLeft, Gun.AimTop);
}

void TMainForm::SetTitleFont() {
  TDirectDrawSurfaceCanvas* canvas = DXDraw->Surface()->Canvas();
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetName(kTextFont);
  canvas->Font()->SetColor(clNavy);
  canvas->Font()->SetSize(kTitleSize);
  canvas->Font()->SetStyle(TFontStyles{fsBold});
}

void TMainForm::WriteCentred(std::int32_t value, std::int32_t x, std::int32_t y) {
  TDirectDrawSurfaceCanvas* canvas = DXDraw->Surface()->Canvas();
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetName(kTextFont);
  canvas->Font()->SetColor(clYellow);
  canvas->Font()->SetSize(kNumberSize);
  canvas->Font()->SetStyle(TFontStyles{fsBold});
  const std::string text = std::to_string(value);
  const std::int32_t w = canvas->TextWidth(text), h = canvas->TextHeight(text);
  canvas->TextOut(x - w / 2, y - h / 2, text);
  canvas->Release();
}

void TMainForm::DrawImage(Image image, std::int32_t x, std::int32_t y) {
  ImageList->Items()->Items(catalogue::Index(image))->Draw(DXDraw->Surface(), x, y, 0);
}

std::int32_t TMainForm::ImageWidth(Image image) const {
  return ImageList->Items()->Items(catalogue::Index(image))->Width();
}

std::int32_t TMainForm::ImageHeight(Image image) const {
  return ImageList->Items()->Items(catalogue::Index(image))->Height();
}

void TMainForm::PlayWave(Wave wave) {
  DXWaveList1->Items()->Items(catalogue::Index(wave))->Play(false);
}

void TMainForm::StopWave(Wave wave) { DXWaveList1->Items()->Items(catalogue::Index(wave))->Stop(); }

// ---- Player input ----

void TMainForm::DXDrawMouseMove(TObject*, TShiftState, std::int32_t X, std::int32_t Y) {
  MouseX = X;
  MouseY = Y;
}

void TMainForm::DXDrawMouseDown(TObject*, TMouseButton, TShiftState Shift, std::int32_t,
                                std::int32_t) {
  // The left button alone: no other button, modifier or double click.
  if (Shift == TShiftState{ssLeft} && ShotGunReady) FireShot();
}

void TMainForm::FireShot() {
  ShotPosX = MouseX;  // where the mouse last moved, not where the click says
  ShotPosY = MouseY;
  ShotFired = true;
  ShotGunReady = false;
  PlayWave(Wave::Thump);
  Timer1->SetEnabled(true);
}

void TMainForm::Timer1Timer(TObject*) {
  Timer1->SetEnabled(false);
  ShotGunReady = true;
}

void TMainForm::FormKeyDown(TObject*, std::uint16_t& Key, TShiftState Shift) {
  if (Key >= platform::VK_F1 && Key < platform::VK_F1 + 6) {
    TavelMode = Key - platform::VK_F1;
    if (playerIsDead) NewGame();
  }
  if (Shift.Contains(ssAlt) && Key == kEnter) {
    DXDraw->Finalize();
    if (DXDraw->Options().Contains(doFullScreen)) {
      RestoreWindow();
      DXDraw->SetCursor(0);
      SetBorderStyle(bsSizeable);
      DXDraw->SetOptions(DXDraw->Options() - TDXDrawOptions{doFullScreen});
    } else {
      StoreWindow();
      DXDraw->SetCursor(-1);
      SetBorderStyle(bsNone);
      DXDraw->SetOptions(DXDraw->Options() + TDXDrawOptions{doFullScreen});
    }
    DXDraw->Initialize();
  }
}

// ---- The shell ----

void TMainForm::DXDrawInitialize(TObject*) { DXTimer->SetEnabled(true); }

void TMainForm::DXDrawFinalize(TObject*) { DXTimer->SetEnabled(false); }

void TMainForm::FormDestroy(TObject*) {
  // Every hit test frees its region at once: nothing is held here.
}
