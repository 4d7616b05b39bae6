#include "header/column_keys.h"

#include <cstdio>
#include <cstring>

#include "files/entry_names.h"

namespace {

// Copies name without the spaces at either end into key.
void trimName(const char* name, char* key) {
  size_t begin = 0, end = std::strlen(name);
  while (begin < end && name[begin] == ' ') ++begin;
  while (end > begin && name[end - 1] == ' ') --end;
  std::memcpy(key, name + begin, end - begin);
  key[end - begin] = '\0';
}

// The key of a column named name (trimmed) after the first count columns.
void keyAfter(const Table& table, int count, const char* name, char* key) {
  int earlier = 0;
  char other[MAX_KEY];
  for (int j = 0; j < count; ++j) {
    trimName(table.header.column[j].name, other);
    earlier += std::strcmp(name, other) == 0;
  }
  if (earlier == 0)
    std::snprintf(key, MAX_KEY, "%.16s", name);
  else
    std::snprintf(key, MAX_KEY, "%.16s#%d", name, earlier + 1);
}

}  // namespace

void makeColumnKeys(Table& table) {
  char name[MAX_KEY];
  for (int i = 0; i < table.columns.columnTotal; ++i) {
    trimName(table.header.column[i].name, name);
    keyAfter(table, i, name, table.columnKey[i]);
  }
}

void nextColumnKey(const Table& table, const char* name, char* key) {
  keyAfter(table, table.columns.columnTotal, name, key);
}

int findColumn(const Table& table, const char* name) {
  char trimmed[MAX_KEY];
  for (int i = 0; i < table.columns.columnTotal; ++i) {
    trimName(table.header.column[i].name, trimmed);
    if (sameNameIgnoringCase(trimmed, name)) return i;
  }
  return -1;
}
