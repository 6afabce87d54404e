// The chart's menu on the window, offscreen: it changes nothing the window shows until it
// opens, speaks the locale's language, copies the history and saves the window's picture
// and the values, and says why a save failed.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "AnsweredDialogs.h"
#include "app/Form1Window.h"
#include "chart/Chart.h"
#include "framework/Dialogs.h"
#include "framework/FileSaving.h"
#include "framework/MessageWait.h"
#include "protocol/BoardProtocol.h"

namespace {

class WindowMenu : public ::testing::Test, protected TAnsweredDialogs {
 protected:
  void SetUp() override {
    Install();
    window = std::make_unique<TForm1Window>();
    window->show();
    WaitMs(50);
  }
  void TearDown() override {
    if (QMenu* menu = Form().PopupMenu1->Menu()) menu->close();
    window.reset();
    Remove();
    ForgetTranslations();
  }

  TForm1& Form() { return window->Form(); }
  QMenu* Menu() { return Form().PopupMenu1->Menu(); }

  // A right click on the chart as the window system delivers it.
  void RightClickOnChart() {
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {},
                      window->Chart2()->geometry().center());
  }
  // The entries shown (the rows written only while recording).
  QList<QAction*> VisibleActions() {
    QList<QAction*> shown;
    for (QAction* action : Menu()->actions())
      if (action->isVisible()) shown << action;
    return shown;
  }
  // The entries shown, without their shortcuts.
  QStringList MenuTexts() {
    QStringList texts;
    for (QAction* action : VisibleActions())
      texts << action->text().section(QLatin1Char('\t'), 0, 0);
    return texts;
  }

  // A history as if the board had sent these counts, sample i the i-th: a slow wave, each
  // value between two tenths of a volt.
  static int RawOf(int i) { return 512 + 10 * (i % 90 - 45) + 3; }
  void FillHistory(int count) {
    for (int i = 0; i < count; ++i) Form().AddToHistory(BoardProtocol::VoltsFromRaw(RawOf(i)));
  }

  static void ForgetTranslations() {
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>(
             QString(), Qt::FindDirectChildrenOnly)) {
      QCoreApplication::removeTranslator(translator);
      delete translator;
    }
    QLocale::setDefault(QLocale::c());
  }

  static QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

  std::unique_ptr<TForm1Window> window;
};

}  // namespace

TEST_F(WindowMenu, NothingIsMadeOrShownUntilItOpensAndNothingStaysAfter) {
  EXPECT_EQ(Menu(), nullptr);  // not made at start-up
  const QImage before = window->grab().toImage();
  const int children = window->findChildren<QObject*>().size();
  // Shortcuts without values: the entries are disabled, nothing happens, nothing is made.
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(requests.empty());
  EXPECT_EQ(Menu(), nullptr);
  EXPECT_EQ(window->findChildren<QObject*>().size(), children);

  RightClickOnChart();
  ASSERT_NE(Menu(), nullptr);
  EXPECT_TRUE(Menu()->isVisible());
  // Under a locale without a catalogue, English.
  EXPECT_EQ(MenuTexts(), QStringList({"Copy values",
                                      "Save picture…",
                                      "Save graph…",
                                      "Save values…",
                                      "Record…",
                                      "Open recording…",
                                      "",
                                      "Measurements…",
                                      "Cursor A here",
                                      "Cursor B here",
                                      "Remove cursors",
                                      "",
                                      "Start",
                                      "Stop",
                                      "",
                                      "Time direction: newest at the right",
                                      "Runs",
                                      "",
                                      "Listen",
                                      "Slower",
                                      "Faster",
                                      "Live sound",
                                      "Save sound…",
                                      "",
                                      "Zoom in",
                                      "Zoom out",
                                      "Earlier view",
                                      "Later view",
                                      "Oldest part",
                                      "Newest part",
                                      "Whole run"}));
  // Without values nothing is there to take away or to put a cursor on; the measurements
  // window says so itself, a recording waits for the values to come, and idle, measuring can
  // start but not stop; the sound's length can change before there is any.
  // The direction of time can be chosen before, not a run that was never measured.
  const QStringList enabled = {
      "Record…", "Open recording…", "Measurements…", "Start", "Time direction: newest at the right",
      "Slower",  "Faster"};
  for (QAction* action : VisibleActions()) {
    if (action->isSeparator()) continue;
    EXPECT_EQ(action->isEnabled(), enabled.contains(action->text().section('\t', 0, 0)))
        << action->text().toStdString();
  }
  Menu()->close();
  WaitMs(20);
  EXPECT_EQ(Rgb(window->grab().toImage()), Rgb(before));
  // A right click elsewhere in the window opens nothing.
  QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(300, 600));
  EXPECT_FALSE(Menu()->isVisible());
}

