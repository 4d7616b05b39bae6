#include "main/write_data.h"

#include <cinttypes>
#include <cstdio>

#include "header/column_keys.h"
#include "json/json_document.h"
#include "json/json_rows.h"
#include "main/command_line.h"
#include "main/run_control.h"
#include "output/held_text.h"
#include "output/output_stream.h"
#include "rows/table_stream.h"

void writeData(Table& table, const char* path, OutputFormat format) {
  useBinaryStandardOutput();
  jsonText.used = 0;
  // Standard output holds nothing but the document: no column section,
  // and nothing at all for a table whose header is not valid.
  readTableHeader(table, laterEdition, discardSink);
  makeColumnKeys(table);

  heldTextExhausted = outOfMemoryExit;
  startDocument(jsonText, format, table);
  // -l 2147483647, the default here, has no end: every row is written.
  const JsonRows rows =
      writeJsonRows(table, format, firstRec, lastRec == INT32_MAX ? INT64_MAX : lastRec, nullptr);
  // The document is closed after the last complete row, however the rows
  // ended, so that what was written is valid JSON.
  endDocument(jsonText, format, rows.written, rows.records);
  flushJsonText();

  if (readFailed(table.stream)) readFailedExit(path);
  if (standardOutputFailed()) writeFailedExit();
  if (rows.cutRow > 0) cutRowExit(rows.cutRow);
  std::fprintf(stderr, "%" PRId64 " Records processed\n", rows.records);
  endRun(EXIT_DUMPED);
}
