// The columns of the table: for each, the handler that dumps its values and
// the number of elements it holds.
#pragma once

#include <cstdint>

#include "rows/field_handlers.h"

constexpr int MAX_COLUMNS = 100;

extern FieldHandler columnHandler[MAX_COLUMNS];
extern int32_t columnCount[MAX_COLUMNS];  // VARIABLE_COUNT for "*"
extern int columnTotal;

// Empties the table: every run's header starts a new one.
void clearColumns();

// Enters one accepted definition: its type letter picks the handler, its
// count text gives the count. Takes the invalid-table exit when the table
// is full or the count does not fit in 32 bits.
void addColumn(char type, const char* countText);

// The handler for a type letter, or nullptr for a letter that is not a type.
FieldHandler handlerForType(char type);
