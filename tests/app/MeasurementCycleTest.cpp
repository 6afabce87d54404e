#include <QTimer>
#include <cmath>

#include "Form1Fixture.h"
#include "framework/Exceptions.h"
#include "framework/Format.h"

namespace {

std::vector<uint16_t> Block(uint16_t first, uint16_t step = 0) {
  std::vector<uint16_t> samples;
  for (int k = 0; k < 32; ++k) samples.push_back(static_cast<uint16_t>(first + k * step));
  return samples;
}

// A series whose appends fail, as a chart error inside the tick would.
class TFailingSeries : public TRecordingSeries {
 public:
  int AppendPoint(double, double, const QString&, TColor) override {
    throw Exception("chart error");
  }
};

}  // namespace

using MeasurementCycle = Form1Test;

TEST_F(MeasurementCycle, TurnsRawSamplesIntoHistoryTextsNewestFirst) {
  const std::vector<std::pair<uint16_t, const char*>> table = {
      {0, "-5.0"},  {1, "-5.0"},  {256, "-2.5"}, {384, "-1.3"},     {511, "0.0"},
      {512, "0.0"}, {640, "1.3"}, {1023, "5.0"}, {0xFFFF, "635.0"},
  };
  std::vector<uint16_t> samples = Block(512);
  for (size_t k = 0; k < table.size(); ++k) samples[k] = table[k].first;
  Plug(FakeBoard({SampleBlock(samples)}));

  StartMeasuring();
  form->Timer1Timer(nullptr);

  const auto history = History();
  ASSERT_EQ(history.size(), 32u);
  for (size_t k = 0; k < table.size(); ++k) {
    EXPECT_EQ(history[31 - k], table[k].second) << "raw " << table[k].first;
    EXPECT_DOUBLE_EQ(series.YValueAt(int(31 - k)), StrToFloat(table[k].second));
  }
  ASSERT_EQ(series.PointCount(), 32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(series.XValueAt(i), i);
  EXPECT_EQ(series.lastLabel, "");
  EXPECT_EQ(series.lastColor, DefaultPointColor);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MeasurementCycle, HistoryKeepsTheNewest200) {
  // Sample n of the run has raw 11 n, so every history text is different.
  TFakeInterface board = FakeBoard();
  Plug(board);
  StartMeasuring();
  for (int tick = 0; tick < 7; ++tick) {
    Board()->SetAnswer({SampleBlock(Block(static_cast<uint16_t>(11 * 32 * tick), 11))});
    form->Timer1Timer(nullptr);
  }
  const auto history = History();
  ASSERT_EQ(history.size(), 200u);
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(history[i], FormatFixed1((11 * (223 - i) - 512) / 102.4)) << i;
  EXPECT_EQ(series.PointCount(), 200);
}

TEST_F(MeasurementCycle, ShortAnswerDecodesOnlyCompletePairs) {
  TReport answer = SampleBlock(Block(600));
  answer.pop_back();  // 63 data bytes: sample 31 lacks its high byte
  Plug(FakeBoard({answer}));
  StartMeasuring();
  form->Timer1Timer(nullptr);
  EXPECT_EQ(History().size(), 31u);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MeasurementCycle, SilentBoardAddsNothingButRedraws) {
  Plug(FakeBoard({SampleBlock(Block(700))}));
  StartMeasuring();
  form->Timer1Timer(nullptr);
  Board()->SetAnswer({});
  const int removals = series.removals;
  form->Timer1Timer(nullptr);
  EXPECT_EQ(History().size(), 32u);
  EXPECT_EQ(series.removals, removals + 1);
  EXPECT_EQ(series.PointCount(), 32);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Now(), kMeasuring);
}

TEST_F(MeasurementCycle, LateAnswerIsNeverDecoded) {
  Plug(FakeBoard());
  StartMeasuring();
  form->Timer1Timer(nullptr);
  // The answer to that tick turns up after its wait...
  Board()->SendInputReport(SampleBlock(Block(900)));
  WaitMs(20);
  EXPECT_EQ(form->Memo1->Lines.Count(), 64);
  // ...and the next tick empties the log before it sends.
  form->Timer1Timer(nullptr);
  EXPECT_TRUE(History().empty());
  EXPECT_EQ(form->Memo1->Lines.Count(), 0);
}

