#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

// -h/--help and -v/--version as every program of ours offers them, with the same wording
// (translated in the shared catalogue InstallTranslations loads).
struct TStandardOptions {
  QCommandLineOption help;
  QCommandLineOption version;
};

TStandardOptions AddStandardOptions(QCommandLineParser& parser);
