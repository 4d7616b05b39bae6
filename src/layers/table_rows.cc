#include "layers/table_rows.h"

#include "files/directory_entries.h"
#include "files/open_table.h"
#include "header/column_keys.h"

TableHandle openJoinedTable(const std::string& path, JoinedTableState& state) {
  std::FILE* file = openTable(path.c_str());
  if (file == nullptr) {
    state = TABLE_MISSING;
    return nullptr;
  }
  TableHandle table = newTable();
  openTableStream(table->stream, file, nullptr);
  switch (readHeader(*table, true, discardSink)) {
    case HEADER_READ: break;
    case HEADER_INVALID: state = TABLE_INVALID; return nullptr;
    case HEADER_READ_FAILED: state = TABLE_UNREADABLE; return nullptr;
  }
  measureData(table->stream);
  state = TABLE_OPENED;
  return table;
}

TableHandle openWholeTable(const std::string& path, std::string& failure) {
  JoinedTableState state = TABLE_MISSING;
  TableHandle table = openJoinedTable(path, state);
  switch (state) {
    case TABLE_OPENED: break;
    case TABLE_MISSING: failure = "can't open " + path + " for reading"; break;
    case TABLE_INVALID: failure = "can't read " + path + ": not a valid VPF table"; break;
    case TABLE_UNREADABLE: failure = "can't read " + path; break;
  }
  return table;
}

TableHandle openTableIn(const std::string& dir, const std::string& name, const std::string& where,
                        std::string& cause) {
  const std::string entry = findEntry(dir, name);
  JoinedTableState state = TABLE_MISSING;
  TableHandle table;
  if (!entry.empty()) table = openJoinedTable(joinPath(dir, entry), state);
  switch (state) {
    case TABLE_OPENED: break;
    case TABLE_MISSING: cause = "can't open " + name + where; break;
    case TABLE_INVALID: cause = name + where + " is not a valid VPF table"; break;
    case TABLE_UNREADABLE: cause = "can't read " + name + where; break;
  }
  return table;
}

int planColumn(const Table& table, RowPlan& plan, const char* name, ColumnUse use, int slot) {
  const int i = findColumn(table, name);
  if (i < 0) return -1;
  const char type = table.header.column[i].type[0];
  if (use == TEXT_COLUMN && type != 'T') return -1;
  if (use == POSITIONS_COLUMN && !isCoordinateType(type)) return -1;
  plan.use[i] = use;
  plan.slot[i] = slot;
  return i;
}

namespace {

// Reads every column of a row as the plan says; false where the data ends
// inside it.
bool readColumns(Table& table, const RowPlan& plan, int64_t* keys, PositionColumn* positions,
                 std::string* texts) {
  TableStream& stream = table.stream;
  for (int i = 0; i < table.columns.columnTotal; ++i) {
    const char type = table.header.column[i].type[0];
    const int32_t count = table.columns.columnCount[i];
    bool read = true;
    switch (plan.use[i]) {
      case SKIP_COLUMN: read = skipValue(stream, type, count); break;
      case KEY_COLUMN: read = readKeyValue(stream, type, count, keys[plan.slot[i]]); break;
      case POSITIONS_COLUMN: read = readPositionsValue(stream, type, count, *positions); break;
      case TEXT_COLUMN: read = readTextValue(stream, type, count, texts[plan.slot[i]]); break;
    }
    if (!read) return false;
  }
  return true;
}

}  // namespace

bool readPlannedRow(Table& table, const RowPlan& plan, int64_t* keys, PositionColumn* positions,
                    std::string* texts) {
  TableStream& stream = table.stream;
  if (atEndOfData(stream)) return false;
  const int64_t start = tablePosition(stream);
  const size_t positionRows = positions != nullptr ? positions->rowStart.size() : 0;
  if (readColumns(table, plan, keys, positions, texts) && tablePosition(stream) != start)
    return true;
  // What the row added to the positions is taken back.
  if (positions != nullptr) {
    positions->rowStart.resize(positionRows);
    const size_t components = positions->rowStart.back() * positions->dims;
    if (positions->single)
      positions->singles.resize(components);
    else
      positions->doubles.resize(components);
  }
  return false;
}
