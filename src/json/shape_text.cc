#include "json/shape_text.h"

#include "json/json_text.h"
#include "json/value_lists.h"

namespace {

// Position i of the shape, at the width it was read with.
char* writeShapePosition(char* p, const Shape& shape, const ShapePart& part, size_t i, int dims) {
  const double* v = &shape.xyz[3 * i];
  if (part.single) {
    const float f[3] = {static_cast<float>(v[0]), static_cast<float>(v[1]),
                        static_cast<float>(v[2])};
    return writePositionText(p, f, dims);
  }
  return writePositionText(p, v, dims);
}

// A part's positions, each followed by a comma, inside brackets; a point
// is its one position.
void putPart(HeldText& out, const Shape& shape, const ShapePart& part, int dims, bool point) {
  if (point) {
    endHeld(out,
            writeShapePosition(beginHeld(out, MAX_POSITION_TEXT), shape, part, part.first, dims));
    return;
  }
  putHeldChar(out, '[');
  for (size_t i = part.first; i < part.first + part.count; ++i) {
    char* p = writeShapePosition(beginHeld(out, MAX_POSITION_TEXT), shape, part, i, dims);
    *p++ = ',';
    endHeld(out, p);
  }
  out.data[out.used - 1] = ']';
}

// Parts first to end - 1, bracketed and parted by commas.
void putParts(HeldText& out, const Shape& shape, size_t first, size_t end, int dims, bool points) {
  putHeldChar(out, '[');
  for (size_t k = first; k < end; ++k) {
    if (k > first) putHeldChar(out, ',');
    putPart(out, shape, shape.parts[k], dims, points);
  }
  putHeldChar(out, ']');
}

// 3 where every position has a finite height, else 2.
int shapeDims(const Shape& shape) {
  for (const ShapePart& part : shape.parts) {
    if (!part.hasZ) return 2;
    for (size_t i = part.first; i < part.first + part.count; ++i)
      if (!isFiniteValue(shape.xyz[3 * i + 2])) return 2;
  }
  return 3;
}

}  // namespace

void clearShape(Shape& shape) {
  shape.kind = SHAPE_NONE;
  shape.xyz.clear();
  shape.parts.clear();
  shape.polygonStart.clear();
}

void putShapeText(HeldText& out, const Shape& shape) {
  const int dims = shapeDims(shape);
  const size_t parts = shape.parts.size();
  switch (shape.kind) {
    case SHAPE_NONE: putHeld(out, "null", 4); return;
    case SHAPE_POINT:
      putHeld(out, "{\"type\":\"Point\",\"coordinates\":");
      putPart(out, shape, shape.parts[0], dims, true);
      break;
    case SHAPE_LINE:
      putHeld(out, "{\"type\":\"LineString\",\"coordinates\":");
      putPart(out, shape, shape.parts[0], dims, false);
      break;
    case SHAPE_MULTIPOINT:
      putHeld(out, "{\"type\":\"MultiPoint\",\"coordinates\":");
      putParts(out, shape, 0, parts, dims, true);
      break;
    case SHAPE_MULTILINE:
      putHeld(out, "{\"type\":\"MultiLineString\",\"coordinates\":");
      putParts(out, shape, 0, parts, dims, false);
      break;
    case SHAPE_POLYGONS: {
      const size_t polygons = shape.polygonStart.size();
      if (polygons == 1) {
        putHeld(out, "{\"type\":\"Polygon\",\"coordinates\":");
        putParts(out, shape, 0, parts, dims, false);
        break;
      }
      putHeld(out, "{\"type\":\"MultiPolygon\",\"coordinates\":[");
      for (size_t k = 0; k < polygons; ++k) {
        if (k > 0) putHeldChar(out, ',');
        putParts(out, shape, shape.polygonStart[k],
                 k + 1 < polygons ? shape.polygonStart[k + 1] : parts, dims, false);
      }
      putHeldChar(out, ']');
      break;
    }
    case SHAPE_COLLECTION:
      putHeld(out, "{\"type\":\"GeometryCollection\",\"geometries\":[");
      for (size_t k = 0; k < parts; ++k) {
        const bool point = shape.parts[k].count == 1;
        if (k > 0) putHeldChar(out, ',');
        putHeld(out, point ? "{\"type\":\"Point\",\"coordinates\":"
                           : "{\"type\":\"LineString\",\"coordinates\":");
        putPart(out, shape, shape.parts[k], dims, point);
        putHeldChar(out, '}');
      }
      putHeldChar(out, ']');
      break;
  }
  putHeldChar(out, '}');
}
