#include "test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

TableBuilder& TableBuilder::header(const std::string& text) {
  unsignedValue(text.size(), 4);
  bytes += text;
  return *this;
}

TableBuilder& TableBuilder::raw(const std::string& text) {
  bytes += text;
  return *this;
}

TableBuilder& TableBuilder::byte(int b) {
  bytes += static_cast<char>(b);
  return *this;
}

TableBuilder& TableBuilder::unsignedValue(uint64_t v, int width) {
  for (int i = 0; i < width; ++i) {
    int shift = bigEndian ? 8 * (width - 1 - i) : 8 * i;
    bytes += static_cast<char>((v >> shift) & 0xFF);
  }
  return *this;
}

TableBuilder& TableBuilder::i16(int16_t v) { return unsignedValue(static_cast<uint16_t>(v), 2); }
TableBuilder& TableBuilder::i32(int32_t v) { return unsignedValue(static_cast<uint32_t>(v), 4); }

TableBuilder& TableBuilder::f32(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  return unsignedValue(bits, 4);
}

TableBuilder& TableBuilder::f64(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  return unsignedValue(bits, 8);
}

std::string columnsHeader(const std::string& columns, char order) {
  return std::string(1, order) + ";Test Table;-;" + columns + ";";
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {

// A new empty file in dir (the temporary directory when empty).
std::string tempPath(const char* stem, std::string dir = "") {
  const char* tmp = std::getenv("TMPDIR");
  if (dir.empty()) dir = tmp ? tmp : "/tmp";
  std::string path = dir + "/quorl_" + stem + "_XXXXXX";
  std::vector<char> name(path.begin(), path.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd >= 0) close(fd);
  return name.data();
}

}  // namespace

std::string makeTempDir(const std::string& stem) {
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp ? tmp : "/tmp") + "/quorl_" + stem + "_XXXXXX";
  std::vector<char> name(path.begin(), path.end());
  name.push_back('\0');
  return mkdtemp(name.data()) != nullptr ? name.data() : "";
}

std::string writeTempFile(const std::string& bytes) {
  std::string path = tempPath("table");
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

namespace {

// The words that start a program of this build: its emulator, if any, then
// the binary.
std::vector<std::string> programWords(const char* runner, const std::string& binary) {
  std::vector<std::string> words;
  if (*runner != '\0') words.push_back(runner);
  words.push_back(binary);
  return words;
}

// The words that start the tool. QUORL_TOOL and QUORL_TOOL_RUNNER replace
// the built binary and the build's emulator, so that the same tests can run
// another build of the tool (the Windows executable under wine).
std::vector<std::string> toolWords() {
  const char* runner = std::getenv("QUORL_TOOL_RUNNER");
  const char* tool = std::getenv("QUORL_TOOL");
  return programWords(runner != nullptr ? runner : QUORL_EMULATOR,
                      tool != nullptr ? tool : QUORL_BINARY);
}

// True when the tool writes its lines the Windows way: CR LF on its text
// streams (QUORL_TOOL_LINE_ENDS=crlf).
bool toolWritesCrLf() {
  const char* ends = std::getenv("QUORL_TOOL_LINE_ENDS");
  return ends != nullptr && std::strcmp(ends, "crlf") == 0;
}

// True when the words ask for one of the JSON outputs, whose lines end in LF
// on every host.
bool asksForJson(const std::vector<std::string>& args) {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "-o" && args[i + 1] != "dcw") return true;
  return false;
}

// Turns the tool's CR LF line ends back into LF. Every LF must come after a
// CR; one that does not fails the test.
void takeLineEnds(std::string& text, const char* stream) {
  std::string lf;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
      ADD_FAILURE() << stream << ": line feed without carriage return at byte " << i;
    lf += text[i];
  }
  text = lf;
}

}  // namespace

RunResult runBuiltProgram(const std::string& binary, const std::vector<std::string>& args,
                          const std::string& stdoutPath) {
  std::vector<std::string> words = programWords(QUORL_EMULATOR, binary);
  words.insert(words.end(), args.begin(), args.end());
  return runProgram(words, stdoutPath);
}

StartedProgram startTool(const std::vector<std::string>& args, const ProgramSetup& setup) {
  std::vector<std::string> words = toolWords();
  words.insert(words.end(), args.begin(), args.end());
  return startProgram(words, setup);
}

bool toolRunsOnLinux() {
  const char* runner = std::getenv("QUORL_TOOL_RUNNER");
  return (runner == nullptr || *runner == '\0') && !toolWritesCrLf();
}

RunResult runTool(const std::vector<std::string>& args, const std::string& stdoutPath) {
  ProgramSetup setup;
  setup.stdoutPath = stdoutPath;
  return runToolWith(args, setup);
}

RunResult runToolWith(const std::vector<std::string>& args, const ProgramSetup& setup) {
  StartedProgram started = startTool(args, setup);
  RunResult result = finishProgram(started);
  if (!toolWritesCrLf()) return result;
  if (!asksForJson(args))
    takeLineEnds(result.out, "standard output");
  else if (result.out.find('\r') != std::string::npos)
    ADD_FAILURE() << "a carriage return in the JSON on standard output";
  takeLineEnds(result.err, "standard error");
  return result;
}

std::string writeSparseFile(const std::vector<std::pair<int64_t, std::string>>& pieces,
                            int64_t size) {
  for (const char* dir : {"/dev/shm", ""}) {
    std::string path = tempPath("sparse", dir);
    int fd = open(path.c_str(), O_WRONLY);
    bool written = fd >= 0 && ftruncate(fd, size) == 0;
    for (const auto& piece : pieces)
      written = written && pwrite(fd, piece.second.data(), piece.second.size(), piece.first) ==
                               static_cast<ssize_t>(piece.second.size());
    struct stat info;
    // Allocated blocks of 512 bytes: a sparse file holds little more than its pieces.
    written = written && fstat(fd, &info) == 0 && info.st_size == size && info.st_blocks < 8192;
    if (fd >= 0) close(fd);
    if (written) return path;
    std::remove(path.c_str());
  }
  return "";
}

RunResult runOnTable(const std::string& bytes, const std::vector<std::string>& options) {
  std::string path = writeTempFile(bytes);
  std::vector<std::string> args = options;
  args.push_back(path);
  RunResult result = runTool(args);
  std::remove(path.c_str());
  // Tests compare the title line without the random temporary name.
  std::string title = "Digital Chart of the World file: " + path + "\n\n";
  if (result.out.compare(0, title.size(), title) == 0)
    result.out.replace(0, title.size(), "TITLE\n");
  return result;
}
