// The runs kept in memory: every sample in order with its block's time, the gaps, the
// envelopes against a plain minimum and maximum, the memory limit and the session's list of
// runs; and the window feeding them from its data handler.
#include <algorithm>
#include <optional>
#include <random>
#include <set>

#include "Form1Fixture.h"
#include "app/RunCapture.h"
#include "app/RunStore.h"

namespace {

using TClockPoint = std::chrono::system_clock::time_point;

std::vector<uint16_t> Counting(uint16_t from, int count = 32) {
  std::vector<uint16_t> samples;
  for (int k = 0; k < count; ++k) samples.push_back(static_cast<uint16_t>(from + k));
  return samples;
}

// What a column must say, worked out from every sample: the kept samples it covers (where
// ColumnStart puts its bounds, or up to a gap inside it), and
// whether a gap lies between the last sample of the column with a value before it (or, for
// the first, the sample just before it) and its first sample.
std::vector<TColumnEnvelope> PlainColumns(const std::vector<uint16_t>& all,
                                          const std::set<uint64_t>& gaps, uint64_t dropped,
                                          uint64_t first, uint64_t end, int n) {
  std::vector<TColumnEnvelope> columns(n);
  std::optional<uint64_t> lastBefore;
  uint64_t to = first;
  for (int c = 0; c < n; ++c) {
    TColumnEnvelope& column = columns[c];
    const uint64_t from = to;
    to = TRun::ColumnStart(first, end, n, c + 1);
    // A gap inside a column but the last ends it: no column spans both sides of one.
    const auto inside = gaps.upper_bound(std::max(from, dropped));
    if (c + 1 < n && inside != gaps.end() && *inside < to) to = *inside;
    std::optional<uint64_t> firstHere, lastHere;
    for (uint64_t p = from; p < to; ++p) {
      if (p < dropped || p >= all.size()) continue;
      if (!firstHere) {
        column.Low = column.High = all[p];
        firstHere = p;
      }
      column.Low = std::min(column.Low, all[p]);
      column.High = std::max(column.High, all[p]);
      lastHere = p;
    }
    if (!firstHere) continue;
    column.HasValue = true;
    if (!lastBefore && *firstHere == 0) {
      lastBefore = lastHere;
      continue;
    }
    const auto gap = gaps.upper_bound(lastBefore ? *lastBefore : *firstHere - 1);
    column.GapBefore = gap != gaps.end() && *gap <= *firstHere;
    lastBefore = lastHere;
  }
  return columns;
}

bool Same(const TColumnEnvelope& a, const TColumnEnvelope& b) {
  return a.HasValue == b.HasValue &&
         (!a.HasValue || (a.Low == b.Low && a.High == b.High && a.GapBefore == b.GapBefore));
}

}  // namespace

TEST(RunStore, KeepsEverySampleInOrderWithItsBlocksTimeAndItsGaps) {
  TRunStore store;
  EXPECT_EQ(store.Current(), nullptr);
  store.AppendBlock(Counting(1), 0);  // before any run: nowhere to go
  const TClockPoint start{std::chrono::seconds(1000)};
  TRun& run = store.StartRun(start);
  store.AppendBlock(Counting(100), 0);
  store.AppendBlock(Counting(200), 100);
  store.MarkGap();
  store.AppendBlock(Counting(300, 5), 350);  // a short block, as a file may end
  store.AppendBlock(Counting(400), 451);
  ASSERT_EQ(run.SampleCount(), 101u);
  EXPECT_EQ(run.DroppedSamples(), 0u);
  EXPECT_EQ(run.SampleAt(0), 100);
  EXPECT_EQ(run.SampleAt(63), 231);
  EXPECT_EQ(run.SampleAt(64), 300);
  EXPECT_EQ(run.SampleAt(69), 400);
  ASSERT_EQ(run.BlockCount(), 4u);
  EXPECT_EQ(run.BlockAt(2).FirstSample, 64u);
  EXPECT_EQ(run.BlockAt(2).TimeMs, 350);
  EXPECT_EQ(run.BlockAt(3).FirstSample, 69u);
  EXPECT_EQ(run.Gaps(), std::vector<uint64_t>{64});
  EXPECT_EQ(run.DurationMs(), 451);
  EXPECT_EQ(run.StartTime(), start);
  EXPECT_EQ(run.Number(), 1);
  // A gap before the first sample of a run joins nothing, and is no gap.
  TRun& second = store.StartRun(start);
  store.MarkGap();
  store.AppendBlock(Counting(1), 0);
  EXPECT_TRUE(second.Gaps().empty());
}