TEST_F(MeasurementCycle, FailedWriteStillWaitsAndSaysNothing) {
  TFakeInterface board = FakeBoard({SampleBlock(Block(700))});
  board.writeFails = true;
  Plug(board);
  StartMeasuring();
  const auto begin = std::chrono::steady_clock::now();
  form->Timer1Timer(nullptr);
  // The wait counts whole milliseconds of the tick counter: up to one less in real time.
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(49));
  EXPECT_TRUE(History().empty());
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Now(), kMeasuring);
}

TEST_F(MeasurementCycle, StartWithoutBoardShowsC1AndStaysIdle) {
  form->Image2Click(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, TBoxKind::Warning);
  EXPECT_EQ(boxes[0].text, "(C1)実験ボードと接続が確認出来ません。");
  EXPECT_EQ(boxes[0].during, kIdle);
  EXPECT_EQ(Now(), kIdle);
}

// What stands in the way decides what the box advises: the node's permissions (Linux),
// another program that holds the board for itself, or the machine's policy (Windows).
TEST_F(MeasurementCycle, BoardWithoutAccessShowsC3WithAdviceByCauseAndStaysIdle) {
  const QString found = QStringLiteral("(C3)実験ボードが見つかりましたが、アクセスできません。");
  const std::pair<THidAccessRemedy, QString> cases[] = {
      {THidAccessRemedy::CheckPermissions,
       QStringLiteral("アクセス権(udev ルール)を確認して、ボードを接続し直してください。")},
      {THidAccessRemedy::CloseOtherPrograms,
       QStringLiteral(
           "ボードを使っている他のプログラムを終了して、ボードを接続し直してください。")},
      {THidAccessRemedy::AskAdministrator,
       QStringLiteral("このパソコンの設定で、ボードの使用が許可されていません。"
                      "管理者に相談してください。")},
  };
  for (const auto& [remedy, advice] : cases) {
    boxes.clear();
    TFakeInterface board = FakeBoard();
    board.readWrite = false;
    board.accessRemedy = remedy;
    const int instance = Plug(board);
    form->Image2Click(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, found + advice);
    EXPECT_EQ(Now(), kIdle);
    EXPECT_TRUE(Board()->written.empty());
    Unplug(instance);
  }
}

TEST_F(MeasurementCycle, StartEntersMeasuringAfterSendingOneCommand) {
  Plug(FakeBoard());
  form->SampleHistory->Add("1.0");
  form->Image2Click(nullptr);
  EXPECT_EQ(Now(), kMeasuring);
  EXPECT_EQ(form->Timer1->Interval(), 100u);
  EXPECT_TRUE(History().empty());
  ASSERT_EQ(Board()->written.size(), 1u);
  ASSERT_EQ(form->CommandList->Count(), 1);
  EXPECT_EQ(form->CommandList->Strings(0), "3");
  // A stop returns to idle and keeps the history; a second stop changes nothing.
  form->Image3Click(nullptr);
  EXPECT_EQ(Now(), kIdle);
  form->Image3Click(nullptr);
  EXPECT_EQ(Now(), kIdle);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MeasurementCycle, BoardGoneAtATickReturnsToIdleBeforeC2) {
  const int board = Plug(FakeBoard());
  StartMeasuring();
  Unplug(board);
  ASSERT_EQ(form->BoardDevice, nullptr);
  form->Timer1Timer(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "(C2)実験ボードと接続が確認出来ません。");
  EXPECT_EQ(boxes[0].during, kIdle);
  EXPECT_EQ(Now(), kIdle);
}

TEST_F(MeasurementCycle, ErrorInsideATickShowsTheLastBytesThenIdles) {
  TFailingSeries failing;
  form->Series2 = &failing;
  std::vector<uint16_t> samples = Block(512);
  samples[31] = 0x02FF;
  Plug(FakeBoard({SampleBlock(samples)}));
  StartMeasuring();
  form->Timer1Timer(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, TBoxKind::Warning);
  EXPECT_EQ(boxes[0].text, "実験ボードが切断されました。02,FF");
  // The timer is off while the box is up; the rest follows once it is closed.
  EXPECT_EQ(boxes[0].during, (State{false, false, false}));
  EXPECT_EQ(Now(), kIdle);
  EXPECT_EQ(History().size(), 32u);  // kept as it was when the error struck
  form->Series2 = &series;
}

