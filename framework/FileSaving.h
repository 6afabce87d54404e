#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QWidget;

// Where a save dialog starts: the user's folder for pictures or for documents.
enum class TStandardFolder { Pictures, Documents };
// Where a dialog for `folder` starts: the user's folder of that kind, else the home folder.
QString StandardFolderPath(TStandardFolder folder);

// What a save dialog is asked: its caption, the folder it starts in, the name it proposes,
// the kinds of file it lists ("PNG 画像 (*.png)", several apart by ";;") and the suffix of
// the first. With the answer comes the kind the user chose (the first unless changed).
struct TSaveDialogRequest {
  QString caption;
  QString folder;
  QString proposedName;
  QString filter;
  QString defaultSuffix;
  QString chosenFilter;
};

// Asks the user where to save: the chosen file's path, or an empty text when the user
// cancelled. The dialog starts in the standard folder (the home folder when that doesn't
// exist) and asks before replacing a file. A name that doesn't end in the suffix of one of
// the kinds listed gets that of the kind chosen, also one with a dot of its own ("実験 2.5V").
QString AskSaveFileName(const QString& caption, TStandardFolder folder, const QString& proposedName,
                        const QString& filter, const QString& defaultSuffix);

// Where save dialogs go. Unset, they are real dialogs; tests set one that answers in the
// user's place.
// It may set the request's chosenFilter.
using TSaveDialogHook = std::function<QString(TSaveDialogRequest& request)>;
void SetSaveDialogHook(TSaveDialogHook hook);

// `path`, or `path` with the suffix of `chosenFilter` when its name ends in none of the
// suffixes `filters` lists (";;" between kinds, "*.csv" patterns).
QString WithSuffixOfChosenFilter(const QString& path, const QString& filters,
                                 const QString& chosenFilter);

// Why a save failed.
enum class TSaveFailure {
  None,
  CannotCreate,  // the folder isn't there or can't be written to
  CannotWrite,   // writing stopped part way (a full disk)
  CannotFinish,  // the written file could not take the place of the old one
};
struct TSaveResult {
  TSaveFailure failure = TSaveFailure::None;
  QString systemMessage;  // the system's own words, for the user to look up
  explicit operator bool() const { return failure == TSaveFailure::None; }
};

// Writes a whole file: into a new file beside it, which then takes the target's name. A
// failure at any point leaves the folder as it was, with no half-written file in it.
TSaveResult SaveFileContents(const QString& path, const QByteArray& contents);

// The client area of the window `widget` is on, as it is shown, as PNG (at the screen's
// pixel ratio). Empty without a widget.
QByteArray WindowPictureAsPng(QWidget* widget);
