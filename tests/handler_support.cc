#include "handler_support.h"

#include <cstdlib>
#include <memory>

MemoryTable::MemoryTable(const std::string& bytes, bool bigEndian) : data_(bytes) {
  // A memory stream cannot be empty; an empty table is read from /dev/null.
  openTableStream(
      stream,
      data_.empty() ? std::fopen("/dev/null", "rb") : fmemopen(data_.data(), data_.size(), "rb"),
      "memory");
  stream.swapBytes = bigEndian;
}

MemoryTable::~MemoryTable() { std::fclose(stream.file); }

HandlerRun runHandler(FieldHandler handler, const std::string& bytes, int32_t count, bool bigEndian,
                      bool discard) {
  MemoryTable table(bytes, bigEndian);
  char* text = nullptr;
  size_t size = 0;
  auto out = std::make_unique<OutputStream>();
  out->file = discard ? nullptr : open_memstream(&text, &size);
  handler(table.stream, *out, count);
  HandlerRun run;
  run.consumed = tablePosition(table.stream);
  run.readStatus = table.stream.readStatus;
  if (!discard) {
    flushOutput(*out);
    std::fclose(out->file);
    run.text.assign(text, size);
    std::free(text);
  }
  return run;
}
