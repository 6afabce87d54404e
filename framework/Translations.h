#pragma once

#include <QString>

// Loads the translation catalogue `name` for the user's locale from the program's own
// resources (":/i18n/<name>_<language>.qm", built by lrelease from the .ts files kept in
// the repository) and installs it into the running application. Messages stay in English
// when the locale has no catalogue. The option parser's own messages, which every program's
// command line shows, come with the first call. Each catalogue is installed once per
// application, however often it is asked for. Call after the QCoreApplication has been made.
void InstallTranslations(const QString& name);

// Qt's own messages for the user's locale (a file dialog's "Look in", "File name", "Save",
// "Cancel"; a box's buttons) from Qt's catalogue "qtbase": from a folder "translations" beside
// the program, where the Windows packages carry it, else from Qt's own translations folder
// (on Debian, the qt6-translations-l10n package). Installed once; nothing when the locale
// has none. Call when the first dialog is about to open: most starts never need it.
void InstallQtTranslations();
