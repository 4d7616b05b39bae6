// The GeoPackage output: every feature table of a database, library or
// coverage (or one feature table) as a layer of one GeoPackage file.
#pragma once

// Writes the layers of path to the file of -w, or to standard output;
// says on standard error what could not be written, and ends the run: 0
// when everything was written, 1 when a line above the last says what was
// not, 2 when the file could not be written, 3 when path holds nothing to
// write (or standard output is a terminal).
[[noreturn]] void writeGeoPackage(const char* path);
