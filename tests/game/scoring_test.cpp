// How a hit is graded by its distance from the centre of what was hit, and what it is worth.
#include <gtest/gtest.h>

#include <span>

#include "game/main_form.h"

namespace {

TEST(ShotScoring, GradesByTheRoundedDistanceFromTheCentre) {
  struct Case {
    int dx, dy, grade;
  };
  const Case cases[] = {
      {0, 0, 10}, {1, 1, 10},                          // 1.41 rounds to 1
      {1, 2, 9},                                       // 2.24 rounds to 2
      {4, 0, 9},  {3, 4, 8},  {8, 0, 8},   {6, 6, 8},  // 8.49 rounds to 8
      {9, 0, 6},  {15, 0, 6}, {16, 0, 4},  {20, 0, 4},  {21, 0, 2},
      {26, 0, 2}, {27, 0, 1}, {100, 0, 1}, {60, 80, 1},
  };
  // Rounded up across the edge of a band, where cutting the fraction off would keep them inside
  // it: 8.54, 15.52, 20.62 and 26.93 from the centre.
  const Case roundedUp[] = {{8, 3, 6}, {15, 4, 4}, {20, 5, 2}, {26, 7, 1}};
  for (const auto& table : {std::span<const Case>(cases), std::span<const Case>(roundedUp)}) {
    for (const Case& c : table) {
      EXPECT_EQ(ShotScore(100, 100, 100 + c.dx, 100 + c.dy), c.grade) << c.dx << "," << c.dy;
      EXPECT_EQ(ShotScore(100, 100, 100 - c.dx, 100 - c.dy), c.grade) << -c.dx << "," << -c.dy;
    }
  }
}

TEST(ShotScoring, ABossHitBeyondTheTableStillTakesSomethingOff) {
  EXPECT_EQ(ShotScore(0, 0, 101, 0), 1);
  EXPECT_EQ(ShotScore(0, 0, 88, 88), 1);  // 124.45 from the centre of a 250 x 250 boss
}

TEST(ShotScoring, TargetPointsAreTwoAndAHalfTimesTheGradeHalvesToEven) {
  const int grades[] = {10, 9, 8, 6, 4, 2, 1};
  const int points[] = {25, 22, 20, 15, 10, 5, 2};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(TargetPoints(grades[i]), points[i]) << grades[i];
}

}  // namespace
