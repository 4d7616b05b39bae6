// Check of writeFixed6 and writeFixed6Float against glibc snprintf("%f"), and of
// writeShortestFloat and writeShortestDouble against std::to_chars.
// Usage: number_text_check [N=100000000] [seed=1]. Checks N random float bit patterns
// (widened to double for writeFixed6) and N random double bit patterns with every
// writer, split over 2 threads, after a list of chosen doubles and floats (powers of
// 2 and 10 and their neighbours, subnormals, the extremes, whole numbers, short
// decimals). number_text_check floats: checks writeFixed6Float and
// writeShortestFloat on every one of the 2^32 float bit patterns instead.
#include <atomic>
#include <cfloat>
#include <charconv>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <type_traits>
#include <vector>

#include "output/number_text.h"
#include "output/shortest_number.h"

namespace {

constexpr int kThreads = 2;
constexpr int kMaxReported = 10;

std::atomic<uint64_t> gChecked{0}, gMismatches{0};
std::mutex gPrintMutex;

// Returns true if the writer matches snprintf for v (writeFixed6Float for a
// float, writeFixed6 for a double); prints the first few mismatches.
bool check(double v, bool isFloat, uint64_t bits) {
  char mine[MAX_FIXED6_TEXT + 1], ref[400];
  *(isFloat ? writeFixed6Float(mine, float(v)) : writeFixed6(mine, v)) = '\0';
  std::snprintf(ref, sizeof ref, "%f", v);
  if (std::strcmp(mine, ref) == 0) return true;
  if (gMismatches.fetch_add(1) < kMaxReported) {
    std::lock_guard<std::mutex> lock(gPrintMutex);
    std::printf("MISMATCH %s bits 0x%0*" PRIx64 ": got %s expected %s\n",
                isFloat ? "float" : "double", isFloat ? 8 : 16, bits, mine, ref);
  }
  return false;
}

// Reports a mismatch of a shortest writer; returns false.
bool reportShortest(bool isFloat, uint64_t bits, const char* mine, const char* mineEnd,
                    const char* ref, const char* refEnd) {
  if (gMismatches.fetch_add(1) < kMaxReported) {
    std::lock_guard<std::mutex> lock(gPrintMutex);
    std::printf("MISMATCH shortest %s bits 0x%0*" PRIx64 ": got %.*s expected %.*s\n",
                isFloat ? "float" : "double", isFloat ? 8 : 16, bits, int(mineEnd - mine), mine,
                int(refEnd - ref), ref);
  }
  return false;
}

// Returns true if the shortest writer of v's type matches std::to_chars for a
// finite v (others are not checked: the callers write them as null).
template <typename T, typename Bits>
bool checkShortest(T v, Bits bits) {
  if (!std::isfinite(v)) return true;
  char mine[MAX_SHORTEST_TEXT], ref[MAX_SHORTEST_TEXT];
  constexpr bool isFloat = std::is_same_v<T, float>;
  const char* mineEnd;
  if constexpr (isFloat)
    mineEnd = writeShortestFloat(mine, v);
  else
    mineEnd = writeShortestDouble(mine, v);
  const char* refEnd = std::to_chars(ref, ref + MAX_SHORTEST_TEXT, v).ptr;
  if (mineEnd - mine == refEnd - ref && std::memcmp(mine, ref, size_t(refEnd - ref)) == 0)
    return true;
  return reportShortest(isFloat, bits, mine, mineEnd, ref, refEnd);
}

// Every writer on the double d, and on the float nearest it.
void checkEveryWriter(double d) {
  uint64_t db;
  std::memcpy(&db, &d, sizeof db);
  check(d, false, db);
  checkShortest(d, db);
  const float f = float(d);
  uint32_t fb;
  std::memcpy(&fb, &f, sizeof fb);
  check(double(f), true, fb);
  checkShortest(f, fb);
}

// The chosen values, each with both signs and its two neighbours on each side;
// returns how many doubles that checked.
uint64_t checkChosenValues() {
  std::vector<double> values = {0.0,
                                DBL_MIN,
                                DBL_TRUE_MIN,
                                DBL_MAX,
                                FLT_MIN,
                                FLT_TRUE_MIN,
                                FLT_MAX,
                                -21.46,
                                -38.6,
                                0.1,
                                0.3,
                                1e-5,
                                1e-4,
                                1e23,
                                9007199254740993.0,
                                4.9406564584124654e-324,
                                2.2250738585072009e-308};
  for (int e = -1074; e <= 1023; ++e) values.push_back(std::ldexp(1.0, e));
  for (int e = -323; e <= 308; ++e) values.push_back(std::pow(10.0, e));
  for (double i = 1; i <= 100000; ++i) values.push_back(i);  // whole numbers, then larger ones
  for (double i = 1; i <= 9007199254740992.0; i = i * 3 + 1) values.push_back(i);
  for (int i = 1; i <= 100000; ++i) values.push_back(i / 100.0);  // two decimals: -21.46
  for (uint64_t b = 1; b < 100000; ++b) {                         // subnormals
    double d;
    std::memcpy(&d, &b, sizeof d);
    values.push_back(d);
  }
  uint64_t checked = 0;
  for (double v : values)
    for (double sign : {1.0, -1.0}) {
      double lo = sign * v, hi = sign * v;
      checkEveryWriter(lo);
      for (int i = 0; i < 2; ++i) {
        lo = std::nextafter(lo, -INFINITY);
        hi = std::nextafter(hi, INFINITY);
        checkEveryWriter(lo);
        checkEveryWriter(hi);
      }
      checked += 5;
    }
  return checked;
}

void worker(uint64_t n, uint64_t seed) {
  std::mt19937_64 rng(seed);
  uint64_t done = 0;
  for (uint64_t i = 0; i < n; ++i) {
    const uint64_t r = rng();
    const uint32_t fb = uint32_t(r >> 32);
    float f;
    std::memcpy(&f, &fb, sizeof f);
    check(double(f), true, fb);
    checkShortest(f, fb);
    const uint64_t db = rng();
    double d;
    std::memcpy(&d, &db, sizeof d);
    check(d, false, db);
    checkShortest(d, db);
    if (++done == 1 << 16) {  // batch the shared counter update
      gChecked += 2 * done;
      done = 0;
    }
  }
  gChecked += 2 * done;
}

// Checks the float bit patterns t, t + kThreads, t + 2 * kThreads, ... below 2^32.
void everyFloatWorker(uint32_t t) {
  uint64_t done = 0;
  for (uint64_t bits = t; bits < (uint64_t(1) << 32); bits += kThreads) {
    const uint32_t fb = uint32_t(bits);
    float f;
    std::memcpy(&f, &fb, sizeof f);
    check(double(f), true, fb);
    checkShortest(f, fb);
    if (++done == 1 << 16) {
      gChecked += done;
      done = 0;
    }
  }
  gChecked += done;
}

}  // namespace

