// How a run starts and ends: the banner, the exit statuses and the exits
// that any routine may take when it finds a failure. Every layer may use
// them: a failure ends the run where it is found.
#pragma once

#include <cstdint>
#include <string>

enum ExitStatus {
  EXIT_DUMPED = 0,         // the table was dumped to its end
  EXIT_INVALID_TABLE = 1,  // the header is not a valid table header
  EXIT_IO_FAILED = 2,      // standard output could not be written, or the table read
  EXIT_USAGE = 3,          // bad command line, or the table can't be opened
  EXIT_STOPPED = 130,      // stopped from the console (Windows; elsewhere by the signal)
};

// Writes the four banner lines and an empty line to standard error.
void writeBanner();

// Flushes the dump and ends the run with status. Every run ends here.
[[noreturn]] void endRun(int status);

// Writes the usage line to standard error and ends the run with status 3.
[[noreturn]] void usageExit();

// Writes "Not a valid VPF table file" to standard error, ends with status 1.
[[noreturn]] void invalidTableExit();

// Writes "can't write standard output" to standard error, ends with status 2;
// where the output goes to "-w FILE", "can't write FILE: REASON".
[[noreturn]] void writeFailedExit();

// Writes "can't write FILE: REASON" (FILE the output's name, or "standard
// output") and ends with status 2: the GeoPackage could not be written.
[[noreturn]] void outputFailedExit(const std::string& reason);

// Ends the run's output as status says: standard output flushed; the file
// of "-w FILE" put in place on status 0 or 1, removed otherwise. Returns
// the status the run ends with: 2 where the file could not be put in
// place (said on standard error). Both versions of endRun call it.
int finishRunOutput(int status);

// Writes "can't read PATH" to standard error and ends with status 2; when
// standard output failed too, that failure is the one reported.
[[noreturn]] void readFailedExit(const char* path);

// Writes "Not a valid VPF table file: its data ends inside row N" to
// standard error: the JSON outputs' last word on a table whose data ends
// inside a row (the run then ends with status 1).
void writeCutRow(int64_t row);

// Writes message to standard error as one line: a control character (a
// name read from a table may hold any byte) is written as '?'.
void writeMessageLine(const std::string& message);

// Writes message as one line to standard error and ends with status 3:
// a table that a feature layer needs for every feature cannot be read.
[[noreturn]] void layerFailedExit(const std::string& message);

// Ends the run that was asked to stop (Windows' console events), its
// output file removed.
[[noreturn]] void stoppedExit();

// Writes "out of memory" to standard error and ends with status 2: a row
// too large to hold in memory until it is complete.
[[noreturn]] void outOfMemoryExit();

// Flushes standard output; true when any write to it has failed.
bool standardOutputFailed();
