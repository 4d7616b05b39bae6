// The column table's two ways of making a table invalid, each of which ends
// the process: tests that fork, kept apart so that a host that cannot fork
// under its emulator can leave them out (ctest label "forks").
#include <gtest/gtest.h>

#include "header/column_table.h"

namespace {

class ColumnTableDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { clearColumns(); }
};

TEST_F(ColumnTableDeathTest, CountBeyond32BitsIsInvalid) {
  EXPECT_EXIT(addColumn('I', "2147483648"), ::testing::ExitedWithCode(1),
              "Not a valid VPF table file");
}

TEST_F(ColumnTableDeathTest, HundredAndFirstColumnIsInvalid) {
  for (int i = 0; i < MAX_COLUMNS; ++i) addColumn('X', "1");
  EXPECT_EXIT(addColumn('X', "1"), ::testing::ExitedWithCode(1), "Not a valid VPF table file");
}

}  // namespace
