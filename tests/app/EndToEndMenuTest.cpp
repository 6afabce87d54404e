// The chart's menu against the virtual board on an emulated node (umockdev): what is
// copied and saved while measuring and after the stop is exactly the history of values the
// board sent, for a constant and for a ramp.
// umockdev's glib headers first: Qt's "signals" keyword is a name in them.
#include "EmulatedBoard.h"
// Qt after them.
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include "AnsweredDialogs.h"
#include "EndToEnd.h"
#include "app/TraceRows.h"
#include "chart/Chart.h"
#include "framework/FileSaving.h"

namespace {

class EmulatedMenu : public ::testing::Test, protected TAnsweredDialogs {
 protected:
  void SetUp() override {
    bed = std::make_unique<THidTestbed>();  // before any of the program's threads
    Install();
    window = std::make_unique<TForm1Window>();
    window->show();
    ProcessMessages();
  }
  void TearDown() override {
    if (QMenu* menu = Form().PopupMenu1->Menu()) menu->close();
    board.reset();
    window.reset();
    Remove();
    bed.reset();
  }

  TForm1& Form() { return window->Form(); }

  // Plugs in a board sending `signal`, starts measuring and waits for a full history.
  void MeasureUntilTheHistoryIsFull(const TSignalSettings& signal) {
    TBoardOptions options;
    options.signal = signal;
    board = std::make_unique<TEmulatedBoard>(*bed, options);
    board->Plug();
    ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; })) << "no board";
    Form().Image2->Click();
    ASSERT_TRUE(Form().Timer1->Enabled());
    ASSERT_TRUE(WaitUntil([&] { return Form().SampleHistory->Count() == 200; }));
  }

  template <typename Condition>
  bool WaitUntil(Condition done, int ms = 5000) {
    for (int waited = 0; waited < ms && !done(); waited += 10) WaitMs(10);
    return done();
  }

  // Copy from the menu opened by a right click on the chart; the history of that moment.
  std::vector<QString> CopyFromTheMenu() {
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {},
                      window->Chart2()->geometry().center());
    QMenu* menu = Form().PopupMenu1->Menu();
    if (!menu || !menu->isVisible() || !menu->actions()[0]->isEnabled()) return {};
    // A click on the entry: the menu closes, then the entry does its work.
    QAction* copy = menu->actions()[0];
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(copy).center());
    EXPECT_FALSE(menu->isVisible());
    return HistoryOldestFirst();
  }
  std::vector<QString> HistoryOldestFirst() {
    std::vector<QString> values;
    for (int i = Form().VoltsHistory.Count() - 1; i >= 0; --i)
      values.push_back(TraceVoltsText(Form().VoltsHistory.At(i)));
    return values;
  }

  // The values of a table: header checked, one row per value, numbered from 0.
  static std::vector<QString> TableValues(const QString& table, QChar separator) {
    QStringList lines = table.split("\r\n");
    EXPECT_EQ(lines.takeFirst(), QString("sample") + separator + "volts");
    EXPECT_EQ(lines.takeLast(), "");
    std::vector<QString> values;
    for (int i = 0; i < lines.size(); ++i) {
      const QStringList fields = lines[i].split(separator);
      EXPECT_EQ(fields.size(), 2) << lines[i].toStdString();
      EXPECT_EQ(fields.value(0), QString::number(i));
      values.push_back(fields.value(1));
    }
    return values;
  }
  static std::vector<QString> ClipboardValues() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return {};
    EXPECT_EQ(TableValues(QString::fromUtf8(data->data("text/csv")), ','),
              TableValues(data->text(), '\t'));
    return TableValues(data->text(), '\t');
  }

  // The board's counts as the window writes them: their exact values.
  static QString VoltsText(uint16_t count) {
    return TraceVoltsText((count - TBoardSignal::kZeroVoltCount) / TBoardSignal::kCountsPerVolt);
  }

  std::unique_ptr<THidTestbed> bed;
  std::unique_ptr<TEmulatedBoard> board;
  std::unique_ptr<TForm1Window> window;
};

}  // namespace

