// The one place a run ends the process. The fuzz build links its own
// version, which returns to the fuzzer instead.
#include <cstdlib>

#include "main/run_control.h"

void endRun(int status) {
  standardOutputFailed();  // the status stays the run's own even if this fails
  std::exit(status);
}
