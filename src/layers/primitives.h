// The primitives of one tile, or of an untiled coverage, read whole: the
// rows a feature's geometry is drawn from. A primitive's id K is row K of
// its table (from 1), whose id column must hold K.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rows/field_values.h"

// An edge's topology, each reference a row number (0 where none is given).
struct EdgeLinks {
  int32_t startNode, endNode;
  int32_t rightFace, leftFace;
  int32_t rightEdge, leftEdge;  // the next edges about the end and the start node
};

struct EdgeTable {
  std::vector<int32_t> id;
  std::vector<EdgeLinks> links;  // empty where the topology was not read
  PositionColumn positions;      // coordinates
};

// Nodes (entity or connected) and texts: a position column each, and a
// text's string.
struct NodeTable {
  std::vector<int32_t> id;
  PositionColumn positions;  // coordinate, or a text's shape_line
  std::string strings;       // texts: every string, one after another
  std::vector<size_t> stringStart{0};
};

struct FaceTable {
  std::vector<int32_t> id;
};

// Rings, ordered by face and, within a face, by row: the rings of face f
// are those from faceStart(f).
struct RingTable {
  std::vector<int32_t> face;
  std::vector<int32_t> startEdge;
};

// True where id names a row of a table whose id column is ids.
inline bool hasRow(const std::vector<int32_t>& ids, int64_t id) {
  return id >= 1 && static_cast<uint64_t>(id) <= ids.size() && ids[id - 1] == id;
}

// The first ring of face in rings, and the end of its rings.
void faceRings(const RingTable& rings, int32_t face, size_t& first, size_t& end);

// Each loader reads the table named name (matched ignoring case) in the
// folder dir. It returns "" when it read the table, else why not: "can't
// open NAME", "NAME is not a valid VPF table", "can't read NAME" or "NAME
// has no column COLUMN", where NAME is name followed by where (" in tile
// T", or nothing for the coverage's own folder).

// Edges: their ids and coordinates; with topology, their links too.
std::string loadEdges(const std::string& dir, const std::string& name, const std::string& where,
                      bool topology, EdgeTable& edges);

// Nodes: ids and coordinate; texts (withText): ids, string and shape_line.
std::string loadNodes(const std::string& dir, const std::string& name, const std::string& where,
                      bool withText, NodeTable& nodes);

std::string loadFaces(const std::string& dir, const std::string& name, const std::string& where,
                      FaceTable& faces);

std::string loadRings(const std::string& dir, const std::string& where, RingTable& rings);
