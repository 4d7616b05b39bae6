// The text header at the start of a table: byte order, table description,
// narrative table name and column definitions.
#pragma once

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
extern HeaderText headerText;

// Reads and checks the header, sets the table's swapBytes, writes the
// column section to echo (standard output, or the discard sink where the
// column section is not wanted), enters every column into the column
// table and keeps the header's texts in headerText. With laterEdition,
// column definitions may carry a seventh field, the narrative table name.
// Leaves the stream on the first data byte; takes the invalid-table exit
// on any mismatch, and the read-failure exit when the file could not be
// read.
void readTableHeader(TableStream& table, bool laterEdition, OutputStream& echo);
