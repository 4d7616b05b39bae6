// Feature layers (-o geojson on a feature table) run end to end on small
// coverages built here: what no sample or real table shows. Each
// topology's right_edge is the first edge counterclockwise about the
// edge's end node, its left_edge the first about its start node.
#include <gtest/gtest.h>

#include <algorithm>

#include "coverage_builder.h"
#include "test_support.h"

namespace layers_test {

void expectRun(const RunResult& run, const std::string& out, const std::string& err, int status) {
  EXPECT_EQ(run.out, out);
  EXPECT_EQ(run.err, err);
  EXPECT_EQ(run.status, status);
}

RunResult drawLayer(const std::string& path, std::vector<std::string> options = {}) {
  options.insert(options.begin(), {"-o", "geojson"});
  options.push_back(path);
  return runTool(options);
}

std::string feature(int id, const std::string& geometry, const std::string& properties) {
  return "{\"type\":\"Feature\",\"id\":" + std::to_string(id) + ",\"geometry\":" + geometry +
         ",\"properties\":" + properties + "}";
}

std::string layer(const std::vector<std::string>& features) {
  std::string text = "{\"type\":\"FeatureCollection\",\"features\":[\n";
  for (const std::string& f : features) text += f + (&f == &features.back() ? "\n" : ",\n");
  return text + "]}\n";
}

// Standard error of a run of records rows, count of whose features have no
// geometry, the first at row.
std::string notDrawn(int records, int count, int row, const std::string& cause) {
  return counted(records) + std::to_string(count) +
         (count == 1 ? " feature has" : " features have") + " no geometry; the first, row " +
         std::to_string(row) + ": " + cause + "\n";
}

// Draws each row from first on alone (-f and -l): its feature, and its
// cause named.
void expectRowsAlone(const std::string& path, int records, const std::vector<std::string>& features,
                     int first, const std::vector<std::string>& causes) {
  for (int row = first; row < first + static_cast<int>(causes.size()); ++row) {
    const std::string r = std::to_string(row);
    expectRun(drawLayer(path, {"-f", r, "-l", r}), layer({features[row - 1]}),
              notDrawn(records, 1, row, causes[row - first]), 1);
  }
}

// Where a union's rings start and the order of its holes and polygons are
// the tool's own: each ring is turned to start at its least position (as
// text), holes and polygons are sorted.
std::vector<std::string> elements(const std::string& array) {
  std::vector<std::string> items;
  int depth = 0;
  size_t start = 1;
  for (size_t i = 1; i + 1 < array.size(); ++i) {
    if (array[i] == '[') ++depth;
    if (array[i] == ']') --depth;
    if (array[i] == ',' && depth == 0) {
      items.push_back(array.substr(start, i - start));
      start = i + 1;
    }
  }
  items.push_back(array.substr(start, array.size() - 1 - start));
  return items;
}

std::string joined(std::vector<std::string> items, size_t sortFrom) {
  std::sort(items.begin() + std::min(sortFrom, items.size()), items.end());
  std::string text = "[";
  for (const std::string& item : items) text += item + ",";
  text.back() = ']';
  return text;
}

std::string canonical(const std::string& coordinates, int depth) {
  std::vector<std::string> items = elements(coordinates);
  if (depth == 1) {  // a ring: its least turn
    items.pop_back();
    std::vector<std::string> best = items;
    for (size_t i = 1; i < items.size(); ++i) {
      std::rotate(items.begin(), items.begin() + 1, items.end());
      best = std::min(best, items);
    }
    best.push_back(best.front());
    return joined(best, best.size());
  }
  for (std::string& item : items) item = canonical(item, depth - 1);
  return joined(items, depth == 2 ? 1 : 0);  // a polygon keeps its outer ring first
}

std::string areasAsSets(std::string out) {
  for (const auto& [type, depth] :
       {std::pair<std::string, int>{"\"Polygon\"", 2}, {"\"MultiPolygon\"", 3}}) {
    const std::string mark = "{\"type\":" + type + ",\"coordinates\":";
    for (size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + 1)) {
      const size_t from = at + mark.size();
      size_t to = from;
      for (int open = 0; to == from || open > 0; ++to)
        open += out[to] == '[' ? 1 : out[to] == ']' ? -1 : 0;
      out.replace(from, to - from, canonical(out.substr(from, to - from), depth));
    }
  }
  return out;
}

