#include "layers/ring_containment.h"

#include <algorithm>

#include "layers/exact_sum.h"

namespace {

// Segments a strip holds, about, and the most a ring may register before
// it is left unindexed (segments crossing many strips each).
constexpr size_t SEGMENTS_A_STRIP = 4;
constexpr size_t MOST_REGISTERED = 8;

enum PointPlace { OUTSIDE, INSIDE, ON_BOUNDARY };

// The strip of height y: the last whose lower bound is at most y. By
// comparisons with the stored bounds, so the same on every call.
size_t stripOf(const RingStrips& strips, double y) {
  const size_t k =
      std::upper_bound(strips.bound.begin(), strips.bound.end(), y) - strips.bound.begin();
  return k == 0 ? 0 : std::min(k - 1, strips.start.size() - 2);
}

// What segment a, b says of point (x, y): crosses the ray towards growing
// x (a turn of inside), puts the point on the ring, or neither.
inline bool onSegment(const double* a, const double* b, double x, double y, bool& inside) {
  if (a[0] == x && a[1] == y) return true;
  if ((a[1] > y) != (b[1] > y)) {
    const int turn = turnSign(a[0], a[1], b[0], b[1], x, y);
    if (turn == 0) return true;
    if ((b[1] > a[1]) == (turn > 0)) inside = !inside;
  } else if (a[1] == y && b[1] == y && (a[0] <= x) != (b[0] <= x)) {
    return true;  // along a stretch of the ring at the point's height
  }
  return false;
}

// Where point (x, y) lies against a closed ring.
PointPlace placeInRing(const Shape& shape, const ShapePart& ring, const RingStrips& strips,
                       double x, double y) {
  if (x < strips.minX || x > strips.maxX || y < strips.minY || y > strips.maxY) return OUTSIDE;
  const double* p = shapePosition(shape, ring.first);
  bool inside = false;
  if (strips.built) {
    const size_t k = stripOf(strips, y);
    for (uint32_t s = strips.start[k]; s < strips.start[k + 1]; ++s) {
      const double* a = p + 3 * static_cast<size_t>(strips.segment[s]);
      if (onSegment(a, a + 3, x, y, inside)) return ON_BOUNDARY;
    }
  } else {
    for (size_t i = 0; i + 1 < ring.count; ++i)
      if (onSegment(p + 3 * i, p + 3 * (i + 1), x, y, inside)) return ON_BOUNDARY;
  }
  return inside ? INSIDE : OUTSIDE;
}

// Registers each segment in the strips its heights reach, counting first
// (when count) or filling.
template <typename Take>
void eachRegistration(const Shape& shape, const ShapePart& ring, const RingStrips& strips,
                      Take take) {
  const double* p = shapePosition(shape, ring.first);
  for (size_t i = 0; i + 1 < ring.count; ++i) {
    const double a = p[3 * i + 1], b = p[3 * i + 4];
    const size_t low = stripOf(strips, a < b ? a : b), high = stripOf(strips, a < b ? b : a);
    for (size_t k = low; k <= high; ++k) take(k, static_cast<uint32_t>(i));
  }
}

}  // namespace

void measureRing(const Shape& shape, const ShapePart& ring, bool indexed, RingStrips& strips) {
  const double* p = shapePosition(shape, ring.first);
  strips.minX = strips.maxX = p[0];
  strips.minY = strips.maxY = p[1];
  for (size_t i = 1; i < ring.count; ++i) {
    strips.minX = std::min(strips.minX, p[3 * i]);
    strips.maxX = std::max(strips.maxX, p[3 * i]);
    strips.minY = std::min(strips.minY, p[3 * i + 1]);
    strips.maxY = std::max(strips.maxY, p[3 * i + 1]);
  }
  strips.built = false;
  const size_t segments = ring.count - 1;
  const size_t count = segments / SEGMENTS_A_STRIP;
  if (!indexed || count < 2 || !(strips.maxY > strips.minY) || segments > UINT32_MAX) return;
  strips.bound.resize(count);
  const double height = (strips.maxY - strips.minY) / static_cast<double>(count);
  for (size_t k = 0; k < count; ++k)
    strips.bound[k] = strips.minY + height * static_cast<double>(k);
  strips.bound[0] = strips.minY;
  strips.start.assign(count + 1, 0);
  size_t registered = 0;
  eachRegistration(shape, ring, strips, [&](size_t k, uint32_t) {
    ++strips.start[k + 1];
    ++registered;
  });
  if (registered > MOST_REGISTERED * segments) return;
  for (size_t k = 0; k < count; ++k) strips.start[k + 1] += strips.start[k];
  strips.segment.resize(registered);
  std::vector<uint32_t> next(strips.start.begin(), strips.start.end() - 1);
  eachRegistration(shape, ring, strips,
                   [&](size_t k, uint32_t i) { strips.segment[next[k]++] = i; });
  strips.built = true;
}

bool liesInside(const Shape& shape, const ShapePart& hole, const ShapePart& outer,
                const RingStrips& strips) {
  for (size_t i = hole.first; i + 1 < hole.first + hole.count; ++i) {
    const double* p = shapePosition(shape, i);
    const PointPlace place = placeInRing(shape, outer, strips, p[0], p[1]);
    if (place != ON_BOUNDARY) return place == INSIDE;
  }
  return false;
}
