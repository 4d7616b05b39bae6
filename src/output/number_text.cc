#include "output/number_text.h"

#include <cstring>
#include <limits>

#include "output/portable_bits.h"

// Digits are taken two at a time off binary fractions. For a fraction f / 2^64 the
// next two decimals are the bits of f * 100 above 64, and f keeps the bits below;
// that is exact integer arithmetic, so d decimals taken this way are exactly those of
// floor(f * 10^d / 2^64). A number below 128 is held the same way as y / 2^57: its
// integer part is y >> 57 and its fraction y << 7. To write n / 10^d exactly, y (or f)
// then only has to lie in [n * K, (n + 1) * K) for K = 2^57 / 10^d (or 2^64 / 10^d).
// Rounding to six decimals moves such a fixed-point value by half a unit of the sixth
// decimal: see writeFixed6Float and writeRoundedFraction.

namespace {

// Values are taken apart from their IEEE 754 bit patterns.
static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559,
              "number text needs IEEE 754 float and double");

// "00" to "99"; the text of every integer part below 128 followed by the point
// (4 bytes, "127." the longest), and the length of that text. The pairs sit
// in one table with the rest, as in the shortest writer's own: one base
// address serves both (a table of pairs shared by the two costs the dump
// 1.2% more instructions).
struct DigitTables {
  char pairs[200];
  char pointed[128][4];
  uint8_t pointedLength[128];
};

constexpr DigitTables makeDigitTables() {
  DigitTables t{};
  for (int i = 0; i < 100; ++i) {
    t.pairs[2 * i] = char('0' + i / 10);
    t.pairs[2 * i + 1] = char('0' + i % 10);
  }
  for (int i = 0; i < 128; ++i) {
    int n = 0;
    if (i >= 100) t.pointed[i][n++] = '1';
    if (i >= 10) t.pointed[i][n++] = char('0' + i / 10 % 10);
    t.pointed[i][n++] = char('0' + i % 10);
    t.pointed[i][n++] = '.';
    t.pointedLength[i] = uint8_t(n);
  }
  return t;
}

constexpr DigitTables kDigits = makeDigitTables();

// ceil(2^57 / 100^k): u * kToFixed57[k] lies in [u * K, (u + 1) * K) for K = 2^57 / 100^k
// as long as u * (kToFixed57[k] - K) < K, true for every u < 100^(k+1) (for k = 3,
// 0.15 * u < 1.5e7 against K > 1.4e11), and stays below 2^64 there.
constexpr uint64_t kToFixed57[] = {uint64_t(1) << 57, 1441151880758559ull, 14411518807586ull,
                                   144115188076ull};

// floor(2^63 / 1e6): half a millionth as a fraction of 2^64, 0.776 short; and
// floor(2^56 / 1e6), half a millionth in units of 2^-57, 0.928 short.
constexpr uint64_t kHalfMillionth64 = 9223372036854ull;
constexpr uint64_t kHalfMillionth57 = 72057594037ull;

// Writes the first 2 * pairs decimals of the fraction f / 2^64, truncated. All the
// products come first, then the stores: the chain of products stays in registers.
template <int pairs>
inline char* writeDecimalPairs(char* out, uint64_t f) {
  uint64_t pair[pairs];
  for (int i = 0; i < pairs; ++i) pair[i] = multiplyCarry(f, 100);
  for (int i = 0; i < pairs; ++i) std::memcpy(out + 2 * i, kDigits.pairs + 2 * pair[i], 2);
  return out + 2 * pairs;
}

// Writes y / 2^57 < 128 with six decimals, truncated. Stores no byte past the text.
inline char* writeFixed57(char* out, uint64_t y) {
  const uint64_t ip = y >> 57;
  std::memcpy(out, kDigits.pointed[ip], 4);
  return writeDecimalPairs<3>(out + kDigits.pointedLength[ip], y << 7);
}

// Writes u < 100^(pairs+1) from y = u * kToFixed57[pairs]: the one or two leading
// digits (a single one starts one byte into its pair), then `pairs` more pairs. A lone
// single digit stores one byte past the text.
template <int pairs>
inline char* writeLeadAndPairs(char* out, uint64_t y) {
  const uint32_t lead = uint32_t(y >> 57);
  const int single = lead < 10;
  std::memcpy(out, kDigits.pairs + 2 * lead + single, 2);
  if constexpr (pairs == 0)
    return out + 2 - single;
  else
    return writeDecimalPairs<pairs>(out + 2 - single, y << 7);
}

char* writeFrom1e8(char* out, uint64_t v);

// Writes v in decimal, by its length: the short integers a dump writes most come
// first. Stores at most one byte past the text.
inline char* writeUnsigned(char* out, uint64_t v) {
  if (v < 10000) {
    if (v < 100) return writeLeadAndPairs<0>(out, v * kToFixed57[0]);
    return writeLeadAndPairs<1>(out, v * kToFixed57[1]);
  }
  if (v < 1000000) return writeLeadAndPairs<2>(out, v * kToFixed57[2]);
  if (v < 100000000) return writeLeadAndPairs<3>(out, v * kToFixed57[3]);
  return writeFrom1e8(out, v);
}

