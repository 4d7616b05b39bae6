#include "files/entry_names.h"

namespace {

inline char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

}  // namespace

std::string lowerCaseName(std::string name) {
  for (char& c : name) c = lowerAscii(c);
  return name;
}

std::string trimSpaces(const std::string& text) {
  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(' ') + 1 - begin);
}

bool sameNameIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (lowerAscii(*a) != lowerAscii(*b)) return false;
  return *a == *b;
}
