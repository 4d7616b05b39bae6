// Cross-checks number_text against glibc snprintf on edge cases and random bit patterns.
#include "output/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

double fromBits(uint64_t b) {
  double d;
  std::memcpy(&d, &b, sizeof d);
  return d;
}

uint32_t floatBits(float f) {
  uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

float floatFromBits(uint32_t b) {
  float f;
  std::memcpy(&f, &b, sizeof f);
  return f;
}

constexpr char kCanary = 0x55;

// The random checks take a tenth of their values where the tests run under
// an emulator, ten times slower: the paths they reach are the same, and
// the long check (make check-numbers) tries every float natively.
#ifdef QUORL_EMULATED_TESTS
constexpr int kRandomValues = 20000;
#else
constexpr int kRandomValues = 200000;
#endif

// Runs write on a buffer of `size` bytes followed by canaries and checks none was touched.
template <class Write>
std::string boundedWrite(int size, Write write) {
  char buf[MAX_FIXED6_TEXT + 16];
  std::memset(buf + size, kCanary, 16);
  char* end = write(buf);
  EXPECT_TRUE(std::count(buf + size, buf + size + 16, kCanary) == 16) << "wrote past " << size;
  return std::string(buf, end);
}

std::string fixed6(double v) {
  return boundedWrite(MAX_FIXED6_TEXT, [v](char* b) { return writeFixed6(b, v); });
}

std::string expectedFixed6(double v) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%f", v);
  return buf;
}

// Checks v and -v; reports the bit pattern on failure.
void checkFixed6(double v) {
  for (double x : {v, -v}) {
    uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    ASSERT_EQ(fixed6(x), expectedFixed6(x)) << "bits 0x" << std::hex << b;
  }
}

// Checks v and its neighbours up to n ulps away on each side.
// Checks the single-precision writer against the C library on f and -f.
void checkFixed6Float(float f) {
  for (float v : {f, -f}) {
    const std::string got =
        boundedWrite(MAX_FIXED6_TEXT, [v](char* b) { return writeFixed6Float(b, v); });
    EXPECT_EQ(got, expectedFixed6(v)) << "float bits " << std::hex << floatBits(v);
  }
}

void checkAround(double v, int n = 3) {
  double lo = v, hi = v;
  checkFixed6(v);
  for (int i = 0; i < n; ++i) {
    lo = std::nextafter(lo, -INFINITY);
    hi = std::nextafter(hi, INFINITY);
    checkFixed6(lo);
    checkFixed6(hi);
  }
}

template <class T>
void checkInt(T v) {
  char ref[32];
  std::string got;
  if constexpr (sizeof(T) == 4) {
    got = boundedWrite(11, [v](char* b) { return writeInt(b, v); });
    std::snprintf(ref, sizeof ref, "%d", v);
  } else {
    got = boundedWrite(20, [v](char* b) { return writeInt64(b, v); });
    std::snprintf(ref, sizeof ref, "%lld", (long long)v);
  }
  ASSERT_EQ(got, ref);
}

TEST(WriteFixed6, SpecialValues) {
  EXPECT_EQ(fixed6(0.0), "0.000000");
  EXPECT_EQ(fixed6(-0.0), "-0.000000");
  EXPECT_EQ(fixed6(fromBits(0x7FF8000000000000ull)), "nan");
  EXPECT_EQ(fixed6(fromBits(0xFFF8000000000000ull)), "-nan");
  EXPECT_EQ(fixed6(fromBits(0x7FF0000000000001ull)), "nan");  // signalling NaN
  EXPECT_EQ(fixed6(fromBits(0xFFF0000000000001ull)), "-nan");
  EXPECT_EQ(fixed6(INFINITY), "inf");
  EXPECT_EQ(fixed6(-INFINITY), "-inf");
  EXPECT_EQ(fixed6(-1e-300), "-0.000000");
  for (uint64_t b :
       {0x7FF8000000000000ull, 0xFFF8000000000000ull, 0x7FF0000000000001ull, 0x7FFFFFFFFFFFFFFFull,
        0xFFFFFFFFFFFFFFFFull, 0x7FF0000000000000ull, 0xFFF0000000000000ull})
    EXPECT_EQ(fixed6(fromBits(b)), expectedFixed6(fromBits(b)));
}

TEST(WriteFixed6, Extremes) {
  char buf[MAX_FIXED6_TEXT];
  EXPECT_EQ(writeFixed6(buf, -DBL_MAX) - buf, 317);
  for (double v : {DBL_MAX, double(FLT_MAX), 3.4028234663852886e38, 1.7e308, DBL_MIN, DBL_TRUE_MIN,
                   double(FLT_MIN), double(FLT_TRUE_MIN), 5e-7, 4.9999999999999e-7})
    checkAround(v);
}

TEST(WriteFixed6, Ties) {
  EXPECT_EQ(fixed6(0.0078125), "0.007812");
  EXPECT_EQ(fixed6(2.5e-7), "0.000000");
  for (int k = -40000; k <= 40000; ++k) {
    checkFixed6(k / 128.0);
    checkFixed6(k / 64.0);
    checkFixed6(k / 1024.0 + 1e6);
  }
  // Nearest doubles to x.5e-6, and near 2 and 4, where a fraction of 50 bits meets one
  // of 51 and more.
  for (int k = 0; k < 2000; ++k)
    for (double base : {0.0, 2.0, 4.0}) checkAround(base + (k + 0.5) * 1e-6, 2);
  // Rounding up into the next integer, across every change of the integer part's length.
  for (double ip : {0.0, 1.0, 9.0, 99.0, 127.0, 128.0, 999.0, 999999.0, 9999999.0, 99999999.0,
                    4294967295.0, 8589934591.0}) {
    checkAround(ip + 0.9999995, 5);
    checkFixed6Float(float(ip + 0.9999995));
  }
}

