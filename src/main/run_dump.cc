#include "main/run_dump.h"

#include <cinttypes>
#include <cstdio>

#include "files/open_table.h"
#include "header/table_header.h"
#include "main/command_line.h"
#include "main/help_text.h"
#include "main/run_control.h"
#include "main/write_data.h"
#include "output/output_stream.h"
#include "rows/row_loop.h"
#include "rows/table_stream.h"

namespace {

// The text dump: title, column section, rows, end marker, record count.
[[noreturn]] void writeDump(Table& table, const char* path) {
  putText(standardOutput, "Digital Chart of the World file: ");
  putText(standardOutput, path);
  putText(standardOutput, "\n\n");

  readTableHeader(table, laterEdition, standardOutput);
  const ColumnTable& columns = table.columns;
  const int64_t records = dumpRows(table.stream, columns.columnHandler, columns.columnCount,
                                   columns.columnTotal, firstRec, lastRec);
  putText(standardOutput, "\n**DCWeof ===========================\n\n");

  // The dump above is the table as far as it could be read; a count would
  // say that the table ended there.
  if (readFailed(table.stream)) readFailedExit(path);
  if (standardOutputFailed()) writeFailedExit();
  std::fprintf(stderr, "%" PRId64 " Records processed\n", records);
  endRun(EXIT_DUMPED);
}

}  // namespace

void runDump(int argc, char** argv) {
  answerHelpOrVersion(argc, argv);  // "--help" or "--version" alone: no banner, no dump
  writeBanner();
  if (!wordCountFits(argc, argv)) usageExit();

  // The table is opened before the options are read, so a path that cannot
  // be opened is reported as such even when an option is bad too.
  const char* path = argv[argc - 1];
  std::FILE* file = openTable(path);
  if (file == nullptr) {
    std::fprintf(stderr, "can't open %s for reading\n", path);
    usageExit();
  }
  // The table lives until the run ends; where the run's end returns to a
  // caller (the fuzz harness), its file is closed with it.
  TableHandle table = newTable();
  openTableStream(table->stream, file, path);
  readOptions(argc, argv);

  openOutputStreams();
  if (outputFormat == FORMAT_DCW) writeDump(*table, path);
  writeData(*table, path, outputFormat);
}
