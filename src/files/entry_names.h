// Names of tables and folders as VPF products store them: the same name
// may be upper case on disk and lower case in a table, so names are
// compared without regard to ASCII case.
#pragma once

// True when a and b are the same name, ASCII letters matched in either case.
bool sameNameIgnoringCase(const char* a, const char* b);
