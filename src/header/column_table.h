// The columns of a table: for each, the handler that dumps its values and
// the number of elements it holds.
#pragma once

#include <cstdint>

#include "rows/field_handlers.h"

constexpr int MAX_COLUMNS = 100;

struct ColumnTable {
  FieldHandler columnHandler[MAX_COLUMNS];
  int32_t columnCount[MAX_COLUMNS];  // VARIABLE_COUNT for "*"
  int columnTotal = 0;
};

// Empties the table: every header starts a new one.
inline void clearColumns(ColumnTable& columns) { columns.columnTotal = 0; }

// Enters one accepted definition: its type letter picks the handler, its
// count text gives the count. False, and nothing entered, when the table
// is full, the letter is not a type or the count does not fit in 32 bits:
// the header is then not valid.
bool addColumn(ColumnTable& columns, char type, const char* countText);

// The handler for a type letter, or nullptr for a letter that is not a type.
FieldHandler handlerForType(char type);
