// Recording from the window over the fake board, onto a disk in memory: every block the board
// sends, in order, in the recorder's table; the caption and the menu while it runs; a disk
// that stalls, one that fills up, a folder that can't be written, and the window closing.
#include <QRegularExpression>
#include <atomic>
#include <chrono>
#include <thread>

#include "../framework/MemoryDisk.h"
#include "Form1Fixture.h"
#include "RecordedTable.h"
#include "framework/FileSaving.h"
#include "protocol/SampleTable.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kCsvHeader = "block,sample,time_s,raw,volts\r\n";

std::vector<uint16_t> Block(uint16_t first) {
  std::vector<uint16_t> samples;
  for (int k = 0; k < 32; ++k) samples.push_back(static_cast<uint16_t>(first + k));
  return samples;
}

class Recording : public Form1Test {
 protected:
  void SetUp() override {
    Form1Test::SetUp();
    SetSaveDialogHook([this](const TSaveDialogRequest& request) {
      requests.push_back(request);
      return answer;
    });
  }
  void TearDown() override {
    released = true;
    Form1Test::TearDown();  // every file is written and closed when the window has gone
    SetSaveDialogHook({});
  }

  // Ctrl+R, as the menu takes it.
  void CtrlR() {
    form->PopupMenu1Popup(nullptr);
    form->RecordItem->Click();
  }
  template <typename Condition>
  bool WaitUntil(Condition done, int ms = 5000) {
    for (int waited = 0; waited < ms && !done(); waited += 10) WaitMs(10);
    return done();
  }
  bool WaitUntilClosed(const QString& path, int ms = 5000) {
    return WaitUntil([&] { return disk.Exists(path) && !disk.Open(path); }, ms);
  }
  // The board's next answer: the next 32 counts of a ramp, kept as sent.
  TReport NextBlock() {
    const std::vector<uint16_t> samples = Block(next);
    sent.insert(sent.end(), samples.begin(), samples.end());
    next = static_cast<uint16_t>((next + 32) % 1024);
    return SampleBlock(samples);
  }
  void Tick(std::vector<TReport> answer) {
    Board()->SetAnswer(std::move(answer));
    form->Timer1Timer(nullptr);
  }

  TMemoryDisk disk;
  TMemoryDiskInPlace diskInPlace{disk};
  // What the disk's writes look at: the writer may write until the window has gone.
  std::atomic<bool> released{false};
  std::atomic<int> writes{0};
  std::atomic<Clock::rep> stallBegan{0};
  std::vector<TSaveDialogRequest> requests;
  QString answer;
  std::vector<uint16_t> sent;
  uint16_t next = 0;
};

}  // namespace

