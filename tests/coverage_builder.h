// Small VPF libraries for the feature-layer tests: a temporary folder tree
// and the tables a coverage joins (schema, tile reference, topology, keys),
// little-endian, every name in the case given.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

using Positions = std::vector<std::pair<float, float>>;

// One row of an edge table; the faces and edges are written as triplets.
struct Edge {
  int id, start, end, rightFace, leftFace, rightEdge, leftEdge;
  Positions positions;
};

std::string edgeTable(const std::vector<Edge>& edges);
// Faces 1 to count.
std::string faceTable(int count);
// One ring a pair (face, start edge), numbered from 1.
std::string ringTable(const std::vector<std::pair<int, int>>& rings);
// Nodes numbered from 1, one coordinate each.
std::string nodeTable(const Positions& nodes);
// One row a join: table1, table1_key, table2, table2_key.
std::string fcsTable(const std::vector<std::array<std::string, 4>>& joins);
// One row a tile: id, tile_name.
std::string tilerefTable(const std::vector<std::pair<int, std::string>>& tiles);
// A table of integer columns, the first the row id: keysTable({"id", "fac_id"}, {{1, 2}}).
std::string keysTable(const std::vector<std::string>& columns,
                      const std::vector<std::vector<int>>& rows);

// A temporary library folder, removed with everything in it.
class TempLibrary {
 public:
  TempLibrary();
  ~TempLibrary();
  TempLibrary(const TempLibrary&) = delete;
  TempLibrary& operator=(const TempLibrary&) = delete;

  const std::string& path() const { return path_; }
  // Writes bytes to path()/relative, making its folders.
  void write(const std::string& relative, const std::string& bytes) const;

 private:
  std::string path_;
};
