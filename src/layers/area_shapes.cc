#include "layers/area_shapes.h"

#include <algorithm>
#include <cmath>

#include "layers/exact_sum.h"

namespace {

enum RingAdded { RING_ADDED, RING_LEFT_OUT, RING_FAILED };

std::string edgeCause(int32_t edge, const char* what, const std::string& where) {
  return "edg " + std::to_string(edge) + " " + what + where;
}

// Appends the ring that the edges drawn (n of them, in walk order) draw, as
// a part of shape: the first edge's positions, then each later edge's but
// its first, the node it shares with the edge before. A ring that does not
// end where it starts is closed. A ring of nothing drawn, or of fewer than
// four positions, is left out.
RingAdded addRing(const EdgeTable& edges, const DirectedEdge* drawn, size_t n,
                  const std::string& where, Shape& shape, std::string& cause) {
  const PositionColumn& column = edges.positions;
  const size_t first = shape.xyz.size() / 3;
  for (size_t k = 0; k < n; ++k) {
    const DirectedEdge e = drawn[k];
    const size_t begin = column.rowStart[e.edge - 1], end = column.rowStart[e.edge];
    if (begin == end) {
      cause = edgeCause(e.edge, "has no position", where);
      shape.xyz.resize(3 * first);
      return RING_FAILED;
    }
    for (size_t j = k == 0 ? 0 : 1; j < end - begin; ++j) {
      const size_t i = e.forward ? begin + j : end - 1 - j;
      const double x = positionComponent(column, i, 0), y = positionComponent(column, i, 1);
      if (!std::isfinite(x) || !std::isfinite(y)) {
        cause = edgeCause(e.edge, "has a position that is not a number", where);
        shape.xyz.resize(3 * first);
        return RING_FAILED;
      }
      addPosition(shape, x, y, column.dims == 3 ? positionComponent(column, i, 2) : 0);
    }
  }
  size_t count = shape.xyz.size() / 3 - first;
  if (count > 0 && (shape.xyz[3 * first] != shape.xyz[shape.xyz.size() - 3] ||
                    shape.xyz[3 * first + 1] != shape.xyz[shape.xyz.size() - 2])) {
    addPosition(shape, shape.xyz[3 * first], shape.xyz[3 * first + 1], shape.xyz[3 * first + 2]);
    ++count;
  }
  if (count < 4) {
    shape.xyz.resize(3 * first);
    return RING_LEFT_OUT;
  }
  shape.parts.push_back({first, count, column.single, column.dims == 3});
  return RING_ADDED;
}

inline double px(const Shape& shape, size_t i) { return shape.xyz[3 * i]; }
inline double py(const Shape& shape, size_t i) { return shape.xyz[3 * i + 1]; }

// Twice a closed ring's signed area, counterclockwise positive, added to
// (or subtracted from) sum.
void addRingArea(ExactSum& sum, const Shape& shape, const ShapePart& ring, bool subtract) {
  for (size_t i = ring.first; i + 1 < ring.first + ring.count; ++i) {
    if (subtract) {
      subtractProduct(sum, px(shape, i), py(shape, i + 1));
      addProduct(sum, px(shape, i + 1), py(shape, i));
    } else {
      addProduct(sum, px(shape, i), py(shape, i + 1));
      subtractProduct(sum, px(shape, i + 1), py(shape, i));
    }
  }
}

// 1 for a ring that turns counterclockwise, -1 clockwise, 0 for none.
int areaSign(const Shape& shape, const ShapePart& ring) {
  ExactSum sum;
  clearSum(sum);
  addRingArea(sum, shape, ring, false);
  return sumSign(sum);
}

// True where ring a, clockwise as walked, encloses less than clockwise b.
bool smallerOuter(const Shape& shape, const ShapePart& a, const ShapePart& b) {
  ExactSum sum;
  clearSum(sum);
  addRingArea(sum, shape, a, false);
  addRingArea(sum, shape, b, true);
  return sumSign(sum) > 0;
}

enum PointPlace { OUTSIDE, INSIDE, ON_BOUNDARY };

// Where position p lies against a closed ring: by the crossings of a ray
// from p towards growing x, every test exact.
PointPlace placeInRing(const Shape& shape, const ShapePart& ring, size_t p) {
  const double x = px(shape, p), y = py(shape, p);
  bool inside = false;
  for (size_t i = ring.first; i + 1 < ring.first + ring.count; ++i) {
    const double ax = px(shape, i), ay = py(shape, i);
    const double bx = px(shape, i + 1), by = py(shape, i + 1);
    if (ax == x && ay == y) return ON_BOUNDARY;
    if ((ay > y) != (by > y)) {
      const int turn = turnSign(ax, ay, bx, by, x, y);
      if (turn == 0) return ON_BOUNDARY;
      if ((by > ay) == (turn > 0)) inside = !inside;
    } else if (ay == y && by == y && (ax <= x) != (bx <= x)) {
      return ON_BOUNDARY;  // along a stretch of the ring at p's height
    }
  }
  return inside ? INSIDE : OUTSIDE;
}

// True where the ring hole lies inside the ring outer: decided by its
// first position that is not on outer's boundary.
bool liesInside(const Shape& shape, const ShapePart& hole, const ShapePart& outer) {
  for (size_t i = hole.first; i + 1 < hole.first + hole.count; ++i) {
    const PointPlace place = placeInRing(shape, outer, i);
    if (place != ON_BOUNDARY) return place == INSIDE;
  }
  return false;
}

// Reverses a closed ring, its first position kept first (and last).
void reverseRing(Shape& shape, const ShapePart& ring) {
  double* p = &shape.xyz[3 * ring.first];
  for (size_t i = 1, j = ring.count - 2; i < j; ++i, --j)
    for (int d = 0; d < 3; ++d) std::swap(p[3 * i + d], p[3 * j + d]);
  for (int d = 0; d < 3; ++d) p[3 * (ring.count - 1) + d] = p[d];
}

std::string noOuterRing(int32_t face, const std::string& where) {
  return "fac " + std::to_string(face) + " has no outer ring" + where;
}

std::string walkCause(WalkEnd end, int32_t face, int32_t missingEdge, const std::string& where) {
  if (end == WALK_NO_EDGE) return edgeCause(missingEdge, "has no row", where);
  return "a ring of fac " + std::to_string(face) + " does not close" + where;
}

// One face: its rings in rng order, the first the outer ring (which must
// draw something), the others its holes; each as the walk draws it, the
// edges with the face on both sides passed but not drawn.
std::string drawFace(AreaTables& tables, int32_t face, const std::string& where, Shape& shape) {
  size_t first, end;
  faceRings(tables.rings, face, first, end);
  if (first == end) return noOuterRing(face, where);
  const size_t polygon = shape.parts.size();
  for (size_t r = first; r < end; ++r) {
    int32_t missingEdge = 0;
    const WalkEnd walk =
        walkFaceRing(tables.edges, face, tables.rings.startEdge[r], tables.path, missingEdge);
    if (walk != WALK_CLOSED) return walkCause(walk, face, missingEdge, where);
    std::vector<DirectedEdge>& path = tables.path;
    path.erase(std::remove_if(path.begin(), path.end(),
                              [&](DirectedEdge e) {
                                const EdgeLinks& links = tables.edges.links[e.edge - 1];
                                return links.rightFace == face && links.leftFace == face;
                              }),
               path.end());
    std::string cause;
    const RingAdded added = addRing(tables.edges, path.data(), path.size(), where, shape, cause);
    if (added == RING_FAILED) return cause;
    if (added == RING_LEFT_OUT) {
      if (r == first) return noOuterRing(face, where);
      continue;
    }
    const ShapePart& ring = shape.parts.back();
    const int sign = areaSign(shape, ring);
    if (r == first ? sign < 0 : sign > 0) reverseRing(shape, ring);
  }
  shape.polygonStart.push_back(polygon);
  return "";
}

// The edges that bound the union of the marked faces (exactly one of their
// faces marked), as the walks of each face's rings meet them.
std::string listBoundingEdges(AreaTables& tables, const std::vector<int32_t>& faces,
                              const std::string& where) {
  tables.bounding.clear();
  UnionMarks& marks = tables.marks;
  for (int32_t face : faces) {
    size_t first, end;
    faceRings(tables.rings, face, first, end);
    for (size_t r = first; r < end; ++r) {
      int32_t missingEdge = 0;
      const WalkEnd walk =
          walkFaceRing(tables.edges, face, tables.rings.startEdge[r], tables.path, missingEdge);
      if (walk != WALK_CLOSED) return walkCause(walk, face, missingEdge, where);
      for (DirectedEdge e : tables.path) {
        const EdgeLinks& links = tables.edges.links[e.edge - 1];
        if (inUnion(marks, links.rightFace) == inUnion(marks, links.leftFace)) continue;
        if (marks.listed[e.edge - 1] == marks.generation) continue;
        marks.listed[e.edge - 1] = marks.generation;
        tables.bounding.push_back(e.edge);
      }
    }
  }
  return "";
}

// Several faces: the rings of their union, each walked from a bounding edge
// not yet walked. Rings walked clockwise are outer rings, the others holes,
// each in the smallest outer ring that holds it.
std::string drawUnion(AreaTables& tables, const std::vector<int32_t>& faces,
                      const std::string& where, Shape& shape) {
  UnionMarks& marks = tables.marks;
  newUnion(marks, tables.faces.id.size(), tables.edges.id.size());
  for (int32_t face : faces) addUnionFace(marks, face);
  std::string cause = listBoundingEdges(tables, faces, where);
  if (!cause.empty()) return cause;
  const size_t firstRing = shape.parts.size();
  for (int32_t edge : tables.bounding) {
    const EdgeLinks& links = tables.edges.links[edge - 1];
    const DirectedEdge start{edge, inUnion(marks, links.rightFace)};
    if (walkedBefore(marks, start)) continue;
    int32_t missingEdge = 0;
    const WalkEnd walk = walkUnionRing(tables.edges, marks, start, tables.path, missingEdge);
    if (walk != WALK_CLOSED) {
      const int32_t face = start.forward ? links.rightFace : links.leftFace;
      return walkCause(walk, face, missingEdge, where);
    }
    if (addRing(tables.edges, tables.path.data(), tables.path.size(), where, shape, cause) ==
        RING_FAILED)
      return cause;
  }
  // Sort the rings out: outer rings, and each hole's outer ring.
  std::vector<ShapePart> rings(shape.parts.begin() + firstRing, shape.parts.end());
  std::vector<int> sign(rings.size()), owner(rings.size(), -1);
  for (size_t i = 0; i < rings.size(); ++i) sign[i] = areaSign(shape, rings[i]);
  for (size_t h = 0; h < rings.size(); ++h) {
    if (sign[h] < 0) continue;
    for (size_t o = 0; o < rings.size(); ++o)
      if (sign[o] < 0 && liesInside(shape, rings[h], rings[o]) &&
          (owner[h] < 0 || smallerOuter(shape, rings[o], rings[owner[h]])))
        owner[h] = static_cast<int>(o);
  }
  shape.parts.resize(firstRing);
  for (size_t o = 0; o < rings.size(); ++o) {
    if (sign[o] >= 0) continue;
    shape.polygonStart.push_back(shape.parts.size());
    shape.parts.push_back(rings[o]);
    reverseRing(shape, rings[o]);
    for (size_t h = 0; h < rings.size(); ++h) {
      if (owner[h] != static_cast<int>(o)) continue;
      shape.parts.push_back(rings[h]);
      if (sign[h] > 0) reverseRing(shape, rings[h]);
    }
  }
  if (shape.parts.size() == firstRing) return noOuterRing(faces[0], where);
  return "";
}

}  // namespace

std::string drawFaces(AreaTables& tables, const std::vector<int32_t>& faces,
                      const std::string& where, Shape& shape) {
  if (faces.size() == 1) return drawFace(tables, faces[0], where, shape);
  return drawUnion(tables, faces, where, shape);
}
