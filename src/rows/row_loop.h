// The data section: every row of the table, in order.
#pragma once

#include "rows/table_stream.h"

// Dumps the rows from the table's first data byte to the end of the input,
// sending the rows outside firstRec..lastRec to the discard sink, then
// writes the end marker and the record count and ends the run.
[[noreturn]] void dumpRows(TableStream& table);
