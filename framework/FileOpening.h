#pragma once

#include <QString>
#include <functional>

#include "FileSaving.h"

// What an open dialog is asked: its caption, the folder it starts in and the kinds of file it
// lists ("CSV (*.csv)", several apart by ";;").
struct TOpenDialogRequest {
  QString caption;
  QString folder;
  QString filter;
};

// Asks the user for a file to open: its path, or an empty text when the user cancelled. The
// dialog starts in the standard folder (the home folder when that doesn't exist) and offers
// only files that are there.
QString AskOpenFileName(const QString& caption, TStandardFolder folder, const QString& filter);

// Where open dialogs go. Unset, they are real dialogs; tests set one that answers in the
// user's place.
using TOpenDialogHook = std::function<QString(const TOpenDialogRequest& request)>;
void SetOpenDialogHook(TOpenDialogHook hook);
