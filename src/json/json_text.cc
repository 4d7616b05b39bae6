#include "json/json_text.h"

#include "output/portable_bits.h"

namespace {

// The JSON escape of each byte below 0x20: the short ones where JSON has
// them, else \u00XX.
struct ControlEscapes {
  char text[32][6];
  uint8_t length[32];
};

constexpr ControlEscapes makeControlEscapes() {
  ControlEscapes e{};
  const char hex[] = "0123456789abcdef";
  for (int c = 0; c < 32; ++c) {
    const char* shortForm = c == '\b'   ? "\\b"
                            : c == '\t' ? "\\t"
                            : c == '\n' ? "\\n"
                            : c == '\f' ? "\\f"
                            : c == '\r' ? "\\r"
                                        : nullptr;
    if (shortForm != nullptr) {
      e.text[c][0] = shortForm[0];
      e.text[c][1] = shortForm[1];
      e.length[c] = 2;
    } else {
      const char u[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
      for (int i = 0; i < 6; ++i) e.text[c][i] = u[i];
      e.length[c] = 6;
    }
  }
  return e;
}

constexpr ControlEscapes kControlEscapes = makeControlEscapes();

// One byte of a string, as it is written.
inline char* putJsonChar(char* p, unsigned char c) {
  if (c >= 0x80) {
    p[0] = static_cast<char>(0xC0 | c >> 6);
    p[1] = static_cast<char>(0x80 | (c & 0x3F));
    return p + 2;
  }
  if (c >= 0x20) {
    if (c == '"' || c == '\\') *p++ = '\\';
    *p = static_cast<char>(c);
    return p + 1;
  }
  std::memcpy(p, kControlEscapes.text[c], 6);
  return p + kControlEscapes.length[c];
}

}  // namespace

char* writeJsonChars(char* p, const unsigned char* bytes, size_t n) {
  // 16 bytes at a time: copied as they are where none needs more (most
  // text), else one by one. The last piece reads and copies past the text.
  const unsigned char* end = bytes + n;
  for (; end - bytes >= 16; bytes += 16) {
    if (needsJsonEscape(bytes, 16)) {
      for (int k = 0; k < 16; ++k) p = putJsonChar(p, bytes[k]);
    } else {
      std::memcpy(p, bytes, 16);
      p += 16;
    }
  }
  const int rest = static_cast<int>(end - bytes);
  if (rest == 0) return p;
  if (needsJsonEscape(bytes, rest)) {
    for (int k = 0; k < rest; ++k) p = putJsonChar(p, bytes[k]);
    return p;
  }
  std::memcpy(p, bytes, 16);
  return p + rest;
}

void putJsonString(HeldText& out, const char* s) {
  const size_t n = std::strlen(s);
  char* p = beginHeld(out, 6 * n + 2);
  *p++ = '"';
  for (size_t i = 0; i < n; ++i) p = putJsonChar(p, static_cast<unsigned char>(s[i]));
  *p++ = '"';
  endHeld(out, p);
}
