// The one place a run ends the process. The fuzz build links its own
// version, which returns to the fuzzer instead.
#include <cstdlib>

#include "run/run_control.h"

void endRun(int status) { std::exit(finishRunOutput(status)); }