TEST(RunStore, ColumnsAreExactlyThePlainMinimumAndMaximumOfRandomDataWithGaps) {
  std::mt19937 random(36);
  // A small limit: the oldest chunks go, so columns also start before the kept samples.
  TRunStore store(5 * (TRun::kChunkBytes + 4096) + 40000 * sizeof(TRun::TBlock));
  TRun& run = store.StartRun({});
  std::vector<uint16_t> all;
  std::set<uint64_t> gaps;
  std::uniform_int_distribution<int> raw(0, 1023), blockLength(1, 32), percent(0, 99);
  while (all.size() < 7 * TRun::kChunkSamples + 1234) {
    std::vector<uint16_t> block(blockLength(random));
    // Stretches of steady signal too, where one spike decides a whole envelope.
    const bool steady = percent(random) < 40;
    for (uint16_t& sample : block) sample = steady ? 512 : static_cast<uint16_t>(raw(random));
    if (percent(random) < 3) {
      store.MarkGap();
      if (!all.empty()) gaps.insert(all.size());
    }
    store.AppendBlock(block, 0);
    all.insert(all.end(), block.begin(), block.end());
  }
  ASSERT_EQ(run.SampleCount(), all.size());
  ASSERT_GT(run.DroppedSamples(), 0u);
  EXPECT_EQ(run.DroppedSamples() % TRun::kChunkSamples, 0u);
  EXPECT_LE(store.MemoryBytes(), store.LimitBytes());
  for (uint64_t p = run.DroppedSamples(); p < all.size(); p += 997)
    ASSERT_EQ(run.SampleAt(p), all[p]) << p;
  const uint64_t dropped = run.DroppedSamples();
  std::set<uint64_t> kept;
  for (uint64_t gap : gaps)
    if (gap > dropped) kept.insert(gap);
  EXPECT_EQ(std::vector<uint64_t>(kept.begin(), kept.end()), run.Gaps());

  std::uniform_int_distribution<uint64_t> position(dropped - 5000, all.size() + 3000);
  std::uniform_int_distribution<int> columnCount(1, 700);
  std::vector<TColumnEnvelope> columns;
  for (int query = 0; query < 150; ++query) {
    uint64_t first = position(random), end = position(random);
    if (first > end) std::swap(first, end);
    if (query % 3 == 0) end = first + std::min<uint64_t>(end - first, 900);  // close views
    const int n = columnCount(random);
    columns.assign(n, {});
    run.Columns(first, end, columns);
    const std::vector<TColumnEnvelope> plain = PlainColumns(all, kept, dropped, first, end, n);
    for (int c = 0; c < n; ++c)
      ASSERT_TRUE(Same(columns[c], plain[c]))
          << "query " << query << " [" << first << ", " << end << ") column " << c << " of " << n;
    const TSampleRange whole = run.Range(first, end);
    TSampleRange expected;
    for (uint64_t p = std::max(first, dropped); p < std::min<uint64_t>(end, all.size()); ++p)
      expected.Take(all[p]);
    ASSERT_EQ(whole.Low, expected.Low);
    ASSERT_EQ(whole.High, expected.High);
  }
  // The whole run, every sample its own column, and nothing at all.
  columns.assign(3000, {});
  run.Columns(all.size() - 3000, all.size(), columns);
  for (int c = 0; c < 3000; ++c) ASSERT_EQ(columns[c].Low, all[all.size() - 3000 + c]);
  run.Columns(0, dropped, columns);
  EXPECT_TRUE(std::none_of(columns.begin(), columns.end(), [](auto& c) { return c.HasValue; }));
}

