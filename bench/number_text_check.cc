// Check of writeFixed6 and writeFixed6Float against glibc snprintf("%f").
// Usage: number_text_check [N=100000000] [seed=1]. Checks N random float bit patterns
// (widened to double) and N random double bit patterns, split over 2 threads.
// number_text_check floats: checks writeFixed6Float on every one of the 2^32 float
// bit patterns instead (about half an hour on 2 cores).
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

#include "output/number_text.h"

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

void worker(uint64_t n, uint64_t seed) {
  std::mt19937_64 rng(seed);
  uint64_t done = 0;
  for (uint64_t i = 0; i < n; ++i) {
    const uint64_t r = rng();
    const uint32_t fb = uint32_t(r >> 32);
    float f;
    std::memcpy(&f, &fb, sizeof f);
    check(double(f), true, fb);
    const uint64_t db = rng();
    double d;
    std::memcpy(&d, &db, sizeof d);
    check(d, false, db);
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
    std::printf("done: every float bit pattern (%" PRIu64 ") checked, %" PRIu64
                " mismatches, %.1f s\n",
                total, gMismatches.load(), elapsed());
  else
    std::printf("done: %" PRIu64 " floats + %" PRIu64 " doubles checked, %" PRIu64
                " mismatches, %.1f s\n",
                n, n, gMismatches.load(), elapsed());
  return gMismatches ? 1 : 0;
}
