// The text header at the start of a table: byte order, table description,
// narrative table name and column definitions.
#pragma once

#include "rows/table_stream.h"

// Reads and checks the header, sets the table's swapBytes, writes the
// column section to standard output and enters every column into the
// column table. With laterEdition, column definitions may carry a seventh
// field, the narrative table name. Leaves the stream on the first data
// byte; takes the invalid-table exit on any mismatch, and the read-failure
// exit when the file could not be read.
void readTableHeader(TableStream& table, bool laterEdition);
