// The data section, run end to end: rows, the record range, the end of the
// data, and the sample tables against their expected dumps.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const std::string kIdNameColumns =
    "\nID              =I,  1,P,Row Identifier,-,-,:"
    "\nNAME            =T,  8,N,Name,-,-,:;\n";

std::string idNameTable(int rows) {
  TableBuilder table;
  table.header(columnsHeader("ID=I,1,P,Row Identifier,-,-,:NAME=T,8,N,Name,-,-,:"));
  for (int i = 1; i <= rows; ++i)
    table.i32(i).raw("NAME" + std::string(3, ' ') + std::to_string(i));
  return table.bytes;
}

std::string idNameRow(int row) {
  return rowMarker(row) + std::to_string(row) + "\nNAME   " + std::to_string(row) + "\n";
}

// The row after the last: a zero and eight 0xFF bytes.
std::string idNameEndRow(int row) { return rowMarker(row) + "0\n" + std::string(8, '\xFF') + "\n"; }

std::string dump(const std::string& columns, const std::string& rows) {
  return std::string("TITLE\n") + kColumnsMarker + columns + kDataMarker + rows + kEofMarker;
}

void expectDump(const RunResult& run, const std::string& out, int64_t records) {
  EXPECT_EQ(run.out, out);
  EXPECT_EQ(run.err, counted(records));
  EXPECT_EQ(run.status, 0);
}

TEST(RowLoop, OneRowThenARowOfZeros) {
  expectDump(runOnTable(idNameTable(1)), dump(kIdNameColumns, idNameRow(1) + idNameEndRow(2)), 1);
  expectDump(runOnTable(idNameTable(2)),
             dump(kIdNameColumns, idNameRow(1) + idNameRow(2) + idNameEndRow(3)), 2);
}

TEST(RowLoop, RecordRange) {
  expectDump(runOnTable(idNameTable(2), {"-f", "2", "-l", "2"}), dump(kIdNameColumns, idNameRow(2)),
             2);
  expectDump(runOnTable(idNameTable(3), {"-f", "5"}), dump(kIdNameColumns, ""), 3);
  expectDump(runOnTable(idNameTable(3), {"-f", "3", "-l", "4"}),
             dump(kIdNameColumns, idNameRow(3) + idNameEndRow(4)), 3);
}

TEST(RowLoop, RowsPastTheDefaultLastAreCountedNotWritten) {
  TableBuilder table;
  table.header(columnsHeader("C=T,1,N,c,-,-,:")).raw(std::string(100001, 'x'));
  RunResult run = runOnTable(table.bytes);
  EXPECT_EQ(run.err, counted(100001));
  std::string tail = rowMarker(99999) + "x\n" + kEofMarker;
  ASSERT_GE(run.out.size(), tail.size());
  EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
}

TEST(RowLoop, BigEndianRowOfEveryType) {
  TableBuilder table(true);
  table.header(
      columnsHeader("t=T,4,N,-,-,-,:f=F,1,N,-,-,-,:r=R,2,N,-,-,-,:s=S,1,N,-,-,-,:i=I,*,N,-,-,-,:"
                    "c=C,1,N,-,-,-,:b=B,1,N,-,-,-,:z=Z,1,N,-,-,-,:y=Y,*,N,-,-,-,:d=D,1,N,-,-,-,:"
                    "x=X,1,N,-,-,-,:k=K,1,N,-,-,-,:",
                    'M'));
  table.raw("abcd").f32(1.5f).f64(-2.25).f64(1e10).i16(-3).i32(2).i32(7).i32(-8);
  table.f32(0.5f).f32(-0.5f).f64(1).f64(2).f32(1).f32(2).f32(3);
  table.i32(1).f64(4).f64(5).f64(6).raw("20261207000000.00000").byte(0xE4).i32(100000).i16(-2);
  table.byte(200);
  std::string columns;
  for (const char* c : {"t=T,  4", "f=F,  1", "r=R,  2", "s=S,  1", "i=I,  *", "c=C,  1", "b=B,  1",
                        "z=Z,  1", "y=Y,  *", "d=D,  1", "x=X,  1", "k=K,  1"})
    columns += "\n" + std::string(c, 1) + std::string(15, ' ') + (c + 1) + ",N,-,-,-,:";
  std::string rows = rowMarker(1) +
                     "abcd\n1.500000\n-2.250000\n10000000000.000000\n-3\n7\n-8\n"
                     "1\n0.500000,-0.500000\n1\n,1.000000,2.000000\n"
                     "1\n1.000000,2.000000,3.000000\n1\n4.000000,5.000000,6.000000\n"
                     "20261207000000.00000\n\n100000,-2,200\n" +
                     rowMarker(2) + std::string(4, '\xFF') +
                     "\n0.000000\n0.000000\n0.000000\n0\n"
                     "1\n0.000000,0.000000\n1\n,0.000000,0.000000\n"
                     "1\n0.000000,0.000000,0.000000\n0\n" +
                     std::string(20, '\xFF') + "\n\n0,0,0\n";
  expectDump(runOnTable(table.bytes), dump(columns + ";\n", rows), 1);
}

