// Sums of products of coordinates, computed exactly: whether a ring turns
// clockwise, whether a point lies inside a ring and which of two rings is
// the larger are decided by the sign of such a sum, which rounding could
// flip and which every host must decide alike.
#pragma once

#include <cstdint>

// Any sum of up to 2^32 products of two finite doubles: a two's-complement
// integer of LIMBS 64-bit limbs counting units of 2^-2148, the smallest
// product of two doubles.
struct ExactSum {
  static constexpr int LIMBS = 68;
  uint64_t limb[LIMBS];
};

void clearSum(ExactSum& sum);

// Adds a * b to the sum, or subtracts it; a and b finite.
void addProduct(ExactSum& sum, double a, double b);
void subtractProduct(ExactSum& sum, double a, double b);

// -1, 0 or 1.
int sumSign(const ExactSum& sum);

// The same sums in doubles, with what bounds their rounding error: most
// signs are clear from these alone, and only a sum too near zero for its
// rounding needs the exact one.
struct RoundedSum {
  double sum = 0;
  double magnitude = 0;  // the sum of the products' magnitudes
  int64_t terms = 0;
};

inline void addProduct(RoundedSum& sum, double a, double b) {
  const double p = a * b;
  sum.sum += p;
  sum.magnitude += p < 0 ? -p : p;
  ++sum.terms;
}

inline void subtractProduct(RoundedSum& sum, double a, double b) {
  const double p = a * b;
  sum.sum -= p;
  sum.magnitude += p < 0 ? -p : p;
  ++sum.terms;
}

// The exact sum's sign where the rounded sum lies farther from zero than
// its rounding can reach (on every host, x87's wider registers included),
// else 0: the exact sum must decide.
int certainSign(const RoundedSum& sum);

// The sign of the turn a, b, p: 1 when p lies left of the line from a to b,
// -1 when right, 0 when on it.
int turnSign(double ax, double ay, double bx, double by, double px, double py);