TEST(RunStore, ColumnsSplitAStretchEvenlyOntoEnvelopesWhereTheyAreWide) {
  // A few samples a column: the even split to a sample.
  for (uint64_t c = 0; c <= 7; ++c) EXPECT_EQ(TRun::ColumnStart(10, 31, 7, c), 10 + 3 * c);
  EXPECT_EQ(TRun::ColumnStart(0, 200, 600, 599), 199u);
  EXPECT_EQ(TRun::ColumnStart(5, 5, 3, 2), 5u);
  // Millions: every start but the first on an envelope's start, each part within a
  // thirty-second of an even one, in order, the last ending at the end.
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const uint64_t first = random() % 100000, length = random() % 20000000, n = 1 + random() % 900;
    uint64_t before = first;
    for (uint64_t c = 1; c <= n; ++c) {
      const uint64_t start = TRun::ColumnStart(first, first + length, n, c);
      const uint64_t even = first + length * c / n;
      ASSERT_GE(start, before);
      ASSERT_LE(start, even);
      ASSERT_LE(even - start, length / n / 32) << c;
      if (c < n && length / n >= 32 * TRun::kFineSpan) {
        ASSERT_EQ(start % TRun::kFineSpan, 0u);
      }
      before = start;
    }
    ASSERT_EQ(before, first + length);
  }
}

TEST(RunStore, EightHoursFitTheLimitAndBeyondItTheOldestSamplesGo) {
  TRunStore store;
  TRun& run = store.StartRun({});
  const std::vector<uint16_t> block = Counting(500);
  // 8 hours of ten blocks a second.
  for (int b = 0; b < 288000; ++b) store.AppendBlock(block, b * 100);
  EXPECT_EQ(run.SampleCount(), 9216000u);
  EXPECT_EQ(run.DroppedSamples(), 0u);
  EXPECT_LE(store.MemoryBytes(), 22'000'000u);
  EXPECT_EQ(run.DurationMs(), 28'799'900);
  // Two more hours: the limit holds, the oldest go a chunk at a time, the newest stay.
  for (int b = 288000; b < 360000; ++b) store.AppendBlock(block, b * 100);
  EXPECT_LE(store.MemoryBytes(), TRunStore::kDefaultLimitBytes);
  EXPECT_GT(run.DroppedSamples(), 0u);
  EXPECT_EQ(run.SampleCount(), 11520000u);
  EXPECT_EQ(run.SampleAt(run.SampleCount() - 1), 531);
  EXPECT_EQ(run.BlockAt(0).FirstSample, run.DroppedSamples());
  EXPECT_EQ(run.BlockAt(run.BlockCount() - 1).TimeMs, 35'999'900);
}

TEST(RunStore, EarlierRunsStayUntilTheLimitOrTheListPushesThemOut) {
  // Room for about six chunks.
  TRunStore store(6 * (TRun::kChunkBytes + 4096));
  for (int r = 0; r < 5; ++r) {
    store.StartRun(TClockPoint(std::chrono::seconds(r)));
    store.AppendBlock(Counting(static_cast<uint16_t>(r)), 0);
  }
  // A start that got nothing makes way for the next.
  store.StartRun({});
  store.StartRun({});
  ASSERT_EQ(store.RunCount(), 6);
  EXPECT_EQ(store.RunAt(4).Number(), 5);
  EXPECT_EQ(store.RunAt(5).Number(), 6);
  EXPECT_EQ(store.RunAt(2).SampleAt(0), 2);
  // The newest run grows: the oldest runs go first, whole.
  for (int b = 0; b < 2 * TRun::kChunkSamples / 32; ++b) store.AppendBlock(Counting(7), 0);
  EXPECT_EQ(store.RunCount(), 4);
  EXPECT_EQ(store.RunsDropped(), 2);
  EXPECT_EQ(store.RunAt(0).Number(), 3);
  EXPECT_EQ(store.Current()->DroppedSamples(), 0u);
  // Alone, it loses its own oldest samples.
  for (int b = 0; b < 8 * TRun::kChunkSamples / 32; ++b) store.AppendBlock(Counting(7), 0);
  EXPECT_EQ(store.RunCount(), 1);
  EXPECT_GT(store.Current()->DroppedSamples(), 0u);
  EXPECT_LE(store.MemoryBytes(), store.LimitBytes());
  // The list's own bound.
  TRunStore many;
  for (int r = 0; r < TRunStore::kMaxRuns + 3; ++r) {
    many.StartRun({});
    many.AppendBlock(Counting(1), 0);
  }
  EXPECT_EQ(many.RunCount(), TRunStore::kMaxRuns);
  EXPECT_EQ(many.RunAt(0).Number(), 4);
}

// A run as read from a file: `chunks` whole chunks of samples.
std::unique_ptr<TRun> OpenedRun(int chunks, const char* name = "run.csv") {
  auto run = std::make_unique<TRun>(0, TClockPoint{});
  for (int b = 0; b < chunks * TRun::kChunkSamples / 32; ++b) run->AppendBlock(Counting(9), b);
  run->SetFileName(name);
  return run;
}

