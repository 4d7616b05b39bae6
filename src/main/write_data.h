// The JSON outputs of a run: the table's data for programs to read.
#pragma once

#include "main/command_line.h"

// Writes the table the stream holds as format (json, jsonl or geojson):
// the header is read without a column section, then the document, every
// complete row in the record range, and the record count on standard
// error. Ends the run.
[[noreturn]] void writeData(const char* path, OutputFormat format);
