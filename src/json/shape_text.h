// A geometry drawn from other tables (a feature's, by a join), held as its
// positions until it is written as GeoJSON.
#pragma once

#include <cstddef>
#include <vector>

#include "output/held_text.h"

// One point, line or ring: the positions first to first + count - 1 of
// the shape, each read as a 32-bit float (single) or a double, with or
// without a height.
struct ShapePart {
  size_t first;
  size_t count;
  bool single;
  bool hasZ;
};

enum ShapeKind {
  SHAPE_NONE,        // null
  SHAPE_POINT,       // one part of one position
  SHAPE_LINE,        // one part
  SHAPE_MULTIPOINT,  // parts of one position each
  SHAPE_MULTILINE,   // one line a part
  SHAPE_POLYGONS,    // a Polygon where there is one, else a MultiPolygon
  SHAPE_COLLECTION,  // a GeometryCollection of Points and LineStrings, one a part
};

struct Shape {
  ShapeKind kind = SHAPE_NONE;
  std::vector<double> xyz;  // three components a position; z is 0 where absent
  std::vector<ShapePart> parts;
  // Polygons: the index of each polygon's first part, its outer ring; the
  // parts up to the next polygon's are its holes.
  std::vector<size_t> polygonStart;
};

// Empties the shape, keeping its memory for the next one.
void clearShape(Shape& shape);

// Appends a position to the shape; the caller counts it into a part.
inline void addPosition(Shape& shape, double x, double y, double z) {
  shape.xyz.push_back(x);
  shape.xyz.push_back(y);
  shape.xyz.push_back(z);
}

// Writes the shape's GeoJSON geometry, or null. Its positions are written
// at their own width, with the fewest digits that read back; in 3-D only
// where every position has a finite height.
void putShapeText(HeldText& out, const Shape& shape);
