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

// For each column: its writer, the text that comes before its value (the
// key, with a comma unless it opens its object), and where its text goes.
// The key texts are copied whole, KEY_TEXT bytes at once, and then cut to
// their length.
constexpr size_t KEY_TEXT = 48;
JsonWriter columnWriter[MAX_COLUMNS];
char keyText[MAX_COLUMNS][KEY_TEXT];
uint8_t keyLength[MAX_COLUMNS];
HeldText* columnText[MAX_COLUMNS];

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
      columnWriter[i] = geometryWriterForType(type);
      columnText[i] = &jsonText;
      keyLength[i] = 0;
      continue;
    }
    columnWriter[i] = jsonWriterForType(type);
    columnText[i] = format == FORMAT_GEOJSON ? &propertiesText : &jsonText;
    const int n =
        std::snprintf(keyText[i], sizeof keyText[i], "%s\"%s\":", first ? "" : ",", columnKey[i]);
    keyLength[i] = static_cast<uint8_t>(n);
    first = false;
  }
}

// The start of a row's text: the comma and line end that part it from the
// row before, where the format has them, and the row's own opening.
void openRow(OutputFormat format, int64_t row, bool firstWritten, bool hasGeometry) {
  if (format != FORMAT_JSONL) putHeld(jsonText, firstWritten ? "\n" : ",\n");
  if (format != FORMAT_GEOJSON) {
    putHeldChar(jsonText, '{');
    return;
  }
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
    putHeld(jsonText, ",\"properties\":{");
    putHeld(jsonText, propertiesText.data, propertiesText.used);
    putHeld(jsonText, "}}", 2);
  }
}

// Writes a column's key text before its value.
inline void putKey(HeldText& out, int i) {
  std::memcpy(beginHeld(out, KEY_TEXT), keyText[i], KEY_TEXT);
  out.used += keyLength[i];
}

}  // namespace

void flushJsonText() {
  putBlock(standardOutput, jsonText.data, jsonText.used);
  jsonText.used = 0;
}

JsonRows writeJsonRows(TableStream& table, OutputFormat format, int64_t firstRec, int64_t lastRec) {
  const int geometry = geometryColumn(format);
  prepareColumns(format, geometry);
  measureData(table);
  JsonRows rows;
  while (!standardOutput.failed && !atEndOfData(table)) {
    const int64_t row = rows.records + 1;
    const bool wanted = row >= firstRec && row <= lastRec;
    const size_t rowStart = jsonText.used;
    const int64_t dataStart = tablePosition(table);
    table.readStatus = 1;
    if (wanted) openRow(format, row, rows.written == 0, geometry >= 0);
    if (wanted) {
      for (int i = 0; i < columnTotal && table.readStatus == 1; ++i) {
        putKey(*columnText[i], i);
        columnWriter[i](table, columnText[i], columnCount[i]);
      }
    } else {
      for (int i = 0; i < columnTotal && table.readStatus == 1; ++i)
        columnWriter[i](table, nullptr, columnCount[i]);
    }
    if (table.readStatus != 1 || tablePosition(table) == dataStart) {
      // The data ended inside the row, or the row took no byte: it is taken
      // back, and the rows end here.
      jsonText.used = rowStart;
      if (table.readStatus != 1) rows.cutRow = row;
      break;
    }
    ++rows.records;
    if (!wanted) continue;
    closeRow(format);
    ++rows.written;
    if (jsonText.used >= OUTPUT_BUFFER_SIZE) flushJsonText();
  }
  return rows;
}
