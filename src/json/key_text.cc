#include "json/key_text.h"

#include <cstdio>

KeyText makeKeyText(const char* key, bool opensObject) {
  KeyText text{};
  const int n = std::snprintf(text.text, KEY_TEXT, "%s\"%s\":", opensObject ? "{" : ",", key);
  text.length = static_cast<uint8_t>(n < static_cast<int>(KEY_TEXT) ? n : KEY_TEXT - 1);
  return text;
}
