#include "files/directory_entries.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include "files/entry_names.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "files/windows_paths.h"
#else
#include <dirent.h>
#endif

namespace {

bool usableName(const std::string& name) {
  return !name.empty() && name.find_first_of("/\\") == std::string::npos &&
         name.find("..") == std::string::npos && name.find('\0') == std::string::npos;
}

// The end of the folder part of a path: the position of its last
// separator, or npos.
size_t lastSeparator(const std::string& path) {
  for (size_t i = path.size(); i-- > 0;)
    if (isPathSeparator(path[i])) return i;
  return std::string::npos;
}

}  // namespace

bool isPathSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}

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

EntryKind entryKind(const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(widePath(path.c_str()).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return NO_ENTRY;
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? FOLDER_ENTRY : FILE_ENTRY;
#else
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return NO_ENTRY;
  return S_ISDIR(info.st_mode) ? FOLDER_ENTRY : FILE_ENTRY;
#endif
}

std::string folderOf(const std::string& path) {
  const size_t end = lastSeparator(path);
  if (end == std::string::npos) return "";
  return end == 0 ? path.substr(0, 1) : path.substr(0, end);
}

std::string lastPathPart(const std::string& path) {
  const size_t end = lastSeparator(path);
  return end == std::string::npos ? path : path.substr(end + 1);
}

std::string parentOf(const std::string& folder) {
  if (folder.empty()) return "..";
  const std::string last = lastPathPart(folder);
  if (last == "." || last == "..") return folder + "/..";
  return folderOf(folder);
}

std::string folderName(const std::string& dir) {
  std::string last = lastPathPart(dir);
  // A folder typed with a separator at its end: the part before it.
  if (last.empty() && !dir.empty() && dir.size() > 1)
    last = lastPathPart(dir.substr(0, lastSeparator(dir)));
  if (!last.empty() && last != "." && last != "..") return last;
#ifdef _WIN32
  wchar_t full[MAX_PATH + 1];
  if (_wfullpath(full, widePath(dir.empty() ? "." : dir.c_str()).c_str(), MAX_PATH) == nullptr)
    return last;
  std::string resolved = utf8Path(full);
  while (resolved.size() > 1 && isPathSeparator(resolved.back())) resolved.pop_back();
  return lastPathPart(resolved);
#else
  char resolved[PATH_MAX];
  if (realpath(dir.empty() ? "." : dir.c_str(), resolved) == nullptr) return last;
  return lastPathPart(resolved);
#endif
}

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
