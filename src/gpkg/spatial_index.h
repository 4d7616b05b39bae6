// A layer's spatial index, the R*Tree of its geometries' boxes, built in
// one go once the layer's rows are written: the boxes sorted into tiles
// (sort-tile-recursive packing), each node filled, and the index's own
// tables (nodes, the node of each row, the parent of each node) written as
// the R*Tree module keeps them. It is faster than adding the boxes one by
// one, and gives the same tree on every host: it compares 32-bit floats
// and does no other arithmetic.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// A box as the index stores it: 32-bit floats, rounded outward.
struct IndexBox {
  float minX, maxX, minY, maxY;
};

// The box of doubles rounded outward to floats.
IndexBox indexBox(double minX, double maxX, double minY, double maxY);

// A row's id and box.
struct IndexEntry {
  int64_t id;
  IndexBox box;
};

// Fills the index (rtree_LAYER_geom, made empty by CREATE VIRTUAL TABLE)
// with the boxes of the layer's rows (sorting them).
void buildSpatialIndex(sqlite3* db, const std::string& index, std::vector<IndexEntry>& boxes);
