#include "files/directory_entries.h"

#include <vector>

#include "files/entry_names.h"

#ifdef _WIN32
#include "files/windows_paths.h"
#else
#include <dirent.h>
#endif

namespace {

bool usableName(const std::string& name) {
  return !name.empty() && name.find_first_of("/\\") == std::string::npos &&
         name.find("..") == std::string::npos && name.find('\0') == std::string::npos;
}

// The names of the entries of the folder at dir ("" for the current one);
// none where it cannot be listed.
std::vector<std::string> folderEntries(const std::string& dir) {
#ifdef _WIN32
  return utf8FolderEntries(dir.empty() ? "." : dir);
#else
  std::vector<std::string> names;
  DIR* folder = opendir(dir.empty() ? "." : dir.c_str());
  if (folder == nullptr) return names;
  while (const dirent* entry = readdir(folder)) names.emplace_back(entry->d_name);
  closedir(folder);
  return names;
#endif
}

}  // namespace

std::string findEntry(const std::string& dir, const std::string& name) {
  if (!usableName(name)) return "";
  std::string found;
  for (const std::string& entry : folderEntries(dir)) {
    if (!sameNameIgnoringCase(entry.c_str(), name.c_str())) continue;
    if (entry == name) return entry;
    if (found.empty() || entry < found) found = entry;
  }
  return found;
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}
