// The stretch of a run a view shows: following the live end, the gestures and their clamps
// at both ends and widths, the dropped samples, and the text that says what is shown.
#include <gtest/gtest.h>

#include <vector>

#include "app/RunStore.h"
#include "app/RunView.h"

namespace {

// A run of `blocks` blocks of 32 samples, one every 100 ms from 0.
void Fill(TRun& run, int blocks, int32_t stepMs = 100) {
  const std::vector<uint16_t> block(32, 512);
  for (int b = 0; b < blocks; ++b) run.AppendBlock(block, b * stepMs);
}

}  // namespace

TEST(RunView, FollowsTheNewestSamplesUntilAGestureLeavesThemAndEndFollowsAgain) {
  TRun run(1, {});
  TRunView view;
  view.Show(&run, true);
  EXPECT_TRUE(view.Following());
  EXPECT_EQ(view.Width(), 0u) << "an empty run shows nothing";
  Fill(run, 10);  // 320 samples
  view.Update();
  EXPECT_EQ(view.First(), 120u);
  EXPECT_EQ(view.End(), 320u);
  Fill(run, 1);
  view.Update();
  EXPECT_EQ(view.End(), 352u) << "following, the view moves with new samples";

  view.ScrollBy(-50);
  EXPECT_FALSE(view.Following());
  EXPECT_EQ(view.First(), 102u);
  Fill(run, 5);
  view.Update();
  EXPECT_EQ(view.First(), 102u) << "left, the view stays where it is";
  EXPECT_EQ(view.End(), 302u);

  view.ShowNewest(false);
  EXPECT_FALSE(view.Following());
  EXPECT_EQ(view.End(), run.SampleCount());
  view.ScrollBy(-10);
  view.ShowNewest(true);
  EXPECT_TRUE(view.Following());
  EXPECT_EQ(view.End(), run.SampleCount());
}

TEST(RunView, ZoomKeepsThePositionInPlaceWithinTheNarrowestAndTheWidestView) {
  TRun run(1, {});
  Fill(run, 100);  // 3200 samples
  TRunView view;
  view.ShowWhole(&run);
  EXPECT_EQ(view.First(), 0u);
  EXPECT_EQ(view.End(), 3200u);

  // A quarter of the way in stays a quarter of the way in.
  view.ZoomAt(4, 800);
  EXPECT_EQ(view.Width(), 800u);
  EXPECT_EQ(view.First(), 600u);
  EXPECT_NEAR(double(800 - view.First()) / view.Width(), 0.25, 1e-9);
  view.ZoomAt(2, 1000);
  EXPECT_EQ(view.Width(), 400u);
  EXPECT_EQ(view.First(), 800u);

  for (int i = 0; i < 30; ++i) view.ZoomAt(2, 1000);
  EXPECT_EQ(view.Width(), TRunView::kNarrowest);
  EXPECT_LE(view.First(), 1000u);
  EXPECT_GE(view.End(), 1000u);

  for (int i = 0; i < 30; ++i) view.ZoomAt(0.5, 3100);
  EXPECT_EQ(view.First(), 0u);
  EXPECT_EQ(view.End(), 3200u) << "no wider than the run";

  // Zooming out by the end pushes the view back inside rather than past it.
  view.ZoomAt(8, 3200);
  EXPECT_EQ(view.End(), 3200u);
  view.ZoomAt(0.25, 3200);
  EXPECT_EQ(view.End(), 3200u);
  EXPECT_EQ(view.Width(), 1600u);

  // Around the middle.
  view.ShowWhole();
  view.Zoom(2);
  EXPECT_EQ(view.First(), 800u);
  EXPECT_EQ(view.End(), 2400u);

  // Nonsense factors change nothing.
  for (double factor : {0.0, -2.0, std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::quiet_NaN()})
    view.ZoomAt(factor, 100);
  EXPECT_EQ(view.First(), 800u);
  EXPECT_EQ(view.End(), 2400u);

  // A run shorter than the narrowest view is shown whole.
  TRun tiny(2, {});
  tiny.AppendBlock(std::vector<uint16_t>(3, 1), 0);
  view.ShowWhole(&tiny);
  view.ZoomAt(10, 1);
  EXPECT_EQ(view.Width(), 3u);
}

