#include "expected_text.h"

const char* const kBanner =
    "QuorlGIS Mapping System\nby Brannick\nPO Box 4127, 18 Harrow Lane, Eastmere\n"
    "Northland NL 40217\n\n";
const char* const kUsage = "usage : QuorlDCW [-f firstRec] [-l lastRec] DCWfile\n";
const char* const kInvalid = "Not a valid VPF table file\n";
const char* const kColumnsMarker = "\n**DCWcolumns ====================\n";
const char* const kDataMarker = "\n**DCWdata ===========================\n\n";
const char* const kEofMarker = "\n**DCWeof ===========================\n\n";

std::string counted(int64_t records) {
  return std::string(kBanner) + std::to_string(records) + " Records processed\n";
}

std::string rowMarker(int64_t row) {
  return "**DCWrow ------------ " + std::to_string(row) + " ----\n";
}
