// Long runs: many hours' worth of ticks at an accelerated clock, against a board that
// answers every command. SIMPLESCOPE_SOAK_HOURS sets how many (default 1; the `soak` label
// runs 24).
#include <cstdlib>
#include <string>

#include "Form1Fixture.h"
#include "ProcessCounters.h"

namespace {

using ProcessCounters::ResidentKilobytes;

double Hours() {
  const char* hours = std::getenv("SIMPLESCOPE_SOAK_HOURS");
  return hours ? std::atof(hours) : 1.0;
}

class Soak : public Form1Test {
 protected:
  void TearDown() override {
    Form1Test::TearDown();
    SetTickSource({});
  }
};

}  // namespace

TEST_F(Soak, HoursOfTicksKeepTheHistoryAndMemoryBounded) {
  // Each reading of the clock moves it on by the answer wait: the waits end at once.
  uint32_t clock = 0;
  SetTickSource([&clock] { return clock += TForm1::kAnswerWait; });
  std::vector<uint16_t> samples(32);
  for (int k = 0; k < 32; ++k) samples[k] = static_cast<uint16_t>(100 + 25 * k);
  TFakeInterface board = FakeBoard({SampleBlock(samples)});
  board.answerAtOnce = true;
  Plug(board);
  StartMeasuring();

  const long ticks = static_cast<long>(Hours() * 3600 * 1000 / TForm1::kTickInterval);
  const long warmUp = std::max(ticks / 100, 1000L);
  long baseline = 0;
  long keptAtBaseline = 0;  // bytes of the run kept, which grows by design up to its limit
  for (long tick = 0; tick < ticks; ++tick) {
    form->Timer1Timer(nullptr);
    // Checked sparingly: reading the history back costs more than the tick.
    if (tick % 997 == 0) {
      ASSERT_LE(form->SampleHistory->Count(), TForm1::kHistoryLimit) << "tick " << tick;
      ASSERT_EQ(form->Memo1->Lines.Count(), 64) << "tick " << tick;
    }
    if (tick == warmUp) {
      baseline = ResidentKilobytes();
      keptAtBaseline = static_cast<long>(form->Runs.MemoryBytes());
    }
  }
  EXPECT_EQ(form->SampleHistory->Count(), TForm1::kHistoryLimit);
  EXPECT_EQ(series.PointCount(), TForm1::kHistoryLimit);
  EXPECT_TRUE(boxes.empty());
  EXPECT_LE(form->Runs.MemoryBytes(), TRunStore::kDefaultLimitBytes);
  if (ProcessCounters::kResidentMemoryTellsLeaks) {
    const long kept = (static_cast<long>(form->Runs.MemoryBytes()) - keptAtBaseline) / 1024;
    EXPECT_LE(ResidentKilobytes() - baseline - kept, 2048)
        << "resident memory grew after warm-up beyond the run kept (" << kept << " KiB)";
  }
}
