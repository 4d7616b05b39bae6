#include "output/number_text.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "output/portable_bits.h"

namespace {

// Values are taken apart from their IEEE 754 bit patterns.
static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559,
              "number text needs IEEE 754 float and double");

// Decimal digit count of n < 1e8: bit length * log10(2) gives d or d - 1;
// a table compare settles it.
inline int digitCount(uint32_t n) {
  static constexpr uint32_t kPow10[] = {1,      10,      100,      1000,     10000,
                                        100000, 1000000, 10000000, 100000000};
  const int t = bitLength(n | 1) * 1233 >> 12;
  return t + ((n | 1) >= kPow10[t]);
}

// n < 1e8 as 8 ASCII digits with leading zeros, first digit in the lowest byte (stored
// first by storeLowByteFirst, whatever the host's byte order). Branch-free:
// split into 4-digit, 2-digit and 1-digit lanes, dividing by 100 and 10 via multiply-shift.
inline uint64_t packDigits8(uint32_t n) {
  uint64_t x = n / 10000 | uint64_t(n % 10000) << 32;
  uint64_t q = (x * 10486 >> 20) & 0x0000007F0000007Full;
  x = q | (x - q * 100) << 16;
  q = (x * 103 >> 10) & 0x000F000F000F000Full;
  x = q | (x - q * 10) << 8;
  return x + 0x3030303030303030ull;
}

// Writes n < 1e8 without leading zeros. Always stores 8 bytes.
inline char* writeUpTo8(char* out, uint32_t n) {
  const int d = digitCount(n);
  storeLowByteFirst(out, packDigits8(n) >> (64 - 8 * d));  // drop the leading zero bytes
  return out + d;
}

// Writes n < 1e8 as exactly 8 digits.
inline char* write8(char* out, uint32_t n) {
  storeLowByteFirst(out, packDigits8(n));
  return out + 8;
}

// Writes v in decimal. May store up to 8 bytes from out even when the text is shorter.
char* writeUnsigned(char* out, uint64_t v) {
  constexpr uint64_t k1e8 = 100000000, k1e16 = k1e8 * k1e8;
  if (v < k1e8) return writeUpTo8(out, uint32_t(v));
  if (v < k1e16) {
    out = writeUpTo8(out, uint32_t(v / k1e8));
  } else {
    out = writeUpTo8(out, uint32_t(v / k1e16));
    out = write8(out, uint32_t(v / k1e8 % k1e8));
  }
  return write8(out, uint32_t(v % k1e8));
}

// Writes ip.frac for ip < 100 from one packing of the eight digits of
// n = ip * 1e6 + frac: the one or two integer digits, the point, then the
// six decimals. Stores up to 8 bytes past the text.
inline char* writeBelow100(char* out, uint32_t n) {
  const uint64_t x = packDigits8(n);           // "IIffffff", first digit lowest
  const int two = n >= 10000000;               // the integer part has two digits
  storeLowByteFirst(out, x >> (8 - 8 * two));  // drop a leading zero digit
  out += 1 + two;
  *out++ = '.';
  storeLowByteFirst(out, x >> 16);  // the six decimals
  return out + 6;
}

// round-half-even(p / 2^k) for 1 <= k < 64.
inline uint32_t roundShift(uint64_t p, int k) {
  const uint64_t q = p >> k, r = p & ((uint64_t(1) << k) - 1), half = uint64_t(1) << (k - 1);
  return uint32_t(q) + (r > half || (r == half && (q & 1)));
}

// Every digit of a magnitude of 2^64 or more: rare, so the library's exact
// routine writes them.
char* writeHuge(char* out, char* end, double magnitude) {
  return std::to_chars(out, end, magnitude, std::chars_format::fixed, 6).ptr;
}

}  // namespace

