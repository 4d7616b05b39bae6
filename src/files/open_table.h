// Opening the table file named on the command line.
#pragma once

#include <cstdio>

// Opens path for binary reading; nullptr when it cannot be opened or names
// a directory, which some systems open but none can read as a table. Kept
// in a file of its own so that the fuzz harness and the read-failure test
// can link a version whose reads fail.
std::FILE* openTable(const char* path);
