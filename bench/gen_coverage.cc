// gen_coverage.cc - deterministic generator of a tiled coverage with faces,
// for timing feature layers.
// Usage: gen_coverage MEGABYTES SEED LIBRARY
// Writes the library LIBRARY: its tile reference TILEREF/TILEREF.AFT and the
// coverage GRID, whose four tiles SW, SE, NW and NE are each a level-3
// topology: a grid of N x N square faces (face 1 the universe face), the
// nodes at the grid's corners (CND), the edges along the cells' sides (EDG),
// the faces (FAC) and their rings (RNG). Each edge wiggles along its side
// with 20 to 280 positions (an edge on the tile's border runs straight), so
// that the edges hold most of the bytes: about MEGABYTES * 1e6 of edges in
// all. The coverage's feature tables, joined by its FCS:
//   GRIDL.LFT   a line a edge, direct join (tile_id, edg_id);
//   GRIDA.AFT   an area a face, direct join (tile_id, fac_id);
//   BLOCKA.AFT  areas of several faces through BLOCKA.AJT (tile_id, fac_id):
//               blocks of 3 x 3 faces, whole, without their middle face (a
//               hole), or two faces that touch at a node (two polygons).
// Writes LIBRARY/expected.jsonl, the designed geometry of a few features of
// each table (one JSON object a line: table, id, geometry with the positions
// as 32-bit floats, rings counterclockwise, holes clockwise), and prints
// "tiles=4 cells=N edges=E faces=F positions=P edge_bytes=B bytes=T".
// Only the raw std::mt19937_64 output and exact arithmetic are used, so the
// bytes are the same wherever the generator is built without contracting
// floating-point operations (-ffp-contract=off).
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_random.h"

namespace {

// Buffered little-endian file writer.
class Out {
 public:
  explicit Out(const std::string& path) : path_(path), buf_(kCap) {
    f_ = std::fopen(path.c_str(), "wb");
    if (f_ == nullptr) fail();
  }
  ~Out() { close(); }
  void uint(uint64_t v, int n) {
    if (len_ + n > kCap) flush();
    for (int i = 0; i < n; ++i) buf_[len_++] = static_cast<char>(v >> (8 * i));
    total_ += n;
  }
  void i16(int v) { uint(static_cast<uint16_t>(v), 2); }
  void i32(int64_t v) { uint(static_cast<uint32_t>(v), 4); }
  void f32(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    uint(u, 4);
  }
  void raw(const std::string& s) {
    for (char c : s) uint(static_cast<unsigned char>(c), 1);
  }
  // Text of a fixed length, space padded.
  void text(std::string s, size_t len) {
    s.resize(len, ' ');
    raw(s);
  }
  // Text of a variable length: its byte count, then its bytes.
  void varText(const std::string& s) {
    i32(static_cast<int64_t>(s.size()));
    raw(s);
  }
  // A triplet id holding an id alone, in the fewest bytes that hold it.
  void triplet(int64_t id) {
    if (id <= 0xff) {
      uint(0x40, 1);
      uint(static_cast<uint64_t>(id), 1);
    } else if (id <= 0x7fff) {
      uint(0x80, 1);
      i16(static_cast<int>(id));
    } else {
      uint(0xc0, 1);
      i32(id);
    }
  }
  void flush() {
    if (len_ && std::fwrite(buf_.data(), 1, len_, f_) != len_) fail();
    len_ = 0;
  }
  void close() {
    if (f_ == nullptr) return;
    flush();
    if (std::fclose(f_) != 0) fail();
    f_ = nullptr;
  }
  uint64_t bytes() const { return total_; }

