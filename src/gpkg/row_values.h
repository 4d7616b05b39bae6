// The values of a feature table's rows bound to a statement that inserts
// them: each column read through the value reader and bound as the
// GeoPackage holds it (a number, text, or the JSON text of a list, a
// triplet or coordinates), a row's texts held until the row is known to be
// complete.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "header/table_header.h"
#include "json/json_fields.h"
#include "output/held_text.h"

struct RowValues;
struct ValueColumn;

// Reads one value of column and binds it (a text is held in the row
// until bindRowTexts). A reader that finds the data ended leaves the
// table's readStatus at 0.
using ValueReader = void (*)(TableStream& table, RowValues& row, const ValueColumn& column);

struct ValueColumn {
  ValueReader read;
  int parameter;    // the statement's parameter
  int64_t* key;     // where a key column leaves its key, or nullptr
  JsonColumn json;  // the JSON writer of values bound as JSON text
};

// A text of the row, bound once the row is complete.
struct HeldValue {
  int parameter;
  size_t offset, length;
};

struct RowValues {
  sqlite3_stmt* statement = nullptr;
  HeldText text;  // the row's texts, one after another
  std::vector<HeldValue> texts;
};

// Plans the reading of the table's columns (whose keys have been made):
// column i's value goes to parameter firstParameter + i; the columns
// keyColumn[k] (-1 for none) also leave their keys in keys[k].
std::vector<ValueColumn> planRowValues(const Table& table, RowValues& row, int firstParameter,
                                       const int* keyColumn, int keyColumns, int64_t* keys);

// Reads and binds one row's values; false where the data ends inside it.
bool readRowValues(TableStream& table, RowValues& row, const std::vector<ValueColumn>& columns);

// Holds text bytes (Latin-1, each byte 0x80-0xFF one character) as UTF-8
// for parameter; trailing spaces dropped where trim is set.
void holdText(RowValues& row, int parameter, const char* bytes, size_t n, bool trim);

// Latin-1 text as UTF-8, as the values are held.
std::string utf8Text(const std::string& latin1);

// Binds the row's held texts; call when the row is complete.
void bindRowTexts(RowValues& row);
