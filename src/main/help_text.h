// The answers to "--help" and "--version" given as the only word.
#pragma once

// When the command line is the one word "--help" or "--version", writes the
// help or the version to standard output and ends the run with status 0 (2
// when standard output cannot be written). Otherwise it returns at once:
// anywhere else these words are what any other word is, a path or an
// ignored word.
void answerHelpOrVersion(int argc, char** argv);
