// What frames the rows in each JSON output: nothing around the lines of
// jsonl; the table's description, byte order and columns before the rows
// of json, and the record count after them; the FeatureCollection of
// geojson.
#pragma once

#include <cstdint>

#include "header/table_header.h"
#include "output/held_text.h"
#include "output/output_format.h"

// Writes what comes before the first row of the table, whose header has
// been read and whose column keys made.
void startDocument(HeldText& out, OutputFormat format, const Table& table);

// Writes what comes after the last row, given how many rows were written
// and the record count.
void endDocument(HeldText& out, OutputFormat format, int64_t written, int64_t records);
