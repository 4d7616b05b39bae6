#include "json/json_document.h"

#include "header/column_table.h"
#include "header/table_header.h"
#include "json/column_keys.h"
#include "json/json_text.h"
#include "output/number_text.h"

namespace {

// One member "name":"text" of an object, with the comma before it.
void putMember(HeldText& out, const char* name, const char* text) {
  putHeldChar(out, ',');
  putJsonString(out, name);
  putHeldChar(out, ':');
  putJsonString(out, text);
}

// A column's definition: its key, its letters, its count (null where each
// row holds its own), and the texts its definition gives.
void putColumn(HeldText& out, int i) {
  const ColumnDefinition& column = headerText.column[i];
  putHeld(out, "{\"name\":");
  putJsonString(out, columnKey[i]);
  putMember(out, "type", column.type);
  putHeld(out, ",\"count\":");
  if (columnCount[i] == VARIABLE_COUNT)
    putHeld(out, "null");
  else
    endHeld(out, writeInt(beginHeld(out, 12), columnCount[i]));
  putMember(out, "key", column.key);
  putMember(out, "description", column.description);
  putMember(out, "valueTable", column.valueTable);
  putMember(out, "thematicIndex", column.thematicIndex);
  if (column.narrativeTable[0] != '\0') putMember(out, "narrativeTable", column.narrativeTable);
  putHeldChar(out, '}');
}

}  // namespace

void startDocument(HeldText& out, OutputFormat format, bool bigEndian) {
  if (format == FORMAT_GEOJSON) putHeld(out, "{\"type\":\"FeatureCollection\",\"features\":[");
  if (format != FORMAT_JSON) return;
  putHeld(out, "{\"description\":");
  putJsonString(out, headerText.description);
  putMember(out, "narrativeTable", headerText.narrativeTable);
  putMember(out, "byteOrder", bigEndian ? "big" : "little");
  putHeld(out, ",\"columns\":[");
  for (int i = 0; i < columnTotal; ++i) {
    putHeld(out, i == 0 ? "\n" : ",\n");
    putColumn(out, i);
  }
  putHeld(out, columnTotal > 0 ? "\n],\"rows\":[" : "],\"rows\":[");
}

void endDocument(HeldText& out, OutputFormat format, int64_t written, int64_t records) {
  if (format == FORMAT_JSONL) return;
  if (written > 0) putHeldChar(out, '\n');
  if (format == FORMAT_GEOJSON) {
    putHeld(out, "]}\n");
    return;
  }
  putHeld(out, "],\"records\":");
  endHeld(out, writeInt64(beginHeld(out, 21), records));
  putHeld(out, "}\n");
}
