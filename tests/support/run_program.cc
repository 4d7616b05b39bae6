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

// Starts the child with the file size limit set to outputCap (when given),
// which it keeps across exec; this process gets its own limit back at once.
// A write past the limit then fails in the child instead of killing it.
pid_t spawn(const std::vector<std::string>& words, posix_spawn_file_actions_t& actions,
            size_t outputCap) {
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  rlimit saved{};
  if (outputCap > 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit cap{outputCap, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &cap);
  }
  pid_t child = -1;
  if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) child = -1;
  if (outputCap > 0) setrlimit(RLIMIT_FSIZE, &saved);
  return child;
}

}  // namespace

ProgramRun runProgram(const std::vector<std::string>& words, const std::string& stdoutPath,
                      size_t outputCap) {
  ProgramRun run;
  const int outFd = stdoutPath.empty() ? memfd_create("quorl-run-out", MFD_CLOEXEC)
                                       : open(stdoutPath.c_str(), O_WRONLY | O_CLOEXEC);
  const int errFd = memfd_create("quorl-run-err", MFD_CLOEXEC);
  if (outFd < 0 || errFd < 0 || words.empty()) {
    run.err = "runProgram: cannot set up the child's output";
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  const pid_t child = spawn(words, actions, outputCap);
  posix_spawn_file_actions_destroy(&actions);
  int raw = 0;
  if (child > 0 && waitpid(child, &raw, 0) == child && WIFEXITED(raw))
    run.status = WEXITSTATUS(raw);
  if (stdoutPath.empty()) run.out = readAll(outFd);
  run.err = readAll(errFd);
  close(outFd);
  close(errFd);
  return run;
}
