// How a run ends in the fuzz build: endRun throws RunEnded instead of
// ending the process, and whoever called the tool's main catches it.
#pragma once

struct RunEnded {
  int status;
};

// Puts every run-wide value of the tool back to its value at program start.
void resetRunState();
