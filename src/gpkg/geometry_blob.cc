#include "gpkg/geometry_blob.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "output/portable_bits.h"

namespace {

// Numbers stored least significant byte first: the same bytes on every
// host.
inline unsigned char* putUint32(unsigned char* p, uint32_t v) {
  storeLittleEndian32(p, v);
  return p + 4;
}

inline unsigned char* putDouble(unsigned char* p, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  storeLittleEndian64(p, bits);
  return p + 8;
}

inline uint32_t getUint32(const unsigned char* p) {
  return p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Writes the geometry's well-known binary and keeps the extent of the
// positions it writes.
struct Writer {
  const Shape& shape;
  int dims;
  uint32_t zType;  // 1000 where the positions have heights
  unsigned char* p;
  double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;

  void header(uint32_t type) {
    *p++ = 1;  // little-endian
    p = putUint32(p, type + zType);
  }

  // Positions first to first + n - 1 (step -1 where backwards), each
  // component at the width it was read with: a single-precision one is the
  // float it was read as, as the GeoJSON writes it.
  template <bool single, int d>
  void run(size_t first, size_t n, bool backwards) {
    // Kept in locals: the bytes written through p may alias the members.
    const double* xyz = shapePosition(shape, first);
    const ptrdiff_t step = backwards ? -3 : 3;
    unsigned char* out = p;
    double x0 = minX, x1 = maxX, y0 = minY, y1 = maxY;
    for (size_t k = 0; k < n; ++k, xyz += step) {
      double v[3];
      for (int i = 0; i < d; ++i)
        v[i] = single ? static_cast<double>(static_cast<float>(xyz[i])) : xyz[i];
      x0 = v[0] < x0 ? v[0] : x0;
      x1 = v[0] > x1 ? v[0] : x1;
      y0 = v[1] < y0 ? v[1] : y0;
      y1 = v[1] > y1 ? v[1] : y1;
      for (int i = 0; i < d; ++i) out = putDouble(out, v[i]);
    }
    p = out;
    minX = x0;
    maxX = x1;
    minY = y0;
    maxY = y1;
  }

  void run(const ShapePart& part, size_t first, size_t n, bool backwards) {
    if (n == 0) return;
    if (dims == 2)
      part.single ? run<true, 2>(first, n, backwards) : run<false, 2>(first, n, backwards);
    else
      part.single ? run<true, 3>(first, n, backwards) : run<false, 3>(first, n, backwards);
  }

  // A part's positions after their count: a reversed ring's first, the
  // others backwards, then its first again.
  void positions(const ShapePart& part) {
    p = putUint32(p, static_cast<uint32_t>(part.count));
    if (!part.reversed || part.count < 2) {
      run(part, part.first, part.count, false);
      return;
    }
    run(part, part.first, 1, false);
    run(part, part.first + part.count - 2, part.count - 2, true);
    run(part, part.first, 1, false);
  }

  void point(const ShapePart& part) {
    header(POINT_GEOMETRY);
    run(part, part.first, 1, false);
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
  size_t room = 8 + 32 + 9 + 9 * shape.polygonStart.size();
  for (const ShapePart& part : shape.parts) room += 13 + part.count * 8 * dims;
  // The geometry goes after room for the longest header; where the header
  // is shorter (a point's has no envelope) it is moved up to it.
  unsigned char* const start = reinterpret_cast<unsigned char*>(beginHeld(out, room));
  unsigned char* const wkb = start + 40;
  Writer w{shape, dims, facts.hasZ ? 1000u : 0u, wkb};
  const std::vector<ShapePart>& parts = shape.parts;
  switch (facts.type) {
    case POINT_GEOMETRY:
      if (parts.empty()) {
        // An empty point: its coordinates NaN.
        w.header(POINT_GEOMETRY);
        for (int d = 0; d < dims; ++d) w.p = putDouble(w.p, NAN);
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
  facts.empty = w.minX > w.maxX;
  if (!facts.empty) {
    facts.minX = w.minX;
    facts.maxX = w.maxX;
    facts.minY = w.minY;
    facts.maxY = w.maxY;
  }
  const bool envelope = !facts.empty && facts.type != POINT_GEOMETRY;
  unsigned char* p = envelope ? start : wkb - 8;
  unsigned char* const header = p;
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
  if (header != start) std::memmove(start, header, w.p - header);
  endHeld(out, reinterpret_cast<char*>(start + (w.p - header)));
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
