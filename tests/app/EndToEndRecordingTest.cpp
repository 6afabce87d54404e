// Recording from the window against the virtual board on an emulated node (umockdev), into a
// real file: the board's ramp across a stop and start, an unplug and a replug.
// umockdev's glib headers first: Qt's "signals" keyword is a name in them.
#include "EmulatedBoard.h"
// Qt after them.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "AnsweredDialogs.h"
#include "RecordedTable.h"
#include "app/Form1Window.h"
#include "framework/MessageWait.h"

namespace {

// The ramp the board sends: 0, 1, ... 1022 and again, so no two neighbouring blocks are alike.
constexpr int kRampLength = 1023;

class EmulatedRecording : public ::testing::Test, protected TAnsweredDialogs {
 protected:
  void SetUp() override {
    bed = std::make_unique<THidTestbed>();  // before any of the program's threads
    Install();
    TBoardOptions options;
    options.signal.kind = TSignalKind::File;
    for (int raw = 0; raw < kRampLength; ++raw) options.signal.rawValues.push_back(raw);
    board = std::make_unique<TEmulatedBoard>(*bed, options);
    window = std::make_unique<TForm1Window>();
    window->show();
    ProcessMessages();
    ASSERT_TRUE(dir.isValid());
  }
  void TearDown() override {
    window.reset();
    board.reset();
    Remove();
    bed.reset();
  }

  TForm1& Form() { return window->Form(); }
  template <typename Condition>
  bool WaitUntil(Condition done, int ms = 5000) {
    for (int waited = 0; waited < ms && !done(); waited += 10) WaitMs(10);
    return done();
  }
  void CtrlR() { QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier); }
  void PlugAndStart() {
    board->Plug();
    ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; })) << "no board";
    Form().Image2->Click();
    ASSERT_TRUE(Form().Timer1->Enabled());
  }
  // Measures until `blocks` more blocks are in the file.
  void RecordBlocks(uint64_t blocks) {
    const uint64_t rows = Form().Recording->RowsWritten() + 32 * blocks;
    ASSERT_TRUE(WaitUntil([&] { return Form().Recording->RowsWritten() >= rows; }));
  }

  std::unique_ptr<THidTestbed> bed;
  std::unique_ptr<TEmulatedBoard> board;
  std::unique_ptr<TForm1Window> window;
  QTemporaryDir dir;
};

std::string ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

}  // namespace

TEST_F(EmulatedRecording, TheRampGoesOnAcrossAStopAndStartAndEachPlugIsUnbroken) {
  answer = dir.filePath("ramp.csv");
  CtrlR();
  ASSERT_TRUE(Form().Recording->Active());
  ASSERT_NO_FATAL_FAILURE(PlugAndStart());
  ASSERT_NO_FATAL_FAILURE(RecordBlocks(8));
  Form().Image3->Click();
  WaitMs(300);
  Form().Image2->Click();
  ASSERT_NO_FATAL_FAILURE(RecordBlocks(8));

  board->Unplug();
  ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
  EXPECT_EQ(boxes[0], "(C2)実験ボードと接続が確認出来ません。");
  EXPECT_EQ(window->windowTitle(), "簡易オシロソフト — 記録中: ramp.csv");
  WaitMs(300);  // the writer catches up; nothing more comes
  const uint64_t rowsOfThePlug = Form().Recording->RowsWritten();

  ASSERT_NO_FATAL_FAILURE(PlugAndStart());
  ASSERT_NO_FATAL_FAILURE(RecordBlocks(8));
  Form().Image3->Click();
  CtrlR();
  EXPECT_EQ(window->windowTitle(), "簡易オシロソフト");
  window.reset();  // closing waits for the file to be written and closed

  const TRecordedTable table = Csv(ReadAll(answer));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  ASSERT_GE(table.Blocks(), 24u);
  // One ramp within each plug, across the stop and start too; only an answer that was on
  // its way when the cable went may be missing.
  const std::vector<uint16_t> raws = table.Raws();
  for (size_t row = 1; row < raws.size(); ++row) {
    if (row == rowsOfThePlug) continue;
    ASSERT_EQ(raws[row], (raws[row - 1] + 1) % kRampLength) << "row " << row;
  }
  EXPECT_EQ(boxes.size(), 1u);
}