TEST_F(MeasurementCycle, ErrorBeforeAnySampleEndsTheMessageWithTheComma) {
  TFailingSeries failing;
  form->Series2 = &failing;
  Plug(FakeBoard());
  StartMeasuring();
  form->SampleHistory->Add("1.0");
  form->Timer1Timer(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  // Sample 31's lines were read last; both were empty.
  EXPECT_EQ(boxes[0].text, "実験ボードが切断されました。,");
  form->Series2 = &series;
}

TEST_F(MeasurementCycle, SineWaveLeavesStateAndHistoryAlone) {
  Plug(FakeBoard({SampleBlock(Block(512))}));
  StartMeasuring();
  form->Timer1Timer(nullptr);
  form->Button3Click(nullptr);
  ASSERT_EQ(series.PointCount(), 200);
  EXPECT_NEAR(series.YValueAt(1), 0.4176, 1e-12);
  EXPECT_NEAR(series.YValueAt(9), 2.4, 1e-12);
  EXPECT_NEAR(series.YValueAt(18), 0.0, 1e-12);
  EXPECT_NEAR(series.YValueAt(27), -2.4, 1e-12);
  EXPECT_EQ(series.XValueAt(199), 199);
  EXPECT_EQ(History().size(), 32u);
  EXPECT_EQ(Now(), kMeasuring);
  // The next tick replaces the sine with measured data.
  form->Timer1Timer(nullptr);
  EXPECT_EQ(series.PointCount(), 64);
}

TEST_F(MeasurementCycle, CommandReportFillsEveryByteAfterTheId) {
  for (uint16_t length : {9, 65, 2, 1, 0}) {
    TFakeInterface board = FakeBoard();
    board.outputReportByteLength = length;
    const int instance = Plug(board);
    form->Image2Click(nullptr);
    ASSERT_EQ(Board()->written.size(), 1u) << length;
    TReport expected(length, 3);
    if (length > 0) expected[0] = 0;
    EXPECT_EQ(Board()->written[0], expected) << length;
    form->Image3Click(nullptr);
    Unplug(instance);
  }
}

TEST_F(MeasurementCycle, ReportLongerThanTheBufferIsNotSent) {
  for (uint16_t length : {66, 0xFFFF}) {
    TFakeInterface board = FakeBoard();
    board.outputReportByteLength = length;
    const int instance = Plug(board);
    form->Image2Click(nullptr);
    EXPECT_TRUE(Board()->written.empty()) << length;
    EXPECT_EQ(Now(), kMeasuring);
    form->Image3Click(nullptr);
    Unplug(instance);
  }
}

TEST_F(MeasurementCycle, TheTimerDrivesTicksUntilStop) {
  Plug(FakeBoard({SampleBlock(Block(700))}));
  form->Image2->Click();
  WaitMs(360);
  form->Image3->Click();
  const size_t samples = History().size();
  EXPECT_GE(samples, 64u);
  EXPECT_EQ(samples % 32, 0u);
  WaitMs(150);
  EXPECT_EQ(History().size(), samples);
  // Started again, the disabled start picture ignores further clicks.
  form->Image2->Click();
  EXPECT_EQ(Now(), kMeasuring);
  const size_t writes = Board()->written.size();
  form->Image2->Click();
  EXPECT_EQ(Board()->written.size(), writes);
  form->Image3->Click();
}

TEST(HexToInt, ReadsHexDigitsOnly) {
  EXPECT_EQ(TForm1::HexToInt("02FF"), 0x02FF);
  EXPECT_EQ(TForm1::HexToInt("ffff"), 0xFFFF);
  EXPECT_EQ(TForm1::HexToInt("FFFFFFFF"), -1);
  EXPECT_EQ(TForm1::HexToInt("000000000001"), 1);
  for (const char* bad : {"", "0x1", "12 3", "G0", "-1", "123456789"}) {
    try {
      TForm1::HexToInt(bad);
      ADD_FAILURE() << bad;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "変換できません");
    }
  }
}

TEST(StripSpaces, RemovesBlanksOnly) {
  EXPECT_EQ(TForm1::StripSpaces(" 0A \t"), "0A\t");
  EXPECT_EQ(TForm1::StripSpaces(""), "");
}
