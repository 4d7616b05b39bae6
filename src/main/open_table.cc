#include "main/open_table.h"

#include <sys/stat.h>

std::FILE* openTable(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return nullptr;
  // The status of the file opened, not of the path: nothing can swap one
  // for the other in between.
  struct stat info;
  if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}
