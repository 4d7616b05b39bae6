// Opening a feature layer: the schema's join, the join table and the tile
// reference, read before the first feature is written.
#include <algorithm>
#include <cstring>

#include "files/directory_entries.h"
#include "files/entry_names.h"
#include "header/column_keys.h"
#include "layers/feature_layer.h"
#include "layers/table_rows.h"

namespace {

bool endsWithIgnoringCase(const std::string& name, const char* end) {
  const size_t n = std::strlen(end);
  return name.size() >= n && sameNameIgnoringCase(name.c_str() + name.size() - n, end);
}

bool isJoinTable(const std::string& name) {
  for (const char* end : {".pjt", ".ljt", ".ajt", ".tjt"})
    if (endsWithIgnoringCase(name, end)) return true;
  return false;
}

// The primitive table a kind of feature is drawn from.
bool isPrimitiveOf(FeatureKind kind, const std::string& name) {
  const char* n = name.c_str();
  switch (kind) {
    case POINT_FEATURES: return sameNameIgnoringCase(n, "end") || sameNameIgnoringCase(n, "cnd");
    case LINE_FEATURES: return sameNameIgnoringCase(n, "edg");
    case AREA_FEATURES: return sameNameIgnoringCase(n, "fac");
    case TEXT_FEATURES: return sameNameIgnoringCase(n, "txt");
    default: return false;
  }
}

// A table the whole layer needs, the entry of folder found for it, or null
// with why it cannot be read in failure: path is where it was looked for
// (the entry's, where there is one), as it is printed.
TableHandle openNeededTable(const std::string& entry, const std::string& path,
                            std::string& failure) {
  if (entry.empty()) {
    failure = "can't open " + path + " for reading";
    return nullptr;
  }
  return openWholeTable(path, failure);
}

// The first row of the schema that joins table1 to the kind's primitive,
// or (where joinTables) to a join table; null, with why, where none does.
const SchemaRow* findJoin(const std::vector<SchemaRow>& schema, const std::string& table1,
                          FeatureKind kind, bool joinTables, const std::string& coverage,
                          std::string& failure) {
  for (const SchemaRow& row : schema)
    if (sameNameIgnoringCase(row.table1.c_str(), table1.c_str()) &&
        (isPrimitiveOf(kind, row.table2) || (joinTables && isJoinTable(row.table2))))
      return &row;
  const std::string entry = findEntry(coverage, "fcs");
  failure = joinPath(coverage, entry) + " has no geometry join for " + table1;
  return nullptr;
}

// Reads the join table's rows, or leaves why it cannot be in joinFailure:
// every feature then has that cause.
void readJoinTable(FeatureLayer& layer) {
  const std::string& name = layer.joinTable;
  TableHandle table = openTableIn(layer.coverage, name, "", layer.joinFailure);
  if (table == nullptr) return;
  // Each row's key, tile and primitive: slots 0, 1 and 2.
  RowPlan plan;
  const bool hasTiles = planColumn(*table, plan, "tile_id", KEY_COLUMN, 1) >= 0;
  if (planColumn(*table, plan, layer.joinKeyName.c_str(), KEY_COLUMN, 0) < 0) {
    layer.joinFailure = name + " has no column " + layer.joinKeyName;
    return;
  }
  if (planColumn(*table, plan, layer.joinPrimitiveName.c_str(), KEY_COLUMN, 2) < 0) {
    layer.joinFailure = name + " has no column " + layer.joinPrimitiveName;
    return;
  }
  int64_t keys[3];
  for (;;) {
    keys[0] = keys[1] = keys[2] = NULL_KEY;
    if (!readPlannedRow(*table, plan, keys, nullptr, nullptr)) break;
    layer.joinRows.push_back({keys[0], keys[1], keys[2]});
  }
  if (readFailed(table->stream)) {
    layer.joinFailure = "can't read " + name;
    return;
  }
  layer.joinHasTiles = hasTiles;
  // By key, each key's rows in row order.
  std::stable_sort(layer.joinRows.begin(), layer.joinRows.end(),
                   [](const JoinRow& a, const JoinRow& b) { return a.key < b.key; });
}

// The library's tile reference: each tile's id and name; or why it cannot
// be read.
std::string readTileNames(FeatureLayer& layer) {
  const std::string& library = layer.library;
  const std::string folderEntry = findEntry(library, "tileref");
  const std::string folder = joinPath(library, folderEntry.empty() ? "tileref" : folderEntry);
  const std::string entry = folderEntry.empty() ? "" : findEntry(folder, "tileref.aft");
  const std::string path = joinPath(folder, entry.empty() ? "tileref.aft" : entry);
  std::string failure;
  TableHandle table = openNeededTable(entry, path, failure);
  if (table == nullptr) return failure;
  RowPlan plan;
  if (planColumn(*table, plan, "id", KEY_COLUMN, 0) < 0) return path + " has no column id";
  if (planColumn(*table, plan, "tile_name", TEXT_COLUMN, 0) < 0)
    return path + " has no column tile_name";
  int64_t id;
  std::string name;
  for (;;) {
    id = NULL_KEY;
    if (!readPlannedRow(*table, plan, &id, nullptr, &name)) break;
    layer.tileNames.emplace_back(id, trimSpaces(name));
  }
  if (readFailed(table->stream)) return "can't read " + path;
  return "";
}

}  // namespace

