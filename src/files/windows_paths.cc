#include "files/windows_paths.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <vector>

namespace {

// UTF-16 to UTF-8. A lone surrogate, which no script uses, becomes U+FFFD,
// so such a name cannot be opened (the open failure is reported).
std::string utf8FromWide(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return "";
  std::string text(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], size, nullptr, nullptr);
  text.pop_back();  // the terminating null, counted in size
  return text;
}

std::wstring wideFromUtf8(const char* text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (size <= 1) return L"";
  std::wstring wide(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], size);
  wide.pop_back();
  return wide;
}

}  // namespace

std::wstring widePath(const char* path) { return wideFromUtf8(path); }

std::string utf8Path(const wchar_t* path) { return utf8FromWide(path); }

char** utf8Arguments(int argc, wchar_t** wideArgv) {
  static std::vector<std::string> words;
  static std::vector<char*> argv;
  for (int i = 0; i < argc; ++i) words.push_back(utf8FromWide(wideArgv[i]));
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  return argv.data();
}

std::FILE* openUtf8Path(const char* path) {
  const std::wstring wide = wideFromUtf8(path);
  // An empty name opens nothing, as with the narrow call.
  return wide.empty() ? nullptr : _wfopen(wide.c_str(), L"rb");
}

std::vector<std::string> utf8FolderEntries(const std::string& dir) {
  std::vector<std::string> names;
  const std::wstring pattern = wideFromUtf8(dir.c_str()) + L"\\*";
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(utf8FromWide(entry.cFileName));
  while (FindNextFileW(search, &entry));
  FindClose(search);
  return names;
}
