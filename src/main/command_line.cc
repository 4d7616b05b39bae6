#include "main/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "run/run_control.h"

int32_t firstRec = -1;
int32_t lastRec = 99999;
bool laterEdition = false;
OutputFormat outputFormat = FORMAT_DCW;
const char* outputPath = nullptr;

namespace {

// Converts an option value like "%ld" does: leading blanks, a sign, digits,
// anything after them ignored. No digit, or a value outside 32 bits, is a
// usage error. The conversion is made in 64 bits whatever the width of the
// host's long; a value beyond 64 bits saturates and so is out of range too.
int32_t optionValue(const char* word) {
  char* end = nullptr;
  const long long value = std::strtoll(word, &end, 10);
  if (end == word) usageExit();
  if (value < INT32_MIN || value > INT32_MAX) usageExit();
  return static_cast<int32_t>(value);
}

// A value that -e or -o does not know: the line that says so, with the
// values that are known, comes before the usage line.
[[noreturn]] void unknownValueExit(const char* what, const char* word, const char* known) {
  std::fprintf(stderr, "unknown %s \"%s\" (%s)\n", what, word, known);
  usageExit();
}

// True for "2407", false for "600006"; any other word is a usage error.
bool isLaterEdition(const char* word) {
  if (std::strcmp(word, "2407") == 0) return true;
  if (std::strcmp(word, "600006") != 0) unknownValueExit("edition", word, "2407, 600006");
  return false;
}

// The format a "-o" value names; any other word is a usage error.
OutputFormat formatNamed(const char* word) {
  if (std::strcmp(word, "dcw") == 0) return FORMAT_DCW;
  if (std::strcmp(word, "json") == 0) return FORMAT_JSON;
  if (std::strcmp(word, "jsonl") == 0) return FORMAT_JSONL;
  if (std::strcmp(word, "geojson") == 0) return FORMAT_GEOJSON;
  if (std::strcmp(word, "gpkg") == 0) return FORMAT_GPKG;
  unknownValueExit("output format", word, "dcw, json, jsonl, geojson, gpkg");
}

// True for the words whose value pair is not counted against the limit.
bool isUncountedOption(const char* word) {
  return std::strcmp(word, "-e") == 0 || std::strcmp(word, "-o") == 0 ||
         std::strcmp(word, "-w") == 0;
}

}  // namespace

bool wordCountFits(int argc, char** argv) {
  int words = argc - 1;
  for (int i = 1; i <= argc - 3; ++i)
    if (isUncountedOption(argv[i])) words -= 2;
  return argc >= 2 && words <= 5;
}

bool asksForGeoPackage(int argc, char** argv) {
  bool gpkg = false;
  for (int i = 1; i <= argc - 3; ++i)
    if (std::strcmp(argv[i], "-o") == 0) gpkg = std::strcmp(argv[i + 1], "gpkg") == 0;
  return gpkg;
}

void readOptions(int argc, char** argv) {
  // Every run starts from the defaults, a second run in one process too.
  firstRec = -1;
  bool lastGiven = false;
  laterEdition = false;
  outputFormat = FORMAT_DCW;
  outputPath = nullptr;
  const char* rangeOption = nullptr;  // the first -f or -l
  // The word before the path and the path itself are never options, so an
  // option always has its value word after it.
  for (int i = 1; i <= argc - 3; ++i) {
    if (std::strcmp(argv[i], "-f") == 0) firstRec = optionValue(argv[i + 1]);
    if (std::strcmp(argv[i], "-l") == 0) {
      lastRec = optionValue(argv[i + 1]);
      lastGiven = true;
    }
    if ((std::strcmp(argv[i], "-f") == 0 || std::strcmp(argv[i], "-l") == 0) &&
        rangeOption == nullptr)
      rangeOption = argv[i];
    if (std::strcmp(argv[i], "-e") == 0) laterEdition = isLaterEdition(argv[i + 1]);
    if (std::strcmp(argv[i], "-o") == 0) outputFormat = formatNamed(argv[i + 1]);
    if (std::strcmp(argv[i], "-w") == 0) outputPath = argv[i + 1];
  }
  // A GeoPackage holds whole tables, of a whole database at times.
  if (outputFormat == FORMAT_GPKG && rangeOption != nullptr) {
    std::fprintf(stderr, "%s selects rows of one table: not with -o gpkg\n", rangeOption);
    usageExit();
  }
  // The dump stops writing at row 99999 unless told otherwise; data meant
  // for programs has every row.
  if (!lastGiven) lastRec = outputFormat == FORMAT_DCW ? 99999 : INT32_MAX;
  if (lastRec < firstRec) usageExit();
}
