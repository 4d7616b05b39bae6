// Paths on Windows. Windows hands a program its command line in UTF-16;
// the narrow one goes through the system's code page, which cannot hold a
// name in another script. The tool takes the UTF-16 words as UTF-8 and
// opens a UTF-8 path through the UTF-16 file interface, so a path in any
// script opens and is written (title line, messages) in UTF-8.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The words of the command line in UTF-8, in storage that lasts until the
// process ends, ending in a null pointer like argv.
char** utf8Arguments(int argc, wchar_t** wideArgv);

// A UTF-8 path as UTF-16, for the system's wide calls; and back.
std::wstring widePath(const char* path);
std::string utf8Path(const wchar_t* path);

// Opens the file at a UTF-8 path for binary reading; nullptr when it cannot.
std::FILE* openUtf8Path(const char* path);

// The names, in UTF-8, of the entries of the folder at a UTF-8 path; none
// where it cannot be listed.
std::vector<std::string> utf8FolderEntries(const std::string& dir);
