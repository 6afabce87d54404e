#include "FileSaving.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QPixmap>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWidget>

#include "Translations.h"

namespace {

TSaveDialogHook& Hook() {
  static TSaveDialogHook hook;
  return hook;
}

QString StartFolder(TStandardFolder folder) {
  const QString path = QStandardPaths::writableLocation(folder == TStandardFolder::Pictures
                                                            ? QStandardPaths::PicturesLocation
                                                            : QStandardPaths::DocumentsLocation);
  // A fresh account may have no such folder yet: the dialog would start somewhere arbitrary.
  if (path.isEmpty() || !QDir(path).exists()) return QDir::homePath();
  return path;
}

}  // namespace

QString AskSaveFileName(const QString& caption, TStandardFolder folder, const QString& proposedName,
                        const QString& filter, const QString& defaultSuffix) {
  const TSaveDialogRequest request{caption, StartFolder(folder), proposedName, filter,
                                   defaultSuffix};
  if (Hook()) return Hook()(request);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return QString();
  // The dialog's own words ("Look in", "File name", "Save") in the user's language.
  InstallQtTranslations();
  QFileDialog dialog(QApplication::activeWindow(), request.caption, request.folder, request.filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(request.defaultSuffix);
  dialog.selectFile(QDir(request.folder).filePath(request.proposedName));
  // The program's face may leave fallback faces out; folder and file names need them.
  QFont font = dialog.font();
  font.setStyleStrategy(QFont::PreferDefault);
  dialog.setFont(font);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

void SetSaveDialogHook(TSaveDialogHook hook) {
  Hook() = std::move(hook);
}

TSaveResult SaveFileContents(const QString& path, const QByteArray& contents) {
  QSaveFile file(path);
  // Never straight into the target: a folder that takes no new files fails here instead.
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) return {TSaveFailure::CannotCreate, file.errorString()};
  if (file.write(contents) != contents.size()) {
    const QString message = file.errorString();
    file.cancelWriting();
    return {TSaveFailure::CannotWrite, message};
  }
  // The data may only fail to reach the disk at the end (a full disk); the temporary file
  // is then removed, and the target is left as it was.
  if (!file.commit()) return {TSaveFailure::CannotFinish, file.errorString()};
  return {};
}

QByteArray WindowPictureAsPng(QWidget* widget) {
  if (!widget) return {};
  const QPixmap picture = widget->window()->grab();
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!picture.save(&buffer, "PNG")) return {};
  return png;
}
