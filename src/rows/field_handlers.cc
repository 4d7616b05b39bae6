#include "rows/field_handlers.h"

#include "rows/value_reader.h"

namespace {

// The number of elements: read from the data when the column says "*".
int32_t elementCount(TableStream& table, int32_t count) {
  return count < 0 ? readLong(table) : count;
}

// Copies n bytes as they are; once the input has ended each missing byte is
// written as 0xFF.
void copyBytes(TableStream& table, OutputStream& out, int32_t n) {
  for (int32_t i = 0; i < n; ++i) putChar(out, static_cast<char>(readChar(table)));
  putChar(out, '\n');
}

// A K component of the given size code: absent, 1 byte unsigned, 2 or 4 bytes.
int32_t readTripletPart(TableStream& table, int size) {
  switch (size) {
    case 1: return static_cast<unsigned char>(readChar(table));
    case 2: return readShort(table);
    case 3: return readLong(table);
    default: return 0;
  }
}

}  // namespace

void dumpText(TableStream& table, OutputStream& out, int32_t count) {
  copyBytes(table, out, elementCount(table, count));
}

void dumpFloat(TableStream& table, OutputStream& out, int32_t) {
  putFixed6(out, readFloat(table));
  putChar(out, '\n');
}

void dumpDouble(TableStream& table, OutputStream& out, int32_t count) {
  for (int32_t i = 0, n = elementCount(table, count); i < n; ++i) {
    putFixed6(out, readDouble(table));
    putChar(out, '\n');
  }
}

void dumpShort(TableStream& table, OutputStream& out, int32_t count) {
  for (int32_t i = 0, n = elementCount(table, count); i < n; ++i) {
    putInt(out, readShort(table));
    putChar(out, '\n');
  }
}

void dumpLong(TableStream& table, OutputStream& out, int32_t count) {
  for (int32_t i = 0, n = elementCount(table, count); i < n; ++i) {
    putInt(out, readLong(table));
    putChar(out, '\n');
  }
}

// Coordinate lists write their element count first, always.

void dumpCoord2F(TableStream& table, OutputStream& out, int32_t count) {
  int32_t n = elementCount(table, count);
  putInt(out, n);
  putChar(out, '\n');
  for (int32_t i = 0; i < n; ++i) {
    putFixed6(out, readFloat(table));
    putChar(out, ',');
    putFixed6(out, readFloat(table));
    putChar(out, '\n');
  }
}

// Every B line begins with a comma.
void dumpCoord2D(TableStream& table, OutputStream& out, int32_t count) {
  int32_t n = elementCount(table, count);
  putInt(out, n);
  putChar(out, '\n');
  for (int32_t i = 0; i < n; ++i) {
    putChar(out, ',');
    putFixed6(out, readDouble(table));
    putChar(out, ',');
    putFixed6(out, readDouble(table));
    putChar(out, '\n');
  }
}

void dumpCoord3F(TableStream& table, OutputStream& out, int32_t count) {
  int32_t n = elementCount(table, count);
  putInt(out, n);
  putChar(out, '\n');
  for (int32_t i = 0; i < n; ++i) {
    putFixed6(out, readFloat(table));
    putChar(out, ',');
    putFixed6(out, readFloat(table));
    putChar(out, ',');
    putFixed6(out, readFloat(table));
    putChar(out, '\n');
  }
}

void dumpCoord3D(TableStream& table, OutputStream& out, int32_t count) {
  int32_t n = elementCount(table, count);
  putInt(out, n);
  putChar(out, '\n');
  for (int32_t i = 0; i < n; ++i) {
    putFixed6(out, readDouble(table));
    putChar(out, ',');
    putFixed6(out, readDouble(table));
    putChar(out, ',');
    putFixed6(out, readDouble(table));
    putChar(out, '\n');
  }
}

void dumpDate(TableStream& table, OutputStream& out, int32_t) {
  copyBytes(table, out, 20);
}

void dumpNull(TableStream&, OutputStream& out, int32_t) {
  putChar(out, '\n');
}

// The type byte's bit pairs 7-6, 5-4 and 3-2 give the sizes of the id, the
// tile id and the external id. All three are read before any is written.
void dumpTriplet(TableStream& table, OutputStream& out, int32_t) {
  int type = static_cast<unsigned char>(readChar(table));
  int32_t part[3];
  int size[3];
  for (int i = 0; i < 3; ++i) {
    size[i] = (type >> (6 - 2 * i)) & 3;
    part[i] = readTripletPart(table, size[i]);
  }
  for (int i = 0; i < 3; ++i) {
    if (i > 0) putChar(out, ',');
    if (size[i] == 0)
      putChar(out, '-');
    else
      putInt(out, part[i]);
  }
  putChar(out, '\n');
}
