// The benchmark generators' random numbers: drawn from the raw engine's
// output only, so that a seed gives the same tables on every host (the
// standard distributions differ between libraries).
#pragma once

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

struct Rng {
  std::mt19937_64 e;
  explicit Rng(uint64_t seed) : e(seed) {}
  // Integer in [lo, hi].
  int64_t in(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(e() % static_cast<uint64_t>(hi - lo + 1));
  }
  // Real in [lo, hi).
  double real(double lo, double hi) { return lo + (hi - lo) * ((e() >> 11) * 0x1.0p-53); }
  bool chance(int percent) { return in(0, 99) < percent; }
  // Fisher-Yates on v.
  template <typename T>
  void shuffle(std::vector<T>& v) {
    for (size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[static_cast<size_t>(in(0, i - 1))]);
  }
};
