// The table header, run end to end: byte order, names, column definitions
// and their echo, and every way a header is rejected.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const std::string kIdLine = "\nID              =I,  1,P,Row Identifier,-,-,:";
const std::string kIdDef = "ID=I,1,P,Row Identifier,-,-,:";

// Header text after the 4 length bytes, with no data.
RunResult runHeader(const std::string& text) {
  return runOnTable(TableBuilder().header(text).bytes);
}

// What a header-only table with one I column and the given column lines
// dumps: the empty data part gives row 1 of zeros.
std::string emptyDataDump(const std::string& columnLines, const std::string& rowOne) {
  return std::string("TITLE\n") + kColumnsMarker + columnLines + ";\n" + kDataMarker +
         rowMarker(1) + rowOne + kEofMarker;
}

void expectInvalid(const RunResult& run, const std::string& out) {
  EXPECT_EQ(run.out, out);
  EXPECT_EQ(run.err, std::string(kBanner) + kInvalid);
  EXPECT_EQ(run.status, 1);
}

void expectAccepted(const RunResult& run, const std::string& columnLines,
                    const std::string& rowOne = "0\n") {
  EXPECT_EQ(run.out, emptyDataDump(columnLines, rowOne));
  EXPECT_EQ(run.err, std::string(kBanner) + "0 Records processed\n");
  EXPECT_EQ(run.status, 0);
}

std::string zeroLines(int n) {
  std::string lines;
  for (int i = 0; i < n; ++i) lines += "0\n";
  return lines;
}

const std::string kTitleOnly = "TITLE\n";
const std::string kColumnsOnly = std::string("TITLE\n") + kColumnsMarker;

TEST(TableHeader, ByteOrder) {
  // One S column holding the bytes 01 00: 1 little-endian, 256 big-endian.
  for (const char* order : {"L;", "l;", ";", "M;", "m;"}) {
    std::string text = std::string(order) + "T;-;N=S,1,N,n,-,-,:;";
    std::string bytes = TableBuilder().header(text).raw(std::string("\x01\x00", 2)).bytes;
    RunResult run = runOnTable(bytes);
    bool big = order[0] == 'M' || order[0] == 'm';
    EXPECT_EQ(run.out, std::string("TITLE\n") + kColumnsMarker +
                           "\nN               =S,  1,N,n,-,-,:;\n" + kDataMarker + rowMarker(1) +
                           (big ? "256\n" : "1\n") + rowMarker(2) + "0\n" + kEofMarker)
        << order;
    EXPECT_EQ(run.status, 0);
  }
}

TEST(TableHeader, RejectedPreambles) {
  expectInvalid(runOnTable(""), kTitleOnly);
  expectInvalid(runOnTable("\x01\x02\x03"), kTitleOnly);
  expectInvalid(runOnTable(std::string("\0\0\0\0", 4)), kTitleOnly);
  expectInvalid(runHeader("X;T;-;" + kIdDef + ";"), kTitleOnly);
  expectInvalid(runHeader("LX;T;-;" + kIdDef + ";"), kTitleOnly);
  expectInvalid(runHeader("M"), kTitleOnly);
}

TEST(TableHeader, TableDescriptionAndNarrativeName) {
  expectInvalid(runHeader("L;;-;" + kIdDef + ";"), kTitleOnly);  // empty description
  expectInvalid(runHeader("L;T;9ab;" + kIdDef + ";"), kTitleOnly);
  expectInvalid(runHeader("L;Table"), kTitleOnly);
  // A description longer than 79 characters is cut, not rejected.
  expectAccepted(runHeader("L;" + std::string(200, 'd') + ";-;" + kIdDef + ";"), kIdLine);
  expectAccepted(runHeader("L;T; \t;edg.doc;" + kIdDef + ";"), kIdLine);
  expectAccepted(runHeader("L;T;_x1.2; ;\t" + kIdDef + ";"), kIdLine);
}

TEST(TableHeader, EchoAlignsNameAndCount) {
  expectAccepted(runHeader("L;T;-;" + kIdDef + "NAME=T,*,N,Name,-,-,:;"),
                 kIdLine + "\nNAME            =T,  *,N,Name,-,-,:", "0\n\n");
  // Long texts are written whole; spaces before "=" belong to the name.
  expectAccepted(runHeader("L;T;-;a_very_long_name=I,1234,U,d,tbl.vdt,x.ti,:"
                           "sp  \t= I , 1 ,F,\t d,-,-,:;"),
                 "\na_very_long_name=I,1234,U,d,tbl.vdt,x.ti,:"
                 "\nsp              =I,  1,F,d,-,-,:",
                 zeroLines(1235));
}

TEST(TableHeader, CountTextUpTo19Characters) {
  expectAccepted(runHeader("L;T;-;ID=I,0000000000000000001,P,d,-,-,:;"),
                 "\nID              =I,0000000000000000001,P,d,-,-,:");
  expectInvalid(runHeader("L;T;-;" + kIdDef + "ID=I,00000000000000000001,P,d,-,-,:;"),
                kColumnsOnly + kIdLine);
}