 private:
  [[noreturn]] void fail() {
    std::perror(path_.c_str());
    std::exit(1);
  }
  static constexpr size_t kCap = 1 << 20;
  std::string path_;
  std::FILE* f_ = nullptr;
  std::vector<char> buf_;
  size_t len_ = 0;
  uint64_t total_ = 0;
};

struct Col {
  const char* name;
  char type;
  const char* count;
  const char* desc;
};

// Opens a table and writes its header: first-edition column definitions,
// as the real products have.
void header(Out& o, const char* desc, const std::vector<Col>& cols) {
  std::string h = std::string("L;") + desc + ";-;";
  for (const Col& c : cols)
    h += std::string(c.name) + "=" + c.type + "," + c.count + "," +
         (&c == &cols.front() ? "P" : "N") + "," + c.desc + ",-,-,:";
  h += ";";
  o.i32(static_cast<int64_t>(h.size()));
  o.raw(h);
}

// The grid of a tile: n x n cells of side l from (x0, y0). Nodes (i, j),
// i and j in 0..n; horizontal edges h(i, j) from node (i, j) east to
// (i + 1, j); vertical edges v(i, j) from node (i, j) north to (i, j + 1);
// cell (i, j) the face 2 + j * n + i.
struct Grid {
  int n;
  double x0, y0, l;
  int node(int i, int j) const { return 1 + j * (n + 1) + i; }
  int h(int i, int j) const { return 1 + j * n + i; }
  int v(int i, int j) const { return n * (n + 1) + 1 + j * (n + 1) + i; }
  int face(int i, int j) const { return 2 + j * n + i; }
  int edgeCount() const { return 2 * n * (n + 1); }
  double x(int i) const { return x0 + i * l; }
  double y(int j) const { return y0 + j * l; }
  // The edge leaving node (i, j) towards E, N, W, S (0..3), or 0.
  int leaving(int i, int j, int dir) const {
    switch (dir) {
      case 0: return i < n ? h(i, j) : 0;
      case 1: return j < n ? v(i, j) : 0;
      case 2: return i > 0 ? h(i - 1, j) : 0;
      default: return j > 0 ? v(i, j - 1) : 0;
    }
  }
  // The first edge counterclockwise about node (i, j) from direction dir.
  int firstCcw(int i, int j, int dir) const {
    for (int k = 1; k <= 4; ++k) {
      const int e = leaving(i, j, (dir + k) % 4);
      if (e != 0) return e;
    }
    return 0;
  }
};

struct EdgeRow {
  int start, end, rightFace, leftFace, rightEdge, leftEdge;
};

// The edges of a tile with their positions (x, y as stored).
struct TileEdges {
  std::vector<EdgeRow> rows;
  std::vector<size_t> first;  // first position of each edge, and the end
  std::vector<float> xy;
};

// Builds the topology and the positions of a tile's edges.
TileEdges makeEdges(const Grid& g, Rng& r) {
  TileEdges t;
  t.rows.resize(g.edgeCount());
  t.first.push_back(0);
  const double amp = 0.15 * g.l;  // under a quarter of the side: edges never cross
  // One edge from node (i, j) along dir (0 east, 1 north).
  auto add = [&](int i, int j, int dir) {
    const int i1 = i + (dir == 0), j1 = j + (dir == 1);
    const bool border = dir == 0 ? (j == 0 || j == g.n) : (i == 0 || i == g.n);
    const int count = static_cast<int>(r.in(20, 280));
    for (int k = 0; k < count; ++k) {
      double x, y;
      if (k == 0 || k == count - 1) {
        x = g.x(k == 0 ? i : i1);
        y = g.y(k == 0 ? j : j1);
      } else {
        const double s = static_cast<double>(k) / (count - 1);
        // Across the side, inside a band that narrows to the nodes.
        const double off = border ? 0 : amp * 4 * s * (1 - s) * r.real(-1, 1);
        x = dir == 0 ? g.x(i) + s * g.l : g.x(i) + off;
        y = dir == 0 ? g.y(j) + off : g.y(j) + s * g.l;
      }
      t.xy.push_back(static_cast<float>(x));
      t.xy.push_back(static_cast<float>(y));
    }
    t.first.push_back(t.xy.size() / 2);
  };
  for (int j = 0; j <= g.n; ++j)
    for (int i = 0; i < g.n; ++i) {
      add(i, j, 0);
      // Faces: the cell below on the right, the cell above on the left;
      // the next edges counterclockwise from the edge about its end node
      // (from the west) and about its start node (from the east).
      t.rows[g.h(i, j) - 1] = {g.node(i, j),
                               g.node(i + 1, j),
                               j > 0 ? g.face(i, j - 1) : 1,
                               j < g.n ? g.face(i, j) : 1,
                               g.firstCcw(i + 1, j, 2),
                               g.firstCcw(i, j, 0)};
    }
  for (int j = 0; j < g.n; ++j)
    for (int i = 0; i <= g.n; ++i) {
      add(i, j, 1);
      t.rows[g.v(i, j) - 1] = {g.node(i, j),
                               g.node(i, j + 1),
                               i < g.n ? g.face(i, j) : 1,
                               i > 0 ? g.face(i - 1, j) : 1,
                               g.firstCcw(i, j + 1, 3),
                               g.firstCcw(i, j, 1)};
    }
  return t;
}

// Writes a tile's primitive tables into dir; returns the edge table's bytes.
uint64_t writeTile(const std::string& dir, const Grid& g, const TileEdges& t, Rng& r,
                   uint64_t& bytes) {
  const int n = g.n;
  {
    Out o(dir + "/CND");
    header(o, "Connected Node Primitive Table",
           {{"id", 'I', "1", "Row Identifier"},
            {"first_edge", 'I', "1", "An edge at the node"},
            {"coordinate", 'C', "1", "Node coordinate"}});
    for (int j = 0; j <= n; ++j)
      for (int i = 0; i <= n; ++i) {
        o.i32(g.node(i, j));
        o.i32(g.firstCcw(i, j, 3));
        o.f32(static_cast<float>(g.x(i)));
        o.f32(static_cast<float>(g.y(j)));
      }
    o.close();
    bytes += o.bytes();
  }
  uint64_t edgeBytes;
  {
    Out o(dir + "/EDG");
    header(o, "Edge Primitive Table",
           {{"id", 'I', "1", "Row Identifier"},
            {"start_node", 'I', "1", "Start node"},
            {"end_node", 'I', "1", "End node"},
            {"right_face", 'K', "1", "Right face"},
            {"left_face", 'K', "1", "Left face"},
            {"right_edge", 'K', "1", "Right edge from end node"},
            {"left_edge", 'K', "1", "Left edge from start node"},
            {"coordinates", 'C', "*", "Edge coordinates"}});
    for (size_t e = 0; e < t.rows.size(); ++e) {
      const EdgeRow& row = t.rows[e];
      o.i32(static_cast<int64_t>(e + 1));
      o.i32(row.start);
      o.i32(row.end);
      o.triplet(row.rightFace);
      o.triplet(row.leftFace);
      o.triplet(row.rightEdge);
      o.triplet(row.leftEdge);
      o.i32(static_cast<int64_t>(t.first[e + 1] - t.first[e]));
      for (size_t k = 2 * t.first[e]; k < 2 * t.first[e + 1]; ++k) o.f32(t.xy[k]);
    }
    o.close();
    edgeBytes = o.bytes();
    bytes += edgeBytes;
  }
  // Rings: the universe face's round the grid, then one a cell, from one
  // of its four sides.
  {
    Out o(dir + "/RNG");
    header(o, "Ring Primitive Table",
           {{"id", 'I', "1", "Row Identifier"},
            {"face_id", 'I', "1", "Face the ring bounds"},
            {"start_edge", 'I', "1", "First edge of the ring"}});
    o.i32(1);
    o.i32(1);
    o.i32(g.h(0, 0));
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        const int sides[] = {g.h(i, j), g.v(i + 1, j), g.h(i, j + 1), g.v(i, j)};
        o.i32(g.face(i, j));
        o.i32(g.face(i, j));
        o.i32(sides[r.in(0, 3)]);
      }
    o.close();
    bytes += o.bytes();
  }
  {
    Out o(dir + "/FAC");
    header(o, "Face Primitive Table",
           {{"id", 'I', "1", "Row Identifier"}, {"ring_ptr", 'I', "1", "Outer ring"}});
    for (int f = 1; f <= n * n + 1; ++f) {
      o.i32(f);
      o.i32(f);
    }
    o.close();
    bytes += o.bytes();
  }
  return edgeBytes;
}

