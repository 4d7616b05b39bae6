#include <cstring>

#include "json/json_fields.h"
#include "json/json_text.h"
#include "json/value_lists.h"

namespace {

// The components of the geometry being written, read in full first: what
// the geometry is (a point, a line, or null) and whether it has heights
// depend on all of them. Grows to the largest geometry and is reused.
HeldText geometryValues;

// The geometry of a coordinate column: a fixed count of 1, or a list of one
// position, gives a Point, a list of two or more a LineString. No position
// at all, or one whose x or y is not a finite number, gives null. Where a
// height is unknown (VPF writes NaN) the whole geometry is written in 2-D.
// The geometry takes no key: it is the feature's own member.
template <typename Component, int dims>
void writeGeometry(TableStream& table, HeldText* out, const JsonColumn& column) {
  const int32_t count = column.count;
  constexpr int width = dims * sizeof(Component);
  const int32_t n = count == 1 ? 1 : listLength(table, count, width);
  if (n < 0) return;
  if (out == nullptr) return skipValues(table, n, width);
  geometryValues.used = 0;
  bool located = true, heights = dims == 3;
  for (int32_t i = 0; i < n; ++i) {
    Component* v = reinterpret_cast<Component*>(beginHeld(geometryValues, width));
    for (int d = 0; d < dims; ++d) v[d] = readComponent(table, Component());
    if (table.readStatus != 1) return;
    located = located && isFiniteValue(v[0]) && isFiniteValue(v[1]);
    if (dims == 3) heights = heights && isFiniteValue(v[2]);
    geometryValues.used += width;
  }
  if (n == 0 || !located) {
    putHeld(*out, "null", 4);
    return;
  }
  // Each position in 2-D, or with its height where every height is known.
  const Component* v = reinterpret_cast<const Component*>(geometryValues.data);
  const int written = heights ? 3 : 2;
  if (n == 1) {
    putHeld(*out, "{\"type\":\"Point\",\"coordinates\":");
    endHeld(*out, writePositionText(beginHeld(*out, MAX_POSITION_TEXT), v, written));
  } else {
    putHeld(*out, "{\"type\":\"LineString\",\"coordinates\":[");
    for (int32_t i = 0; i < n; ++i, v += dims) {
      char* p = writePositionText(beginHeld(*out, MAX_POSITION_TEXT), v, written);
      *p++ = ',';
      endHeld(*out, p);
    }
    out->data[out->used - 1] = ']';
  }
  putHeldChar(*out, '}');
}

}  // namespace

JsonWriter geometryWriterForType(char type) {
  switch (type) {
    case 'C': return writeGeometry<float, 2>;
    case 'B': return writeGeometry<double, 2>;
    case 'Z': return writeGeometry<float, 3>;
    case 'Y': return writeGeometry<double, 3>;
    default: return nullptr;
  }
}
