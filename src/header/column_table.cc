#include "header/column_table.h"

#include <cstring>

#include "main/run_control.h"

FieldHandler columnHandler[MAX_COLUMNS];
int32_t columnCount[MAX_COLUMNS];
int columnTotal = 0;

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
// ("*5" is 0, "5*" is 5). Digits beyond 32 bits make the table invalid.
int32_t countValue(const char* text) {
  if (std::strcmp(text, "*") == 0) return VARIABLE_COUNT;
  int64_t value = 0;
  for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT32_MAX) invalidTableExit();
  }
  return static_cast<int32_t>(value);
}

}  // namespace

void clearColumns() { columnTotal = 0; }

void addColumn(char type, const char* countText) {
  if (columnTotal == MAX_COLUMNS) invalidTableExit();
  FieldHandler handler = handlerForType(type);
  if (handler == nullptr) invalidTableExit();  // the header admits no other letter
  columnHandler[columnTotal] = handler;
  columnCount[columnTotal] = countValue(countText);
  ++columnTotal;
}
