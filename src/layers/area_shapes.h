// The polygons of area features: a face's rings, or the union of several
// faces of one tile, walked around the tile's edges and written in the
// orientation GeoJSON asks for (outer rings counterclockwise, holes
// clockwise).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "json/shape_text.h"
#include "layers/primitives.h"
#include "layers/ring_containment.h"
#include "layers/ring_walk.h"

// The tables of a tile that faces are drawn from, and the working memory of
// their walks, kept from one feature to the next.
struct AreaTables {
  FaceTable faces;
  RingTable rings;
  EdgeTable edges;
  UnionMarks marks;
  std::vector<DirectedEdge> path;
  std::vector<int32_t> bounding;
  std::vector<RingStrips> ringStrips;
};

// Adds the polygons of faces (of one tile, each with a row of its own, none
// the universe face) to shape: a single face's rings in rng order, the
// first its outer ring; several faces' union, dissolved along the edges
// they share. "" when drawn, else why not (where is " in tile T", or
// nothing).
std::string drawFaces(AreaTables& tables, const std::vector<int32_t>& faces,
                      const std::string& where, Shape& shape);
