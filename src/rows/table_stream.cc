#include "rows/table_stream.h"

TableStream tableStream;

void openTableStream(TableStream& table, std::FILE* file) {
  table.file = file;
  table.next = table.end = table.buffer;
  table.bufferStart = 0;
  table.ended = false;
}

bool fillTable(TableStream& table) {
  if (table.ended) return false;
  table.bufferStart += table.end - table.buffer;
  size_t n = std::fread(table.buffer, 1, TABLE_BUFFER_SIZE, table.file);
  table.next = table.buffer;
  table.end = table.buffer + n;
  table.ended = n == 0;  // a read error ends the input like the end of the file
  return !table.ended;
}

bool skipBytes(TableStream& table, int64_t n) {
  while (n > 0) {
    int64_t buffered = table.end - table.next;
    if (buffered >= n) {
      table.next += n;
      return true;
    }
    table.next = table.end;
    n -= buffered;
    if (!fillTable(table)) return false;
  }
  return true;
}
