#include "gpkg/spatial_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gpkg/database.h"

namespace {

// A node's cell: a row's id (in a leaf) or a child node's number, and its
// box.
using Cell = IndexEntry;

// Big-endian numbers, as the R*Tree module writes them on every host.
unsigned char* putBig(unsigned char* p, uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) *p++ = static_cast<unsigned char>(v >> (8 * i));
  return p;
}

unsigned char* putFloat(unsigned char* p, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return putBig(p, bits, 4);
}

// The box that holds both.
IndexBox cover(const IndexBox& a, const IndexBox& b) {
  return {std::min(a.minX, b.minX), std::max(a.maxX, b.maxX), std::min(a.minY, b.minY),
          std::max(a.maxY, b.maxY)};
}

bool byX(const Cell& a, const Cell& b) {
  if (a.box.minX != b.box.minX) return a.box.minX < b.box.minX;
  if (a.box.maxX != b.box.maxX) return a.box.maxX < b.box.maxX;
  return a.id < b.id;
}

bool byY(const Cell& a, const Cell& b) {
  if (a.box.minY != b.box.minY) return a.box.minY < b.box.minY;
  if (a.box.maxY != b.box.maxY) return a.box.maxY < b.box.maxY;
  return a.id < b.id;
}

// The index's tables being written: its nodes, each row's leaf and each
// node's parent, as the R*Tree module keeps them.
struct IndexTables {
  size_t nodeSize;       // bytes of a node, as the module made the root
  int64_t nextNode = 2;  // node 1 is the root
  sqlite3_stmt* addNode;
  sqlite3_stmt* setRoot;
  sqlite3_stmt* addParent;
  std::vector<unsigned char> blob;
  std::vector<std::pair<int64_t, int64_t>> leafOfRow;  // (row id, node)

  // The node's bytes: its depth (read from the root only), its count of
  // cells, then each cell's id and box.
  const unsigned char* nodeBytes(const Cell* cells, size_t n, int depth) {
    blob.assign(nodeSize, 0);
    unsigned char* p = putBig(blob.data(), static_cast<uint64_t>(depth), 2);
    p = putBig(p, n, 2);
    for (size_t k = 0; k < n; ++k) {
      p = putBig(p, static_cast<uint64_t>(cells[k].id), 8);
      p = putFloat(p, cells[k].box.minX);
      p = putFloat(p, cells[k].box.maxX);
      p = putFloat(p, cells[k].box.minY);
      p = putFloat(p, cells[k].box.maxY);
    }
    return blob.data();
  }

  // The cells' rows (in a leaf) or child nodes now lie in node.
  void place(const Cell* cells, size_t n, bool leaf, int64_t node) {
    for (size_t k = 0; k < n; ++k) {
      if (leaf) {
        leafOfRow.emplace_back(cells[k].id, node);
        continue;
      }
      bindInteger(addParent, 1, cells[k].id);
      bindInteger(addParent, 2, node);
      stepSql(addParent);
    }
  }

  // Writes a node below the root; returns its cell in the level above.
  Cell writeNode(const Cell* cells, size_t n, bool leaf) {
    const int64_t node = nextNode++;
    bindInteger(addNode, 1, node);
    bindBlob(addNode, 2, nodeBytes(cells, n, 0), nodeSize);
    stepSql(addNode);
    Cell parent{node, cells[0].box};
    for (size_t k = 1; k < n; ++k) parent.box = cover(parent.box, cells[k].box);
    place(cells, n, leaf, node);
    return parent;
  }

  void writeRoot(const std::vector<Cell>& cells, int depth, bool leaf) {
    bindBlob(setRoot, 1, nodeBytes(cells.data(), cells.size(), depth), nodeSize);
    stepSql(setRoot);
    place(cells.data(), cells.size(), leaf, 1);
  }
};

}  // namespace

IndexBox indexBox(double minX, double maxX, double minY, double maxY) {
  // The float nearest each bound, stepped outward where it lies inside.
  const auto down = [](double d) {
    float f = static_cast<float>(d);
    if (static_cast<double>(f) > d) f = std::nextafter(f, -INFINITY);
    return f;
  };
  const auto up = [](double d) {
    float f = static_cast<float>(d);
    if (static_cast<double>(f) < d) f = std::nextafter(f, INFINITY);
    return f;
  };
  return {down(minX), up(maxX), down(minY), up(maxY)};
}

void buildSpatialIndex(sqlite3* db, const std::string& index, std::vector<IndexEntry>& boxes) {
  if (boxes.empty()) return;
  IndexTables t;
  const std::string nodes = quotedName(index + "_node");
  sqlite3_stmt* size = prepareSql(db, "SELECT length(data) FROM " + nodes + " WHERE nodeno = 1");
  t.nodeSize = stepRow(size) ? static_cast<size_t>(sqlite3_column_int64(size, 0)) : 0;
  finishSql(size);
  const size_t m = t.nodeSize < 4 ? 0 : (t.nodeSize - 4) / 24;  // cells a node holds
  if (m < 2) return;                                            // not a node the module made
  t.addNode = prepareSql(db, "INSERT INTO " + nodes + " VALUES (?,?)");
  t.setRoot = prepareSql(db, "UPDATE " + nodes + " SET data = ? WHERE nodeno = 1");
  t.addParent = prepareSql(db, "INSERT INTO " + quotedName(index + "_parent") + " VALUES (?,?)");

  // Slices of the boxes by x, each cut into leaves by y.
  const size_t n = boxes.size();
  std::vector<Cell> level;  // the cells of the level above the one written
  int depth = 0;
  if (n <= m) {
    level = boxes;
    std::sort(level.begin(), level.end(), byY);
  } else {
    std::sort(boxes.begin(), boxes.end(), byX);
    const size_t leaves = (n + m - 1) / m;
    size_t slices = static_cast<size_t>(std::sqrt(static_cast<double>(leaves)));
    while (slices * slices < leaves) ++slices;
    const size_t sliceCells = (leaves + slices - 1) / slices * m;
    for (size_t start = 0; start < n; start += sliceCells) {
      const size_t end = std::min(n, start + sliceCells);
      std::sort(boxes.begin() + start, boxes.begin() + end, byY);
      for (size_t leaf = start; leaf < end; leaf += m)
        level.push_back(t.writeNode(&boxes[leaf], std::min(m, end - leaf), true));
    }
    // Each level above packed in order, until the root holds the rest.
    for (depth = 1; level.size() > m; ++depth) {
      std::vector<Cell> above;
      for (size_t k = 0; k < level.size(); k += m)
        above.push_back(t.writeNode(&level[k], std::min(m, level.size() - k), false));
      level.swap(above);
    }
  }
  t.writeRoot(level, depth, depth == 0);
  // Each row's leaf, in the order of the rows.
  std::sort(t.leafOfRow.begin(), t.leafOfRow.end());
  sqlite3_stmt* addRow =
      prepareSql(db, "INSERT INTO " + quotedName(index + "_rowid") + " VALUES (?,?)");
  for (const auto& row : t.leafOfRow) {
    bindInteger(addRow, 1, row.first);
    bindInteger(addRow, 2, row.second);
    stepSql(addRow);
  }
  for (sqlite3_stmt* s : {t.addNode, t.setRoot, t.addParent, addRow}) finishSql(s);
}
