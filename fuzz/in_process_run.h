// The whole tool run inside the harness's process, once per input: its
// table is a memory file, or a coverage run's tables are files in a folder
// tree of the process's own, and the end of its run comes back to the
// harness as a status instead of ending the process. The fuzz build links
// this file's openTable and endRun in place of the tool's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_case.h"

// Creates the table file; call once. Returns its path.
std::string openTableFile();

// Makes bytes the whole content of the table file.
void writeTableFile(const std::string& bytes);

// Creates the folder of the coverage runs' trees, with the tree's folders,
// under TMPDIR (or /tmp); call once. It is removed when the process exits,
// and so are those that processes which have ended left behind. Returns its
// path.
std::string makeCoverageTree();

// Makes files the whole content of the tree at path: each is written, and
// the files an earlier run wrote that these do not name are removed.
void writeCoverageTree(const std::string& path, const std::vector<TreeFile>& files);

// Makes bytes the whole content of the file at path.
void writeFile(const std::string& path, const std::string& bytes);

// With failReadsAt >= 0, the tool's reads of the file at path deliver that
// many bytes and then fail; with -1 no read fails.
void failReadsOf(const std::string& path, int64_t failReadsAt);

// Runs the tool with words after the program name and returns the status
// its run ended with, or -1 if it returned without ending it. The run's
// table is closed again, so that the next run starts clean.
int runInProcess(const std::vector<std::string>& words);
