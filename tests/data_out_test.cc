// The JSON outputs, run end to end on tables built byte by byte: what no
// sample or real table shows. (Every sample and real table is checked in
// every format against the independent decoder.)
#include <gtest/gtest.h>

#include <limits>

#include "test_support.h"

namespace {

std::string cutInside(int64_t row) {
  return std::string(kBanner) + "Not a valid VPF table file: its data ends inside row " +
         std::to_string(row) + "\n";
}

void expectRun(const RunResult& run, const std::string& out, const std::string& err, int status) {
  EXPECT_EQ(run.out, out);
  EXPECT_EQ(run.err, err);
  EXPECT_EQ(run.status, status);
}

// Stored counts: a negative one gives no element, and the data ending inside
// a row ends the rows before it; the document is closed all the same.
TEST(DataOut, NegativeCountAndARowCutByTheEnd) {
  TableBuilder table;
  table.header(
      columnsHeader("ID=I,1,P,Row Identifier,-,-,:n=T,*,N,-,-,-,:l=I,*,N,-,-,-,:"
                    "c=C,*,N,-,-,-,:"));
  table.i32(1).i32(3).raw("abc").i32(2).i32(7).i32(8).i32(1).f32(1.5f).f32(-2);
  table.i32(2).i32(-1).i32(-2).i32(-3);
  table.i32(3).i32(10).raw("ab");
  const std::string rows =
      "{\"ID\":1,\"n\":\"abc\",\"l\":[7,8],\"c\":[[1.5,-2]]}\n{\"ID\":2,\"n\":\"\",\"l\":[],\"c\":["
      "]}";
  expectRun(runOnTable(table.bytes, {"-o", "jsonl"}), rows + "\n", cutInside(3), 1);
  const std::string head =
      "{\"description\":\"Test Table\",\"narrativeTable\":\"-\",\"byteOrder\":\"little\","
      "\"columns\":[\n"
      "{\"name\":\"ID\",\"type\":\"I\",\"count\":1,\"key\":\"P\",\"description\":\"Row "
      "Identifier\",\"valueTable\":\"-\",\"thematicIndex\":\"-\"},\n"
      "{\"name\":\"n\",\"type\":\"T\",\"count\":null,\"key\":\"N\",\"description\":\"-\","
      "\"valueTable\":\"-\",\"thematicIndex\":\"-\"},\n"
      "{\"name\":\"l\",\"type\":\"I\",\"count\":null,\"key\":\"N\",\"description\":\"-\","
      "\"valueTable\":\"-\",\"thematicIndex\":\"-\"},\n"
      "{\"name\":\"c\",\"type\":\"C\",\"count\":null,\"key\":\"N\",\"description\":\"-\","
      "\"valueTable\":\"-\",\"thematicIndex\":\"-\"}\n],\"rows\":[\n";
  std::string jsonRows = rows;
  jsonRows.replace(jsonRows.find('\n'), 1, ",\n");
  expectRun(runOnTable(table.bytes, {"-o", "json"}), head + jsonRows + "\n],\"records\":2}\n",
            cutInside(3), 1);
  // Cut inside a fixed text, and inside a triplet's one-byte part.
  TableBuilder text;
  text.header(columnsHeader("t=T,4,N,-,-,-,:k=K,1,N,-,-,-,:"))
      .raw("abcd")
      .byte(0x50)
      .raw("\x07\x02");
  expectRun(runOnTable(text.bytes + "abcd\x50\x07", {"-o", "jsonl"}),
            "{\"t\":\"abcd\",\"k\":{\"id\":7,\"tile\":2,\"external\":null}}\n", cutInside(2), 1);
  expectRun(runOnTable(text.bytes + "ab", {"-o", "geojson"}),
            "{\"type\":\"FeatureCollection\",\"features\":[\n{\"type\":\"Feature\",\"id\":1,"
            "\"geometry\":null,\"properties\":{\"t\":\"abcd\",\"k\":{\"id\":7,\"tile\":2,"
            "\"external\":null}}}\n]}\n",
            cutInside(2), 1);
}

// NaN and the infinities are null; in GeoJSON an unknown height puts the
// whole geometry in 2-D, and an unknown x or y leaves no geometry.
TEST(DataOut, NotANumber) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  TableBuilder table;
  table.header(columnsHeader("f=F,1,N,-,-,-,:r=R,2,N,-,-,-,:z=Z,*,N,-,-,-,:"));
  table.f32(nan).f64(-inf).f64(0.1).i32(2).f32(1).f32(2).f32(3).f32(4).f32(5).f32(nan);
  table.f32(inf).f64(1).f64(2).i32(1).f32(nan).f32(2).f32(3);
  expectRun(runOnTable(table.bytes, {"-o", "jsonl"}),
            "{\"f\":null,\"r\":[null,0.1],\"z\":[[1,2,3],[4,5,null]]}\n"
            "{\"f\":null,\"r\":[1,2],\"z\":[[null,2,3]]}\n",
            counted(2), 0);
  expectRun(runOnTable(table.bytes, {"-o", "geojson"}),
            "{\"type\":\"FeatureCollection\",\"features\":[\n"
            "{\"type\":\"Feature\",\"id\":1,\"geometry\":{\"type\":\"LineString\",\"coordinates\":"
            "[[1,2],[4,5]]},\"properties\":{\"f\":null,\"r\":[null,0.1]}},\n"
            "{\"type\":\"Feature\",\"id\":2,\"geometry\":null,\"properties\":{\"f\":null,"
            "\"r\":[1,2]}}\n]}\n",
            counted(2), 0);
}

