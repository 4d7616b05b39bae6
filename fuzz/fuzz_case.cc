#include "fuzz_case.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

const char* const kMissingTablePath = "/nonexistent-quorl-fuzz/table";

namespace {

// Four words a row, so that a word's index is easy to find.
// clang-format off
const char* const kOddWords[32] = {
    "",         "-",          "+",           "x",
    "12abc",    " 7",         "\t-3",        "0x10",
    "+5",       "-0",         "2147483647",  "2147483648",
    "-2147483648", "-2147483649", "4294967296", "9223372036854775807",
    "9223372036854775808", "-9223372036854775809", "99999", "100000",
    "1e3",      "00012",      "-f",          "-l",
    "1 2",      "\xff",       "99998",       "-1",
    "0",        "1",          "65536",       "  +",
};
// clang-format on

// Reads the input front to back; bytes past its end are zero.
struct Cursor {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  uint8_t next() { return at < size ? data[at++] : (at++, 0); }
  uint64_t littleEndian(int width) {
    uint64_t value = 0;
    for (int i = 0; i < width; ++i) value |= static_cast<uint64_t>(next()) << (8 * i);
    return value;
  }
};

std::string numberWord(Cursor& in) {
  uint8_t s = in.next();
  if (s < 0xA0) return std::to_string(s);
  if (s < 0xC0) return std::to_string(-(s - 0xA0));
  if (s < 0xE0) return kOddWords[s - 0xC0];
  if (s < 0xF0) return std::to_string(static_cast<int32_t>(in.littleEndian(4)));
  return std::to_string(static_cast<int64_t>(in.littleEndian(8)));
}

// The option value as "%ld" reads it; false when it has no digit or does
// not fit in 32 bits.
bool optionValue(const std::string& word, long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtol(word.c_str(), &end, 10);
  if (end == word.c_str()) return false;
  return errno == 0 && value >= INT32_MIN && value <= INT32_MAX;
}

// The "-o" values, by the format byte modulo 5; the last is no format.
const char* const kFormatWords[5] = {"dcw", "json", "jsonl", "geojson", "JSON"};

// Whether the command line must end in the usage exit before the header.
// The "-e" and "-o" pairs do not count toward the five words.
bool usageExpected(const std::vector<std::string>& words, FuzzOutput& output) {
  int argc = static_cast<int>(words.size()) + 1;
  int counted = argc - 1;
  for (int i = 1; i <= argc - 3; ++i)
    if (words[i - 1] == "-e" || words[i - 1] == "-o") counted -= 2;
  if (argc < 2 || counted > 5) return true;
  if (words.back() == kMissingTablePath) return true;
  long first = -1, last = 99999;
  bool lastGiven = false;
  output = DUMP_OUTPUT;
  for (int i = 1; i <= argc - 3; ++i) {
    const std::string& word = words[i - 1];
    if (word == "-e" && words[i] != "2407" && words[i] != "600006") return true;
    if (word == "-o") {
      int format = 0;
      while (format < 4 && words[i] != kFormatWords[format]) ++format;
      if (format == 4) return true;
      output = static_cast<FuzzOutput>(format);
    }
    if (word != "-f" && word != "-l") continue;
    long value = 0;
    if (!optionValue(words[i], value)) return true;
    (word == "-f" ? first : last) = value;
    lastGiven = lastGiven || word == "-l";
  }
  // Without -l the dump stops at row 99999, the JSON outputs do not.
  if (!lastGiven && output != DUMP_OUTPUT) last = INT32_MAX;
  return last < first;
}

}  // namespace

FuzzCase decodeFuzzCase(const uint8_t* data, size_t size, const std::string& tablePath) {
  Cursor in{data, size};
  uint8_t mode = in.next();
  const bool failingReads = (mode & 0x70) == FAILING_READS_RUN;
  const bool withFormat = (mode & FORMAT_RUN) != 0;
  const uint8_t format = withFormat ? in.next() % 5 : 0;
  const uint64_t failOffset = failingReads ? in.littleEndian(2) : 0;
  FuzzCase run;
  std::vector<std::string>& w = run.words;
  switch (mode & 7) {
    case 0: break;
    case 1: w = {"-f", numberWord(in)}; break;
    case 2: w = {"-l", numberWord(in)}; break;
    case 3:
      w = {"-f", numberWord(in), "-l"};
      w.push_back(numberWord(in));
      break;
    case 4:
      w = {"-f", numberWord(in), "-f"};
      w.push_back(numberWord(in));
      break;
    case 5: w = {"-f", numberWord(in), "-l"}; break;
    case 6:
      if (mode & 8) w = {"-f", "1", "-l", "2", "x"};
      break;
    case 7: break;
  }
  if ((mode & 7) != 6 && (mode & 8)) w.insert(w.begin(), {"-e", "2407"});
  if ((mode & 7) != 6 && withFormat) w.insert(w.begin(), {"-o", kFormatWords[format]});
  if ((mode & 7) == 7)
    w.push_back(kMissingTablePath);
  else if ((mode & 7) != 6 || (mode & 8))
    w.push_back(tablePath);
  size_t start = in.at < size ? in.at : size;
  run.table.assign(reinterpret_cast<const char*>(data) + start, size - start);
  if ((mode & 0x70) == LONG_OUTPUT_RUN) run.outputCap = LONG_OUTPUT_CAP;
  if ((mode & 0x70) == STRETCHED_RUN && !run.table.empty()) {
    size_t unit = run.table.size();
    run.table.reserve(STRETCHED_TABLE_SIZE + unit);
    while (run.table.size() < STRETCHED_TABLE_SIZE) run.table.append(run.table.data(), unit);
  }
  if (failingReads) run.failReadsAt = static_cast<int64_t>(failOffset % (run.table.size() + 1));
  run.expectUsage = usageExpected(w, run.output);
  return run;
}
