// A feature's geometry as a GeoPackage stores it: the "GP" header (the
// spatial reference, the envelope, the empty flag), then the geometry as
// ISO well-known binary, every number little-endian whatever the host's
// order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "json/shape_text.h"
#include "output/held_text.h"

// The well-known binary types, without the 1000 that marks heights.
enum GeometryType {
  NO_GEOMETRY = 0,
  POINT_GEOMETRY = 1,
  LINE_GEOMETRY = 2,
  POLYGON_GEOMETRY = 3,
  MULTIPOINT_GEOMETRY = 4,
  MULTILINE_GEOMETRY = 5,
  MULTIPOLYGON_GEOMETRY = 6,
  COLLECTION_GEOMETRY = 7,
};

// What a written geometry is: its type, whether it has heights, whether it
// holds no position, and the extent of its positions' x and y.
struct BlobFacts {
  GeometryType type = NO_GEOMETRY;
  bool hasZ = false;
  bool empty = true;
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
};

// Writes the shape (not SHAPE_NONE) as a geometry blob at the end of out:
// the same positions, parts and orientation as its GeoJSON, each component
// at the width it was read with, in 3-D only where the GeoJSON is.
BlobFacts putGeometryBlob(HeldText& out, const Shape& shape, int32_t srsId);

// Writes a blob of a Point, LineString or Polygon (as putGeometryBlob
// writes them) as a MultiPoint, MultiLineString or MultiPolygon of that
// one geometry, at the end of out; any other blob as it is.
void putMultiOfOne(HeldText& out, const unsigned char* blob, size_t n);
