// The field handlers through the real value reader, in both byte orders.
#include "rows/field_handlers.h"

#include <gtest/gtest.h>

#include "handler_support.h"
#include "rows/value_reader.h"
#include "test_support.h"

namespace {

class FieldHandlers : public ::testing::TestWithParam<bool> {
 protected:
  // Values in the byte order under test.
  TableBuilder values() const { return TableBuilder(GetParam()); }
  // Runs handler on a fresh table, checks the text and the bytes taken,
  // then checks that the discard sink takes the same bytes and leaves the
  // same status; the status is kept in readStatus.
  void expectDump(FieldHandler handler, const std::string& bytes, int32_t count,
                  const std::string& text, int64_t consumed) {
    HandlerRun run = runHandler(handler, bytes, count, GetParam());
    EXPECT_EQ(run.text, text);
    EXPECT_EQ(run.consumed, consumed);
    HandlerRun discarded = runHandler(handler, bytes, count, GetParam(), true);
    EXPECT_EQ(discarded.consumed, consumed);
    EXPECT_EQ(discarded.readStatus, run.readStatus);
    readStatus = run.readStatus;
  }
  int readStatus = 1;  // left by the last expectDump
};

TEST_P(FieldHandlers, TextIsCopiedRaw) {
  expectDump(dumpText, "AB      rest", 8, "AB      \n", 8);
  expectDump(dumpText, values().i32(0).raw("x").bytes, VARIABLE_COUNT, "\n", 4);
  std::string raw("a\0\r\n\xFF", 5);
  expectDump(dumpText, values().i32(5).raw(raw).bytes, VARIABLE_COUNT, raw + "\n", 9);
  expectDump(dumpText, "abc", 0, "\n", 0);
  EXPECT_EQ(readStatus, 1);
}

TEST_P(FieldHandlers, TextPastTheEndIsFF) {
  expectDump(dumpText, "ab", 4, "ab\xFF\xFF\n", 2);
  EXPECT_EQ(readStatus, 1);  // character reads leave the status alone
  expectDump(dumpText, "", VARIABLE_COUNT, "\n", 0);
  EXPECT_EQ(readStatus, 0);
  expectDump(dumpText, values().i32(-3).bytes, VARIABLE_COUNT, "\n", 4);
}

TEST_P(FieldHandlers, DateAndNull) {
  expectDump(dumpDate, "20261207123045.00000+", 1, "20261207123045.00000\n", 20);
  expectDump(dumpDate, "2026", 1, "2026" + std::string(16, '\xFF') + "\n", 4);
  expectDump(dumpNull, "abc", 1, "\n", 0);
}

TEST_P(FieldHandlers, IntegerLists) {
  expectDump(dumpLong, values().i32(7).i32(-8).i32(2147483647).bytes, 3, "7\n-8\n2147483647\n", 12);
  expectDump(dumpLong, values().i32(2).i32(-2147483647 - 1).i32(5).bytes, VARIABLE_COUNT,
             "-2147483648\n5\n", 12);
  expectDump(dumpLong, values().i32(-1).bytes, VARIABLE_COUNT, "", 4);
  expectDump(dumpLong, "abcd", 0, "", 0);
  expectDump(dumpShort, values().i16(-257).i16(32767).bytes, 2, "-257\n32767\n", 4);
  expectDump(dumpShort, values().i32(1).i16(-32768).bytes, VARIABLE_COUNT, "-32768\n", 6);
}

TEST_P(FieldHandlers, ShortFFFE) {
  expectDump(dumpShort, "\xFF\xFE", 1, GetParam() ? "-2\n" : "-257\n", 2);
}

TEST_P(FieldHandlers, FloatIsAlwaysOneValue) {
  expectDump(dumpFloat, values().f32(1.5f).f32(2.0f).bytes, 3, "1.500000\n", 4);
  expectDump(dumpFloat, values().f32(-0.25f).bytes, VARIABLE_COUNT, "-0.250000\n", 4);
  expectDump(dumpDouble, values().f64(1e20).f64(-0.0).bytes, 2,
             "100000000000000000000.000000\n-0.000000\n", 16);
  expectDump(dumpDouble, values().i32(1).f64(0.0078125).bytes, VARIABLE_COUNT, "0.007812\n", 12);
}

TEST_P(FieldHandlers, CoordinatesWriteTheirCountFirst) {
  expectDump(dumpCoord2F, values().f32(-16.25f).f32(13.5f).bytes, 1, "1\n-16.250000,13.500000\n",
             8);
  expectDump(dumpCoord2F, values().i32(-1).bytes, VARIABLE_COUNT, "-1\n", 4);
  expectDump(dumpCoord2F, "", 0, "0\n", 0);
  expectDump(dumpCoord2D, values().i32(2).f64(1).f64(2).f64(3).f64(4).bytes, VARIABLE_COUNT,
             "2\n,1.000000,2.000000\n,3.000000,4.000000\n", 36);
  expectDump(dumpCoord3F, values().f32(1).f32(2).f32(3).bytes, 1, "1\n1.000000,2.000000,3.000000\n",
             12);
  expectDump(dumpCoord3D, values().i32(1).f64(-1).f64(0.5).f64(1e-7).bytes, VARIABLE_COUNT,
             "1\n-1.000000,0.500000,0.000000\n", 28);
}

TEST_P(FieldHandlers, Triplets) {
  expectDump(dumpTriplet, "\x50\x07\x02\x09", 1, "7,2,-\n", 3);
  expectDump(dumpTriplet, values().byte(0xE0).i32(70000).i16(-2).bytes, 1, "70000,-2,-\n", 7);
  expectDump(dumpTriplet, values().byte(0x2C).i16(300).i32(-5).bytes, 1, "-,300,-5\n", 7);
  expectDump(dumpTriplet, values().byte(0x44).byte(0xFF).byte(0x80).bytes, 1, "255,-,128\n", 3);
  expectDump(dumpTriplet, std::string("\x00\x01", 2), 1, "-,-,-\n", 1);
}

TEST_P(FieldHandlers, TripletsPastTheEnd) {
  // A type byte read at the end is 0xFF: three 4-byte reads, all zero.
  expectDump(dumpTriplet, "", 1, "0,0,0\n", 0);
  EXPECT_EQ(readStatus, 0);
  // One-byte components at the end read as 255 and leave the status alone.
  expectDump(dumpTriplet, "\x54", 1, "255,255,255\n", 1);
  EXPECT_EQ(readStatus, 1);
}

TEST_P(FieldHandlers, NumbersPastTheEndAreZero) {
  expectDump(dumpLong, values().i32(4).raw("\x01\x02").bytes, 2, "4\n0\n", 6);
  EXPECT_EQ(readStatus, 0);
  expectDump(dumpCoord2F, values().f32(1).bytes, 2, "2\n1.000000,0.000000\n0.000000,0.000000\n", 4);
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, FieldHandlers, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "BigEndian" : "LittleEndian";
                         });

}  // namespace
