// Buffered text output for the dump, and the discard sink for rows outside
// the record range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "output/number_text.h"

// Text is gathered here and handed to the file in large blocks. The fuzz
// build makes the block small, so that short inputs cross its edges and a
// capped standard output refuses a write after little formatting.
#ifndef QUORL_OUTPUT_BUFFER_SIZE
#define QUORL_OUTPUT_BUFFER_SIZE (1 << 16)
#endif
constexpr size_t OUTPUT_BUFFER_SIZE = QUORL_OUTPUT_BUFFER_SIZE;

// The longest line a handler writes at once: three numbers, separators and
// the newline. The buffer has this much room past OUTPUT_BUFFER_SIZE.
constexpr size_t OUTPUT_LINE_MAX = 3 * MAX_FIXED6_TEXT + 8;

// An output stream of the dump. With no file it is a discard sink: every put
// returns at once, so discarded rows cost no formatting. A stream whose
// write failed drops its file and becomes a sink too.
struct OutputStream {
  std::FILE* file = nullptr;
  bool failed = false;  // a write to the file came up short
  int error = 0;        // the system's reason for that (errno)
  size_t used = 0;
  char buffer[OUTPUT_BUFFER_SIZE + OUTPUT_LINE_MAX];
};

// The dump on standard output, and the sink for rows outside the range.
extern OutputStream standardOutput;
extern OutputStream discardSink;

// Points standardOutput at file (stdout, or the file of "-w FILE") and
// empties both streams.
void openOutputStreams(std::FILE* file = stdout);

// Hands the buffered text to the file (or drops it in a sink) and empties
// the buffer; records a short write in `failed`.
void flushOutput(OutputStream& out);

// True when everything written to out is dropped.
inline bool discards(const OutputStream& out) { return out.file == nullptr; }

// Makes sure the buffer has room for OUTPUT_LINE_MAX more bytes.
inline void reserveOutput(OutputStream& out) {
  if (out.used >= OUTPUT_BUFFER_SIZE) flushOutput(out);
}

// Where the next line of at most OUTPUT_LINE_MAX bytes is written; the
// caller writes it there and hands its end to endLine.
inline char* beginLine(OutputStream& out) {
  reserveOutput(out);
  return out.buffer + out.used;
}

inline void endLine(OutputStream& out, char* end) { out.used = end - out.buffer; }

inline void putChar(OutputStream& out, char c) {
  if (discards(out)) return;
  reserveOutput(out);
  out.buffer[out.used++] = c;
}

// Writes n bytes, zero bytes included, in pieces of a buffer's size.
void putManyBytes(OutputStream& out, const char* text, size_t n);

// Writes n bytes, zero bytes included: a piece that fits the room a line
// has at once, the rest in pieces.
inline void putBytes(OutputStream& out, const char* text, size_t n) {
  if (n > OUTPUT_LINE_MAX) return putManyBytes(out, text, n);
  if (discards(out)) return;
  char* p = beginLine(out);
  std::memcpy(p, text, n);
  endLine(out, p + n);
}

// Writes the byte c n times.
void putRepeated(OutputStream& out, char c, int64_t n);

// Writes n bytes straight to the file, after the buffered text: for large
// blocks of text gathered elsewhere, which a copy into the buffer would
// only slow down.
void putBlock(OutputStream& out, const char* text, size_t n);

// Makes standard output end its lines in LF on every host: the JSON
// outputs are the same bytes everywhere. (Windows' text streams would
// write CR LF.)
void useBinaryStandardOutput();

inline void putText(OutputStream& out, const char* text) { putBytes(out, text, std::strlen(text)); }
