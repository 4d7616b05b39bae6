// The column table: handlers by type letter and counts from count texts.
#include "header/column_table.h"

#include <gtest/gtest.h>

namespace {

class ColumnTable : public ::testing::Test {
 protected:
  void SetUp() override { clearColumns(); }
};

TEST_F(ColumnTable, EntersColumnsInOrder) {
  addColumn('I', "1");
  addColumn('T', "*");
  addColumn('C', "1");
  addColumn('I', "12");
  ASSERT_EQ(columnTotal, 4);
  EXPECT_EQ(columnHandler[0], dumpLong);
  EXPECT_EQ(columnHandler[1], dumpText);
  EXPECT_EQ(columnHandler[2], dumpCoord2F);
  EXPECT_EQ(columnHandler[3], dumpLong);
  EXPECT_EQ(columnCount[0], 1);
  EXPECT_EQ(columnCount[1], VARIABLE_COUNT);
  EXPECT_EQ(columnCount[2], 1);
  EXPECT_EQ(columnCount[3], 12);
}

TEST_F(ColumnTable, CountIsTheLeadingDigits) {
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
    clearColumns();
    addColumn('R', c.text);
    EXPECT_EQ(columnCount[0], c.count) << c.text;
  }
}

TEST_F(ColumnTable, EveryTypeLetterHasItsHandler) {
  const char* letters = "TFRSICBZYDXK";
  FieldHandler handlers[] = {dumpText,    dumpFloat,   dumpDouble,  dumpShort,
                             dumpLong,    dumpCoord2F, dumpCoord2D, dumpCoord3F,
                             dumpCoord3D, dumpDate,    dumpNull,    dumpTriplet};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(handlerForType(letters[i]), handlers[i]);
  EXPECT_EQ(handlerForType('A'), nullptr);
}

}  // namespace
