// The rows of the JSON outputs: every complete row of the table, in order.
#pragma once

#include <cstdint>

#include "header/table_header.h"
#include "output/held_text.h"
#include "output/output_format.h"

// The text of the JSON output, gathered here and handed to standard output
// in large blocks, each of whole rows: a row is held until it is complete.
extern HeldText jsonText;

// Hands the text gathered in jsonText to standard output.
void flushJsonText();

// Where the features of a GeoJSON layer get their geometry when it lies in
// other tables (a feature table's, drawn by a join): the columns whose
// values the drawing needs, and the routine that draws each feature.
constexpr int MAX_GEOMETRY_KEYS = 2;
struct GeometrySource {
  int keyColumn[MAX_GEOMETRY_KEYS];  // column indexes
  int keyColumns = 0;
  // Writes the geometry of the feature of row `row`, whose key columns held
  // keys (NULL_KEY for no number), at the end of geometry, and the
  // properties it adds, each with the comma before it, at the end of
  // properties.
  void (*draw)(void* context, int64_t row, const int64_t* keys, HeldText& geometry,
               HeldText& properties) = nullptr;
  void* context = nullptr;
};

struct JsonRows {
  int64_t records = 0;  // complete rows, those outside the record range too
  int64_t written = 0;  // rows written
  int64_t cutRow = 0;   // the row the end of the data cut, 0 when none did
};

// Writes the rows firstRec to lastRec of the table, whose header has been
// read, in format (json, jsonl or geojson) into jsonText, from the first
// data byte to the end of the data. Only complete rows are written: the
// data ends where a row would start (or a row takes no byte at all), or
// inside a row, which is then the cut row. A failed write of standard
// output ends the rows too. In geojson, a geometry source (or nullptr)
// draws each feature's geometry; without one, the first coordinate column
// is the geometry.
JsonRows writeJsonRows(Table& table, OutputFormat format, int64_t firstRec, int64_t lastRec,
                       const GeometrySource* source);
