// The whole tool run inside the harness's process, once per input: its
// table is a memory file, and the end of its run comes back to the harness
// as a status instead of ending the process. The fuzz build links this
// file's openTable and endRun in place of the tool's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Creates the table file; call once. Returns its path.
std::string openTableFile();

// Makes bytes the whole content of the table file. With failReadsAt >= 0,
// the tool's reads of it deliver that many bytes and then fail.
void writeTableFile(const std::string& bytes, int64_t failReadsAt = -1);

// Runs the tool with words after the program name and returns the status
// its run ended with, or -1 if it returned without ending it. The run's
// table is closed again, so that the next run starts clean.
int runInProcess(const std::vector<std::string>& words);
