#include "output/output_stream.h"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

OutputStream standardOutput;
OutputStream discardSink;

void openOutputStreams(std::FILE* file) {
  standardOutput.file = file;
  standardOutput.failed = false;
  standardOutput.error = 0;
  standardOutput.used = 0;
  discardSink.file = nullptr;
  discardSink.used = 0;
}

void flushOutput(OutputStream& out) {
  if (out.used == 0) return;
  if (!discards(out) && std::fwrite(out.buffer, 1, out.used, out.file) != out.used) {
    out.failed = true;
    out.error = errno;
    out.file = nullptr;  // nothing more can be written, so nothing is formatted
  }
  out.used = 0;
}

void putManyBytes(OutputStream& out, const char* text, size_t n) {
  while (n > 0 && !discards(out)) {
    reserveOutput(out);
    size_t room = OUTPUT_BUFFER_SIZE - out.used;
    if (room > n) room = n;
    std::memcpy(out.buffer + out.used, text, room);
    out.used += room;
    text += room;
    n -= room;
  }
}

void putRepeated(OutputStream& out, char c, int64_t n) {
  while (n > 0 && !discards(out)) {
    reserveOutput(out);
    int64_t room = OUTPUT_BUFFER_SIZE - out.used;
    if (room > n) room = n;
    std::memset(out.buffer + out.used, c, room);
    out.used += room;
    n -= room;
  }
}

void putBlock(OutputStream& out, const char* text, size_t n) {
  flushOutput(out);
  if (discards(out) || n == 0) return;
  if (std::fwrite(text, 1, n, out.file) != n) {
    out.failed = true;
    out.error = errno;
    out.file = nullptr;
  }
}

void useBinaryStandardOutput() {
#ifdef _WIN32
  if (standardOutput.file == nullptr) return;
  std::fflush(standardOutput.file);
  _setmode(_fileno(standardOutput.file), _O_BINARY);
#endif
}
