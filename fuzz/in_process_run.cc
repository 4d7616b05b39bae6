#include "in_process_run.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "failing_file.h"
#include "files/open_table.h"
#include "main/run_control.h"
#include "main/run_dump.h"

namespace {

int tableFd = -1;
int64_t readsFailAt = -1;

// How a run ends here: endRun throws it, runInProcess catches it.
struct RunEnded {
  int status;
};

// Straight to file descriptor 2: stderr is the tool's capture by now.
[[noreturn]] void fail(const char* what) {
  dprintf(2, "fuzz harness: %s: %s\n", what, std::strerror(errno));
  std::abort();
}

}  // namespace

std::string openTableFile() {
  // One anonymous memory file per process: nothing is left on disk, and
  // parallel fuzz processes never share it. Not close-on-exec: a binary
  // started by the replay opens the same path.
  tableFd = memfd_create("quorl-fuzz-table", 0);
  if (tableFd < 0) fail("memfd_create");
  return "/proc/self/fd/" + std::to_string(tableFd);
}

void writeTableFile(const std::string& bytes, int64_t failReadsAt) {
  readsFailAt = failReadsAt;
  if (ftruncate(tableFd, 0) != 0) fail("ftruncate");
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = pwrite(tableFd, bytes.data() + done, bytes.size() - done, done);
    if (n <= 0) fail("pwrite");
    done += static_cast<size_t>(n);
  }
}

// The tool opens its table here, through a stream that may fail part way.
std::FILE* openTable(const char* path) {
  return readsFailAt < 0 ? std::fopen(path, "rb") : openFailingAfter(path, readsFailAt);
}

// The run ends as the process would end it, with its output flushed; then
// control goes back to the harness, and the tables the run opened close as
// it unwinds.
void endRun(int status) {
  standardOutputFailed();  // the status stays the run's own even if this fails
  throw RunEnded{status};
}

int runInProcess(const std::vector<std::string>& words) {
  std::vector<std::string> args{"QuorlDCW"};
  args.insert(args.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : args) argv.push_back(word.data());
  argv.push_back(nullptr);
  try {
    runDump(static_cast<int>(args.size()), argv.data());
  } catch (const RunEnded& end) {
    return end.status;
  }
  // The run came back without ending: end it here, so that the table is
  // closed and the next run starts clean.
  try {
    endRun(0);
  } catch (const RunEnded&) {
  }
  return -1;
}
