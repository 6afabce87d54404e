// The whole program on a real kernel: runs inside the virtual machine (see run-vm-test.sh)
// with the window offscreen and simplescope-board, the virtual board tool itself, plugged
// in and pulled out as a process of its own.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../app/EndToEnd.h"

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
