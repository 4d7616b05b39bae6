#include "run/run_control.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "files/output_file.h"
#include "output/output_stream.h"

void writeBanner() {
  std::fputs(
      "QuorlGIS Mapping System\n"
      "by Brannick\n"
      "PO Box 4127, 18 Harrow Lane, Eastmere\n"
      "Northland NL 40217\n\n",
      stderr);
}

void usageExit() {
  std::fputs("usage : QuorlDCW [-f firstRec] [-l lastRec] DCWfile\n", stderr);
  endRun(EXIT_USAGE);
}

void invalidTableExit() {
  // The column section written so far comes before the message where both
  // streams go to one terminal.
  standardOutputFailed();
  std::fputs("Not a valid VPF table file\n", stderr);
  endRun(EXIT_INVALID_TABLE);
}

namespace {

// The name the output's failures give: FILE, or standard output.
std::string outputName() {
  return outputFilePending() && !outputFileName().empty() ? outputFileName() : "standard output";
}

}  // namespace

void writeFailedExit() {
  if (outputFilePending() && !outputFileName().empty())
    outputFailedExit(std::strerror(standardOutput.error));
  std::fputs("can't write standard output\n", stderr);
  endRun(EXIT_IO_FAILED);
}

void outputFailedExit(const std::string& reason) {
  writeMessageLine("can't write " + outputName() + ": " + reason);
  endRun(EXIT_IO_FAILED);
}

int finishRunOutput(int status) {
  const bool failed = standardOutputFailed();
  if (!outputFilePending()) return status;
  if (status > EXIT_INVALID_TABLE) {
    discardOutputFile();
    return status;
  }
  std::string reason = failed ? std::strerror(standardOutput.error) : commitOutputFile();
  if (reason.empty()) return status;
  const std::string name = outputName();
  discardOutputFile();
  writeMessageLine("can't write " + name + ": " + reason);
  return EXIT_IO_FAILED;
}

void readFailedExit(const char* path) {
  if (standardOutputFailed()) writeFailedExit();
  std::fprintf(stderr, "can't read %s\n", path);
  endRun(EXIT_IO_FAILED);
}

void writeCutRow(int64_t row) {
  std::fprintf(stderr, "Not a valid VPF table file: its data ends inside row %" PRId64 "\n", row);
}

void writeMessageLine(const std::string& message) {
  for (char c : message)
    std::fputc(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c, stderr);
  std::fputc('\n', stderr);
}

void layerFailedExit(const std::string& message) {
  writeMessageLine(message);
  endRun(EXIT_USAGE);
}

void stoppedExit() { endRun(EXIT_STOPPED); }

void outOfMemoryExit() {
  std::fputs("out of memory\n", stderr);
  endRun(EXIT_IO_FAILED);
}

bool standardOutputFailed() {
  flushOutput(standardOutput);
  if (standardOutput.file != nullptr &&
      (std::fflush(standardOutput.file) != 0 || std::ferror(standardOutput.file))) {
    if (!standardOutput.failed) standardOutput.error = errno;
    standardOutput.failed = true;
  }
  return standardOutput.failed;
}
