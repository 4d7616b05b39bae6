#include "in_process_run.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "failing_file.h"
#include "files/open_table.h"
#include "run/run_control.h"
#include "main/run_dump.h"

namespace fs = std::filesystem;

namespace {

int tableFd = -1;
int64_t readsFailAt = -1;
std::string failingPath;
std::string treePath;
std::vector<std::string> treeFilesWritten;  // full paths
const char* const kTreePrefix = "quorl-fuzz-tree-";

// How a run ends here: endRun throws it, runInProcess catches it.
struct RunEnded {
  int status;
};

// Straight to file descriptor 2: stderr is the tool's capture by now.
[[noreturn]] void fail(const char* what) {
  dprintf(2, "fuzz harness: %s: %s\n", what, std::strerror(errno));
  std::abort();
}

void writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = pwrite(fd, bytes.data() + done, bytes.size() - done, done);
    if (n <= 0) fail("pwrite");
    done += static_cast<size_t>(n);
  }
}

// Removes the trees of fuzz processes that have ended without removing
// their own (a crash ends a process without its exit handlers).
void removeEndedTrees(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  const size_t prefix = std::strlen(kTreePrefix);
  while (dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strncmp(name, kTreePrefix, prefix) != 0) continue;
    const std::string pid = name + prefix;
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (access(("/proc/" + pid).c_str(), F_OK) != 0) {
      std::error_code ignored;
      fs::remove_all(folder + "/" + name, ignored);
    }
  }
  closedir(dir);
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

void writeTableFile(const std::string& bytes) {
  if (ftruncate(tableFd, 0) != 0) fail("ftruncate");
  writeAll(tableFd, bytes);
}

std::string makeCoverageTree() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder = tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp";
  removeEndedTrees(folder);
  treePath = folder + "/" + kTreePrefix + std::to_string(getpid());
  std::error_code error;
  fs::remove_all(treePath, error);
  for (const char* sub : {"/lib/tileref", "/lib/cov/t/a", "/lib/cov/t/b"})
    if (!fs::create_directories(treePath + sub, error)) fail("create_directories");
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(treePath, ignored);
  });
  return treePath;
}

void writeFile(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fail("open");
  writeAll(fd, bytes);
  close(fd);
}

void writeCoverageTree(const std::string& path, const std::vector<TreeFile>& files) {
  std::vector<std::string> written;
  for (const TreeFile& file : files) {
    written.push_back(path + "/" + file.path);
    writeFile(written.back(), file.bytes);
  }
  for (const std::string& old : treeFilesWritten)
    if (std::find(written.begin(), written.end(), old) == written.end() && unlink(old.c_str()) != 0)
      fail("unlink");
  treeFilesWritten = written;
}

void failReadsOf(const std::string& path, int64_t failReadsAt) {
  failingPath = path;
  readsFailAt = failReadsAt;
}

// The tool opens its tables here, the one whose reads fail through a stream
// that fails part way. A folder opens on Linux, but is no table, as the
// tool's own openTable says.
std::FILE* openTable(const char* path) {
  struct stat info;
  if (stat(path, &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
  return readsFailAt >= 0 && path == failingPath ? openFailingAfter(path, readsFailAt)
                                                 : std::fopen(path, "rb");
}

// The run ends as the process would end it, with its output flushed; then
// control goes back to the harness, and the tables the run opened close as
// it unwinds.
void endRun(int status) { throw RunEnded{finishRunOutput(status)}; }

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
