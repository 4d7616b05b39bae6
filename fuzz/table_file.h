// The table file of the in-process runs: one anonymous memory file per
// process, rewritten for every run and opened by the tool through its
// /proc/self/fd path. Nothing is left on disk when the process dies, and
// parallel fuzz processes never share it.
#pragma once

#include <string>

// Creates the file; call once. Returns its path.
std::string openTableFile();

// Makes bytes the whole content of the file.
void writeTableFile(const std::string& bytes);
