#include "rows/field_values.h"

#include "rows/value_reader.h"

namespace {

// Bytes of one element of a list column, or of a position; 0 for the
// types that are not lists.
int elementWidth(char type) {
  switch (type) {
    case 'T': return 1;
    case 'S': return 2;
    case 'I': return 4;
    case 'R': return 8;
    case 'C': return 8;
    case 'Z': return 12;
    case 'B': return 16;
    case 'Y': return 24;
    default: return 0;
  }
}

}  // namespace

bool isCoordinateType(char type) {
  return type == 'C' || type == 'Z' || type == 'B' || type == 'Y';
}

bool skipValue(TableStream& table, char type, int32_t count) {
  table.readStatus = 1;
  switch (type) {
    case 'X': return true;
    case 'F': skipValues(table, 1, 4); return table.readStatus == 1;
    case 'D': return skipBytes(table, 20);
    case 'K': {
      int64_t key;
      return readKeyValue(table, type, count, key);
    }
    default: {
      const int width = elementWidth(type);
      const int32_t n = listLength(table, count, width);
      if (n < 0) return false;
      return skipBytes(table, static_cast<int64_t>(n) * width);
    }
  }
}

bool readKeyValue(TableStream& table, char type, int32_t count, int64_t& key) {
  key = NULL_KEY;
  table.readStatus = 1;
  if (type == 'K') {
    const int tripletType = readChar(table);
    if (tripletType == EOF) return false;
    const int32_t id = readTripletPart(table, tripletType >> 6 & 3);
    readTripletPart(table, tripletType >> 4 & 3);
    readTripletPart(table, tripletType >> 2 & 3);
    if (table.readStatus != 1) return false;
    if (tripletType >> 6 & 3) key = id;
    return true;
  }
  if (type != 'I' && type != 'S') return skipValue(table, type, count);
  const int width = elementWidth(type);
  const int32_t n = listLength(table, count, width);
  if (n < 0) return false;
  if (n == 0) return true;
  key = type == 'I' ? readLong(table) : readShort(table);
  if (table.readStatus != 1) return false;
  return skipBytes(table, static_cast<int64_t>(n - 1) * width);
}

namespace {

// Elements taken at a time: the memory of a value grows with the bytes that
// arrive, not with its count, which where the data's size is not known (a
// pipe) nothing has bounded.
constexpr size_t kElementStep = 4096;

// Appends n floats (T float or double) to values; false, with values as
// they were, where the data ends first.
template <typename T>
bool appendElements(TableStream& table, size_t n, std::vector<T>& values) {
  const size_t first = values.size();
  for (size_t done = 0; done < n && table.readStatus == 1;) {
    const size_t step = n - done < kElementStep ? n - done : kElementStep;
    values.resize(first + done + step);
    readComponents(table, step, values.data() + first + done);
    done += step;
  }
  if (table.readStatus == 1) return true;
  values.resize(first);
  return false;
}

}  // namespace

bool readPositionsValue(TableStream& table, char type, int32_t count, PositionColumn& column) {
  table.readStatus = 1;
  if (!isCoordinateType(type)) {
    if (!skipValue(table, type, count)) return false;
    column.rowStart.push_back(column.rowStart.back());
    return true;
  }
  column.dims = type == 'Z' || type == 'Y' ? 3 : 2;
  column.single = type == 'C' || type == 'Z';
  const int32_t n = count == 1 ? 1 : listLength(table, count, elementWidth(type));
  if (n < 0) return false;
  const size_t components = static_cast<size_t>(n) * column.dims;
  const bool read = column.single ? appendElements(table, components, column.singles)
                                  : appendElements(table, components, column.doubles);
  if (!read) return false;
  column.rowStart.push_back(column.rowStart.back() + n);
  return true;
}

bool readTextValue(TableStream& table, char type, int32_t count, std::string& text) {
  text.clear();
  table.readStatus = 1;
  if (type != 'T') return skipValue(table, type, count);
  const int32_t n = listLength(table, count, 1);
  if (n < 0) return false;
  text.reserve(n < static_cast<int32_t>(kElementStep) ? n : kElementStep);
  for (int32_t i = 0; i < n; ++i) {
    const int c = readChar(table);
    if (c == EOF) return false;
    text.push_back(static_cast<char>(c));
  }
  return true;
}