TEST(TableHeader, RejectedColumnDefinitions) {
  expectInvalid(runHeader("L;T;-;" + kIdDef + "X=A,1,N,d,-,-,:;"), kColumnsOnly + kIdLine);
  expectInvalid(runHeader("L;T;-;ID=I,1,Q,d,-,-,:;"), kColumnsOnly);
  expectInvalid(runHeader("L;T;-;ID=I,,P,d,-,-,:;"), kColumnsOnly);
  expectInvalid(runHeader("L;T;-;=I,1,P,d,-,-,:;"), kColumnsOnly);
  // A seventh field before ":" is rejected.
  expectInvalid(runHeader("L;T;-;ID=I,1,P,Row id,-,-,-,:;"), kColumnsOnly);
  // A line break between definitions is not a name character.
  expectInvalid(runHeader("L;T;-;" + kIdDef + "\n" + kIdDef + ";"), kColumnsOnly + kIdLine);
  // The header ends before its closing ";".
  expectInvalid(runHeader("L;T;-;" + kIdDef), kColumnsOnly + kIdLine);
  expectInvalid(runHeader("L;T;-;ID=I,1,P,Row"), kColumnsOnly);
}

TEST(TableHeader, EmptyDescriptionShiftsTheFields) {
  expectInvalid(runHeader("L;T;-;ID=I,1,P,,-,-,:;"), kColumnsOnly);
  expectAccepted(runHeader("L;T;-;ID=I,1,P,,Row id,-,-,:;"),
                 "\nID              =I,  1,P,Row id,-,-,:");
}

TEST(TableHeader, ExtraSeparatorsBeforeTheColon) {
  expectAccepted(runHeader("L;T;-;ID=I,1,P,Row Identifier,-,-, ,\t,:;"), kIdLine);
}

TEST(TableHeader, ZeroByteEndsTheEchoedDescription) {
  std::string text = "L;T;-;ID=I,1,P,Row";
  text += '\0';
  text += "hidden,-,-,:;";
  expectAccepted(runHeader(text), "\nID              =I,  1,P,Row,-,-,:");
}

TEST(TableHeader, NoColumnDefinitions) {
  // The skip after the narrative name takes the closing ";" and any ";",
  // space or tab after it, so the data is read as a column definition.
  expectInvalid(runHeader("L;T;-;"), kColumnsOnly);
  expectInvalid(runHeader("L;T;-;;; \t;"), kColumnsOnly);
  expectInvalid(runOnTable(TableBuilder().header("L;T;-;;").i32(1).bytes), kColumnsOnly);
  expectAccepted(runHeader("L;T;-;;" + kIdDef + ";"), kIdLine);
}

// With -e 2407 a definition may carry a seventh field, the narrative table
// name, before its ":"; definitions with and without one mix freely.
TEST(TableHeader, LaterEditionSeventhField) {
  auto later = [](const std::string& text) {
    return runOnTable(TableBuilder().header(text).bytes, {"-e", "2407"});
  };
  expectAccepted(later("L;T;-;ID=I,1,P,Row Identifier,-,-,-,:;"),
                 "\nID              =I,  1,P,Row Identifier,-,-,-,:");
  expectAccepted(later("L;T;-;" + kIdDef + "N=T,2,N,Name,-,n.jti,x.doc \t,:;"),
                 kIdLine + "\nN               =T,  2,N,Name,-,n.jti,x.doc,:", "0\n\xFF\xFF\n");
  // Written straight before the colon, as join tables do.
  expectAccepted(later("L;T;-;ID=I,1,P,d,-,a1.jti,-:;"),
                 "\nID              =I,  1,P,d,-,a1.jti,-,:");
  // The seventh name is read and echoed as a definition's own field.
  expectAccepted(later("L;T;-;ID=I,1,P,d,-,-,abcdefghijkl,:;"),
                 "\nID              =I,  1,P,d,-,-,abcdefghijkl,:");

  // 13 characters, an eighth field, a character outside the set, the end of
  // the input: all invalid.
  expectInvalid(later("L;T;-;ID=I,1,P,d,-,-,abcdefghijklm,:;"), kColumnsOnly);
  expectInvalid(later("L;T;-;ID=I,1,P,d,-,-,-,-,:;"), kColumnsOnly);
  expectInvalid(later("L;T;-;ID=I,1,P,d,-,-,a;b,:;"), kColumnsOnly);
  expectInvalid(later("L;T;-;ID=I,1,P,d,-,-,-"), kColumnsOnly);
  expectInvalid(later("L;T;-;ID=I,1,P,d,-,-,"), kColumnsOnly);
  // A thematic index of 13 characters is not a 12-character one and a
  // seventh field of one.
  expectInvalid(later("L;T;-;ID=I,1,P,d,-,abcdefghijklm,:;"), kColumnsOnly);
  // Without the option the first edition's six fields are all there is.
  expectInvalid(runHeader("L;T;-;ID=I,1,P,d,-,a1.jti,-:;"), kColumnsOnly);
}

}  // namespace
