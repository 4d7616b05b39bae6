// One handler per column type: each consumes one column value of a row and
// writes its text.
#pragma once

#include <cstdint>

#include "output/output_stream.h"
#include "rows/table_stream.h"

// The column's count when the header gives "*": the count is then read from
// the data, ahead of the elements.
constexpr int32_t VARIABLE_COUNT = -1;

using FieldHandler = void (*)(TableStream& table, OutputStream& out, int32_t count);

void dumpText(TableStream& table, OutputStream& out, int32_t count);     // T
void dumpFloat(TableStream& table, OutputStream& out, int32_t count);    // F
void dumpDouble(TableStream& table, OutputStream& out, int32_t count);   // R
void dumpShort(TableStream& table, OutputStream& out, int32_t count);    // S
void dumpLong(TableStream& table, OutputStream& out, int32_t count);     // I
void dumpCoord2F(TableStream& table, OutputStream& out, int32_t count);  // C
void dumpCoord2D(TableStream& table, OutputStream& out, int32_t count);  // B
void dumpCoord3F(TableStream& table, OutputStream& out, int32_t count);  // Z
void dumpCoord3D(TableStream& table, OutputStream& out, int32_t count);  // Y
void dumpDate(TableStream& table, OutputStream& out, int32_t count);     // D
void dumpNull(TableStream& table, OutputStream& out, int32_t count);     // X
void dumpTriplet(TableStream& table, OutputStream& out, int32_t count);  // K
