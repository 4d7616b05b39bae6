// A fuzz input taken apart: a few leading bytes choose the command line,
// the rest is the table file, or in a coverage run the tables of a small
// coverage.
//
// Byte 0 picks the command line (low 3 bits), with TABLE for the path:
//   0 TABLE                1 -f N TABLE          2 -l N TABLE
//   3 -f N -l M TABLE      4 -f N -f M TABLE     5 -f N -l TABLE
//   6 no words (bit 3 clear) or six words (bit 3 set)
//   7 a path that cannot be opened
// For the other command lines, bit 3 puts "-e 2407" in front of the words.
// Bit 7 asks for an output format: the byte after byte 0 picks it (modulo
// 5: -o dcw, -o json, -o jsonl, -o geojson, or the unknown -o JSON), and
// "-o FORMAT" goes in front of the words.
// Bits 4 to 6 of byte 0 pick the run's kind (rare kinds cost more):
//   5  stretched: the table's bytes are repeated past one read block, so that
//      values straddle the tool's read blocks;
//   6  long output: standard output takes two output blocks, not one;
//   7  failing reads: the next 2 bytes (little-endian, modulo the table's
//      size plus one) give the offset at which the tool's reads of the table
//      start to fail; the words' bytes follow them;
//   4  a coverage run, below;
//   other values: a plain run.
// Each N or M is then taken from one byte s (and maybe the bytes after it):
//   s < 0xA0        the decimal s           0xA0..0xBF  minus (s - 0xA0)
//   0xC0..0xDF      a word from a fixed list of odd words
//   0xE0..0xEF      the next 4 bytes, little-endian signed 32-bit
//   0xF0..0xFF      the next 8 bytes, little-endian signed 64-bit
// Missing bytes read as zero.
//
// A coverage run writes the tables of a library into a folder tree and
// runs "-o geojson" on its feature table. Byte 1 sets it up:
//   bits 0-1  the feature table: feat.pft, feat.lft, feat.aft or feat.tft,
//             and the join table's name to match (join.pjt, ...)
//   bit 2     every file name in upper case (FEAT.AFT, FCS, EDG, ...)
//   bits 4-5  0 a plain run; 1 failing reads: a byte picks the file (its
//             slot, modulo TREE_SLOTS) and 2 bytes the offset, as above;
//             2 long output; 3 stretched: a byte picks the file stretched
//   bit 3     the -o gpkg run below writes the coverage's folder, not the
//             feature table
//   bit 6     a limit for the -o gpkg run: a byte L after the run kind's
//             bytes says which and how much: with bit 7 of L, SQLite may
//             hold (L's low 7 bits + 1) * GPKG_HEAP_UNIT bytes of memory;
//             else a file may grow to (L's low 7 bits) * GPKG_FILE_UNIT bytes
// With bit 7 of byte 0 set, "-o gpkg -w TREE/out.gpkg PATH" runs first, and
// the GeoPackage is checked on its own and against the -o geojson run.
// The words' bytes follow. The rest of the input is split at each
// TREE_MARK: the bytes after a mark are one file, the first of them its
// slot (modulo TREE_SLOTS; a later file of a slot replaces an earlier
// one), so that a file can grow or shrink without moving the others.
// Bytes before the first mark are not used. The slots, under lib/:
//   0 cov/feat.K   1 cov/fcs   2 cov/join.KJT   3 tileref/tileref.aft
//   4-9 cov/end cnd edg fac rng txt, 10-15 the same in the tile folder
//   cov/t/a, 16-21 in cov/t/b.
// A slot with no file has none on disk; without a feature table the run
// must end as for a path that cannot be opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "output/output_stream.h"
#include "rows/table_stream.h"

// A stretched table is at least this long: longer than a read block.
constexpr size_t STRETCHED_TABLE_SIZE = TABLE_BUFFER_SIZE + 4096;
constexpr int STRETCHED_RUN = 0x50;
constexpr int LONG_OUTPUT_RUN = 0x60;
constexpr int FAILING_READS_RUN = 0x70;
constexpr int FORMAT_RUN = 0x80;
constexpr int COVERAGE_RUN = 0x40;
constexpr int TREE_SLOTS = 22;
constexpr int GPKG_COVERAGE_FOLDER = 0x08;
constexpr int GPKG_LIMIT = 0x40;
constexpr int64_t GPKG_HEAP_UNIT = 4 << 10;
constexpr int64_t GPKG_FILE_UNIT = 4 << 10;
extern const char* const TREE_MARK;  // 4 bytes

// The outputs a run may ask for; DUMP_OUTPUT is the dump without "-o".
enum FuzzOutput { DUMP_OUTPUT, JSON_OUTPUT, JSONL_OUTPUT, GEOJSON_OUTPUT };

// What standard output takes before it refuses writes: one output block of
// the tool, or two in a long-output run. One block is cut short by the
// first write; with two, a whole block is written first, then one is cut
// short. A huge element count past the end of the input writes zeros until
// the cap, so the cap sets the cost of most slow runs.
constexpr size_t OUTPUT_BLOCK = OUTPUT_BUFFER_SIZE;
constexpr size_t SHORT_OUTPUT_CAP = OUTPUT_BLOCK;
constexpr size_t LONG_OUTPUT_CAP = 2 * OUTPUT_BLOCK;

// The path given when byte 0 asks for one that cannot be opened.
extern const char* const kMissingTablePath;

// A file of a coverage run's tree: its path under the tree, and its bytes.
struct TreeFile {
  int slot;
  std::string path;
  std::string bytes;
};

struct FuzzCase {
  std::vector<std::string> words;       // the command line after the program name
  std::string tablePath;                // the path of the table the run reads
  std::string table;                    // the bytes of the table file
  std::string tree;                     // a coverage run's folder; "" in a plain run
  std::vector<TreeFile> files;          // a coverage run's files, each once
  bool expectUsage = false;             // the command line alone must give status 3
  size_t outputCap = SHORT_OUTPUT_CAP;  // bytes standard output takes
  int64_t failReadsAt = -1;             // reads of the table fail from this offset on
  int failingFile = -1;                 // in a coverage run, the file whose reads fail
  FuzzOutput output = DUMP_OUTPUT;      // the output the words ask for
  // A coverage run's -o gpkg run: its words, the file they name, and
  // whether the -o geojson run reads the feature table as it does (all
  // rows, the later edition's column grammar where laterGrammar).
  bool gpkg = false;
  std::vector<std::string> gpkgWords;
  std::string gpkgFile;
  bool gpkgComparable = false;
  bool laterGrammar = false;
  int64_t gpkgHeapLimit = -1;  // bytes SQLite may hold; -1 for no limit
  int64_t gpkgFileLimit = -1;  // bytes a file may grow to; -1 for no limit
};

// Takes an input apart; tablePath is the path word for the table file, and
// treePath the folder a coverage run's tree is written in.
FuzzCase decodeFuzzCase(const uint8_t* data, size_t size, const std::string& tablePath,
                        const std::string& treePath);

// True for a coverage run's case.
inline bool isCoverageRun(const FuzzCase& run) { return !run.tree.empty(); }
