// A coverage case's "-o gpkg -w FILE PATH" run, in-process under the
// limits the case sets, and what it must leave behind: one of the tool's
// statuses with the standard error that goes with it; on status 0 or 1 a
// sound GeoPackage at FILE, on 2 or 3 no FILE; never a temporary file, a
// file left open or SQLite memory held after the run. Then the same layer
// as the -o geojson run of the same coverage draws it.
#pragma once

#include <string>
#include <vector>

#include "fuzz_case.h"
#include "gpkg_check.h"

struct GeoPackageRun {
  int status = -1;
  std::string message;  // standard error after the banner
  std::vector<GeoPackageLayer> layers;
  std::string file;     // FILE's bytes, where it was written
  std::string problem;  // empty when the run ended as it must
};

// Sets the harness up for -o gpkg runs; call once, before the first.
void prepareGeoPackageRuns();

// Runs the case's -o gpkg words and checks the run on its own. FILE is
// removed afterwards.
GeoPackageRun runGeoPackageCase(const FuzzCase& run);

// Checks the -o gpkg run against the -o geojson run of the case, which
// ended with status and wrote message after the banner and out to
// standard output.
std::string compareWithGeoJson(const FuzzCase& run, const GeoPackageRun& gpkg, int status,
                               const std::string& message, const std::string& out);

// Checks the binary's -o gpkg run against the in-process one: the same
// status, standard error and file, byte for byte. Removes FILE.
std::string compareGeoPackageRuns(const FuzzCase& run, const GeoPackageRun& gpkg, int status,
                                  const std::string& err);
