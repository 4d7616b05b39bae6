// Multi-byte numbers of the rows, in the table's byte order whatever the
// host's. A value whose last byte is missing reads as zero.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "rows/table_stream.h"

// Reads n bytes into buffer, setting the table's readStatus after each one.
void readBytes(TableStream& table, int n, unsigned char* buffer);

// A width-byte value (2, 4 or 8) as an unsigned number in the table's byte
// order, read byte by byte; zero when its last byte is missing.
uint64_t readUnsignedSlowly(TableStream& table, int width);

// The width-byte value stored at bytes, in the given byte order.
template <int width>
inline uint64_t decodeUnsigned(const unsigned char* bytes, bool bigEndian) {
  uint64_t value = 0;
  if (bigEndian) {
    for (int i = 0; i < width; ++i) value = value << 8 | bytes[i];
  } else {
    for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[i];
  }
  return value;
}

// The same, taken straight from the buffer when it holds the whole value.
template <int width>
inline uint64_t readUnsigned(TableStream& table) {
  if (table.end - table.next < width) return readUnsignedSlowly(table, width);
  const unsigned char* bytes = table.next;
  table.next += width;
  table.readStatus = 1;
  return decodeUnsigned<width>(bytes, table.swapBytes);
}

inline int16_t readShort(TableStream& table) {
  return static_cast<int16_t>(readUnsigned<2>(table));
}

inline int32_t readLong(TableStream& table) { return static_cast<int32_t>(readUnsigned<4>(table)); }

inline float readFloat(TableStream& table) {
  uint32_t bits = static_cast<uint32_t>(readUnsigned<4>(table));
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

inline double readDouble(TableStream& table) {
  uint64_t bits = readUnsigned<8>(table);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Reads n floats (Component float or double) into values: at once where
// the buffer holds them all, else one by one. readStatus as for each read.
template <typename Component>
inline void readComponents(TableStream& table, size_t n, Component* values) {
  constexpr int width = sizeof(Component);
  using Bits = typename std::conditional<width == 4, uint32_t, uint64_t>::type;
  if (static_cast<size_t>(table.end - table.next) >= n * width) {
    const unsigned char* bytes = table.next;
    for (size_t i = 0; i < n; ++i, bytes += width) {
      const Bits bits = static_cast<Bits>(decodeUnsigned<width>(bytes, table.swapBytes));
      std::memcpy(&values[i], &bits, width);
    }
    table.next = bytes;
    table.readStatus = 1;
    return;
  }
  for (size_t i = 0; i < n; ++i) {
    const Bits bits = static_cast<Bits>(readUnsigned<width>(table));
    std::memcpy(&values[i], &bits, width);
    if (table.readStatus != 1) values[i] = 0;
  }
}

// Takes count values of width bytes without decoding them, leaving the
// table's readStatus as reading them would. Values that lie in the buffer, as most
// do in a discarded row, are stepped over without a call.
inline void skipValues(TableStream& table, int64_t count, int width) {
  if (count <= 0) return;
  const int64_t n = count * width;
  if (n <= table.end - table.next) {
    table.next += n;
    table.readStatus = 1;
  } else {
    table.readStatus = skipBytes(table, n) ? 1 : 0;
  }
}