TEST_F(WindowMenu, JapaneseUnderAJapaneseLocale) {
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  FillHistory(3);
  RightClickOnChart();
  ASSERT_NE(Menu(), nullptr);
  EXPECT_EQ(MenuTexts(), QStringList({"値をコピー",
                                      "画像を保存…",
                                      "グラフを保存…",
                                      "値を保存…",
                                      "記録…",
                                      "記録を開く…",
                                      "",
                                      "測定値…",
                                      "カーソル A をここに",
                                      "カーソル B をここに",
                                      "カーソルを消す",
                                      "",
                                      "開始",
                                      "終了",
                                      "",
                                      "時間の向き: 新しい値を右に",
                                      "計測の一覧",
                                      "",
                                      "音で聞く",
                                      "ゆっくり",
                                      "速く",
                                      "ライブで聞く",
                                      "音を保存…",
                                      "",
                                      "拡大",
                                      "縮小",
                                      "前の範囲",
                                      "次の範囲",
                                      "最初の部分",
                                      "最新の部分",
                                      "計測全体"}));
  const QList<QAction*> actions = VisibleActions();
  for (int i : {0, 1, 2, 3, 4, 5, 7}) EXPECT_TRUE(actions[i]->isEnabled());
  const QStringList shortcuts = {
      "Ctrl+C", "Ctrl+S", "Ctrl+G", "Ctrl+Shift+S", "Ctrl+R", "Ctrl+O", "", "Ctrl+M", "A", "B",
      "Esc",    "",       "F5",     "F6",           "",       "T",      "", "",       "P", "[",
      "]",      "L",      "Shift+P"};
  const QStringList viewShortcuts = {"", "Ctrl++", "Ctrl+-", "PgUp", "PgDown", "Home", "End", "F"};
  for (int i = 0; i < viewShortcuts.size(); ++i)
    EXPECT_EQ(actions[shortcuts.size() + i]->text().section(QLatin1Char('\t'), 1),
              QKeySequence(viewShortcuts[i]).toString(QKeySequence::NativeText));
  for (int i = 0; i < shortcuts.size(); ++i)
    EXPECT_EQ(actions[i]->text().section(QLatin1Char('\t'), 1),
              QKeySequence(shortcuts[i]).toString(QKeySequence::NativeText));
  Menu()->actions()[3]->trigger();  // the dialog: "値を保存", cancelled
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].caption, "値を保存");
  EXPECT_EQ(requests[0].filter, "CSV ファイル (*.csv)");
  // The window's own texts stay as they are.
  EXPECT_EQ(window->windowTitle(), "簡易オシロソフト");
}

TEST_F(WindowMenu, CopiesTheHistoryOldestFirstAsTabsAndCsv) {
  FillHistory(200);
  QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  const QStringList lines = data->text().split("\r\n");
  ASSERT_EQ(lines.size(), 202);  // header, 200 rows, and after the last CR LF nothing
  EXPECT_EQ(lines[0], "sample\tvolts");
  // Each row reads back as the board's own value, not the trace's 0.1 V text.
  for (int i = 0; i < 200; ++i) {
    const QStringList fields = lines[1 + i].split('\t');
    ASSERT_EQ(fields.size(), 2) << i;
    EXPECT_EQ(fields[0], QString::number(i));
    ASSERT_EQ(fields[1].toDouble(), BoardProtocol::VoltsFromRaw(RawOf(i))) << i;
  }
  EXPECT_EQ(lines[1], "0\t-4.365234375");  // raw 65; the trace draws -4.4
  EXPECT_EQ(lines[201], "");
  EXPECT_EQ(QString::fromUtf8(data->data("text/csv")), QString(data->text()).replace('\t', ','));
  EXPECT_EQ(Menu(), nullptr);  // the shortcut needed no menu
}

