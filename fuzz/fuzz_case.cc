#include "fuzz_case.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

const char* const kMissingTablePath = "/nonexistent-quorl-fuzz/table";
const char* const TREE_MARK = "%QT%";

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

// A coverage run's file of each slot, by the feature kind and name case.
std::string slotPath(int slot, int kind, bool upper) {
  static const char* const kPrimitives[6] = {"end", "cnd", "edg", "fac", "rng", "txt"};
  static const char* const kFolders[3] = {"lib/cov/", "lib/cov/t/a/", "lib/cov/t/b/"};
  std::string folder = "lib/cov/", name;
  switch (slot) {
    case 0: name = std::string("feat.") + "plat"[kind] + "ft"; break;
    case 1: name = "fcs"; break;
    case 2: name = std::string("join.") + "plat"[kind] + "jt"; break;
    case 3: folder = "lib/tileref/", name = "tileref.aft"; break;
    default: folder = kFolders[(slot - 4) / 6], name = kPrimitives[(slot - 4) % 6];
  }
  if (upper)
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return folder + name;
}

// Splits a coverage run's bytes into its files.
std::vector<TreeFile> treeFiles(const char* begin, const char* end, int kind, bool upper,
                                int (&fileOfSlot)[TREE_SLOTS]) {
  std::vector<TreeFile> files;
  std::fill(fileOfSlot, fileOfSlot + TREE_SLOTS, -1);
  const size_t markSize = std::strlen(TREE_MARK);
  const char* mark = std::search(begin, end, TREE_MARK, TREE_MARK + markSize);
  while (mark != end) {
    const char* first = mark + markSize;
    mark = std::search(first, end, TREE_MARK, TREE_MARK + markSize);
    if (first == mark) continue;
    const int slot = static_cast<uint8_t>(*first) % TREE_SLOTS;
    if (fileOfSlot[slot] < 0) {
      fileOfSlot[slot] = static_cast<int>(files.size());
      files.push_back({slot, slotPath(slot, kind, upper), ""});
    }
    files[fileOfSlot[slot]].bytes.assign(first + 1, mark);
  }
  return files;
}

// Repeats bytes past one read block.
void stretch(std::string& bytes) {
  if (bytes.empty()) return;
  const size_t unit = bytes.size();
  bytes.reserve(STRETCHED_TABLE_SIZE + unit);
  while (bytes.size() < STRETCHED_TABLE_SIZE) bytes.append(bytes.data(), unit);
}

// The command line's words after the mode byte and its settings.
std::vector<std::string> optionWords(Cursor& in, uint8_t mode) {
  std::vector<std::string> w;
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
  return w;
}

// Puts the format's pair in front of the words and the path after them.
void addFormatAndPath(std::vector<std::string>& w, uint8_t mode, const char* format,
                      const std::string& path) {
  if ((mode & 7) != 6 && format != nullptr) w.insert(w.begin(), {"-o", format});
  if ((mode & 7) == 7)
    w.push_back(kMissingTablePath);
  else if ((mode & 7) != 6 || (mode & 8))
    w.push_back(path);
}

// A coverage run: byte 1's settings, the words, then the tree's files.
FuzzCase decodeCoverageCase(Cursor& in, uint8_t mode, const std::string& treePath) {
  FuzzCase run;
  run.tree = treePath;
  const uint8_t settings = in.next();
  const int kind = settings & 3, runKind = (settings >> 4) & 3;
  const int chosenSlot = runKind == 1 || runKind == 3 ? in.next() % TREE_SLOTS : -1;
  const uint64_t failOffset = runKind == 1 ? in.littleEndian(2) : 0;
  const int limit = settings & GPKG_LIMIT ? in.next() : -1;
  run.words = optionWords(in, mode);
  run.tablePath = treePath + "/" + slotPath(0, kind, settings & 4);
  addFormatAndPath(run.words, mode, "geojson", run.tablePath);
  if (mode & FORMAT_RUN) {
    run.gpkg = true;
    run.gpkgFile = treePath + "/out.gpkg";
    const std::string path =
        settings & GPKG_COVERAGE_FOLDER ? treePath + "/lib/cov" : run.tablePath;
    run.gpkgWords = {"-o", "gpkg", "-w", run.gpkgFile, path};
    run.gpkgComparable = (mode & 7) == 0;
    run.laterGrammar = (mode & 8) != 0;
    if (limit >= 0 && (limit & 0x80) != 0)
      run.gpkgHeapLimit = ((limit & 0x7F) + 1) * GPKG_HEAP_UNIT;  // 0 would be none
    else if (limit >= 0)
      run.gpkgFileLimit = (limit & 0x7F) * GPKG_FILE_UNIT;
  }
  const char* data = reinterpret_cast<const char*>(in.data);
  const size_t start = in.at < in.size ? in.at : in.size;
  int fileOfSlot[TREE_SLOTS];
  run.files = treeFiles(data + start, data + in.size, kind, settings & 4, fileOfSlot);
  const int chosen = chosenSlot < 0 ? -1 : fileOfSlot[chosenSlot];
  if (runKind == 2) run.outputCap = LONG_OUTPUT_CAP;
  if (runKind == 3 && chosen >= 0) stretch(run.files[chosen].bytes);
  if (runKind == 1 && chosen >= 0) {
    run.failingFile = chosen;
    run.failReadsAt = static_cast<int64_t>(failOffset % (run.files[chosen].bytes.size() + 1));
  }
  run.expectUsage = usageExpected(run.words, run.output) || fileOfSlot[0] < 0;
  return run;
}

}  // namespace

FuzzCase decodeFuzzCase(const uint8_t* data, size_t size, const std::string& tablePath,
                        const std::string& treePath) {
  Cursor in{data, size};
  uint8_t mode = in.next();
  if ((mode & 0x70) == COVERAGE_RUN) return decodeCoverageCase(in, mode, treePath);
  const bool failingReads = (mode & 0x70) == FAILING_READS_RUN;
  const bool withFormat = (mode & FORMAT_RUN) != 0;
  const uint8_t format = withFormat ? in.next() % 5 : 0;
  const uint64_t failOffset = failingReads ? in.littleEndian(2) : 0;
  FuzzCase run;
  run.tablePath = tablePath;
  std::vector<std::string>& w = run.words;
  w = optionWords(in, mode);
  addFormatAndPath(w, mode, withFormat ? kFormatWords[format] : nullptr, tablePath);
  size_t start = in.at < size ? in.at : size;
  run.table.assign(reinterpret_cast<const char*>(data) + start, size - start);
  if ((mode & 0x70) == LONG_OUTPUT_RUN) run.outputCap = LONG_OUTPUT_CAP;
  if ((mode & 0x70) == STRETCHED_RUN) stretch(run.table);
  if (failingReads) run.failReadsAt = static_cast<int64_t>(failOffset % (run.table.size() + 1));
  run.expectUsage = usageExpected(w, run.output);
  return run;
}
