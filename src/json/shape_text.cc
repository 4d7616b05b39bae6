#include "json/shape_text.h"

#include <cstring>

#include "json/json_text.h"
#include "json/value_lists.h"
#include "output/shortest_number.h"

namespace {

// One component at the width it was read with. Every component a shape
// writes is finite: its x and y were checked, and a height only where all
// are.
inline char* writeShapeComponent(char* p, float v) { return writeShortestFloat(p, v); }
inline char* writeShapeComponent(char* p, double v) { return writeShortestDouble(p, v); }

// Writes one position at p, [x,y] or [x,y,z], and a comma.
template <typename Component>
inline char* writeShapePosition(char* p, const double* xyz, int dims) {
  *p++ = '[';
  p = writeShapeComponent(p, static_cast<Component>(xyz[0]));
  *p++ = ',';
  p = writeShapeComponent(p, static_cast<Component>(xyz[1]));
  if (dims == 3) {
    *p++ = ',';
    p = writeShapeComponent(p, static_cast<Component>(xyz[2]));
  }
  p[0] = ']';
  p[1] = ',';
  return p + 2;
}

// Writes a part's count positions at p, each followed by a comma: in
// order, or for a reversed ring its first, then the others backwards, then
// its first again.
template <typename Component>
char* writePositions(char* p, const Shape& shape, const ShapePart& part, size_t count, int dims) {
  const double* xyz = shapePosition(shape, part.first);
  if (!part.reversed) {
    for (size_t k = 0; k < count; ++k) p = writeShapePosition<Component>(p, xyz + 3 * k, dims);
    return p;
  }
  p = writeShapePosition<Component>(p, xyz, dims);
  for (size_t k = count - 2; k > 0; --k) p = writeShapePosition<Component>(p, xyz + 3 * k, dims);
  return writeShapePosition<Component>(p, xyz, dims);
}

// A part's positions inside brackets; a point is its one position.
void putPart(HeldText& out, const Shape& shape, const ShapePart& part, int dims, bool point) {
  const size_t count = point ? 1 : part.count;
  char* p = beginHeld(out, count * MAX_POSITION_TEXT + 1);
  if (!point) *p++ = '[';
  p = part.single ? writePositions<float>(p, shape, part, count, dims)
                  : writePositions<double>(p, shape, part, count, dims);
  if (point) {
    endHeld(out, p - 1);  // without the comma after it
    return;
  }
  p[-1] = ']';
  endHeld(out, p);
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

}  // namespace

int shapeDims(const Shape& shape) {
  for (const ShapePart& part : shape.parts) {
    if (!part.hasZ) return 2;
    for (size_t i = part.first; i < part.first + part.count; ++i)
      if (!isFiniteValue(shapePosition(shape, i)[2])) return 2;
  }
  return 3;
}

void clearShape(Shape& shape) {
  shape.kind = SHAPE_NONE;
  shape.positions = 0;
  shape.parts.clear();
  shape.polygonStart.clear();
}

void growPositions(Shape& shape, size_t n) {
  const size_t needed = shape.positions + n;
  const size_t capacity = needed > 2 * shape.capacity ? needed : 2 * shape.capacity;
  std::unique_ptr<double[]> xyz(new double[3 * capacity]);
  if (shape.positions > 0)
    std::memcpy(xyz.get(), shape.xyz.get(), 3 * shape.positions * sizeof(double));
  shape.xyz = std::move(xyz);
  shape.capacity = capacity;
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
