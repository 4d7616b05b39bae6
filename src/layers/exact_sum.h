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

// The sign of the turn a, b, p: 1 when p lies left of the line from a to b,
// -1 when right, 0 when on it.
int turnSign(double ax, double ay, double bx, double by, double px, double py);