TEST(RowLoop, TruncatedRows) {
  // Inside a number: the row reads zeros and ends the data.
  TableBuilder numbers;
  numbers.header(columnsHeader("a=I,1,N,-,-,-,:b=I,1,N,-,-,-,:")).i32(1).i32(2).raw("\x05\x06");
  expectDump(runOnTable(numbers.bytes),
             dump("\na               =I,  1,N,-,-,-,:\nb               =I,  1,N,-,-,-,:;\n",
                  rowMarker(1) + "1\n2\n" + rowMarker(2) + "0\n0\n"),
             1);
  // Inside a fixed text: 0xFF for the missing bytes, and one more row.
  std::string text =
      TableBuilder()
          .header(columnsHeader("ID=I,1,P,Row Identifier,-,-,:NAME=T,8,N,Name,-,-,:"))
          .i32(1)
          .raw("abc")
          .bytes;
  expectDump(runOnTable(text),
             dump(kIdNameColumns,
                  rowMarker(1) + "1\nabc" + std::string(5, '\xFF') + "\n" + idNameEndRow(2)),
             1);
  // Inside a triplet component.
  TableBuilder triplet;
  triplet.header(columnsHeader("id=I,1,N,-,-,-,:k=K,1,N,-,-,-,:"));
  triplet.i32(1).byte(0x40).byte(5).i32(2).byte(0xC0).raw("\x01\x02");
  expectDump(runOnTable(triplet.bytes),
             dump("\nid              =I,  1,N,-,-,-,:\nk               =K,  1,N,-,-,-,:;\n",
                  rowMarker(1) + "1\n5,-,-\n" + rowMarker(2) + "2\n0,-,-\n"),
             1);
}

TEST(RowLoop, RowsThatReadNoNumberStillEnd) {
  // Nothing is ever read: one row, and the data ends.
  TableBuilder null;
  null.header(columnsHeader("x=X,1,N,-,-,-,:n=I,0,N,-,-,-,:")).raw("abc");
  expectDump(runOnTable(null.bytes),
             dump("\nx               =X,  1,N,-,-,-,:\nn               =I,  0,N,-,-,-,:;\n",
                  rowMarker(1) + "\n"),
             0);
  // Only fixed text: the row that began at the end of the input is the last.
  TableBuilder text;
  text.header(columnsHeader("t=T,2,N,-,-,-,:d=X,1,N,-,-,-,:")).raw("abcd");
  expectDump(
      runOnTable(text.bytes),
      dump("\nt               =T,  2,N,-,-,-,:\nd               =X,  1,N,-,-,-,:;\n",
           rowMarker(1) + "ab\n\n" + rowMarker(2) + "cd\n\n" + rowMarker(3) + "\xFF\xFF\n\n"),
      2);
}

TEST(RowLoop, HundredAndOneColumnsAreInvalid) {
  std::string defs;
  std::string lines;
  for (int i = 0; i < 101; ++i) {
    defs += "x=X,1,N,-,-,-,:";
    lines += "\nx               =X,  1,N,-,-,-,:";
  }
  RunResult run = runOnTable(TableBuilder().header(columnsHeader(defs)).bytes);
  EXPECT_EQ(run.out, std::string("TITLE\n") + kColumnsMarker + lines);
  EXPECT_EQ(run.err, std::string(kBanner) + kInvalid);
  EXPECT_EQ(run.status, 1);
}

TEST(RowLoop, CountBeyond32BitsIsInvalidAfterItsEcho) {
  RunResult run =
      runOnTable(TableBuilder().header(columnsHeader("x=X,2147483648,N,-,-,-,:")).bytes);
  EXPECT_EQ(run.out,
            std::string("TITLE\n") + kColumnsMarker + "\nx               =X,2147483648,N,-,-,-,:");
  EXPECT_EQ(run.status, 1);
  run = runOnTable(TableBuilder().header(columnsHeader("x=X,2147483647,N,-,-,-,:")).bytes);
  EXPECT_EQ(run.status, 0);
}

TEST(RowLoop, FailedWriteIsNotSuccess) {
  std::string path = writeTempFile(idNameTable(3));
  RunResult run = runTool({path}, "/dev/full");
  EXPECT_EQ(run.err, std::string(kBanner) + "can't write standard output\n");
  EXPECT_EQ(run.status, 2);
  // The invalid-table exit keeps its own status.
  std::string bad = writeTempFile(std::string("\0\0\0\0X;", 6));
  EXPECT_EQ(runTool({bad}, "/dev/full").status, 1);
  std::remove(path.c_str());
  std::remove(bad.c_str());
}

