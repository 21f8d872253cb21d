// Where chance comes in: the generator seeded from the clock when the window is made, and the
// draws of every send-out, target or boss, taken from it in a fixed order. The expected values
// come from a second generator run in that order beside the game, never from the game itself.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "game/target_kinds.h"
#include "tests/support/game_window.h"
#include "toolkit/numeric.h"

namespace {

// What a send-out should give, and how it came by its picture.
struct SentOut {
  TDirection direction = dtLeft;
  std::int32_t left = 0, top = 0, speed = 0, picture = 0;
  bool secondDraw = false;  // mode 0: the first draw was under 8
};

// The program's generator with a state of its own, drawing in the order of the game's rules for
// a 640 x 480 surface, a 63 x 62 target box and a 250 x 250 boss.
class Draws {
 public:
  explicit Draws(std::uint32_t seed) : FSeed(seed) {}
  std::uint32_t Seed() const { return FSeed; }
  std::int32_t operator()(std::int32_t range) {
    std::swap(RandSeed, FSeed);
    const std::int32_t r = Random(range);
    std::swap(RandSeed, FSeed);
    return r;
  }
  // Direction, place on the edge opposite it, speed, then the picture by the mode.
  SentOut Target(std::int32_t mode, std::int32_t created) {
    SentOut s = Edge(63, 62);
    s.speed = (*this)(3) + 1;
    if (mode == 0) {
      s.picture = 5;
      if ((*this)(70 - created) < 8) {
        s.secondDraw = true;
        s.picture = (*this)(std::ssize(kTargetKinds) - 3) + 3;  // kind 3 or a later one
      }
    } else {
      s.picture = mode - 1;
    }
    return s;
  }
  SentOut Boss() {
    SentOut s = Edge(250, 250);
    s.speed = 1;
    return s;
  }

