// libFuzzer entry points: every input is one whole run of the tool, and a
// run that ends outside the rules aborts, so that the fuzzer keeps it.
#include <cstdint>
#include <cstdlib>

#include "run_checks.h"

namespace {

std::FILE* reports = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  reports = initHarness();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RunOutcome outcome = runOneInput(data, size);
  if (!outcome.problem.empty()) {
    std::fprintf(reports, "fuzz harness: %s (status %d)\n", outcome.problem.c_str(),
                 outcome.status);
    std::fflush(reports);
    std::abort();
  }
  return 0;
}
