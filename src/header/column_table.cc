#include "header/column_table.h"

#include <cstring>

FieldHandler handlerForType(char type) {
  switch (type) {
    case 'T': return dumpText;
    case 'F': return dumpFloat;
    case 'R': return dumpDouble;
    case 'S': return dumpShort;
    case 'I': return dumpLong;
    case 'C': return dumpCoord2F;
    case 'B': return dumpCoord2D;
    case 'Z': return dumpCoord3F;
    case 'Y': return dumpCoord3D;
    case 'D': return dumpDate;
    case 'X': return dumpNull;
    case 'K': return dumpTriplet;
    default: return nullptr;
  }
}

namespace {

// "*" alone is a variable count; otherwise the value of the leading digits
// ("*5" is 0, "5*" is 5). False for digits beyond 32 bits.
bool countValue(const char* text, int32_t& count) {
  if (std::strcmp(text, "*") == 0) {
    count = VARIABLE_COUNT;
    return true;
  }
  int64_t value = 0;
  for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT32_MAX) return false;
  }
  count = static_cast<int32_t>(value);
  return true;
}

}  // namespace

bool addColumn(ColumnTable& columns, char type, const char* countText) {
  const int i = columns.columnTotal;
  if (i == MAX_COLUMNS) return false;
  FieldHandler handler = handlerForType(type);
  if (handler == nullptr || !countValue(countText, columns.columnCount[i])) return false;
  columns.columnHandler[i] = handler;
  ++columns.columnTotal;
  return true;
}