// A block of BLOCKA.AFT: its tile, its lower left cell and its kind.
enum BlockKind { WHOLE, HOLLOW, DIAGONAL };
struct Block {
  int tile, i, j;
  BlockKind kind;
};

// The cells of a block, each once.
std::vector<std::pair<int, int>> blockCells(const Block& b) {
  std::vector<std::pair<int, int>> cells;
  if (b.kind == DIAGONAL) return {{b.i, b.j}, {b.i + 1, b.j + 1}};
  for (int dj = 0; dj < 3; ++dj)
    for (int di = 0; di < 3; ++di)
      if (b.kind == WHOLE || di != 1 || dj != 1) cells.push_back({b.i + di, b.j + dj});
  return cells;
}

// Expected geometry, written as JSON text.
std::string point(float x, float y) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "[%.9g,%.9g]", x, y);
  return buf;
}

// Appends the positions of edge e to ring, forwards or backwards, all but
// the first where the ring has begun.
void appendEdge(const TileEdges& t, int e, bool forward,
                std::vector<std::pair<float, float>>& ring) {
  const size_t a = t.first[e - 1], b = t.first[e];
  for (size_t k = 0; k < b - a; ++k) {
    const size_t p = forward ? a + k : b - 1 - k;
    if (k == 0 && !ring.empty()) continue;
    ring.push_back({t.xy[2 * p], t.xy[2 * p + 1]});
  }
}

