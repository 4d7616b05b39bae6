// The record range options of the command line.
#pragma once

#include <cstdint>

// Inclusive range of the rows written to standard output.
extern int32_t firstRec;  // default -1
extern int32_t lastRec;   // default 99999

// Reads "-f N" and "-l N" from the words before the last two into firstRec
// and lastRec; takes the usage exit on a value that is not a 32-bit number
// or a range whose last row comes before its first.
void readRecordRange(int argc, char** argv);
