// The value reader: byte order, sign extension and the end of input.
#include "rows/value_reader.h"

#include <gtest/gtest.h>

#include "handler_support.h"

namespace {

TEST(ValueReader, ShortInBothByteOrders) {
  MemoryTable little(std::string("\x01\x00", 2));
  EXPECT_EQ(readShort(little.stream), 1);
  MemoryTable big(std::string("\x01\x00", 2), true);
  EXPECT_EQ(readShort(big.stream), 256);
  EXPECT_EQ(big.stream.readStatus, 1);
}

TEST(ValueReader, SignIsKept) {
  MemoryTable table("\xFF\xFF\xFF\xFF\xFF\xFF\xFE\xFF");
  EXPECT_EQ(readShort(table.stream), -1);
  EXPECT_EQ(readLong(table.stream), -1);
  EXPECT_EQ(readShort(table.stream), -2);
}

TEST(ValueReader, LongAndFloatsInBothByteOrders) {
  MemoryTable little(std::string("\x78\x56\x34\x12\x00\x00\x80\x3F", 8));
  EXPECT_EQ(readLong(little.stream), 0x12345678);
  EXPECT_EQ(readFloat(little.stream), 1.0f);
  MemoryTable big(std::string("\x3F\xF0\x00\x00\x00\x00\x00\x00\xC0\x00\x00\x00", 12), true);
  EXPECT_EQ(readDouble(big.stream), 1.0);
  EXPECT_EQ(readFloat(big.stream), -2.0f);
}

TEST(ValueReader, MissingLastByteGivesZero) {
  MemoryTable table("\x12\x34");
  EXPECT_EQ(readLong(table.stream), 0);
  EXPECT_EQ(table.stream.readStatus, 0);
  EXPECT_EQ(tablePosition(table.stream), 2);
  // The end of input stays: every later read finds nothing.
  EXPECT_EQ(readShort(table.stream), 0);
  EXPECT_EQ(readDouble(table.stream), 0.0);
  EXPECT_EQ(table.stream.readStatus, 0);
}

TEST(ValueReader, ReadBytesSetsStatusPerByte) {
  MemoryTable table("ab");
  unsigned char buffer[3] = {0, 0, 0};
  readBytes(table.stream, 2, buffer);
  EXPECT_EQ(table.stream.readStatus, 1);
  EXPECT_EQ(buffer[0], 'a');
  EXPECT_EQ(buffer[1], 'b');
  readBytes(table.stream, 1, buffer + 2);
  EXPECT_EQ(table.stream.readStatus, 0);
}

}  // namespace
