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
  ~TBoardProcess() override { Unplug(); }
  void Plug() override {
    const char* path = std::getenv("SIMPLESCOPE_BOARD");
    ASSERT_NE(path, nullptr) << "SIMPLESCOPE_BOARD names the board tool";
    std::vector<const char*> arguments = {path};
    for (const char* argument : EndToEnd::BoardArguments()) arguments.push_back(argument);
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
  pid_t pid_ = -1;
};

using RealKernelEndToEnd = EndToEnd;

}  // namespace

TEST_F(RealKernelEndToEnd, MeasuresFollowsAnUnplugAndStartsAgainAfterTheReplug) {
  TBoardProcess board;
  ASSERT_NO_FATAL_FAILURE(MeasureUnplugAndReplug(board));
}
