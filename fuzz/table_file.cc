#include "table_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "failing_file.h"
#include "main/open_table.h"

namespace {

int tableFd = -1;
int64_t readsFailAt = -1;

// Straight to file descriptor 2: stderr is the tool's capture by now.
[[noreturn]] void fail(const char* what) {
  dprintf(2, "fuzz harness: %s: %s\n", what, std::strerror(errno));
  std::abort();
}

}  // namespace

std::string openTableFile() {
  // Not close-on-exec: a child started by the replay opens the same path.
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

// The tool opens its table here in the fuzz build.
std::FILE* openTable(const char* path) {
  return readsFailAt < 0 ? std::fopen(path, "rb") : openFailingAfter(path, readsFailAt);
}
