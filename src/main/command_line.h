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

// "-o FORMAT": the text dump, or one of the JSON outputs.
extern OutputFormat outputFormat;

// True when the command line has one to five words after the program
// name, not counting the "-e VALUE" and "-o VALUE" pairs among the option
// words. Looks at the words only: their values are read by readOptions.
bool wordCountFits(int argc, char** argv);

// Reads "-f N", "-l N", "-e EDITION" and "-o FORMAT" from the words before
// the last two into firstRec, lastRec, laterEdition and outputFormat;
// takes the usage exit on a value that is not a 32-bit number, an edition
// other than 2407 and 600006, an unknown format, or a range whose last row
// comes before its first.
void readOptions(int argc, char** argv);
