#include "StandardOptions.h"

#include <QCoreApplication>

TStandardOptions AddStandardOptions(QCommandLineParser& parser) {
  TStandardOptions options{
      QCommandLineOption(
          {QStringLiteral("h"), QStringLiteral("help")},
          QCoreApplication::translate("StandardOptions", "Show this text and exit.")),
      QCommandLineOption(
          {QStringLiteral("v"), QStringLiteral("version")},
          QCoreApplication::translate("StandardOptions", "Show the version and exit."))};
  parser.addOptions({options.help, options.version});
  return options;
}
