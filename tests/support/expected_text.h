// The fixed texts the tool writes, as the tests and the fuzz harness expect
// them.
#pragma once

#include <cstdint>
#include <string>

// The banner every run writes to standard error first, and the usage line.
extern const char* const kBanner;
extern const char* const kUsage;
extern const char* const kInvalid;

// Marker lines of the dump, with the empty lines around them.
extern const char* const kColumnsMarker;
extern const char* const kDataMarker;
extern const char* const kEofMarker;
std::string rowMarker(int64_t row);

// Standard error of a run that read its table to the end: the banner and
// the count of rows.
std::string counted(int64_t records);
