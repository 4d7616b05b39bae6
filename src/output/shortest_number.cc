#include "output/shortest_number.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#include "output/portable_bits.h"

// A float v = m * 2^e (2^23 <= m < 2^24) reads back from every decimal inside its
// rounding interval: v - 2^(e-1) to v + 2^(e-1), ends included when m is even (the
// reader rounds a tie to the even significand), and below a power of two
// (m = 2^23) only down to v - 2^(e-2), as the float below it is closer. The
// shortest text is the decimal inside it with the fewest significant digits, and
// of those the one nearest v (the even one on a tie).
//
// Let 10^k be the largest power of ten not above the interval's width (2^e, or
// 3/4 * 2^e below a power of two). Then the interval holds at least one multiple
// of 10^k and at most one of 10^(k+1), so the answer is that multiple of 10^(k+1)
// (its trailing zeros dropped) if there is one, else the multiple of 10^k nearest
// v. With j = -k >= 0 the fast path counts in units of 10^k / 2^S, S = 2 - e - j:
// there v is a = 4 * m * 5^j exactly, the half-widths are 2 * 5^j (and 5^j), and a
// multiple c of 10^k is c * 2^S. All of these are integers below 2^64 for
// 2^-29 <= |v| < 2^24 (e from -52 to 0, so j <= 16 and 4 * m * 5^j < 2^63.2), so
// every comparison below is exact: no approximation is involved (scalesFit checks
// the bounds). Other floats (zero aside) are left to the standard library.
//
// The text is then the standard library's: fixed notation or scientific, whichever
// is shorter, fixed on a tie ("0.0001" is "1e-04", "0.00012" stays).