TEST_F(Recording, EveryBlockTheBoardSendsIsInTheFileInOrderAndAPauseShowsInTheTime) {
  Plug(FakeBoard());
  answer = "rec/ramp.csv";
  CtrlR();
  ASSERT_TRUE(form->Recording->Active());
  Board()->SetAnswer({NextBlock()});
  StartMeasuring();  // the start command's answer, which no tick shows
  for (int tick = 0; tick < 3; ++tick) Tick({NextBlock()});
  // Two answers in one wait: the screen decodes the first, the file keeps both.
  Tick({NextBlock(), NextBlock()});
  EXPECT_EQ(form->Memo1->Lines.Count(), 128);
  // An answer after the wait, which the next tick throws away unread.
  Tick({});
  Board()->SendInputReport(NextBlock());
  ASSERT_TRUE(WaitUntil([&] { return form->Memo1->Lines.Count() == 64; }));
  const size_t blocksBeforeThePause = sent.size() / 32;

  // The menu counts the rows in the file, which reach the disk within a second.
  ASSERT_TRUE(WaitUntil([&] { return form->Recording->RowsWritten() == sent.size(); }));
  ASSERT_TRUE(WaitUntil(
      [&] { return disk.Flushed("rec/ramp.csv") == disk.Contents("rec/ramp.csv").size(); }));
  form->PopupMenu1Popup(nullptr);
  EXPECT_EQ(form->RowsWrittenItem->Caption, QString("Rows written: %1").arg(sent.size()));

  // Stopped for a while and started again: the same file goes on.
  form->Image3Click(nullptr);
  WaitMs(300);
  Board()->SetAnswer({NextBlock()});
  StartMeasuring();
  Tick({NextBlock()});
  CtrlR();
  ASSERT_TRUE(WaitUntilClosed("rec/ramp.csv"));

  const TRecordedTable table = Csv(disk.Contents("rec/ramp.csv"));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_EQ(table.Raws(), sent);
  // Milliseconds are whole in the file: a wait of 300 may show as a little less.
  EXPECT_GE(table.BlockSeconds(blocksBeforeThePause) - table.BlockSeconds(blocksBeforeThePause - 1),
            0.29);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(Recording, TheDialogProposesACsvFileAndATsvNameGivesTabsAndLineFeeds) {
  // Cancelled: nothing begins.
  CtrlR();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].caption, "Record");
  EXPECT_EQ(requests[0].filter, "CSV file (*.csv);;TSV file (*.tsv)");
  EXPECT_EQ(requests[0].defaultSuffix, "csv");
  EXPECT_TRUE(QRegularExpression("^simplescope-\\d{8}-\\d{6}\\.csv$")
                  .match(requests[0].proposedName)
                  .hasMatch())
      << requests[0].proposedName.toStdString();
  EXPECT_FALSE(form->Recording->Active());
  EXPECT_EQ(form->Caption(), "簡易オシロソフト");

  Plug(FakeBoard());
  answer = "rec/run.TSV";
  CtrlR();
  EXPECT_EQ(form->Caption(), "簡易オシロソフト — 記録中: run.TSV");
  Board()->SetAnswer({NextBlock()});
  StartMeasuring();
  Tick({NextBlock()});
  CtrlR();  // ends it, without a dialog
  EXPECT_EQ(requests.size(), 2u);
  EXPECT_EQ(form->Caption(), "簡易オシロソフト");
  ASSERT_TRUE(WaitUntilClosed("rec/run.TSV"));
  const std::string text = disk.Contents("rec/run.TSV");
  EXPECT_EQ(text.find('\r'), std::string::npos);
  const TRecordedTable table = TRecordedTable::Parse(text, '\t', "\n");
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_EQ(table.Raws(), sent);

  // The TSV kind chosen, and a name typed with a dot of its own: a TSV all the same.
  SetSaveDialogHook([this](TSaveDialogRequest& request) {
    request.chosenFilter = "TSV file (*.tsv)";
    return answer;
  });
  answer = "rec/実験 2.5V";
  CtrlR();
  EXPECT_EQ(form->Caption(), "簡易オシロソフト — 記録中: 実験 2.5V.tsv");
  sent.clear();
  Tick({NextBlock()});
  CtrlR();
  ASSERT_TRUE(WaitUntilClosed("rec/実験 2.5V.tsv"));
  const TRecordedTable typed =
      TRecordedTable::Parse(disk.Contents("rec/実験 2.5V.tsv"), '\t', "\n");
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(typed));
  EXPECT_EQ(typed.Raws(), sent);
}

TEST_F(Recording, ADiskThatStallsTwoSecondsDelaysNoTickAndLosesNoBlock) {
  // The first block's write (after the header's) takes two seconds.
  disk.beforeWrite = [this] {
    if (writes++ != 1) return;
    stallBegan = Clock::now().time_since_epoch().count();
    std::this_thread::sleep_for(2s);
  };
  Plug(FakeBoard({SampleBlock(Block(600))}));
  answer = "rec/stall.csv";
  CtrlR();
  form->Image2Click(nullptr);  // the timer ticks every 100 ms from now on
  ASSERT_TRUE(WaitUntil([&] { return stallBegan != 0; }));
  WaitMs(2500);
  form->Image3Click(nullptr);
  WaitMs(200);  // the last answer comes in
  CtrlR();
  ASSERT_TRUE(WaitUntilClosed("rec/stall.csv", 10000));

  const Clock::time_point stalled{Clock::duration(stallBegan.load())};
  const std::vector<Clock::time_point>& commands = Board()->writeTimes;
  int duringTheStall = 0;
  Clock::duration longestGap{};
  for (size_t i = 0; i < commands.size(); ++i) {
    if (commands[i] >= stalled && commands[i] < stalled + 2s) ++duringTheStall;
    if (i > 0) longestGap = std::max(longestGap, commands[i] - commands[i - 1]);
  }
  // Twenty at the timer's pace; a main thread that waited on the disk would send one.
  EXPECT_GE(duringTheStall, 5);
  EXPECT_LT(longestGap, 1s);
  const TRecordedTable table = Csv(disk.Contents("rec/stall.csv"));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_EQ(table.Blocks(), commands.size());  // every command's answer
  EXPECT_TRUE(boxes.empty());
}

