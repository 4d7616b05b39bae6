#include "gpkg_run.h"

#include <dirent.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "capture_streams.h"
#include "expected_text.h"
#include "in_process_run.h"
#include "json_check.h"

namespace {

const char* const kLayer = "cov_feat";  // the one layer a tree holds
const char* const kNotVpf =
    " should be a database, library or coverage folder (one holding a dht, lht or fcs), one of "
    "those files, or a feature table (.pft, .lft, .aft, .tft, .cft)";
const int kStopSignals[3] = {SIGINT, SIGTERM, SIGHUP};

bool startsWith(const std::string& s, const std::string& head) {
  return s.compare(0, head.size(), head) == 0;
}

// The lines of text, each ended by a newline; false when the last is not.
bool splitLines(const std::string& text, std::vector<std::string>& lines) {
  size_t at = 0;
  for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(text.substr(at, end - at));
  return at == text.size();
}

// True when s, from at on, is a count: digits without a leading zero.
bool isCount(const std::string& s, size_t at) {
  if (at >= s.size() || s[at] < '1' || s[at] > '9') return false;
  return s.find_first_not_of("0123456789", at) == std::string::npos;
}

// The line a run that reaches the layers writes first: the trees have no
// grt.
std::string srsLine(const FuzzCase& run) {
  return run.tree + "/lib: its layers use srs_id 0 (undefined geographic): it has no grt";
}

// "K features have no geometry; the first, LAYER row R: CAUSE" ("1 feature
// has").
bool isMissingLine(const std::string& line) {
  const size_t digits = line.find_first_not_of("0123456789");
  if (digits == 0 || digits == std::string::npos || line[0] == '0') return false;
  const std::string head = (line.compare(0, digits, "1") == 0 ? " feature has" : " features have") +
                           std::string(" no geometry; the first, ") + kLayer + " row ";
  if (line.compare(digits, head.size(), head) != 0) return false;
  const size_t row = digits + head.size();
  const size_t colon = line.find(": ", row);
  return colon != std::string::npos && isCount(line.substr(0, colon), row) &&
         colon + 2 < line.size();
}

// The lines between the spatial reference's and the last: about the layer,
// written or left out. Empty when line is one of them, else why not.
std::string middleLineProblem(const FuzzCase& run, const std::string& line) {
  const std::string layer = kLayer + std::string(": ");
  const std::string cut = layer + "its data ends inside row ";
  if (startsWith(line, cut) && isCount(line, cut.size())) return "";
  if (line == layer + "can't read " + run.tablePath) return "";
  if (isMissingLine(line)) return "";
  if (startsWith(line, "left out " + layer) && line.size() > 9 + layer.size()) return "";
  return "an unexpected line: " + line;
}

std::string countLine(const std::vector<GeoPackageLayer>& layers) {
  int64_t features = 0;
  for (const GeoPackageLayer& layer : layers) features += layer.rows;
  return std::to_string(layers.size()) + (layers.size() == 1 ? " layer, " : " layers, ") +
         std::to_string(features) + (features == 1 ? " feature" : " features");
}

// The last line a run of status 2 may end with: the limit it ran under.
bool isLimitLine(const FuzzCase& run, const std::string& line) {
  return (run.gpkgHeapLimit >= 0 && line == "out of memory") ||
         (run.gpkgFileLimit >= 0 && line == "can't write " + run.gpkgFile + ": File too large");
}

// Standard error after the banner, by status: the spatial reference's
// line, the layer's lines, then the last line.
std::string checkMessage(const FuzzCase& run, const GeoPackageRun& g) {
  std::vector<std::string> lines;
  if (!splitLines(g.message, lines)) return "standard error does not end its last line";
  const std::string path = run.gpkgWords.back();
  if (g.status == 3 && lines.size() == 1 &&
      (lines[0] == "can't open " + path + " for reading" || lines[0] == path + kNotVpf ||
       lines[0] == path + " holds no feature table"))
    return "";
  const size_t first = !lines.empty() && lines[0] == srsLine(run) ? 1 : 0;
  if (first == 0 && g.status != 2) return "no spatial reference line first";
  if (lines.size() == first) return "no last line";
  const std::string& last = lines.back();
  if (g.status <= 1 && last != countLine(g.layers))
    return "a last line unlike the GeoPackage's layers and features: " + last;
  if (g.status == 2 && !isLimitLine(run, last))
    return "status 2 for a cause but the limit: " + last;
  if (g.status == 3 && last != "no layer of " + path + " could be written")
    return "status 3 with the last line " + last;
  bool leftOut = false, missing = false;
  for (size_t k = first; k + 1 < lines.size(); ++k) {
    const std::string problem = middleLineProblem(run, lines[k]);
    if (!problem.empty()) return problem;
    if (missing) return "a line after the missing geometries' line";
    missing = isMissingLine(lines[k]);
    leftOut = leftOut || startsWith(lines[k], "left out ");
  }
  const bool said = lines.size() > first + 1;
  if (g.status == 0 && said) return "status 0 with a line about the layer";
  if (g.status == 1 && !said) return "status 1 without a line that says why";
  if (g.status <= 1 && leftOut) return "the only layer left out, but the file written";
  if (g.status == 3 && !leftOut) return "status 3 without the layer left out";
  return "";
}

int openFiles() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++n;
    closedir(dir);
  }
  return n;
}

