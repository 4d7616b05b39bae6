#include "run_checks.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "capture_streams.h"
#include "expected_text.h"
#include "failing_file.h"
#include "in_process_run.h"
#include "json_check.h"

namespace {

// The path of the in-process runs' table file, and the folder of their
// coverage trees.
std::string tableFilePath;
std::string coverageTree;

const std::string kWriteFailed = "can't write standard output\n";
const std::string kRecords = " Records processed\n";

// What standard error says after the banner when the table could not be read.
std::string readFailedMessage(const std::string& tablePath) {
  return "can't read " + tablePath + "\n";
}

std::string text(const CapturedText& captured) { return std::string(captured.text, captured.size); }

// The path of the file whose reads fail: the table, or a file of the tree.
std::string failingPath(const FuzzCase& run) {
  if (run.failingFile < 0) return run.tablePath;
  return run.tree + "/" + run.files[run.failingFile].path;
}

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

// "K features have no geometry; the first, row R: CAUSE" ("1 feature has"),
// a feature layer's last line where features could not be drawn; gives K
// and R. CAUSE names tables as they name themselves, so it may be several
// lines.
bool isMissingGeometry(const std::string& s, int64_t& count, int64_t& row) {
  const char* p = s.c_str();
  if (*p < '1' || *p > '9') return false;
  char* end = nullptr;
  count = std::strtoll(p, &end, 10);
  const std::string head = (count == 1 ? " feature has" : " features have") +
                           std::string(" no geometry; the first, row ");
  if (s.compare(end - p, head.size(), head) != 0) return false;
  p = end + head.size();
  if (*p < '1' || *p > '9') return false;
  row = std::strtoll(p, &end, 10);
  if (std::strncmp(end, ": ", 2) != 0) return false;
  return s.size() > static_cast<size_t>(end + 2 - s.c_str()) + 1 && endsWith(s, "\n");
}

// Standard error of a status-1 coverage run after its count line (or the
// cut-row line): the missing-geometry line; gives its K and R.
bool isLayerEnd(const std::string& message, int64_t& count, int64_t& row) {
  const size_t line = message.find('\n') + 1;
  const std::string first = message.substr(0, line);
  return line > 0 && (isRecordCount(first) || isCutRow(first)) &&
         isMissingGeometry(message.substr(line), count, row);
}

// A status-3 message of a feature layer: a table the whole layer needs
// cannot be opened or read, or lacks what the layer needs; it names the
// table by its path in the tree.
bool isLayerFailure(const std::string& message, const FuzzCase& run) {
  const std::string library = run.tree + "/lib/";
  return endsWith(message, "\n") &&
         (startsWith(message, "can't open " + library) ||
          startsWith(message, "can't read " + library) ||
          (startsWith(message, library) && message.find(" has no ") != std::string::npos));
}

// The line before the usage line where -o names no format: the fuzz cases
// give only this one unknown value.
const char* const kUnknownFormat =
    "unknown output format \"JSON\" (dcw, json, jsonl, geojson, gpkg)\n";

// What standard error must hold after the banner, for status. Only a run
// whose reads were made to fail may report a read failure.
bool errorTextFits(int status, const std::string& message, const FuzzCase& run) {
  int64_t count, row;
  switch (status) {
    case 0: return isRecordCount(message);
    case 1:
      return message == kInvalid || (run.output != DUMP_OUTPUT && isCutRow(message)) ||
             (isCoverageRun(run) && isLayerEnd(message, count, row));
    case 2:
      return message == kWriteFailed ||
             (run.failReadsAt >= 0 && failingPath(run) == run.tablePath &&
              message == readFailedMessage(run.tablePath));
    case 3:
      if (!run.expectUsage) return isLayerFailure(message, run);
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

// The features of a layer written in full: the row numbering of the ids
// and the count of the missing-geometry line must agree with them.
std::string checkLayerFeatures(const std::string& message) {
  const GeoJsonFeatures features = countGeoJsonFeatures(text(capturedStdout()));
  int64_t count = 0, row = 0;
  isLayerEnd(message, count, row);
  if (features.nulls != count)
    return std::to_string(features.nulls) + " null geometries where standard error counts " +
           std::to_string(count);
  if (row != features.firstNull)
    return "the first null geometry is not in the row standard error names";
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
// it keeps them.
std::string checkRun(const FuzzCase& run, int status) {
  if (status < 0) return "the run returned instead of ending";
  if (status > 3) return "unknown exit status " + std::to_string(status);
  if (status != 3 && run.expectUsage) return "usage error not reported with status 3";
  if (status == 3 && !run.expectUsage && !isCoverageRun(run))
    return "status 3 on a good command line";
  CapturedText err = capturedStderr();
  if (err.refused) return "standard error overflowed its capture";
  std::string errText = text(err);
  if (!startsWith(errText, kBanner)) return "standard error does not start with the banner";
  std::string message = errText.substr(std::strlen(kBanner));
  if (!errorTextFits(status, message, run))
    return "standard error text does not fit status " + std::to_string(status) + ": " + message;
  if (run.output == DUMP_OUTPUT)
    return checkStdout(status, message == kWriteFailed,
                       "Digital Chart of the World file: " + run.tablePath + "\n\n");
  std::string problem = checkJsonStdout(run.output, status, message == kWriteFailed, message);
  if (problem.empty() && isCoverageRun(run) && status < 2 && message != kInvalid &&
      !capturedStdout().refused)
    problem = checkLayerFeatures(message);
  return problem;
}

// A failing-reads run must write what the table cut at the failing byte
// gives. When no read failed, it must end as the cut table's run does.
// When one did, it must end with status 2 and say so, where the cut table's
// run ended in a dump or an invalid header; or, when standard output failed
// too, say that instead (that failure comes first), where the cut table's
// run, whose output failed alike, ended in the failed write or an invalid
// header (which keeps its status). A feature layer that cannot be opened
// ends the run before its rows, whatever their reads: then both runs end
// alike. Leaves the cut table's run in the captures.
std::string compareWithCutTable(const FuzzCase& failing, int failingStatus, bool readFailed) {
  const std::string out = text(capturedStdout());
  const std::string err = text(capturedStderr());
  const std::string path = failingPath(failing);
  const std::string& whole =
      failing.failingFile < 0 ? failing.table : failing.files[failing.failingFile].bytes;
  const std::string cutTable = whole.substr(0, failing.failReadsAt);
  if (isCoverageRun(failing))
    writeFile(path, cutTable);
  else
    writeTableFile(cutTable);
  failReadsOf(path, -1);
  beginCapture(failing.outputCap);
  const int status = runInProcess(failing.words);
  if (text(capturedStdout()) != out)
    return "standard output differs from the dump of the table cut at the failing byte";
  const bool saysReadFailed = err == kBanner + readFailedMessage(path);
  if (!readFailed || (failingStatus == 3 && status == 3)) {
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

// A failed read of a table the feature layer reads beside the feature
// table: the schema or the tile reference ends the run with status 3 (the
// message may be about its header, read in full before the failure; not
// the schema's rows, which were not); a join table or primitive table
// leaves the features drawn from it without geometry, so the run cannot
// end with status 0 where a feature was written.
std::string checkFailedLayerRead(const FuzzCase& run, int status) {
  const int slot = run.files[run.failingFile].slot;
  if (slot == 1 || slot == 3)
    return status == 3 && text(capturedStderr()).find(" has no geometry join ") == std::string::npos
               ? ""
               : "a failed read of a table the layer needs is not reported";
  if (status == 0 && text(capturedStdout()).find("\n{\"type\":\"Feature\"") != std::string::npos)
    return "a failed read of a primitive or join table ends with status 0";
  return "";
}

}  // namespace

std::FILE* initHarness() {
  std::FILE* reports = installCaptureStreams();
  tableFilePath = openTableFile();
  coverageTree = makeCoverageTree();
  prepareGeoPackageRuns();
  return reports;
}

RunOutcome runOneInput(const uint8_t* data, size_t size) {
  RunOutcome outcome;
  const FuzzCase& run = outcome.run = decodeFuzzCase(data, size, tableFilePath, coverageTree);
  if (isCoverageRun(run))
    writeCoverageTree(run.tree, run.files);
  else
    writeTableFile(run.table);
  failReadsOf(failingPath(run), run.failReadsAt);
  if (run.gpkg) {
    outcome.gpkg = runGeoPackageCase(run);
    if (!outcome.gpkg.problem.empty()) {
      outcome.status = outcome.gpkg.status;
      outcome.problem = "-o gpkg: " + outcome.gpkg.problem;
      return outcome;
    }
  }
  beginCapture(run.outputCap);
  const int64_t failedBefore = failedReads();
  outcome.status = runInProcess(run.words);
  const bool readFailed = failedReads() != failedBefore;
  outcome.problem = checkRun(run, outcome.status);
  if (outcome.problem.empty() && run.gpkg) {
    const std::string message = text(capturedStderr()).substr(std::strlen(kBanner));
    outcome.problem =
        compareWithGeoJson(run, outcome.gpkg, outcome.status, message, text(capturedStdout()));
    if (!outcome.problem.empty())
      outcome.problem = "-o gpkg against -o geojson: " + outcome.problem;
  }
  if (!outcome.problem.empty() || run.failReadsAt < 0) return outcome;
  if (readFailed && failingPath(run) != run.tablePath)
    outcome.problem = checkFailedLayerRead(run, outcome.status);
  else
    outcome.problem = compareWithCutTable(run, outcome.status, readFailed);
  return outcome;
}
