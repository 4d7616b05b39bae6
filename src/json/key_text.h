// The text that comes before each value of a JSON object: its key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The text that comes before a value in an object: its key, after a comma,
// or after the brace that opens the object where it is the first. It is
// copied whole, KEY_TEXT bytes at once, and then cut to its length (a key
// of up to 16 characters and "#N" needs at most 24).
constexpr size_t KEY_TEXT = 32;
struct KeyText {
  char text[KEY_TEXT];
  uint8_t length;
};

// Writes key at p; returns the end.
inline char* putKeyText(char* p, const KeyText& key) {
  std::memcpy(p, key.text, KEY_TEXT);
  return p + key.length;
}

// The key text of the key, opening its object or not.
KeyText makeKeyText(const char* key, bool opensObject);
