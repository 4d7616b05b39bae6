// The host-dependent bit helpers of the number text and the JSON text: each
// against its plain version, and the plain versions against hand-worked
// values and, where the compiler has one, a 128-bit product.
#include "output/portable_bits.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(PortableBits, TrailingZeros) {
  for (int i = 0; i < 64; ++i) {
    const uint64_t p = uint64_t(1) << i;
    EXPECT_EQ(trailingZerosPortable(p), i) << i;
    EXPECT_EQ(trailingZerosPortable(~uint64_t(0) << i), i) << i;
    EXPECT_EQ(trailingZeros(p), i) << i;
    EXPECT_EQ(trailingZeros(~uint64_t(0) << i), i) << i;
  }
}

TEST(PortableBits, RoundedProductShiftByHand) {
  for (auto shift : {roundedProductShiftPortable, roundedProductShift}) {
    EXPECT_EQ(shift(3, 1, 1), 2u);  // 1.5: a tie goes to the even 2
    EXPECT_EQ(shift(5, 1, 1), 2u);  // 2.5: to the even 2
    EXPECT_EQ(shift(5, 1, 2), 1u);  // 1.25
    EXPECT_EQ(shift(7, 1, 2), 2u);  // 1.75
    const uint64_t top = uint64_t(1) << 63;
    EXPECT_EQ(shift(top, 2, 64), 1u);      // 2^64 / 2^64
    EXPECT_EQ(shift(top, 3, 64), 2u);      // 1.5 with the tie bit in the low half
    EXPECT_EQ(shift(top, 5, 64), 2u);      // 2.5
    EXPECT_EQ(shift(top, 3, 65), 1u);      // 0.75, the round bit in the high half
    EXPECT_EQ(shift(top, 5, 66), 1u);      // 0.625
    EXPECT_EQ(shift(top | 1, 3, 64), 2u);  // just above 1.5
    EXPECT_EQ(shift(top | 1, 5, 64), 3u);  // just above 2.5: a low bit breaks the tie
    EXPECT_EQ(shift(top, 6, 67), 0u);      // 0.375
    EXPECT_EQ(shift(top, 2, 65), 0u);      // 0.5, a tie with the round bit at 64
    EXPECT_EQ(shift(top, 6, 65), 2u);      // 1.5
    EXPECT_EQ(shift(top | 1, 1, 127), 0u);
    // A carry out of the low half: (2^64 - 1) * (2^32 - 1) / 2^64 is just below 2^32 - 1.
    EXPECT_EQ(shift(~uint64_t(0), 0xFFFFFFFFu, 64), 0xFFFFFFFFu);
    // The largest fraction of a double times 1e6, as the number text uses it.
    EXPECT_EQ(shift((uint64_t(1) << 53) - 1, 1000000, 53), 1000000u);
    EXPECT_EQ(shift((uint64_t(1) << 53) - 1, 1000000, 73), 1u);
  }
}

TEST(PortableBits, FullProduct) {
  for (auto product : {fullProductPortable, fullProduct}) {
    uint64_t high, low;
    product(~uint64_t(0), ~uint64_t(0), high, low);  // (2^64 - 1)^2 = 2^128 - 2^65 + 1
    EXPECT_EQ(high, ~uint64_t(0) - 1);
    EXPECT_EQ(low, 1u);
    // (2^53 - 1) * 2^53 = (2^42 - 1) * 2^64 + 2^64 - 2^53
    product((uint64_t(1) << 53) - 1, uint64_t(1) << 53, high, low);
    EXPECT_EQ(high, (uint64_t(1) << 42) - 1);
    EXPECT_EQ(low, ~uint64_t(0) << 53);
    product(0xFFFFFFFFu, 0xFFFFFFFFu, high, low);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(low, 0xFFFFFFFE00000001ull);
  }
  std::mt19937_64 random(7);
  for (int i = 0; i < 100000; ++i) {
    const uint64_t a = random(), b = random() >> (i % 64);
    uint64_t high, low, portableHigh, portableLow;
    fullProduct(a, b, high, low);
    fullProductPortable(a, b, portableHigh, portableLow);
    ASSERT_EQ(portableHigh, high) << a << " * " << b;
    ASSERT_EQ(portableLow, low) << a << " * " << b;
    ASSERT_EQ(low, a * b);
  }
}