 private:
  SentOut Edge(std::int32_t w, std::int32_t h) {
    SentOut s;
    s.direction = static_cast<TDirection>((*this)(4));
    switch (s.direction) {
      case dtLeft: s.left = 640, s.top = (*this)(480 - h); break;
      case dtRight: s.left = -w, s.top = (*this)(480 - h); break;
      case dtUp: s.left = (*this)(640 - w), s.top = 480; break;
      case dtDown: s.left = (*this)(640 - w), s.top = -h; break;
    }
    return s;
  }
  std::uint32_t FSeed;
};

void ExpectSentOut(const TBoss& t, const SentOut& s, const std::string& what) {
  SCOPED_TRACE(what);
  EXPECT_TRUE(t.Visible);
  EXPECT_EQ(t.Direction, s.direction);
  EXPECT_EQ(t.Left, s.left);
  EXPECT_EQ(t.Top, s.top);
  EXPECT_EQ(t.Speed, s.speed);
  EXPECT_EQ(t.ShotValue, -1);
  EXPECT_EQ(t.Delay, 0);
}

void ExpectTarget(const TBoss& t, const SentOut& s, const std::string& what) {
  ExpectSentOut(t, s, what);
  EXPECT_EQ(t.Picture, s.picture) << what;
}

class Chance : public GameWindow {
 protected:
  // Slot 0 alone on the screen, about to leave in the next frame.
  void LeaveNext() {
    ParkAll();
    form->Tavlor[0].Visible = true;
    form->Tavlor[0].Delay = 31;
  }
};

// The machine's clock stands at a known time when the window is made; the round started later
// still draws from the generator seeded with that time.
class ChanceFromTheClock : public Chance {
 protected:
  static constexpr std::uint32_t kMadeAt = 7654321;
  std::uint32_t StartTime() const override { return kMadeAt; }
  void SetUp() override {
    RandSeed = 0xBADC0DE;  // what an earlier run left
    Chance::SetUp();
  }
};

TEST_F(ChanceFromTheClock, TheGeneratorIsSeededOnceFromTheClockWhenTheWindowIsMade) {
  EXPECT_EQ(RandSeed, kMadeAt);
  app->RunFor(5000);  // the start screen shows for a while: nothing is drawn from the generator
  EXPECT_EQ(RandSeed, kMadeAt);
  Draws draws(kMadeAt);
  Start(1);  // F2: no draw for the picture
  for (std::size_t i = 0; i < 8; ++i)
    ExpectTarget(form->Tavlor[i], draws.Target(1, 0), "slot " + std::to_string(i));
  EXPECT_EQ(RandSeed, draws.Seed());
}

// A whole round in mode 0, with a few send-outs in mode 2 between: the first eight targets, each
// replacement, the boss at the thirtieth and the send-outs after the round, which no longer
// count, all take their direction, place, speed and picture in that order from the generator,
// and nothing else draws from it.
TEST_F(Chance, ARoundsSendOutsDrawDirectionPlaceSpeedAndPictureInThatOrder) {
  constexpr std::uint32_t kSeed = 16;
  RandSeed = kSeed;
  Draws draws(kSeed);
  std::set<TDirection> directions;
  int plain = 0, second = 0;
  auto note = [&](const SentOut& s) {
    directions.insert(s.direction);
    ++(s.secondDraw ? second : plain);
    return s;
  };

  Start(0);
  for (std::int32_t i = 0; i < 8; ++i)
    ExpectTarget(form->Tavlor[static_cast<std::size_t>(i)], note(draws.Target(0, i)),
                 "slot " + std::to_string(i));

  int mode = 0;
  for (std::int32_t created = 8; created < 53; ++created) {
    if (created == 12 || created == 15) {
      mode = mode == 0 ? 2 : 0;
      Start(mode);  // during a round only the mode changes
      ASSERT_EQ(form->TavlorCreated, created);
    }
    LeaveNext();
    Frame();
    const std::string what = "send-out " + std::to_string(created + 1);
    ExpectTarget(form->Tavlor[0], note(draws.Target(mode, std::min(created, 50))), what);
    if (created + 1 == 30) ExpectSentOut(form->Boss, draws.Boss(), "the boss");
    if (created < 50) {
      EXPECT_EQ(form->TavlorCreated, created + 1) << what;
    } else {
      EXPECT_EQ(form->TavlorCreated, 50) << what << ", after the round";
    }
    EXPECT_EQ(form->playerIsDead, created + 1 >= 50) << what;
    EXPECT_EQ(RandSeed, draws.Seed()) << what;
  }
  EXPECT_EQ(form->Boss.Hardness, 100);
  // The seed takes every branch of the rules.
  EXPECT_EQ(directions.size(), 4u);
  EXPECT_GE(plain, 10);
  EXPECT_GE(second, 3);
}

// Mode 0 near the end of a round, at 49 sent out, the first draw for the picture is taken of
// exactly 21: a draw of 7 leads to a second draw, one of 8 gives picture 5 at once. The states
// of the generator are chosen at the edge between 7 and 8, where a range one smaller or larger
// would turn the draw to the other side.
TEST_F(Chance, ModeZerosPictureTurnsOnAFirstDrawUnderEightOfSeventyLessTheCount) {
  Start(0);
  struct Edge {
    std::int32_t wanted, otherRange;
  };
  for (const Edge edge : {Edge{7, 22}, Edge{8, 20}}) {
    const std::string what = "first draw " + std::to_string(edge.wanted);
    std::uint32_t seed = 1;
    for (;; ++seed) {
      ASSERT_LT(seed, 1000000u) << what;
      Draws probe(seed);
      for (int draw = 0; draw < 3; ++draw) probe(1);  // direction, place and speed
      Draws other = probe;
      if (probe(21) == edge.wanted && other(edge.otherRange) != edge.wanted) break;
    }
    Draws draws(seed);
    const SentOut s = draws.Target(0, 49);
    ASSERT_EQ(s.secondDraw, edge.wanted < 8) << what;
    form->TavlorCreated = 49;
    LeaveNext();
    form->Tavlor[0].Picture = 0;
    RandSeed = seed;
    Frame();
    ExpectTarget(form->Tavlor[0], s, what);
    EXPECT_EQ(RandSeed, draws.Seed()) << what;
    Start(0);  // the round is over: start the next
  }
}

// While the count stands at 30 the boss is sent out anew in every frame, its footsteps starting
// over; it walks in from the frame after the count moved on.
TEST_F(Chance, TheBossIsSentOutAnewInEveryFrameWhileTheCountStandsAtThirty) {
  Start(0);
  ParkAll();
  form->TavlorCreated = 29;
  Frame();
  EXPECT_FALSE(form->Boss.Visible);
  EXPECT_FALSE(Playing(Wave::HeavyFootsteps));

  form->TavlorCreated = 30;
  for (int frame = 0; frame < 3; ++frame) {
    Draws draws(RandSeed);
    const SentOut boss = draws.Boss();
    Frame();
    ExpectSentOut(form->Boss, boss, "frame " + std::to_string(frame));
    EXPECT_EQ(form->Boss.Hardness, 100);
    EXPECT_TRUE(Playing(Wave::HeavyFootsteps));
    WaveItem(Wave::HeavyFootsteps)->Stop();  // started again in the next frame
  }

  form->TavlorCreated = 31;
  const TBoss sent = form->Boss;
  const std::uint32_t seed = RandSeed;
  Frame();
  EXPECT_EQ(RandSeed, seed);
  EXPECT_FALSE(Playing(Wave::HeavyFootsteps));
  switch (sent.Direction) {
    case dtLeft: EXPECT_EQ(form->Boss.Left, sent.Left - 1); break;
    case dtRight: EXPECT_EQ(form->Boss.Left, sent.Left + 1); break;
    case dtUp: EXPECT_EQ(form->Boss.Top, sent.Top - 1); break;
    case dtDown: EXPECT_EQ(form->Boss.Top, sent.Top + 1); break;
  }
}

// Two targets leaving in one frame carry the count from 29 to 31: no boss comes in that round,
// and a round without a boss ends with the sad fall.
TEST_F(Chance, ACountThatJumpsPastThirtyBringsNoBoss) {
  Start(0);
  ParkAll();
  form->TavlorCreated = 29;
  for (std::size_t slot : {0u, 1u}) {
    form->Tavlor[slot].Visible = true;
    form->Tavlor[slot].Delay = 31;
  }
  Frame();
  EXPECT_EQ(form->TavlorCreated, 31);
  EXPECT_FALSE(form->Boss.Visible);
  EXPECT_FALSE(Playing(Wave::HeavyFootsteps));
  for (std::int32_t count = 31; count < 50; ++count) {
    form->TavlorCreated = count;
    Frame();
    EXPECT_FALSE(form->Boss.Visible) << count;
  }
  form->TavlorCreated = 50;
  Frame();
  EXPECT_TRUE(form->playerIsDead);
  EXPECT_TRUE(Playing(Wave::Korvash));
  EXPECT_FALSE(Playing(Wave::ThankYou));
}

}  // namespace
