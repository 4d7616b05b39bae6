#include "files/directory_entries.h"

#include <filesystem>
#include <system_error>

#include "files/entry_names.h"

namespace fs = std::filesystem;

namespace {

// The folder at a path as the command line gives it: bytes on Linux, UTF-8
// on Windows, where the file system's names are UTF-16.
fs::path folderPath(const std::string& dir) {
  if (dir.empty()) return fs::path(".");
#ifdef _WIN32
  return fs::u8path(dir);
#else
  return fs::path(dir);
#endif
}

bool usableName(const std::string& name) {
  return !name.empty() && name.find_first_of("/\\") == std::string::npos &&
         name.find("..") == std::string::npos && name.find('\0') == std::string::npos;
}

}  // namespace

std::string findEntry(const std::string& dir, const std::string& name) {
  if (!usableName(name)) return "";
  std::string found;
  // A folder that cannot be listed (or a name the system cannot give in
  // UTF-8) holds nothing that can be found.
  try {
    std::error_code error;
    for (fs::directory_iterator it(folderPath(dir), error), end; !error && it != end;
         it.increment(error)) {
      const std::string entry = it->path().filename().u8string();
      if (!sameNameIgnoringCase(entry.c_str(), name.c_str())) continue;
      if (entry == name) return entry;
      if (found.empty() || entry < found) found = entry;
    }
  } catch (...) {
    return "";
  }
  return found;
}

std::string joinPath(const std::string& dir, const std::string& name) {
  return dir.empty() ? name : dir + "/" + name;
}
