// The JSON outputs of a run: the table's data for programs to read.
#pragma once

#include "header/table_header.h"
#include "output/output_format.h"

// Writes the table, its stream open on the file at path, as format (json,
// jsonl or geojson): the header is read without a column section, then the
// document, every complete row in the record range, and the record count
// on standard error. Ends the run.
[[noreturn]] void writeData(Table& table, const char* path, OutputFormat format);
