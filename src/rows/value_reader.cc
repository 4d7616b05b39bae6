#include "rows/value_reader.h"

#include <cstring>

#include "header/table_header.h"

int readStatus = 1;

void readBytes(TableStream& table, int n, unsigned char* buffer) {
  for (int i = 0; i < n; ++i) {
    int c = readChar(table);
    readStatus = c != EOF;
    if (c != EOF) buffer[i] = static_cast<unsigned char>(c);
  }
}

namespace {

// Reads width bytes and assembles them in the table's byte order; zero when
// the last byte did not arrive.
uint64_t readUnsigned(TableStream& table, int width) {
  unsigned char bytes[8];
  readBytes(table, width, bytes);
  if (readStatus < 1) return 0;
  uint64_t value = 0;
  for (int i = 0; i < width; ++i) {
    int shift = swapBytes ? 8 * (width - 1 - i) : 8 * i;
    value |= static_cast<uint64_t>(bytes[i]) << shift;
  }
  return value;
}

}  // namespace

int16_t readShort(TableStream& table) {
  return static_cast<int16_t>(readUnsigned(table, 2));
}

int32_t readLong(TableStream& table) {
  return static_cast<int32_t>(readUnsigned(table, 4));
}

float readFloat(TableStream& table) {
  uint32_t bits = static_cast<uint32_t>(readUnsigned(table, 4));
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double readDouble(TableStream& table) {
  uint64_t bits = readUnsigned(table, 8);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