TEST_F(Recording, AFullDiskEndsItWithTheBoxAndTheFileEndsOnItsLastWholeBlock) {
  const BoardProtocol::TSampleBlock samples =
      BoardProtocol::DecodeBlock(SampleBlock(Block(600)).data() + 1);
  const size_t blockSize = TSampleTable(TSampleTable::TFormat::Csv).BlockRows(0, 0, samples).size();
  disk.capacity = kCsvHeader.size() + 3 * blockSize + blockSize / 2;
  disk.largestWrite = 100;
  Plug(FakeBoard({SampleBlock(Block(600))}));
  answer = "rec/full.csv";
  CtrlR();
  StartMeasuring();
  for (int tick = 0; tick < 3; ++tick) form->Timer1Timer(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "記録できなくなりました。ファイルに書き込めません。\nrec/full.csv\n"
            "(No space left on device)\nそれまでの 96 行はファイルに残っています。");
  EXPECT_EQ(boxes[0].during, kMeasuring);  // measuring goes on
  EXPECT_FALSE(form->Recording->Active());
  EXPECT_EQ(form->Caption(), "簡易オシロソフト");
  ASSERT_TRUE(WaitUntilClosed("rec/full.csv"));
  const TRecordedTable table = Csv(disk.Contents("rec/full.csv"));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_EQ(table.Blocks(), 3u);
  form->Timer1Timer(nullptr);
  EXPECT_EQ(Csv(disk.Contents("rec/full.csv")).Blocks(), 3u);
}

TEST_F(Recording, AFolderThatCantBeWrittenOrAFileInUseSaysWhichAndNothingBegins) {
  disk.missingFolders = {"gone"};
  answer = "gone/run.csv";
  CtrlR();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "記録を始められませんでした。保存先のフォルダーに書き込めません。\ngone/run.csv\n"
            "(No such file or directory)");
  EXPECT_FALSE(form->Recording->Active());
  EXPECT_EQ(form->Caption(), "簡易オシロソフト");
  EXPECT_FALSE(disk.Exists("gone/run.csv"));

  // A file a spreadsheet holds open (Windows) is no folder that can't be written.
  disk.filesInUse = {"rec/open.csv"};
  answer = "rec/open.csv";
  CtrlR();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text,
            "記録を始められませんでした。ファイルが他のプログラムで開かれています。"
            "そのプログラムでファイルを閉じてから、もう一度試してください。\nrec/open.csv\n"
            "(The file is being used by another process)");
  EXPECT_FALSE(form->Recording->Active());
}

TEST_F(Recording, AnEndedRecordingStillWritingKeepsItsFileAndAnotherBeginsAtOnce) {
  disk.beforeWrite = [this] {
    while (!released) std::this_thread::sleep_for(1ms);
  };
  answer = "rec/first.csv";
  CtrlR();
  CtrlR();  // ended, while its writer waits for the disk
  EXPECT_FALSE(form->Recording->Active());
  answer = "rec/FIRST.csv";
  CtrlR();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "記録を始められませんでした。前の記録がまだこのファイルに書き込んでいます。"
            "少し待ってからもう一度試してください。\nrec/FIRST.csv");
  EXPECT_FALSE(form->Recording->Active());
  answer = "rec/second.csv";
  CtrlR();
  EXPECT_TRUE(form->Recording->Active());
  CtrlR();
  EXPECT_TRUE(form->Recording->Writing());
  released = true;
  ASSERT_TRUE(WaitUntil([&] { return !form->Recording->Writing(); }));
  EXPECT_FALSE(disk.Open("rec/first.csv"));
  answer = "rec/first.csv";
  CtrlR();  // its writer is done: the file may be recorded again
  EXPECT_TRUE(form->Recording->Active());
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Recording, ClosingTheWindowEndsItWithEveryBlockWritten) {
  disk.beforeWrite = [] { std::this_thread::sleep_for(100ms); };  // a slow network folder
  Plug(FakeBoard());
  answer = "rec/close.csv";
  CtrlR();
  Board()->SetAnswer({NextBlock()});
  StartMeasuring();
  for (int tick = 0; tick < 4; ++tick) Tick({NextBlock()});
  form.reset();
  EXPECT_FALSE(disk.Open("rec/close.csv"));
  const TRecordedTable table = Csv(disk.Contents("rec/close.csv"));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_EQ(table.Raws(), sent);
}