// What keeps a layer from being drawn at all: status 3, nothing written,
// the table and what it lacks named. A complex feature table reads no
// other table: its features have no geometry, and that is no fault.
TEST(Layers, CoverageTablesMissing) {
  TempLibrary lib;
  const std::string cov = lib.path() + "/bare";
  lib.write("bare/x.lft", keysTable({"id", "tile_id", "edg_id"}, {{1, 1, 1}}));
  lib.write("bare/x.cft", keysTable({"id"}, {{1}}));
  expectRun(drawLayer(cov + "/x.cft"), layer({feature(1, "null", R"({"id":1})")}), counted(1), 0);
  const std::string banner = kBanner;
  expectRun(drawLayer(cov + "/x.lft"), "", banner + "can't open " + cov + "/fcs for reading\n", 3);
  // Joins the wrong primitive, and the right one the other way round.
  lib.write("bare/FCS",
            fcsTable({{"x.lft", "fac_id", "fac", "id"}, {"edg", "id", "x.lft", "edg_id"}}));
  expectRun(drawLayer(cov + "/x.lft"), "", banner + cov + "/FCS has no geometry join for x.lft\n",
            3);
  // A join table whose name, as the schema holds it, breaks the line.
  lib.write("bare/FCS", fcsTable({{"x.lft", "id", "a\nb.ljt", "x"}}));
  expectRun(drawLayer(cov + "/x.lft"), "", banner + cov + "/FCS has no geometry join for a?b.ljt\n",
            3);
  // The keys carry tile ids; the library has no tile reference.
  lib.write("bare/FCS", fcsTable({{" X.LFT", "edg_id", "EDG", "id"}}));
  expectRun(drawLayer(cov + "/x.lft"), "",
            banner + "can't open " + lib.path() + "/tileref/tileref.aft for reading\n", 3);
}

// One face a feature. Face 2, a square, has a pier (edge 5) from its
// corner (0,0), and its ring starts on the pier: the walk goes out along
// it and back, drawing nothing, then clockwise round the square; the ring
// starts where the first drawn edge starts and is written counterclockwise
// from there. Face 3's walk runs from edge 6 into loop edge 7, which leads
// back to itself and never to edge 6. Only the rows written are drawn.
TEST(Layers, OneFace) {
  TempLibrary lib;
  const std::string cov = lib.path() + "/area";
  lib.write("area/fcs",
            fcsTable({{"area.aft", "fac_id", "fac", "id"}, {"cut.aft", "fac_id", "fac", "id"}}));
  lib.write("area/edg", edgeTable({
                            {1, 1, 2, 1, 2, 2, 5, {{0, 0}, {2, 0}}},
                            {2, 2, 3, 1, 2, 3, 1, {{2, 0}, {2, 2}}},
                            {3, 4, 3, 2, 1, 2, 4, {{0, 2}, {1, 2}, {2, 2}}},
                            {4, 1, 4, 2, 1, 3, 1, {{0, 0}, {0, 2}}},
                            {5, 1, 5, 2, 2, 5, 4, {{0, 0}, {1, 1}}},
                            {6, 6, 7, 3, 1, 7, 6, {{3, 0}, {4, 0}}},
                            {7, 7, 7, 3, 1, 7, 7, {{4, 0}, {5, 0}, {5, 1}, {4, 0}}},
                        }));
  lib.write("area/fac", faceTable(3));
  lib.write("area/rng", ringTable({{2, 5}, {3, 6}}));
  // fac_id holds one face, or none (a null key).
  const std::vector<int> faces = {2, 3, 0, -1, 1};
  TableBuilder areas;
  areas.header(columnsHeader("id=I,1,P,-,-,-,:fac_id=I,*,N,-,-,-,:"));
  std::vector<std::string> features;
  for (int row = 1; row <= 5; ++row) {
    const int face = faces[row - 1];
    areas.i32(row).i32(face < 0 ? 0 : 1);
    if (face >= 0) areas.i32(face);
    const std::string properties = "{\"id\":" + std::to_string(row) + ",\"fac_id\":[" +
                                   (face < 0 ? "" : std::to_string(face)) + "]}";
    features.push_back(feature(row, "null", properties));
  }
  features[0] =
      feature(1, R"({"type":"Polygon","coordinates":[[[0,0],[2,0],[2,2],[1,2],[0,2],[0,0]]]})",
              R"({"id":1,"fac_id":[2]})");
  lib.write("area/area.aft", areas.bytes);
  const std::string path = cov + "/area.aft";
  expectRun(drawLayer(path), layer(features), notDrawn(5, 4, 2, "a ring of fac 3 does not close"),
            1);
  expectRowsAlone(path, 5, features, 3,
                  {"fac_id is 0", "fac_id is null", "fac 1 is the universe face"});
  expectRun(drawLayer(path, {"-l", "1"}), layer({features[0]}), counted(5), 0);
  // Rows 1 and 2 and 6 bytes of row 3: the cut-row message, then the count.
  lib.write("area/cut.aft", areas.bytes.substr(0, areas.bytes.size() - 26));
  expectRun(drawLayer(cov + "/cut.aft"), layer({features[0], features[1]}),
            std::string(kBanner) + "Not a valid VPF table file: its data ends inside row 3\n" +
                "1 feature has no geometry; the first, row 2: a ring of fac 3 does not close\n",
            1);
}

