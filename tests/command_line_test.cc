// The command line, run end to end: argument counts, the record range
// options and the open failure.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "test_support.h"

namespace {

// A table of six rows of one I column holding 1 to 6.
std::string sixRows() {
  TableBuilder table;
  table.header(columnsHeader("ID=I,1,P,Row Identifier,-,-,:"));
  for (int i = 1; i <= 6; ++i) table.i32(i);
  return table.bytes;
}

// The dump of sixRows() with rows first..last on standard output.
std::string sixRowsDump(int first, int last) {
  std::string out = std::string("TITLE\n") + kColumnsMarker +
                    "\nID              =I,  1,P,Row Identifier,-,-,:;\n" + kDataMarker;
  for (int row = first; row <= last && row <= 7; ++row)
    out += rowMarker(row) + std::to_string(row == 7 ? 0 : row) + "\n";
  return out + kEofMarker;
}

const std::string kSixCounted = std::string(kBanner) + "6 Records processed\n";

void expectUsage(const RunResult& run) {
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, std::string(kBanner) + kUsage);
  EXPECT_EQ(run.status, 3);
}

TEST(CommandLine, NoArgumentsIsUsage) { expectUsage(runTool({})); }

TEST(CommandLine, SevenEntriesIsUsageEvenOnAGoodTable) {
  std::string path = writeTempFile(sixRows());
  expectUsage(runTool({"-f", "1", "-l", "2", "x", path}));
  std::remove(path.c_str());
}

TEST(CommandLine, WholeTableByDefault) {
  RunResult run = runOnTable(sixRows());
  EXPECT_EQ(run.out, sixRowsDump(1, 99999));
  EXPECT_EQ(run.err, kSixCounted);
  EXPECT_EQ(run.status, 0);
}

TEST(CommandLine, FirstRecordAlone) {
  RunResult run = runOnTable(sixRows(), {"-f", "5"});
  EXPECT_EQ(run.out, sixRowsDump(5, 99999));
  EXPECT_EQ(run.err, kSixCounted);
  EXPECT_EQ(run.status, 0);
}

TEST(CommandLine, OptionJustBeforeThePathIsIgnored) {
  RunResult run = runOnTable(sixRows(), {"-f"});
  EXPECT_EQ(run.out, sixRowsDump(1, 99999));
  EXPECT_EQ(run.status, 0);
  run = runOnTable(sixRows(), {"-l", "-f"});  // "-f" is the word before the path
  EXPECT_EQ(run.status, 3);                   // "-l" takes "-f", which has no digit
}

TEST(CommandLine, RangeOfRows) {
  RunResult run = runOnTable(sixRows(), {"-f", "2", "-l", "3"});
  EXPECT_EQ(run.out, sixRowsDump(2, 3));
  EXPECT_EQ(run.err, kSixCounted);
  EXPECT_EQ(run.status, 0);
  run = runOnTable(sixRows(), {"-l", "4", "-f", "4"});  // a range of one row
  EXPECT_EQ(run.out, sixRowsDump(4, 4));
}

TEST(CommandLine, RepeatedOptionLastWins) {
  RunResult run = runOnTable(sixRows(), {"-f", "3", "-f", "7"});
  EXPECT_EQ(run.out, sixRowsDump(7, 99999));
  EXPECT_EQ(run.status, 0);
}

TEST(CommandLine, ValueIsItsLeadingDigits) {
  EXPECT_EQ(runOnTable(sixRows(), {"-f", "2abc", "-l", " +3x"}).out, sixRowsDump(2, 3));
  EXPECT_EQ(runOnTable(sixRows(), {"-f", "-2"}).out, sixRowsDump(1, 99999));
}

TEST(CommandLine, ValueWithoutDigitIsUsage) {
  for (const char* value : {"abc", "", "-", "+", " ", "x5"})
    expectUsage(runOnTable(sixRows(), {"-f", value, "-l", "9"}));
}

TEST(CommandLine, ValueOutside32BitsIsUsage) {
  expectUsage(runOnTable(sixRows(), {"-l", "3000000000"}));
  expectUsage(runOnTable(sixRows(), {"-f", "-2147483649"}));
  expectUsage(runOnTable(sixRows(), {"-l", "99999999999999999999999"}));
  EXPECT_EQ(runOnTable(sixRows(), {"-f", "-2147483648", "-l", "2147483647"}).status, 0);
}

