// The keys under which the JSON outputs write the columns.
#pragma once

#include "header/column_table.h"
#include "header/table_header.h"

// A name of up to 16 characters, "#" and a count (up to 100), and the end.
constexpr int MAX_KEY = 32;

extern char columnKey[MAX_COLUMNS][MAX_KEY];

// Gives each of the first columnTotal columns its key: its name with the
// spaces at either end removed; a name that repeats an earlier one gets
// "#2", "#3", ... appended ("#" is never part of a name).
void makeColumnKeys(const HeaderText& header, int columnTotal);
