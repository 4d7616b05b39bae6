// Helpers for the tests: a byte-by-byte table builder and a runner that
// runs the built tool and captures what it writes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "expected_text.h"
#include "run_program.h"

// Builds table bytes: the 4 length bytes, header text, then row values in
// the chosen byte order.
struct TableBuilder {
  bool bigEndian = false;
  std::string bytes;

  explicit TableBuilder(bool bigEndianValues = false) : bigEndian(bigEndianValues) {}

  // Four length bytes (the tool ignores them) followed by the header text.
  TableBuilder& header(const std::string& text);
  TableBuilder& raw(const std::string& text);
  TableBuilder& byte(int b);
  TableBuilder& i16(int16_t v);
  TableBuilder& i32(int32_t v);
  TableBuilder& f32(float v);
  TableBuilder& f64(double v);

 private:
  TableBuilder& unsignedValue(uint64_t v, int width);
};

// The standard header text of a little-endian table with the given column
// definitions, e.g. columnsHeader("ID=I,1,P,Row Identifier,-,-,:").
std::string columnsHeader(const std::string& columns, char order = 'L');

using RunResult = ProgramRun;

// Writes bytes to a fresh temporary file and returns its path.
std::string writeTempFile(const std::string& bytes);

// Makes a fresh empty folder in the temporary directory, its name starting
// with stem, and returns its path ("" when it cannot).
std::string makeTempDir(const std::string& stem);

// Writes a sparse file of size bytes holding each piece's bytes at its
// offset and zeros elsewhere, in /dev/shm where there is one (its holes
// read fastest), else in the temporary directory. Returns its path, or ""
// when neither holds it without storing the zeros.
std::string writeSparseFile(const std::vector<std::pair<int64_t, std::string>>& pieces,
                            int64_t size);

// Runs a program of this build (behind its emulator, if any) with the given
// words after the program name. A non-empty stdoutPath sends standard
// output there instead of capturing it.
RunResult runBuiltProgram(const std::string& binary, const std::vector<std::string>& args,
                          const std::string& stdoutPath = "");

// Runs the tool the same way. A tool that ends its lines with CR LF
// (QUORL_TOOL_LINE_ENDS=crlf) has its output given back with LF; the JSON
// outputs end their lines in LF everywhere and must hold no CR.
RunResult runTool(const std::vector<std::string>& args, const std::string& stdoutPath = "");
RunResult runToolWith(const std::vector<std::string>& args, const ProgramSetup& setup);

// Starts the tool and returns at once (finishProgram waits for it); what it
// writes is given back as it wrote it.
StartedProgram startTool(const std::vector<std::string>& args, const ProgramSetup& setup = {});

// True where the tool is a Linux program of this build (behind the build's
// emulator, if any), not one run by QUORL_TOOL_RUNNER (a Windows tool under
// wine): signals, terminals, file size limits and file modes reach it as
// they reach a Linux process.
bool toolRunsOnLinux();

// Runs the tool on a table made of bytes, with extra words before its path.
RunResult runOnTable(const std::string& bytes, const std::vector<std::string>& options = {});

// Reads a whole file.
std::string readFile(const std::string& path);