TEST_F(WindowMenu, SavesThePictureAndTheValuesWhereTheUserSays) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  FillHistory(150);
  window->Form().Panel1->SetVisible(false);  // "計測中" shows: the picture has it too
  WaitMs(20);
  QImage shown;
  onDialog = [&] { shown = window->grab().toImage(); };
  answer = dir.filePath("trace.png");
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].caption, "Save picture");
  EXPECT_EQ(requests[0].defaultSuffix, "png");
  EXPECT_TRUE(QRegularExpression("^simplescope-\\d{8}-\\d{6}\\.png$")
                  .match(requests[0].proposedName)
                  .hasMatch())
      << requests[0].proposedName.toStdString();
  const QImage saved(answer, "PNG");
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(saved.size(), QSize(744, 662) * window->devicePixelRatioF());
  EXPECT_EQ(Rgb(saved), Rgb(shown));

  answer = dir.filePath("trace.csv");
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(requests[1].proposedName.endsWith(".csv"));
  QFile csv(answer);
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> rows = csv.readAll().split('\n');
  ASSERT_EQ(rows.size(), 152);
  EXPECT_EQ(rows[0], "sample,volts\r");
  EXPECT_EQ(rows[150], "149,1.396484375\r");  // raw 655
  EXPECT_TRUE(boxes.empty());

  // Cancelled: nothing written, nothing said.
  answer.clear();
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowMenu, AFailedSaveSaysWhyAndLeavesNoFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  FillHistory(40);
  // A folder that is a file: no one can write in it, root included.
  QFile plain(dir.filePath("plain"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  answer = dir.filePath("plain/trace.csv");
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  answer = dir.filePath("plain/trace.png");
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_TRUE(
      boxes[0].startsWith("値を保存できませんでした。保存先のフォルダーに書き込めません。\n" +
                          dir.filePath("plain/trace.csv")))
      << boxes[0].toStdString();
  EXPECT_TRUE(
      boxes[1].startsWith("画像を保存できませんでした。保存先のフォルダーに書き込めません。"))
      << boxes[1].toStdString();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({"plain"}));
}

TEST_F(WindowMenu, RecordingShowsOnlyInTheCaptionAndTheMenuAndGoesWithItsEnd) {
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QImage atRest = Rgb(window->grab().toImage());
  answer = dir.filePath("run.csv");
  QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].caption, "記録");
  EXPECT_EQ(requests[0].filter, "CSV ファイル (*.csv);;TSV ファイル (*.tsv)");
  EXPECT_EQ(window->windowTitle(), "簡易オシロソフト — 記録中: run.csv");
  EXPECT_EQ(Rgb(window->grab().toImage()), atRest);  // the client area shows nothing of it

  RightClickOnChart();
  ASSERT_NE(Menu(), nullptr);
  EXPECT_EQ(MenuTexts().mid(0, 8),
            QStringList({"値をコピー", "画像を保存…", "グラフを保存…", "値を保存…", "記録を停止",
                         "記録した行: 0", "記録を開く…", ""}));
  EXPECT_FALSE(Menu()->actions()[5]->isEnabled());
  Menu()->actions()[4]->trigger();  // stops it, without a dialog
  Menu()->close();
  EXPECT_EQ(requests.size(), 1u);
  EXPECT_EQ(window->windowTitle(), "簡易オシロソフト");
  RightClickOnChart();
  EXPECT_EQ(MenuTexts().mid(0, 7), QStringList({"値をコピー", "画像を保存…", "グラフを保存…",
                                                "値を保存…", "記録…", "記録を開く…", ""}));
  Menu()->close();
  WaitMs(20);
  EXPECT_EQ(Rgb(window->grab().toImage()), atRest);
  // Nothing was measured: the header alone, once the writer has closed the file.
  QFile file(answer);
  for (int waited = 0; waited < 5000 && file.size() == 0; waited += 10) WaitMs(10);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "block,sample,time_s,raw,volts\r\n");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowMenu, ClosingTheWindowEndsARecordingWithItsFileWrittenAndClosed) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  answer = dir.filePath("closed.csv");
  QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
  ASSERT_TRUE(Form().Recording->Active());
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(Form().Recording->Writing());  // written and closed before the window went
  QFile file(answer);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "block,sample,time_s,raw,volts\r\n");
  EXPECT_TRUE(boxes.empty());
}