// The counterclockwise ring round the w x h cells from cell (i, j).
std::vector<std::pair<float, float>> rectRing(const Grid& g, const TileEdges& t, int i, int j,
                                              int w, int h) {
  std::vector<std::pair<float, float>> ring;
  for (int k = 0; k < w; ++k) appendEdge(t, g.h(i + k, j), true, ring);
  for (int k = 0; k < h; ++k) appendEdge(t, g.v(i + w, j + k), true, ring);
  for (int k = w - 1; k >= 0; --k) appendEdge(t, g.h(i + k, j + h), false, ring);
  for (int k = h - 1; k >= 0; --k) appendEdge(t, g.v(i, j + k), false, ring);
  return ring;
}

std::string ringText(std::vector<std::pair<float, float>> ring, bool reverse) {
  if (reverse) std::reverse(ring.begin(), ring.end());
  std::string s = "[";
  for (const auto& p : ring) s += (s.size() > 1 ? "," : "") + point(p.first, p.second);
  return s + "]";
}

void expect(std::FILE* f, const char* table, int64_t id, const std::string& geometry) {
  std::fprintf(f, "{\"table\":\"%s\",\"id\":%lld,\"geometry\":%s}\n", table,
               static_cast<long long>(id), geometry.c_str());
}

void makeDir(const std::string& path) {
  if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
    std::perror(path.c_str());
    std::exit(1);
  }
}

