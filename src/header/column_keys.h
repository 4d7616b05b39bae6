// The keys the columns of a table go by in the JSON outputs and the joins.
#pragma once

#include "header/table_header.h"

// Gives each column of the table its key: its name with the spaces at
// either end removed; a name that repeats an earlier one gets "#2", "#3",
// ... appended ("#" is never part of a name).
void makeColumnKeys(Table& table);

// The key that a column named name would get after the table's columns
// ("string", or "string#2" where a column is named so): written to key,
// MAX_KEY bytes.
void nextColumnKey(const Table& table, const char* name, char* key);

// The first column whose name, trimmed, equals name ignoring ASCII case;
// -1 when none does.
int findColumn(const Table& table, const char* name);
