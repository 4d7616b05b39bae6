#include "main/write_data.h"

#include <cinttypes>
#include <cstdio>

#include "header/column_table.h"
#include "header/table_header.h"
#include "json/column_keys.h"
#include "json/json_document.h"
#include "json/json_rows.h"
#include "main/run_control.h"
#include "output/held_text.h"
#include "output/output_stream.h"
#include "rows/table_stream.h"

void writeData(const char* path, OutputFormat format) {
  useBinaryStandardOutput();
  jsonText.used = 0;
  // Standard output holds nothing but the document: no column section,
  // and nothing at all for a table whose header is not valid.
  readTableHeader(tableStream, laterEdition, discardSink);
  makeColumnKeys(headerText, columnTotal);

  heldTextExhausted = outOfMemoryExit;
  startDocument(jsonText, format, tableStream.swapBytes);
  // -l 2147483647, the default here, has no end: every row is written.
  const JsonRows rows =
      writeJsonRows(tableStream, format, firstRec, lastRec == INT32_MAX ? INT64_MAX : lastRec);
  // The document is closed after the last complete row, however the rows
  // ended, so that what was written is valid JSON.
  endDocument(jsonText, format, rows.written, rows.records);
  flushJsonText();

  if (readFailed(tableStream)) readFailedExit(path);
  if (standardOutputFailed()) writeFailedExit();
  if (rows.cutRow > 0) cutRowExit(rows.cutRow);
  std::fprintf(stderr, "%" PRId64 " Records processed\n", rows.records);
  endRun(EXIT_DUMPED);
}
