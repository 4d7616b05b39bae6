// QuorlDCW: writes a text dump of one table file of a VPF database.
// Usage: QuorlDCW [-f firstRec] [-l lastRec] DCWfile
// (and -e 2407 for tables of the later edition)

#include <cstdio>

#include "header/table_header.h"
#include "main/command_line.h"
#include "main/open_table.h"
#include "main/output_stream.h"
#include "main/run_control.h"
#include "rows/row_loop.h"
#include "rows/table_stream.h"

int main(int argc, char** argv) {
  writeBanner();
  if (argc < 2 || argc > 6) usageExit();

  // The table is opened before the options are looked at.
  const char* path = argv[argc - 1];
  std::FILE* file = openTable(path);
  if (file == nullptr) {
    std::fprintf(stderr, "can't open %s for reading\n", path);
    usageExit();
  }
  openTableStream(tableStream, file, path);
  readOptions(argc, argv);

  openOutputStreams();
  putText(standardOutput, "Digital Chart of the World file: ");
  putText(standardOutput, path);
  putText(standardOutput, "\n\n");

  readTableHeader(tableStream, laterEdition);
  dumpRows(tableStream);
}
