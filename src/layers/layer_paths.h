// The feature tables a path holds, and the names their layers go by: a
// database's libraries, a library's coverages and a coverage's feature
// tables are found by their folders and files, so that a database copied
// in part converts as it is.
#pragma once

#include <string>
#include <vector>

#include "layers/feature_layer.h"

struct LayerPath {
  std::string table;    // the feature table's path
  std::string name;     // its layer's name: lower case letters, digits and '_'
  std::string library;  // the folder of its library
  FeatureKind kind;
};

enum PathKind {
  PATH_MISSING,  // nothing is there
  PATH_NOT_VPF,  // neither a database, library or coverage nor a feature table
  PATH_LAYERS,   // a database, library, coverage or feature table
};

// Finds the feature tables of path: a folder holding a dht (a database:
// its subfolders holding an lht are its libraries), an lht (a library: its
// subfolders holding an fcs are its coverages) or an fcs (a coverage: its
// .pft, .lft, .aft, .tft and .cft files are its layers); one of those
// three files, meaning its folder; or one feature table. Names are found
// without regard to case; each list is in the order of its lower-cased
// names. Each layer is named coverage_table, or library_coverage_table
// where path holds several libraries.
PathKind findLayerPaths(const std::string& path, std::vector<LayerPath>& layers);
