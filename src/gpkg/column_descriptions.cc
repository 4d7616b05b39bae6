#include "gpkg/column_descriptions.h"

#include <algorithm>

#include "files/entry_names.h"
#include "gpkg/row_values.h"
#include "header/column_keys.h"
#include "layers/table_rows.h"

namespace {

bool sameName(const std::string& a, const std::string& b) {
  return sameNameIgnoringCase(a.c_str(), b.c_str());
}

// Reads a value description table's rows: its table, attribute, value
// (an integer's decimal digits, or trimmed text) and description. A table
// that cannot be read, or whose value is of another type, gives none.
void readValueTable(const std::string& coverage, ValueTables::Rows& rows) {
  rows.read = true;
  std::string cause;
  TableHandle table = openTableIn(coverage, rows.name, "", cause);
  if (table == nullptr) return;
  RowPlan plan;
  if (planColumn(*table, plan, "table", TEXT_COLUMN, 0) < 0 ||
      planColumn(*table, plan, "attribute", TEXT_COLUMN, 1) < 0 ||
      planColumn(*table, plan, "description", TEXT_COLUMN, 2) < 0)
    return;
  const int value = findColumn(*table, "value");
  if (value < 0) return;
  const char type = table->header.column[value].type[0];
  const bool text = type == 'T';
  if (!text && type != 'I' && type != 'S') return;
  planColumn(*table, plan, "value", text ? TEXT_COLUMN : KEY_COLUMN, text ? 3 : 0);
  std::string texts[4];
  int64_t key = NULL_KEY;
  while (readPlannedRow(*table, plan, &key, nullptr, texts)) {
    rows.table.push_back(trimSpaces(texts[0]));
    rows.attribute.push_back(trimSpaces(texts[1]));
    rows.codes.push_back({text ? utf8Text(trimSpaces(texts[3])) : std::to_string(key),
                          utf8Text(trimSpaces(texts[2]))});
    key = NULL_KEY;
  }
}

}  // namespace

bool featureClassDescription(const std::string& coverage, const std::string& featureClass,
                             std::string& description) {
  std::string cause;
  TableHandle table = openTableIn(coverage, "fca", "", cause);
  if (table == nullptr) return false;
  RowPlan plan;
  if (planColumn(*table, plan, "fclass", TEXT_COLUMN, 0) < 0 ||
      planColumn(*table, plan, "descr", TEXT_COLUMN, 1) < 0)
    return false;
  std::string texts[2];
  while (readPlannedRow(*table, plan, nullptr, nullptr, texts))
    if (sameName(trimSpaces(texts[0]), featureClass)) {
      description = utf8Text(trimSpaces(texts[1]));
      return true;
    }
  return false;
}

std::vector<CodedValue> columnCodes(ValueTables& tables, const Table& table, int i,
                                    const std::string& tableName) {
  std::vector<CodedValue> codes;
  const ColumnDefinition& column = table.header.column[i];
  const std::string valueTable = trimSpaces(column.valueTable);
  if (!sameName(valueTable, "int.vdt") && !sameName(valueTable, "char.vdt")) return codes;
  const std::string name = lowerCaseName(valueTable);
  auto rows = std::find_if(tables.tables.begin(), tables.tables.end(),
                           [&](const ValueTables::Rows& r) { return r.name == name; });
  if (rows == tables.tables.end()) {
    tables.tables.emplace_back();
    rows = tables.tables.end() - 1;
    rows->name = name;
  }
  if (!rows->read) readValueTable(tables.coverage, *rows);
  const std::string columnName = trimSpaces(column.name);
  for (size_t k = 0; k < rows->codes.size(); ++k) {
    if (!sameName(rows->table[k], tableName) || !sameName(rows->attribute[k], columnName)) continue;
    const CodedValue& code = rows->codes[k];
    if (std::none_of(codes.begin(), codes.end(),
                     [&](const CodedValue& c) { return c.value == code.value; }))
      codes.push_back(code);
  }
  return codes;
}
