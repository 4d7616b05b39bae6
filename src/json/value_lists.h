// What the JSON writers share: the length of a list, and the components of
// coordinates read and written at their own width.
#pragma once

#include <cstdint>

#include "json/json_text.h"
#include "rows/table_stream.h"
#include "rows/value_reader.h"

// The number of elements of width bytes in a list: the column's count, or
// the count read from the data when the column says "*"; a negative count
// gives none. -1 when the row is cut: the count could not be read, or the
// data is known to hold fewer bytes than the elements need (then none is
// read, however large a damaged count says the list is).
inline int32_t listLength(TableStream& table, int32_t count, int width) {
  int32_t n = count < 0 ? readLong(table) : count;
  if (table.readStatus != 1) return -1;
  if (n < 0) return 0;
  const int64_t bytes = static_cast<int64_t>(n) * width;
  if (bytes > table.end - table.next && !dataMayHold(table, bytes)) {
    table.readStatus = 0;
    return -1;
  }
  return n;
}

inline float readComponent(TableStream& table, float) { return readFloat(table); }
inline double readComponent(TableStream& table, double) { return readDouble(table); }

inline char* writeComponent(char* p, float v) { return writeJsonFloat(p, v); }
inline char* writeComponent(char* p, double v) { return writeJsonDouble(p, v); }

// Writes one position from its components, [x,y] or [x,y,z]: the first dims
// of them.
template <typename Component>
inline char* writePositionText(char* p, const Component* v, int dims) {
  *p++ = '[';
  for (int i = 0; i < dims; ++i) {
    p = writeComponent(p, v[i]);
    *p++ = ',';
  }
  p[-1] = ']';
  return p;
}

// Room for one position written with its brackets and a comma after it.
constexpr size_t MAX_POSITION_TEXT = 3 * (MAX_JSON_NUMBER + 1) + 3;
