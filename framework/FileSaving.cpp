#include "FileSaving.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPixmap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWidget>

#include "Translations.h"

namespace {

TSaveDialogHook& Hook() {
  static TSaveDialogHook hook;
  return hook;
}

// The suffixes of a list of kinds of file, "CSV (*.csv);;TSV (*.tsv)": csv, tsv.
QStringList Suffixes(const QString& filters) {
  static const QRegularExpression pattern(QStringLiteral("\\*\\.([^\\s;)]+)"));
  QStringList suffixes;
  for (const QRegularExpressionMatch& match : pattern.globalMatch(filters))
    suffixes << match.captured(1);
  return suffixes;
}

// The dialog of Qt's own: a name without a listed suffix gets the chosen kind's before the
// dialog checks whether the file is there (and asks before replacing it).
class TSaveDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

 protected:
  void accept() override {
    const QStringList files = selectedFiles();
    if (files.size() == 1) {
      const QString path = WithSuffixOfChosenFilter(
          files[0], nameFilters().join(QStringLiteral(";;")), selectedNameFilter());
      if (path != files[0]) selectFile(path);
    }
    QFileDialog::accept();
  }
};

}  // namespace

QString StandardFolderPath(TStandardFolder folder) {
  const QString path = QStandardPaths::writableLocation(folder == TStandardFolder::Pictures
                                                            ? QStandardPaths::PicturesLocation
                                                            : QStandardPaths::DocumentsLocation);
  // A fresh account may have no such folder yet: the dialog would start somewhere arbitrary.
  if (path.isEmpty() || !QDir(path).exists()) return QDir::homePath();
  return path;
}

QString WithSuffixOfChosenFilter(const QString& path, const QString& filters,
                                 const QString& chosenFilter) {
  const QString name = QFileInfo(path).fileName();
  for (const QString& suffix : Suffixes(filters))
    if (name.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive)) return path;
  const QStringList chosen = Suffixes(chosenFilter);
  if (chosen.isEmpty() || name.isEmpty()) return path;
  return path + QLatin1Char('.') + chosen.constFirst();
}

QString AskSaveFileName(const QString& caption, TStandardFolder folder, const QString& proposedName,
                        const QString& filter, const QString& defaultSuffix) {
  TSaveDialogRequest request{caption,       StandardFolderPath(folder),
                             proposedName,  filter,
                             defaultSuffix, filter.section(QStringLiteral(";;"), 0, 0)};
  if (Hook()) {
    const QString path = Hook()(request);
    return path.isEmpty() ? path : WithSuffixOfChosenFilter(path, filter, request.chosenFilter);
  }
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return QString();
  // The dialog's own words ("Look in", "File name", "Save") in the user's language.
  InstallQtTranslations();
  TSaveDialog dialog(QApplication::activeWindow(), request.caption, request.folder, request.filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(request.defaultSuffix);
  // The suffix a name typed without one gets follows the kind chosen.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& kind) {
    const QStringList suffixes = Suffixes(kind);
    if (!suffixes.isEmpty()) dialog.setDefaultSuffix(suffixes.constFirst());
  });
  dialog.selectFile(QDir(request.folder).filePath(request.proposedName));
  // The program's face may leave fallback faces out; folder and file names need them.
  QFont font = dialog.font();
  font.setStyleStrategy(QFont::PreferDefault);
  dialog.setFont(font);
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    const QString path = WithSuffixOfChosenFilter(chosen, filter, dialog.selectedNameFilter());
    // A system's dialog gave a name without the suffix: one with it that is there already
    // is only replaced after the dialog has asked.
    if (path == chosen || !QFileInfo::exists(path)) return path;
    dialog.selectFile(path);
  }
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
