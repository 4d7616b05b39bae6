// One feature table written as a GeoPackage layer: its rows with their
// values, each feature with the geometry -o geojson draws for it.
#pragma once

#include <cstdint>
#include <string>

#include "gpkg/geopackage.h"
#include "layers/layer_paths.h"

struct LayerOutcome {
  std::string leftOut;   // why the layer could not be written at all, or ""
  int64_t features = 0;  // rows written
  int64_t missing = 0;   // features without geometry
  int64_t firstMissingRow = 0;
  std::string firstCause;
  int64_t cutRow = 0;       // the row the end of the data cut, 0 when none did
  bool readFailed = false;  // a read of the table failed: its rows end there
};

// Writes the feature table at layer.table as the layer layer.name, its
// geometry in the spatial reference srsId.
LayerOutcome writeGeoPackageLayer(GeoPackage& gpkg, const LayerPath& layer, int32_t srsId);
