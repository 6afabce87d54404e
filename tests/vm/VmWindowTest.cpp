// The whole program on a real kernel: runs inside the virtual machine (see run-vm-test.sh)
// with the window offscreen and simplescope-board, the virtual board tool itself, plugged
// in and pulled out as a process of its own.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../app/EndToEnd.h"
#include "HotPlugStorm.h"

namespace {

// simplescope-board as the user runs it; ending it unplugs the board.
class TBoardProcess : public TBoardPlug {
 public:
  explicit TBoardProcess(std::vector<const char*> faults = {}) : faults_(std::move(faults)) {}
  ~TBoardProcess() override { Unplug(); }
  void Plug() override {
    const char* path = std::getenv("SIMPLESCOPE_BOARD");
    ASSERT_NE(path, nullptr) << "SIMPLESCOPE_BOARD names the board tool";
    std::vector<const char*> arguments = {path};
    for (const char* argument : EndToEnd::BoardArguments()) arguments.push_back(argument);
    for (const char* argument : faults_) arguments.push_back(argument);
    arguments.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      execv(path, const_cast<char* const*>(arguments.data()));
      _exit(127);
    }
  }
  void Unplug() override {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the board tool failed";
    pid_ = -1;
  }

 private:
  std::vector<const char*> faults_;
  pid_t pid_ = -1;
};

using RealKernelEndToEnd = EndToEnd;

}  // namespace

TEST_F(RealKernelEndToEnd, MeasuresFollowsAnUnplugAndStartsAgainAfterTheReplug) {
  TBoardProcess board;
  ASSERT_NO_FATAL_FAILURE(MeasureUnplugAndReplug(board));
}

TEST_F(RealKernelEndToEnd, LateShortAndSilentBoardsLeaveTheWindowMeasuringQuietly) {
  // Late: after the 50 ms wait, before the next tick empties the log. Short: less than a
  // report (this kernel drops it). Silent: nothing at all.
  for (const char* fault : {"--delay=70", "--short=10", "--silent"}) {
    SCOPED_TRACE(fault);
    TBoardProcess board({fault});
    board.Plug();
    ASSERT_TRUE(WaitUntil([&] { return BoardListed(); }));
    Form().Image2->Click();
    WaitMs(1000);
    EXPECT_TRUE(Measuring());
    EXPECT_TRUE(boxes.empty());
    EXPECT_LE(Form().SampleHistory->Count(), TForm1::kHistoryLimit);
    if (std::string(fault) == "--silent") {
      EXPECT_EQ(Form().SampleHistory->Count(), 0);
    }
    Form().Image3->Click();
    board.Unplug();
    ASSERT_TRUE(WaitUntil([&] { return Form().DevListBox->Items.Count() == 0; }));
  }
}

TEST_F(RealKernelEndToEnd, ABoardThatUnplugsItselfOnAScheduleIsFollowed) {
  TBoardProcess board({"--unplug-every=1.5", "--unplugged-for=0.5"});
  board.Plug();
  ASSERT_TRUE(WaitUntil([&] { return BoardListed(); }));
  Form().Image2->Click();
  ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }, 4000));
  EXPECT_EQ(boxes[0], "(C2)実験ボードと接続が確認出来ません。");
  EXPECT_TRUE(Idle());
  ASSERT_TRUE(WaitUntil([&] { return BoardListed(); }, 3000));
  Form().Image2->Click();
  EXPECT_TRUE(Measuring());
  ASSERT_TRUE(WaitUntil([&] { return Form().SampleHistory->Count() > 0; }));
  Form().Image3->Click();
}