int main(int argc, char** argv) {
  const bool everyFloat = argc > 1 && std::strcmp(argv[1], "floats") == 0;
  const uint64_t n = everyFloat ? 0 : argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000000ull;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  const auto start = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  if (!everyFloat)
    std::printf("chosen values: %" PRIu64 " doubles and the floats nearest them checked, %" PRIu64
                " mismatches\n",
                checkChosenValues(), gMismatches.load());
  std::thread threads[kThreads];
  for (int t = 0; t < kThreads; ++t)
    threads[t] = everyFloat ? std::thread(everyFloatWorker, uint32_t(t))
                            : std::thread(worker, n / kThreads + (uint64_t(t) < n % kThreads),
                                          seed * kThreads + uint64_t(t));
  const uint64_t total = everyFloat ? uint64_t(1) << 32 : 2 * n;
  while (gChecked < total) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    static double lastReport = 0;
    if (elapsed() - lastReport >= 10) {
      lastReport = elapsed();
      std::printf("progress: %" PRIu64 " / %" PRIu64 " checked, %" PRIu64 " mismatches, %.0f s\n",
                  gChecked.load(), total, gMismatches.load(), lastReport);
      std::fflush(stdout);
    }
  }
  for (auto& t : threads) t.join();
  if (everyFloat)
    std::printf("done: every float bit pattern (%" PRIu64
                ") checked (fixed-6 and shortest), %" PRIu64 " mismatches, %.1f s\n",
                total, gMismatches.load(), elapsed());
  else
    std::printf("done: %" PRIu64 " floats + %" PRIu64
                " doubles checked (fixed-6 and shortest), %" PRIu64 " mismatches, %.1f s\n",
                n, n, gMismatches.load(), elapsed());
  return gMismatches ? 1 : 0;
}