// Tiles: tile_id is a tileref.aft id, not a row number. A name split at
// "\" goes down from the coverage, each part matched ignoring case; one
// with ".." is not followed, though it would lead back to the same tile.
TEST(Layers, Tiles) {
  TempLibrary lib;
  lib.write("TILEREF/TILEREF.AFT",
            tilerefTable({{10, "A\\B"}, {20, "gone"}, {30, "..\\tiles\\a\\b"}}));
  lib.write("tiles/fcs", fcsTable({{"road.lft", "edg_id", "edg", "id"}}));
  lib.write("tiles/a/b/edg", edgeTable({{1, 1, 2, 1, 1, 1, 1, {{0, 0}, {1, 0.5}, {2, 0}}}}));
  const std::vector<std::vector<int>> rows = {
      {1, 10, 1}, {2, 20, 1}, {3, 30, 1}, {4, 7, 1}, {5, 10, 2}};
  lib.write("tiles/road.lft", keysTable({"id", "tile_id", "edg_id"}, rows));
  std::vector<std::string> features;
  for (const auto& row : rows)
    features.push_back(feature(row[0], "null",
                               "{\"id\":" + std::to_string(row[0]) +
                                   ",\"tile_id\":" + std::to_string(row[1]) +
                                   ",\"edg_id\":" + std::to_string(row[2]) + "}"));
  features[0] = feature(1, R"({"type":"LineString","coordinates":[[0,0],[1,0.5],[2,0]]})",
                        R"({"id":1,"tile_id":10,"edg_id":1})");
  const std::string path = lib.path() + "/tiles/road.lft";
  expectRun(drawLayer(path), layer(features), notDrawn(5, 4, 2, "can't open tile gone"), 1);
  expectRowsAlone(path, 5, features, 3,
                  {"tile ..\\tiles\\a\\b leads out of the coverage",
                   "tile_id 7 has no row in tileref.aft", "edg 2 has no row in tile A\\B"});
}

