#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
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

// A mistake on the command line, said in one line.
class TBoardUsageError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

class QCommandLineParser;

// The board's options on a command line: simplescope-board's own, or that of a program that
// carries the board elsewhere (the emulated board) and adds options of its own around them.
class TBoardOptionSet {
 public:
  // Adds the board's options to `parser`, in the order its help lists them.
  explicit TBoardOptionSet(QCommandLineParser& parser);
  // The options the parsed command line gives; throws std::runtime_error (a TBoardUsageError,
  // or a raw value file's problem) with a one-line message for a mistake.
  TBoardOptions Read(const QCommandLineParser& parser) const;
  ~TBoardOptionSet();

 private:
  // Qt's own types stay out of this header, which goes where umockdev's glib headers go.
  struct TOptions;
  std::unique_ptr<TOptions> options_;
};

// A number from the command line, read the same in every locale; throws TBoardUsageError
// naming `option` when `text` is no number from `min` to `max`.
double BoardOptionNumber(const char* option, const std::string& text, double min, double max);

// Parses the arguments (without the program name). "--help" and "--version" give their text
// and exit code 0; a mistake gives a one-line message and exit code 2. The texts are
// translated when the program has installed its catalogue ("simplescope-board").
TBoardCommandLine ParseBoardCommandLine(int argc, const char* const* argv);
// One line saying what the board sends, and the faults it has been asked for.
std::string DescribeSignal(const TBoardOptions& options);
