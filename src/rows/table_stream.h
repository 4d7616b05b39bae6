// The table's data bytes, read strictly forward one at a time.
#pragma once

#include <cstdint>
#include <cstdio>

struct TableStream {
  std::FILE* file = nullptr;
  int64_t consumed = 0;  // data bytes taken so far
};

// Next byte of the table, or EOF once the input has ended.
inline int readChar(TableStream& table) {
  int c = std::getc(table.file);
  if (c != EOF) ++table.consumed;
  return c;
}
