// What frames the rows in each JSON output: nothing around the lines of
// jsonl; the table's description, byte order and columns before the rows
// of json, and the record count after them; the FeatureCollection of
// geojson.
#pragma once

#include <cstdint>

#include "main/command_line.h"
#include "output/held_text.h"

// Writes what comes before the first row. The header has been read: its
// texts are in headerText, the keys in columnKey.
void startDocument(HeldText& out, OutputFormat format, bool bigEndian);

// Writes what comes after the last row, given how many rows were written
// and the record count.
void endDocument(HeldText& out, OutputFormat format, int64_t written, int64_t records);
