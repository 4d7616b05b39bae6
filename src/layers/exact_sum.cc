#include "layers/exact_sum.h"

#include <cstring>

#include "output/portable_bits.h"

namespace {

// The sum's unit: the exponent of the smallest product of two doubles
// (two subnormals, each a multiple of 2^-1074).
constexpr int UNIT_EXPONENT = -2148;

// A finite double as sign, integer mantissa and exponent: the value is
// (negative ? -1 : 1) * mantissa * 2^exponent.
struct Decomposed {
  bool negative;
  uint64_t mantissa;
  int exponent;
};

Decomposed decompose(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  const int biased = static_cast<int>(bits >> 52 & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);
  if (biased == 0) return {bits >> 63 != 0, fraction, -1074};
  return {bits >> 63 != 0, fraction | uint64_t(1) << 52, biased - 1075};
}

// Adds (or subtracts) the 128-bit value high:low shifted left by shift bits.
void addShifted(ExactSum& sum, uint64_t high, uint64_t low, int shift, bool subtract) {
  const int k = shift / 64, r = shift % 64;
  uint64_t word[3];
  word[0] = low << r;
  word[1] = r == 0 ? high : high << r | low >> (64 - r);
  word[2] = r == 0 ? 0 : high >> (64 - r);
  uint64_t carry = 0;
  for (int i = k; i < ExactSum::LIMBS; ++i) {
    const uint64_t w = i - k < 3 ? word[i - k] : 0;
    if (i - k >= 3 && carry == 0) break;
    const uint64_t before = sum.limb[i];
    if (subtract) {
      const uint64_t d = before - w;
      const uint64_t borrow = (d > before) + (d < carry);
      sum.limb[i] = d - carry;
      carry = borrow;
    } else {
      const uint64_t s = before + w;
      const uint64_t overflow = (s < before) + (s + carry < s);
      sum.limb[i] = s + carry;
      carry = overflow;
    }
  }
}

void accumulate(ExactSum& sum, double a, double b, bool subtract) {
  const Decomposed x = decompose(a), y = decompose(b);
  if (x.mantissa == 0 || y.mantissa == 0) return;
  uint64_t high, low;
  fullProduct(x.mantissa, y.mantissa, high, low);
  addShifted(sum, high, low, x.exponent + y.exponent - UNIT_EXPONENT,
             subtract != (x.negative != y.negative));
}

}  // namespace

void clearSum(ExactSum& sum) { std::memset(sum.limb, 0, sizeof sum.limb); }

void addProduct(ExactSum& sum, double a, double b) { accumulate(sum, a, b, false); }

void subtractProduct(ExactSum& sum, double a, double b) { accumulate(sum, a, b, true); }

int sumSign(const ExactSum& sum) {
  if (sum.limb[ExactSum::LIMBS - 1] >> 63) return -1;
  for (uint64_t limb : sum.limb)
    if (limb != 0) return 1;
  return 0;
}

// Each product and each addition is off by at most half a unit in the last
// place, 2^-53 of its magnitude, so the rounded sum of n products is within
// about (n + 1) 2^-53 of the magnitudes' sum; twice that, and more where
// there are few terms, is the bound. Sums that come near the ends of the
// doubles' range are left to the exact sum.
int certainSign(const RoundedSum& sum) {
  const double smallest = 0x1p-900, largest = 0x1p900;
  if (!(sum.magnitude > smallest && sum.magnitude < largest)) return 0;
  const double bound = static_cast<double>(sum.terms + 4) * 0x1p-52 * sum.magnitude;
  if (sum.sum > bound) return 1;
  if (sum.sum < -bound) return -1;
  return 0;
}

namespace {

// (bx - ax)(py - ay) - (by - ay)(px - ax), multiplied out: the ax * ay
// terms cancel and six products remain.
template <typename Sum>
void addTurn(Sum& sum, double ax, double ay, double bx, double by, double px, double py) {
  addProduct(sum, bx, py);
  subtractProduct(sum, bx, ay);
  subtractProduct(sum, ax, py);
  subtractProduct(sum, by, px);
  addProduct(sum, by, ax);
  addProduct(sum, ay, px);
}

}  // namespace

int turnSign(double ax, double ay, double bx, double by, double px, double py) {
  RoundedSum rounded;
  addTurn(rounded, ax, ay, bx, by, px, py);
  const int sign = certainSign(rounded);
  if (sign != 0) return sign;
  ExactSum sum;
  clearSum(sum);
  addTurn(sum, ax, ay, bx, by, px, py);
  return sumSign(sum);
}
