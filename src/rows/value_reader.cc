#include "rows/value_reader.h"

void readBytes(TableStream& table, int n, unsigned char* buffer) {
  for (int i = 0; i < n; ++i) {
    int c = readChar(table);
    table.readStatus = c != EOF;
    if (c != EOF) buffer[i] = static_cast<unsigned char>(c);
  }
}

uint64_t readUnsignedSlowly(TableStream& table, int width) {
  unsigned char bytes[8];
  readBytes(table, width, bytes);
  if (table.readStatus < 1) return 0;
  uint64_t value = 0;
  for (int i = 0; i < width; ++i) {
    int shift = table.swapBytes ? 8 * (width - 1 - i) : 8 * i;
    value |= static_cast<uint64_t>(bytes[i]) << shift;
  }
  return value;
}
