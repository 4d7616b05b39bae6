// QuorlDCW: writes a text dump of one table file of a VPF database, or its
// data as JSON, or a database's feature tables as one GeoPackage.
// Usage: QuorlDCW [-e edition] [-o format] [-w FILE] [-f firstRec] [-l lastRec] DCWfile
//        QuorlDCW -o gpkg [-w FILE] PATH
// (and QuorlDCW --help for every option)
#include "main/run_dump.h"

#ifdef _WIN32
#include "files/windows_paths.h"

// Windows starts the tool here with its words in UTF-16 (-municode), so
// that a path in any script reaches it whole; the run takes them in UTF-8.
int wmain(int argc, wchar_t** wideArgv) {
  runDump(argc, utf8Arguments(argc, wideArgv));
  return 0;  // not reached: every run ends the process
}
#else
int main(int argc, char** argv) { runDump(argc, argv); }
#endif
