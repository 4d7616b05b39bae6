#include "failing_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

struct FailingFile {
  int fd;
  int64_t left;  // bytes still delivered before reads fail
};

int64_t readsFailed = 0;

// The one open stream's state: static, so that a tool that never closes its
// table leaks nothing.
FailingFile openFile;

ssize_t readFailing(void* cookie, char* buffer, size_t n) {
  FailingFile& file = *static_cast<FailingFile*>(cookie);
  if (file.left == 0) {
    ++readsFailed;
    errno = EIO;
    return -1;
  }
  if (static_cast<int64_t>(n) > file.left) n = static_cast<size_t>(file.left);
  ssize_t got = read(file.fd, buffer, n);
  if (got > 0) file.left -= got;
  return got;
}

int closeFailing(void* cookie) {
  FailingFile& file = *static_cast<FailingFile*>(cookie);
  int result = close(file.fd);
  file.fd = -1;
  return result;
}

}  // namespace

int64_t failedReads() { return readsFailed; }

std::FILE* openFailingAfter(const char* path, int64_t good) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return nullptr;
  cookie_io_functions_t io{};
  io.read = readFailing;
  io.close = closeFailing;
  openFile = FailingFile{fd, good};
  std::FILE* stream = fopencookie(&openFile, "rb", io);
  if (stream == nullptr) closeFailing(&openFile);
  return stream;
}
