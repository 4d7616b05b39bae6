#include "run_checks.h"

#include <cstring>
#include <vector>

#include "capture_streams.h"
#include "expected_text.h"
#include "failing_file.h"
#include "in_process_run.h"
#include "json_check.h"

namespace {

// The path of the in-process runs' table file.
std::string tableFilePath;

const std::string kWriteFailed = "can't write standard output\n";
const std::string kRecords = " Records processed\n";

// What standard error says after the banner when the table could not be read.
std::string readFailedMessage(const std::string& tablePath) {
  return "can't read " + tablePath + "\n";
}

std::string text(const CapturedText& captured) { return std::string(captured.text, captured.size); }

bool startsWith(const std::string& s, const std::string& head) {
  return s.compare(0, head.size(), head) == 0;
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// True when s is head, a count and tail: "N Records processed\n" with N a
// count of zero or more, or the JSON outputs' "... inside row N\n".
bool isCountLine(const std::string& s, const std::string& head, const std::string& tail) {
  if (!startsWith(s, head) || !endsWith(s, tail) || s.size() < head.size() + tail.size())
    return false;
  const size_t digits = s.size() - head.size() - tail.size();
  const char* n = s.data() + head.size();
  if (digits == 0 || (digits > 1 && n[0] == '0')) return false;
  for (size_t i = 0; i < digits; ++i)
    if (n[i] < '0' || n[i] > '9') return false;
  return true;
}

bool isRecordCount(const std::string& s) { return isCountLine(s, "", kRecords); }

// The JSON outputs' end for a table whose data ends inside a row.
bool isCutRow(const std::string& s) {
  return isCountLine(s, "Not a valid VPF table file: its data ends inside row ", "\n") &&
         !endsWith(s, " 0\n");
}

// The line before the usage line where -o names no format: the fuzz cases
// give only this one unknown value.
const char* const kUnknownFormat = "unknown output format \"JSON\" (dcw, json, jsonl, geojson)\n";

// What standard error must hold after the banner, for status. Only a run
// whose reads were made to fail may report a read failure.
bool errorTextFits(int status, const std::string& message, const FuzzCase& run,
                   const std::string& tablePath) {
  switch (status) {
    case 0: return isRecordCount(message);
    case 1: return message == kInvalid || (run.output != DUMP_OUTPUT && isCutRow(message));
    case 2:
      return message == kWriteFailed ||
             (run.failReadsAt >= 0 && message == readFailedMessage(tablePath));
    case 3:
      return message == kUsage || message == kUnknownFormat + std::string(kUsage) ||
             (!run.words.empty() &&
              message == "can't open " + run.words.back() + " for reading\n" + kUsage);
    default: return false;
  }
}

// A JSON output: when it was written in full it must parse, whatever the
// run's status; after a header that is not valid, nothing was written.
std::string checkJsonStdout(FuzzOutput output, int status, bool writeFailed,
                            const std::string& message) {
  CapturedText out = capturedStdout();
  if (status == 3) return out.size != 0 ? "status 3 with text on standard output" : "";
  if (status == 0 && out.refused) return "status 0 after standard output refused a write";
  if (status == 2 && writeFailed != out.refused)
    return writeFailed ? "status 2 but every write to standard output was taken"
                       : "a read failure reported over a failed write";
  if (out.refused) return "";
  if (status == 1 && message == kInvalid)
    return out.size != 0 ? "an invalid header with text on standard output" : "";
  if (status == 2 && out.size == 0) return "";  // a read failure inside the header
  const std::string text(out.text, out.size);
  if (output == JSONL_OUTPUT ? !isJsonLines(text) : !isJsonDocument(text))
    return "standard output is not valid JSON" +
           std::string(output == JSONL_OUTPUT ? " lines" : "");
  return "";
}

std::string checkStdout(int status, bool writeFailed, const std::string& title) {
  CapturedText out = capturedStdout();
  std::string head(out.text, out.size < 4096 ? out.size : 4096);
  std::string tail(out.text + (out.size < 64 ? 0 : out.size - 64), out.size < 64 ? out.size : 64);
  switch (status) {
    case 0:
      if (out.refused) return "status 0 after standard output refused a write";
      if (!startsWith(head, title + kColumnsMarker)) return "status 0 without title and columns";
      if (!endsWith(tail, kEofMarker)) return "status 0 without the end marker last";
      return "";
    case 1:
      // A rejected header keeps its status even when the column section
      // written before the rejection did not fit.
      if (!startsWith(head, title)) return "status 1 without the title line";
      return "";
    case 2:
      if (writeFailed && !out.refused)
        return "status 2 but every write to standard output was taken";
      if (!writeFailed && out.refused) return "a read failure reported over a failed write";
      return "";
    default:
      if (out.size != 0) return "status 3 with text on standard output";
      return "";
  }
}

// Describes the first way the captured run breaks the rules; empty when
// it keeps them. tablePath is the path the run was given.
std::string checkRun(const FuzzCase& run, int status, const std::string& tablePath) {
  if (status < 0) return "the run returned instead of ending";
  if (status > 3) return "unknown exit status " + std::to_string(status);
  if ((status == 3) != run.expectUsage)
    return run.expectUsage ? "usage error not reported with status 3"
                           : "status 3 on a good command line";
  CapturedText err = capturedStderr();
  if (err.refused) return "standard error overflowed its capture";
  std::string errText = text(err);
  if (!startsWith(errText, kBanner)) return "standard error does not start with the banner";
  std::string message = errText.substr(std::strlen(kBanner));
  if (!errorTextFits(status, message, run, tablePath))
    return "standard error text does not fit status " + std::to_string(status) + ": " + message;
  if (run.output != DUMP_OUTPUT)
    return checkJsonStdout(run.output, status, message == kWriteFailed, message);
  return checkStdout(status, message == kWriteFailed,
                     "Digital Chart of the World file: " + tablePath + "\n\n");
}

// A failing-reads run must write what the table cut at the failing byte
// gives. When no read failed, it must end as the cut table's run does.
// When one did, it must end with status 2 and say so, where the cut table's
// run ended in a dump or an invalid header; or, when standard output failed
// too, say that instead (that failure comes first), where the cut table's
// run, whose output failed alike, ended in the failed write or an invalid
// header (which keeps its status). Leaves the cut table's run in the
// captures.
std::string compareWithCutTable(const FuzzCase& failing, int failingStatus, bool readFailed) {
  const std::string out = text(capturedStdout());
  const std::string err = text(capturedStderr());
  const std::string cutTable = failing.table.substr(0, failing.failReadsAt);
  writeTableFile(cutTable);
  beginCapture(failing.outputCap);
  const int status = runInProcess(failing.words);
  if (text(capturedStdout()) != out)
    return "standard output differs from the dump of the table cut at the failing byte";
  const bool saysReadFailed = err == kBanner + readFailedMessage(tableFilePath);
  if (!readFailed) {
    if (saysReadFailed) return "a read failure reported where no read failed";
    if (status != failingStatus || text(capturedStderr()) != err)
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
  tableFilePath = openTableFile();
  return reports;
}

RunOutcome runOneInput(const uint8_t* data, size_t size) {
  RunOutcome outcome;
  outcome.run = decodeFuzzCase(data, size, tableFilePath);
  writeTableFile(outcome.run.table, outcome.run.failReadsAt);
  beginCapture(outcome.run.outputCap);
  const int64_t failedBefore = failedReads();
  outcome.status = runInProcess(outcome.run.words);
  const bool readFailed = failedReads() != failedBefore;
  outcome.problem = checkRun(outcome.run, outcome.status, tableFilePath);
  if (outcome.problem.empty() && outcome.run.failReadsAt >= 0)
    outcome.problem = compareWithCutTable(outcome.run, outcome.status, readFailed);
  return outcome;
}