// Bytes above 0x7F are Latin-1 characters in UTF-8; quotes, backslashes
// and control characters are escaped; repeated names get "#2", "#3".
TEST(DataOut, TextAndKeys) {
  TableBuilder table;
  table.header(columnsHeader("a=T,6,N,-,-,-,: a =D,1,N,-,-,-,:a=X,1,N,-,-,-,:b=S,1,N,-,-,-,:"));
  table.raw(std::string("\xE9\"\\\n\x01\x7F", 6)).raw(std::string(19, ' ') + '\xFF').i16(-257);
  expectRun(runOnTable(table.bytes, {"-o", "jsonl"}),
            "{\"a\":\"\xC3\xA9\\\"\\\\\\n\\u0001\x7F\",\"a#2\":\"" + std::string(19, ' ') +
                "\xC3\xBF\",\"a#3\":null,\"b\":-257}\n",
            counted(1), 0);
}

// A row that takes no byte ends the rows without being one.
TEST(DataOut, RowOfNoBytes) {
  TableBuilder table;
  table.header(columnsHeader("x=X,1,N,-,-,-,:n=I,0,N,-,-,-,:")).raw("abc");
  expectRun(runOnTable(table.bytes, {"-o", "jsonl"}), "", counted(0), 0);
  expectRun(runOnTable(table.bytes, {"-o", "geojson"}),
            "{\"type\":\"FeatureCollection\",\"features\":[]}\n", counted(0), 0);
}

// -e and -o pairs do not count toward the five words; -f without -l
// reaches every row; an unknown format is a usage error; the header of an
// invalid table writes nothing.
TEST(DataOut, CombinedOptions) {
  TableBuilder table(true);
  table.header(columnsHeader("id=I,1,P,-,-,-,-,:", 'M'));
  for (int i = 1; i <= 5; ++i) table.i32(i);
  expectRun(runOnTable(table.bytes, {"-e", "2407", "-o", "jsonl", "-f", "2", "-l", "3"}),
            "{\"id\":2}\n{\"id\":3}\n", counted(5), 0);
  expectRun(runOnTable(table.bytes, {"-o", "json", "-e", "2407", "-f", "5"}),
            "{\"description\":\"Test Table\",\"narrativeTable\":\"-\",\"byteOrder\":\"big\","
            "\"columns\":[\n{\"name\":\"id\",\"type\":\"I\",\"count\":1,\"key\":\"P\","
            "\"description\":\"-\",\"valueTable\":\"-\",\"thematicIndex\":\"-\","
            "\"narrativeTable\":\"-\"}\n],\"rows\":[\n{\"id\":5}\n],\"records\":5}\n",
            counted(5), 0);
  expectRun(runOnTable(table.bytes, {"-o", "jsonl"}), "", std::string(kBanner) + kInvalid, 1);
  expectRun(runOnTable(table.bytes, {"-o", "geosjon", "-e", "2407"}), "",
            std::string(kBanner) +
                "unknown output format \"geosjon\" (dcw, json, jsonl, geojson, gpkg)\n" + kUsage,
            3);
  expectRun(runOnTable(table.bytes, {"-e", "2407", "-f", "2", "-l", "3", "x"}), "",
            std::string(kBanner) + kUsage, 3);
}

}  // namespace
