// One layer of a GeoPackage: its rows are written first to a scratch table
// (in SQLite's temporary database, not the file); at its end, when the
// type of its geometries is known, its table is made with that type and
// filled from the scratch rows in order, its spatial index is built from
// its geometries' boxes, and its contents, geometry column, column
// descriptions and coded values are kept for the GeoPackage's tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gpkg/column_descriptions.h"
#include "gpkg/geometry_blob.h"
#include "gpkg/geopackage.h"
#include "gpkg/layer_columns.h"
#include "gpkg/spatial_index.h"
#include "json/shape_text.h"
#include "output/held_text.h"

// What a layer is before its rows.
struct LayerTable {
  std::string name;
  std::string description;     // gpkg_contents' description
  bool features = true;        // false for a table of attributes (no geometry)
  const char* emptyType = "";  // the geometry type where none is drawn
  int32_t srsId = 0;
  std::vector<LayerColumn> columns;  // after fid and geom
  // Per column of the layer's own table (not a text feature's string):
  // its header's description, and its coded values.
  std::vector<std::string> descriptions;
  std::vector<std::vector<CodedValue>> codes;
};

struct LayerWriter {
  GeoPackage* gpkg = nullptr;
  LayerTable table;
  sqlite3_stmt* addRow = nullptr;  // the fid, the geometry, the columns
  HeldText blob;
  uint32_t typesSeen = 0;              // a bit per geometry type
  int64_t drawn = 0, withHeights = 0;  // geometries, and those with heights
  int64_t geometries = 0;              // geometries that hold a position
  std::vector<IndexEntry> boxes;       // their boxes, for the spatial index
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  int64_t rows = 0;
};

// The parameter of addRow the layer's first column is bound to; the
// others follow it.
constexpr int FIRST_COLUMN_PARAMETER = 3;

// Starts the layer: its scratch table and its spatial index.
void beginLayer(LayerWriter& writer, GeoPackage& gpkg, LayerTable table);

// Binds row fid's geometry: the shape's blob and its box, or NULL for no
// shape (or a table of attributes).
void bindRowGeometry(LayerWriter& writer, int64_t fid, const Shape* shape);

// Adds the row whose values are bound.
void addLayerRow(LayerWriter& writer);

// Ends the layer: its table, filled, and its spatial index; its rows for
// the GeoPackage's tables.
void endLayer(LayerWriter& writer);