namespace {

static_assert(std::numeric_limits<float>::is_iec559, "the shortest text needs IEEE 754 floats");

// The fast path's binary exponents e of |v| = m * 2^e.
constexpr int kLowestExponent = -52, kHighestExponent = 0;
constexpr int kExponentCount = kHighestExponent - kLowestExponent + 1;

// The units of one exponent: a = 4 * m * pow5, the interval is [a - below, a + above].
// floor(v / 10^k) has `digits` digits for the smallest m, one more from `power` up.
struct Scale {
  uint64_t pow5, below, above;
  uint64_t halfLess;  // 2^(S-1) - 1
  uint32_t power;     // 10^digits
  int shift;          // S
  int exp10;          // k
  int digits;
};

// Smallest j >= 0 with factor * 10^j >= 2^power, power <= 54.
constexpr int smallestPowerOfTen(uint64_t factor, int power) {
  int j = 0;
  for (; power > 0 && factor < (uint64_t(1) << power); factor *= 10) ++j;
  return j;
}

// 10^-j <= 2^e is 4 * 10^j >= 2^(2-e); below a power of two, 10^-j <= 3 * 2^(e-2)
// is 3 * 10^j >= 2^(2-e). The smallest such j makes 10^k the largest such power.
constexpr Scale makeScale(int e, bool belowPowerOfTwo) {
  const int j = smallestPowerOfTen(belowPowerOfTwo ? 3 : 4, 2 - e);
  uint64_t pow5 = 1;
  for (int i = 0; i < j; ++i) pow5 *= 5;
  const int shift = 2 - e - j;
  int digits = 1;
  uint64_t power = 10;
  for (const uint64_t least = (pow5 << 25) >> shift; least >= power; power *= 10) ++digits;
  return Scale{pow5,
               belowPowerOfTwo ? pow5 : 2 * pow5,
               2 * pow5,
               (uint64_t(1) << (shift - 1)) - 1,
               uint32_t(power),
               shift,
               -j,
               digits};
}

struct ScaleTable {
  Scale scales[kExponentCount][2];  // [e - kLowestExponent][m == 2^23]
};

constexpr ScaleTable makeScaleTable() {
  ScaleTable t{};
  for (int e = kLowestExponent; e <= kHighestExponent; ++e)
    for (int below = 0; below < 2; ++below)
      t.scales[e - kLowestExponent][below] = makeScale(e, below);
  return t;
}

constexpr ScaleTable kScales = makeScaleTable();

// Every exponent: the largest a, with room above it for the interval's top and the
// next multiple of 10^(k+1), stays below 2^64; S >= 1, so that half a unit is whole.
constexpr bool scalesFit() {
  constexpr uint64_t kMaxM = (uint64_t(1) << 24) - 1;
  for (const auto& pair : kScales.scales)
    for (const Scale& s : pair) {
      if (s.shift < 1 || s.shift > 40 || s.digits < 7 || s.digits > 9) return false;
      const uint64_t room = ~uint64_t(0) - s.above - (uint64_t(10) << s.shift);
      if (s.pow5 > room / (4 * kMaxM)) return false;
    }
  return true;
}
static_assert(scalesFit(), "the fast path's units overflow 64 bits");

// "00" to "99", and the text of every whole number below 1000 followed by the point
// ("7.", "72.", "180."), in 4 bytes: one table, so that one base address serves
// both (the number text's own pairs, shared, cost 1.3% more here).
struct DigitTables {
  char pairs[200];
  char pointed[1000][4];
};

constexpr DigitTables makeDigitTables() {
  DigitTables t{};
  for (int i = 0; i < 100; ++i) {
    t.pairs[2 * i] = char('0' + i / 10);
    t.pairs[2 * i + 1] = char('0' + i % 10);
  }
  for (int i = 0; i < 1000; ++i) {
    int n = 0;
    if (i >= 100) t.pointed[i][n++] = char('0' + i / 100);
    if (i >= 10) t.pointed[i][n++] = char('0' + i / 10 % 10);
    t.pointed[i][n++] = char('0' + i % 10);
    t.pointed[i][n] = '.';
  }
  return t;
}

constexpr DigitTables kDigits = makeDigitTables();

// ceil(2^64 / 10^n) for n = 1 to 9: for d < 10^n, d * kScaleUp[n] is the fraction
// d / 10^n at the top of 64 bits, too large by less than d < 10^9, far less than
// 2^64 / 10^9 > 1.8e10: so its first n decimals, taken by exact products, are d's
// digits. It stays below 2^64, as 2^64 / 10^n > 10^n.
constexpr uint64_t kScaleUp[10] = {0,
                                   1844674407370955162ull,
                                   184467440737095517ull,
                                   18446744073709552ull,
                                   1844674407370956ull,
                                   184467440737096ull,
                                   18446744073710ull,
                                   1844674407371ull,
                                   184467440738ull,
                                   18446744074ull};

constexpr uint32_t kPow10[10] = {1,      10,      100,      1000,      10000,
                                 100000, 1000000, 10000000, 100000000, 1000000000};

// Writes the next 8 decimals of the fraction f / 2^64, truncated. All the products
// come first, then the stores: the chain of products stays in registers.
inline void writeEightDecimals(char* out, uint64_t f) {
  const uint64_t p0 = multiplyCarry(f, 100), p1 = multiplyCarry(f, 100);
  const uint64_t p2 = multiplyCarry(f, 100), p3 = multiplyCarry(f, 100);
  std::memcpy(out, kDigits.pairs + 2 * p0, 2);
  std::memcpy(out + 2, kDigits.pairs + 2 * p1, 2);
  std::memcpy(out + 4, kDigits.pairs + 2 * p2, 2);
  std::memcpy(out + 6, kDigits.pairs + 2 * p3, 2);
}

// writeDecimal for the texts other than digits with a point after the first one to
// three: whole numbers, fractions below 1, longer whole parts and scientific notation.
// f is d / 10^n at the top of 64 bits. Out of line, so that the usual case saves no
// register for them.
[[gnu::noinline]] char* writeDecimalOther(char* out, uint64_t f, int n, int exp10) {
  char text[16] = {};  // the n digits, then some of no meaning
  text[0] = char('0' + multiplyCarry(f, 10));
  writeEightDecimals(text + 1, f);
  const int point = n + exp10;  // digits before the point in fixed notation
  const bool several = n > 1;
  if (exp10 >= 0 ? exp10 <= 4 + several : point >= -2 - several) {
    if (exp10 >= 0) {  // whole: the digits, then exp10 <= 5 zeros
      std::memcpy(out, text, 16);
      std::memcpy(out + n, "00000000", 8);
      return out + point;
    }
    if (point > 0) {  // the point among the digits: point <= 8 and n - point <= 8
      std::memcpy(out, text, 8);
      std::memcpy(out + point + 1, text + point, 8);
      out[point] = '.';
      return out + n + 1;
    }
    std::memcpy(out, "0.000", 5);  // up to three zeros after the point
    std::memcpy(out + 2 - point, text, 16);
    return out + 2 - point + n;
  }
  out[0] = text[0];
  out[1] = '.';
  std::memcpy(out + 2, text + 1, 8);
  out += several ? n + 1 : 1;
  const int x = point - 1;
  std::memcpy(out, x < 0 ? "e-" : "e+", 2);
  std::memcpy(out + 2, kDigits.pairs + 2 * (x < 0 ? -x : x), 2);
  return out + 4;
}

// Writes d * 10^exp10 (d of n <= 9 digits) in fixed notation or scientific,
// whichever is shorter, fixed on a tie. Scientific has the n digits, a point when n
// > 1 and "e+XX" (the exponent has two digits here); fixed has the zeros that exp10
// asks for, before the digits or after them. Stores up to 21 bytes. The usual text,
// one to three digits, the point and more digits, is written here.
inline char* writeDecimal(char* out, uint32_t d, int n, int exp10) {
  uint64_t f = d * kScaleUp[n];
  const int point = n + exp10;
  if (exp10 >= 0 || point <= 0 || point > 3) return writeDecimalOther(out, f, n, exp10);
  const uint64_t whole = multiplyCarry(f, kPow10[point]);  // the digits before the point
  std::memcpy(out, kDigits.pointed[whole], 4);
  char* decimals = out + point + 1;
  const uint64_t p0 = multiplyCarry(f, 100), p1 = multiplyCarry(f, 100);
  const uint64_t p2 = multiplyCarry(f, 100);
  std::memcpy(decimals, kDigits.pairs + 2 * p0, 2);
  std::memcpy(decimals + 2, kDigits.pairs + 2 * p1, 2);
  std::memcpy(decimals + 4, kDigits.pairs + 2 * p2, 2);
  if (n - point > 6) std::memcpy(decimals + 6, kDigits.pairs + 2 * multiplyCarry(f, 100), 2);
  return out + n + 1;
}

// The decimal that writeShortestFloat writes: d * 10^exp10, d of n digits, which
// may end in zeros if ofTens is set.
struct Decimal {
  uint32_t d;
  int n, exp10;
  bool ofTens;
};

// The multiple of 10^(k+1) inside [lower, upper] if there is one, as the 6 to 8
// digits of c * 10^(k+1); else n = 0. Only the largest multiple not above upper can
// be inside.
inline Decimal multipleOfTenInside(uint64_t lower, uint64_t upper, const Scale& scale) {
  const uint64_t tens = (upper >> scale.shift) / 10, units = tens * 10;
  if (units << scale.shift < lower) return {0, 0, 0, false};
  return {uint32_t(tens), scale.digits - 1 + (units >= scale.power), scale.exp10 + 1, true};
}

// The shortest decimal of v = m * 2^e, 2^23 < m < 2^24, in the fast range, by the
// rules above. The interval is [a - above, a + above]; the multiple of 10^k nearest
// v lies within 10^k / 2 <= 2^(e-1) of it, inside, so it only has to be rounded: the
// even one on a tie, (a + 2^(S-1) - 1 + (s & 1)) >> S. (Only when 10^k = 2^e, at
// e = 0, would a distance of 2^(e-1) fall on an excluded end, and there v is a whole
// number.)
inline Decimal shortestDecimal(uint64_t m, const Scale& scale) {
  const uint64_t odd = m & 1;
  const uint64_t a = (m << 2) * scale.pow5, halfWidth = scale.above - odd;
  const Decimal tens = multipleOfTenInside(a - halfWidth, a + halfWidth, scale);
  if (tens.n) return tens;
  const uint64_t s = a >> scale.shift;  // floor(v / 10^k): 7 to 9 digits
  const uint32_t d = uint32_t((a + scale.halfLess + (s & 1)) >> scale.shift);
  return {d, scale.digits + (d >= scale.power), scale.exp10, false};
}

// shortestDecimal for m = 2^23, whose interval is [a - below, a + above]: there the
// nearest multiple of 10^k may lie below the interval, and then s + 1 is the answer.
Decimal shortestDecimalOfPowerOfTwo(uint64_t m, const Scale& scale) {
  const uint64_t a = (m << 2) * scale.pow5;  // m is even: the ends are included
  const uint64_t lower = a - scale.below, upper = a + scale.above;
  const Decimal tens = multipleOfTenInside(lower, upper, scale);
  if (tens.n) return tens;
  const int shift = scale.shift;
  const uint64_t s = a >> shift, below = s << shift;
  const uint64_t rest = a - below, half = uint64_t(1) << (shift - 1);
  const bool sIn = lower <= below, nextIn = below + (uint64_t(1) << shift) <= upper;
  const bool up = sIn == nextIn ? rest + (s & 1) > half : nextIn;
  const uint32_t d = uint32_t(s + up);
  return {d, scale.digits + (d >= scale.power), scale.exp10, false};
}

// Drops the trailing zeros of a multiple of 10^(k+1) and writes dec.
inline char* writeShortestDecimal(char* out, Decimal dec) {
  if (dec.ofTens)
    for (; dec.d % 10 == 0; dec.d /= 10) {
      ++dec.exp10;
      --dec.n;
    }
  return writeDecimal(out, dec.d, dec.n, dec.exp10);
}

// writeShortestFloat for a power of two 2^(e+23) in the fast range, after the sign.
// Out of line: it is rare.
[[gnu::noinline]] char* writePowerOfTwo(char* out, uint32_t index) {
  return writeShortestDecimal(out, shortestDecimalOfPowerOfTwo(0x800000, kScales.scales[index][1]));
}

// writeShortestFloat for zero and for the floats outside the fast path's range.
// Out of line, so that the fast path saves no register for it.
[[gnu::noinline]] char* writeFloatOutsideFastRange(char* out, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  if (bits << 1 == 0) {
    *out = '-';
    out += bits >> 31;
    *out = '0';
    return out + 1;
  }
  return std::to_chars(out, out + MAX_SHORTEST_TEXT, v).ptr;
}

}  // namespace

char* writeShortestFloat(char* out, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  // The biased exponent less that of the fast path's lowest, wrapped.
  const uint32_t index = (bits << 1 >> 24) - uint32_t(kLowestExponent + 150);
  if (index >= uint32_t(kExponentCount)) return writeFloatOutsideFastRange(out, v);
  *out = '-';
  out += bits >> 31;
  const uint32_t fraction = bits & 0x7FFFFF;
  if (fraction == 0) return writePowerOfTwo(out, index);
  return writeShortestDecimal(out, shortestDecimal(fraction | 0x800000, kScales.scales[index][0]));
}

char* writeShortestDouble(char* out, double v) {
  return std::to_chars(out, out + MAX_SHORTEST_TEXT, v).ptr;
}
