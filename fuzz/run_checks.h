// One fuzz input run through the whole tool in-process, and what every run
// must leave behind, whatever its input: one of the tool's statuses, the
// exact standard error text that goes with it, and a standard output that
// fits it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_case.h"
#include "gpkg_run.h"

struct RunOutcome {
  FuzzCase run;
  int status = -1;      // the run's exit status; -1 when it returned
  std::string problem;  // empty when the run ended as it must
  GeoPackageRun gpkg;   // a coverage case's -o gpkg run, where it has one
};

// Sets up the capture streams and the table file; call once. Returns the
// original stderr, for the harness's own reports.
std::FILE* initHarness();

// Runs the tool on one input and checks how it ended. A failing-reads run
// is run a second time on the table cut at the failing byte, and compared.
// A coverage case's -o gpkg run comes first; the captures are left with
// the -o geojson run's (or the cut table's).
RunOutcome runOneInput(const uint8_t* data, size_t size);