TEST(RunStore, AnOpenedRunIsAddedWholeOrRefusedAndNeverTakesTheMeasuredRunsPlace) {
  const size_t chunk = TRun::kChunkBytes + 4096;
  TRunStore store(6 * chunk);
  for (int r = 0; r < 2; ++r) {
    store.StartRun({});
    for (int b = 0; b < TRun::kChunkSamples / 32; ++b) store.AppendBlock(Counting(1), 0);
  }
  // It goes after the runs there are, and a start that got nothing makes way for it.
  store.StartRun({});
  EXPECT_EQ(store.AddRun(OpenedRun(1, "a.csv"), false), 2);
  ASSERT_EQ(store.RunCount(), 3);
  EXPECT_EQ(store.RunAt(2).FileName(), "a.csv");
  EXPECT_EQ(store.RunAt(0).Number(), 1);
  // The next start is numbered on from the measured runs.
  EXPECT_EQ(store.StartRun({}).Number(), 3);
  store.AppendBlock(Counting(2), 0);

  // While measuring, it goes before the run being fed, which stays the newest.
  TRun* measured = store.Current();
  EXPECT_EQ(store.AddRun(OpenedRun(1, "b.csv"), true), 3);
  EXPECT_EQ(store.Current(), measured);
  EXPECT_EQ(store.RunAt(3).FileName(), "b.csv");

  // Too big for the limit alone: refused, nothing changed.
  const size_t before = store.MemoryBytes();
  EXPECT_EQ(store.AddRun(OpenedRun(7), false), -1);
  EXPECT_EQ(store.RunCount(), 5);
  EXPECT_EQ(store.MemoryBytes(), before);
  EXPECT_EQ(store.RunsDropped(), 0);

  // Room is made by the oldest runs, whole, never by cutting the one being measured.
  const int added = store.AddRun(OpenedRun(4, "c.csv"), true);
  EXPECT_EQ(added, store.RunCount() - 2);
  EXPECT_LE(store.MemoryBytes(), store.LimitBytes());
  EXPECT_EQ(store.Current(), measured);
  EXPECT_EQ(measured->DroppedSamples(), 0u);
  EXPECT_GT(store.RunsDropped(), 0);
  EXPECT_EQ(store.RunAt(store.RunCount() - 2).FileName(), "c.csv");
  // A run that needs all but the measured run's room and more: refused.
  for (int b = 0; b < 2 * TRun::kChunkSamples / 32; ++b) store.AppendBlock(Counting(3), 0);
  const int runs = store.RunCount();
  EXPECT_EQ(store.AddRun(OpenedRun(5), true), -1);
  EXPECT_EQ(store.RunCount(), runs);
  EXPECT_EQ(store.Current(), measured);

  // The list's bound holds for opened runs too.
  TRunStore many;
  for (int r = 0; r < TRunStore::kMaxRuns + 2; ++r) many.AddRun(OpenedRun(0), false);
  EXPECT_EQ(many.RunCount(), 0);  // a run without samples is nothing to add
  for (int r = 0; r < TRunStore::kMaxRuns + 2; ++r) {
    auto run = std::make_unique<TRun>(0, TClockPoint{});
    run->AppendBlock(Counting(uint16_t(r)), 0);
    many.AddRun(std::move(run), false);
  }
  EXPECT_EQ(many.RunCount(), TRunStore::kMaxRuns);
  EXPECT_EQ(many.RunAt(0).SampleAt(0), 2);
}

