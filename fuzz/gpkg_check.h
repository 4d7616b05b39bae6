// What a GeoPackage written by a fuzz run must be, read back through
// SQLite: a sound database (integrity and foreign keys) that says it is a
// GeoPackage 1.4, whose layers are listed in gpkg_contents, each feature
// layer with its geometry column, rows numbered 1, 2, ... whose geometries
// are sound blobs of the layer's type, spatial reference and heights, its
// extent theirs, and its spatial index holding a box around each one that
// has positions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GeoPackageLayer {
  std::string name;
  bool features = true;  // false for a table of attributes
  int64_t rows = 0;
  int64_t nullGeometries = 0;
  int64_t firstNull = 0;  // the fid of the first, 0 for none
};

// Checks the GeoPackage at path and lists its layers in gpkg_contents'
// order. Returns the first problem found, "" when there is none.
std::string checkGeoPackageFile(const std::string& path, std::vector<GeoPackageLayer>& layers);
