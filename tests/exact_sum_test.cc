// The exact sums that decide ring orientation and containment: signs that
// rounding would get wrong, carries and borrows across the whole width,
// and the extremes of the doubles.
#include "layers/exact_sum.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

int signOf(std::initializer_list<std::pair<double, double>> added,
           std::initializer_list<std::pair<double, double>> subtracted) {
  ExactSum sum;
  clearSum(sum);
  for (auto p : added) addProduct(sum, p.first, p.second);
  for (auto p : subtracted) subtractProduct(sum, p.first, p.second);
  return sumSign(sum);
}

TEST(ExactSum, SignsThatRoundingLoses) {
  const double tiny = std::ldexp(1.0, -1074);  // the smallest subnormal
  EXPECT_EQ(signOf({}, {}), 0);
  EXPECT_EQ(signOf({{1e300, 1e300}}, {{1e300, 1e300}}), 0);
  EXPECT_EQ(signOf({{1e300, 1e300}, {tiny, tiny}}, {{1e300, 1e300}}), 1);
  EXPECT_EQ(signOf({{1e300, 1e300}}, {{1e300, 1e300}, {tiny, tiny}}), -1);
  // A borrow through every limb from the top down to the unit, and back.
  EXPECT_EQ(signOf({{DBL_MAX, DBL_MAX}}, {{tiny, tiny}}), 1);
  EXPECT_EQ(signOf({{tiny, tiny}}, {{DBL_MAX, DBL_MAX}}), -1);
  EXPECT_EQ(signOf({{DBL_MAX, DBL_MAX}, {tiny, tiny}}, {{tiny, tiny}, {DBL_MAX, DBL_MAX}}), 0);
  // Signs of factors, zeros and -0.
  EXPECT_EQ(signOf({{-3, 2}}, {{-2, 3}}), 0);
  EXPECT_EQ(signOf({{-3, -2}}, {}), 1);
  EXPECT_EQ(signOf({{0.0, 5}, {-0.0, 7}}, {}), 0);
  // 0.1 * 0.3 - 0.3 * 0.1 is 0 whatever rounding does; 0.1 * 3 - 0.3 is not.
  EXPECT_EQ(signOf({{0.1, 0.3}}, {{0.3, 0.1}}), 0);
  EXPECT_EQ(signOf({{0.1, 3}}, {{0.3, 1}}), 1);
}

TEST(ExactSum, TurnSign) {
  EXPECT_EQ(turnSign(0, 0, 1, 0, 0.5, 1), 1);    // left of the line
  EXPECT_EQ(turnSign(0, 0, 1, 0, 0.5, -1), -1);  // right of it
  EXPECT_EQ(turnSign(0.5, 0.5, 12, 12, 24, 24), 0);
  // One unit in the last place off a line that rounding calls straight.
  EXPECT_EQ(turnSign(0.5, 0.5, 12, 12, 24, std::nextafter(24.0, 25.0)), 1);
  EXPECT_EQ(turnSign(0.5, 0.5, 12, 12, 24, std::nextafter(24.0, 23.0)), -1);
}

}  // namespace