TEST(RunCapture, BlocksFromReportsWithTheirTimeAndAGapWhereAnAnswerDidNotCome) {
  TRunStore store;
  std::chrono::steady_clock::time_point now{std::chrono::seconds(50)};
  TRunCapture capture(store, [&] { return now; });
  const TReport report = SampleBlock(Counting(600));  // id byte first
  capture.TakeReport(report.data() + 1, 64);          // not measuring: nothing kept
  EXPECT_EQ(store.Current(), nullptr);
  capture.StartRun();
  capture.CommandSent();
  now += std::chrono::milliseconds(40);
  capture.TakeReport(report.data() + 1, 64);
  // A busy tick: two answers before the window reads one; both are kept.
  capture.CommandSent();
  now += std::chrono::milliseconds(100);
  capture.TakeReport(report.data() + 1, 64);
  capture.TakeReport(report.data() + 1, 64);
  // No answer to this one.
  capture.CommandSent();
  now += std::chrono::milliseconds(100);
  capture.CommandSent();
  // An answer in two halves.
  capture.TakeReport(report.data() + 1, 30);
  capture.TakeReport(report.data() + 31, 34);
  const TRun& run = *store.Current();
  ASSERT_EQ(run.BlockCount(), 4u);
  EXPECT_EQ(run.BlockAt(0).TimeMs, 40);
  EXPECT_EQ(run.BlockAt(2).TimeMs, 140);
  EXPECT_EQ(run.BlockAt(3).TimeMs, 240);
  EXPECT_EQ(run.Gaps(), std::vector<uint64_t>{96});
  EXPECT_EQ(run.SampleAt(127), 631);
  capture.StopRun();
  capture.TakeReport(report.data() + 1, 64);
  EXPECT_EQ(run.BlockCount(), 4u);
  capture.StartRun();
  EXPECT_EQ(store.RunCount(), 2);
}

TEST_F(Form1Test, EachStartKeepsANewRunOfEveryBlockAndTheEarlierOnesStay) {
  Plug(FakeBoard({SampleBlock(Counting(300))}));
  StartMeasuring();
  for (int tick = 0; tick < 3; ++tick) form->Timer1Timer(nullptr);
  form->Image3Click(nullptr);
  form->Timer1Timer(nullptr);  // after the stop: nothing more
  ASSERT_EQ(form->Runs.RunCount(), 1);
  // The start's command and three ticks'.
  EXPECT_EQ(form->Runs.RunAt(0).SampleCount(), 4u * 32);
  EXPECT_EQ(form->Runs.RunAt(0).SampleAt(33), 301);
  EXPECT_TRUE(form->Runs.RunAt(0).Gaps().empty());
  StartMeasuring();
  form->Timer1Timer(nullptr);
  ASSERT_EQ(form->Runs.RunCount(), 2);
  EXPECT_EQ(form->Runs.RunAt(0).SampleCount(), 4u * 32);
  EXPECT_EQ(form->Runs.RunAt(1).Number(), 2);
  EXPECT_EQ(form->Runs.RunAt(1).SampleCount(), 2u * 32);
}

TEST_F(Form1Test, TheRunHoldsEveryBlockTheBoardSentAndAGapWhereAnswersDidNotCome) {
  std::vector<uint16_t> sent;
  uint16_t next = 0;
  const auto nextBlock = [&] {
    const std::vector<uint16_t> samples = Counting(next);
    sent.insert(sent.end(), samples.begin(), samples.end());
    next = static_cast<uint16_t>((next + 32) % 1024);
    return SampleBlock(samples);
  };
  const auto tick = [&](std::vector<TReport> answer) {
    Board()->SetAnswer(std::move(answer));
    form->Timer1Timer(nullptr);
  };
  Plug(FakeBoard());
  Board()->SetAnswer({nextBlock()});
  StartMeasuring();  // the start command's answer, which no tick shows
  tick({nextBlock()});
  // Two answers in one wait: the screen decodes the first, the run keeps both.
  tick({nextBlock(), nextBlock()});
  // An answer after the wait, which the next tick throws away unread.
  tick({});
  Board()->SendInputReport(nextBlock());
  for (int waited = 0; waited < 5000 && form->Runs.Current()->SampleCount() < sent.size();
       waited += 10)
    WaitMs(10);
  ASSERT_EQ(form->Runs.Current()->SampleCount(), sent.size());
  // Two commands without an answer, then answers again: one gap.
  tick({});
  tick({});
  const uint64_t gapAt = sent.size();
  tick({nextBlock()});
  tick({nextBlock()});
  const TRun& run = *form->Runs.Current();
  std::vector<uint16_t> kept;
  for (uint64_t p = 0; p < run.SampleCount(); ++p) kept.push_back(run.SampleAt(p));
  EXPECT_EQ(kept, sent);
  EXPECT_EQ(run.Gaps(), std::vector<uint64_t>{gapAt});
  EXPECT_EQ(run.BlockCount(), sent.size() / 32);
  for (size_t b = 1; b < run.BlockCount(); ++b)
    EXPECT_GE(run.BlockAt(b).TimeMs, run.BlockAt(b - 1).TimeMs) << b;
  EXPECT_TRUE(boxes.empty());
}
