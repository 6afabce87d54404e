// The window's logic against boards that misbehave: reports of odd sizes or with an
// unexpected id, answers that come twice, output reports of every length, and handlers
// that run inside a tick's wait.
#include <QTimer>

#include "Form1Fixture.h"
#include "framework/Format.h"

namespace {

// A report of `dataBytes` bytes after the id, sample k (k < 32) = 600 + k.
TReport ReportOfSize(size_t dataBytes, uint8_t reportId = 0) {
  TReport report(dataBytes + 1, 0);
  report[0] = reportId;
  for (size_t i = 0; i < dataBytes; ++i) {
    const size_t k = i / 2;
    const uint16_t sample = static_cast<uint16_t>(600 + (k % 32));
    report[1 + i] = static_cast<uint8_t>(i % 2 ? sample >> 8 : sample & 0xFF);
  }
  return report;
}

}  // namespace

using BadInput = Form1Test;

TEST_F(BadInput, InputReportsOfAnySizeGiveOnlyWholeSamplesOfTheFirst64Bytes) {
  const std::vector<std::pair<size_t, int>> table = {{0, 0},   {1, 0},   {63, 31},
                                                     {64, 32}, {65, 32}, {4096, 32}};
  for (const auto& [bytes, samples] : table) {
    SCOPED_TRACE(std::to_string(bytes) + " bytes");
    const int board = Plug(FakeBoard({ReportOfSize(bytes)}));
    StartMeasuring();
    form->Timer1Timer(nullptr);
    const std::vector<QString> history = History();
    ASSERT_EQ(history.size(), size_t(samples));
    // Newest first: the last whole sample of the report leads.
    if (samples > 0) {
      EXPECT_EQ(history[0], FormatFixed1((600 + samples - 1 - 512) / 102.4));
    }
    EXPECT_EQ(Now(), kMeasuring);
    EXPECT_TRUE(boxes.empty());
    form->Image3Click(nullptr);
    Unplug(board);
  }
}

TEST_F(BadInput, AReportIdTheBoardNeverSendsChangesNothing) {
  Plug(FakeBoard({ReportOfSize(64, 0x42)}));
  StartMeasuring();
  form->Timer1Timer(nullptr);
  EXPECT_EQ(History().size(), 32u);
}

TEST_F(BadInput, TwoAnswersToOneCommandOnlyTheFirstIsDecodedAndNothingLeaksOn) {
  TReport second = SampleBlock(std::vector<uint16_t>(32, 1000));
  Plug(FakeBoard({SampleBlock(std::vector<uint16_t>(32, 512)), second}));
  StartMeasuring();
  form->Timer1Timer(nullptr);
  EXPECT_EQ(form->Memo1->Lines.Count(), 128);
  EXPECT_EQ(History(), std::vector<QString>(32, "0.0"));
  // The next tick starts from an empty log: again only its own first answer counts.
  form->Timer1Timer(nullptr);
  EXPECT_EQ(History(), std::vector<QString>(64, "0.0"));
}

TEST_F(BadInput, OutputReportsOfEveryLengthTheDescriptorMayGive) {
  // Length from the descriptor -> what is written: the id and then the command in every
  // byte; nothing beyond the 65-byte buffer.
  for (const uint16_t length : {0, 1, 2, 9, 65, 66}) {
    SCOPED_TRACE(std::to_string(length) + " bytes");
    TFakeInterface iface = FakeBoard();
    iface.outputReportByteLength = length;
    const int board = Plug(iface);
    StartMeasuring();
    form->Timer1Timer(nullptr);
    const std::vector<TReport>& written = Board()->written;
    if (length > TForm1::kReportBufferSize) {
      EXPECT_TRUE(written.empty());
    } else {
      ASSERT_EQ(written.size(), 2u);  // start, then the tick
      TReport expected(length, 3);
      if (length > 0) expected[0] = 0;
      EXPECT_EQ(written[1], expected);
    }
    EXPECT_EQ(Now(), kMeasuring);
    EXPECT_TRUE(boxes.empty());
    form->Image3Click(nullptr);
    Unplug(board);
  }
}

TEST_F(BadInput, ATickInsideAnotherTicksWaitIsLeftOutAndStopStillStops) {
  Plug(FakeBoard({SampleBlock(std::vector<uint16_t>(32, 614))}));
  StartMeasuring();
  // A tick that comes while one waits (a machine slower than the interval): it would empty
  // the log under the waiting tick and send again, and one answer would be shown twice.
  QTimer::singleShot(5, [&] { form->Timer1Timer(nullptr); });
  form->Timer1Timer(nullptr);
  EXPECT_EQ(Board()->written.size(), 2u);  // start and the one tick
  EXPECT_EQ(History(), std::vector<QString>(32, "1.0"));
  // Ticks come again once it is over.
  form->Timer1Timer(nullptr);
  EXPECT_EQ(History().size(), 64u);
  // Stop inside the wait: the tick still ends, and the window stays stopped.
  QTimer::singleShot(5, [&] { form->Image3Click(nullptr); });
  form->Timer1Timer(nullptr);
  EXPECT_EQ(Now(), kIdle);
  EXPECT_TRUE(boxes.empty());
}
