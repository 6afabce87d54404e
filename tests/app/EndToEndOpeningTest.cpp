// A recording made from the window against the virtual board on an emulated node (umockdev),
// opened again in the same window: the run read from the file holds the samples of the run
// kept in memory, and nothing measured is lost by opening it.
// umockdev's glib headers first: Qt's "signals" keyword is a name in them.
#include "EmulatedBoard.h"
// Qt after them.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include "AnsweredDialogs.h"
#include "app/Form1Window.h"
#include "app/RunOpening.h"
#include "framework/FileOpening.h"
#include "framework/MessageWait.h"

namespace {

class EmulatedOpening : public ::testing::Test, protected TAnsweredDialogs {
 protected:
  void SetUp() override {
    bed = std::make_unique<THidTestbed>();  // before any of the program's threads
    Install();
    TBoardOptions options;
    options.signal.kind = TSignalKind::File;
    for (int raw = 0; raw < 1023; ++raw) options.signal.rawValues.push_back(raw);
    board = std::make_unique<TEmulatedBoard>(*bed, options);
    window = std::make_unique<TForm1Window>();
    window->show();
    ProcessMessages();
    ASSERT_TRUE(dir.isValid());
  }
  void TearDown() override {
    window.reset();
    board.reset();
    SetOpenDialogHook({});
    Remove();
    bed.reset();
  }

  TForm1& Form() { return window->Form(); }
  template <typename Condition>
  bool WaitUntil(Condition done, int ms = 10000) {
    for (int waited = 0; waited < ms && !done(); waited += 10) WaitMs(10);
    return done();
  }
  void CtrlKey(Qt::Key key) { QTest::keyClick(window.get(), key, Qt::ControlModifier); }

  std::unique_ptr<THidTestbed> bed;
  std::unique_ptr<TEmulatedBoard> board;
  std::unique_ptr<TForm1Window> window;
  QTemporaryDir dir;
};

}  // namespace

TEST_F(EmulatedOpening, ARecordingMadeHereOpensAgainWithTheSamplesOfTheRunKeptInMemory) {
  answer = dir.filePath("ramp.csv");
  CtrlKey(Qt::Key_R);
  ASSERT_TRUE(Form().Recording->Active());
  board->Plug();
  ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; })) << "no board";
  Form().Image2->Click();
  ASSERT_TRUE(Form().Timer1->Enabled());
  ASSERT_TRUE(WaitUntil([&] { return Form().Recording->RowsWritten() >= 10 * 32; }));
  Form().Image3->Click();
  CtrlKey(Qt::Key_R);  // the recording ends, its file closed
  ASSERT_TRUE(WaitUntil([&] { return !Form().Recording->Writing(); }));
  ASSERT_EQ(Form().Runs.RunCount(), 1);
  const TRun& measured = Form().Runs.RunAt(0);
  ASSERT_GE(measured.SampleCount(), 10u * 32);

  SetOpenDialogHook([&](const TOpenDialogRequest&) { return answer; });
  CtrlKey(Qt::Key_O);
  ASSERT_TRUE(WaitUntil([&] { return Form().Runs.RunCount() == 2 || !boxes.empty(); }));
  ASSERT_TRUE(boxes.empty()) << boxes[0].toStdString();
  ASSERT_EQ(Form().Runs.RunCount(), 2);
  EXPECT_EQ(&Form().Runs.RunAt(0), &measured);
  const TRun& opened = Form().Runs.RunAt(1);
  EXPECT_EQ(opened.FileName(), "ramp.csv");
  // The recording takes every block the run does; an answer that came after the stop may
  // have reached the file alone.
  ASSERT_GE(opened.SampleCount(), measured.SampleCount());
  EXPECT_LE(opened.SampleCount(), measured.SampleCount() + 32);
  for (uint64_t p = 0; p < measured.SampleCount(); ++p)
    ASSERT_EQ(opened.SampleAt(p), measured.SampleAt(p)) << "sample " << p;
  EXPECT_EQ(opened.Gaps(), measured.Gaps());
  // Block times to the millisecond, counted from the recording's start: in step with the run's.
  for (size_t b = 1; b < measured.BlockCount(); ++b)
    EXPECT_NEAR(opened.BlockAt(b).TimeMs - opened.BlockAt(0).TimeMs,
                measured.BlockAt(b).TimeMs - measured.BlockAt(0).TimeMs, 20)
        << "block " << b;
}
