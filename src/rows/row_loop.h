// The data section: every row of the table, in order.
#pragma once

#include <cstdint>

#include "rows/field_handlers.h"
#include "rows/table_stream.h"

// Writes the data marker, then dumps the rows from the table's first data
// byte to the end of the data, each row's columns through their handlers
// in column order: rows firstRec to lastRec go to standard output, the
// others to the discard sink. Returns the number of rows read, the
// discarded ones included.
int64_t dumpRows(TableStream& table, const FieldHandler* columnHandler, const int32_t* columnCount,
                 int columnTotal, int32_t firstRec, int32_t lastRec);
