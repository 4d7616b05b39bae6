// Names of tables and folders as VPF products store them: the same name
// may be upper case on disk and lower case in a table, so names are
// compared without regard to ASCII case.
#pragma once

#include <string>

// True when a and b are the same name, ASCII letters matched in either case.
bool sameNameIgnoringCase(const char* a, const char* b);

// A name with its ASCII letters in lower case.
std::string lowerCaseName(std::string name);

// Text without the spaces at either end, with which tables pad their
// fixed-length text.
std::string trimSpaces(const std::string& text);
