// The options of the command line: the record range, the edition and the
// output format.
#pragma once

#include <cstdint>

#include "output/output_format.h"

// Inclusive range of the rows written to standard output.
extern int32_t firstRec;  // default -1
extern int32_t lastRec;   // default 99999 for the dump, every row for the others

// Set by "-e 2407": column definitions of the later edition, which may
// carry a seventh field, are read. "-e 600006", the first edition, is the
// default.
extern bool laterEdition;

// "-o FORMAT": the text dump, one of the JSON outputs, or a GeoPackage.
extern OutputFormat outputFormat;

// "-w FILE": the file the output goes to, nullptr for standard output.
extern const char* outputPath;

// True when the command line has one to five words after the program
// name, not counting the "-e VALUE", "-o VALUE" and "-w FILE" pairs among
// the option words. Looks at the words only: their values are read by
// readOptions.
bool wordCountFits(int argc, char** argv);

// True when the last "-o" among the option words asks for a GeoPackage,
// whose path names a folder or a table (the other outputs open their
// table before the options are read).
bool asksForGeoPackage(int argc, char** argv);

// Reads "-f N", "-l N", "-e EDITION", "-o FORMAT" and "-w FILE" from the
// words before the last two into firstRec, lastRec, laterEdition,
// outputFormat and outputPath; takes the usage exit on a value that is not
// a 32-bit number, an edition other than 2407 and 600006, an unknown
// format, a range whose last row comes before its first, or a record range
// with -o gpkg, which writes whole tables.
void readOptions(int argc, char** argv);
