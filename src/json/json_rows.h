// The rows of the JSON outputs: every complete row of the table, in order.
#pragma once

#include <cstdint>

#include "main/command_line.h"
#include "output/held_text.h"
#include "rows/table_stream.h"

// The text of the JSON output, gathered here and handed to standard output
// in large blocks, each of whole rows: a row is held until it is complete.
extern HeldText jsonText;

// Hands the text gathered in jsonText to standard output.
void flushJsonText();

struct JsonRows {
  int64_t records = 0;  // complete rows, those outside the record range too
  int64_t written = 0;  // rows written
  int64_t cutRow = 0;   // the row the end of the data cut, 0 when none did
};

// Writes the rows firstRec to lastRec in format (json, jsonl or geojson)
// into jsonText, from the table's first data byte to the end of its data.
// Only complete rows are written: the data ends where a row would start
// (or a row takes no byte at all), or inside a row, which is then the cut
// row. A failed write of standard output ends the rows too.
JsonRows writeJsonRows(TableStream& table, OutputFormat format, int64_t firstRec, int64_t lastRec);
