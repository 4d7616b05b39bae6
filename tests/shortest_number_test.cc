// The shortest float and double text against std::to_chars: the notation's edges,
// the float fast path's boundaries, ties, the extremes and random bit patterns.
// (make check-numbers checks every float and many more doubles.)
#include "output/shortest_number.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace {

constexpr char kShortestCanary = 0x55;

// Runs write on a buffer of MAX_SHORTEST_TEXT bytes followed by canaries and checks
// that none was touched.
template <class Write>
std::string boundedWrite(Write write) {
  char buf[MAX_SHORTEST_TEXT + 16];
  std::memset(buf + MAX_SHORTEST_TEXT, kShortestCanary, 16);
  char* end = write(buf);
  EXPECT_EQ(std::count(buf + MAX_SHORTEST_TEXT, buf + MAX_SHORTEST_TEXT + 16, kShortestCanary), 16);
  return std::string(buf, end);
}

template <class T>
std::string expected(T v) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

std::string shortest(float v) {
  return boundedWrite([v](char* b) { return writeShortestFloat(b, v); });
}

std::string shortest(double v) {
  return boundedWrite([v](char* b) { return writeShortestDouble(b, v); });
}

// Checks v and -v.
template <class T>
void checkBothSigns(T v) {
  for (T x : {v, -v}) ASSERT_EQ(shortest(x), expected(x)) << std::hexfloat << x;
}

// Checks v and its neighbours up to n steps away on each side, with both signs.
template <class T>
void checkAround(T v, int n = 2) {
  T lo = v, hi = v;
  checkBothSigns(v);
  for (int i = 0; i < n; ++i) {
    lo = std::nextafter(lo, T(0));
    hi = std::nextafter(hi, T(INFINITY));
    checkBothSigns(lo);
    checkBothSigns(hi);
  }
}

TEST(ShortestNumber, NotationChoice) {
  // Each text is also std::to_chars's: fixed notation unless scientific is shorter.
  const std::pair<float, const char*> cases[] = {{-38.599998f, "-38.6"},
                                                 {0.0f, "0"},
                                                 {-0.0f, "-0"},
                                                 {100.0f, "100"},
                                                 {10000.0f, "10000"},
                                                 {1e5f, "1e+05"},
                                                 {123456.0f, "123456"},
                                                 {1.5e7f, "1.5e+07"},
                                                 {12300000.0f, "12300000"},
                                                 {1e-3f, "0.001"},
                                                 {1.2e-4f, "0.00012"},
                                                 {1e-4f, "1e-04"},
                                                 {1.2e-5f, "1.2e-05"},
                                                 {1e-9f, "1e-09"},
                                                 {0.5f, "0.5"},
                                                 {-21.46f, "-21.46"},
                                                 {8388607.5f, "8388607.5"},
                                                 {123456792.0f, "123456792"},
                                                 {1e20f, "1e+20"}};
  for (const auto& [v, text] : cases) {
    EXPECT_EQ(shortest(v), text);
    EXPECT_EQ(expected(v), text);
  }
  EXPECT_EQ(shortest(-0.0), "-0");
  EXPECT_EQ(shortest(1e23), "1e+23");
  EXPECT_EQ(shortest(-21.46), "-21.46");
}

TEST(ShortestNumber, FastPathBoundaries) {
  // The exact path covers 2^-29 <= |v| < 2^24, and within it powers of two, whose
  // interval is narrower below.
  for (float v : {0x1p-29f, 0x1p24f, 0x1p-14f, 1.0f, 8.0f, 1024.0f, 0x1p23f}) checkAround(v, 4);
  for (int e = -40; e <= 30; ++e) checkAround(std::ldexp(1.0f, e));
  // Powers of ten, where the length of the digits changes.
  for (int e = -12; e <= 9; ++e) checkAround(float(std::pow(10.0, e)), 4);
}

TEST(ShortestNumber, Ties) {
  // Halfway between two shortest candidates: the even one is written.
  EXPECT_EQ(shortest(1048576.25f), "1048576.2");
  EXPECT_EQ(shortest(1048576.75f), "1048576.8");
  EXPECT_EQ(shortest(1024.03125f), "1024.0312");
  EXPECT_EQ(shortest(1024.09375f), "1024.0938");
  for (int i = 0; i < 2000; ++i) {
    checkBothSigns(1048576.0f + float(i) / 4);
    checkBothSigns(1024.0f + float(i) / 32);
  }
}

TEST(ShortestNumber, Extremes) {
  for (float v : {FLT_MAX, FLT_MIN, FLT_TRUE_MIN, 2 * FLT_TRUE_MIN, FLT_MIN - FLT_TRUE_MIN})
    checkAround(v);
  for (double v : {DBL_MAX, DBL_MIN, DBL_TRUE_MIN, 2 * DBL_TRUE_MIN, DBL_MIN - DBL_TRUE_MIN,
                   9007199254740992.0, 1e23, 5e-324})
    checkAround(v);
}

TEST(ShortestNumber, RandomBitPatterns) {
  std::mt19937_64 rng(20240611);
  for (int i = 0; i < 4000; ++i) {
    const uint64_t r = rng();
    float f;
    double d;
    const uint32_t fb = uint32_t(r);
    std::memcpy(&f, &fb, sizeof f);
    std::memcpy(&d, &r, sizeof d);
    if (std::isfinite(f)) {
      ASSERT_EQ(shortest(f), expected(f)) << std::hex << fb;
    }
    if (std::isfinite(d)) {
      ASSERT_EQ(shortest(d), expected(d)) << std::hex << r;
    }
    // And in the fast path's range, where the bit patterns above seldom fall.
    const float g = std::ldexp(1.0f + float(r >> 41) / 0x1p23f, int(r % 53) - 29);
    ASSERT_EQ(shortest(g), expected(g)) << std::hexfloat << g;
  }
}

}  // namespace
