#include "files/open_table.h"

#include <sys/stat.h>

#ifdef _WIN32
#include "files/windows_paths.h"
#endif

std::FILE* openTable(const char* path) {
#ifdef _WIN32
  std::FILE* file = openUtf8Path(path);  // the path is UTF-8 there, see main.cc
#else
  std::FILE* file = std::fopen(path, "rb");
#endif
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
