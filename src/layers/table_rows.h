// The tables a join reads whole (the schema, the tile reference, join
// tables, primitives): opened by path, their header read with the later
// edition's grammar (which reads every first-edition table alike), and
// their complete rows taken column by column through the value reader.
#pragma once

#include <cstdint>
#include <string>

#include "header/table_header.h"
#include "rows/field_values.h"

enum JoinedTableState { TABLE_OPENED, TABLE_MISSING, TABLE_INVALID, TABLE_UNREADABLE };

// Opens the table at path and reads its header; state says how that went,
// and table is null unless it is TABLE_OPENED.
TableHandle openJoinedTable(const std::string& path, JoinedTableState& state);

// Opens the table at path; null where it cannot, with why in failure as a
// layer that needs it says so: "can't open PATH for reading", "can't read
// PATH: not a valid VPF table" or "can't read PATH".
TableHandle openWholeTable(const std::string& path, std::string& failure);

// Opens the table named name (matched ignoring case) in the folder dir;
// null where it cannot, with why in cause: "can't open NAME", "NAME is not
// a valid VPF table" or "can't read NAME", NAME being name followed by
// where (" in tile T", or nothing).
TableHandle openTableIn(const std::string& dir, const std::string& name, const std::string& where,
                        std::string& cause);

// What the reading of a row takes from each column: its key, its
// positions, its text, or nothing.
enum ColumnUse : uint8_t { SKIP_COLUMN, KEY_COLUMN, POSITIONS_COLUMN, TEXT_COLUMN };

// The uses of a table's columns; key columns write to keys[slot], text
// columns to texts[slot].
struct RowPlan {
  ColumnUse use[MAX_COLUMNS] = {};
  int slot[MAX_COLUMNS] = {};
};

// Plans the first column named name (trimmed, ASCII case ignored) for use,
// writing its key to keys[slot] or its text to texts[slot]; -1 when the table has no such column,
// else its index. A text use needs a T column and a positions use a
// coordinate column: a column of another type is not found.
int planColumn(const Table& table, RowPlan& plan, const char* name, ColumnUse use, int slot = 0);

// Reads the next complete row into keys (NULL_KEY where a key column holds
// none), positions and texts. False at the end of the data: where a row
// would start at its end, where the data ends inside the row (a cut last
// row counts for nothing), or where a row takes no byte at all.
bool readPlannedRow(Table& table, const RowPlan& plan, int64_t* keys, PositionColumn* positions,
                    std::string* texts);
