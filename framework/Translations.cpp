#include "Translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace {

bool Install(const QString& name) {
  // Owned by the application, so it lives as long as the messages it translates.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QLocale(), name, QStringLiteral("_"), QStringLiteral(":/i18n")))
    return QCoreApplication::installTranslator(translator);
  delete translator;
  return false;
}

}  // namespace

void InstallTranslations(const QString& name) {
  // What every program's command line shares: Qt's option parser's own messages
  // ("Unknown option", "Usage:"), which Debian ships no Japanese catalogue of.
  static const bool commandLineInstalled = Install(QStringLiteral("commandline"));
  (void)commandLineInstalled;
  Install(name);
}
