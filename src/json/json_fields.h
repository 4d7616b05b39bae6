// One JSON writer per column type: each reads one column value of a row
// through the value reader and writes it as JSON.
#pragma once

#include <cstdint>

#include "json/key_text.h"
#include "output/held_text.h"
#include "rows/field_values.h"
#include "rows/table_stream.h"

struct JsonColumn;

// Reads one value of column and writes its key and its JSON to out; with
// out nullptr (a row outside the record range) the value is only read
// past. A writer that finds the data ended leaves the table's readStatus at
// 0: the row is cut, and what the writer wrote is to be taken back.
using JsonWriter = void (*)(TableStream& table, HeldText* out, const JsonColumn& column);

// What the rows need of each column, side by side: its writer, where its
// text goes, its count (VARIABLE_COUNT for "*"), the text that comes before
// its value, and for a key that a join reads, where its value goes.
struct JsonColumn {
  JsonWriter write;
  HeldText* text;
  int32_t count;
  KeyText key;
  int64_t* keyValue;
};

// The writer for a type letter of the header; nullptr for any other letter.
JsonWriter jsonWriterForType(char type);

// The writer of a key column: as jsonWriterForType's, and for I and S (the
// first element) and K (the id) it also leaves the value in the column's
// keyValue. For the other letters, the plain writer.
JsonWriter keyWriterForType(char type);

// The GeoJSON geometry of a coordinate column (C, Z, B or Y): a Point, a
// LineString, or null; nullptr for any other letter.
JsonWriter geometryWriterForType(char type);