TEST(PortableBits, MultiplyCarryByHand) {
  for (auto multiply : {multiplyCarryPortable, multiplyCarry}) {
    uint64_t f = uint64_t(1) << 63;  // one half
    EXPECT_EQ(multiply(f, 100), 50u);
    EXPECT_EQ(f, 0u);
    f = ~uint64_t(0);  // (2^64 - 1) * 100 = 99 * 2^64 + 2^64 - 100
    EXPECT_EQ(multiply(f, 100), 99u);
    EXPECT_EQ(f, ~uint64_t(0) - 99);
    f = 0xFFFFFFFFu;  // a product that just fits in 64 bits
    EXPECT_EQ(multiply(f, 0xFFFFFFFFu), 0u);
    EXPECT_EQ(f, 0xFFFFFFFE00000001ull);
    f = ~uint64_t(0);  // the largest product
    EXPECT_EQ(multiply(f, 0xFFFFFFFFu), 0xFFFFFFFEu);
    EXPECT_EQ(f, 0xFFFFFFFF00000001ull);
    // 0.123456789 taken apart two decimals at a time, as the number text does.
    f = 2277375790844960562ull;  // ceil(0.123456789 * 2^64)
    const uint64_t pairs[] = {12, 34, 56, 78};
    for (uint64_t pair : pairs) EXPECT_EQ(multiply(f, 100), pair);
  }
}

#ifdef __SIZEOF_INT128__
TEST(PortableBits, RoundedProductShiftAgainst128Bits) {
  std::mt19937_64 rng(11);
  for (int i = 0; i < 200000; ++i) {
    const uint64_t a = rng() >> (rng() % 64);
    const uint32_t b = static_cast<uint32_t>(rng() >> (rng() % 64));
    const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
    int bits = 0;
    while (bits < 128 && (p >> bits) != 0) ++bits;
    const int lowest = bits > 32 ? bits - 31 : 1;  // keeps the result within 32 bits
    const int k = lowest + static_cast<int>(rng() % (128 - lowest));
    const unsigned __int128 q = p >> k, r = p - (q << k),
                            half = static_cast<unsigned __int128>(1) << (k - 1);
    const uint32_t expected = static_cast<uint32_t>(q) + (r > half || (r == half && (q & 1)));
    ASSERT_EQ(roundedProductShiftPortable(a, b, k), expected) << a << " * " << b << " >> " << k;
    ASSERT_EQ(roundedProductShift(a, b, k), expected) << a << " * " << b << " >> " << k;
  }
}

TEST(PortableBits, MultiplyCarryAgainst128Bits) {
  std::mt19937_64 rng(13);
  for (int i = 0; i < 200000; ++i) {
    const uint64_t a = rng() >> (rng() % 64);
    const uint32_t b = static_cast<uint32_t>(rng() >> (rng() % 64));
    const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
    for (auto multiply : {multiplyCarryPortable, multiplyCarry}) {
      uint64_t f = a;
      ASSERT_EQ(multiply(f, b), static_cast<uint64_t>(p >> 64)) << a << " * " << b;
      ASSERT_EQ(f, static_cast<uint64_t>(p)) << a << " * " << b;
    }
  }
}
#endif

}  // namespace

namespace {

// The JSON text's scan of 16 bytes against its plain version and against a
// byte-by-byte reading, on random bytes mostly plain, every lane count.
TEST(PortableBits, NeedsJsonEscape) {
  std::mt19937 random(7);
  unsigned char bytes[16];
  for (int round = 0; round < 20000; ++round) {
    for (unsigned char& b : bytes) {
      const unsigned r = random();
      b = r % 8 == 0 ? static_cast<unsigned char>(r >> 8)
                     : static_cast<unsigned char>(' ' + (r >> 8) % 95);
    }
    const int keep = round % 17;
    bool expected = false;
    for (int i = 0; i < keep; ++i)
      expected |= bytes[i] < 0x20 || bytes[i] >= 0x80 || bytes[i] == '"' || bytes[i] == '\\';
    EXPECT_EQ(needsJsonEscapePortable(bytes, keep), expected) << round;
    EXPECT_EQ(needsJsonEscape(bytes, keep), expected) << round;
  }
}

TEST(PortableBits, LittleEndianStores) {
  unsigned char fast[8], plain[8];
  std::mt19937_64 random(17);
  for (int i = 0; i < 1000; ++i) {
    const uint64_t v = i == 0 ? 0x0102030405060708u : random();
    storeLittleEndian64(fast, v);
    storeLittleEndianPortable(plain, v, 8);
    EXPECT_EQ(std::memcmp(fast, plain, 8), 0) << v;
    storeLittleEndian32(fast, static_cast<uint32_t>(v));
    EXPECT_EQ(std::memcmp(fast, plain, 4), 0) << v;
  }
  const unsigned char expected[8] = {8, 7, 6, 5, 4, 3, 2, 1};
  storeLittleEndian64(fast, 0x0102030405060708u);
  EXPECT_EQ(std::memcmp(fast, expected, 8), 0);
}

}  // namespace
