// One layer of a GeoPackage: its rows are written first to a scratch table
// (in SQLite's temporary database, not the file), its geometries indexed
// as they come; at its end, when the type of its geometries is known, its
// table is made with that type and filled from the scratch rows in order,
// and its contents, geometry column, index triggers, column descriptions
// and coded values are added.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gpkg/column_descriptions.h"
#include "gpkg/geometry_blob.h"
#include "gpkg/geopackage.h"
#include "gpkg/layer_columns.h"
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
  sqlite3_stmt* addRow = nullptr;  // 1 the fid, 2 the geometry, 3 on the columns
  sqlite3_stmt* addBox = nullptr;  // the spatial index
  HeldText blob;
  uint32_t typesSeen = 0;  // a bit per geometry type
  int64_t geometries = 0, withHeights = 0;
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  int64_t rows = 0;
};

// Starts the layer: its scratch table and its spatial index.
void beginLayer(LayerWriter& writer, GeoPackage& gpkg, LayerTable table);

// Binds row fid's geometry: the shape's blob, or NULL for no shape (or a
// table of attributes); indexes it.
void bindRowGeometry(LayerWriter& writer, int64_t fid, const Shape* shape);

// Adds the row whose values are bound.
void addLayerRow(LayerWriter& writer);

// Ends the layer: its table, filled; its rows in the GeoPackage's tables.
void endLayer(LayerWriter& writer);
