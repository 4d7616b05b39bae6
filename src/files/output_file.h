// The output file of "-w FILE": the run writes under a temporary name in
// FILE's folder, and FILE appears, replacing any file of that name in one
// step, only when the run ends well (status 0 or 1). Otherwise, and when
// the run is stopped by SIGINT, SIGTERM or SIGHUP, the temporary file is
// removed and FILE is left as it was.
#pragma once

#include <cstdio>
#include <string>

// Creates the temporary file for path (FILE as typed): "" when it is made,
// else why not ("it is a folder", or the system's reason). From then on
// the stop signals remove it, and a file size limit fails a write instead
// of ending the process.
std::string createOutputFile(const char* path);

// Creates a temporary file in the system's folder for temporary files,
// removed as the one above is: where a GeoPackage for standard output is
// made. "" when it is made, else why not.
std::string createTemporaryFile();

// True while a file made above waits for the run's end.
bool outputFilePending();

// FILE as typed, or "" for the temporary file of standard output.
const std::string& outputFileName();

// The path of the temporary file, in UTF-8.
const std::string& outputFileTemporaryPath();

// Opens the temporary file for writing, as text or binary; nullptr when
// it cannot be opened.
std::FILE* openOutputFileStream(bool binary);

// Called before the file is renamed or removed, to close what writes it
// (the GeoPackage's database); nullptr for none.
void setOutputFileCloser(void (*closer)());

// Renames the temporary file over FILE: "" when done, else why not (and the
// temporary file is removed).
std::string commitOutputFile();

// Removes the temporary file.
void discardOutputFile();

// True once a stop signal has come where it cannot end the run at once
// (Windows' console events): the run then ends as soon as it can.
bool stopRequested();
