#include "main/help_text.h"

#include <cstring>

#include "output/output_stream.h"
#include "run/run_control.h"

// The build passes in the project's version; it is written nowhere else.
#ifndef QUORL_VERSION
#error "QUORL_VERSION, the project's version, is set by the build"
#endif

namespace {

const char* const kHelp =
    "Usage: QuorlDCW [-e edition] [-o format] [-w FILE] [-f firstRec] [-l lastRec] DCWfile\n"
    "       QuorlDCW -o gpkg [-w FILE] PATH\n"
    "       QuorlDCW --help | --version\n"
    "\n"
    "Writes a dump of one table file of a VPF database, or with -o its data as\n"
    "JSON, to standard output (or FILE); with -o gpkg, every feature table of a\n"
    "database, library or coverage as one GeoPackage. The banner, the messages\n"
    "and the record count go to standard error.\n"
    "\n"
    "Options (an option and its value are two words; an option right before\n"
    "DCWfile is ignored):\n"
    "  -f firstRec       first row written (default 1)\n"
    "  -l lastRec        last row written (dump default 99999; the JSON formats\n"
    "                    write every row by default)\n"
    "  -e 2407|600006    edition: 2407 reads the later edition's column\n"
    "                    definitions; 600006, the first edition, is the default\n"
    "  -o dcw|json|jsonl|geojson|gpkg\n"
    "                    output format:\n"
    "    dcw             the text dump (default)\n"
    "    json            the whole table as one JSON document, columns and rows\n"
    "    jsonl           one JSON object per row\n"
    "    geojson         a GeoJSON FeatureCollection, the first coordinate column\n"
    "                    as geometry; a feature table's features (.pft, .lft,\n"
    "                    .aft, .tft) get their geometry from the primitives of\n"
    "                    their coverage, found through its fcs and tile reference\n"
    "    gpkg            a GeoPackage of every feature table of PATH (a database,\n"
    "                    library or coverage folder, its dht, lht or fcs, or one\n"
    "                    feature table): a layer each, drawn as geojson draws\n"
    "                    them, with the columns' descriptions and coded values;\n"
    "                    -f and -l are not for it\n"
    "  -w FILE           write to FILE instead of standard output: FILE appears\n"
    "                    (replacing any file of that name) only when the run ends\n"
    "                    with status 0 or 1\n"
    "\n"
    "Exit status:\n"
    "  0  dumped\n"
    "  1  not a valid VPF table (or, in the JSON formats, its data ends inside\n"
    "     a row; in geojson, features whose geometry cannot be drawn; in gpkg,\n"
    "     a line above the last says what could not be written)\n"
    "  2  read or write failure\n"
    "  3  usage error, or the table (or its coverage's fcs or tile reference)\n"
    "     cannot be opened; in gpkg, PATH holds nothing to write, or FILE's\n"
    "     folder cannot be written\n"
    "\n"
    "Full manual: man QuorlDCW (on Windows, QuorlDCW.html beside QuorlDCW.exe)\n";

const char* const kVersion = "QuorlDCW " QUORL_VERSION
                             "\n"
                             "MIT licence: see LICENSE\n";

}  // namespace

void answerHelpOrVersion(int argc, char** argv) {
  if (argc != 2) return;
  const char* text = nullptr;
  if (std::strcmp(argv[1], "--help") == 0) text = kHelp;
  if (std::strcmp(argv[1], "--version") == 0) text = kVersion;
  if (text == nullptr) return;
  openOutputStreams();
  putText(standardOutput, text);
  if (standardOutputFailed()) writeFailedExit();
  endRun(EXIT_DUMPED);
}