char* writeFixed6(char* out, double v) {
  char* const begin = out;
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  *out = '-';  // kept if the sign bit is set: also for -0.0, -nan and values that round to 0
  out += bits >> 63;
  const int biased = int(bits >> 52) & 0x7FF;
  uint64_t m = bits & ((1ull << 52) - 1);
  if (biased == 0x7FF) {
    std::memcpy(out, m ? "nan" : "inf", 3);
    return out + 3;
  }
  // |v| = m * 2^e; compute ip + frac/1e6 = round-half-even(|v| * 1e6) exactly.
  uint64_t ip = 0;
  uint32_t frac = 0;
  if (biased || m) {
    int e = -1074;
    if (biased) {
      m |= 1ull << 52;
      e = biased - 1075;
    }
    if (e >= 0) {
      if (e > 11) return writeHuge(out, begin + MAX_FIXED6_TEXT, v < 0 ? -v : v);
      ip = m << e;
    } else {
      const int tz = trailingZeros(m);
      if (tz >= -e) {
        ip = m >> -e;  // integer-valued
      } else {
        // Drop trailing zero bits so floats widened to double keep a <= 24-bit significand.
        m >>= tz;
        const int k = -e - tz;  // |v| = m / 2^k, m odd, k >= 1
        uint64_t f = m;         // fractional numerator: f / 2^k
        if (k < 64) {
          ip = m >> k;
          f = m & ((1ull << k) - 1);
        }
        // f < 2^43 keeps f * 1e6 < 2^63 in 64 bits; then k >= 64 means a result < 1/2, so 0.
        if (f < (1ull << 43))
          frac = k < 64 ? roundShift(f * 1000000, k) : 0;
        else  // f < 2^53, so the product < 2^73 and k >= 74 again means 0
          frac = k < 74 ? roundedProductShift(f, 1000000, k) : 0;
        if (frac == 1000000) {
          ++ip;
          frac = 0;
        }
      }
    }
  }
  if (ip < 100) return writeBelow100(out, uint32_t(ip) * 1000000 + frac);
  out = writeUnsigned(out, ip);
  storeLowByteFirst(out, (packDigits8(frac) >> 8 & ~0xFFull) | '.');  // "00dddddd" -> ".dddddd"
  return out + 7;
}

char* writeFixed6Float(char* out, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  const int biased = int(bits >> 23) & 0xFF;
  // NaN, infinities and whole numbers of 2^23 or more take the general path.
  if (biased >= 150) return writeFixed6(out, v);
  *out = '-';
  out += bits >> 31;
  // |v| = m / 2^k with a 24-bit m and k >= 1, so m * 1e6 < 2^44 and the
  // rounded value n = |v| * 1e6 is exact in 64 bits; k >= 64 means n = 0.
  const uint64_t m = (bits & 0x7FFFFF) | uint64_t(biased != 0) << 23;
  const int k = biased ? 150 - biased : 149;
  uint64_t n = 0;
  if (k < 64) {
    const uint64_t p = m * 1000000, q = p >> k, r = p & ((uint64_t(1) << k) - 1);
    const uint64_t half = uint64_t(1) << (k - 1);
    n = q + (r > half || (r == half && (q & 1)));
  }
  if (n < 100000000) return writeBelow100(out, uint32_t(n));
  out = writeUnsigned(out, n / 1000000);
  storeLowByteFirst(out, (packDigits8(uint32_t(n % 1000000)) >> 8 & ~0xFFull) | '.');
  return out + 7;
}

// Signs are branch-free: '-' is always stored and kept only for negative values.
char* writeInt(char* out, int32_t v) {
  *out = '-';
  const uint32_t u = v < 0 ? 0u - uint32_t(v) : uint32_t(v);  // also right for INT32_MIN
  return writeUnsigned(out + (v < 0), u);
}

char* writeInt64(char* out, int64_t v) {
  *out = '-';
  const uint64_t u = v < 0 ? 0ull - uint64_t(v) : uint64_t(v);
  return writeUnsigned(out + (v < 0), u);
}
