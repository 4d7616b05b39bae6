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

// True when none of the 8 bytes in w needs more than a copy: none is a
// control character, a quote, a backslash or from 0x80 up. (Each test
// below is exact for "is there any such byte", whatever the byte order.)
inline bool isPlainWord(uint64_t w) {
  constexpr uint64_t ones = 0x0101010101010101ull;
  const uint64_t quote = w ^ (ones * '"');
  const uint64_t backslash = w ^ (ones * '\\');
  const uint64_t flagged =
      w | ((w - ones * 0x20) & ~w) | ((quote - ones) & ~quote) | ((backslash - ones) & ~backslash);
  return (flagged & ones * 0x80) == 0;
}

// The most bytes escaped at once: the room they need is reserved first.
constexpr size_t ESCAPE_PIECE = 4096;

}  // namespace

void putJsonChars(HeldText& out, const unsigned char* bytes, size_t n) {
  while (n > 0) {
    const size_t piece = n < ESCAPE_PIECE ? n : ESCAPE_PIECE;
    char* p = beginHeld(out, 6 * piece);
    size_t i = 0;
    for (; i + 8 <= piece; i += 8) {
      uint64_t w;
      std::memcpy(&w, bytes + i, 8);
      if (isPlainWord(w)) {
        std::memcpy(p, bytes + i, 8);
        p += 8;
      } else {
        for (size_t k = i; k < i + 8; ++k) p = putJsonChar(p, bytes[k]);
      }
    }
    for (; i < piece; ++i) p = putJsonChar(p, bytes[i]);
    endHeld(out, p);
    bytes += piece;
    n -= piece;
  }
}

void putJsonString(HeldText& out, const char* s) {
  putHeldChar(out, '"');
  putJsonChars(out, reinterpret_cast<const unsigned char*>(s), std::strlen(s));
  putHeldChar(out, '"');
}
