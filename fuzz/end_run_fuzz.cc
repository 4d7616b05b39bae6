// endRun for the fuzz build: the run ends as the process would end it
// (output flushed, table closed), then control returns to the harness.
#include "main/output_stream.h"
#include "main/run_control.h"
#include "rows/table_stream.h"
#include "run_ended.h"

void endRun(int status) {
  standardOutputFailed();  // the status stays the run's own even if this fails
  if (tableStream.file != nullptr) std::fclose(tableStream.file);
  resetRunState();
  throw RunEnded{status};
}
