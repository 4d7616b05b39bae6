// Micro-benchmark: ns per value of writeFixed6, writeFixed6Float and writeInt against
// snprintf and std::to_chars, and of the shortest writers against std::to_chars.
// Build: g++ -std=c++17 -O2 -Isrc bench/number_text_bench.cc src/output/number_text.cc
//   src/output/shortest_number.cc
// With arguments, only loops the named writer once over 2^20 floats of one kind, for
// instruction counts under valgrind --tool=callgrind or perf stat:
//   number_text_bench shortest|to_chars|fixed6|none [coordinates|elevations|bits]
// (none: the loop without a writer; coordinates in [-75,-70] and [35,40], the
// default, elevations in [-50,2500], bits: finite float bit patterns).
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "output/number_text.h"
#include "output/shortest_number.h"

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

char* floatToChars(char* b, float v) { return std::to_chars(b, b + MAX_SHORTEST_TEXT, v).ptr; }
char* doubleToChars(char* b, double v) { return std::to_chars(b, b + MAX_SHORTEST_TEXT, v).ptr; }

template <class T, class Shortest, class ToChars>
void benchShortest(const char* name, const std::vector<T>& values, Shortest shortest,
                   ToChars toChars) {
  std::printf("%-26s shortest %6.1f  to_chars %6.1f ns/value\n", name, nsPerValue(values, shortest),
              nsPerValue(values, toChars));
}

// Finite random float bit patterns: every magnitude, most of them outside the fast path.
std::vector<float> randomFloatBits(std::mt19937_64& rng) {
  std::vector<float> values;
  while (values.size() < size_t(kValues)) {
    const uint32_t b = uint32_t(rng());
    if ((b >> 23 & 0xFF) == 0xFF) continue;
    float f;
    std::memcpy(&f, &b, sizeof f);
    values.push_back(f);
  }
  return values;
}

// One pass of the named writer over values, for counting its instructions: the same
// pass with "none" is the loop's own cost, to subtract.
int loopOnly(const char* writer, const std::vector<float>& values) {
  char buf[400];
  size_t sink = 0;
  const bool shortest = std::strcmp(writer, "shortest") == 0;
  const bool toChars = std::strcmp(writer, "to_chars") == 0;
  const bool fixed6 = std::strcmp(writer, "fixed6") == 0;
  if (!shortest && !toChars && !fixed6 && std::strcmp(writer, "none") != 0) {
    std::fprintf(stderr, "unknown writer %s\n", writer);
    return 2;
  }
  for (float v : values) {
    char* end = shortest  ? writeShortestFloat(buf, v)
                : toChars ? floatToChars(buf, v)
                : fixed6  ? writeFixed6Float(buf, v)
                          : buf + 1;
    sink += size_t(end - buf);
  }
  std::printf("%zu values, %zu bytes\n", values.size(), sink);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::mt19937_64 floatRng(2);
  std::vector<float> coordinates(kValues);
  std::uniform_real_distribution<float> lon(-75.0f, -70.0f), lat(35.0f, 40.0f), z(-10.0f, 1500.0f);
  for (int i = 0; i < kValues; ++i) coordinates[i] = i & 1 ? lat(floatRng) : lon(floatRng);
  if (argc > 1) {
    const char* kind = argc > 2 ? argv[2] : "coordinates";
    if (std::strcmp(kind, "elevations") == 0) {
      std::uniform_real_distribution<float> elevation(-50.0f, 2500.0f);
      for (float& v : coordinates) v = elevation(floatRng);
    } else if (std::strcmp(kind, "bits") == 0) {
      coordinates = randomFloatBits(floatRng);
    } else if (std::strcmp(kind, "coordinates") != 0) {
      std::fprintf(stderr, "unknown kind of value %s\n", kind);
      return 2;
    }
    return loopOnly(argv[1], coordinates);
  }
  benchShortest("floats like coordinates:", coordinates, writeShortestFloat, floatToChars);
  std::printf("%-26s writeFixed6Float %6.1f  snprintf %6.1f ns/value\n",
              "floats like coordinates:", nsPerValue(coordinates, writeFixed6Float),
              nsPerValue(coordinates, [](char* b, float v) {
                return b + std::snprintf(b, 400, "%f", double(v));
              }));
  std::vector<float> randomElevations(kValues);
  std::uniform_real_distribution<float> elevation(-50.0f, 2500.0f);
  for (float& v : randomElevations) v = elevation(floatRng);
  for (float& v : coordinates) v = z(floatRng);
  std::printf("%-26s writeFixed6Float %6.1f ns/value\n",
              "floats in -10..1500:", nsPerValue(coordinates, writeFixed6Float));
  benchShortest("floats in -10..1500:", coordinates, writeShortestFloat, floatToChars);
  std::mt19937_64 rng(1);
  std::vector<double> floats(kValues), doubles(kValues);
  std::vector<int32_t> ints(kValues);
  std::uniform_real_distribution<float> f180(-180.0f, 180.0f);
  std::uniform_real_distribution<double> d1e6(-1e6, 1e6);
  for (double& v : floats) v = f180(rng);
  for (double& v : doubles) v = d1e6(rng);
  for (int32_t& v : ints) v = int32_t(rng() % 1000000);  // ids and counts: 1 to 6 digits
  benchShortest("floats in -50..2500:", randomElevations, writeShortestFloat, floatToChars);
  const std::vector<float> randomFloats = randomFloatBits(rng);
  benchShortest("float bit patterns:", randomFloats, writeShortestFloat, floatToChars);
  benchShortest("doubles in +-1e6:", doubles, writeShortestDouble, doubleToChars);
  std::vector<double> randomDoubles;
  while (randomDoubles.size() < size_t(kValues)) {
    const uint64_t b = rng();
    if ((b >> 52 & 0x7FF) == 0x7FF) continue;
    double d;
    std::memcpy(&d, &b, sizeof d);
    randomDoubles.push_back(d);
  }
  benchShortest("double bit patterns:", randomDoubles, writeShortestDouble, doubleToChars);
  benchDoubles("floats in +-180:", floats);
  benchDoubles("doubles in +-1e6:", doubles);
  auto intSnprintf = [](char* b, int32_t v) { return b + std::snprintf(b, 400, "%d", v); };
  std::printf("%-26s writeInt    %6.1f  snprintf %6.1f ns/value\n",
              "int32 below 1e6:", nsPerValue(ints, writeInt), nsPerValue(ints, intSnprintf));
  for (int32_t& v : ints) v = int32_t(rng()) >> (rng() % 32);  // all lengths
  std::printf("%-26s writeInt    %6.1f  snprintf %6.1f ns/value\n",
              "int32 (mixed lengths):", nsPerValue(ints, writeInt), nsPerValue(ints, intSnprintf));
}
