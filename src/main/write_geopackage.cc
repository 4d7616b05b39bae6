#include "main/write_geopackage.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "files/entry_names.h"
#include "files/open_table.h"
#include "files/output_file.h"
#include "gpkg/geopackage.h"
#include "layers/layer_paths.h"
#include "layers/table_rows.h"
#include "main/command_line.h"
#include "main/geopackage_layer.h"
#include "output/held_text.h"
#include "output/output_stream.h"
#include "run/run_control.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

GeoPackage geoPackage;

void closeRunGeoPackage() { closeGeoPackage(geoPackage); }

[[noreturn]] void usageLineExit(const std::string& line) {
  writeMessageLine(line);
  endRun(EXIT_USAGE);
}

// When the layers were changed: SOURCE_DATE_EPOCH where it is set (so that
// a file can be made again byte for byte), else now.
std::string lastChangeText() {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch == nullptr) return timestampText(static_cast<int64_t>(std::time(nullptr)));
  char* end = nullptr;
  const long long seconds = std::strtoll(epoch, &end, 10);
  // Up to 9999-12-31T23:59:59Z, four digits of year.
  if (epoch[0] < '0' || epoch[0] > '9' || *end != '\0' || seconds > 253402300799LL)
    usageLineExit(std::string("SOURCE_DATE_EPOCH is not a number of seconds since 1970: ") + epoch);
  return timestampText(seconds);
}

// One line on a terminal's standard error that says which layer is being
// written, rewritten for each; nothing where standard error is not a
// terminal.
struct Progress {
  bool shown = isatty(fileno(stderr)) != 0;
  size_t width = 0;  // of the line on the screen

  void show(size_t layer, size_t layers, const std::string& name) {
    if (!shown) return;
    const std::string line = "layer " + std::to_string(layer) + " of " + std::to_string(layers) +
                             ": " + name.substr(0, 80);
    const size_t n = line.size();
    std::fprintf(stderr, "\r%s%*s", line.c_str(), static_cast<int>(width > n ? width - n : 0), "");
    width = n;
    std::fflush(stderr);
  }

  // Clears the line, before a message and at the end.
  void clear() {
    if (!shown || width == 0) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(width), "");
    width = 0;
  }
};

// The spatial reference of a library's layers: WGS 84 where its grt says
// GEO and WGE, as every real library does; otherwise undefined, which a
// line says.
int32_t librarySrs(const std::string& library, Progress& progress) {
  std::string cause;
  TableHandle grt = openTableIn(library, "grt", "", cause);
  const char* why = "it has no grt";
  if (grt != nullptr) {
    why = "its grt does not give GEO and WGE";
    RowPlan plan;
    std::string texts[2];
    if (planColumn(*grt, plan, "data_type", TEXT_COLUMN, 0) >= 0 &&
        planColumn(*grt, plan, "geo_datum_code", TEXT_COLUMN, 1) >= 0 &&
        readPlannedRow(*grt, plan, nullptr, nullptr, texts)) {
      if (sameNameIgnoringCase(trimSpaces(texts[0]).c_str(), "GEO") &&
          sameNameIgnoringCase(trimSpaces(texts[1]).c_str(), "WGE"))
        return WGS84_SRS;
    }
  }
  progress.clear();
  writeMessageLine((library.empty() ? "." : library) +
                   ": its layers use srs_id 0 (undefined geographic): " + why);
  return UNDEFINED_GEOGRAPHIC_SRS;
}

// Standard output gets the finished file's bytes.
void copyToStandardOutput(const std::string& path) {
  std::FILE* file = openTable(path.c_str());
  if (file == nullptr) outputFailedExit("can't read " + path + " back");
  openOutputStreams(stdout);
  useBinaryStandardOutput();
  static char block[1 << 16];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0) putBlock(standardOutput, block, n);
  const bool unread = std::ferror(file) != 0;
  std::fclose(file);
  if (unread) outputFailedExit("can't read " + path + " back");
  if (standardOutputFailed()) writeFailedExit();
}

const char* plural(int64_t n, const char* one, const char* many) { return n == 1 ? one : many; }

