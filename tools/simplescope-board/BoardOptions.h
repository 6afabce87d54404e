#pragma once

#include <optional>
#include <string>

#include "BoardSignal.h"

// How the virtual board behaves, from its command line.
struct TBoardOptions {
  TSignalSettings signal;
  std::string signalFile;
  std::string name = "simplescope virtual board";
  // Faults.
  int answerDelayMs = 0;          // answer this late
  int shortAnswerBytes = -1;      // answer with this many bytes instead of 64 (-1: whole)
  bool silent = false;            // never answer
  double unplugEverySeconds = 0;  // stay plugged this long, then unplug (0: never)
  double unpluggedSeconds = 1.0;  // and stay away this long before plugging in again
  bool verbose = false;
};

struct TBoardCommandLine {
  std::optional<TBoardOptions> options;  // empty: exit with `exitCode` after `message`
  std::string message;
  int exitCode = 0;
};

// Parses the arguments (without the program name). "--help" and "--version" give their text
// and exit code 0; a mistake gives a one-line message and exit code 2. The texts are
// translated when the program has installed its catalogue ("simplescope-board").
TBoardCommandLine ParseBoardCommandLine(int argc, const char* const* argv);
// One line saying what the board sends, and the faults it has been asked for.
std::string DescribeSignal(const TBoardOptions& options);
