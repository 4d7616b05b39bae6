// What the JSON writers share: the length of a list, and the components of
// coordinates read and written at their own width.
#pragma once

#include <cstdint>

#include "json/json_text.h"
#include "rows/table_stream.h"
#include "rows/value_reader.h"

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
