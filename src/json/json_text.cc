#include "json/json_text.h"

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

char* escapeJsonChars(char* p, const unsigned char* bytes, int n) {
  for (int k = 0; k < n; ++k) p = putJsonChar(p, bytes[k]);
  return p;
}

void putJsonString(HeldText& out, const char* s) {
  const size_t n = std::strlen(s);
  char* p = beginHeld(out, 6 * n + 2);
  *p++ = '"';
  for (size_t i = 0; i < n; ++i) p = putJsonChar(p, static_cast<unsigned char>(s[i]));
  *p++ = '"';
  endHeld(out, p);
}
