// The two ways the column table makes a header invalid, each of which ends
// the process through the header reader: tests that fork, kept apart so
// that a host that cannot fork under its emulator can leave them out
// (ctest label "forks").
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "header/table_header.h"

namespace {

// Reads the header of a table whose header text is text.
void readHeaderOf(const std::string& text) {
  std::string bytes = std::string(4, '\0') + text;
  TableHandle table = newTable();
  openTableStream(table->stream, fmemopen(&bytes[0], bytes.size(), "rb"), "memory");
  readTableHeader(*table, false, discardSink);
}

TEST(ColumnTableDeathTest, CountBeyond32BitsIsInvalid) {
  EXPECT_EXIT(readHeaderOf("L;T;-;x=I,2147483648,N,-,-,-,:;"), ::testing::ExitedWithCode(1),
              "Not a valid VPF table file");
}

TEST(ColumnTableDeathTest, HundredAndFirstColumnIsInvalid) {
  std::string columns;
  for (int i = 0; i <= MAX_COLUMNS; ++i) columns += "x=X,1,N,-,-,-,:";
  EXPECT_EXIT(readHeaderOf("L;T;-;" + columns + ";"), ::testing::ExitedWithCode(1),
              "Not a valid VPF table file");
  columns.erase(0, columns.find(':') + 1);
  readHeaderOf("L;T;-;" + columns + ";");  // a hundred are a valid header
}

}  // namespace
