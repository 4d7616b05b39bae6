// The table file of the in-process runs: one anonymous memory file per
// process, rewritten for every run and opened by the tool through its
// /proc/self/fd path (table_file.cc holds the fuzz build's openTable, which
// can make the reads fail part way). Nothing is left on disk when the process dies, and
// parallel fuzz processes never share it.
#pragma once

#include <cstdint>
#include <string>

// Creates the file; call once. Returns its path.
std::string openTableFile();

// Makes bytes the whole content of the file. With failReadsAt >= 0, the
// tool's reads of it deliver that many bytes and then fail.
void writeTableFile(const std::string& bytes, int64_t failReadsAt = -1);
