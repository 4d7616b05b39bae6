// Replays fuzz inputs (files, or directories of them) through the whole
// tool in-process, with the harness's checks, and through the real binary
// with the same command line, and compares the two: status, standard
// error and standard output must be the same. The binary's standard
// output is a file limited to the run's output cap, so that it fails where
// the in-process capture does. A binary of another machine is run behind
// the emulator given with --emulator.
//   quorl_fuzz_replay [--binary PATH [--emulator PATH]] FILE_OR_DIR...
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "capture_streams.h"
#include "run_checks.h"
#include "run_program.h"

namespace {

std::FILE* reports = nullptr;

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Runs the binary (behind the emulator, if any) with the run's words and
// output cap; the table file is shared with the child.
ProgramRun runBinary(const std::string& emulator, const std::string& binary,
                     const FuzzCase& fuzzCase) {
  std::vector<std::string> words{binary};
  if (!emulator.empty()) words.insert(words.begin(), emulator);
  words.insert(words.end(), fuzzCase.words.begin(), fuzzCase.words.end());
  return runProgram(words, "", fuzzCase.outputCap);
}

// Runs the binary with the case's -o gpkg words: no output cap, which
// would limit the size of its file.
ProgramRun runBinaryGeoPackage(const std::string& emulator, const std::string& binary,
                               const FuzzCase& fuzzCase) {
  std::vector<std::string> words{binary};
  if (!emulator.empty()) words.insert(words.begin(), emulator);
  words.insert(words.end(), fuzzCase.gpkgWords.begin(), fuzzCase.gpkgWords.end());
  return runProgram(words);
}

// Compares the in-process run just made with the binary's run.
std::string compare(const RunOutcome& outcome, const ProgramRun& binary) {
  if (binary.status != outcome.status)
    return "binary ended with status " + std::to_string(binary.status);
  CapturedText err = capturedStderr();
  if (binary.err != std::string(err.text, err.size)) return "standard error differs";
  CapturedText out = capturedStdout();
  if (binary.out != std::string(out.text, out.size)) return "standard output differs";
  return "";
}

void addInputs(const std::string& path, std::vector<std::string>& files) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return;
  if (!S_ISDIR(info.st_mode)) {
    files.push_back(path);
    return;
  }
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> found;
  while (dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') found.push_back(path + "/" + entry->d_name);
  closedir(dir);
  std::sort(found.begin(), found.end());
  files.insert(files.end(), found.begin(), found.end());
}

}  // namespace

int main(int argc, char** argv) {
  std::string binary, emulator;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--binary") == 0 && i + 1 < argc)
      binary = argv[++i];
    else if (std::strcmp(argv[i], "--emulator") == 0 && i + 1 < argc)
      emulator = argv[++i];
    else
      addInputs(argv[i], files);
  }
  reports = initHarness();
  if (files.empty()) {
    std::fputs("quorl_fuzz_replay: no inputs\n", reports);
    return 2;
  }
  int failures = 0;
  int statusCount[4] = {0, 0, 0, 0};
  int gpkgCount[4] = {0, 0, 0, 0};  // of the -o gpkg runs
  for (const std::string& file : files) {
    std::string bytes = readWhole(file);
    RunOutcome outcome = runOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::string problem = outcome.problem;
    // The binary's reads cannot be made to fail: a failing-reads run was
    // compared in-process with the run on the cut table instead.
    if (problem.empty() && !binary.empty() && outcome.run.failReadsAt < 0)
      problem = compare(outcome, runBinary(emulator, binary, outcome.run));
    // A limited -o gpkg run cannot be made again outside.
    const FuzzCase& run = outcome.run;
    if (problem.empty() && !binary.empty() && run.gpkg && run.failReadsAt < 0 &&
        run.gpkgHeapLimit < 0 && run.gpkgFileLimit < 0) {
      const ProgramRun gpkg = runBinaryGeoPackage(emulator, binary, run);
      problem = compareGeoPackageRuns(run, outcome.gpkg, gpkg.status, gpkg.err);
    }
    if (outcome.status >= 0 && outcome.status <= 3) ++statusCount[outcome.status];
    if (run.gpkg && outcome.gpkg.status >= 0 && outcome.gpkg.status <= 3)
      ++gpkgCount[outcome.gpkg.status];
    if (!problem.empty()) {
      ++failures;
      std::fprintf(reports, "FAIL %s: %s (status %d)\n", file.c_str(), problem.c_str(),
                   outcome.status);
    }
  }
  std::fprintf(reports,
               "%zu inputs replayed, %d failed; statuses 0:%d 1:%d 2:%d 3:%d; "
               "-o gpkg 0:%d 1:%d 2:%d 3:%d\n",
               files.size(), failures, statusCount[0], statusCount[1], statusCount[2],
               statusCount[3], gpkgCount[0], gpkgCount[1], gpkgCount[2], gpkgCount[3]);
  return failures == 0 ? 0 : 1;
}
