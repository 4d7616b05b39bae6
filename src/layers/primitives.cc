#include "layers/primitives.h"

#include <algorithm>
#include <numeric>

#include "layers/table_rows.h"

namespace {

// A reference as the tables hold it: a key, 0 where there is none.
int32_t reference(int64_t key) {
  return key == NULL_KEY || key < INT32_MIN || key > INT32_MAX ? 0 : static_cast<int32_t>(key);
}

// Room for as many positions as the table's data could hold, where its
// size is known: a column grown step by step would keep up to as much
// again unused.
void reservePositions(const Table& table, int column, PositionColumn& positions) {
  const int64_t bytes = table.stream.dataSize;
  if (bytes <= 0 || column < 0) return;
  const char type = table.header.column[column].type[0];
  const size_t components = static_cast<size_t>(bytes) / (type == 'C' || type == 'Z' ? 4 : 8);
  if (type == 'C' || type == 'Z')
    positions.singles.reserve(components);
  else
    positions.doubles.reserve(components);
}

std::string noColumn(const std::string& name, const std::string& where, const char* column) {
  return name + where + " has no column " + column;
}

// Reads every complete row of table with plan, handing each row's keys
// to take; "" when the table was read to the end of its data.
template <typename TakeRow>
std::string readRows(Table& table, const RowPlan& plan, int keyCount, PositionColumn* positions,
                     std::string* texts, const std::string& name, const std::string& where,
                     TakeRow takeRow) {
  int64_t keys[8];
  for (;;) {
    std::fill(keys, keys + keyCount, NULL_KEY);
    if (!readPlannedRow(table, plan, keys, positions, texts)) break;
    takeRow(keys);
  }
  if (readFailed(table.stream)) return "can't read " + name + where;
  return "";
}

}  // namespace

void faceRings(const RingTable& rings, int32_t face, size_t& first, size_t& end) {
  first = std::lower_bound(rings.face.begin(), rings.face.end(), face) - rings.face.begin();
  end = std::upper_bound(rings.face.begin() + first, rings.face.end(), face) - rings.face.begin();
}

std::string loadEdges(const std::string& dir, const std::string& name, const std::string& where,
                      bool topology, EdgeTable& edges) {
  std::string cause;
  TableHandle table = openTableIn(dir, name, where, cause);
  if (table == nullptr) return cause;
  static const char* const kLinks[] = {"id",        "start_node", "end_node", "right_face",
                                       "left_face", "right_edge", "left_edge"};
  RowPlan plan;
  for (int k = 0; k < (topology ? 7 : 1); ++k)
    if (planColumn(*table, plan, kLinks[k], KEY_COLUMN, k) < 0)
      return noColumn(name, where, kLinks[k]);
  const int coordinates = planColumn(*table, plan, "coordinates", POSITIONS_COLUMN);
  if (coordinates < 0) return noColumn(name, where, "coordinates");
  reservePositions(*table, coordinates, edges.positions);
  return readRows(*table, plan, 7, &edges.positions, nullptr, name, where, [&](const int64_t* k) {
    edges.id.push_back(reference(k[0]));
    if (topology)
      edges.links.push_back({reference(k[1]), reference(k[2]), reference(k[3]), reference(k[4]),
                             reference(k[5]), reference(k[6])});
  });
}

std::string loadNodes(const std::string& dir, const std::string& name, const std::string& where,
                      bool withText, NodeTable& nodes) {
  std::string cause;
  TableHandle table = openTableIn(dir, name, where, cause);
  if (table == nullptr) return cause;
  RowPlan plan;
  if (planColumn(*table, plan, "id", KEY_COLUMN, 0) < 0) return noColumn(name, where, "id");
  const char* positions = withText ? "shape_line" : "coordinate";
  const int column = planColumn(*table, plan, positions, POSITIONS_COLUMN);
  if (column < 0) return noColumn(name, where, positions);
  reservePositions(*table, column, nodes.positions);
  if (withText && planColumn(*table, plan, "string", TEXT_COLUMN, 0) < 0)
    return noColumn(name, where, "string");
  std::string text;
  return readRows(*table, plan, 1, &nodes.positions, &text, name, where, [&](const int64_t* k) {
    nodes.id.push_back(reference(k[0]));
    if (!withText) return;
    nodes.strings += text;
    nodes.stringStart.push_back(nodes.strings.size());
  });
}

std::string loadFaces(const std::string& dir, const std::string& name, const std::string& where,
                      FaceTable& faces) {
  std::string cause;
  TableHandle table = openTableIn(dir, name, where, cause);
  if (table == nullptr) return cause;
  RowPlan plan;
  if (planColumn(*table, plan, "id", KEY_COLUMN, 0) < 0) return noColumn(name, where, "id");
  return readRows(*table, plan, 1, nullptr, nullptr, name, where,
                  [&](const int64_t* k) { faces.id.push_back(reference(k[0])); });
}

std::string loadRings(const std::string& dir, const std::string& where, RingTable& rings) {
  const std::string name = "rng";
  std::string cause;
  TableHandle table = openTableIn(dir, name, where, cause);
  if (table == nullptr) return cause;
  RowPlan plan;
  if (planColumn(*table, plan, "face_id", KEY_COLUMN, 0) < 0)
    return noColumn(name, where, "face_id");
  if (planColumn(*table, plan, "start_edge", KEY_COLUMN, 1) < 0)
    return noColumn(name, where, "start_edge");
  RingTable stored;
  cause = readRows(*table, plan, 2, nullptr, nullptr, name, where, [&](const int64_t* k) {
    stored.face.push_back(reference(k[0]));
    stored.startEdge.push_back(reference(k[1]));
  });
  // By face, and within a face in row order.
  std::vector<size_t> order(stored.face.size());
  std::iota(order.begin(), order.end(), size_t(0));
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return stored.face[a] < stored.face[b]; });
  for (size_t i : order) {
    rings.face.push_back(stored.face[i]);
    rings.startEdge.push_back(stored.startEdge[i]);
  }
  return cause;
}
