// Small values: bound events, rounding, the random generator, sets and message formatting.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "toolkit/events.h"
#include "toolkit/numeric.h"
#include "toolkit/sysutils.h"
#include "toolkit/types.h"

namespace {

// ---- events ----

struct Counter {
  int hits = 0;
  int total = 0;
  void Hit(TObject*) { ++hits; }
  void Miss(TObject*) {}
  int Add(int amount) { return total += amount; }
  void Finish(bool& done) { done = true; }
};

struct Base {
  int calls = 0;
  void Handle(TObject*) { ++calls; }
};
struct Derived : Base {};

using TAddEvent = TEvent<int(int)>;
using TDoneEvent = TEvent<void(bool&)>;

TEST(Events, EqualOnlyWhenBothCodeAndObjectMatch) {
  Counter a, b;
  const auto aHit = TNotifyEvent::Of<&Counter::Hit>(&a);

  EXPECT_EQ(aHit, TNotifyEvent::Of<&Counter::Hit>(&a));
  EXPECT_NE(aHit, TNotifyEvent::Of<&Counter::Hit>(&b));
  EXPECT_NE(aHit, TNotifyEvent::Of<&Counter::Miss>(&a));
  EXPECT_NE(aHit, TNotifyEvent());
  EXPECT_EQ(aHit.Method(), TNotifyEvent::Of<&Counter::Hit>(&a).Method());
  EXPECT_NE(aHit.Method(), TNotifyEvent::Of<&Counter::Miss>(&a).Method());
  EXPECT_NE(aHit.Method(), TNotifyEvent::Of<&Counter::Hit>(&b).Method());
}

TEST(Events, NullEventIsFalse) {
  const TNotifyEvent none;
  const TNotifyEvent alsoNone = nullptr;
  EXPECT_FALSE(none);
  EXPECT_FALSE(alsoNone);
  EXPECT_EQ(none, alsoNone);
  EXPECT_FALSE(none.Method());
  EXPECT_EQ(none.Method(), TMethod{});
  Counter c;
  EXPECT_TRUE(TNotifyEvent::Of<&Counter::Hit>(&c));
  EXPECT_TRUE(TNotifyEvent::Of<&Counter::Hit>(&c).Method());
}

TEST(Events, CallingReachesTheMethodOfTheObject) {
  Counter a, b;
  const auto aHit = TNotifyEvent::Of<&Counter::Hit>(&a);
  aHit(nullptr);
  aHit(nullptr);
  EXPECT_EQ(a.hits, 2);
  EXPECT_EQ(b.hits, 0);

  const auto add = TAddEvent::Of<&Counter::Add>(&a);
  EXPECT_EQ(add(5), 5);
  EXPECT_EQ(add(-2), 3);

  bool done = false;
  TDoneEvent::Of<&Counter::Finish> (&a)(done);
  EXPECT_TRUE(done);  // reference arguments reach the handler
}

TEST(Events, MethodRoundTripKeepsTheEvent) {
  Counter c;
  const auto add = TAddEvent::Of<&Counter::Add>(&c);

  const TAddEvent back = TAddEvent::FromMethod(add.Method());

  EXPECT_EQ(back, add);
  EXPECT_EQ(back(4), 4);
  EXPECT_EQ(c.total, 4);
  EXPECT_FALSE(TAddEvent::FromMethod(TMethod{}));
}

TEST(Events, SignatureTellsEventTypesApart) {
  EXPECT_EQ(TNotifyEvent::Signature(), TEvent<void(TObject*)>::Signature());
  EXPECT_NE(TNotifyEvent::Signature(), TAddEvent::Signature());
  EXPECT_NE(TAddEvent::Signature(), TDoneEvent::Signature());
}

TEST(Events, SameMethodOfTheSameObjectIsOneEventWhicheverPointerItWasBoundThrough) {
  Derived d;
  const auto throughDerived = TNotifyEvent::Of<&Derived::Handle>(&d);
  const auto throughBase = TNotifyEvent::Of<&Base::Handle>(static_cast<Base*>(&d));

  EXPECT_EQ(throughDerived, throughBase);
  EXPECT_EQ(throughDerived.Method(), throughBase.Method());
  throughDerived(nullptr);
  EXPECT_EQ(d.calls, 1);
}

// ---- rounding ----

TEST(Rounding, ExactHalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(-0.5), 0);
  EXPECT_EQ(Round(-1.5), -2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(-3.5), -4);
  EXPECT_EQ(Round(1e9 + 0.5), 1000000000);
  EXPECT_EQ(Round(1e9 + 1.5), 1000000002);
  EXPECT_EQ(Round(-1e9 - 0.5), -1000000000);
}

TEST(Rounding, OtherValuesGoToTheNearest) {
  EXPECT_EQ(Round(32.23), 32);
  EXPECT_EQ(Round(32.77), 33);
  EXPECT_EQ(Round(-32.23), -32);
  EXPECT_EQ(Round(-32.77), -33);
  EXPECT_EQ(Round(0.0), 0);
  EXPECT_EQ(Round(7.0), 7);
  EXPECT_EQ(Round(-7.0), -7);
  // Just under a half: adding a half and flooring would get this wrong.
  EXPECT_EQ(Round(std::nextafter(0.5, 0.0)), 0);
  EXPECT_EQ(Round(std::nextafter(2.5, 3.0)), 3);
  EXPECT_EQ(Round(std::nextafter(-2.5, -3.0)), -3);
  EXPECT_EQ(Round(4503599627370497.0), 4503599627370497);  // whole numbers past 2^52 stay
}

