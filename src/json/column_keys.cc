#include "json/column_keys.h"

#include <cstdio>
#include <cstring>

char columnKey[MAX_COLUMNS][MAX_KEY];

namespace {

// Copies name without the spaces at either end into key.
void trimName(const char* name, char* key) {
  size_t begin = 0, end = std::strlen(name);
  while (begin < end && name[begin] == ' ') ++begin;
  while (end > begin && name[end - 1] == ' ') --end;
  std::memcpy(key, name + begin, end - begin);
  key[end - begin] = '\0';
}

}  // namespace

void makeColumnKeys(const HeaderText& header, int columnTotal) {
  char name[MAX_COLUMNS][MAX_KEY];
  for (int i = 0; i < columnTotal; ++i) {
    trimName(header.column[i].name, name[i]);
    int earlier = 0;
    for (int j = 0; j < i; ++j) earlier += std::strcmp(name[i], name[j]) == 0;
    if (earlier == 0)
      std::strcpy(columnKey[i], name[i]);
    else
      std::snprintf(columnKey[i], MAX_KEY, "%s#%d", name[i], earlier + 1);
  }
}

KeyText makeKeyText(const char* key, bool opensObject) {
  KeyText text{};
  const int n = std::snprintf(text.text, KEY_TEXT, "%s\"%s\":", opensObject ? "{" : ",", key);
  text.length = static_cast<uint8_t>(n < static_cast<int>(KEY_TEXT) ? n : KEY_TEXT - 1);
  return text;
}
