// Saving a file whole or not at all, where the save dialog starts, and the window's picture.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
