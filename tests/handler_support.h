// Runs the value reader and the field handlers directly on a byte string.
#pragma once

#include <cstdio>
#include <string>

#include "output/output_stream.h"
#include "rows/field_handlers.h"
#include "rows/table_stream.h"

// A table stream over bytes held in memory, in the byte order given.
struct MemoryTable {
  TableStream stream;
  explicit MemoryTable(const std::string& bytes, bool bigEndian = false);
  ~MemoryTable();
  MemoryTable(const MemoryTable&) = delete;
  MemoryTable& operator=(const MemoryTable&) = delete;

 private:
  std::string data_;
};

// What a handler wrote, how many bytes it took and the read status it left.
struct HandlerRun {
  std::string text;
  int64_t consumed = 0;
  int readStatus = 1;
};

// Calls handler once on bytes of a table in the given byte order, with the
// given count. discard runs it on the discard sink instead of a capturing
// stream.
HandlerRun runHandler(FieldHandler handler, const std::string& bytes, int32_t count, bool bigEndian,
                      bool discard = false);
