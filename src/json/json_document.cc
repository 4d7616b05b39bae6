#include "json/json_document.h"

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
void putColumn(HeldText& out, const Table& table, int i) {
  const ColumnDefinition& column = table.header.column[i];
  const int32_t count = table.columns.columnCount[i];
  putHeld(out, "{\"name\":");
  putJsonString(out, table.columnKey[i]);
  putMember(out, "type", column.type);
  putHeld(out, ",\"count\":");
  if (count == VARIABLE_COUNT)
    putHeld(out, "null");
  else
    endHeld(out, writeInt(beginHeld(out, 12), count));
  putMember(out, "key", column.key);
  putMember(out, "description", column.description);
  putMember(out, "valueTable", column.valueTable);
  putMember(out, "thematicIndex", column.thematicIndex);
  if (column.narrativeTable[0] != '\0') putMember(out, "narrativeTable", column.narrativeTable);
  putHeldChar(out, '}');
}

}  // namespace

void startDocument(HeldText& out, OutputFormat format, const Table& table) {
  if (format == FORMAT_GEOJSON) putHeld(out, "{\"type\":\"FeatureCollection\",\"features\":[");
  if (format != FORMAT_JSON) return;
  const int columnTotal = table.columns.columnTotal;
  putHeld(out, "{\"description\":");
  putJsonString(out, table.header.description);
  putMember(out, "narrativeTable", table.header.narrativeTable);
  putMember(out, "byteOrder", table.stream.swapBytes ? "big" : "little");
  putHeld(out, ",\"columns\":[");
  for (int i = 0; i < columnTotal; ++i) {
    putHeld(out, i == 0 ? "\n" : ",\n");
    putColumn(out, table, i);
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
