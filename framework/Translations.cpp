#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Installs the catalogue `name` from the first of `folders` that has one for the locale.
void Install(const QString& name, const QStringList& folders) {
  // Once per application: a program may ask again when it first needs its messages, and a
  // second copy would only be searched in vain.
  QCoreApplication* application = QCoreApplication::instance();
  if (!application || application->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly))
    return;
  // Owned by the application, so it lives as long as the messages it translates.
  auto* translator = new QTranslator(application);
  translator->setObjectName(name);
  for (const QString& folder : folders) {
    if (translator->load(QLocale(), name, QStringLiteral("_"), folder)) {
      QCoreApplication::installTranslator(translator);
      return;
    }
  }
  // A locale without a catalogue keeps the (empty) translator: it marks the name as asked.
}

void Install(const QString& name) {
  Install(name, {QStringLiteral(":/i18n")});
}

}  // namespace

void InstallTranslations(const QString& name) {
  // What every program's command line shares: Qt's option parser's own messages
  // ("Unknown option", "Usage:"), carried with the programs, which need no Qt catalogue.
  Install(QStringLiteral("commandline"));
  Install(name);
}

void InstallQtTranslations() {
  // Its texts are Qt's widgets' own (contexts QFileDialog, QPlatformTheme, ...), apart from
  // the option parser's, which ours translate and which a command line has answered before
  // any dialog opens. Beside the program first: a Windows install, whatever Qt's folder says.
  Install(QStringLiteral("qtbase"),
          {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
           QLibraryInfo::path(QLibraryInfo::TranslationsPath)});
}
