// Finding the tables and folders of a database by name. Products differ in
// the case of their file names (upper case in some, lower case in others),
// and the names stored in tables differ from both, so an entry is found by
// its name without regard to case, and always as one entry of its folder:
// a name read from a table never becomes a path of its own.
#pragma once

#include <string>

// The name, as it is on disk, of the entry of the folder at dir ("" for the
// current folder) whose name equals name ignoring ASCII case; where several
// do, the one equal byte for byte, else the first in byte order. "" when
// none does, or when name is empty or holds '/', '\' or "..".
std::string findEntry(const std::string& dir, const std::string& name);

// dir and name joined by '/' (name alone where dir is empty).
std::string joinPath(const std::string& dir, const std::string& name);