// The fractions whose millionths lie just past one half, m / 2^k with
// m * 1e6 = 2^(k-1) + j * 64 (mod 2^k): the nearest a non-tie comes to a tie. Rounding a
// fraction at the top of 64 bits with a whole-number offset holds up to k = 50 and fails
// on some of these beyond.
TEST(WriteFixed6, NearestToTies) {
  uint64_t inverse = 15625;  // of 15625 mod 2^64, by Newton's iteration
  for (int i = 0; i < 5; ++i) inverse *= 2 - 15625 * inverse;
  const uint64_t bit52 = uint64_t(1) << 52;
  for (int k = 48; k <= 56; ++k)
    for (uint64_t j = 1; j <= 8; ++j) {
      // Bits 0 to k-7 of m make m * 15625 = 2^(k-7) + j (mod 2^(k-6)); bit k-6 (the
      // parity of the millionths) and those above it are free, up to the leading bit 52.
      const uint64_t low =
          ((uint64_t(1) << (k - 7)) + j) * inverse & ((uint64_t(1) << (k - 6)) - 1);
      for (uint64_t high : {0x0ull, 0x5ull, 0xAull, 0xFull}) {
        const uint64_t m = bit52 | ((high << (k - 5)) & (bit52 - 1)) | low;
        checkFixed6(std::ldexp(double(m), -k));
        checkFixed6(std::ldexp(double(m | uint64_t(1) << (k - 6)), -k));
      }
    }
}

TEST(WriteFixed6, PowersAndBoundaries) {
  for (int e = -1074; e <= 1023; ++e) checkAround(std::ldexp(1.0, e), 2);
  for (int e = -320; e <= 308; ++e) checkAround(std::pow(10.0, e), 2);
  for (int e : {43, 44, 52, 53, 63, 64, 65, 113, 128}) {
    checkAround(std::ldexp(1.0, e), 8);
    checkAround(std::ldexp(1.0, -e), 8);
    checkAround(std::ldexp(1.0, e) * 1e-6, 8);
  }
}

TEST(WriteFixed6, RandomBitPatterns) {
  std::mt19937_64 rng(20240601);
  for (int i = 0; i < kRandomValues; ++i) {
    const uint64_t r = rng();
    checkFixed6(double(floatFromBits(uint32_t(r))));
    checkFixed6Float(floatFromBits(uint32_t(r)));
    // Bias the double exponent toward the fast range so the rare slow path doesn't dominate.
    const uint64_t b = i & 1 ? r : (r & 0x800FFFFFFFFFFFFFull) | ((900 + (r >> 52) % 260) << 52);
    checkFixed6(fromBits(b));
  }
}

TEST(WriteFixed6, RandomRealistic) {
  std::mt19937_64 rng(7);
  for (double range : {180.0, 1e6, 1e12}) {
    std::uniform_real_distribution<double> dist(-range, range);
    for (int i = 0; i < kRandomValues / 2; ++i) {
      const double v = dist(rng);
      checkFixed6(v);
      checkFixed6(double(float(v)));
      checkFixed6Float(float(v));
    }
  }
}

TEST(WriteFixed6Float, EveryExponentAndTies) {
  // The first and last significands of every exponent, subnormals included.
  for (uint32_t e = 0; e < 256; ++e)
    for (uint32_t m : {0u, 1u, 2u, 3u, 0x400000u, 0x7FFFFDu, 0x7FFFFEu, 0x7FFFFFu})
      checkFixed6Float(floatFromBits(e << 23 | m));
  // Exact binary ties at the sixth decimal, and the carry into the integer part.
  for (int i = 0; i < 4096; ++i) checkFixed6Float(float(i) / 128.0f);
  for (float v : {0.0078125f, 99.9999995f, 100.0f, 8388607.5f, 8388608.0f, 1e-7f, 5e-7f})
    checkFixed6Float(v);
}

TEST(WriteInt, EdgeAndRandom) {
  for (int32_t v : {0, 1, -1, INT32_MIN, INT32_MAX, INT32_MIN + 1}) checkInt(v);
  for (int64_t v : {int64_t(0), int64_t(1), int64_t(-1), INT64_MIN, INT64_MAX, INT64_MIN + 1})
    checkInt(v);
  for (int64_t p = 1;; p *= 10) {
    for (int64_t d : {-1, 0, 1}) {
      checkInt(p + d);
      checkInt(-(p + d));
      if (p + d <= INT32_MAX) {
        checkInt(int32_t(p + d));
        checkInt(int32_t(-(p + d)));
      }
    }
    if (p > INT64_MAX / 10) break;  // 10^18 is the last power that fits
  }
  std::mt19937_64 rng(42);
  for (int i = 0; i < kRandomValues; ++i) {
    const uint64_t r = rng();
    checkInt(int64_t(r));
    checkInt(int64_t(r) >> (r % 64));  // spread over all lengths
    checkInt(int32_t(r));
    checkInt(int32_t(r) >> (r % 32));
  }
}

}  // namespace
