// What every run must leave behind, whatever its input: one of the tool's
// statuses, the exact standard error text that goes with it, and a
// standard output that fits it.
#pragma once

#include <string>

#include "fuzz_case.h"

// Describes the first way the captured run breaks the rules; empty when
// it keeps them. tablePath is the path the run was given.
std::string checkRun(const FuzzCase& run, int status, const std::string& tablePath);

// What standard error says after the banner when the table could not be read.
std::string readFailedMessage(const std::string& tablePath);
