// The column table: handlers by type letter and counts from count texts.
#include "header/column_table.h"

#include <gtest/gtest.h>

namespace {

class ColumnTableTest : public ::testing::Test {
 protected:
  ::ColumnTable columns;
  const FieldHandler* columnHandler = columns.columnHandler;
  const int32_t* columnCount = columns.columnCount;
};

TEST_F(ColumnTableTest, EntersColumnsInOrder) {
  EXPECT_TRUE(addColumn(columns, 'I', "1"));
  EXPECT_TRUE(addColumn(columns, 'T', "*"));
  EXPECT_TRUE(addColumn(columns, 'C', "1"));
  EXPECT_TRUE(addColumn(columns, 'I', "12"));
  ASSERT_EQ(columns.columnTotal, 4);
  EXPECT_EQ(columnHandler[0], dumpLong);
  EXPECT_EQ(columnHandler[1], dumpText);
  EXPECT_EQ(columnHandler[2], dumpCoord2F);
  EXPECT_EQ(columnHandler[3], dumpLong);
  EXPECT_EQ(columnCount[0], 1);
  EXPECT_EQ(columnCount[1], VARIABLE_COUNT);
  EXPECT_EQ(columnCount[2], 1);
  EXPECT_EQ(columnCount[3], 12);
}

TEST_F(ColumnTableTest, CountIsTheLeadingDigits) {
  const struct {
    const char* text;
    int32_t count;
  } cases[] = {{"*", VARIABLE_COUNT},
               {"*5", 0},
               {"5*", 5},
               {"**", 0},
               {"0", 0},
               {"007", 7},
               {"2147483647", 2147483647},
               {"0002147483647", 2147483647}};
  for (const auto& c : cases) {
    clearColumns(columns);
    EXPECT_TRUE(addColumn(columns, 'R', c.text));
    EXPECT_EQ(columnCount[0], c.count) << c.text;
  }
}

// A count beyond 32 bits and a hundred and first column make the header
// invalid: nothing is entered.
TEST_F(ColumnTableTest, RefusesWhatMakesTheHeaderInvalid) {
  EXPECT_FALSE(addColumn(columns, 'I', "2147483648"));
  EXPECT_FALSE(addColumn(columns, 'A', "1"));
  EXPECT_EQ(columns.columnTotal, 0);
  for (int i = 0; i < MAX_COLUMNS; ++i) ASSERT_TRUE(addColumn(columns, 'X', "1"));
  EXPECT_FALSE(addColumn(columns, 'X', "1"));
  EXPECT_EQ(columns.columnTotal, MAX_COLUMNS);
}

TEST_F(ColumnTableTest, EveryTypeLetterHasItsHandler) {
  const char* letters = "TFRSICBZYDXK";
  FieldHandler handlers[] = {dumpText,    dumpFloat,   dumpDouble,  dumpShort,
                             dumpLong,    dumpCoord2F, dumpCoord2D, dumpCoord3F,
                             dumpCoord3D, dumpDate,    dumpNull,    dumpTriplet};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(handlerForType(letters[i]), handlers[i]);
  EXPECT_EQ(handlerForType('A'), nullptr);
}

}  // namespace