const char* const kTiles[] = {"SW", "SE", "NW", "NE"};
const char* const kLineCodes[] = {"BA010", "BH140", "FA000"};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: gen_coverage MEGABYTES SEED LIBRARY\n");
    return 2;
  }
  const double mb = std::strtod(argv[1], nullptr);
  Rng r(std::strtoull(argv[2], nullptr, 10));
  const std::string lib = argv[3], cov = lib + "/GRID";
  // Cells a side: an edge takes about 28 bytes and 150 positions of 8
  // bytes, and a tile has 2 n (n + 1) edges; 1% more, so that the edges
  // hold at least the size asked for.
  const double perEdge = 28 + 8 * 150.0;
  int n = 3;
  while (4.0 * 2 * n * (n + 1) * perEdge < mb * 1e6 * 1.01) ++n;
  makeDir(lib);
  makeDir(lib + "/TILEREF");
  makeDir(cov);
  uint64_t bytes = 0, edgeBytes = 0, positions = 0;
  {
    Out o(lib + "/TILEREF/TILEREF.AFT");
    header(o, "Tile Reference Area Feature Table",
           {{"id", 'I', "1", "Row Identifier"},
            {"tile_name", 'T', "8", "Tile directory"},
            {"fac_id", 'I', "1", "Face of the tile"}});
    for (int t = 0; t < 4; ++t) {
      o.i32(t + 1);
      std::string name = kTiles[t];
      for (char& c : name) c = static_cast<char>(c - 'A' + 'a');  // stored in lower case
      o.text(name, 8);
      o.i32(t + 2);
    }
    o.close();
    bytes += o.bytes();
  }
  {
    Out o(cov + "/FCS");
    header(o, "Feature Class Schema Table",
           {{"id", 'I', "1", "Row Identifier"},
            {"feature_class", 'T', "8", "The name of the feature class"},
            {"table1", 'T', "12", "The first table in a relationship"},
            {"table1_key", 'T', "24", "Join column in the first table"},
            {"table2", 'T', "12", "The second table in a relationship"},
            {"table2_key", 'T', "24", "Join column in the second table"}});
    const char* const joins[][5] = {{"gridl", "gridl.lft", "edg_id", "edg", "id"},
                                    {"gridl", "edg", "id", "gridl.lft", "edg_id"},
                                    {"grida", "grida.aft", "fac_id", "fac", "id"},
                                    {"grida", "fac", "id", "grida.aft", "fac_id"},
                                    {"blocka", "blocka.aft", "id", "blocka.ajt", "blocka.aft_id"},
                                    {"blocka", "blocka.ajt", "fac_id", "fac", "id"},
                                    {"blocka", "fac", "id", "blocka.ajt", "fac_id"},
                                    {"blocka", "blocka.ajt", "blocka.aft_id", "blocka.aft", "id"}};
    int id = 0;
    for (const auto& join : joins) {
      o.i32(++id);
      o.text(join[0], 8);
      o.text(join[1], 12);
      o.text(join[2], 24);
      o.text(join[3], 12);
      o.text(join[4], 24);
    }
    o.close();
    bytes += o.bytes();
  }
  // The features, tile by tile, in an order of their own within a tile.
  const int edges = 2 * n * (n + 1), faces = n * n;
  std::vector<std::vector<int>> lineEdges(4), areaFaces(4);
  std::vector<Block> blocks;
  for (int t = 0; t < 4; ++t) {
    for (int e = 1; e <= edges; ++e) lineEdges[t].push_back(e);
    r.shuffle(lineEdges[t]);
    for (int f = 2; f <= faces + 1; ++f) areaFaces[t].push_back(f);
    r.shuffle(areaFaces[t]);
    for (int j = 0; j + 3 <= n; j += 3)
      for (int i = 0; i + 3 <= n; i += 3)
        blocks.push_back({t, i, j, static_cast<BlockKind>(r.in(0, 2))});
  }
  {
    Out o(cov + "/GRIDL.LFT");
    header(o, "Grid Lines",
           {{"id", 'I', "1", "Row ID"},
            {"f_code", 'T', "5", "FACC Code"},
            {"acc", 'S', "1", "Accuracy Category"},
            {"tile_id", 'S', "1", "Tile Reference Identifier"},
            {"edg_id", 'I', "1", "Edge Primitive Foreign Key"}});
    int64_t id = 0;
    for (int t = 0; t < 4; ++t)
      for (int e : lineEdges[t]) {
        o.i32(++id);
        o.text(kLineCodes[r.in(0, 2)], 5);
        o.i16(static_cast<int>(r.in(1, 2)));
        o.i16(t + 1);
        o.i32(e);
      }
    o.close();
    bytes += o.bytes();
  }
  {
    Out o(cov + "/GRIDA.AFT");
    header(o, "Grid Areas",
           {{"id", 'I', "1", "Row ID"},
            {"f_code", 'T', "5", "FACC Code"},
            {"tile_id", 'S', "1", "Tile Reference Identifier"},
            {"fac_id", 'I', "1", "Face Primitive Foreign Key"}});
    int64_t id = 0;
    for (int t = 0; t < 4; ++t)
      for (int f : areaFaces[t]) {
        o.i32(++id);
        o.text(f % 2 ? "BA040" : "DA010", 5);
        o.i16(t + 1);
        o.i32(f);
      }
    o.close();
    bytes += o.bytes();
  }
  Grid grid{n, 0, 0, 2.0 / n};
  {
    Out aft(cov + "/BLOCKA.AFT"), ajt(cov + "/BLOCKA.AJT");
    header(
        aft, "Grid Blocks",
        {{"id", 'I', "1", "Row ID"}, {"f_code", 'T', "5", "FACC Code"}, {"nam", 'T', "*", "Name"}});
    header(ajt, "Grid Blocks Join Table",
           {{"id", 'I', "1", "Row ID"},
            {"blocka.aft_id", 'I', "1", "Feature Foreign Key"},
            {"tile_id", 'S', "1", "Tile Reference Identifier"},
            {"fac_id", 'I', "1", "Face Primitive Foreign Key"}});
    int64_t joinId = 0;
    for (size_t b = 0; b < blocks.size(); ++b) {
      const Block& block = blocks[b];
      aft.i32(static_cast<int64_t>(b + 1));
      aft.text(block.kind == DIAGONAL ? "FA002" : "FA001", 5);
      aft.varText(std::string(kTiles[block.tile]) + " block " + std::to_string(block.i / 3 + 1) +
                  "," + std::to_string(block.j / 3 + 1));
      std::vector<std::pair<int, int>> cells = blockCells(block);
      r.shuffle(cells);
      if (block.kind == WHOLE) cells.push_back(cells.front());  // a face named twice
      for (const auto& cell : cells) {
        ajt.i32(++joinId);
        ajt.i32(static_cast<int64_t>(b + 1));
        ajt.i16(block.tile + 1);
        ajt.i32(grid.face(cell.first, cell.second));
      }
    }
    aft.close();
    ajt.close();
    bytes += aft.bytes() + ajt.bytes();
  }
  // The tiles, a 2 x 2 square of 2 degrees a side each.
  std::FILE* expected = std::fopen((lib + "/expected.jsonl").c_str(), "w");
  if (expected == nullptr) {
    std::perror("expected.jsonl");
    return 1;
  }
  const int64_t lastLine = 4 * static_cast<int64_t>(edges),
                lastArea = 4 * static_cast<int64_t>(faces);
  bool kindShown[3] = {};
  for (int t = 0; t < 4; ++t) {
    grid.x0 = -76 + 2 * (t % 2);
    grid.y0 = 36 + 2 * (t / 2);
    const TileEdges tile = makeEdges(grid, r);
    const std::string dir = cov + "/" + kTiles[t];
    makeDir(dir);
    edgeBytes += writeTile(dir, grid, tile, r, bytes);
    positions += tile.xy.size() / 2;
    // The first two and the last line and area features.
    for (int64_t id : {int64_t(1), int64_t(2), lastLine}) {
      if ((id - 1) / edges != t) continue;
      const int e = lineEdges[t][(id - 1) % edges];
      std::vector<std::pair<float, float>> line;
      appendEdge(tile, e, true, line);
      expect(expected, "GRIDL.LFT", id,
             "{\"type\":\"LineString\",\"coordinates\":" + ringText(line, false) + "}");
    }
    for (int64_t id : {int64_t(1), int64_t(2), lastArea}) {
      if ((id - 1) / faces != t) continue;
      const int cell = areaFaces[t][(id - 1) % faces] - 2;
      expect(expected, "GRIDA.AFT", id,
             "{\"type\":\"Polygon\",\"coordinates\":[" +
                 ringText(rectRing(grid, tile, cell % n, cell / n, 1, 1), false) + "]}");
    }
    // The first block of each kind, and the last block.
    for (size_t b = 0; b < blocks.size(); ++b) {
      const Block& block = blocks[b];
      if (block.tile != t) continue;
      if (kindShown[block.kind] && b + 1 != blocks.size()) continue;
      kindShown[block.kind] = true;
      std::string g;
      if (block.kind == DIAGONAL) {
        g = "{\"type\":\"MultiPolygon\",\"coordinates\":[[" +
            ringText(rectRing(grid, tile, block.i, block.j, 1, 1), false) + "],[" +
            ringText(rectRing(grid, tile, block.i + 1, block.j + 1, 1, 1), false) + "]]}";
      } else {
        g = "{\"type\":\"Polygon\",\"coordinates\":[" +
            ringText(rectRing(grid, tile, block.i, block.j, 3, 3), false);
        if (block.kind == HOLLOW)
          g += "," + ringText(rectRing(grid, tile, block.i + 1, block.j + 1, 1, 1), true);
        g += "]}";
      }
      expect(expected, "BLOCKA.AFT", static_cast<int64_t>(b + 1), g);
    }
  }
  if (std::fclose(expected) != 0) {
    std::perror("expected.jsonl");
    return 1;
  }
  std::printf(
      "tiles=4 cells=%d edges=%d faces=%d blocks=%zu positions=%llu edge_bytes=%llu bytes=%llu\n",
      n, 4 * edges, 4 * faces, blocks.size(), static_cast<unsigned long long>(positions),
      static_cast<unsigned long long>(edgeBytes), static_cast<unsigned long long>(bytes));
  return 0;
}