// Writes n < 1e8 as exactly 8 digits.
inline char* write8(char* out, uint32_t n) {
  const uint64_t y = n * kToFixed57[3];
  std::memcpy(out, kDigits.pairs + 2 * (y >> 57), 2);
  return writeDecimalPairs<3>(out + 2, y << 7);
}

// writeUnsigned for v >= 1e8: up to 8 digits, then one or two blocks of 8. Out of
// line, so that the short numbers' code stays small.
[[gnu::noinline]] char* writeFrom1e8(char* out, uint64_t v) {
  constexpr uint64_t k1e8 = 100000000, k1e16 = k1e8 * k1e8;
  if (v < k1e16) {
    out = writeUnsigned(out, v / k1e8);
  } else {
    out = writeUnsigned(out, v / k1e16);
    out = write8(out, uint32_t(v / k1e8 % k1e8));
  }
  return write8(out, uint32_t(v % k1e8));
}

// Writes ip and the point.
inline char* writeIntegerAndPoint(char* out, uint64_t ip) {
  if (ip < 128) {
    std::memcpy(out, kDigits.pointed[ip], 4);
    return out + kDigits.pointedLength[ip];
  }
  out = writeUnsigned(out, ip);
  *out = '.';
  return out + 1;
}

// Writes ip + f / 2^64 rounded half-even to six decimals, where f has no set bit
// below bit 14 (a fraction of at most 50 bits). With K = 2^64 / 1e6 and r = f / K (the
// fraction in millionths), y = f + floor(K / 2) + (bit 58 of f) is K * (r + 1/2 + e)
// with -4.3e-14 < e < 1.3e-14. r + 1/2 is a multiple of 2^-44 (f / 2^14 times
// 1e6 / 2^50 = 15625 / 2^44) and so misses an integer by at least 2^-44 = 5.7e-14 > |e|,
// unless it is a tie: then floor(y / K) = n = round-half-even(r) as asked. A tie means
// f * 64 / 2^64 is an odd multiple of 1/2, r = 15625 * (w + 1/2) for the integer w
// made of the bits of f from 58 up; floor(r) = 15625 * w + 7812 has the parity of w,
// which is bit 58 of f, and the sign of e it picks lands on the even neighbour. When
// n = 1e6, y carries out of 64 bits, into ip, and its remainder writes "000000".
inline char* writeRoundedFraction(char* out, uint64_t ip, uint64_t f) {
  const uint64_t y = f + kHalfMillionth64 + ((f >> 58) & 1);
  out = writeIntegerAndPoint(out, ip + (y < f));
  return writeDecimalPairs<3>(out, y);
}

// round-half-even(p / 2^k) for 1 <= k < 64.
inline uint64_t roundShift(uint64_t p, int k) {
  const uint64_t q = p >> k, r = p & ((uint64_t(1) << k) - 1), half = uint64_t(1) << (k - 1);
  return q + (r > half || (r == half && (q & 1)));
}

// Writes m / 2^k, m odd, k > 50 (so below 4): round-half-even(m * 1e6 / 2^k) exactly,
// with a wider product where m * 1e6 passes 64 bits.
char* writeFineFraction(char* out, uint64_t m, int k) {
  uint64_t ip = 0, f = m;  // m / 2^k = ip + f / 2^k
  if (k < 64) {
    ip = m >> k;
    f = m & ((uint64_t(1) << k) - 1);
  }
  // f < 2^43 keeps f * 1e6 < 2^63 in 64 bits; then k >= 64 means a result < 1/2, so 0.
  uint64_t frac;
  if (f < (uint64_t(1) << 43))
    frac = k < 64 ? roundShift(f * 1000000, k) : 0;
  else  // f < 2^53, so the product < 2^73 and k >= 74 again means 0
    frac = k < 74 ? roundedProductShift(f, 1000000, k) : 0;
  return writeFixed57(out, (ip * 1000000 + frac) * kToFixed57[3]);
}

// Writes limb < 1e9 as exactly 9 digits.
inline char* write9(char* out, uint32_t limb) {
  *out = char('0' + limb / 100000000);
  return write8(out + 1, limb % 100000000);
}

