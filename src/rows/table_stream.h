// The table's data bytes, read strictly forward through a fixed block
// buffer: memory use does not grow with the table, and nothing is seeked.
#pragma once

#include <cstdint>
#include <cstdio>

// The fuzz build makes the block small, so that short inputs cross its edges.
#ifndef QUORL_TABLE_BUFFER_SIZE
#define QUORL_TABLE_BUFFER_SIZE (1 << 16)
#endif
constexpr size_t TABLE_BUFFER_SIZE = QUORL_TABLE_BUFFER_SIZE;

// Bytes the buffer has past its end, so that a copy may take this many
// bytes from any position in it; what lies past the data is never used.
constexpr int64_t TABLE_READ_SLACK = 16;

// The table being read, and what the run knows about it.
struct TableStream {
  std::FILE* file = nullptr;
  const char* path = nullptr;  // as typed, for the read-failure message
  bool swapBytes = false;      // the table is big-endian: set by the header reader
  // 1 when the last byte asked of the value reader arrived, 0 when the input
  // had ended. The row loop watches it to find the end of the data.
  int readStatus = 1;
  const unsigned char* next = nullptr;  // next unread byte of buffer
  const unsigned char* end = nullptr;   // end of the bytes in buffer
  int64_t bufferStart = 0;              // data offset of buffer[0]
  bool ended = false;                   // the file will give no more bytes
  // Bytes of data the file holds after the header, -1 when the file's size
  // is not known (a pipe), and where the data starts in the file: set by
  // measureData.
  int64_t dataSize = -1;
  int64_t dataStart = -1;
  unsigned char buffer[TABLE_BUFFER_SIZE + TABLE_READ_SLACK];
};

// Points the stream at file, opened from path, with an empty buffer and the
// state of a table not yet read. Until the first byte is read through the
// stream, the header may still be read from the file.
void openTableStream(TableStream& table, std::FILE* file, const char* path);

// Refills the empty buffer; false when the input is over, and from then on.
// A failed read ends the input at the failing byte, like the end of the
// file; readFailed tells the two apart afterwards.
bool fillTable(TableStream& table);

// True when a read of the table's file failed: the input ended early.
inline bool readFailed(const TableStream& table) { return std::ferror(table.file) != 0; }

// Next byte of the table, or EOF once the input has ended.
inline int readChar(TableStream& table) {
  if (table.next < table.end || fillTable(table)) return *table.next++;
  return EOF;
}

// Bytes of data taken so far.
inline int64_t tablePosition(const TableStream& table) {
  return table.bufferStart + (table.next - table.buffer);
}

// Hands the next n bytes of the table to take(bytes, count) in pieces: as
// they lie in the buffer, then as it is refilled. False, with readStatus
// 0, where the data ends first.
template <typename Take>
bool takeInPieces(TableStream& table, int64_t n, Take take) {
  for (;;) {
    int64_t piece = table.end - table.next;
    if (piece > n) piece = n;
    take(table.next, static_cast<size_t>(piece));
    table.next += piece;
    n -= piece;
    if (n == 0) return true;
    if (!fillTable(table)) {
      table.readStatus = 0;
      return false;
    }
  }
}

// Takes n bytes without looking at them; false when the input ended first.
bool skipBytes(TableStream& table, int64_t n);

// True when no byte of data has been taken and the input has ended: the
// next row would start where the data ends.
inline bool atEndOfData(TableStream& table) { return table.next == table.end && !fillTable(table); }

// Finds the size of the data where the file is a regular file. Call
// before the first data byte is read through the stream.
void measureData(TableStream& table);

// False when the file's size is known and the data has fewer than n bytes
// left: then a count that asks for more is damaged, and nothing need be
// read to know it. (A file that has grown since it was measured is
// measured again.)
bool dataMayHold(TableStream& table, int64_t n);
