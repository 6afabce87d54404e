// The whole program against the virtual board on an emulated sysfs and /dev (umockdev):
// measuring, unplugging and replugging, and many cycles of it.
// umockdev's glib headers first: Qt's "signals" keyword is a name in them.
#include "EmulatedBoard.h"
// Qt after them.
#include <QTimer>

#include "../hid/MouseDescriptor.h"
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

int CyclesFrom(const char* variable, int otherwise) {
  const char* cycles = std::getenv(variable);
  return cycles ? std::atoi(cycles) : otherwise;
}

int Cycles() {
  return CyclesFrom("SIMPLESCOPE_E2E_CYCLES", 200);
}

}  // namespace

TEST_F(EmulatedEndToEnd, MeasuresFollowsAnUnplugAndStartsAgainAfterTheReplug) {
  plug = std::make_unique<TEmulatedPlug>(*bed);
  ASSERT_NO_FATAL_FAILURE(MeasureUnplugAndReplug(*plug));
}

TEST_F(EmulatedEndToEnd, AThousandUeventsInASecondWhileMeasuringChangeNothing) {
  plug = std::make_unique<TEmulatedPlug>(*bed);
  plug->Plug();
  ASSERT_TRUE(WaitUntil([&] { return BoardListed(); }));
  const int mouse = bed->Add(0x046D, 0xC077, kMouseDescriptor, true, /*announce=*/true);
  ASSERT_TRUE(WaitUntil([&] { return Form().DevListBox->Items.Count() == 2; }));
  Form().Image2->Click();
  // The mouse announced again and again, eight uevents every 8 ms, as a busy hub would.
  // (The emulation's sockets hold ten uevents: bigger bursts would fail in the sender.)
  int sent = 0;
  QTimer flood;
  QObject::connect(&flood, &QTimer::timeout, [&] {
    for (int i = 0; i < 2 && sent < 1000; ++i, sent += 4) {
      bed->Announce(mouse, "remove");
      bed->Announce(mouse, "add");
    }
  });
  flood.start(8);
  ASSERT_TRUE(WaitUntil([&] { return sent >= 1000; }, 3000));
  flood.stop();
  const int historyAfterFlood = Form().SampleHistory->Count();
  WaitMs(500);
  EXPECT_TRUE(Measuring());
  EXPECT_TRUE(boxes.empty());
  EXPECT_NE(Form().BoardDevice, nullptr);
  EXPECT_EQ(Form().DevListBox->Items.Count(), 2);
  EXPECT_GT(Form().SampleHistory->Count(), std::min(historyAfterFlood, 150));
  ExpectTraceHoldsBoardValues(Trace());
}

