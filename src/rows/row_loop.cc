#include "rows/row_loop.h"

#include <cstring>

#include "output/number_text.h"
#include "output/output_stream.h"

namespace {

constexpr char kRowMarkerHead[] = "**DCWrow ------------ ";
constexpr size_t kRowMarkerHeadLength = sizeof kRowMarkerHead - 1;
constexpr char kRowMarkerTail[] = " ----\n";
constexpr size_t kRowMarkerTailLength = sizeof kRowMarkerTail - 1;

// The end of a row marker, "N ----\n", kept as text for the next row
// written: rows are written in order, so the number is counted up in its
// digits instead of being converted afresh for every row.
struct RowMarker {
  int64_t number = 0;  // the number the digits spell
  size_t length = 0;   // bytes of text in use: the digits and the tail
  char text[32] = {};  // room for 20 digits, the tail, and a fixed-size copy
};

// Spells number afresh.
void setRowNumber(RowMarker& marker, int64_t number) {
  char* digitsEnd = writeInt64(marker.text, number);
  std::memcpy(digitsEnd, kRowMarkerTail, kRowMarkerTailLength);
  marker.length = digitsEnd - marker.text + kRowMarkerTailLength;
  marker.number = number;
}

// Adds one to the number in its digits; a carry out of the first digit
// spells it afresh.
void countRow(RowMarker& marker) {
  for (size_t i = marker.length - kRowMarkerTailLength; i-- > 0;) {
    if (marker.text[i] != '9') {
      ++marker.text[i];
      ++marker.number;
      return;
    }
    marker.text[i] = '0';
  }
  setRowNumber(marker, marker.number + 1);
}

// Writes "**DCWrow ------------ %d ----\n" for row rowNumber to out; only
// the rows written are spelled.
void putRowMarker(OutputStream& out, RowMarker& marker, int64_t rowNumber) {
  if (discards(out)) return;
  if (marker.number != rowNumber) setRowNumber(marker, rowNumber);
  char* p = beginLine(out);
  std::memcpy(p, kRowMarkerHead, kRowMarkerHeadLength);
  std::memcpy(p + kRowMarkerHeadLength, marker.text, sizeof marker.text);
  endLine(out, p + kRowMarkerHeadLength + marker.length);
  countRow(marker);
}

}  // namespace

int64_t dumpRows(TableStream& table, const FieldHandler* columnHandler, const int32_t* columnCount,
                 int columnTotal, int32_t firstRec, int32_t lastRec) {
  putText(standardOutput, "\n**DCWdata ===========================\n\n");
  table.readStatus = 1;
  int64_t rowNumber = 0;
  RowMarker marker;
  // The data ends after the first row in which a multi-byte read found no
  // byte. A row that took no byte at all ends it too: the next row would
  // be the same, for ever. So does a failed write: nothing more is seen.
  while (table.readStatus == 1) {
    ++rowNumber;
    OutputStream& rowOut =
        rowNumber < firstRec || rowNumber > lastRec ? discardSink : standardOutput;
    int64_t rowStart = tablePosition(table);
    putRowMarker(rowOut, marker, rowNumber);
    for (int i = 0; i < columnTotal; ++i) columnHandler[i](table, rowOut, columnCount[i]);
    if (tablePosition(table) == rowStart || standardOutput.failed) break;
  }
  // The row in which the data ended is written but not counted.
  return rowNumber - 1;
}
