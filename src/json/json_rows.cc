#include "json/json_rows.h"

#include <cstring>

#include "json/json_fields.h"
#include "output/number_text.h"
#include "output/output_stream.h"

HeldText jsonText;

namespace {

// A GeoJSON feature's properties, gathered apart from the feature: its
// geometry comes first, wherever the geometry column is.
HeldText propertiesText;

// The GeoJSON geometry column: the first coordinate column, -1 when none
// (or when the geometry comes from elsewhere).
int geometryColumn(const Table& table, OutputFormat format, const GeometrySource* source) {
  if (format != FORMAT_GEOJSON || source != nullptr) return -1;
  for (int i = 0; i < table.columns.columnTotal; ++i)
    if (isCoordinateType(table.header.column[i].type[0])) return i;
  return -1;
}

// Chooses each column's writer, key text and text for the run; the key
// columns of a geometry source leave their values in keys.
void prepareColumns(const Table& table, OutputFormat format, int geometry,
                    const GeometrySource* source, JsonColumn* jsonColumn, int64_t* keys) {
  bool first = true;
  for (int i = 0; i < table.columns.columnTotal; ++i) {
    const char type = table.header.column[i].type[0];
    const int32_t count = table.columns.columnCount[i];
    if (i == geometry) {
      jsonColumn[i] = {geometryWriterForType(type), &jsonText, count, KeyText{}, nullptr};
      continue;
    }
    HeldText* text = format == FORMAT_GEOJSON ? &propertiesText : &jsonText;
    jsonColumn[i] = {jsonWriterForType(type), text, count, makeKeyText(table.columnKey[i], first),
                     nullptr};
    first = false;
  }
  for (int k = 0; source != nullptr && k < source->keyColumns; ++k) {
    if (source->keyColumn[k] < 0) continue;  // the table has no such column
    JsonColumn& column = jsonColumn[source->keyColumn[k]];
    column.write = keyWriterForType(table.header.column[source->keyColumn[k]].type[0]);
    column.keyValue = &keys[k];
  }
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

JsonRows writeJsonRows(Table& source, OutputFormat format, int64_t firstRec, int64_t lastRec,
                       const GeometrySource* geometrySource) {
  TableStream& table = source.stream;
  const int geometry = geometryColumn(source, format, geometrySource);
  JsonColumn jsonColumn[MAX_COLUMNS];
  int64_t keys[MAX_GEOMETRY_KEYS] = {NULL_KEY, NULL_KEY};
  prepareColumns(source, format, geometry, geometrySource, jsonColumn, keys);
  const JsonColumn* const columnsEnd = jsonColumn + source.columns.columnTotal;
  measureData(table);
  JsonRows rows;
  // A row that takes no byte ends the rows without being one, and then so
  // does the first: no row of these columns takes a byte.
  if (!rowsTakeBytes(source)) return rows;
  int64_t records = 0, written = 0;
  while (!atEndOfData(table)) {
    const int64_t row = records + 1;
    const bool wanted = row >= firstRec && row <= lastRec;
    const size_t rowStart = jsonText.used;
    table.readStatus = 1;
    if (wanted) {
      openRow(format, row, written == 0, geometry >= 0 || geometrySource != nullptr);
      for (const JsonColumn* c = jsonColumn; c != columnsEnd && table.readStatus == 1; ++c)
        c->write(table, c->text, *c);
    } else {
      for (const JsonColumn* c = jsonColumn; c != columnsEnd && table.readStatus == 1; ++c)
        c->write(table, nullptr, *c);
    }
    if (table.readStatus != 1) {
      // The data ended inside the row: it is taken back, and the rows end.
      jsonText.used = rowStart;
      rows.cutRow = row;
      break;
    }
    ++records;
    if (!wanted) continue;
    if (geometrySource != nullptr)
      geometrySource->draw(geometrySource->context, row, keys, jsonText, propertiesText);
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