// With a mouse coming and going beside the board: plugged in during every other cycle,
// pulled out during the next.
TEST_F(EmulatedEndToEnd, ManyUnplugReplugCyclesWhileMeasuringLeaveNothingBehind) {
  plug = std::make_unique<TEmulatedPlug>(*bed);
  plug->Plug();
  ASSERT_TRUE(WaitUntil([&] { return BoardListed(); }));
  // Counted after a first cycle, with and without the mouse: the first start and stop may
  // open things for good, and a listed device holds its handles.
  int files[2] = {}, threads[2] = {};
  std::string held[2];
  long residentAfterWarmUp = 0;
  int mouse = -1;
  for (int cycle = -1; cycle < Cycles(); ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    const int devicesBefore = Form().DevListBox->Items.Count();
    if (mouse < 0) {
      mouse = bed->Add(0x046D, 0xC077, kMouseDescriptor, true, /*announce=*/true);
      ASSERT_TRUE(WaitUntil([&] { return Form().DevListBox->Items.Count() == devicesBefore + 1; }));
    } else {
      bed->Remove(mouse);
      mouse = -1;
      ASSERT_TRUE(WaitUntil([&] { return Form().DevListBox->Items.Count() == devicesBefore - 1; }));
    }
    ASSERT_NE(Form().BoardDevice, nullptr);
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
    EXPECT_EQ(Form().DevListBox->Items.Count(), mouse < 0 ? 0 : 1);

    plug->Plug();
    ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; }));
    EXPECT_EQ(Form().DevListBox->Items.Count(), mouse < 0 ? 1 : 2);
    EXPECT_TRUE(Idle());
    const bool withMouse = mouse >= 0;
    if (cycle < 1) {  // the mouse comes in cycle -1 and goes in cycle 0
      files[withMouse] = OpenFiles();
      threads[withMouse] = Threads();
      held[withMouse] = ProcessCounters::Describe();
      continue;
    }
    if (cycle == std::min(20, Cycles() / 2)) residentAfterWarmUp = ResidentKilobytes();
    // Closing handles and ending threads may take a moment; leaking them would not. (The
    // emulation itself sometimes holds one socket less than at the start.)
    EXPECT_TRUE(WaitUntil(
        [&] { return OpenFiles() <= files[withMouse] && Threads() == threads[withMouse]; }, 2000))
        << OpenFiles() << " files open (" << files[withMouse] << " at the start), " << Threads()
        << " threads (" << threads[withMouse] << ")\nnow " << ProcessCounters::Describe()
        << "\nat the start " << held[withMouse];
  }
  if (ProcessCounters::kResidentMemoryTellsLeaks) {
    EXPECT_LE(ResidentKilobytes() - residentAfterWarmUp, 2048) << "resident memory grew";
  }
}

// A two-hour lesson with the board unplugged once a minute is 120 unplugs; here they come
// as a storm, the board and a mouse out and in 20 ms apart, while the window measures
// whenever it sees the board. SIMPLESCOPE_E2E_STORM_CYCLES asks for more (the soak label's
// thousand).
TEST_F(EmulatedEndToEnd, AStormOfPlugsWhileMeasuringLeavesNothingBehind) {
  plug = std::make_unique<TEmulatedPlug>(*bed);
  plug->Plug();
  int mouse = bed->Add(0x046D, 0xC077, kMouseDescriptor, true, /*announce=*/true);
  auto bothListed = [&] { return Form().BoardDevice && Form().DevListBox->Items.Count() == 2; };
  ASSERT_TRUE(WaitUntil(bothListed));
  Form().Image2->Click();
  ASSERT_TRUE(WaitUntil([&] { return Form().SampleHistory->Count() >= 64; }));
  const int files = OpenFiles();
  const int threads = Threads();
  int starts = 0;
  const int cycles = CyclesFrom("SIMPLESCOPE_E2E_STORM_CYCLES", 130);
  for (int cycle = 0; cycle < cycles; ++cycle) {
    plug->Unplug();
    WaitMs(20);
    bed->Remove(mouse);
    WaitMs(20);
    plug->Plug();
    WaitMs(20);
    mouse = bed->Add(0x046D, 0xC077, kMouseDescriptor, true, /*announce=*/true);
    WaitMs(20);
    if (Idle() && bothListed()) {
      Form().Image2->Click();
      ++starts;
    }
  }
  ASSERT_TRUE(WaitUntil(bothListed));
  EXPECT_GT(starts, 10);
  for (const QString& box : boxes) {
    EXPECT_TRUE(box == "(C2)実験ボードと接続が確認出来ません。" ||
                box.startsWith("実験ボードが切断されました。"))
        << box.toStdString();
  }
  if (Idle()) Form().Image2->Click();
  ASSERT_TRUE(Measuring());
  Form().ClearHistory();
  ASSERT_TRUE(WaitUntil([&] { return Form().SampleHistory->Count() >= 64; }));
  ExpectTraceHoldsBoardValues(Trace());
  Form().Image3->Click();
  EXPECT_TRUE(WaitUntil([&] { return OpenFiles() <= files && Threads() == threads; }, 2000))
      << OpenFiles() << " files open (" << files << " before), " << Threads() << " threads ("
      << threads << ")\nnow " << ProcessCounters::Describe();
}
