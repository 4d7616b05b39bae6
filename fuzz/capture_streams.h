// The tool's standard output and standard error in the fuzz build: two
// in-memory streams put in place of stdout and stderr. Standard output
// takes up to a given number of bytes per run and then refuses every
// write, as a full disk would; the dump is still formatted up to there.
// The original stderr, and file descriptor 2 that the sanitizers and the
// fuzzer report on, are left alone.
#pragma once

#include <cstddef>
#include <cstdio>

// The most any run may write to standard error.
constexpr size_t STDERR_CAP = 1 << 14;
// The most any run may write to standard output.
constexpr size_t STDOUT_CAP_MAX = 1 << 20;

struct CapturedText {
  const char* text;
  size_t size;
  bool refused;  // a write was cut short or refused
};

// Replaces stdout and stderr; call once, before the first run. Returns the
// original stderr, for the harness's own reports.
std::FILE* installCaptureStreams();

// Empties both captures and clears the streams' error flags; standard
// output will take stdoutCap bytes (at most STDOUT_CAP_MAX).
void beginCapture(size_t stdoutCap);

CapturedText capturedStdout();
CapturedText capturedStderr();
