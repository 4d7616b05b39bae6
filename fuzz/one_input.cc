#include "one_input.h"

#include <vector>

#include "capture_streams.h"
#include "expected_text.h"
#include "failing_file.h"
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

std::string captured(CapturedText text) { return std::string(text.text, text.size); }

// A failing-reads run must write what the table cut at the failing byte
// gives. When no read failed, it must end as the cut table's run does.
// When one did, it must end with status 2 and say so, where the cut table's
// run ended in a dump or an invalid header; or, when standard output failed
// too, say that instead (that failure comes first), where the cut table's
// run, whose output failed alike, ended in the failed write or an invalid
// header (which keeps its status). Leaves the cut table's run in the
// captures.
std::string compareWithCutTable(const FuzzCase& failing, int failingStatus, bool readFailed) {
  const std::string out = captured(capturedStdout());
  const std::string err = captured(capturedStderr());
  const std::string cutTable = failing.table.substr(0, failing.failReadsAt);
  writeTableFile(cutTable);
  beginCapture(failing.outputCap);
  const int status = runTool(failing.words);
  if (captured(capturedStdout()) != out)
    return "standard output differs from the dump of the table cut at the failing byte";
  const bool saysReadFailed = err == kBanner + readFailedMessage(tablePath);
  if (!readFailed) {
    if (saysReadFailed) return "a read failure reported where no read failed";
    if (status != failingStatus || captured(capturedStderr()) != err)
      return "the run ends unlike the cut table's run";
    return "";
  }
  if (failingStatus != 2) return "a failed read is not reported";
  const bool cutFits = saysReadFailed ? status == 0 || status == 1 : status == 1 || status == 2;
  if (!cutFits)
    return std::string(saysReadFailed ? "read" : "write") +
           " failure reported where the cut table ends with status " + std::to_string(status);
  return "";
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
  writeTableFile(outcome.run.table, outcome.run.failReadsAt);
  beginCapture(outcome.run.outputCap);
  const int64_t failedBefore = failedReads();
  outcome.status = runTool(outcome.run.words);
  const bool readFailed = failedReads() != failedBefore;
  outcome.problem = checkRun(outcome.run, outcome.status, tablePath);
  if (outcome.problem.empty() && outcome.run.failReadsAt >= 0)
    outcome.problem = compareWithCutTable(outcome.run, outcome.status, readFailed);
  return outcome;
}