// The temporary files of FILE left in its folder; removed.
int removeTemporaryFiles(const FuzzCase& run) {
  const std::string prefix = ".out.gpkg.";
  int n = 0;
  if (DIR* dir = opendir(run.tree.c_str())) {
    while (dirent* entry = readdir(dir))
      if (startsWith(entry->d_name, prefix)) {
        unlink((run.tree + "/" + entry->d_name).c_str());
        ++n;
      }
    closedir(dir);
  }
  return n;
}

// FILE's bytes, and whether it is there; it is removed.
bool takeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream whole;
  whole << in.rdbuf();
  bytes = whole.str();
  unlink(path.c_str());
  return true;
}

// What the run leaves behind: nothing open, nothing in SQLite's hands, no
// temporary file; FILE exactly where the status says so, and sound; and
// standard error as the status and the file say.
std::string checkRun(const FuzzCase& run, GeoPackageRun& g, int filesBefore, int64_t heldBefore) {
  const int temporary = removeTemporaryFiles(run);
  if (g.status < 0) return "the -o gpkg run returned instead of ending";
  if (g.status > 3) return "unknown exit status " + std::to_string(g.status);
  if (openFiles() != filesBefore)
    return std::to_string(openFiles() - filesBefore) + " files left open";
  if (sqlite3_memory_used() != heldBefore)
    return "SQLite holds " + std::to_string(sqlite3_memory_used() - heldBefore) +
           " bytes after the run";
  if (temporary > 0) return "a temporary file left beside FILE";
  const bool written = access(run.gpkgFile.c_str(), F_OK) == 0;
  if (written != (g.status <= 1))
    return written ? "FILE written with status " + std::to_string(g.status)
                   : "no FILE with status " + std::to_string(g.status);
  const CapturedText err = capturedStderr();
  const std::string text(err.text, err.size);
  if (err.refused) return "standard error overflowed its capture";
  if (!startsWith(text, kBanner)) return "standard error does not start with the banner";
  g.message = text.substr(std::string(kBanner).size());
  if (capturedStdout().size != 0) return "text on standard output";
  if (written) {
    const std::string problem = checkGeoPackageFile(run.gpkgFile, g.layers);
    if (!problem.empty()) return problem;
  }
  return checkMessage(run, g);
}

}  // namespace

void prepareGeoPackageRuns() {
  // The memory SQLite holds is counted, so that a run can be limited and
  // checked for what it leaves; the file's last_change is fixed, so that
  // the binary writes the same bytes; a file size limit fails a write.
  sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 1);
  sqlite3_initialize();
  setenv("SOURCE_DATE_EPOCH", "1765238400", 1);
  std::signal(SIGXFSZ, SIG_IGN);
}