namespace {

// What the window holds, for the storm's before and after.
struct THeld {
  int files = 0;
  int threads = 0;
  long residentKilobytes = 0;
};

class RealKernelStorm : public RealKernelEndToEnd {
 protected:
  THeld Held() { return {OpenFiles(), Threads(), ResidentKilobytes()}; }
  // Both devices in, the board chosen; one measurement started and stopped, so whatever a
  // first measurement sets up for good is there before the counting starts.
  void PlugBothAndWarmUp() {
    board.Plug();
    mouse.Plug();
    ASSERT_NO_FATAL_FAILURE(WaitForBothBack());
    ASSERT_NO_FATAL_FAILURE(MeasureBriefly());
  }
  // Commands go out and answers come back: the trace fills with the board's samples.
  void MeasureBriefly() {
    Form().Image2->Click();
    ASSERT_TRUE(Measuring());
    ASSERT_TRUE(WaitUntil([&] { return Form().SampleHistory->Count() >= 64; }));
    EXPECT_GT(Form().Series2->PointCount(), 0);
    ExpectTraceHoldsBoardValues(Trace());
    Form().Image3->Click();
    EXPECT_TRUE(Idle());
  }
  void ExpectBackWhereItWas(const THeld& before) {
    // Closing handles and ending threads may take a moment; leaking them would not.
    EXPECT_TRUE(
        WaitUntil([&] { return OpenFiles() <= before.files && Threads() == before.threads; }, 3000))
        << OpenFiles() << " files open (" << before.files << " before), " << Threads()
        << " threads (" << before.threads << ")\nnow " << ProcessCounters::Describe();
    const THeld after = Held();
    if (ProcessCounters::kResidentMemoryTellsLeaks) {
      EXPECT_LE(after.residentKilobytes - before.residentKilobytes, 1024) << "resident memory grew";
    }
    // The figures for the record (bench/README.md).
    std::printf("storm of %d cycles: files %d -> %d, threads %d -> %d, RSS %ld -> %ld KiB\n",
                StormCycles(), before.files, after.files, before.threads, after.threads,
                before.residentKilobytes, after.residentKilobytes);
  }
  bool BothListed() { return Form().BoardDevice && Form().DevListBox->Items.Count() == 2; }
  void WaitForBothBack() {
    ASSERT_TRUE(WaitUntil([&] { return BothListed(); }, 10000))
        << Form().DevListBox->Items.Count() << " devices listed, the board "
        << (Form().BoardDevice ? "among them" : "not");
  }

  TStormBoard board{{"--signal=noise", "--amplitude=4", "--seed=7"}};
  TUhidMouse mouse;
};

}  // namespace

TEST_F(RealKernelStorm, AStormOfPlugsWhileIdleLeavesNothingBehind) {
  ASSERT_NO_FATAL_FAILURE(PlugBothAndWarmUp());
  const THeld before = Held();
  {
    THotPlugStorm storm(board, mouse, StormCycles());
    while (!storm.Done()) WaitMs(10);
  }
  ASSERT_NO_FATAL_FAILURE(WaitForBothBack());
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(boxes.empty());
  ExpectBackWhereItWas(before);
  ASSERT_NO_FATAL_FAILURE(MeasureBriefly());
}

TEST_F(RealKernelStorm, AStormOfPlugsWhileMeasuringLeavesNothingBehind) {
  ASSERT_NO_FATAL_FAILURE(PlugBothAndWarmUp());
  const THeld before = Held();
  int starts = 0;
  {
    THotPlugStorm storm(board, mouse, StormCycles());
    // Measuring whenever the board is there: an unplug ends it with a box, which the user
    // closes, and a click starts it again when the window sees the board back (in a storm
    // the board is seldom there long enough).
    while (!storm.Done()) {
      if (Idle() && BothListed()) {
        Form().Image2->Click();
        ++starts;
      }
      WaitMs(10);
    }
  }
  ASSERT_NO_FATAL_FAILURE(WaitForBothBack());
  Form().Image3->Click();
  EXPECT_FALSE(boxes.empty());
  // The boxes of a board gone while measuring. A board caught while the kernel removes it
  // (its node still there, but opening it refused) is listed for queries only until the
  // next pass, and a start in between says it can't be accessed.
  for (const QString& box : boxes) {
    EXPECT_TRUE(box == "(C2)実験ボードと接続が確認出来ません。" ||
                box.startsWith("実験ボードが切断されました。") || box.startsWith("(C3)"))
        << box.toStdString();
  }
  std::printf("measuring started %d times during the storm, %zu boxes\n", starts, boxes.size());
  ExpectBackWhereItWas(before);
  ASSERT_NO_FATAL_FAILURE(MeasureBriefly());
}