TEST(CommandLine, LastBeforeFirstIsUsage) {
  expectUsage(runOnTable(sixRows(), {"-f", "10", "-l", "5"}));
  expectUsage(runOnTable(sixRows(), {"-f", "100000"}));  // the default last is 99999
  EXPECT_EQ(runOnTable(sixRows(), {"-f", "100000", "-l", "100000"}).status, 0);
}

TEST(CommandLine, UnknownWordsAreIgnored) {
  RunResult run = runOnTable(sixRows(), {"-q", "1", "f", "-F"});
  EXPECT_EQ(run.out, sixRowsDump(1, 99999));
  EXPECT_EQ(run.status, 0);
}

// -e takes 2407 or 600006 exactly, is found where -f and -l are, and the
// last one wins. A table with a seventh field tells the two editions apart.
TEST(CommandLine, Edition) {
  const std::string later = TableBuilder().header("L;T;-;ID=I,1,P,d,-,-,-,:;").i32(4).bytes;
  const std::string laterDump = std::string("TITLE\n") + kColumnsMarker +
                                "\nID              =I,  1,P,d,-,-,-,:;\n" + kDataMarker +
                                rowMarker(1) + "4\n" + rowMarker(2) + "0\n" + kEofMarker;
  auto expectLater = [&](const RunResult& run) {
    EXPECT_EQ(run.out, laterDump);
    EXPECT_EQ(run.status, 0);
  };
  auto expectFirst = [&](const RunResult& run) {
    EXPECT_EQ(run.out, std::string("TITLE\n") + kColumnsMarker);
    EXPECT_EQ(run.err, std::string(kBanner) + "Not a valid VPF table file\n");
    EXPECT_EQ(run.status, 1);
  };
  expectLater(runOnTable(later, {"-e", "2407"}));
  expectFirst(runOnTable(later, {"-e", "600006"}));
  expectFirst(runOnTable(later));
  expectLater(runOnTable(later, {"-e", "600006", "-e", "2407"}));
  expectFirst(runOnTable(later, {"-e", "2407", "-e", "600006"}));
  expectLater(runOnTable(later, {"-e", "2407", "-l", "5"}));
  // Just before the path it is not looked at, nor is its value.
  expectFirst(runOnTable(later, {"-e"}));
  expectLater(runOnTable(later, {"-e", "2407", "-e"}));
  // An unknown value is named on the line before the usage line.
  for (const char* value : {"2408", "02407", "2407 ", "", "600006x", "-e"}) {
    RunResult run = runOnTable(later, {"-e", value, "-l", "9"});
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, std::string(kBanner) + "unknown edition \"" + value +
                           "\" (2407, 600006)\n" + kUsage);
    EXPECT_EQ(run.status, 3);
  }
  EXPECT_EQ(runOnTable(sixRows(), {"-e", "1", "-e", "2407"}).status, 3);
}

TEST(CommandLine, UnopenablePath) {
  RunResult run = runTool({"-f", "x", "/nonexistent/dir/table"});
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            std::string(kBanner) + "can't open /nonexistent/dir/table for reading\n" + kUsage);
  EXPECT_EQ(run.status, 3);
}

TEST(CommandLine, TitleNamesThePathAsTyped) {
  std::string path = writeTempFile(sixRows());
  RunResult run = runTool({path});
  EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 2),
            "Digital Chart of the World file: " + path + "\n\n");
  std::remove(path.c_str());
}

// The runner hands every word to the program as it is, the binary's own
// path too, so the suite runs from a checkout whose path has spaces or
// quotes.
TEST(TestRunner, BinaryPathWithSpacesAndQuotes) {
  std::string dir = makeTempDir("dir it's here");
  ASSERT_NE(dir, "");
  std::string binary = dir + "/Quorl DCW";
  std::string bytes = readFile(QUORL_BINARY);
  std::FILE* copy = std::fopen(binary.c_str(), "wb");
  ASSERT_NE(copy, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), copy);
  std::fclose(copy);
  chmod(binary.c_str(), 0700);
  expectUsage(runBuiltProgram(binary, {}));
  std::remove(binary.c_str());
  rmdir(dir.c_str());
}

}  // namespace
