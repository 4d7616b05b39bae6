// A geometry drawn from other tables (a feature's, by a join), held as its
// positions until it is written as GeoJSON.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "output/held_text.h"

// One point, line or ring: the positions first to first + count - 1 of
// the shape, each read as a 32-bit float (single) or a double, with or
// without a height. A reversed ring is written the other way round, its
// first position kept first and last.
struct ShapePart {
  size_t first;
  size_t count;
  bool single;
  bool hasZ;
  bool reversed;
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
  // Three components a position (z is 0 where absent), of which the first
  // `positions` are in use: the memory grows to the largest shape and is
  // reused, and is not cleared when it grows.
  std::unique_ptr<double[]> xyz;
  size_t capacity = 0;  // positions the memory holds
  size_t positions = 0;
  std::vector<ShapePart> parts;
  // Polygons: the index of each polygon's first part, its outer ring; the
  // parts up to the next polygon's are its holes.
  std::vector<size_t> polygonStart;
};

// Empties the shape, keeping its memory for the next one.
void clearShape(Shape& shape);

// Makes room for n more positions (out of line: it allocates).
void growPositions(Shape& shape, size_t n);

// Where the next n positions go, three components each; the caller writes
// them there and adds them to the positions in use.
inline double* positionRoom(Shape& shape, size_t n) {
  if (shape.capacity - shape.positions < n) growPositions(shape, n);
  return shape.xyz.get() + 3 * shape.positions;
}

// Position i's components.
inline const double* shapePosition(const Shape& shape, size_t i) { return shape.xyz.get() + 3 * i; }

// The components each position of the shape is written with: 3 where
// every position has a finite height, else 2.
int shapeDims(const Shape& shape);

// Writes the shape's GeoJSON geometry, or null. Its positions are written
// at their own width, with the fewest digits that read back; in 3-D only
// where every position has a finite height.
void putShapeText(HeldText& out, const Shape& shape);