// Unions of faces through a join table. Feature 1: squares A (face 2) and
// B (face 3) touch only at node 1, (1,1): two polygons. Feature 2: faces 4
// and 5 make a frame, cut by inside edges 9 and 10, round face 6: one
// polygon whose hole is made by the ring of faces 4 and 5. Feature 3:
// face 8, bounded by loop edge 13 at node 8, a corner of square face 7's
// outline: the loop is inside the union, which is the square. Feature 4
// has no join row. Points join cnd.
TEST(Layers, Unions) {
  TempLibrary lib;
  const std::string cov = lib.path() + "/lim";
  lib.write("lim/fcs", fcsTable({{"U.AFT", "symbol_id", "symbol.rat", "id"},
                                 {"fac", "id", "u.ajt", "fac_id"},
                                 {"u.aft", "id", "u.ajt", "u.aft_id"},
                                 {"u.ajt", "fac_id", "fac", "id"},
                                 {"p.pft", "cnd_id", "cnd", "id"}}));
  lib.write("lim/edg", edgeTable({
                           {1, 1, 2, 1, 2, 2, 2, {{1, 1}, {0, 1}, {0, 0}}},
                           {2, 2, 1, 1, 2, 3, 1, {{0, 0}, {1, 0}, {1, 1}}},
                           {3, 1, 3, 1, 3, 4, 4, {{1, 1}, {2, 1}, {2, 2}}},
                           {4, 3, 1, 1, 3, 1, 3, {{2, 2}, {1, 2}, {1, 1}}},
                           {5, 4, 7, 1, 5, 6, 9, {{2, 0}, {4, 0}, {4, 4}, {2, 4}}},
                           {6, 7, 4, 1, 4, 5, 10, {{2, 4}, {0, 4}, {0, 0}, {2, 0}}},
                           {7, 5, 6, 5, 6, 10, 8, {{2, 1}, {3, 1}, {3, 3}, {2, 3}}},
                           {8, 6, 5, 4, 6, 9, 7, {{2, 3}, {1, 3}, {1, 1}, {2, 1}}},
                           {9, 4, 5, 5, 4, 7, 6, {{2, 0}, {2, 1}}},
                           {10, 6, 7, 5, 4, 5, 8, {{2, 3}, {2, 4}}},
                           {11, 8, 9, 1, 7, 12, 13, {{0, 0}, {2, 0}, {2, 2}}},
                           {12, 9, 8, 1, 7, 11, 11, {{2, 2}, {0, 2}, {0, 0}}},
                           {13, 8, 8, 7, 8, 12, 13, {{0, 0}, {1, 0.5}, {0.5, 1}, {0, 0}}},
                       }));
  lib.write("lim/fac", faceTable(8));
  lib.write("lim/rng", ringTable({{2, 1}, {3, 3}, {4, 6}, {5, 5}, {6, 7}, {7, 11}, {8, 13}}));
  lib.write("lim/cnd",
            nodeTable({{1, 1}, {0, 0}, {2, 2}, {2, 0}, {2, 1}, {2, 3}, {2, 4}, {0, 0}, {2, 2}}));
  lib.write("lim/u.ajt",
            keysTable({"id", "u.aft_id", "fac_id"},
                      {{1, 1, 2}, {2, 2, 4}, {3, 1, 3}, {4, 3, 8}, {5, 2, 5}, {6, 3, 7}}));
  lib.write("lim/u.aft", keysTable({"id"}, {{1}, {2}, {3}, {4}}));
  lib.write("lim/p.pft", keysTable({"id", "cnd_id"}, {{1, 5}}));
  const RunResult unions = drawLayer(cov + "/u.aft");
  EXPECT_EQ(
      areasAsSets(unions.out),
      areasAsSets(layer({
          feature(1,
                  R"({"type":"MultiPolygon","coordinates":[[[[0,0],[1,0],[1,1],[0,1],[0,0]]],)"
                  R"([[[2,2],[1,2],[1,1],[2,1],[2,2]]]]})",
                  R"({"id":1})"),
          feature(2,
                  R"({"type":"Polygon","coordinates":[[[2,0],[4,0],[4,4],[2,4],[0,4],[0,0],)"
                  R"([2,0]],[[2,1],[1,1],[1,3],[2,3],[3,3],[3,1],[2,1]]]})",
                  R"({"id":2})"),
          feature(3, R"({"type":"Polygon","coordinates":[[[2,2],[0,2],[0,0],[2,0],[2,2]]]})",
                  R"({"id":3})"),
          feature(4, "null", R"({"id":4})"),
      })));
  EXPECT_EQ(unions.err, notDrawn(4, 1, 4, "u.ajt has no row with u.aft_id 4"));
  EXPECT_EQ(unions.status, 1);
  expectRun(
      drawLayer(cov + "/p.pft"),
      layer({feature(1, R"({"type":"Point","coordinates":[2,1]})", R"({"id":1,"cnd_id":5})")}),
      counted(1), 0);
}

}  // namespace layers_test
