#include "Translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

void InstallTranslations(const QString& name) {
  // Owned by the application, so it lives as long as the messages it translates.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QLocale(), name, QStringLiteral("_"), QStringLiteral(":/i18n")))
    QCoreApplication::installTranslator(translator);
  else
    delete translator;
}
