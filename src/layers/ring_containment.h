// Whether one ring of a union lies inside another, decided exactly: by the
// crossings of a ray from one of its positions. A ring that many holes are
// tested against is indexed by horizontal strips first, so that each test
// looks at the few segments that can meet the ray.
#pragma once

#include <cstdint>
#include <vector>

#include "json/shape_text.h"

// A closed ring's segments by strips of height: strip k holds every segment
// whose heights reach into [bound[k], bound[k + 1]].
struct RingStrips {
  bool built = false;
  double minX, minY, maxX, maxY;  // the ring's bounding box
  std::vector<double> bound;
  std::vector<uint32_t> start;  // strip k's segments are segment[start[k]] to segment[start[k + 1]]
  std::vector<uint32_t> segment;  // segment i joins positions i and i + 1 of the ring
};

// The bounding box of ring; with indexed, also its strips (where they stay
// small: a ring whose segments each cross many strips is left unindexed).
void measureRing(const Shape& shape, const ShapePart& ring, bool indexed, RingStrips& strips);

// True where the ring hole lies inside the ring outer (measured): decided
// by the first of hole's positions that is not on outer's boundary; false
// where every one is.
bool liesInside(const Shape& shape, const ShapePart& hole, const ShapePart& outer,
                const RingStrips& strips);
