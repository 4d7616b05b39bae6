#include "main/write_data.h"

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <new>

#include "header/column_keys.h"
#include "json/json_document.h"
#include "json/json_rows.h"
#include "main/command_line.h"
#include "main/feature_drawing.h"
#include "output/held_text.h"
#include "output/output_stream.h"
#include "rows/table_stream.h"
#include "run/run_control.h"

void writeData(Table& table, const char* path, OutputFormat format) {
  useBinaryStandardOutput();
  jsonText.used = 0;
  // Standard output holds nothing but the document: no column section,
  // and nothing at all for a table whose header is not valid.
  readTableHeader(table, laterEdition, discardSink);
  makeColumnKeys(table);

  heldTextExhausted = outOfMemoryExit;
  std::set_new_handler(outOfMemoryExit);
  // A feature table's features get their geometry from the primitives of
  // its coverage: the tables every feature needs are read first.
  std::unique_ptr<LayerDrawing> drawing(new LayerDrawing());
  const GeometrySource* geometry =
      format == FORMAT_GEOJSON ? openLayerDrawing(*drawing, path, table) : nullptr;
  startDocument(jsonText, format, table);
  // -l 2147483647, the default here, has no end: every row is written.
  const JsonRows rows =
      writeJsonRows(table, format, firstRec, lastRec == INT32_MAX ? INT64_MAX : lastRec, geometry);
  // The document is closed after the last complete row, however the rows
  // ended, so that what was written is valid JSON.
  endDocument(jsonText, format, rows.written, rows.records);
  flushJsonText();

  if (readFailed(table.stream)) readFailedExit(path);
  if (standardOutputFailed()) writeFailedExit();
  if (rows.cutRow > 0)
    writeCutRow(rows.cutRow);
  else
    std::fprintf(stderr, "%" PRId64 " Records processed\n", rows.records);
  // The features that could not be drawn have the last word.
  const bool missing = reportMissingGeometry(*drawing);
  endRun(rows.cutRow > 0 || missing ? EXIT_INVALID_TABLE : EXIT_DUMPED);
}
