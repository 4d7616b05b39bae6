// The text header at the start of a table: byte order, table description,
// narrative table name and column definitions; and the table it describes,
// held as one value so that a run can read several tables at once.
#pragma once

#include <memory>

#include "header/column_table.h"
#include "output/output_stream.h"
#include "rows/table_stream.h"

// One column definition as the header gives it; each field a C string.
struct ColumnDefinition {
  char name[17];
  char type[2];
  char count[20];
  char key[2];
  char description[80];
  char valueTable[13];
  char thematicIndex[13];
  char narrativeTable[13];  // the later edition's seventh field; empty when absent
};

// The header's texts, kept for the outputs that describe the table.
struct HeaderText {
  char description[80];     // the table description, up to 79 characters
  char narrativeTable[13];  // the table's narrative table name
  ColumnDefinition column[MAX_COLUMNS];
};

// A name of up to 16 characters, "#" and a count (up to 100), and the end.
constexpr int MAX_KEY = 32;

// One table being read: its stream, its header's texts, its column table
// and, once made (makeColumnKeys), the keys its columns go by.
struct Table {
  TableStream stream;
  HeaderText header;
  ColumnTable columns;
  char columnKey[MAX_COLUMNS][MAX_KEY];
};

// Tables are large (the stream's block buffer): each lives on the heap, and
// its file is closed with it.
struct TableCloser {
  void operator()(Table* table) const;
};
using TableHandle = std::unique_ptr<Table, TableCloser>;

// A table with no file, to be opened with openTableStream.
TableHandle newTable();

// How a header read ended.
enum HeaderResult { HEADER_READ, HEADER_INVALID, HEADER_READ_FAILED };

// Reads and checks the header from the table's stream, sets its swapBytes,
// writes the column section to echo (standard output, or the discard sink
// where the column section is not wanted), enters every column into the
// table's columns and keeps the header's texts. With laterEdition, column
// definitions may carry a seventh field, the narrative table name. Leaves
// the stream on the first data byte. HEADER_INVALID on any mismatch,
// HEADER_READ_FAILED when the file could not be read.
HeaderResult readHeader(Table& table, bool laterEdition, OutputStream& echo);

// True when a row of the table's columns takes at least one byte: not all
// of them are X columns or hold a fixed count of 0 elements (F, D and K
// take their bytes whatever their count). Where none does, the data holds
// no row.
bool rowsTakeBytes(const Table& table);

// readHeader for the table the command line names: an invalid header takes
// the invalid-table exit, a read failure the read-failure exit.
void readTableHeader(Table& table, bool laterEdition, OutputStream& echo);
