#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "BoardOptions.h"
#include "BoardSignal.h"
#include "ProcessCounters.h"
#include "app/Form1Window.h"
#include "framework/Dialogs.h"
#include "framework/Format.h"
#include "framework/MessageWait.h"

// A virtual board the end-to-end tests plug in and pull out: through /dev/uhid on a real
// kernel, or on an emulated node.
class TBoardPlug {
 public:
  virtual ~TBoardPlug() = default;
  virtual void Plug() = 0;
  virtual void Unplug() = 0;
};

// The whole program, window and all, against a virtual board: the window is the real
// one (offscreen), its controller the real one on the machine's HID devices.
class EndToEnd : public ::testing::Test {
 public:
  // Noise, so that every sample block is told apart from every other.
  static std::vector<const char*> BoardArguments() {
    return {"--signal=noise", "--amplitude=4", "--seed=7"};
  }
  static TBoardOptions BoardOptions() {
    const std::vector<const char*> arguments = BoardArguments();
    return *ParseBoardCommandLine(static_cast<int>(arguments.size()), arguments.data()).options;
  }

 protected:
  void SetUp() override {
    SetMessageBoxHook([this](TBoxKind, const QString& text) { boxes.push_back(text); });
    window = std::make_unique<TForm1Window>();
    window->show();
    ProcessMessages();
  }
  void TearDown() override {
    window.reset();
    SetMessageBoxHook({});
  }

  TForm1& Form() { return window->Form(); }
  bool Idle() {
    return !Form().Timer1->Enabled() && Form().Image2->Enabled() && Form().Panel1->Visible();
  }
  bool Measuring() {
    return Form().Timer1->Enabled() && !Form().Image2->Enabled() && !Form().Panel1->Visible();
  }
  bool BoardListed() { return Form().BoardDevice && Form().DevListBox->Items.Count() == 1; }

  template <typename Condition>
  bool WaitUntil(Condition done, int ms = 5000) {
    for (int waited = 0; waited < ms && !done(); waited += 10) WaitMs(10);
    return done();
  }

  std::vector<double> Trace() {
    std::vector<double> values;
    for (int i = 0; i < Form().Series2->PointCount(); ++i)
      values.push_back(Form().Series2->YValueAt(i));
    return values;
  }

  // The trace, newest at x 0, is made of the board's sample blocks as the program shows
  // them (in 0.1 V steps, halves away from zero), each block in order and every block
  // older than the one before it.
  void ExpectTraceHoldsBoardValues(const std::vector<double>& trace) {
    constexpr int kBlocks = 4096;
    constexpr int kBlock = 32;
    TBoardSignal signal(BoardOptions().signal);
    std::vector<double> expected;
    for (int i = 0; i < kBlocks * kBlock; ++i) {
      const double volts =
          (signal.NextSample() - TBoardSignal::kZeroVoltCount) / TBoardSignal::kCountsPerVolt;
      expected.push_back(StrToFloat(FormatFixed1(volts)));
    }
    int newerBlock = kBlocks;
    for (size_t start = 0; start < trace.size(); start += kBlock) {
      const size_t length = std::min<size_t>(kBlock, trace.size() - start);
      // trace[start] is the newest sample of its block.
      int found = -1;
      for (int block = newerBlock - 1; block >= 0 && found < 0; --block) {
        bool same = true;
        for (size_t k = 0; k < length && same; ++k)
          same = trace[start + k] == expected[block * kBlock + kBlock - 1 - k];
        if (same) found = block;
      }
      ASSERT_GE(found, 0) << "the trace's samples " << start << ".." << start + length - 1
                          << " are no block the board sent before the newer ones";
      newerBlock = found;
    }
  }

  static int OpenFiles() { return ProcessCounters::OpenFiles(); }
  static int Threads() { return ProcessCounters::Threads(); }
  static long ResidentKilobytes() { return ProcessCounters::ResidentKilobytes(); }

  // Measures for about two seconds, pulls the board out while measuring and puts it back.
  void MeasureUnplugAndReplug(TBoardPlug& board) {
    board.Plug();
    ASSERT_TRUE(WaitUntil([&] { return BoardListed(); })) << "the board was not found";
    Form().Image2->Click();
    ASSERT_TRUE(Measuring());
    WaitMs(2000);
    const std::vector<double> trace = Trace();
    EXPECT_EQ(trace.size(), 200u);
    ExpectTraceHoldsBoardValues(trace);
    EXPECT_TRUE(boxes.empty());

    board.Unplug();
    ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0], "(C2)実験ボードと接続が確認出来ません。");
    EXPECT_TRUE(Idle());
    EXPECT_EQ(Form().BoardDevice, nullptr);

    board.Plug();
    ASSERT_TRUE(WaitUntil([&] { return BoardListed(); }));
    Form().Image2->Click();
    EXPECT_TRUE(Measuring());
    ASSERT_TRUE(WaitUntil([&] { return Form().SampleHistory->Count() >= 64; }));
    ExpectTraceHoldsBoardValues(Trace());
    Form().Image3->Click();
    EXPECT_TRUE(Idle());
    EXPECT_EQ(boxes.size(), 1u);
  }

  std::unique_ptr<TForm1Window> window;
  std::vector<QString> boxes;
};
