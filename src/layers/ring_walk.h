// Walking the rings of faces around the winged edges of a tile: each edge
// names the next edge about its end node (right_edge) and about its start
// node (left_edge), so a walk that keeps a face on its right goes from edge
// to edge around the face.
#pragma once

#include <cstdint>
#include <vector>

#include "layers/primitives.h"

// An edge as a walk passes along it: as stored, or reversed.
struct DirectedEdge {
  int32_t edge;
  bool forward;
  bool operator==(const DirectedEdge& other) const {
    return edge == other.edge && forward == other.forward;
  }
};

enum WalkEnd {
  WALK_CLOSED,   // back at the start edge, in the same direction
  WALK_OPEN,     // it does not come back (or the topology leads nowhere)
  WALK_NO_EDGE,  // it met a reference to an edge that has no row
};

// Walks the ring of face that starts at startEdge, keeping the face on its
// right, and leaves every edge it passes along in path, in order: those
// with the face on both sides (which bound nothing) too. WALK_NO_EDGE sets
// missingEdge.
WalkEnd walkFaceRing(const EdgeTable& edges, int32_t face, int32_t startEdge,
                     std::vector<DirectedEdge>& path, int32_t& missingEdge);

// A set of faces whose union is being drawn, and the edges its walks have
// passed along; both marked with the current generation, so that they are
// emptied at once for the next feature.
struct UnionMarks {
  uint32_t generation = 0;
  std::vector<uint32_t> face;    // by face id
  std::vector<uint32_t> listed;  // by edge id - 1: listed as bounding the union
  std::vector<uint32_t> walked;  // by 2 * (edge id - 1) + forward
};

// Starts a new set over a tile's edges and faces.
void newUnion(UnionMarks& marks, size_t faces, size_t edges);
void addUnionFace(UnionMarks& marks, int32_t face);
inline bool inUnion(const UnionMarks& marks, int32_t face) {
  return face >= 1 && static_cast<size_t>(face) < marks.face.size() &&
         marks.face[face] == marks.generation;
}
inline bool walkedBefore(const UnionMarks& marks, DirectedEdge e) {
  return marks.walked[2 * (e.edge - 1) + e.forward] == marks.generation;
}

// Walks a ring of the union of the set's faces from the edge start, which
// has exactly one of its faces in the set, on its right as start goes:
// as the walk of one face, but where the next edge lies inside the union
// (both its faces in the set), it turns past it about the node to the
// next one, until an edge that bounds the union. Leaves the ring's edges
// in ring and marks them walked.
WalkEnd walkUnionRing(const EdgeTable& edges, UnionMarks& marks, DirectedEdge start,
                      std::vector<DirectedEdge>& ring, int32_t& missingEdge);