TEST_F(Recording, AFailureAtAFlushOrAtTheCloseCountsOnlyTheRowsAFlushBroughtToTheDisk) {
  Plug(FakeBoard());
  answer = "rec/flush.csv";
  CtrlR();
  Board()->SetAnswer({NextBlock()});
  StartMeasuring();
  Tick({NextBlock()});
  Tick({NextBlock()});
  ASSERT_TRUE(WaitUntil([&] {
    return form->Recording->RowsWritten() == 96 &&
           disk.Flushed("rec/flush.csv") == disk.Contents("rec/flush.csv").size();
  }));
  // The file server takes two more blocks, then can't bring them to its disk.
  disk.flushError = TMemoryDisk::kFlushFailed;
  Tick({NextBlock()});
  Tick({NextBlock()});
  ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
  EXPECT_EQ(boxes[0].text,
            "記録できなくなりました。ファイルに書き込めません。\nrec/flush.csv\n(error 5)\n"
            "それまでの 96 行はファイルに残っています。");
  EXPECT_EQ(Csv(disk.Contents("rec/flush.csv")).Blocks(), 5u);  // in the stream, not all kept

  // Flushed whole before it closes, a file whose close fails kept every row.
  disk.flushError = 0;
  disk.closeError = TMemoryDisk::kFlushFailed;
  answer = "rec/close.csv";
  CtrlR();
  Tick({NextBlock()});
  CtrlR();
  ASSERT_TRUE(WaitUntil([&] { return boxes.size() == 2; }));
  EXPECT_EQ(boxes[1].text,
            "記録できなくなりました。ファイルに書き込めません。\nrec/close.csv\n(error 5)\n"
            "それまでの 32 行はファイルに残っています。");
}

TEST_F(Recording, ClosingOnADiskThatNoLongerAnswersSaysSoAfterASecondThenGivesUpAndNamesTheRows) {
  std::atomic<bool> stalling{false};
  disk.beforeWrite = [&] {
    while (stalling && !released) std::this_thread::sleep_for(1ms);
  };
  std::vector<std::pair<QString, Clock::time_point>> notices;
  SetNoticeHook([&](const QString& text) { notices.push_back({text, Clock::now()}); });
  Plug(FakeBoard());
  answer = "rec/stalled.csv";
  CtrlR();
  Board()->SetAnswer({NextBlock()});
  StartMeasuring();
  Tick({NextBlock()});
  ASSERT_TRUE(WaitUntil([&] {
    return form->Recording->RowsWritten() == 64 &&
           disk.Flushed("rec/stalled.csv") == disk.Contents("rec/stalled.csv").size();
  }));
  // The network folder stops answering: blocks 2 and 3 never get there.
  stalling = true;
  Tick({NextBlock()});
  Tick({NextBlock()});
  form->ClosingBound = 2500ms;
  const Clock::time_point closing = Clock::now();
  EXPECT_TRUE(form->FormCloseQuery(nullptr));
  const Clock::duration took = Clock::now() - closing;
  EXPECT_GE(took, 2490ms);  // by the millisecond counter
  EXPECT_LT(took, 3500ms);
  ASSERT_EQ(notices.size(), 2u);  // shown, then gone before the box
  EXPECT_EQ(notices[0].first, "記録の最後の行を書き込んでいます…\nrec/stalled.csv");
  EXPECT_GE(notices[0].second - closing, 999ms);  // by the millisecond counter too
  EXPECT_LT(notices[0].second - closing, 1500ms);
  EXPECT_EQ(notices[1].first, "");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "記録を最後まで書き込めませんでした。保存先が応答しません。\nrec/stalled.csv\n"
            "ブロック 2〜3 の 64 行は書き込めませんでした。\n"
            "それまでの 64 行はファイルに残っています。");
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_FALSE(form->Recording->Writing());
  // Nothing waits for the writer any more: the window goes at once.
  const Clock::time_point destroying = Clock::now();
  form.reset();
  EXPECT_LT(Clock::now() - destroying, 1s);
  SetNoticeHook({});
  // The folder answers again after all: the given-up writer ends, and says nothing.
  released = true;
  ASSERT_TRUE(WaitUntil([&] { return !disk.Open("rec/stalled.csv"); }));
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Recording, ClosingWithADiskThatAnswersWritesEveryRowAndSaysNothing) {
  disk.beforeWrite = [] { std::this_thread::sleep_for(50ms); };  // slow, but there
  int notices = 0;
  SetNoticeHook([&](const QString&) { ++notices; });
  Plug(FakeBoard());
  answer = "rec/slow.csv";
  CtrlR();
  Board()->SetAnswer({NextBlock()});
  StartMeasuring();
  for (int tick = 0; tick < 3; ++tick) Tick({NextBlock()});
  EXPECT_TRUE(form->FormCloseQuery(nullptr));
  SetNoticeHook({});
  EXPECT_EQ(notices, 0);
  EXPECT_FALSE(disk.Open("rec/slow.csv"));
  EXPECT_EQ(Csv(disk.Contents("rec/slow.csv")).Raws(), sent);
  EXPECT_TRUE(boxes.empty());
}
