// What a library says of its features in words: a feature class's
// description (the coverage's feature class attribute table, fca), and the
// meaning of each code of a coded column (the value description tables
// int.vdt and char.vdt).
#pragma once

#include <string>
#include <vector>

#include "header/table_header.h"

// The description (trimmed, UTF-8) of featureClass in the coverage's fca:
// the first row whose fclass equals it, trimmed, ignoring ASCII case, in
// description. False where there is no such row (or no fca).
bool featureClassDescription(const std::string& coverage, const std::string& featureClass,
                             std::string& description);

// One code of a column and what it means, as text (UTF-8, trimmed).
struct CodedValue {
  std::string value, description;
};

// The value description tables of one coverage, each read once.
struct ValueTables {
  std::string coverage;
  struct Rows {
    std::string name;  // int.vdt or char.vdt, lower case
    bool read = false;
    std::vector<std::string> table, attribute;  // trimmed
    std::vector<CodedValue> codes;
  };
  std::vector<Rows> tables;
};

// The codes of column i of the feature table named tableName (its file
// name): where the column's value table is int.vdt or char.vdt (any case)
// and the coverage holds it, its rows for that table and column (both
// matched trimmed, ignoring case), in row order, each code's first row
// only. None where there are none.
std::vector<CodedValue> columnCodes(ValueTables& tables, const Table& table, int i,
                                    const std::string& tableName);
