// The values of a row as the joins take them: keys, positions and text,
// read through the value reader from any table, or passed over. Each
// reader returns false when the data ended inside the value: the row is
// cut, and what it read is not to be used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "rows/table_stream.h"

// The key a column gives where it holds no number: an empty list, a
// triplet without an id, or a column of a type that holds no key.
constexpr int64_t NULL_KEY = INT64_MIN;

// The positions of one coordinate column, row after row, at their stored
// width (32-bit floats for C and Z, 64-bit for B and Y), 2 or 3
// components each: row r's positions are rowStart[r] to rowStart[r + 1].
struct PositionColumn {
  int dims = 2;
  bool single = true;
  std::vector<float> singles;
  std::vector<double> doubles;
  std::vector<size_t> rowStart{0};
};

// Component d of position i of a column.
inline double positionComponent(const PositionColumn& column, size_t i, int d) {
  const size_t k = i * column.dims + d;
  return column.single ? column.singles[k] : column.doubles[k];
}

// True for the letters of the coordinate columns, C, Z, B and Y.
bool isCoordinateType(char type);

// A key: the first element of an I or S column, the id of a K column;
// NULL_KEY where it has none, and for the other types, whose value is
// passed over.
bool readKeyValue(TableStream& table, char type, int32_t count, int64_t& key);

// Appends a C, Z, B or Y value's positions to column, whose width and
// components the first value sets, and ends the row there. (A column of
// another type ends the row with no positions.)
bool readPositionsValue(TableStream& table, char type, int32_t count, PositionColumn& column);

// A T value's bytes as stored, in text; other types are passed over and
// leave text empty.
bool readTextValue(TableStream& table, char type, int32_t count, std::string& text);

// Passes over one value of a column.
bool skipValue(TableStream& table, char type, int32_t count);
