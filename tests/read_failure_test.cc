// Reads of the table that fail part way: the dump is the table as far as it
// could be read, and the run says so with status 2 instead of a count.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "test_support.h"

namespace {

const std::string kEdg = std::string(QUORL_TESTDATA) + "/sample/quorlbay/hyd/edg";

// Standard output after its title line, which names the path.
std::string afterTitle(const std::string& out) { return out.substr(out.find('\n') + 1); }

// Runs the tool on path with its reads failing after `good` bytes, and the
// tool on a copy of the file's first `good` bytes; the two dumps must be
// the same, and only the first says it could not read the table. Options
// go before the path (a JSON output has no title line, only its rows).
void expectCutAt(const std::string& path, int64_t good, int cutStatus,
                 std::vector<std::string> options = {}) {
  setenv("QUORL_FAIL_READS_AFTER", std::to_string(good).c_str(), 1);
  options.push_back(path);
  RunResult failing = runBuiltProgram(QUORL_FAILING_READS_BINARY, options);
  unsetenv("QUORL_FAIL_READS_AFTER");
  std::string cutPath = writeTempFile(readFile(path).substr(0, good));
  options.back() = cutPath;
  RunResult cut = runTool(options);
  std::remove(cutPath.c_str());
  EXPECT_EQ(failing.status, 2) << "reads failing after " << good;
  EXPECT_EQ(failing.err, kBanner + ("can't read " + path + "\n")) << good;
  if (options.size() == 1)
    EXPECT_EQ(afterTitle(failing.out), afterTitle(cut.out)) << good;
  else
    EXPECT_EQ(failing.out, cut.out) << good;
  EXPECT_EQ(cut.status, cutStatus) << good;
}

TEST(ReadFailure, InTheHeaderAndInTheRows) {
  expectCutAt(kEdg, 100, 1);  // inside the column definitions
  expectCutAt(kEdg, 500, 0);
  // Past the first block of the read buffer: a table of 160 000 bytes.
  TableBuilder table;
  table.header(columnsHeader("ID=I,1,P,Row Identifier,-,-,:NAME=T,12,N,Name,-,-,:"));
  for (int i = 1; i <= 10000; ++i) table.i32(i).raw("name " + std::to_string(100000 + i) + " ");
  std::string path = writeTempFile(table.bytes);
  expectCutAt(path, 100000, 0);
  std::remove(path.c_str());
}

TEST(ReadFailure, OnARowBoundaryAndInsideARow) {
  TableBuilder table;
  table.header(columnsHeader("ID=I,1,P,Row Identifier,-,-,:NAME=T,8,N,Name,-,-,:"));
  const int64_t dataStart = table.bytes.size();
  for (int i = 1; i <= 3; ++i) table.i32(i).raw("NAME   " + std::to_string(i));
  std::string path = writeTempFile(table.bytes);
  expectCutAt(path, dataStart + 12, 0);  // after row 1
  expectCutAt(path, dataStart + 14, 0);  // inside row 2's number
  expectCutAt(path, dataStart + 20, 0);  // inside row 2's text
  // The JSON outputs hold the rows read in full, and close the document.
  expectCutAt(path, dataStart + 12, 0, {"-o", "json"});
  expectCutAt(path, dataStart + 14, 1, {"-o", "geojson"});
  expectCutAt(path, dataStart + 20, 1, {"-o", "jsonl"});
  std::remove(path.c_str());
}

// Some systems open a directory for reading; it is still no table file.
TEST(ReadFailure, DirectoryCannotBeOpened) {
  std::string dir = makeTempDir("dir");
  ASSERT_NE(dir, "");
  RunResult run = runTool({dir});
  rmdir(dir.c_str());
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, kBanner + ("can't open " + dir + " for reading\n") + kUsage);
  EXPECT_EQ(run.status, 3);
}

}  // namespace
