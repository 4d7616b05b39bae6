#include "rows/row_loop.h"

#include "output/output_stream.h"

int64_t dumpRows(TableStream& table, const FieldHandler* columnHandler, const int32_t* columnCount,
                 int columnTotal, int32_t firstRec, int32_t lastRec) {
  putText(standardOutput, "\n**DCWdata ===========================\n\n");
  table.readStatus = 1;
  int64_t rowNumber = 0;
  // The data ends after the first row in which a multi-byte read found no
  // byte. A row that took no byte at all ends it too: the next row would
  // be the same, for ever. So does a failed write: nothing more is seen.
  while (table.readStatus == 1) {
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
  // The row in which the data ended is written but not counted.
  return rowNumber - 1;
}
