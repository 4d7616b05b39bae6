#include "json/json_fields.h"

#include "json/json_text.h"
#include "json/value_lists.h"
#include "output/number_text.h"
#include "rows/value_reader.h"

namespace {

// Ends a list whose elements were each written with a comma after them:
// the last comma becomes the closing bracket.
inline void closeList(HeldText& out, int32_t n) {
  if (n > 0)
    out.data[out.used - 1] = ']';
  else
    putHeldChar(out, ']');
}

// Starts a value: the key and room for room more bytes.
inline char* beginValue(HeldText& out, const KeyText& key, size_t room) {
  return putKeyText(beginHeld(out, KEY_TEXT + room), key);
}

// I, S and R: a number where the column holds exactly one, else an array
// (of the elements its count, or the data, gives). writeValue(p) reads one
// element and writes it at p.
template <int width, typename WriteValue>
void writeNumbers(TableStream& table, HeldText* out, int32_t count, const KeyText& key,
                  WriteValue writeValue) {
  if (count == 1) {
    if (out == nullptr) return skipValues(table, 1, width);
    endHeld(*out, writeValue(beginValue(*out, key, MAX_JSON_NUMBER)));
    return;
  }
  const int32_t n = listLength(table, count, width);
  if (n < 0) return;
  if (out == nullptr) return skipValues(table, n, width);
  char* p = beginValue(*out, key, 1);
  *p++ = '[';
  endHeld(*out, p);
  for (int32_t i = 0; i < n; ++i) {
    p = writeValue(beginHeld(*out, MAX_JSON_NUMBER + 1));
    if (table.readStatus != 1) return;
    *p++ = ',';
    endHeld(*out, p);
  }
  closeList(*out, n);
}

// Reads one position of dims components and writes it as [x,y] or [x,y,z]
// with a comma after it.
template <typename Component, int dims>
inline char* writePosition(TableStream& table, char* p) {
  Component v[dims];
  for (int i = 0; i < dims; ++i) v[i] = readComponent(table, Component());
  p = writePositionText(p, v, dims);
  *p++ = ',';
  return p;
}

// C, Z, B and Y: one position where the column holds exactly one, else an
// array of positions.
template <typename Component, int dims>
void writePositions(TableStream& table, HeldText* out, const JsonColumn& column) {
  const int32_t count = column.count;
  const KeyText& key = column.key;
  constexpr int width = dims * sizeof(Component);
  const int32_t n = count == 1 ? 1 : listLength(table, count, width);
  if (n < 0) return;
  if (out == nullptr) return skipValues(table, n, width);
  char* p = beginValue(*out, key, 1);
  if (count != 1) *p++ = '[';
  endHeld(*out, p);
  for (int32_t i = 0; i < n; ++i) {
    p = writePosition<Component, dims>(table, beginHeld(*out, MAX_POSITION_TEXT));
    if (table.readStatus != 1) return;
    endHeld(*out, p);
  }
  if (count == 1)
    --out->used;  // the comma after the position
  else
    closeList(*out, n);
}

// Copies n bytes of text as a JSON string, the table's buffer holding only
// their first bytes or none: piece by piece as the buffer is refilled. The
// data may end first, which cuts the row.
[[gnu::noinline]] void writeTextInPieces(TableStream& table, HeldText& out, int64_t n,
                                         const KeyText& key) {
  char* p = beginValue(out, key, 1);
  *p++ = '"';
  endHeld(out, p);
  const bool whole = takeInPieces(table, n, [&](const unsigned char* bytes, size_t piece) {
    endHeld(out, writeJsonChars(beginHeld(out, jsonCharsRoom(piece) + 1), bytes, piece));
  });
  if (whole) putHeldChar(out, '"');
}

// Copies n bytes of text as a JSON string. Text that lies in the table's
// buffer whole, as most does, is written at once.
inline void writeTextBytes(TableStream& table, HeldText* out, int64_t n, const KeyText& key) {
  if (out == nullptr) {
    if (!skipBytes(table, n)) table.readStatus = 0;
    return;
  }
  if (n > table.end - table.next) return writeTextInPieces(table, *out, n, key);
  char* p = beginValue(*out, key, jsonCharsRoom(static_cast<size_t>(n)) + 2);
  *p++ = '"';
  p = writeJsonChars(p, table.next, static_cast<size_t>(n));
  *p++ = '"';
  endHeld(*out, p);
  table.next += n;
}

void jsonText(TableStream& table, HeldText* out, const JsonColumn& column) {
  const int32_t n = listLength(table, column.count, 1);
  if (n >= 0) writeTextBytes(table, out, n, column.key);
}

void jsonFloat(TableStream& table, HeldText* out, const JsonColumn& column) {
  writeNumbers<4>(table, out, 1, column.key,
                  [&](char* p) { return writeJsonFloat(p, readFloat(table)); });
}

void jsonDouble(TableStream& table, HeldText* out, const JsonColumn& column) {
  writeNumbers<8>(table, out, column.count, column.key,
                  [&](char* p) { return writeJsonDouble(p, readDouble(table)); });
}

void jsonShort(TableStream& table, HeldText* out, const JsonColumn& column) {
  writeNumbers<2>(table, out, column.count, column.key,
                  [&](char* p) { return writeInt(p, readShort(table)); });
}

void jsonLong(TableStream& table, HeldText* out, const JsonColumn& column) {
  writeNumbers<4>(table, out, column.count, column.key,
                  [&](char* p) { return writeInt(p, readLong(table)); });
}

// S and I key columns: the first element read is the key, which stays null
// where the list is empty.
template <int width, typename ReadValue>
void writeKeyNumbers(TableStream& table, HeldText* out, const JsonColumn& column,
                     ReadValue readValue) {
  int64_t* key = column.keyValue;
  *key = NULL_KEY;
  writeNumbers<width>(table, out, column.count, column.key, [&](char* p) {
    const int32_t v = readValue();
    if (*key == NULL_KEY) *key = v;
    return writeInt(p, v);
  });
}

void jsonShortKey(TableStream& table, HeldText* out, const JsonColumn& column) {
  writeKeyNumbers<2>(table, out, column, [&] { return readShort(table); });
}

void jsonLongKey(TableStream& table, HeldText* out, const JsonColumn& column) {
  writeKeyNumbers<4>(table, out, column, [&] { return readLong(table); });
}

void jsonDate(TableStream& table, HeldText* out, const JsonColumn& column) {
  writeTextBytes(table, out, 20, column.key);
}

void jsonNull(TableStream&, HeldText* out, const JsonColumn& column) {
  if (out != nullptr) endHeld(*out, writeJsonNull(beginValue(*out, column.key, 4)));
}

// {"id":...,"tile":...,"external":...}: the type byte's bit pairs 7-6, 5-4
// and 3-2 give the sizes of the three parts, null where a part is absent.
// A key column's key is the id.
template <bool isKey>
void writeTriplet(TableStream& table, HeldText* out, const JsonColumn& column) {
  const int type = readChar(table);
  if (type == EOF) {
    table.readStatus = 0;
    return;
  }
  int32_t part[3];
  for (int i = 0; i < 3; ++i) part[i] = readTripletPart(table, (type >> (6 - 2 * i)) & 3);
  if (isKey) *column.keyValue = (type >> 6) & 3 ? part[0] : NULL_KEY;
  if (table.readStatus != 1 || out == nullptr) return;
  const KeyText& key = column.key;
  // Each part's key is copied whole, 16 bytes, and then cut to its length.
  static const char kPartKeys[3][16] = {"{\"id\":", ",\"tile\":", ",\"external\":"};
  static const uint8_t kPartKeyLength[3] = {6, 8, 12};
  char* p = beginValue(*out, key, 3 * (16 + MAX_JSON_NUMBER) + 1);
  for (int i = 0; i < 3; ++i) {
    std::memcpy(p, kPartKeys[i], 16);
    p += kPartKeyLength[i];
    p = (type >> (6 - 2 * i)) & 3 ? writeInt(p, part[i]) : writeJsonNull(p);
  }
  *p++ = '}';
  endHeld(*out, p);
}

}  // namespace

JsonWriter jsonWriterForType(char type) {
  switch (type) {
    case 'T': return jsonText;
    case 'F': return jsonFloat;
    case 'R': return jsonDouble;
    case 'S': return jsonShort;
    case 'I': return jsonLong;
    case 'C': return writePositions<float, 2>;
    case 'B': return writePositions<double, 2>;
    case 'Z': return writePositions<float, 3>;
    case 'Y': return writePositions<double, 3>;
    case 'D': return jsonDate;
    case 'X': return jsonNull;
    case 'K': return writeTriplet<false>;
    default: return nullptr;
  }
}

JsonWriter keyWriterForType(char type) {
  switch (type) {
    case 'S': return jsonShortKey;
    case 'I': return jsonLongKey;
    case 'K': return writeTriplet<true>;
    default: return jsonWriterForType(type);
  }
}
