// The whole program against the virtual board on an emulated sysfs and /dev (umockdev):
// measuring, unplugging and replugging, and many cycles of it.
#include "EmulatedBoard.h"
#include "EndToEnd.h"

namespace {

class TEmulatedPlug : public TBoardPlug {
 public:
  explicit TEmulatedPlug(THidTestbed& bed) : board_(bed, EndToEnd::BoardOptions()) {}
  void Plug() override { board_.Plug(); }
  void Unplug() override { board_.Unplug(); }

 private:
  TEmulatedBoard board_;
};

class EmulatedEndToEnd : public EndToEnd {
 protected:
  // The bed first: it must exist before any of the program's threads do.
  void SetUp() override {
    bed = std::make_unique<THidTestbed>();
    EndToEnd::SetUp();
  }
  void TearDown() override {
    plug.reset();
    EndToEnd::TearDown();
    bed.reset();
  }
  std::unique_ptr<THidTestbed> bed;
  std::unique_ptr<TEmulatedPlug> plug;
};

int Cycles() {
  const char* cycles = std::getenv("SIMPLESCOPE_E2E_CYCLES");
  return cycles ? std::atoi(cycles) : 200;
}

}  // namespace

TEST_F(EmulatedEndToEnd, MeasuresFollowsAnUnplugAndStartsAgainAfterTheReplug) {
  plug = std::make_unique<TEmulatedPlug>(*bed);
  ASSERT_NO_FATAL_FAILURE(MeasureUnplugAndReplug(*plug));
}

TEST_F(EmulatedEndToEnd, ManyUnplugReplugCyclesWhileMeasuringLeaveNothingBehind) {
  plug = std::make_unique<TEmulatedPlug>(*bed);
  plug->Plug();
  ASSERT_TRUE(WaitUntil([&] { return BoardListed(); }));
  // Counted after a first cycle: the first start and stop may open things for good.
  int files = 0, threads = 0;
  for (int cycle = -1; cycle < Cycles(); ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    Form().Image2->Click();
    ASSERT_TRUE(Measuring());
    ASSERT_TRUE(WaitUntil([&] { return Form().SampleHistory->Count() > 0; }));

    boxes.clear();
    plug->Unplug();
    ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "(C2)実験ボードと接続が確認出来ません。");
    EXPECT_TRUE(Idle());
    EXPECT_EQ(Form().BoardDevice, nullptr);
    EXPECT_EQ(Form().DevListBox->Items.Count(), 0);

    plug->Plug();
    ASSERT_TRUE(WaitUntil([&] { return BoardListed(); }));
    EXPECT_TRUE(Idle());
    if (cycle < 0) {
      files = OpenFiles();
      threads = Threads();
      continue;
    }
    // Closing handles and ending threads may take a moment; leaking them would not.
    EXPECT_TRUE(WaitUntil([&] { return OpenFiles() == files && Threads() == threads; }, 2000))
        << OpenFiles() << " files open (" << files << " at the start), " << Threads()
        << " threads (" << threads << ")";
  }
}
