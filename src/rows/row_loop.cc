#include "rows/row_loop.h"

#include <cinttypes>
#include <cstdio>

#include "header/column_table.h"
#include "main/command_line.h"
#include "main/output_stream.h"
#include "main/run_control.h"
#include "rows/value_reader.h"

void dumpRows(TableStream& table) {
  putText(standardOutput, "\n**DCWdata ===========================\n\n");
  readStatus = 1;
  int64_t rowNumber = 0;
  // The data ends after the first row in which a multi-byte read found no
  // byte. A row that took no byte at all ends it too: the next row would
  // be the same, for ever.
  while (readStatus == 1) {
    ++rowNumber;
    OutputStream& rowOut =
        rowNumber < firstRec || rowNumber > lastRec ? discardSink : standardOutput;
    int64_t rowStart = tablePosition(table);
    putText(rowOut, "**DCWrow ------------ ");
    putInt64(rowOut, rowNumber);
    putText(rowOut, " ----\n");
    for (int i = 0; i < columnTotal; ++i) columnHandler[i](table, rowOut, columnCount[i]);
    if (tablePosition(table) == rowStart || standardOutput.failed) break;
  }
  putText(standardOutput, "\n**DCWeof ===========================\n\n");
  // The dump above is the table as far as it could be read; the count
  // would say the table ended there.
  if (readFailed(table)) readFailedExit(table.path);
  if (standardOutputFailed()) writeFailedExit();
  std::fprintf(stderr, "%" PRId64 " Records processed\n", rowNumber - 1);
  endRun(EXIT_DUMPED);
}
