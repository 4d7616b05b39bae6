#include "main/command_line.h"

#include <cstdlib>
#include <cstring>

#include "main/run_control.h"

int32_t firstRec = -1;
int32_t lastRec = 99999;
bool laterEdition = false;

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

// True for "2407", false for "600006"; any other word is a usage error.
bool isLaterEdition(const char* word) {
  if (std::strcmp(word, "2407") == 0) return true;
  if (std::strcmp(word, "600006") != 0) usageExit();
  return false;
}

}  // namespace

void readOptions(int argc, char** argv) {
  // Every run starts from the defaults, a second run in one process too.
  firstRec = -1;
  lastRec = 99999;
  laterEdition = false;
  // The word before the path and the path itself are never options, so an
  // option always has its value word after it.
  for (int i = 1; i <= argc - 3; ++i) {
    if (std::strcmp(argv[i], "-f") == 0) firstRec = optionValue(argv[i + 1]);
    if (std::strcmp(argv[i], "-l") == 0) lastRec = optionValue(argv[i + 1]);
    if (std::strcmp(argv[i], "-e") == 0) laterEdition = isLaterEdition(argv[i + 1]);
  }
  if (lastRec < firstRec) usageExit();
}
