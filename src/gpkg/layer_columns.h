// The columns of a layer's table: after its fid and its geometry, every
// column of the feature table under its JSON name, and a text feature's
// string; each with the type a GeoPackage declares for its values.
#pragma once

#include <string>
#include <vector>

#include "header/table_header.h"

struct LayerColumn {
  std::string name;  // unique in the table, ASCII case ignored
  std::string type;  // the declared type: SMALLINT, TEXT(5), ...
};

// The layer's columns after fid (and geom where it has geometry): the
// table's own, whose keys have been made, then stringKey (a text
// feature's string) where it is not null. A name equal to an earlier one
// ignoring ASCII case gets "#2", "#3", ... (SQLite compares column names
// so).
std::vector<LayerColumn> layerColumns(const Table& table, bool hasGeometry, const char* stringKey);

// The type a column's values are declared with: S SMALLINT, I MEDIUMINT,
// F FLOAT, R DOUBLE, D TEXT(20), T TEXT(n) or TEXT; K, X, lists and
// coordinates TEXT (their JSON).
std::string declaredType(char type, int32_t count);
