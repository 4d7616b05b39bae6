#include "blob_check.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kMaxDepth = 8;  // collections inside collections

struct Reader {
  const unsigned char* p = nullptr;
  size_t n = 0;
  size_t at = 0;
  std::string problem;
  bool hasZ = false;
  bool empty = true;
  double minX = 0, maxX = 0, minY = 0, maxY = 0;

  bool fail(const std::string& what) {
    if (problem.empty()) problem = what + " at byte " + std::to_string(at);
    return false;
  }

  bool has(size_t k) { return n - at >= k || fail("the blob ends early"); }

  uint32_t uint32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[at + i]) << (8 * i);
    at += 4;
    return v;
  }

  double float64() {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(p[at + i]) << (8 * i);
    at += 8;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }

  // One position of the geometry's dimensions; a point may be all NaN,
  // which is an empty point.
  bool position(bool point) {
    const int dims = hasZ ? 3 : 2;
    if (!has(8 * dims)) return false;
    double v[3];
    int nans = 0;
    for (int d = 0; d < dims; ++d) {
      v[d] = float64();
      if (std::isnan(v[d])) ++nans;
    }
    if (point && nans == dims) return true;
    for (int d = 0; d < dims; ++d)
      if (!std::isfinite(v[d])) return fail("a position that is not finite");
    if (empty) {
      minX = maxX = v[0];
      minY = maxY = v[1];
      empty = false;
      return true;
    }
    minX = std::fmin(minX, v[0]);
    maxX = std::fmax(maxX, v[0]);
    minY = std::fmin(minY, v[1]);
    maxY = std::fmax(maxY, v[1]);
    return true;
  }

  // A count of items of at least itemBytes each, which the rest must hold.
  bool count(uint32_t& k, size_t itemBytes) {
    if (!has(4)) return false;
    k = uint32();
    return static_cast<uint64_t>(k) * itemBytes <= n - at || fail("a count past the blob's end");
  }

  bool positions() {
    uint32_t k;
    if (!count(k, hasZ ? 24 : 16)) return false;
    for (uint32_t i = 0; i < k; ++i)
      if (!position(false)) return false;
    return true;
  }

  // One geometry: byte order, type, body. parent is the type its type must
  // fit (0 for any), top true for the blob's own geometry.
  bool geometry(uint32_t parent, int depth, uint32_t& type) {
    if (depth > kMaxDepth) return fail("collections nested too deep");
    if (!has(5)) return false;
    if (p[at++] != 1) return fail("a geometry that is not little-endian");
    const uint32_t code = uint32();
    type = code % 1000;
    const bool z = code / 1000 == 1;
    if (code / 1000 > 1 || type < 1 || type > 7) return fail("an unknown geometry type");
    if (depth == 0) hasZ = z;
    if (z != hasZ) return fail("a part whose dimensions differ from its geometry's");
    if (parent != 0 && type != parent) return fail("a part of the wrong type");
    uint32_t k, partType;
    switch (type) {
      case 1: return position(true);
      case 2: return positions();
      case 3:
        if (!count(k, 4)) return false;
        for (uint32_t i = 0; i < k; ++i)
          if (!positions()) return false;
        return true;
      default:
        if (!count(k, 5)) return false;
        for (uint32_t i = 0; i < k; ++i)
          if (!geometry(type == 7 ? 0 : type - 3, depth + 1, partType)) return false;
        return true;
    }
  }
};

}  // namespace

BlobReading readGeometryBlob(const unsigned char* blob, size_t n, int32_t srsId) {
  BlobReading reading;
  Reader r;
  r.p = blob;
  r.n = n;
  if (n < 8 || blob[0] != 'G' || blob[1] != 'P') {
    reading.problem = "a geometry that does not start with GP";
    return reading;
  }
  const unsigned flags = blob[3];
  const unsigned envelope = (flags >> 1) & 7;
  if (blob[2] != 0) r.fail("a header version other than 0");
  if ((flags & 1) == 0) r.fail("a header that is not little-endian");
  if ((flags & 0xE0) != 0) r.fail("an extended type or reserved flag set");
  if (envelope > 4) r.fail("an envelope code past 4");
  r.at = 4;
  if (static_cast<int32_t>(r.uint32()) != srsId) r.fail("a spatial reference unlike its layer's");
  static const size_t kEnvelopeDoubles[5] = {0, 4, 6, 6, 8};
  double box[8] = {0};
  if (r.problem.empty() && r.has(8 * kEnvelopeDoubles[envelope]))
    for (size_t i = 0; i < kEnvelopeDoubles[envelope]; ++i) box[i] = r.float64();
  if (r.problem.empty() && r.geometry(0, 0, reading.type) && r.at != n)
    r.fail("bytes after the geometry");
  if (r.problem.empty() && ((flags >> 4) & 1) != (r.empty ? 1u : 0u))
    r.fail(r.empty ? "an empty geometry without the empty flag"
                   : "the empty flag on a geometry with positions");
  const unsigned expected = r.empty || reading.type == 1 ? 0 : 1;
  if (r.problem.empty() && envelope != expected)
    r.fail("envelope code " + std::to_string(envelope) + " where " + std::to_string(expected) +
           " is due");
  if (r.problem.empty() && envelope == 1 &&
      (box[0] != r.minX || box[1] != r.maxX || box[2] != r.minY || box[3] != r.maxY))
    r.fail("an envelope unlike the positions' extent");
  reading.problem = r.problem;
  reading.hasZ = r.hasZ;
  reading.empty = r.empty;
  reading.minX = r.minX;
  reading.maxX = r.maxX;
  reading.minY = r.minY;
  reading.maxY = r.maxY;
  return reading;
}
