// Every run-wide value of the tool and its value at program start. A value
// added to the tool must be added here too, or runs leak into each other.
#include "header/column_table.h"
#include "header/table_header.h"
#include "main/command_line.h"
#include "main/output_stream.h"
#include "rows/table_stream.h"
#include "rows/value_reader.h"
#include "run_ended.h"

namespace {

void resetStream(OutputStream& out) {
  out.file = nullptr;
  out.failed = false;
  out.used = 0;
}

}  // namespace

void resetRunState() {
  swapBytes = false;
  for (int i = 0; i < MAX_COLUMNS; ++i) {
    columnHandler[i] = nullptr;
    columnCount[i] = 0;
  }
  columnTotal = 0;
  firstRec = -1;
  lastRec = 99999;
  laterEdition = false;
  readStatus = 1;
  resetStream(standardOutput);
  resetStream(discardSink);
  tableStream.file = nullptr;
  tableStream.path = nullptr;
  tableStream.next = tableStream.end = nullptr;
  tableStream.bufferStart = 0;
  tableStream.ended = false;
}
