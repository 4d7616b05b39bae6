#include "json/json_rows.h"

#include <cstring>

#include "header/column_table.h"
#include "header/table_header.h"
#include "json/column_keys.h"
#include "json/json_fields.h"
#include "output/number_text.h"
#include "output/output_stream.h"

HeldText jsonText;

namespace {

// A GeoJSON feature's properties, gathered apart from the feature: its
// geometry comes first, wherever the geometry column is.
HeldText propertiesText;

// What the rows need of each column, side by side: its writer, its count,
// where its text goes and the text that comes before its value.
struct JsonColumn {
  JsonWriter write;
  HeldText* text;
  int32_t count;
  KeyText key;
};
JsonColumn jsonColumn[MAX_COLUMNS];

// The GeoJSON geometry column: the first coordinate column, -1 when none.
int geometryColumn(OutputFormat format) {
  if (format != FORMAT_GEOJSON) return -1;
  for (int i = 0; i < columnTotal; ++i)
    if (isCoordinateType(headerText.column[i].type[0])) return i;
  return -1;
}

// Chooses each column's writer, key text and text for the run.
void prepareColumns(OutputFormat format, int geometry) {
  bool first = true;
  for (int i = 0; i < columnTotal; ++i) {
    const char type = headerText.column[i].type[0];
    if (i == geometry) {
      jsonColumn[i] = {geometryWriterForType(type), &jsonText, columnCount[i], KeyText{}};
      continue;
    }
    HeldText* text = format == FORMAT_GEOJSON ? &propertiesText : &jsonText;
    jsonColumn[i] = {jsonWriterForType(type), text, columnCount[i],
                     makeKeyText(columnKey[i], first)};
    first = false;
  }
}

// True when a row of the table's columns takes at least one byte: not all
// of them are X columns or hold a fixed count of 0 elements (F, D and K
// take their bytes whatever their count).
bool rowsTakeBytes() {
  for (int i = 0; i < columnTotal; ++i) {
    const char type = headerText.column[i].type[0];
    if (type != 'X' && (columnCount[i] != 0 || type == 'F' || type == 'D' || type == 'K'))
      return true;
  }
  return false;
}

// The start of a row's text: the comma and line end that part it from the
// row before, where the format has them, and the feature's opening. (The
// row's object is opened by its first column's key text.)
void openRow(OutputFormat format, int64_t row, bool firstWritten, bool hasGeometry) {
  if (format == FORMAT_JSONL) return;
  if (firstWritten)
    putHeldChar(jsonText, '\n');
  else
    putHeld(jsonText, ",\n", 2);
  if (format == FORMAT_JSON) return;
  putHeld(jsonText, "{\"type\":\"Feature\",\"id\":");
  endHeld(jsonText, writeInt64(beginHeld(jsonText, 20), row));
  putHeld(jsonText, ",\"geometry\":");
  if (!hasGeometry) putHeld(jsonText, "null");
  propertiesText.used = 0;
}

void closeRow(OutputFormat format) {
  if (format == FORMAT_JSONL) {
    putHeld(jsonText, "}\n", 2);
  } else if (format == FORMAT_JSON) {
    putHeldChar(jsonText, '}');
  } else {
    // The first property's key text opens the properties' object.
    putHeld(jsonText, ",\"properties\":");
    if (propertiesText.used == 0) putHeldChar(jsonText, '{');
    putHeld(jsonText, propertiesText.data, propertiesText.used);
    putHeld(jsonText, "}}", 2);
  }
}

}  // namespace

void flushJsonText() {
  putBlock(standardOutput, jsonText.data, jsonText.used);
  jsonText.used = 0;
}

JsonRows writeJsonRows(TableStream& table, OutputFormat format, int64_t firstRec, int64_t lastRec) {
  const int geometry = geometryColumn(format);
  prepareColumns(format, geometry);
  const JsonColumn* const columnsEnd = jsonColumn + columnTotal;
  measureData(table);
  JsonRows rows;
  // A row that takes no byte ends the rows without being one, and then so
  // does the first: no row of these columns takes a byte.
  if (!rowsTakeBytes()) return rows;
  int64_t records = 0, written = 0;
  while (!atEndOfData(table)) {
    const int64_t row = records + 1;
    const bool wanted = row >= firstRec && row <= lastRec;
    const size_t rowStart = jsonText.used;
    table.readStatus = 1;
    if (wanted) {
      openRow(format, row, written == 0, geometry >= 0);
      for (const JsonColumn* c = jsonColumn; c != columnsEnd && table.readStatus == 1; ++c)
        c->write(table, c->text, c->count, c->key);
    } else {
      for (const JsonColumn* c = jsonColumn; c != columnsEnd && table.readStatus == 1; ++c)
        c->write(table, nullptr, c->count, c->key);
    }
    if (table.readStatus != 1) {
      // The data ended inside the row: it is taken back, and the rows end.
      jsonText.used = rowStart;
      rows.cutRow = row;
      break;
    }
    ++records;
    if (!wanted) continue;
    closeRow(format);
    ++written;
    if (jsonText.used < OUTPUT_BUFFER_SIZE) continue;
    flushJsonText();
    if (standardOutput.failed) break;  // nothing more can be written
  }
  rows.records = records;
  rows.written = written;
  return rows;
}
