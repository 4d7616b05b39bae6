// Text held in memory until it is known to be wanted: a JSON row is held
// until the row is known to be complete, so that a row cut by the end of
// the data can be taken back. The buffer grows to the largest text held
// at once and is reused; it never shrinks. A buffer of a part of the run
// (a GeoPackage layer's) goes with it.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>

struct HeldText {
  char* data = nullptr;
  size_t used = 0;
  size_t capacity = 0;

  HeldText() = default;
  HeldText(const HeldText&) = delete;
  HeldText& operator=(const HeldText&) = delete;
  ~HeldText() { std::free(data); }
};

// Called when memory for held text cannot be had; it does not return. The
// run points it at its out-of-memory exit (the default aborts).
extern void (*heldTextExhausted)();

// Makes room for n more bytes (out of line: it allocates).
void growHeldText(HeldText& text, size_t n);

// Where the next n bytes at most go; the caller writes them there and
// hands their end to endHeld.
inline char* beginHeld(HeldText& text, size_t n) {
  if (text.capacity - text.used < n) growHeldText(text, n);
  return text.data + text.used;
}

inline void endHeld(HeldText& text, char* end) { text.used = end - text.data; }

inline void putHeld(HeldText& text, const char* bytes, size_t n) {
  std::memcpy(beginHeld(text, n), bytes, n);
  text.used += n;
}

inline void putHeld(HeldText& text, const char* s) { putHeld(text, s, std::strlen(s)); }

inline void putHeldChar(HeldText& text, char c) {
  *beginHeld(text, 1) = c;
  ++text.used;
}