// Writes every digit of m * 2^e, m < 2^53, 0 <= e <= 971 (below 2^1024 < 10^309),
// then ".000000". The number is held in base-1e9 limbs, lowest first, and multiplied
// by up to 2^32 per pass: with limbs below 1e9 and a carry in below 2^s, the sum
// limb * 2^s + carry stays below 1e9 * 2^s < 2^62 and so does the carry out below 2^s.
char* writeHugeInteger(char* out, uint64_t m, int e) {
  constexpr uint32_t kBase = 1000000000;
  uint32_t limbs[36];  // 10^309 needs 35
  int count = 0;
  for (; m; m /= kBase) limbs[count++] = uint32_t(m % kBase);
  for (; e > 0; e -= 32) {
    const int s = e < 32 ? e : 32;
    uint64_t carry = 0;
    for (int i = 0; i < count; ++i) {
      const uint64_t t = (uint64_t(limbs[i]) << s) + carry;
      limbs[i] = uint32_t(t % kBase);
      carry = t / kBase;
    }
    for (; carry; carry /= kBase) limbs[count++] = uint32_t(carry % kBase);
  }
  out = writeUnsigned(out, limbs[count - 1]);
  for (int i = count - 2; i >= 0; --i) out = write9(out, limbs[i]);
  std::memcpy(out, ".000000", 7);
  return out + 7;
}

// writeFixed6Float for the values its fast path leaves: |v| below 2^-14 or from
// 128 up, infinities and NaN. Out of line, so that the fast path saves no register.
[[gnu::noinline]] char* writeFloatOutsideFastRange(char* out, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  const int biased = int(bits >> 23) & 0xFF;
  // NaN, infinities and whole numbers of 2^23 or more take the general path.
  if (biased >= 150) return writeFixed6(out, v);
  *out = '-';
  out += bits >> 31;
  // Below 2^-27 (biased 100) |v| * 1e6 < 0.0075 rounds to 0. Above, |v| = m / 2^k
  // with k = 150 - biased <= 50 fractional bits; shifted to the top of 64 bits they
  // lose the integer part m >> k.
  if (biased < 100) return writeRoundedFraction(out, 0, 0);
  const uint64_t m = (bits & 0x7FFFFF) | 0x800000;
  const int k = 150 - biased;
  return writeRoundedFraction(out, m >> k, m << (64 - k));
}

}  // namespace

char* writeFixed6(char* out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  *out = '-';  // kept if the sign bit is set: also for -0.0, -nan and values that round to 0
  out += bits >> 63;
  const int biased = int(bits >> 52) & 0x7FF;
  uint64_t m = bits & ((uint64_t(1) << 52) - 1);
  if (biased == 0x7FF) {
    std::memcpy(out, m ? "nan" : "inf", 3);
    return out + 3;
  }
  if (biased == 0 && m == 0) return writeRoundedFraction(out, 0, 0);
  // |v| = m * 2^e
  int e = -1074;
  if (biased) {
    m |= uint64_t(1) << 52;
    e = biased - 1075;
  }
  if (e >= 0) return e > 11 ? writeHugeInteger(out, m, e) : writeRoundedFraction(out, m << e, 0);
  const int tz = trailingZeros(m);
  if (tz >= -e) return writeRoundedFraction(out, m >> -e, 0);  // integer-valued
  m >>= tz;
  const int k = -e - tz;  // |v| = m / 2^k, m odd, k >= 1
  if (k <= 50) return writeRoundedFraction(out, m >> k, m << (64 - k));
  return writeFineFraction(out, m, k);
}

// The fast path covers 2^-14 <= |v| < 128, biased exponents 113 to 133. There
// X = |v| * 2^57 is the 24-bit significand shifted left by 20 to 40 bits, below 2^64,
// and r = |v| * 1e6 = X / K with K = 2^57 / 1e6 is a multiple of 2^-31. Then
// y = X + kHalfMillionth57 + (bit 51 of X) lies in [n * K, (n + 1) * K) for
// n = round-half-even(r): y / K = r + 1/2 + e with -6.5e-12 < e < 5.1e-13, far less
// than the 2^-31 by which r + 1/2 misses an integer unless it is a tie. At a tie X is
// an odd multiple of 2^50 and bit 51 of X is the parity of floor(r), which picks the
// sign of e that lands on the even neighbour (as in writeRoundedFraction).
char* writeFixed6Float(char* out, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  const uint32_t shift = (bits << 1 >> 24) - 113;  // the biased exponent less 113, wrapped
  if (shift > 20) return writeFloatOutsideFastRange(out, v);
  *out = '-';
  out += bits >> 31;
  const uint64_t x = uint64_t((bits & 0x7FFFFF) | 0x800000) << (shift + 20);
  return writeFixed57(out, x + kHalfMillionth57 + ((x >> 51) & 1));
}

// Signs are branch-free: '-' is always stored and kept only for negative values.
char* writeInt(char* out, int32_t v) {
  *out = '-';
  out += uint32_t(v) >> 31;
  const uint32_t u = v < 0 ? 0u - uint32_t(v) : uint32_t(v);  // also right for INT32_MIN
  return writeUnsigned(out, u);
}

char* writeInt64(char* out, int64_t v) {
  *out = '-';
  out += uint64_t(v) >> 63;
  const uint64_t u = v < 0 ? 0ull - uint64_t(v) : uint64_t(v);
  return writeUnsigned(out, u);
}
