// Saving a file whole or not at all, where the save dialog starts, and the window's picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include "framework/FileSaving.h"

namespace {

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                QDir::NoDotAndDotDot);
}

}  // namespace

TEST(FileSaving, WritesTheWholeFileAndLeavesNothingElse) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("values.csv");
  QByteArray contents(100000, 'x');
  contents[0] = '\0';
  EXPECT_TRUE(SaveFileContents(path, contents));
  EXPECT_EQ(Read(path), contents);
  // Again, over it: replaced, still one file.
  EXPECT_TRUE(SaveFileContents(path, "short"));
  EXPECT_EQ(Read(path), "short");
  EXPECT_EQ(Entries(dir.path()), QStringList({"values.csv"}));
}

TEST(FileSaving, AFolderThatCantBeWrittenSaysSoAndGetsNoFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // A "folder" that is a file: no one, root included, can make a file in it.
  const QString notAFolder = dir.filePath("plain-file");
  ASSERT_TRUE(SaveFileContents(notAFolder, "plain"));
  for (const QString& path : {notAFolder + "/trace.png", dir.filePath("missing/trace.png")}) {
    const TSaveResult result = SaveFileContents(path, "picture");
    EXPECT_FALSE(result) << path.toStdString();
    EXPECT_EQ(result.failure, TSaveFailure::CannotCreate);
    EXPECT_FALSE(result.systemMessage.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
  }
  EXPECT_EQ(Entries(dir.path()), QStringList({"plain-file"}));
  EXPECT_EQ(Read(notAFolder), "plain");
}

TEST(FileSaving, TheDialogStartsInTheStandardFolderOrAtHome) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", QFile::encodeName(home.path()));
  qunsetenv("XDG_CONFIG_HOME");
  if (QStandardPaths::writableLocation(QStandardPaths::HomeLocation) != home.path()) {
    // Windows takes its known folders from the shell, not from HOME.
    qputenv("HOME", oldHome);
    if (!oldConfig.isEmpty()) qputenv("XDG_CONFIG_HOME", oldConfig);
    GTEST_SKIP() << "the home folder here does not follow HOME";
  }
  std::vector<TSaveDialogRequest> requests;
  SetSaveDialogHook([&](const TSaveDialogRequest& request) {
    requests.push_back(request);
    return QDir(request.folder).filePath(request.proposedName);
  });
  // No pictures folder yet: the home folder.
  EXPECT_EQ(AskSaveFileName("Save", TStandardFolder::Pictures, "a.png", "PNG (*.png)", "png"),
            QDir(home.path()).filePath("a.png"));
  ASSERT_TRUE(QDir(home.path()).mkdir("Pictures"));
  ASSERT_TRUE(QDir(home.path()).mkdir("Documents"));
  AskSaveFileName("Save", TStandardFolder::Pictures, "b.png", "PNG (*.png)", "png");
  AskSaveFileName("Values", TStandardFolder::Documents, "c.csv", "CSV (*.csv)", "csv");
  SetSaveDialogHook({});
  qputenv("HOME", oldHome);
  if (!oldConfig.isEmpty()) qputenv("XDG_CONFIG_HOME", oldConfig);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].folder, home.path());
  EXPECT_EQ(requests[1].folder, QDir(home.path()).filePath("Pictures"));
  EXPECT_EQ(requests[2].folder, QDir(home.path()).filePath("Documents"));
  EXPECT_EQ(requests[2].caption, "Values");
  EXPECT_EQ(requests[2].proposedName, "c.csv");
  EXPECT_EQ(requests[2].filter, "CSV (*.csv)");
  EXPECT_EQ(requests[2].defaultSuffix, "csv");
}

TEST(FileSaving, TheWindowsPictureIsItsClientAreaAsShown) {
  EXPECT_TRUE(WindowPictureAsPng(nullptr).isEmpty());
  QWidget window;
  window.resize(120, 80);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, Qt::white);
  window.setPalette(palette);
  window.setAutoFillBackground(true);
  auto* part = new QLabel(&window);
  part->setGeometry(10, 10, 30, 20);
  part->setAutoFillBackground(true);
  palette.setColor(QPalette::Window, Qt::red);
  part->setPalette(palette);
  window.show();
  QTest::qWait(20);
  // Asked through a part, the picture is the whole window's.
  const QImage picture = QImage::fromData(WindowPictureAsPng(part), "PNG");
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32),
            window.grab().toImage().convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(picture.pixelColor(15 * picture.devicePixelRatio(), 15 * picture.devicePixelRatio()),
            QColor(Qt::red));
  EXPECT_EQ(picture.pixelColor(60, 60), QColor(Qt::white));
}

TEST(FileSaving, ANameWithoutTheSuffixOfAListedKindGetsThatOfTheKindChosen) {
  const QString kinds = "CSV file (*.csv);;TSV file (*.tsv)";
  const QString csv = "CSV file (*.csv)";
  const QString tsv = "TSV file (*.tsv)";
  // A dot of the name's own is no suffix.
  EXPECT_EQ(WithSuffixOfChosenFilter("/home/a/実験 2.5V", kinds, tsv), "/home/a/実験 2.5V.tsv");
  EXPECT_EQ(WithSuffixOfChosenFilter("/home/a/実験 2.5V", kinds, csv), "/home/a/実験 2.5V.csv");
  EXPECT_EQ(WithSuffixOfChosenFilter("run", kinds, tsv), "run.tsv");
  // A listed suffix, in any case, is kept: the name says what it is.
  EXPECT_EQ(WithSuffixOfChosenFilter("run.TSV", kinds, csv), "run.TSV");
  EXPECT_EQ(WithSuffixOfChosenFilter("run.csv", kinds, tsv), "run.csv");
  EXPECT_EQ(WithSuffixOfChosenFilter("/a.tsv/run", kinds, csv), "/a.tsv/run.csv");
  EXPECT_EQ(WithSuffixOfChosenFilter("run.csv.bak", kinds, csv), "run.csv.bak.csv");
  // Nothing to add from: as it is.
  EXPECT_EQ(WithSuffixOfChosenFilter("run", "All files (*)", "All files (*)"), "run");
}

