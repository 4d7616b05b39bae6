#include "capture_streams.h"

#include <sys/types.h>

#include <cstdlib>
#include <cstring>

namespace {

struct Capture {
  char* text;
  size_t cap;
  size_t size;
  bool refused;
};

char stdoutText[STDOUT_CAP_MAX];
char stderrText[STDERR_CAP];
Capture stdoutCapture{stdoutText, STDOUT_CAP_MAX, 0, false};
Capture stderrCapture{stderrText, STDERR_CAP, 0, false};

// Takes what fits; a short count makes the stream set its error flag, so
// the writer sees a short write. Never -1: glibc's fwrite takes a cookie's
// -1 for its own EOF and reports the whole write as done.
ssize_t captureWrite(void* cookie, const char* text, size_t n) {
  Capture& capture = *static_cast<Capture*>(cookie);
  size_t room = capture.cap - capture.size;
  if (n > room) {
    capture.refused = true;
    n = room;
  }
  std::memcpy(capture.text + capture.size, text, n);
  capture.size += n;
  return static_cast<ssize_t>(n);
}

// Standard output is fully buffered in blocks of the size glibc gives a
// regular file, so that writes reach the capture as they reach the file of
// a redirected run; standard error is unbuffered, as it is in a process.
std::FILE* openCapture(Capture& capture, int mode, size_t size) {
  cookie_io_functions_t io{};
  io.write = captureWrite;
  std::FILE* stream = fopencookie(&capture, "w", io);
  if (stream != nullptr) std::setvbuf(stream, nullptr, mode, size);
  return stream;
}

}  // namespace

std::FILE* installCaptureStreams() {
  std::FILE* original = stderr;
  std::FILE* out = openCapture(stdoutCapture, _IOFBF, 4096);
  std::FILE* err = openCapture(stderrCapture, _IONBF, 0);
  if (out == nullptr || err == nullptr) {
    std::fputs("fuzz harness: cannot open the capture streams\n", original);
    std::abort();
  }
  stdout = out;
  stderr = err;
  return original;
}

void beginCapture(size_t stdoutCap) {
  std::fflush(stdout);  // anything a run left buffered is dropped below
  stdoutCapture.cap = stdoutCap < STDOUT_CAP_MAX ? stdoutCap : STDOUT_CAP_MAX;
  stdoutCapture.size = stderrCapture.size = 0;
  stdoutCapture.refused = stderrCapture.refused = false;
  std::clearerr(stdout);
  std::clearerr(stderr);
}

CapturedText capturedStdout() {
  return {stdoutCapture.text, stdoutCapture.size, stdoutCapture.refused};
}

CapturedText capturedStderr() {
  return {stderrCapture.text, stderrCapture.size, stderrCapture.refused};
}
