// One run of the tool, from its command line to its exit status.
#pragma once

// Dumps the table the command line names, top to bottom: banner, options,
// then the dump (title, header, rows, end marker and record count) or one
// of the JSON outputs. It does not return: every run ends through endRun
// with its exit status (the fuzz harness checks that no input makes it
// return).
void runDump(int argc, char** argv);
