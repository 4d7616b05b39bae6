#include "rows/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

char* writeFixed6(char* out, double v) {
  if (std::isnan(v)) {
    const char* text = std::signbit(v) ? "-nan" : "nan";
    size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    return out + n;
  }
  return std::to_chars(out, out + MAX_FIXED6_TEXT, v, std::chars_format::fixed, 6).ptr;
}

char* writeInt(char* out, int32_t v) {
  return std::to_chars(out, out + 11, v).ptr;
}

char* writeInt64(char* out, int64_t v) {
  return std::to_chars(out, out + 20, v).ptr;
}
