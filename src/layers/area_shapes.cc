#include "layers/area_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "layers/exact_sum.h"
#include "layers/ring_containment.h"

namespace {

enum RingAdded { RING_ADDED, RING_LEFT_OUT, RING_FAILED };

std::string edgeCause(int32_t edge, const char* what, const std::string& where) {
  return "edg " + std::to_string(edge) + " " + what + where;
}

// True for a number other than NaN and the infinities.
inline bool isFinite(double v) { return v - v == 0; }

// Copies count positions of a column's components (dims a position) to
// out, three components each, from position from on, or from it back where
// the edge is reversed; false where one has no finite x or y.
template <typename Component>
bool copyPositions(const std::vector<Component>& values, int dims, size_t from, size_t count,
                   bool forward, double* out) {
  const Component* v = values.data() + from * dims;
  const ptrdiff_t step = forward ? dims : -dims;
  bool finite = true;
  for (size_t j = 0; j < count; ++j, v += step, out += 3) {
    out[0] = v[0];
    out[1] = v[1];
    out[2] = dims == 3 ? v[2] : 0;
    finite = finite && isFinite(out[0]) && isFinite(out[1]);
  }
  return finite;
}

// Appends the ring that the edges drawn (n of them, in walk order) draw, as
// a part of shape: the first edge's positions, then each later edge's but
// its first, the node it shares with the edge before. A ring that does not
// end where it starts is closed. A ring of nothing drawn, or of fewer than
// four positions, is left out.
RingAdded addRing(const EdgeTable& edges, const DirectedEdge* drawn, size_t n,
                  const std::string& where, Shape& shape, std::string& cause) {
  const PositionColumn& column = edges.positions;
  size_t count = 0;
  for (size_t k = 0; k < n; ++k) {
    const size_t positions = column.rowStart[drawn[k].edge] - column.rowStart[drawn[k].edge - 1];
    if (positions == 0) {
      cause = edgeCause(drawn[k].edge, "has no position", where);
      return RING_FAILED;
    }
    count += k == 0 ? positions : positions - 1;
  }
  const size_t first = shape.positions;
  double* const start = positionRoom(shape, count + 1);  // room to close the ring
  double* out = start;
  for (size_t k = 0; k < n; ++k) {
    const DirectedEdge e = drawn[k];
    const size_t begin = column.rowStart[e.edge - 1], end = column.rowStart[e.edge];
    const size_t skip = k == 0 ? 0 : 1, take = end - begin - skip;
    const size_t from = e.forward ? begin + skip : end - 1 - skip;
    const bool finite =
        column.single ? copyPositions(column.singles, column.dims, from, take, e.forward, out)
                      : copyPositions(column.doubles, column.dims, from, take, e.forward, out);
    if (!finite) {
      cause = edgeCause(e.edge, "has a position that is not a number", where);
      return RING_FAILED;
    }
    out += 3 * take;
  }
  if (count > 0 && (start[0] != out[-3] || start[1] != out[-2])) {
    for (int d = 0; d < 3; ++d) out[d] = start[d];
    ++count;
  }
  if (count < 4) return RING_LEFT_OUT;
  shape.positions += count;
  shape.parts.push_back({first, count, column.single, column.dims == 3, false});
  return RING_ADDED;
}

inline double px(const Shape& shape, size_t i) { return shapePosition(shape, i)[0]; }
inline double py(const Shape& shape, size_t i) { return shapePosition(shape, i)[1]; }

// Twice a closed ring's signed area, counterclockwise positive, added to
// (or subtracted from) the exact sum.
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

// The same in doubles: each pair of products is taken as one difference,
// whose rounding the bound of the sum's terms covers.
void addRingArea(RoundedSum& rounded, const Shape& shape, const ShapePart& ring, bool subtract) {
  const double* p = shapePosition(shape, ring.first);
  const double* const end = p + 3 * (ring.count - 1);
  double sum = 0, magnitude = 0;
  for (; p != end; p += 3) {
    const double a = p[0] * p[4], b = p[3] * p[1];
    sum += a - b;
    magnitude += std::fabs(a) + std::fabs(b);
  }
  rounded.sum += subtract ? -sum : sum;
  rounded.magnitude += magnitude;
  rounded.terms += 2 * static_cast<int64_t>(ring.count - 1);
}

// The sign of the area of ring a, less that of ring b where b is given:
// from the rounded sum where that is certain, else from the exact one.
int areaSign(const Shape& shape, const ShapePart& a, const ShapePart* b = nullptr) {
  RoundedSum rounded;
  addRingArea(rounded, shape, a, false);
  if (b != nullptr) addRingArea(rounded, shape, *b, true);
  const int sign = certainSign(rounded);
  if (sign != 0) return sign;
  ExactSum sum;
  clearSum(sum);
  addRingArea(sum, shape, a, false);
  if (b != nullptr) addRingArea(sum, shape, *b, true);
  return sumSign(sum);
}

// True where ring a, clockwise as walked, encloses less than clockwise b.
bool smallerOuter(const Shape& shape, const ShapePart& a, const ShapePart& b) {
  return areaSign(shape, a, &b) > 0;
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
    ShapePart& ring = shape.parts.back();
    const int sign = areaSign(shape, ring);
    ring.reversed = r == first ? sign < 0 : sign > 0;
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
  // Sort the rings out: outer rings, and each hole's outer ring. A ring
  // that several holes may lie in is indexed for their tests.
  std::vector<ShapePart> rings(shape.parts.begin() + firstRing, shape.parts.end());
  std::vector<int> sign(rings.size()), owner(rings.size(), -1);
  std::vector<RingStrips>& box = tables.ringStrips;
  if (box.size() < rings.size()) box.resize(rings.size());
  for (size_t i = 0; i < rings.size(); ++i) {
    sign[i] = areaSign(shape, rings[i]);
    measureRing(shape, rings[i], false, box[i]);
  }
  auto within = [&](size_t h, size_t o) {
    return box[h].minX >= box[o].minX && box[h].maxX <= box[o].maxX && box[h].minY >= box[o].minY &&
           box[h].maxY <= box[o].maxY;
  };
  for (size_t o = 0; o < rings.size(); ++o) {
    if (sign[o] >= 0) continue;
    size_t holes = 0;
    for (size_t h = 0; h < rings.size(); ++h) holes += sign[h] >= 0 && within(h, o);
    if (holes >= 3) measureRing(shape, rings[o], true, box[o]);
  }
  for (size_t h = 0; h < rings.size(); ++h) {
    if (sign[h] < 0) continue;
    for (size_t o = 0; o < rings.size(); ++o)
      if (sign[o] < 0 && within(h, o) && liesInside(shape, rings[h], rings[o], box[o]) &&
          (owner[h] < 0 || smallerOuter(shape, rings[o], rings[owner[h]])))
        owner[h] = static_cast<int>(o);
  }
  shape.parts.resize(firstRing);
  for (size_t o = 0; o < rings.size(); ++o) {
    if (sign[o] >= 0) continue;
    shape.polygonStart.push_back(shape.parts.size());
    shape.parts.push_back(rings[o]);
    shape.parts.back().reversed = true;
    for (size_t h = 0; h < rings.size(); ++h) {
      if (owner[h] != static_cast<int>(o)) continue;
      shape.parts.push_back(rings[h]);
      shape.parts.back().reversed = sign[h] > 0;
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
