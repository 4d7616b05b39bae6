#include "gpkg/geometry_blob.h"

#include <cstring>
#include <limits>

namespace {

// Numbers stored byte by byte, least significant first: the same bytes on
// every host.
inline unsigned char* putUint32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
  return p + 4;
}

inline unsigned char* putDouble(unsigned char* p, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(bits >> (8 * i));
  return p + 8;
}

inline uint32_t getUint32(const unsigned char* p) {
  return p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A component as the GeoJSON writes it: a single-precision one is the
// float it was read as.
inline double component(double v, bool single) {
  return single ? static_cast<double>(static_cast<float>(v)) : v;
}

// The order a part's positions are written in: a reversed ring's first
// position, then the others backwards, then the first again.
inline size_t positionIndex(const ShapePart& part, size_t k) {
  if (!part.reversed) return part.first + k;
  if (k == 0 || k + 1 == part.count) return part.first;
  return part.first + part.count - 1 - k;
}

struct Writer {
  const Shape& shape;
  int dims;
  uint32_t zType;  // 1000 where the positions have heights
  unsigned char* p;

  void header(uint32_t type) {
    *p++ = 1;  // little-endian
    p = putUint32(p, type + zType);
  }

  void position(const ShapePart& part, size_t index) {
    const double* xyz = shapePosition(shape, index);
    for (int d = 0; d < dims; ++d) p = putDouble(p, component(xyz[d], part.single));
  }

  // A part's positions after their count; a point part is its first.
  void positions(const ShapePart& part) {
    p = putUint32(p, static_cast<uint32_t>(part.count));
    for (size_t k = 0; k < part.count; ++k) position(part, positionIndex(part, k));
  }

  void point(const ShapePart& part) {
    header(POINT_GEOMETRY);
    position(part, part.first);
  }

  void line(const ShapePart& part) {
    header(LINE_GEOMETRY);
    positions(part);
  }

  void polygon(size_t first, size_t end) {
    header(POLYGON_GEOMETRY);
    p = putUint32(p, static_cast<uint32_t>(end - first));
    for (size_t k = first; k < end; ++k) positions(shape.parts[k]);
  }
};

// The positions a part contributes: a point part only its first.
inline size_t writtenCount(const ShapePart& part, bool point) { return point ? 1 : part.count; }

GeometryType typeOf(const Shape& shape) {
  switch (shape.kind) {
    case SHAPE_POINT: return POINT_GEOMETRY;
    case SHAPE_LINE: return LINE_GEOMETRY;
    case SHAPE_MULTIPOINT: return MULTIPOINT_GEOMETRY;
    case SHAPE_MULTILINE: return MULTILINE_GEOMETRY;
    case SHAPE_POLYGONS:
      return shape.polygonStart.size() == 1 ? POLYGON_GEOMETRY : MULTIPOLYGON_GEOMETRY;
    case SHAPE_COLLECTION: return COLLECTION_GEOMETRY;
    default: return NO_GEOMETRY;
  }
}

// True where the part is written as a point: a point's, a multipoint's and
// a collection's one-position parts.
inline bool isPointPart(const Shape& shape, const ShapePart& part) {
  return shape.kind == SHAPE_POINT || shape.kind == SHAPE_MULTIPOINT ||
         (shape.kind == SHAPE_COLLECTION && part.count == 1);
}

}  // namespace