// A table of two rows that together pass 2 GiB, made as a sparse file: a
// 32-bit host opens and reads it only with large-file support. Both rows
// are discarded, so the dump is cheap to check.
TEST(RowLoop, TableOver2GiB) {
  const int64_t text = int64_t(1) << 30;  // each row: a 4-byte id and 1 GiB of text
  std::string start =
      TableBuilder()
          .header(columnsHeader("id=I,1,N,-,-,-,:pad=T," + std::to_string(text) + ",N,-,-,-,:"))
          .i32(1)
          .bytes;
  const int64_t rowTwo = static_cast<int64_t>(start.size()) + text;
  std::string path =
      writeSparseFile({{0, start}, {rowTwo, TableBuilder().i32(2).bytes}}, rowTwo + 4 + text);
  if (path.empty()) GTEST_SKIP() << "no temporary directory holds a sparse file of 2 GiB";
  RunResult run = runTool({"-f", "4", "-l", "4", path});
  std::remove(path.c_str());
  EXPECT_EQ(run.out, "Digital Chart of the World file: " + path + "\n\n" + kColumnsMarker +
                         "\nid              =I,  1,N,-,-,-,:\npad             =T," +
                         std::to_string(text) + ",N,-,-,-,:;\n" + kDataMarker + kEofMarker);
  EXPECT_EQ(run.err, counted(2));
  EXPECT_EQ(run.status, 0);
}

// The sample database, every file dumped whole, against the dumps in
// tests/expected, which an independent decoder agrees with (the
// sample_decoder test): as the first edition reads it, and with -e 2407,
// where the tables it reads otherwise have dumps of their own
// (NAME.2407.dump).
// A negative count marks a file that is rejected.
TEST(RowLoop, SampleTables) {
  const struct {
    const char* path;
    int records;       // read as the first edition
    int laterRecords;  // with -e 2407
  } tables[] = {{"dht", -1, 1},
                {"lat", 2, 2},
                {"quorlbay/lht", 1, 1},
                {"quorlbay/cat", 4, 4},
                {"quorlbay/grt", 1, 1},
                {"quorlbay/hyd/cnd", 5, 5},
                {"quorlbay/hyd/edg", 6, 6},
                {"quorlbay/hyd/edx", -1, -1},
                {"quorlbay/hyd/fac", 4, 4},
                {"quorlbay/hyd/rng", 5, 5},
                {"quorlbay/hyd/bayarea.aft", 3, 3},
                {"quorlbay/hyd/int.vdt", 3, 3},
                {"quorlbay/hyd/char.vdt", 3, 3},
                {"quorlbay/hyd/bayarea.ajt", -1, 3},
                {"quorlbay/snd/end", 6, 6},
                {"quorlbay/snd/ctrlpnt.pft", 3, 3},
                {"quorlbay/lim/fca", 3, 3},
                {"tamsel/lht", 1, 1},
                {"tamsel/cat", 1, 1},
                {"tamsel/hbr/fcs", 10, 10},
                {"tamsel/hbr/fca", 3, 3},
                {"tamsel/hbr/marks.pft", 3, 3},
                {"tamsel/hbr/marks.tft", 2, 2},
                {"tamsel/hbr/berths.lft", 2, 2},
                {"tamsel/hbr/approach.cft", 2, 2},
                {"tamsel/hbr/int.vdt", 6, 6},
                {"tamsel/hbr/char.vdt", 9, 9},
                {"tamsel/hbr/end", 3, 3},
                {"tamsel/hbr/edg", 2, 2},
                {"tamsel/hbr/txt", 2, 2}};
  for (const auto& table : tables) {
    for (bool later : {false, true}) {
      const std::string relative = std::string("sample/") + table.path;
      // A table the two editions read alike has one dump.
      const bool ownLaterDump = later && table.laterRecords != table.records;
      std::string expected = readFile(std::string(QUORL_TESTDATA) + "/../tests/expected/" +
                                      relative + (ownLaterDump ? ".2407" : "") + ".dump");
      const std::string path = std::string(QUORL_TESTDATA) + "/" + relative;
      RunResult run = later ? runTool({"-e", "2407", "-l", "2147483647", path})
                            : runTool({"-l", "2147483647", path});
      expected.replace(0, expected.find('\n'), "Digital Chart of the World file: " + path);
      const int records = later ? table.laterRecords : table.records;
      EXPECT_EQ(run.out, expected) << relative << (later ? " -e 2407" : "");
      if (records < 0) {
        EXPECT_EQ(run.err, std::string(kBanner) + kInvalid) << relative;
        EXPECT_EQ(run.status, 1) << relative;
      } else {
        EXPECT_EQ(run.err, counted(records)) << relative;
        EXPECT_EQ(run.status, 0) << relative;
      }
    }
  }
}

}  // namespace
