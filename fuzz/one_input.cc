#include "one_input.h"

#include <vector>

#include "capture_streams.h"
#include "main/run_control.h"
#include "run_checks.h"
#include "run_ended.h"
#include "table_file.h"

// The tool's main, compiled under this name into the fuzz build.
int quorlMain(int argc, char** argv);

namespace {

std::string tablePath;

// Calls the tool's main with words after the program name; returns the
// status it ended with, or -1 if it returned.
int runTool(const std::vector<std::string>& words) {
  std::vector<std::string> args{"QuorlDCW"};
  args.insert(args.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : args) argv.push_back(word.data());
  argv.push_back(nullptr);
  try {
    quorlMain(static_cast<int>(args.size()), argv.data());
  } catch (const RunEnded& end) {
    return end.status;
  }
  // main came back without ending the run: end it here, so that the table
  // is closed and the next run starts clean.
  try {
    endRun(0);
  } catch (const RunEnded&) {
  }
  return -1;
}

}  // namespace

std::FILE* initHarness() {
  std::FILE* reports = installCaptureStreams();
  tablePath = openTableFile();
  return reports;
}

RunOutcome runOneInput(const uint8_t* data, size_t size) {
  RunOutcome outcome;
  outcome.run = decodeFuzzCase(data, size, tablePath);
  writeTableFile(outcome.run.table);
  beginCapture(outcome.run.outputCap);
  outcome.status = runTool(outcome.run.words);
  outcome.problem = checkRun(outcome.run, outcome.status, tablePath);
  return outcome;
}
