#include "main/run_dump.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "files/open_table.h"
#include "files/output_file.h"
#include "header/table_header.h"
#include "main/command_line.h"
#include "main/help_text.h"
#include "main/write_data.h"
#include "main/write_geopackage.h"
#include "output/output_stream.h"
#include "rows/row_loop.h"
#include "rows/table_stream.h"
#include "run/run_control.h"

namespace {

std::FILE* writtenFile = nullptr;  // the stream of "-w FILE"

void closeWrittenFile() {
  std::fclose(writtenFile);
  writtenFile = nullptr;
}

// Standard output, or the file "-w FILE" names: made under a temporary
// name now, put in place when the run ends. A file that cannot be made
// ends the run (status 3) with nothing written.
void openRunOutput() {
  std::FILE* file = stdout;
  if (outputPath != nullptr) {
    std::string failure = createOutputFile(outputPath);
    if (failure.empty()) {
      file = openOutputFileStream(false);
      if (file == nullptr) failure = std::strerror(errno);
    }
    if (!failure.empty()) {
      writeMessageLine(std::string("can't write ") + outputPath + ": " + failure);
      endRun(EXIT_USAGE);
    }
    writtenFile = file;
    setOutputFileCloser(closeWrittenFile);
  }
  openOutputStreams(file);
}

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
  // A GeoPackage's path names a folder or a table, which it finds itself.
  if (asksForGeoPackage(argc, argv)) {
    readOptions(argc, argv);
    writeGeoPackage(argv[argc - 1]);
  }

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

  openRunOutput();
  if (outputFormat == FORMAT_DCW) writeDump(*table, path);
  writeData(*table, path, outputFormat);
}