GeoPackageRun runGeoPackageCase(const FuzzCase& run) {
  GeoPackageRun g;
  unlink(run.gpkgFile.c_str());
  const int filesBefore = openFiles();
  const int64_t heldBefore = sqlite3_memory_used();
  // The tool's stop signals are its own while it runs.
  struct sigaction stops[3];
  for (int k = 0; k < 3; ++k) sigaction(kStopSignals[k], nullptr, &stops[k]);
  struct rlimit files;
  getrlimit(RLIMIT_FSIZE, &files);
  if (run.gpkgFileLimit >= 0) {
    struct rlimit limited = files;
    limited.rlim_cur = static_cast<rlim_t>(run.gpkgFileLimit);
    if (limited.rlim_cur > files.rlim_max) limited.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  if (run.gpkgHeapLimit >= 0) sqlite3_hard_heap_limit64(run.gpkgHeapLimit);
  beginCapture(SHORT_OUTPUT_CAP);
  g.status = runInProcess(run.gpkgWords);
  sqlite3_hard_heap_limit64(0);
  setrlimit(RLIMIT_FSIZE, &files);
  for (int k = 0; k < 3; ++k) sigaction(kStopSignals[k], &stops[k], nullptr);
  g.problem = checkRun(run, g, filesBefore, heldBefore);
  takeFile(run.gpkgFile, g.file);
  return g;
}

namespace {

// The lines of the -o gpkg run about its layer: those between the spatial
// reference's line and the last.
std::vector<std::string> layerLines(const FuzzCase& run, const GeoPackageRun& g) {
  std::vector<std::string> lines;
  splitLines(g.message, lines);
  if (lines.empty() || lines[0] != srsLine(run)) return {};
  return std::vector<std::string>(lines.begin() + 1, lines.end() - 1);
}

// Why the layer was left out, "" where it was not.
std::string leftOutCause(const FuzzCase& run, const GeoPackageRun& g) {
  const std::string head = "left out " + std::string(kLayer) + ": ";
  for (const std::string& line : layerLines(run, g))
    if (startsWith(line, head)) return line.substr(head.size());
  return "";
}

// The layer's lines that the -o geojson run's message gives: its cut row,
// its missing geometries, with the layer named.
std::vector<std::string> expectedLayerLines(const std::string& message) {
  std::vector<std::string> lines, expected;
  splitLines(message, lines);
  const std::string cut = "Not a valid VPF table file: its data ends inside row ";
  const std::string first = "no geometry; the first, row ";
  for (const std::string& line : lines) {
    if (startsWith(line, cut))
      expected.push_back(kLayer + std::string(": its data ends inside row ") +
                         line.substr(cut.size()));
    const size_t at = line.find(first);
    if (at != std::string::npos && line[0] >= '1' && line[0] <= '9')
      expected.push_back(line.substr(0, at) + "no geometry; the first, " + kLayer + " row " +
                         line.substr(at + first.size()));
  }
  return expected;
}

// The layer as written against the -o geojson run's features.
std::string compareFeatures(const GeoPackageRun& g, const std::string& out) {
  const GeoJsonFeatures features = countGeoJsonFeatures(out);
  const GeoPackageLayer& layer = g.layers[0];
  if (layer.rows != features.count)
    return "the layer has " + std::to_string(layer.rows) + " rows, -o geojson " +
           std::to_string(features.count) + " features";
  if (layer.nullGeometries != features.nulls || layer.firstNull != features.firstNull)
    return "the layer's null geometries are not -o geojson's";
  return "";
}

}  // namespace

std::string compareWithGeoJson(const FuzzCase& run, const GeoPackageRun& g, int status,
                               const std::string& message, const std::string& out) {
  // A limited run may end early; a run of another range or column grammar
  // reads other rows.
  if (!run.gpkgComparable || g.status == 2) return "";
  const bool written = g.status <= 1;
  const std::string cause = leftOutCause(run, g);
  const std::string readFailed = "can't read " + run.tablePath;
  if (written && (g.layers.size() != 1 || g.layers[0].name != kLayer))
    return "the GeoPackage does not hold the one layer " + std::string(kLayer);
  if (status == 3) {
    if (written) return "the layer is written where -o geojson ends with status 3";
    if (!cause.empty() && cause + "\n" != message)
      return "the layer is left out for another cause than -o geojson's: " + cause;
    return "";
  }
  // The layer's table is not looked at where the coverage's folder is no
  // coverage (it has no fcs).
  const bool looked = startsWith(g.message, srsLine(run));
  if (status == 1 && message == kInvalid) {
    if (looked && run.laterGrammar && cause != readFailed + ": not a valid VPF table")
      return "a feature table whose header is not valid, not left out as such";
    return "";
  }
  if (status == 2 && message == readFailed + "\n" && out.empty())
    return !looked || cause == readFailed ? ""
                                          : "a header that cannot be read, not left out as such";
  const bool counted = message == readFailed + "\n";  // the features before the failure
  if (status == 2 && !counted && message != "can't write standard output\n") return "";
  if (!written) return "the layer is not written where -o geojson draws it";
  if (status == 2 && !counted) return "";  // the features are not all there
  std::string problem = compareFeatures(g, out);
  if (!problem.empty() || status == 2) return problem;
  if (layerLines(run, g) != expectedLayerLines(message))
    return "the layer's lines are not -o geojson's: " + message;
  return "";
}

std::string compareGeoPackageRuns(const FuzzCase& run, const GeoPackageRun& g, int status,
                                  const std::string& err) {
  std::string file;
  const bool written = takeFile(run.gpkgFile, file);
  if (removeTemporaryFiles(run) > 0) return "the binary left a temporary file beside FILE";
  if (status != g.status) return "binary's -o gpkg run ended with status " + std::to_string(status);
  if (err != kBanner + g.message) return "binary's -o gpkg run's standard error differs";
  if (written != (status <= 1) || file != g.file) return "binary's GeoPackage differs";
  return "";
}
