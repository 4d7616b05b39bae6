// GeoJSON feature layers in a run: a feature table's features get their
// geometry drawn from the coverage's primitives, a text feature also the
// string of its text, and the run counts the features that could not be
// drawn.
#pragma once

#include <cstdint>
#include <string>

#include "header/table_header.h"
#include "json/json_rows.h"
#include "json/shape_text.h"
#include "layers/feature_layer.h"

struct LayerDrawing {
  FeatureLayer layer;
  GeometrySource source;
  Shape shape;
  std::string text;
  std::string cause;
  char stringKey[MAX_KEY];  // the key of a text feature's string
  int64_t missing = 0;      // features that could not be drawn
  int64_t firstMissingRow = 0;
  std::string firstCause;
};

// Opens the layer of the feature table at path, whose header has been read,
// and gives the geometry source of its rows; nullptr for a table that is
// not a feature table, or whose features have no geometry to draw (complex
// features). A layer that cannot be opened ends the run (status 3).
const GeometrySource* openLayerDrawing(LayerDrawing& drawing, const char* path, const Table& table);

// Where features could not be drawn, writes "K features have no geometry;
// the first, row R: CAUSE" to standard error and returns true.
bool reportMissingGeometry(const LayerDrawing& drawing);