std::string readFeatureSchema(const std::string& coverage, std::vector<SchemaRow>& rows) {
  const std::string entry = findEntry(coverage, "fcs");
  const std::string path = joinPath(coverage, entry.empty() ? "fcs" : entry);
  std::string failure;
  TableHandle table = openNeededTable(entry, path, failure);
  if (table == nullptr) return failure;
  static const char* const kColumns[] = {"feature_class", "table1", "table1_key", "table2",
                                         "table2_key"};
  RowPlan plan;
  for (int k = 1; k < 5; ++k)
    if (planColumn(*table, plan, kColumns[k], TEXT_COLUMN, k) < 0)
      return path + " has no text column " + kColumns[k];
  planColumn(*table, plan, kColumns[0], TEXT_COLUMN, 0);  // the class, where there is one
  std::string text[5];
  while (readPlannedRow(*table, plan, nullptr, nullptr, text))
    rows.push_back({trimSpaces(text[0]), trimSpaces(text[1]), trimSpaces(text[2]),
                    trimSpaces(text[3]), trimSpaces(text[4])});
  if (readFailed(table->stream)) return "can't read " + path;
  return "";
}

FeatureKind featureKind(const char* path) {
  const std::string name = path;
  if (endsWithIgnoringCase(name, ".pft")) return POINT_FEATURES;
  if (endsWithIgnoringCase(name, ".lft")) return LINE_FEATURES;
  if (endsWithIgnoringCase(name, ".aft")) return AREA_FEATURES;
  if (endsWithIgnoringCase(name, ".tft")) return TEXT_FEATURES;
  if (endsWithIgnoringCase(name, ".cft")) return COMPLEX_FEATURES;
  return NO_FEATURES;
}

std::string openFeatureLayer(FeatureLayer& layer, const char* path, const Table& features) {
  const std::string typed = path;
  layer.kind = featureKind(path);
  layer.tableName = lastPathPart(typed);
  layer.coverage = folderOf(typed);
  layer.library = parentOf(layer.coverage);

  std::string failure = readFeatureSchema(layer.coverage, layer.schema);
  if (!failure.empty()) return failure;
  const std::vector<SchemaRow>& schema = layer.schema;
  const SchemaRow* join =
      findJoin(schema, layer.tableName, layer.kind, true, layer.coverage, failure);
  if (join == nullptr) return failure;
  layer.keyName = join->table1Key;
  layer.keyColumn = findColumn(features, join->table1Key.c_str());
  if (isPrimitiveOf(layer.kind, join->table2)) {
    layer.primitive = join->table2;
    layer.tileColumn = findColumn(features, "tile_id");
  } else {
    layer.joinTable = join->table2;
    layer.joinKeyName = join->table2Key;
    const SchemaRow* second =
        findJoin(schema, join->table2, layer.kind, false, layer.coverage, failure);
    if (second == nullptr) return failure;
    layer.primitive = second->table2;
    layer.joinPrimitiveName = second->table1Key;
    readJoinTable(layer);
  }
  if (layer.tileColumn >= 0 || layer.joinHasTiles) return readTileNames(layer);
  return "";
}
