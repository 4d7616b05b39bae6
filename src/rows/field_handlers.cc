#include "rows/field_handlers.h"

#include <cstring>

#include "output/number_text.h"
#include "rows/value_reader.h"

namespace {

// The number of elements: read from the data when the column says "*".
int32_t elementCount(TableStream& table, int32_t count) {
  return count < 0 ? readLong(table) : count;
}

// Writes n element lines, each read and formatted by writeLine(p), which
// returns the line's end. Once out drops its text, the remaining elements
// (width bytes each) are skipped without being decoded.
template <typename WriteLine>
void writeElements(TableStream& table, OutputStream& out, int32_t n, int width,
                   WriteLine writeLine) {
  for (int32_t i = 0; i < n; ++i) {
    if (discards(out)) {
      skipValues(table, static_cast<int64_t>(n) - i, width);
      return;
    }
    endLine(out, writeLine(beginLine(out)));
  }
}

// Writes the element count of a coordinate list on its own line.
void writeCount(OutputStream& out, int32_t n) {
  if (discards(out)) return;
  char* p = writeInt(beginLine(out), n);
  *p++ = '\n';
  endLine(out, p);
}

// One coordinate component, read and written at p.
char* writeComponent(TableStream& table, char* p, float) {
  return writeFixed6Float(p, readFloat(table));
}

char* writeComponent(TableStream& table, char* p, double) {
  return writeFixed6(p, readDouble(table));
}

// A coordinate list: its element count on a line of its own, always, then
// one line per tuple of dims components separated by commas; leadingComma
// puts one in front of the first component too.
template <typename Component, int dims, bool leadingComma>
void dumpCoordinates(TableStream& table, OutputStream& out, int32_t count) {
  int32_t n = elementCount(table, count);
  writeCount(out, n);
  writeElements(table, out, n, dims * sizeof(Component), [&](char* p) {
    for (int i = 0; i < dims; ++i) {
      if (leadingComma || i > 0) *p++ = ',';
      p = writeComponent(table, p, Component());
    }
    *p++ = '\n';
    return p;
  });
}

// Copies n bytes as they are, then a newline; once the input has ended
// each missing byte is written as 0xFF.
void copyBytesInPieces(TableStream& table, OutputStream& out, int64_t n) {
  while (n > 0) {
    if (discards(out)) {
      skipBytes(table, n);
      break;
    }
    if (table.next == table.end && !fillTable(table)) {
      putRepeated(out, '\xFF', n);
      break;
    }
    int64_t chunk = table.end - table.next;
    if (chunk > n) chunk = n;
    putBytes(out, reinterpret_cast<const char*>(table.next), chunk);
    table.next += chunk;
    n -= chunk;
  }
  putChar(out, '\n');
}

// Copies n bytes as they are, then a newline, as copyBytesInPieces does.
// Short text whose bytes all lie in the table's buffer, as most names and
// every date do, is copied in chunks of TABLE_READ_SLACK bytes, the last of
// which may run past the text in both buffers.
constexpr int64_t SHORT_TEXT = 256;
static_assert(SHORT_TEXT + TABLE_READ_SLACK + 1 <= OUTPUT_LINE_MAX, "a short text fits one line");

inline void copyBytes(TableStream& table, OutputStream& out, int64_t n) {
  if (static_cast<uint64_t>(n) > SHORT_TEXT || table.end - table.next < n || discards(out))
    return copyBytesInPieces(table, out, n);
  char* p = beginLine(out);
  for (int64_t i = 0; i < n; i += TABLE_READ_SLACK)
    std::memcpy(p + i, table.next + i, TABLE_READ_SLACK);
  table.next += n;
  p[n] = '\n';
  endLine(out, p + n + 1);
}

// A K component of the given size code: absent, 1 byte unsigned, 2 or 4
// bytes. Unlike the JSON outputs' readTripletPart, a missing byte is read
// as the dump reads it: a byte 0xFF, readStatus untouched.
int32_t dumpTripletPart(TableStream& table, int size) {
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

// F, D and K ignore the column's count: their values have one fixed size
// (one float, a 20-byte date, one triplet), so the count their columns
// declare describes nothing the row holds. R, S and I are lists, and their
// count says how many elements follow.
void dumpFloat(TableStream& table, OutputStream& out, int32_t) {
  writeElements(table, out, 1, 4, [&](char* p) {
    p = writeFixed6Float(p, readFloat(table));
    *p++ = '\n';
    return p;
  });
}

void dumpDouble(TableStream& table, OutputStream& out, int32_t count) {
  writeElements(table, out, elementCount(table, count), 8, [&](char* p) {
    p = writeFixed6(p, readDouble(table));
    *p++ = '\n';
    return p;
  });
}

void dumpShort(TableStream& table, OutputStream& out, int32_t count) {
  writeElements(table, out, elementCount(table, count), 2, [&](char* p) {
    p = writeInt(p, readShort(table));
    *p++ = '\n';
    return p;
  });
}

void dumpLong(TableStream& table, OutputStream& out, int32_t count) {
  writeElements(table, out, elementCount(table, count), 4, [&](char* p) {
    p = writeInt(p, readLong(table));
    *p++ = '\n';
    return p;
  });
}

void dumpCoord2F(TableStream& table, OutputStream& out, int32_t count) {
  dumpCoordinates<float, 2, false>(table, out, count);
}

// Every B line begins with a comma, unlike the C, Z and Y lines: that is
// the dump's B format, and the stored dumps and the scripts that read them
// rely on it, so it is kept.
void dumpCoord2D(TableStream& table, OutputStream& out, int32_t count) {
  dumpCoordinates<double, 2, true>(table, out, count);
}

void dumpCoord3F(TableStream& table, OutputStream& out, int32_t count) {
  dumpCoordinates<float, 3, false>(table, out, count);
}

void dumpCoord3D(TableStream& table, OutputStream& out, int32_t count) {
  dumpCoordinates<double, 3, false>(table, out, count);
}

void dumpDate(TableStream& table, OutputStream& out, int32_t) { copyBytes(table, out, 20); }

void dumpNull(TableStream&, OutputStream& out, int32_t) { putChar(out, '\n'); }

// The type byte's bit pairs 7-6, 5-4 and 3-2 give the sizes of the id, the
// tile id and the external id. All three are read before any is written.
void dumpTriplet(TableStream& table, OutputStream& out, int32_t) {
  int type = static_cast<unsigned char>(readChar(table));
  int32_t part[3];
  for (int i = 0; i < 3; ++i) part[i] = dumpTripletPart(table, (type >> (6 - 2 * i)) & 3);
  if (discards(out)) return;
  char* p = beginLine(out);
  for (int i = 0; i < 3; ++i) {
    if (i > 0) *p++ = ',';
    if ((type >> (6 - 2 * i)) & 3)
      p = writeInt(p, part[i]);
    else
      *p++ = '-';
  }
  *p++ = '\n';
  endLine(out, p);
}
