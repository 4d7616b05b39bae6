// The options of the command line: the record range and the edition.
#pragma once

#include <cstdint>

// Inclusive range of the rows written to standard output.
extern int32_t firstRec;  // default -1
extern int32_t lastRec;   // default 99999

// Set by "-e 2407": column definitions of the later edition, which may
// carry a seventh field, are read. "-e 600006", the first edition, is the
// default.
extern bool laterEdition;

// Reads "-f N", "-l N" and "-e EDITION" from the words before the last two
// into firstRec, lastRec and laterEdition; takes the usage exit on a value
// that is not a 32-bit number, an edition other than 2407 and 600006, or a
// range whose last row comes before its first.
void readOptions(int argc, char** argv);
