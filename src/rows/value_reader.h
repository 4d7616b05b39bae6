// Multi-byte numbers of the rows, in the table's byte order whatever the
// host's. A value whose last byte is missing reads as zero.
#pragma once

#include <cstdint>

#include "rows/table_stream.h"

// 1 when the last byte asked of the reader arrived, 0 when the input had
// ended. The row loop watches it to find the end of the data.
extern int readStatus;

// Reads n bytes into buffer, setting readStatus after each one.
void readBytes(TableStream& table, int n, unsigned char* buffer);

int16_t readShort(TableStream& table);
int32_t readLong(TableStream& table);
float readFloat(TableStream& table);
double readDouble(TableStream& table);
