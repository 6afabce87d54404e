#include "FileOpening.h"

#include <QApplication>
#include <QFileDialog>

#include "Translations.h"

namespace {

TOpenDialogHook& Hook() {
  static TOpenDialogHook hook;
  return hook;
}

}  // namespace

QString AskOpenFileName(const QString& caption, TStandardFolder folder, const QString& filter) {
  const TOpenDialogRequest request{caption, StandardFolderPath(folder), filter};
  if (Hook()) return Hook()(request);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return QString();
  // The dialog's own words ("Look in", "File name", "Open") in the user's language.
  InstallQtTranslations();
  QFileDialog dialog(QApplication::activeWindow(), request.caption, request.folder, request.filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  // The program's face may leave fallback faces out; folder and file names need them.
  QFont font = dialog.font();
  font.setStyleStrategy(QFont::PreferDefault);
  dialog.setFont(font);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

void SetOpenDialogHook(TOpenDialogHook hook) {
  Hook() = std::move(hook);
}
