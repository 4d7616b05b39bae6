#include "json_check.h"

#include <cstdlib>
#include <cstring>

namespace {

// A cursor over the text; every parse function moves it past what it
// accepts and returns false at the first byte that breaks the grammar.
struct Parser {
  const unsigned char* p;
  const unsigned char* end;
};

void skipSpace(Parser& in) {
  while (in.p < in.end && (*in.p == ' ' || *in.p == '\t' || *in.p == '\n' || *in.p == '\r')) ++in.p;
}

bool take(Parser& in, const char* word) {
  const size_t n = std::strlen(word);
  if (static_cast<size_t>(in.end - in.p) < n || std::memcmp(in.p, word, n) != 0) return false;
  in.p += n;
  return true;
}

bool digits(Parser& in) {
  const unsigned char* start = in.p;
  while (in.p < in.end && *in.p >= '0' && *in.p <= '9') ++in.p;
  return in.p > start;
}

bool number(Parser& in) {
  if (in.p < in.end && *in.p == '-') ++in.p;
  if (in.p < in.end && *in.p == '0')
    ++in.p;
  else if (!digits(in))
    return false;
  if (in.p < in.end && *in.p == '.' && (++in.p, !digits(in))) return false;
  if (in.p < in.end && (*in.p == 'e' || *in.p == 'E')) {
    ++in.p;
    if (in.p < in.end && (*in.p == '+' || *in.p == '-')) ++in.p;
    if (!digits(in)) return false;
  }
  return true;
}

// One UTF-8 character from 0x80 up: the shortest form only, no surrogates.
bool utf8Character(Parser& in) {
  const unsigned c = *in.p;
  int more;
  unsigned least;
  if (c >= 0xC2 && c <= 0xDF) {
    more = 1, least = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    more = 2, least = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    more = 3, least = 0x10000;
  } else {
    return false;
  }
  if (in.end - in.p <= more) return false;
  unsigned code = c & (0x3F >> more);
  for (int i = 1; i <= more; ++i) {
    if ((in.p[i] & 0xC0) != 0x80) return false;
    code = code << 6 | (in.p[i] & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
  in.p += more + 1;
  return true;
}

bool string(Parser& in) {
  if (!take(in, "\"")) return false;
  while (in.p < in.end) {
    const unsigned char c = *in.p;
    if (c == '"') {
      ++in.p;
      return true;
    }
    if (c < 0x20) return false;
    if (c >= 0x80) {
      if (!utf8Character(in)) return false;
      continue;
    }
    ++in.p;
    if (c != '\\') continue;
    if (in.p == in.end) return false;
    const unsigned char e = *in.p++;
    if (e == 'u') {
      for (int i = 0; i < 4; ++i, ++in.p)
        if (in.p == in.end || !std::strchr("0123456789abcdefABCDEF", *in.p) || *in.p == 0)
          return false;
    } else if (!std::strchr("\"\\/bfnrt", e) || e == 0) {
      return false;
    }
  }
  return false;
}

bool value(Parser& in, int depth);

// The members of an object or the elements of an array, after the opening
// bracket, up to and with the closing one.
bool members(Parser& in, int depth, bool object) {
  const char* close = object ? "}" : "]";
  skipSpace(in);
  if (take(in, close)) return true;
  for (;;) {
    skipSpace(in);
    if (object) {
      if (!string(in)) return false;
      skipSpace(in);
      if (!take(in, ":")) return false;
    }
    if (!value(in, depth + 1)) return false;
    skipSpace(in);
    if (take(in, close)) return true;
    if (!take(in, ",")) return false;
  }
}

bool value(Parser& in, int depth) {
  if (depth > 64) return false;  // deeper than any output goes
  skipSpace(in);
  if (in.p == in.end) return false;
  switch (*in.p) {
    case '{': return ++in.p, members(in, depth, true);
    case '[': return ++in.p, members(in, depth, false);
    case '"': return string(in);
    case 't': return take(in, "true");
    case 'f': return take(in, "false");
    case 'n': return take(in, "null");
    default: return number(in);
  }
}

bool wholeValue(const unsigned char* begin, const unsigned char* end) {
  Parser in{begin, end};
  if (!value(in, 0)) return false;
  skipSpace(in);
  return in.p == in.end;
}

}  // namespace

bool isJsonDocument(const std::string& text) {
  const unsigned char* begin = reinterpret_cast<const unsigned char*>(text.data());
  return wholeValue(begin, begin + text.size());
}

bool isJsonLines(const std::string& text) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* end = p + text.size();
  while (p < end) {
    const unsigned char* line = static_cast<const unsigned char*>(std::memchr(p, '\n', end - p));
    if (line == nullptr || !wholeValue(p, line)) return false;
    p = line + 1;
  }
  return true;
}

GeoJsonFeatures countGeoJsonFeatures(const std::string& text) {
  GeoJsonFeatures features;
  const std::string head = "{\"type\":\"Feature\",\"id\":";
  for (size_t line = text.find('\n'); line != std::string::npos; line = text.find('\n', line)) {
    ++line;
    if (text.compare(line, head.size(), head) != 0) continue;
    ++features.count;
    char* end = nullptr;
    const int64_t id = std::strtoll(text.c_str() + line + head.size(), &end, 10);
    if (std::strncmp(end, ",\"geometry\":null,", 17) != 0) continue;
    if (features.nulls++ == 0) features.firstNull = id;
  }
  return features;
}
