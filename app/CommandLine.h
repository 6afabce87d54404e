#pragma once

#include <QString>
#include <QStringList>

// What the window's command line asks for. The window takes --help, --version and one file
// to open (a recording or saved values), which must be there; anything else is a mistake,
// said on stderr with exit code 2.
struct TWindowCommandLine {
  bool run = true;  // false: end at once with `exitCode`, after `text`
  int exitCode = 0;
  QString text;  // for stdout when `exitCode` is 0, else for stderr
  QString file;  // to open once the window shows; empty for none
};

// The keys of the window, as --help lists them.
QString WindowKeysHelp();

// Reads the arguments, the program's name first. The texts are translated when the
// program has installed its catalogue ("simplescope").
TWindowCommandLine ParseWindowCommandLine(const QStringList& arguments);