TEST(RunView, ScrollPageHomeAndEndStopAtTheRunsEnds) {
  TRun run(1, {});
  Fill(run, 100);
  TRunView view;
  view.Show(&run, true);
  ASSERT_EQ(view.First(), 3000u);
  view.Page(-1);
  EXPECT_EQ(view.First(), 2800u);
  EXPECT_EQ(view.Width(), 200u);
  view.Page(-100);
  EXPECT_EQ(view.First(), 0u);
  view.ScrollBy(-5);
  EXPECT_EQ(view.First(), 0u);
  view.Page(1);
  EXPECT_EQ(view.First(), 200u);
  view.ScrollBy(1'000'000);
  EXPECT_EQ(view.End(), 3200u);
  view.ShowOldest();
  EXPECT_EQ(view.First(), 0u);
  EXPECT_EQ(view.Width(), 200u);
  view.ShowNewest(false);
  EXPECT_EQ(view.First(), 3000u);

  // No run: every gesture does nothing.
  TRunView none;
  none.ZoomAt(2, 0);
  none.ScrollBy(10);
  none.Page(1);
  none.ShowOldest();
  none.ShowNewest(true);
  none.ShowWhole();
  none.Update();
  EXPECT_EQ(none.Width(), 0u);
  EXPECT_FALSE(none.Following());
  EXPECT_EQ(none.Description(), "no samples");
}

TEST(RunView, DroppedSamplesAreOutsideAndTheTextSaysSo) {
  TRun run(1, {});
  Fill(run, 3 * TRun::kChunkSamples / 32);  // three chunks
  TRunView view;
  view.ShowOldest();
  view.ShowWhole(&run);
  view.ZoomAt(100, 10);
  ASSERT_LT(view.First(), uint64_t(TRun::kChunkSamples));
  ASSERT_TRUE(run.DropOldestChunk());
  view.Update();
  EXPECT_EQ(view.First(), uint64_t(TRun::kChunkSamples)) << "moved onto the oldest kept sample";
  view.ShowWhole();
  EXPECT_EQ(view.First(), uint64_t(TRun::kChunkSamples));
  EXPECT_EQ(view.End(), run.SampleCount());
  view.ShowOldest();
  EXPECT_EQ(view.First(), uint64_t(TRun::kChunkSamples));
  EXPECT_TRUE(view.Description().endsWith("; the oldest 65536 samples were dropped"))
      << view.Description().toStdString();
}

TEST(RunView, SecondsComeFromTheBlocksTimesWhereKnown) {
  TRun run(1, {});
  Fill(run, 10);  // block b at b * 100 ms
  TRunView view;
  view.ShowWhole(&run);
  EXPECT_EQ(view.SecondsAt(0), 0.0);
  EXPECT_EQ(view.SecondsAt(64), 0.2);
  EXPECT_EQ(view.SecondsAt(80), 0.25) << "between blocks, in proportion";
  EXPECT_EQ(view.SecondsAt(319), 0.9) << "the last block: its own time";
  EXPECT_EQ(view.Description(), "samples 0 to 319 of 320 (0.00 s to 0.90 s)");
  view.ZoomAt(2, 160);
  EXPECT_EQ(view.Description(), "samples 80 to 239 of 320 (0.25 s to 0.75 s)");

  // A recording without times: the samples alone.
  TRun untimed(2, {});
  untimed.AppendBlock(std::vector<uint16_t>(32, 0), TRun::kNoTime);
  untimed.AppendBlock(std::vector<uint16_t>(32, 0), TRun::kNoTime);
  view.ShowWhole(&untimed);
  EXPECT_FALSE(view.SecondsAt(40).has_value());
  EXPECT_EQ(view.Description(), "samples 0 to 63 of 64");
}
