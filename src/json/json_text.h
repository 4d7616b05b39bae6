// The pieces of JSON text: numbers and strings, written into held text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "output/held_text.h"
#include "output/portable_bits.h"
#include "output/shortest_number.h"

// Room for the text of one number: a float, a double, an integer or null.
constexpr size_t MAX_JSON_NUMBER = MAX_SHORTEST_TEXT;

inline char* writeJsonNull(char* p) {
  std::memcpy(p, "null", 4);
  return p + 4;
}

// True for a number other than NaN and the infinities.
inline bool isFiniteValue(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits & 0x7F800000u) != 0x7F800000u;
}

inline bool isFiniteValue(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits & 0x7FF0000000000000ull) != 0x7FF0000000000000ull;
}

// A float with the fewest digits that read back to it as a float; null for
// NaN and the infinities, which JSON cannot hold (NaN is VPF's null).
inline char* writeJsonFloat(char* p, float v) {
  return isFiniteValue(v) ? writeShortestFloat(p, v) : writeJsonNull(p);
}

inline char* writeJsonDouble(char* p, double v) {
  return isFiniteValue(v) ? writeShortestDouble(p, v) : writeJsonNull(p);
}

// Writes n bytes at p as the characters of a JSON string, without the
// quotes, each byte escaped as it needs. Returns the end.
char* escapeJsonChars(char* p, const unsigned char* bytes, int n);

// Writes n bytes at p as the characters of a JSON string, without the
// quotes, and returns the end: each byte 0x80-0xFF is the character
// U+0080-U+00FF (Latin-1), so any bytes give valid UTF-8 and none is lost;
// the quote, the backslash and the control characters are escaped. Reads
// up to 15 bytes past the n (as the table buffer allows) and needs room
// for jsonCharsRoom(n) bytes at p. Most text needs no escape: it is
// copied 16 bytes at a time.
inline char* writeJsonChars(char* p, const unsigned char* bytes, size_t n) {
  for (size_t pieces = n / 16; pieces > 0; --pieces, bytes += 16) {
    if (needsJsonEscape(bytes, 16)) {
      p = escapeJsonChars(p, bytes, 16);
    } else {
      std::memcpy(p, bytes, 16);
      p += 16;
    }
  }
  const int rest = static_cast<int>(n % 16);
  if (rest == 0) return p;
  if (needsJsonEscape(bytes, rest)) return escapeJsonChars(p, bytes, rest);
  std::memcpy(p, bytes, 16);
  return p + rest;
}

inline size_t jsonCharsRoom(size_t n) { return 6 * n + 16; }

// Writes a C string as a JSON string, quotes included.
void putJsonString(HeldText& out, const char* s);
