// QuorlDCW: writes a text dump of one table file of a VPF database.
// Usage: QuorlDCW [-f firstRec] [-l lastRec] DCWfile
// (and -e 2407 for tables of the later edition)
#include "main/run_dump.h"

int main(int argc, char** argv) { runDump(argc, argv); }
