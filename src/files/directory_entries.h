// Finding the tables and folders of a database by name. Products differ in
// the case of their file names (upper case in some, lower case in others),
// and the names stored in tables differ from both, so an entry is found by
// its name without regard to case, and always as one entry of its folder:
// a name read from a table never becomes a path of its own.
#pragma once

#include <string>
#include <vector>

// The name, as it is on disk, of the entry of the folder at dir ("" for the
// current folder) whose name equals name ignoring ASCII case; where several
// do, the one equal byte for byte, else the first in byte order. "" when
// none does, or when name is empty or holds '/', '\' or "..".
std::string findEntry(const std::string& dir, const std::string& name);

// dir and name joined by '/' (name alone where dir is empty).
std::string joinPath(const std::string& dir, const std::string& name);

// The names of the entries of the folder at dir ("" for the current one),
// in no order, "." and ".." among them; none where it cannot be listed.
std::vector<std::string> folderEntries(const std::string& dir);

// What a path names.
enum EntryKind { NO_ENTRY, FOLDER_ENTRY, FILE_ENTRY };
EntryKind entryKind(const std::string& path);

// True for the characters that part a path: '/', and on Windows '\'.
bool isPathSeparator(char c);

// The folder a path names its entry in, as typed ("" for the current one).
std::string folderOf(const std::string& path);

// A path's last part as typed: what follows its last separator.
std::string lastPathPart(const std::string& path);

// The parent of a folder as typed: its path less its last part, or with
// ".." added where its last part is "." or "..", or it is the current one.
std::string parentOf(const std::string& folder);

// The name of the folder at dir, as the system has it: its last part, or
// where that is "", "." or "..", the last part of the folder it leads to.
std::string folderName(const std::string& dir);