TEST_F(EmulatedMenu, ACopiedConstantIsTheWholeHistoryWhileMeasuringAndAfterTheStop) {
  TSignalSettings constant;
  constant.kind = TSignalKind::Constant;
  constant.offsetVolts = 2.421875;  // 760 counts, which the trace draws at 2.4
  ASSERT_NO_FATAL_FAILURE(MeasureUntilTheHistoryIsFull(constant));
  const std::vector<QString> history = CopyFromTheMenu();
  ASSERT_EQ(history.size(), 200u);
  EXPECT_EQ(ClipboardValues(), history);
  EXPECT_EQ(ClipboardValues(), std::vector<QString>(200, "2.421875"));
  EXPECT_EQ(Form().SampleHistory->Strings(0), "2.4");

  Form().Image3->Click();  // stopped: the values stay, and so does the menu
  QGuiApplication::clipboard()->clear();
  EXPECT_EQ(CopyFromTheMenu(), history);
  EXPECT_EQ(ClipboardValues(), history);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(EmulatedMenu, ARampIsCopiedAndSavedInOrderAndThePictureIsTheWindow) {
  // Steps of 11 counts (0.107 V): each value of the ramp has a text of its own, so the
  // copied texts tell where in the ramp they are.
  TSignalSettings ramp;
  ramp.kind = TSignalKind::File;
  for (uint16_t count = 1; count <= 1013; count += 11) ramp.rawValues.push_back(count);
  ASSERT_NO_FATAL_FAILURE(MeasureUntilTheHistoryIsFull(ramp));
  const std::vector<QString> history = CopyFromTheMenu();
  ASSERT_EQ(history.size(), 200u);
  const std::vector<QString> copied = ClipboardValues();
  ASSERT_EQ(copied, history);
  // Oldest first: the ramp's values one after another from wherever it was.
  size_t start = 0;
  while (start < ramp.rawValues.size() && VoltsText(ramp.rawValues[start]) != copied[0]) ++start;
  ASSERT_LT(start, ramp.rawValues.size()) << copied[0].toStdString();
  for (size_t i = 0; i < copied.size(); ++i)
    ASSERT_EQ(copied[i], VoltsText(ramp.rawValues[(start + i) % ramp.rawValues.size()]))
        << "value " << i;

  // Saved while measuring: the history of the moment the entry was chosen (the trace moves
  // on while the dialog is open), and the window as it was shown then.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::vector<QString> historyAtSave;
  QImage shown;
  onDialog = [&] {
    historyAtSave = HistoryOldestFirst();
    shown = window->grab().toImage();
  };
  answer = dir.filePath("ramp.csv");
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  QFile csv(answer);
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const std::vector<QString> saved = TableValues(QString::fromUtf8(csv.readAll()), ',');
  EXPECT_EQ(saved, historyAtSave);
  Form().Image3->Click();
  EXPECT_EQ(CopyFromTheMenu().size(), 200u);
  EXPECT_EQ(ClipboardValues(), HistoryOldestFirst());
  answer = dir.filePath("after-stop.csv");
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  QFile afterStop(answer);
  ASSERT_TRUE(afterStop.open(QIODevice::ReadOnly));
  EXPECT_EQ(TableValues(QString::fromUtf8(afterStop.readAll()), ','), ClipboardValues());

  answer = dir.filePath("ramp.png");
  Form().Image2->Click();  // measuring again: "計測中" and a moving trace
  ASSERT_TRUE(WaitUntil([&] { return Form().SampleHistory->Count() >= 64; }));
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
  const QImage picture(answer, "PNG");
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32),
            shown.convertToFormat(QImage::Format_RGB32));
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(requests.size(), 3u);
}

TEST_F(EmulatedMenu, SavingIntoAFolderThatCantBeWrittenShowsTheBoxAndLeavesNoFile) {
  TSignalSettings constant;
  constant.kind = TSignalKind::Constant;
  ASSERT_NO_FATAL_FAILURE(MeasureUntilTheHistoryIsFull(constant));
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile plain(dir.filePath("plain"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  answer = dir.filePath("plain/values.csv");  // a folder that is a file, even for root
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].startsWith("値を保存できませんでした。保存先のフォルダーに書き込めません。"))
      << boxes[0].toStdString();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({"plain"}));
  EXPECT_EQ(plain.size(), 0);
  EXPECT_TRUE(Form().Timer1->Enabled());  // measuring goes on
}