BlobFacts putGeometryBlob(HeldText& out, const Shape& shape, int32_t srsId) {
  BlobFacts facts;
  facts.type = typeOf(shape);
  const int dims = shapeDims(shape);
  facts.hasZ = dims == 3;
  // The extent of the positions written, and room for them.
  size_t room = 8 + 32 + 9 + 9 * shape.polygonStart.size();
  for (const ShapePart& part : shape.parts) {
    const bool point = isPointPart(shape, part);
    const size_t n = writtenCount(part, point);
    room += 13 + n * 8 * dims;
    for (size_t k = 0; k < n; ++k) {
      const double* xyz = shapePosition(shape, positionIndex(part, k));
      const double x = component(xyz[0], part.single), y = component(xyz[1], part.single);
      if (facts.empty) {
        facts.minX = facts.maxX = x;
        facts.minY = facts.maxY = y;
        facts.empty = false;
        continue;
      }
      if (x < facts.minX) facts.minX = x;
      if (x > facts.maxX) facts.maxX = x;
      if (y < facts.minY) facts.minY = y;
      if (y > facts.maxY) facts.maxY = y;
    }
  }
  unsigned char* p = reinterpret_cast<unsigned char*>(beginHeld(out, room));
  const bool envelope = !facts.empty && facts.type != POINT_GEOMETRY;
  *p++ = 'G';
  *p++ = 'P';
  *p++ = 0;  // version 1
  *p++ = static_cast<unsigned char>(1 | (envelope ? 1 << 1 : 0) | (facts.empty ? 1 << 4 : 0));
  p = putUint32(p, static_cast<uint32_t>(srsId));
  if (envelope) {
    p = putDouble(p, facts.minX);
    p = putDouble(p, facts.maxX);
    p = putDouble(p, facts.minY);
    p = putDouble(p, facts.maxY);
  }
  Writer w{shape, dims, facts.hasZ ? 1000u : 0u, p};
  const std::vector<ShapePart>& parts = shape.parts;
  switch (facts.type) {
    case POINT_GEOMETRY:
      if (parts.empty()) {
        // An empty point: its coordinates NaN.
        w.header(POINT_GEOMETRY);
        for (int d = 0; d < dims; ++d)
          w.p = putDouble(w.p, std::numeric_limits<double>::quiet_NaN());
      } else {
        w.point(parts[0]);
      }
      break;
    case LINE_GEOMETRY:
      if (parts.empty()) {
        w.header(LINE_GEOMETRY);
        w.p = putUint32(w.p, 0);
      } else {
        w.line(parts[0]);
      }
      break;
    case MULTIPOINT_GEOMETRY:
    case MULTILINE_GEOMETRY:
    case COLLECTION_GEOMETRY:
      w.header(facts.type);
      w.p = putUint32(w.p, static_cast<uint32_t>(parts.size()));
      for (const ShapePart& part : parts) {
        if (isPointPart(shape, part))
          w.point(part);
        else
          w.line(part);
      }
      break;
    case POLYGON_GEOMETRY:
    case MULTIPOLYGON_GEOMETRY: {
      const std::vector<size_t>& starts = shape.polygonStart;
      if (facts.type == POLYGON_GEOMETRY) {
        w.polygon(0, parts.size());
        break;
      }
      w.header(MULTIPOLYGON_GEOMETRY);
      w.p = putUint32(w.p, static_cast<uint32_t>(starts.size()));
      for (size_t k = 0; k < starts.size(); ++k)
        w.polygon(starts[k], k + 1 < starts.size() ? starts[k + 1] : parts.size());
      break;
    }
    default: break;
  }
  endHeld(out, reinterpret_cast<char*>(w.p));
  return facts;
}

void putMultiOfOne(HeldText& out, const unsigned char* blob, size_t n) {
  const int envelopeCode = (blob[3] >> 1) & 7;
  static const size_t kEnvelopeBytes[8] = {0, 32, 48, 48, 64, 0, 0, 0};
  const size_t headerBytes = 8 + kEnvelopeBytes[envelopeCode];
  const unsigned char* wkb = blob + headerBytes;
  const uint32_t type = getUint32(wkb + 1);
  const uint32_t base = type % 1000;
  if (base < POINT_GEOMETRY || base > POLYGON_GEOMETRY) {
    putHeld(out, reinterpret_cast<const char*>(blob), n);
    return;
  }
  const bool empty = (blob[3] >> 4) & 1;
  unsigned char* p = reinterpret_cast<unsigned char*>(beginHeld(out, n + 32 + 9));
  // A point had no envelope; its multipoint has one, the point itself.
  if (base == POINT_GEOMETRY && !empty) {
    std::memcpy(p, blob, 3);
    p[3] = static_cast<unsigned char>(blob[3] | 1 << 1);
    std::memcpy(p + 4, blob + 4, 4);
    p += 8;
    const unsigned char* x = wkb + 5;
    const unsigned char* y = wkb + 13;
    for (const unsigned char* v : {x, x, y, y}) {
      std::memcpy(p, v, 8);
      p += 8;
    }
  } else {
    std::memcpy(p, blob, headerBytes);
    p += headerBytes;
  }
  *p++ = 1;
  p = putUint32(p, type + 3);
  if (base == POINT_GEOMETRY && empty) {
    p = putUint32(p, 0);  // an empty point's multipoint holds none
  } else {
    p = putUint32(p, 1);
    std::memcpy(p, wkb, n - headerBytes);
    p += n - headerBytes;
  }
  endHeld(out, reinterpret_cast<char*>(p));
}
