#include "rows/table_stream.h"

TableStream tableStream;

void openTableStream(TableStream& table, std::FILE* file, const char* path) {
  table.file = file;
  table.path = path;
  table.swapBytes = false;
  table.readStatus = 1;
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
  // Bytes read before a failure still count; nothing after it is asked for.
  table.ended = n == 0 || readFailed(table);
  return n != 0;
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
