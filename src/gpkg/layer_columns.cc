#include "gpkg/layer_columns.h"

#include "files/entry_names.h"

namespace {

bool nameTaken(const std::vector<std::string>& used, const std::string& name) {
  for (const std::string& u : used)
    if (sameNameIgnoringCase(u.c_str(), name.c_str())) return true;
  return false;
}

// name, or with the smallest "#N" that no earlier name has.
std::string uniqueName(std::vector<std::string>& used, const std::string& name) {
  std::string unique = name;
  for (int n = 2; nameTaken(used, unique); ++n) unique = name + "#" + std::to_string(n);
  used.push_back(unique);
  return unique;
}

}  // namespace

std::string declaredType(char type, int32_t count) {
  if (type == 'F') return "FLOAT";  // one value, whatever the count says
  if (type == 'D') return "TEXT(20)";
  if (type == 'T') return count == VARIABLE_COUNT ? "TEXT" : "TEXT(" + std::to_string(count) + ")";
  if (count != 1) return "TEXT";
  switch (type) {
    case 'S': return "SMALLINT";
    case 'I': return "MEDIUMINT";
    case 'R': return "DOUBLE";
    default: return "TEXT";
  }
}

std::vector<LayerColumn> layerColumns(const Table& table, bool hasGeometry, const char* stringKey) {
  std::vector<std::string> used{"fid"};
  if (hasGeometry) used.push_back("geom");
  std::vector<LayerColumn> columns;
  for (int i = 0; i < table.columns.columnTotal; ++i)
    columns.push_back({uniqueName(used, table.columnKey[i]),
                       declaredType(table.header.column[i].type[0], table.columns.columnCount[i])});
  if (stringKey != nullptr) columns.push_back({uniqueName(used, stringKey), "TEXT"});
  return columns;
}