// ---- the random generator ----

class RandomGenerator : public ::testing::Test {
 protected:
  void SetUp() override { saved = RandSeed; }
  void TearDown() override { RandSeed = saved; }
  std::uint32_t saved = 0;
};

TEST_F(RandomGenerator, StaysInRange) {
  RandSeed = 20240611;
  for (std::int32_t range :
       {1, 2, 3, 7, 10, 255, 1000, 65537, std::numeric_limits<std::int32_t>::max()}) {
    for (int i = 0; i < 5000; ++i) {
      const std::int32_t r = Random(range);
      ASSERT_GE(r, 0) << "range " << range;
      ASSERT_LT(r, range) << "range " << range;
    }
  }
}

TEST_F(RandomGenerator, CoversEveryValueOfASmallRange) {
  RandSeed = 1;
  for (std::int32_t range = 1; range <= 20; ++range) {
    std::set<std::int32_t> seen;
    for (int i = 0; i < 2000; ++i) seen.insert(Random(range));
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(range)) << "range " << range;
  }
}

TEST_F(RandomGenerator, SpreadsEvenlyOverTheRange) {
  RandSeed = 77;
  constexpr int kRange = 10;
  constexpr int kDraws = 100000;
  std::vector<int> counts(kRange, 0);
  for (int i = 0; i < kDraws; ++i) ++counts[static_cast<std::size_t>(Random(kRange))];
  for (int v = 0; v < kRange; ++v) {
    EXPECT_GT(counts[v], kDraws / kRange * 9 / 10) << v;
    EXPECT_LT(counts[v], kDraws / kRange * 11 / 10) << v;
  }
}

TEST_F(RandomGenerator, CoinFlipsDoNotSimplyAlternate) {
  RandSeed = 5;
  int repeats = 0;
  std::int32_t last = Random(2);
  for (int i = 0; i < 200; ++i) {
    const std::int32_t r = Random(2);
    if (r == last) ++repeats;
    last = r;
  }
  EXPECT_GT(repeats, 50);
  EXPECT_LT(repeats, 150);
}

TEST_F(RandomGenerator, SameSeedGivesTheSameSequence) {
  std::vector<std::int32_t> first, second, other;
  RandSeed = 424242;
  for (int i = 0; i < 100; ++i) first.push_back(Random(1000));
  RandSeed = 424242;
  for (int i = 0; i < 100; ++i) second.push_back(Random(1000));
  RandSeed = 424243;
  for (int i = 0; i < 100; ++i) other.push_back(Random(1000));

  EXPECT_EQ(first, second);
  EXPECT_NE(first, other);
}

TEST_F(RandomGenerator, EmptyOrNegativeRangeGivesZero) {
  RandSeed = 99;
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-5), 0);
  }
}

// ---- sets ----

TEST(Sets, MembersComeAndGo) {
  TShiftState s;
  EXPECT_TRUE(s.Empty());
  s.Include(ssShift).Include(ssCtrl);
  EXPECT_TRUE(s.Contains(ssShift));
  EXPECT_TRUE(s.Contains(ssCtrl));
  EXPECT_FALSE(s.Contains(ssAlt));
  s.Exclude(ssShift);
  EXPECT_FALSE(s.Contains(ssShift));
  EXPECT_TRUE(s.Contains(ssCtrl));
  s.Exclude(ssCtrl).Exclude(ssAlt);
  EXPECT_TRUE(s.Empty());
}

TEST(Sets, UnionDifferenceAndIntersection) {
  const TShiftState a{ssShift, ssAlt, ssLeft};
  const TShiftState b{ssAlt, ssRight};

  EXPECT_EQ(a + b, (TShiftState{ssShift, ssAlt, ssLeft, ssRight}));
  EXPECT_EQ(a - b, (TShiftState{ssShift, ssLeft}));
  EXPECT_EQ(a * b, TShiftState{ssAlt});
  EXPECT_TRUE((a * TShiftState{ssDouble}).Empty());
  EXPECT_NE(a, b);
  EXPECT_EQ(a, (TShiftState{ssLeft, ssShift, ssAlt, ssShift}));
}

TEST(Sets, MemberNIsBitN) {
  EXPECT_EQ(TShiftState{ssShift}.Bits(), 0x1u);
  EXPECT_EQ(TShiftState{ssCtrl}.Bits(), 0x4u);
  EXPECT_EQ((TShiftState{ssShift, ssHorizontal}).Bits(), 0x401u);
  const TShiftState back = TShiftState::FromBits(0x28u);
  EXPECT_EQ(back, (TShiftState{ssLeft, ssMiddle}));
}

// ---- formatting ----

TEST(Formatting, FormatsLikePrintf) {
  EXPECT_EQ(Format("%d items in %s", 3, "the list"), "3 items in the list");
  EXPECT_EQ(Format("%5.2f|%-4d|%x", 3.14159, 7, 255u), " 3.14|7   |ff");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("%s", ""), "");
}

TEST(Formatting, LongResultsAreNotCut) {
  const std::string longText(5000, 'q');
  const std::string out = Format("<%s>", longText.c_str());
  EXPECT_EQ(out, "<" + longText + ">");
}

TEST(Formatting, ExceptionsCarryTheirMessageAndClassName) {
  const EReadError e("Stream read error");
  EXPECT_EQ(e.Message(), "Stream read error");
  EXPECT_STREQ(e.what(), "Stream read error");
  EXPECT_STREQ(e.ClassName(), "EReadError");
  const Exception& asBase = e;
  EXPECT_STREQ(asBase.ClassName(), "EReadError");
}

}  // namespace
