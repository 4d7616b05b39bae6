#include "layers/ring_walk.h"

#include <algorithm>

namespace {

// The node a walk reaches at the end of e, and the edge it looks at next:
// right_edge after an edge passed as stored, left_edge after a reversed one.
inline int32_t nodeReached(const EdgeLinks& e, bool forward) {
  return forward ? e.endNode : e.startNode;
}
inline int32_t nextEdge(const EdgeLinks& e, bool forward) {
  return forward ? e.rightEdge : e.leftEdge;
}

// No ring passes along an edge twice in one direction: a walk longer than
// twice the edges does not come back.
inline size_t stepLimit(const EdgeTable& edges) { return 2 * edges.id.size(); }

}  // namespace

WalkEnd walkFaceRing(const EdgeTable& edges, int32_t face, int32_t startEdge,
                     std::vector<DirectedEdge>& path, int32_t& missingEdge) {
  path.clear();
  if (!hasRow(edges.id, startEdge)) {
    missingEdge = startEdge;
    return WALK_NO_EDGE;
  }
  const DirectedEdge start{startEdge, edges.links[startEdge - 1].rightFace == face};
  DirectedEdge e = start;
  for (;;) {
    path.push_back(e);
    const EdgeLinks& from = edges.links[e.edge - 1];
    const int32_t node = nodeReached(from, e.forward);
    const int32_t next = nextEdge(from, e.forward);
    if (!hasRow(edges.id, next)) {
      missingEdge = next;
      return WALK_NO_EDGE;
    }
    // The next edge leaves the node: as stored where it starts there,
    // reversed where it ends there; an edge that does both keeps the face
    // on its right.
    const EdgeLinks& to = edges.links[next - 1];
    bool forward;
    if (to.startNode == node && to.endNode == node)
      forward = to.rightFace == face;
    else if (to.startNode == node)
      forward = true;
    else if (to.endNode == node)
      forward = false;
    else
      return WALK_OPEN;
    e = {next, forward};
    if (e == start) return WALK_CLOSED;
    if (path.size() >= stepLimit(edges)) return WALK_OPEN;
  }
}

void newUnion(UnionMarks& marks, size_t faces, size_t edges) {
  if (marks.face.size() < faces + 1) marks.face.resize(faces + 1, 0);
  if (marks.listed.size() < edges) marks.listed.resize(edges, 0);
  if (marks.walked.size() < 2 * edges) marks.walked.resize(2 * edges, 0);
  if (++marks.generation == 0) {  // the marks wrapped: clear them once
    std::fill(marks.face.begin(), marks.face.end(), 0);
    std::fill(marks.listed.begin(), marks.listed.end(), 0);
    std::fill(marks.walked.begin(), marks.walked.end(), 0);
    marks.generation = 1;
  }
}

void addUnionFace(UnionMarks& marks, int32_t face) {
  if (face >= 1 && static_cast<size_t>(face) < marks.face.size())
    marks.face[face] = marks.generation;
}

WalkEnd walkUnionRing(const EdgeTable& edges, UnionMarks& marks, DirectedEdge start,
                      std::vector<DirectedEdge>& ring, int32_t& missingEdge) {
  ring.clear();
  const size_t limit = stepLimit(edges);
  size_t steps = 0;
  DirectedEdge e = start;
  // The face on the walk's right: the start edge's face in the set, then
  // after each turn past an inside edge, that edge's face on the far side.
  const EdgeLinks& first = edges.links[start.edge - 1];
  int32_t face = start.forward ? first.rightFace : first.leftFace;
  for (;;) {
    ring.push_back(e);
    marks.walked[2 * (e.edge - 1) + e.forward] = marks.generation;
    const EdgeLinks& from = edges.links[e.edge - 1];
    const int32_t node = nodeReached(from, e.forward);
    int32_t next = nextEdge(from, e.forward);
    bool forward;
    for (;;) {
      if (++steps > limit) return WALK_OPEN;
      if (!hasRow(edges.id, next)) {
        missingEdge = next;
        return WALK_NO_EDGE;
      }
      const EdgeLinks& to = edges.links[next - 1];
      if (to.startNode == node && to.endNode == node) {
        if (to.rightFace == face)
          forward = true;
        else if (to.leftFace == face)
          forward = false;
        else
          return WALK_OPEN;
      } else if (to.startNode == node) {
        forward = true;
      } else if (to.endNode == node) {
        forward = false;
      } else {
        return WALK_OPEN;
      }
      const int32_t nearFace = forward ? to.rightFace : to.leftFace;
      const int32_t farFace = forward ? to.leftFace : to.rightFace;
      const bool nearIn = inUnion(marks, nearFace), farIn = inUnion(marks, farFace);
      if (nearIn && farIn) {
        // Inside the union: turn past it about the node.
        face = farFace;
        next = forward ? to.leftEdge : to.rightEdge;
        continue;
      }
      if (!nearIn && !farIn) return WALK_OPEN;
      face = nearFace;
      break;
    }
    e = {next, forward};
    if (e == start) return WALK_CLOSED;
  }
}
