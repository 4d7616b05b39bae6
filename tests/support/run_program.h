// Runs a program as a child process and captures what it writes: the one
// way the tests and the fuzz replay run the tool's binary.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ProgramRun {
  std::string out;
  std::string err;
  int status = -1;  // the exit status; -1 when the program did not exit
};

// Runs words[0] (looked up on PATH when it has no slash) with words as its
// argument vector, its standard input /dev/null. Standard output goes to
// stdoutPath when it is given, else it is captured, as standard error
// always is. outputCap > 0 lets standard output take that many bytes only;
// a write past them fails, as on a full disk.
ProgramRun runProgram(const std::vector<std::string>& words, const std::string& stdoutPath = "",
                      size_t outputCap = 0);
