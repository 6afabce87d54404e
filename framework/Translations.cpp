#include "Translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace {

void Install(const QString& name) {
  // Once per application: a program may ask again when it first needs its messages, and a
  // second copy would only be searched in vain.
  QCoreApplication* application = QCoreApplication::instance();
  if (!application || application->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly))
    return;
  // Owned by the application, so it lives as long as the messages it translates.
  auto* translator = new QTranslator(application);
  translator->setObjectName(name);
  if (translator->load(QLocale(), name, QStringLiteral("_"), QStringLiteral(":/i18n")))
    QCoreApplication::installTranslator(translator);
  // A locale without a catalogue keeps the (empty) translator: it marks the name as asked.
}

}  // namespace

void InstallTranslations(const QString& name) {
  // What every program's command line shares: Qt's option parser's own messages
  // ("Unknown option", "Usage:"), which Debian ships no Japanese catalogue of.
  Install(QStringLiteral("commandline"));
  Install(name);
}
