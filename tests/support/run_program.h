// Runs a program as a child process and captures what it writes: the one
// way the tests and the fuzz replay run the tool's binary.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

struct ProgramRun {
  std::string out;
  std::string err;
  int status = -1;   // the exit status; -1 when the program did not exit
  int killedBy = 0;  // the signal that ended it; 0 when it exited
};

// Where the child's standard output goes and what limits it runs under.
struct ProgramSetup {
  std::string stdoutPath;  // standard output goes to this file, else it is captured
  int stdoutFd = -1;       // or to this open descriptor (a terminal)
  // > 0: standard output takes that many bytes only; a write past them
  // fails, as on a full disk.
  size_t outputCap = 0;
  // > 0: every file the child writes may grow to that many bytes only, as
  // `ulimit -f` sets it; the child meets the limit's signal (SIGXFSZ) as
  // a shell would start it, with its default action.
  size_t fileSizeLimit = 0;
};

// A child started and not yet waited for.
struct StartedProgram {
  pid_t pid = -1;
  int outFd = -1;  // its captured standard output, or -1
  int errFd = -1;
  std::string failure;  // why it could not be started
};

// Starts words[0] (looked up on PATH when it has no slash) with words as its
// argument vector, its standard input /dev/null, standard error captured.
StartedProgram startProgram(const std::vector<std::string>& words, const ProgramSetup& setup);

// Waits for the child to end and gives back what it wrote.
ProgramRun finishProgram(StartedProgram& started);

// Starts the program and waits for it: standard output goes to stdoutPath
// when it is given, else it is captured. outputCap as ProgramSetup's.
ProgramRun runProgram(const std::vector<std::string>& words, const std::string& stdoutPath = "",
                      size_t outputCap = 0);
