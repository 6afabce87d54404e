#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "protocol/SampleTable.h"

// What the user asked of the recorder on its command line.
struct TRecorderOptions {
  static constexpr int kDefaultIntervalMs = 100;  // the window's rate
  static constexpr int kMinIntervalMs = 10;
  static constexpr int kMaxIntervalMs = 3600000;

  QString output;  // empty: standard output
  TSampleTable::TFormat format = TSampleTable::TFormat::Csv;
  std::optional<double> seconds;   // stop after this long
  std::optional<uint64_t> blocks;  // stop after this many blocks
  int intervalMs = kDefaultIntervalMs;
  bool list = false;
  bool noWait = false;
  bool exitOnUnplug = false;
};

// The parse: options to run with, or a text to print and the exit code to end with (0 and
// the text on standard output for --help and --version, 2 and a message on standard error
// for a mistake).
struct TRecorderCommandLine {
  std::optional<TRecorderOptions> options;
  QString text;
  int exitCode = 0;
};

// `arguments` includes the program name, as QCoreApplication::arguments() gives it.
TRecorderCommandLine ParseRecorderCommandLine(const QStringList& arguments);
