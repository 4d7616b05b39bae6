#include "rows/table_stream.h"

#include <sys/stat.h>

void openTableStream(TableStream& table, std::FILE* file, const char* path) {
  table.file = file;
  table.path = path;
  table.swapBytes = false;
  table.readStatus = 1;
  table.next = table.end = table.buffer;
  table.bufferStart = 0;
  table.ended = false;
  table.dataSize = -1;
  table.dataStart = -1;
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

namespace {

// The size of a regular file, else -1 (a pipe, a terminal, a stream with no
// file descriptor).
int64_t regularFileSize(std::FILE* file) {
#ifdef _WIN32
  struct _stati64 info;
  const int fd = _fileno(file);
  if (fd < 0 || _fstati64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return -1;
#else
  struct stat info;
  const int fd = fileno(file);
  if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
#endif
  return static_cast<int64_t>(info.st_size);
}

}  // namespace

void measureData(TableStream& table) {
  if (table.dataStart < 0) table.dataStart = std::ftell(table.file);
  const int64_t size = table.dataStart < 0 ? -1 : regularFileSize(table.file);
  table.dataSize = size < 0 || size < table.dataStart ? -1 : size - table.dataStart;
}

bool dataMayHold(TableStream& table, int64_t n) {
  if (table.dataSize < 0 || n <= table.dataSize - tablePosition(table)) return true;
  measureData(table);
  return table.dataSize < 0 || n <= table.dataSize - tablePosition(table);
}
