// Runs the value reader and the field handlers directly on a byte string.
#pragma once

#include <cstdio>
#include <string>

#include "main/output_stream.h"
#include "rows/field_handlers.h"
#include "rows/table_stream.h"

// A table stream over bytes held in memory.
struct MemoryTable {
  TableStream stream;
  explicit MemoryTable(const std::string& bytes);
  ~MemoryTable();
  MemoryTable(const MemoryTable&) = delete;
  MemoryTable& operator=(const MemoryTable&) = delete;

 private:
  std::string data_;
};

// What a handler wrote and how many bytes it took.
struct HandlerRun {
  std::string text;
  int64_t consumed = 0;
};

// Calls handler once on bytes with the given count. discard runs it on the
// discard sink instead of a capturing stream.
HandlerRun runHandler(FieldHandler handler, const std::string& bytes, int32_t count,
                      bool discard = false);
