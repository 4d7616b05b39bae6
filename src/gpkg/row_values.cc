#include "gpkg/row_values.h"

#include "gpkg/database.h"
#include "json/json_text.h"
#include "rows/field_values.h"
#include "rows/value_reader.h"

namespace {

// Latin-1 bytes as UTF-8 at p: a byte below 0x80 is itself, any other two
// bytes. Returns the end; p has room for 2 * n bytes.
char* utf8FromLatin1(char* p, const unsigned char* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const unsigned char b = bytes[i];
    if (b < 0x80) {
      *p++ = static_cast<char>(b);
    } else {
      *p++ = static_cast<char>(0xC0 | b >> 6);
      *p++ = static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return p;
}

void holdRange(RowValues& row, int parameter, size_t offset, bool trim) {
  size_t end = row.text.used;
  if (trim)
    while (end > offset && row.text.data[end - 1] == ' ') --end;
  row.text.used = end;
  row.texts.push_back({parameter, offset, end - offset});
}

// n bytes of text from the table, read piece by piece as the buffer is
// refilled; the data may end first, which cuts the row.
void readText(TableStream& table, RowValues& row, int parameter, int64_t n, bool trim) {
  const size_t offset = row.text.used;
  const bool whole = takeInPieces(table, n, [&](const unsigned char* bytes, size_t piece) {
    endHeld(row.text, utf8FromLatin1(beginHeld(row.text, 2 * piece), bytes, piece));
  });
  if (whole) holdRange(row, parameter, offset, trim);
}

void bindFiniteOrNull(RowValues& row, int parameter, double v, bool finite) {
  if (finite)
    bindDouble(row.statement, parameter, v);
  else
    bindNull(row.statement, parameter);
}

// A value bound as the JSON text that the JSON outputs write for it.
void valueAsJson(TableStream& table, RowValues& row, const ValueColumn& column) {
  const size_t offset = row.text.used;
  column.json.write(table, &row.text, column.json);
  if (table.readStatus == 1) holdRange(row, column.parameter, offset, false);
}

void valueText(TableStream& table, RowValues& row, const ValueColumn& column) {
  const int32_t count = column.json.count;
  const int32_t n = listLength(table, count, 1);
  // Text of a fixed length is padded with spaces: they are not the value's.
  if (n >= 0) readText(table, row, column.parameter, n, count != VARIABLE_COUNT);
}

void valueDate(TableStream& table, RowValues& row, const ValueColumn& column) {
  readText(table, row, column.parameter, 20, true);
}

void valueFloat(TableStream& table, RowValues& row, const ValueColumn& column) {
  const float v = readFloat(table);
  if (table.readStatus == 1) bindFiniteOrNull(row, column.parameter, v, isFiniteValue(v));
}

void valueDouble(TableStream& table, RowValues& row, const ValueColumn& column) {
  const double v = readDouble(table);
  if (table.readStatus == 1) bindFiniteOrNull(row, column.parameter, v, isFiniteValue(v));
}

void valueShort(TableStream& table, RowValues& row, const ValueColumn& column) {
  const int16_t v = readShort(table);
  if (table.readStatus != 1) return;
  bindInteger(row.statement, column.parameter, v);
  if (column.key != nullptr) *column.key = v;
}

void valueLong(TableStream& table, RowValues& row, const ValueColumn& column) {
  const int32_t v = readLong(table);
  if (table.readStatus != 1) return;
  bindInteger(row.statement, column.parameter, v);
  if (column.key != nullptr) *column.key = v;
}

void valueNull(TableStream&, RowValues& row, const ValueColumn& column) {
  bindNull(row.statement, column.parameter);
}

// The reader of a column: single numbers bound as numbers, lists and the
// other types as their JSON text.
ValueReader readerFor(char type, int32_t count) {
  switch (type) {
    case 'T': return valueText;
    case 'D': return valueDate;
    case 'F': return valueFloat;
    case 'X': return valueNull;
    case 'R': return count == 1 ? valueDouble : valueAsJson;
    case 'S': return count == 1 ? valueShort : valueAsJson;
    case 'I': return count == 1 ? valueLong : valueAsJson;
    default: return valueAsJson;
  }
}

}  // namespace

std::vector<ValueColumn> planRowValues(const Table& table, RowValues& row, int firstParameter,
                                       const int* keyColumn, int keyColumns, int64_t* keys) {
  std::vector<ValueColumn> columns;
  for (int i = 0; i < table.columns.columnTotal; ++i) {
    const char type = table.header.column[i].type[0];
    const int32_t count = table.columns.columnCount[i];
    int64_t* key = nullptr;
    for (int k = 0; k < keyColumns; ++k)
      if (keyColumn[k] == i) key = &keys[k];
    ValueColumn column;
    column.read = readerFor(type, count);
    column.parameter = firstParameter + i;
    column.key = key;
    // A key column's JSON writer leaves its key (the first element of a
    // list, a triplet's id) in keyValue.
    column.json = {key != nullptr ? keyWriterForType(type) : jsonWriterForType(type), &row.text,
                   count, KeyText{}, key};
    columns.push_back(column);
  }
  return columns;
}

bool readRowValues(TableStream& table, RowValues& row, const std::vector<ValueColumn>& columns) {
  row.text.used = 0;
  row.texts.clear();
  table.readStatus = 1;
  for (const ValueColumn& column : columns) {
    column.read(table, row, column);
    if (table.readStatus != 1) return false;
  }
  return true;
}

void holdText(RowValues& row, int parameter, const char* bytes, size_t n, bool trim) {
  const size_t offset = row.text.used;
  char* p = beginHeld(row.text, 2 * n);
  endHeld(row.text, utf8FromLatin1(p, reinterpret_cast<const unsigned char*>(bytes), n));
  holdRange(row, parameter, offset, trim);
}

std::string utf8Text(const std::string& latin1) {
  std::string text(2 * latin1.size(), '\0');
  const char* end = utf8FromLatin1(&text[0], reinterpret_cast<const unsigned char*>(latin1.data()),
                                   latin1.size());
  text.resize(end - text.data());
  return text;
}

void bindRowTexts(RowValues& row) {
  for (const HeldValue& value : row.texts)
    bindText(row.statement, value.parameter, row.text.data + value.offset, value.length);
}
