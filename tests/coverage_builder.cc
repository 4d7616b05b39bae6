#include "coverage_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_support.h"

namespace {

std::string column(const std::string& name, const std::string& typeAndCount) {
  return name + "=" + typeAndCount + (name == "id" ? ",P" : ",N") + ",-,-,-,:";
}

// A fixed text of width bytes, padded with spaces.
std::string padded(const std::string& text, size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

}  // namespace

std::string edgeTable(const std::vector<Edge>& edges) {
  std::string columns =
      column("id", "I,1") + column("start_node", "I,1") + column("end_node", "I,1");
  for (const char* name : {"right_face", "left_face", "right_edge", "left_edge"})
    columns += column(name, "K,1");
  TableBuilder table;
  table.header(columnsHeader(columns + column("coordinates", "C,*")));
  for (const Edge& e : edges) {
    table.i32(e.id).i32(e.start).i32(e.end);
    for (int ref : {e.rightFace, e.leftFace, e.rightEdge, e.leftEdge}) table.byte(0x40).byte(ref);
    table.i32(static_cast<int32_t>(e.positions.size()));
    for (const auto& p : e.positions) table.f32(p.first).f32(p.second);
  }
  return table.bytes;
}

std::string faceTable(int count) {
  TableBuilder table;
  table.header(columnsHeader(column("id", "I,1")));
  for (int id = 1; id <= count; ++id) table.i32(id);
  return table.bytes;
}

std::string ringTable(const std::vector<std::pair<int, int>>& rings) {
  TableBuilder table;
  table.header(
      columnsHeader(column("id", "I,1") + column("face_id", "I,1") + column("start_edge", "I,1")));
  int id = 0;
  for (const auto& ring : rings) table.i32(++id).i32(ring.first).i32(ring.second);
  return table.bytes;
}

std::string nodeTable(const Positions& nodes) {
  TableBuilder table;
  table.header(columnsHeader(column("id", "I,1") + column("coordinate", "C,1")));
  int id = 0;
  for (const auto& p : nodes) table.i32(++id).f32(p.first).f32(p.second);
  return table.bytes;
}

std::string fcsTable(const std::vector<std::array<std::string, 4>>& joins) {
  std::string columns = column("id", "I,1");
  for (const char* name : {"table1", "table1_key", "table2", "table2_key"})
    columns += column(name, "T,16");
  TableBuilder table;
  table.header(columnsHeader(columns));
  int id = 0;
  for (const auto& join : joins) {
    table.i32(++id);
    for (const std::string& name : join) table.raw(padded(name, 16));
  }
  return table.bytes;
}

std::string tilerefTable(const std::vector<std::pair<int, std::string>>& tiles) {
  TableBuilder table;
  table.header(columnsHeader(column("id", "I,1") + column("tile_name", "T,16")));
  for (const auto& tile : tiles) table.i32(tile.first).raw(padded(tile.second, 16));
  return table.bytes;
}

std::string keysTable(const std::vector<std::string>& columns,
                      const std::vector<std::vector<int>>& rows) {
  std::string definitions;
  for (const std::string& name : columns) definitions += column(name, "I,1");
  TableBuilder table;
  table.header(columnsHeader(definitions));
  for (const auto& row : rows)
    for (int value : row) table.i32(value);
  return table.bytes;
}

TempLibrary::TempLibrary() : path_(makeTempDir("library")) { EXPECT_NE(path_, ""); }

TempLibrary::~TempLibrary() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

void TempLibrary::write(const std::string& relative, const std::string& bytes) const {
  const std::filesystem::path file = std::filesystem::path(path_) / relative;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}