TEST(FileSaving, TheHookAnswersWithTheKindChosenAndTheNameGetsItsSuffix) {
  SetSaveDialogHook([](TSaveDialogRequest& request) {
    EXPECT_EQ(request.chosenFilter, "CSV (*.csv)");  // the first, unless the user changes it
    request.chosenFilter = "TSV (*.tsv)";
    return QString("/tmp/実験 2.5V");
  });
  EXPECT_EQ(AskSaveFileName("Record", TStandardFolder::Documents, "x.csv",
                            "CSV (*.csv);;TSV (*.tsv)", "csv"),
            "/tmp/実験 2.5V.tsv");
  SetSaveDialogHook([](TSaveDialogRequest&) { return QString(); });  // cancelled
  EXPECT_EQ(AskSaveFileName("Record", TStandardFolder::Documents, "x.csv", "CSV (*.csv)", "csv"),
            "");
  SetSaveDialogHook({});
}

TEST(FileSaving, QtsOwnDialogGivesTheKindChosenItsSuffixBeforeItLooksForTheFile) {
  // Elsewhere (Windows) the dialog is the system's own, which no test can answer.
  if (QGuiApplication::platformName() != "offscreen")
    GTEST_SKIP() << "the save dialog is the platform's own here";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QWidget window;  // the dialog's parent, as the program's window is
  window.show();
  window.activateWindow();
  QString shownFilter;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    shownFilter = dialog->selectedNameFilter();
    dialog->setDirectory(dir.path());
    dialog->selectNameFilter("TSV (*.tsv)");
    dialog->selectFile("実験 2.5V");
    QMetaObject::invokeMethod(dialog, "accept");  // as its Save button does
  });
  EXPECT_EQ(AskSaveFileName("Record", TStandardFolder::Documents, "x.csv",
                            "CSV (*.csv);;TSV (*.tsv)", "csv"),
            QDir(dir.path()).filePath("実験 2.5V.tsv"));
  EXPECT_EQ(shownFilter, "CSV (*.csv)");
}

namespace {

// The save dialog's words as the user sees them: opened for real (Qt's own dialog, as
// offscreen has no other), read, and cancelled.
struct TDialogWords {
  QString lookIn, fileName, save, cancel;
};

TDialogWords SaveDialogWords() {
  TDialogWords words;
  bool read = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || read) return;
    read = true;
    if (auto* label = dialog->findChild<QLabel*>("lookInLabel")) words.lookIn = label->text();
    if (auto* label = dialog->findChild<QLabel*>("fileNameLabel")) words.fileName = label->text();
    if (auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox")) {
      if (QPushButton* save = buttons->button(QDialogButtonBox::Save)) words.save = save->text();
      if (QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel))
        words.cancel = cancel->text();
    }
    dialog->reject();
  });
  poll.start(10);
  const QString chosen =
      AskSaveFileName("caption", TStandardFolder::Documents, "values.csv", "CSV (*.csv)", "csv");
  EXPECT_TRUE(read) << "no dialog was shown";
  EXPECT_TRUE(chosen.isEmpty());
  return words;
}

void ForgetTranslations() {
  for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>(
           QString(), Qt::FindDirectChildrenOnly)) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }
}

}  // namespace

TEST(FileSaving, TheDialogSpeaksTheUsersLanguageInQtsOwnWords) {
  // Elsewhere (Windows) the dialog is the system's own, in the system's language.
  if (QGuiApplication::platformName() != "offscreen")
    GTEST_SKIP() << "the save dialog is the platform's own here";
  ForgetTranslations();
  const TDialogWords english = SaveDialogWords();
  EXPECT_EQ(english.lookIn, "Look in:");
  EXPECT_EQ(english.fileName, "File &name:");
  EXPECT_EQ(english.save, "&Save");
  EXPECT_EQ(english.cancel, "Cancel");

  ForgetTranslations();
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  // Where the program looks: beside it (Windows), else in Qt's own folder (Debian).
  const QString beside = QCoreApplication::applicationDirPath() + "/translations";
  const QString qts = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  EXPECT_TRUE(QFile::exists(beside + "/qtbase_ja.qm") || QFile::exists(qts + "/qtbase_ja.qm"))
      << "Qt's Japanese catalogue is in neither " << beside.toStdString() << " nor "
      << qts.toStdString() << " (Debian: qt6-translations-l10n, tools/install-deps.sh)";
  const TDialogWords japanese = SaveDialogWords();
  EXPECT_EQ(japanese.lookIn, "アドレス:");
  EXPECT_EQ(japanese.fileName, "ファイル名(&N):");
  EXPECT_EQ(japanese.save, "保存(&S)");
  EXPECT_EQ(japanese.cancel, "キャンセル");
  ForgetTranslations();
  QLocale::setDefault(QLocale::c());
}
