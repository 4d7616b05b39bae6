// Micro-benchmark: ns per value of writeFixed6, writeFixed6Float and writeInt against
// snprintf and std::to_chars.
#include <charconv>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "output/number_text.h"

namespace {

constexpr int kValues = 1 << 20;
constexpr int kPasses = 5;

// Runs fmt over all values kPasses times; returns ns per value. Summing lengths keeps the work.
template <class T, class F>
double nsPerValue(const std::vector<T>& values, F fmt) {
  char buf[400];
  size_t sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int pass = 0; pass < kPasses; ++pass)
    for (T v : values) sink += size_t(fmt(buf, v) - buf) + size_t(buf[0]);
  const double ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  if (sink == 42) std::puts("");
  return ns / (double(kPasses) * double(values.size()));
}

void benchDoubles(const char* name, const std::vector<double>& values) {
  std::printf(
      "%-26s writeFixed6 %6.1f  snprintf %6.1f  to_chars %6.1f ns/value\n", name,
      nsPerValue(values, writeFixed6),
      nsPerValue(values, [](char* b, double v) { return b + std::snprintf(b, 400, "%f", v); }),
      nsPerValue(values, [](char* b, double v) {
        return std::to_chars(b, b + 400, v, std::chars_format::fixed, 6).ptr;
      }));
}

}  // namespace

int main() {
  std::mt19937_64 floatRng(2);
  std::vector<float> coordinates(kValues);
  std::uniform_real_distribution<float> lon(-75.0f, -70.0f), lat(35.0f, 40.0f), z(-10.0f, 1500.0f);
  for (int i = 0; i < kValues; ++i) coordinates[i] = i & 1 ? lat(floatRng) : lon(floatRng);
  std::printf("%-26s writeFixed6Float %6.1f  snprintf %6.1f ns/value\n",
              "floats like coordinates:", nsPerValue(coordinates, writeFixed6Float),
              nsPerValue(coordinates, [](char* b, float v) {
                return b + std::snprintf(b, 400, "%f", double(v));
              }));
  for (float& v : coordinates) v = z(floatRng);
  std::printf("%-26s writeFixed6Float %6.1f ns/value\n",
              "floats in -10..1500:", nsPerValue(coordinates, writeFixed6Float));
  std::mt19937_64 rng(1);
  std::vector<double> floats(kValues), doubles(kValues);
  std::vector<int32_t> ints(kValues);
  std::uniform_real_distribution<float> f180(-180.0f, 180.0f);
  std::uniform_real_distribution<double> d1e6(-1e6, 1e6);
  for (double& v : floats) v = f180(rng);
  for (double& v : doubles) v = d1e6(rng);
  for (int32_t& v : ints) v = int32_t(rng() % 1000000);  // ids and counts: 1 to 6 digits
  benchDoubles("floats in +-180:", floats);
  benchDoubles("doubles in +-1e6:", doubles);
  auto intSnprintf = [](char* b, int32_t v) { return b + std::snprintf(b, 400, "%d", v); };
  std::printf("%-26s writeInt    %6.1f  snprintf %6.1f ns/value\n",
              "int32 below 1e6:", nsPerValue(ints, writeInt), nsPerValue(ints, intSnprintf));
  for (int32_t& v : ints) v = int32_t(rng()) >> (rng() % 32);  // all lengths
  std::printf("%-26s writeInt    %6.1f  snprintf %6.1f ns/value\n",
              "int32 (mixed lengths):", nsPerValue(ints, writeInt), nsPerValue(ints, intSnprintf));
}
