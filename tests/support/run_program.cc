#include "run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

extern char** environ;

namespace {

// Everything written to fd, from its start.
std::string readAll(int fd) {
  std::string bytes;
  char block[1 << 16];
  off_t at = 0;
  for (ssize_t n; (n = pread(fd, block, sizeof block, at)) > 0; at += n) bytes.append(block, n);
  return bytes;
}

// Starts the child with the file size limit set (when one is given), which
// it keeps across exec; this process gets its own limit back at once.
// Under outputCap a write past the limit fails in the child instead of
// killing it; under fileSizeLimit the child meets SIGXFSZ as it comes.
pid_t spawn(const std::vector<std::string>& words, posix_spawn_file_actions_t& actions,
            const ProgramSetup& setup) {
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  const size_t limit = setup.fileSizeLimit > 0 ? setup.fileSizeLimit : setup.outputCap;
  if (setup.fileSizeLimit > 0) {
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  } else if (setup.outputCap > 0) {
    std::signal(SIGXFSZ, SIG_IGN);
  }
  rlimit saved{};
  if (limit > 0) {
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit cap{limit, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &cap);
  }
  pid_t child = -1;
  if (posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), environ) != 0) child = -1;
  if (limit > 0) setrlimit(RLIMIT_FSIZE, &saved);
  posix_spawnattr_destroy(&attributes);
  return child;
}

}  // namespace

StartedProgram startProgram(const std::vector<std::string>& words, const ProgramSetup& setup) {
  StartedProgram started;
  int outFd = setup.stdoutFd;
  if (!setup.stdoutPath.empty())
    outFd = open(setup.stdoutPath.c_str(), O_WRONLY | O_CLOEXEC);
  else if (setup.stdoutFd < 0)
    outFd = started.outFd = memfd_create("quorl-run-out", MFD_CLOEXEC);
  started.errFd = memfd_create("quorl-run-err", MFD_CLOEXEC);
  if (outFd >= 0 && started.errFd >= 0 && !words.empty()) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, started.errFd, 2);
    started.pid = spawn(words, actions, setup);
    posix_spawn_file_actions_destroy(&actions);
  } else {
    started.failure = "runProgram: cannot set up the child's output";
  }
  if (!setup.stdoutPath.empty() && outFd >= 0) close(outFd);
  return started;
}

ProgramRun finishProgram(StartedProgram& started) {
  ProgramRun run;
  int raw = 0;
  if (started.pid > 0 && waitpid(started.pid, &raw, 0) == started.pid) {
    if (WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) run.killedBy = WTERMSIG(raw);
  }
  if (started.failure.empty()) {
    if (started.outFd >= 0) run.out = readAll(started.outFd);
    run.err = readAll(started.errFd);
  } else {
    run.err = started.failure;
  }
  for (int fd : {started.outFd, started.errFd})
    if (fd >= 0) close(fd);
  started = StartedProgram();
  return run;
}

ProgramRun runProgram(const std::vector<std::string>& words, const std::string& stdoutPath,
                      size_t outputCap) {
  ProgramSetup setup;
  setup.stdoutPath = stdoutPath;
  setup.outputCap = outputCap;
  StartedProgram started = startProgram(words, setup);
  return finishProgram(started);
}