// The feature tables of path; a path that is none of the kinds, or holds
// none, ends the run.
std::vector<LayerPath> layersOf(const char* path) {
  std::vector<LayerPath> layers;
  switch (findLayerPaths(path, layers)) {
    case PATH_MISSING: usageLineExit(std::string("can't open ") + path + " for reading");
    case PATH_NOT_VPF:
      usageLineExit(std::string(path) +
                    " should be a database, library or coverage folder (one holding a dht, lht "
                    "or fcs), one of those files, or a feature table (.pft, .lft, .aft, .tft, "
                    ".cft)");
    case PATH_LAYERS: break;
  }
  if (layers.empty()) usageLineExit(std::string(path) + " holds no feature table");
  return layers;
}

// Makes the GeoPackage under its temporary name: FILE's, or for standard
// output one in the temporary folder. Where it cannot be made the run ends.
void startRunGeoPackage(const std::string& lastChange) {
  const std::string made =
      outputPath != nullptr ? createOutputFile(outputPath) : createTemporaryFile();
  if (!made.empty())
    usageLineExit(
        "can't write " +
        (outputPath != nullptr ? std::string(outputPath) : std::string("a temporary file")) + ": " +
        made);
  setOutputFileCloser(closeRunGeoPackage);
  startGeoPackage(geoPackage, outputFileTemporaryPath(), lastChange);
}

// What the layers' writing leaves to say.
struct LayersWritten {
  int64_t layers = 0, features = 0;
  int64_t missing = 0;       // features without geometry
  std::string firstMissing;  // "LAYER row R: CAUSE"
  bool said = false;         // a line said what was not written
};

// Writes each layer, and says on standard error what could not be.
LayersWritten writeLayers(const std::vector<LayerPath>& layers) {
  Progress progress;
  std::map<std::string, int32_t> srsOfLibrary;
  LayersWritten written;
  for (size_t i = 0; i < layers.size(); ++i) {
    const LayerPath& layer = layers[i];
    progress.show(i + 1, layers.size(), layer.name);
    auto srs = srsOfLibrary.find(layer.library);
    if (srs == srsOfLibrary.end())
      srs = srsOfLibrary.emplace(layer.library, librarySrs(layer.library, progress)).first;
    const LayerOutcome outcome = writeGeoPackageLayer(geoPackage, layer, srs->second);
    if (!outcome.leftOut.empty()) {
      progress.clear();
      writeMessageLine("left out " + layer.name + ": " + outcome.leftOut);
      written.said = true;
      continue;
    }
    ++written.layers;
    written.features += outcome.features;
    if (outcome.readFailed || outcome.cutRow > 0) {
      progress.clear();
      if (outcome.readFailed)
        writeMessageLine(layer.name + ": can't read " + layer.table);
      else
        writeMessageLine(layer.name + ": its data ends inside row " +
                         std::to_string(outcome.cutRow));
      written.said = true;
    }
    if (outcome.missing > 0 && written.missing == 0)
      written.firstMissing = layer.name + " row " + std::to_string(outcome.firstMissingRow) + ": " +
                             outcome.firstCause;
    written.missing += outcome.missing;
  }
  progress.clear();
  return written;
}

}  // namespace

void writeGeoPackage(const char* path) {
  // Nothing goes to standard output until the finished file is copied
  // there; no failed write of an earlier run in this process (the fuzz
  // harness's) counts against this one.
  openOutputStreams(nullptr);
  heldTextExhausted = outOfMemoryExit;
  std::set_new_handler(outOfMemoryExit);
  const std::string lastChange = lastChangeText();
  if (outputPath == nullptr && isatty(fileno(stdout)))
    usageLineExit("-o gpkg writes a binary file: give -w FILE or redirect standard output");
  const std::vector<LayerPath> layers = layersOf(path);

  startRunGeoPackage(lastChange);
  LayersWritten written = writeLayers(layers);
  if (written.layers == 0) usageLineExit(std::string("no layer of ") + path + " could be written");
  if (written.missing > 0) {
    std::fprintf(stderr, "%" PRId64 " %s no geometry; the first, ", written.missing,
                 plural(written.missing, "feature has", "features have"));
    writeMessageLine(written.firstMissing);
    written.said = true;
  }
  finishGeoPackage(geoPackage);
  setOutputFileCloser(nullptr);
  if (outputPath == nullptr) {
    copyToStandardOutput(outputFileTemporaryPath());
    discardOutputFile();
  }
  std::fprintf(stderr, "%" PRId64 " %s, %" PRId64 " %s\n", written.layers,
               plural(written.layers, "layer", "layers"), written.features,
               plural(written.features, "feature", "features"));
  endRun(written.said ? EXIT_INVALID_TABLE : EXIT_DUMPED);
}
