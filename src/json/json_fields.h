// One JSON writer per column type: each reads one column value of a row
// through the value reader and writes it as JSON.
#pragma once

#include <cstdint>

#include "json/column_keys.h"
#include "output/held_text.h"
#include "rows/table_stream.h"

// Reads one value and writes its key and its JSON to out; with out nullptr
// (a row outside the record range) the value is only read past. count is
// the column's count, VARIABLE_COUNT for "*". A writer that finds the data
// ended leaves the table's readStatus at 0: the row is cut, and what the
// writer wrote is to be taken back.
using JsonWriter = void (*)(TableStream& table, HeldText* out, int32_t count, const KeyText& key);

// The writer for a type letter of the header; nullptr for any other letter.
JsonWriter jsonWriterForType(char type);

// The GeoJSON geometry of a coordinate column (C, Z, B or Y): a Point, a
// LineString, or null; nullptr for any other letter.
JsonWriter geometryWriterForType(char type);

// True for the letters of the coordinate columns, C, Z, B and Y.
bool isCoordinateType(char type);
