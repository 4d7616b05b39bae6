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

// The number of elements of width bytes in a list: the column's count, or
// the count read from the data when the column says "*"; a negative count
// gives none. -1, with readStatus 0, when the row is cut: the count could
// not be read, or the data is known to hold fewer bytes than the elements
// need (then none is read, however large a damaged count says the list is).
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

// A triplet id's part of the given size code (the type byte's bit pairs
// 7-6, 5-4 and 3-2): absent (0), 1 byte unsigned, 2 or 4 bytes. A missing
// byte leaves readStatus at 0.
inline int32_t readTripletPart(TableStream& table, int size) {
  switch (size) {
    case 1: {
      const int c = readChar(table);
      if (c == EOF) table.readStatus = 0;
      return c;
    }
    case 2: return readShort(table);
    case 3: return readLong(table);
    default: return 0;
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
