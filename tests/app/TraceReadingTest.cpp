// Reading the trace, as plain logic: the figures of the values shown, the two cursors and
// the span they give, the table the figures are copied as; the window's logic feeding them
// with every redraw, and its start and stop entries.
#include <QLocale>
#include <cmath>
#include <numbers>

#include "Form1Fixture.h"
#include "app/TraceReading.h"
#include "framework/Format.h"

namespace {

TTraceFigures FiguresOf(const std::vector<double>& values) {
  TTraceFigures figures;
  for (double v : values) figures.Add(v);
  return figures;
}

}  // namespace

TEST(TraceFigures, AConstantHasNoSwingAndItsLevelEverywhere) {
  const TTraceFigures figures = FiguresOf(std::vector<double>(200, 2.5));
  const TTraceFigureSet& f = figures.All();
  EXPECT_EQ(f.Count, 200);
  for (double level : {f.Latest, f.Minimum, f.Maximum, f.Mean, f.Rms}) EXPECT_EQ(level, 2.5);
  EXPECT_EQ(f.PeakToPeak, 0);
  EXPECT_EQ(f.AcRms, 0);
}

TEST(TraceFigures, ASineOverWholePeriodsHasTheTextbookFigures) {
  // 2 V on 1 V of offset, 64 samples a period, three periods: RMS^2 = 1 + 2^2 / 2.
  std::vector<double> values;
  for (int k = 0; k < 192; ++k) values.push_back(1 + 2 * std::sin(2 * std::numbers::pi * k / 64));
  const TTraceFigures figures = FiguresOf(values);
  const TTraceFigureSet& f = figures.All();
  EXPECT_NEAR(f.Mean, 1, 1e-12);
  EXPECT_NEAR(f.Minimum, -1, 1e-12);
  EXPECT_NEAR(f.Maximum, 3, 1e-12);
  EXPECT_NEAR(f.PeakToPeak, 4, 1e-12);
  EXPECT_NEAR(f.Rms, std::sqrt(3.0), 1e-12);
  // AC RMS is the population standard deviation: divided by n, not n - 1.
  EXPECT_NEAR(f.AcRms, std::sqrt(2.0), 1e-12);
  EXPECT_EQ(f.Latest, values[0]);
}

TEST(TraceFigures, AStretchIsTakenEitherWayRoundAndAsFarAsThereAreValues) {
  TTraceFigures figures = FiguresOf({5, 1, 2, 3, 4});  // x 0 is the newest
  const TTraceFigureSet& f = figures.Between(3, 1);
  EXPECT_EQ(f.Count, 3);
  EXPECT_EQ(f.Latest, 1);  // x 1, the newest of them
  EXPECT_EQ(f.Minimum, 1);
  EXPECT_EQ(f.Maximum, 3);
  EXPECT_EQ(figures.Between(2, 40).Count, 3);
  EXPECT_EQ(figures.Between(-5, 0).Latest, 5);
  EXPECT_EQ(figures.Between(7, 9).Count, 0);
  EXPECT_EQ(TTraceFigures().All().Count, 0);
  EXPECT_EQ(figures.SampleNumber(0), 4);
  EXPECT_EQ(figures.SampleNumber(4), 0);
}

TEST(TraceFigures, NewValuesAreNeverReadThroughOldFigures) {
  TTraceFigures figures = FiguresOf({1, 1, 1});
  EXPECT_EQ(figures.All().Maximum, 1);
  figures.Add(9);
  EXPECT_EQ(figures.All().Maximum, 9);
  EXPECT_EQ(figures.All().Count, 4);
  figures.Clear();
  for (double v : {-1.0, -2.0, -3.0, -4.0}) figures.Add(v);  // the same count as before
  EXPECT_EQ(figures.All().Maximum, -1);
  EXPECT_EQ(figures.Between(0, 1).Minimum, -2);
  figures.Clear();
  figures.Add(7);
  EXPECT_EQ(figures.Between(0, 1).Latest, 7);
}

TEST(TraceReading, CursorsGoOnValuesAndTheArrowsMoveTheOnePlacedLast) {
  TTraceReading reading;
  for (int i = 0; i < 50; ++i) reading.Figures.Add(i / 10.0);
  EXPECT_FALSE(reading.PlaceCursor(TCursorName::A, 50));  // no value there
  EXPECT_FALSE(reading.PlaceCursor(TCursorName::A, -1));
  EXPECT_FALSE(reading.MoveCursor(1));  // nothing to move
  EXPECT_TRUE(reading.PlaceCursor(TCursorName::A, 10));
  EXPECT_TRUE(reading.PlaceCursor(TCursorName::B, 20));
  EXPECT_TRUE(reading.MoveCursor(-3));
  EXPECT_EQ(reading.Cursor(TCursorName::B), 17);
  EXPECT_EQ(reading.Cursor(TCursorName::A), 10);
  // Placed again where it is, A becomes the one the arrows move.
  EXPECT_TRUE(reading.PlaceCursor(TCursorName::A, 10));
  EXPECT_FALSE(reading.PlaceCursor(TCursorName::A, 10));
  EXPECT_TRUE(reading.MoveCursor(-100));
  EXPECT_EQ(reading.Cursor(TCursorName::A), 0);
  EXPECT_FALSE(reading.MoveCursor(-1));  // at the edge: no change
  EXPECT_TRUE(reading.MoveCursor(1000));
  EXPECT_EQ(reading.Cursor(TCursorName::A), 49);
  EXPECT_TRUE(reading.ClearCursors());
  EXPECT_FALSE(reading.AnyCursor());
  EXPECT_FALSE(reading.ClearCursors());
}

TEST(TraceReading, ACursorBeyondTheValuesMovesFromWhereItIsShownWithinTheScreen) {
  TTraceReading reading;
  ASSERT_EQ(reading.Places, 200);
  for (int i = 0; i < 200; ++i) reading.Figures.Add(i / 100.0);
  ASSERT_TRUE(reading.PlaceCursor(TCursorName::A, 150));
  // Measuring begins again: the trace is one block long, the cursor stays where it was.
  reading.Figures.Clear();
  for (int i = 0; i < 32; ++i) reading.Figures.Add(i / 100.0);
  EXPECT_TRUE(reading.MoveCursor(1));
  EXPECT_EQ(reading.Cursor(TCursorName::A), 151);
  EXPECT_TRUE(reading.MoveCursor(-10));
  EXPECT_EQ(reading.Cursor(TCursorName::A), 141);
  EXPECT_TRUE(reading.MoveCursor(1000));  // to the screen's end, no further
  EXPECT_EQ(reading.Cursor(TCursorName::A), 199);
  EXPECT_FALSE(reading.MoveCursor(1));
  // Back on the values, it keeps to them again.
  EXPECT_TRUE(reading.MoveCursor(-170));
  EXPECT_EQ(reading.Cursor(TCursorName::A), 29);
  EXPECT_TRUE(reading.MoveCursor(10));
  EXPECT_EQ(reading.Cursor(TCursorName::A), 31);
  // With no values at all, it still moves where it is shown.
  reading.Figures.Clear();
  EXPECT_TRUE(reading.MoveCursor(-1));
  EXPECT_EQ(reading.Cursor(TCursorName::A), 30);
}

TEST(TraceReading, TheSpanAndTheDifferencesGoBetweenBothCursors) {
  TTraceReading reading;
  for (int i = 0; i < 100; ++i) reading.Figures.Add(i * 0.5);
  EXPECT_EQ(reading.SpanFigures().Count, 100);
  reading.PlaceCursor(TCursorName::B, 30);
  EXPECT_FALSE(reading.Span().BetweenCursors);  // one cursor: every value
  EXPECT_FALSE(reading.Deltas());
  reading.PlaceCursor(TCursorName::A, 70);
  const TTraceReading::TSpan span = reading.Span();
  EXPECT_TRUE(span.BetweenCursors);
  EXPECT_EQ(span.First, 30);
  EXPECT_EQ(span.Last, 70);
  EXPECT_EQ(reading.SpanFigures().Count, 41);
  const std::optional<TTraceReading::TDeltas> deltas = reading.Deltas();
  ASSERT_TRUE(deltas);
  EXPECT_EQ(deltas->SampleA, 29);  // 99 - 70
  EXPECT_EQ(deltas->SampleB, 69);
  EXPECT_EQ(deltas->Samples, 40);
  EXPECT_EQ(deltas->Volts, 15 - 35);
  // The trace shrinks under a cursor (a new measurement): the span keeps to the values, and
  // a cursor over no value has no difference.
  reading.Figures.Clear();
  for (int i = 0; i < 50; ++i) reading.Figures.Add(1);
  EXPECT_EQ(reading.Span().Last, 49);
  EXPECT_EQ(reading.SpanFigures().Count, 20);
  EXPECT_FALSE(reading.Deltas());
}

TEST(TraceReading, TheTableHasTheSameKeysAndNumbersInEveryLanguage) {
  QLocale::setDefault(QLocale(QLocale::German));  // a comma as the decimal separator
  TTraceReading reading;
  EXPECT_EQ(reading.Table('\t'), "");  // nothing before the first values
  for (double v : {2.5, 0.1, -1.25, 1234.5}) reading.Figures.Add(v);
  EXPECT_EQ(reading.Table(','),
            "quantity,value\r\n"
            "count,4\r\n"
            "latest_V,2.5\r\n"
            "min_V,-1.25\r\n"
            "max_V,1234.5\r\n"
            "mean_V,308.9625\r\n"
            "peak_to_peak_V,1235.75\r\n"
            "rms_V,617.251584\r\n"
            "ac_rms_V,534.361013\r\n");
  reading.PlaceCursor(TCursorName::A, 3);
  reading.PlaceCursor(TCursorName::B, 1);
  EXPECT_TRUE(
      reading.Table('\t').endsWith("rms_V\t712.739275\r\n"
                                   "ac_rms_V\t582.220199\r\n"
                                   "cursor_a\t0\r\n"
                                   "cursor_b\t2\r\n"
                                   "delta_samples\t2\r\n"
                                   "delta_V\t-1234.4\r\n"))
      << reading.Table('\t').toStdString();
  QLocale::setDefault(QLocale::c());
}

TEST(TableNumber, UpToSixDecimalsWithoutTrailingZerosOrANegativeZero) {
  EXPECT_EQ(TableNumber(2), "2");
  EXPECT_EQ(TableNumber(0.1 + 0.2), "0.3");
  EXPECT_EQ(TableNumber(1.0 / 3), "0.333333");
  EXPECT_EQ(TableNumber(-0.000001), "-0.000001");
  EXPECT_EQ(TableNumber(-0.0000001), "0");
  EXPECT_EQ(TableNumber(1234567.125), "1234567.125");
}

namespace {

// The window's side, as a test stands in for it: how often it was told of a change.
struct TReadingWatch {
  int changes = 0;
  void Changed(TObject*) { ++changes; }
};

class Form1Reading : public Form1Test {
 protected:
  void SetUp() override {
    Form1Test::SetUp();
    form->OnReadingChanged = TNotifyEvent::Bind<&TReadingWatch::Changed>(&watch);
  }
  TReadingWatch watch;
};

}  // namespace

TEST_F(Form1Reading, EveryTickFeedsTheFiguresWithTheBoardsOwnValuesAndDrawsTheTexts) {
  std::vector<uint16_t> samples;
  for (int k = 0; k < 32; ++k) samples.push_back(static_cast<uint16_t>(300 + 13 * k));
  Plug(FakeBoard({SampleBlock(samples)}));
  StartMeasuring();
  form->Timer1Timer(nullptr);
  EXPECT_EQ(form->Reading.Moved, -1);  // the first trace of a start continues none
  form->Timer1Timer(nullptr);
  EXPECT_EQ(form->Reading.Moved, 32);  // the next moves on by a block
  EXPECT_EQ(watch.changes, 2);         // once a tick
  const TTraceFigures& figures = form->Reading.Figures;
  ASSERT_EQ(figures.Count(), 64);
  ASSERT_EQ(form->VoltsHistory.Count(), 64);
  for (int x = 0; x < 64; ++x) {
    // Newest first: x 0 is sample 31 of the second block.
    const double exact = BoardProtocol::VoltsFromRaw(samples[31 - x % 32]);
    EXPECT_EQ(figures.ValueAt(x), exact) << x;
    EXPECT_EQ(form->VoltsHistory.At(x), exact) << x;
    // The trace is drawn from the 0.1 V texts, as it always was.
    EXPECT_EQ(form->SampleHistory->Strings(x), FormatFixed1(exact)) << x;
    EXPECT_EQ(series.YValueAt(x), StrToFloat(FormatFixed1(exact))) << x;
  }
  EXPECT_EQ(figures.All().Latest, (300 + 13 * 31 - 512) / 102.4);
  // The test sine is what the trace shows then: it is what the figures are of, its own
  // values; the board's history stays for the copied table.
  form->Button3Click(nullptr);
  EXPECT_EQ(figures.Count(), 200);
  EXPECT_EQ(figures.All().Maximum, 2.4);
  EXPECT_EQ(form->Reading.Moved, -1);
  EXPECT_EQ(form->VoltsHistory.Count(), 64);
  EXPECT_EQ(watch.changes, 3);
  form->Timer1Timer(nullptr);  // the history again, in place of the sine
  EXPECT_EQ(form->Reading.Moved, -1);
}

TEST_F(Form1Reading, AConstantAndASmallSineReadAsTheBoardMeasuredThem) {
  // Raw 760 is 2.421875 V; the 0.1 V text says 2.4.
  Plug(FakeBoard({SampleBlock(std::vector<uint16_t>(32, 760))}));
  StartMeasuring();
  for (int tick = 0; tick < 7; ++tick) form->Timer1Timer(nullptr);
  const TTraceFigureSet& level = form->Reading.Figures.All();
  EXPECT_EQ(level.Count, 200);
  for (double figure : {level.Latest, level.Minimum, level.Maximum, level.Mean, level.Rms})
    EXPECT_EQ(figure, 2.421875);
  EXPECT_EQ(series.YValueAt(0), 2.4);
  EXPECT_TRUE(form->Reading.Table('\t').contains("latest_V\t2.421875\r\n"));
  EXPECT_TRUE(form->Reading.Table('\t').contains("rms_V\t2.421875\r\n"));

  // ±0.15 V, 32 samples a period: the counts swing from 497 to 527, 0.29296875 V, where the
  // texts (-0.1 to 0.1) would give 0.2.
  std::vector<uint16_t> sine;
  for (int k = 0; k < 32; ++k)
    sine.push_back(static_cast<uint16_t>(
        std::lround(512 + 0.15 * 102.4 * std::sin(2 * std::numbers::pi * k / 32))));
  Board()->SetAnswer({SampleBlock(sine)});
  for (int tick = 0; tick < 7; ++tick) form->Timer1Timer(nullptr);
  const TTraceFigureSet& swing = form->Reading.Figures.All();
  EXPECT_EQ(swing.PeakToPeak, 30 / 102.4);
  EXPECT_EQ(swing.Maximum, 15 / 102.4);
  EXPECT_TRUE(form->Reading.Table(',').contains("peak_to_peak_V,0.292969\r\n"));
  // Cursors on the crest and the trough: their difference is the board's too.
  ASSERT_TRUE(form->Reading.PlaceCursor(TCursorName::A, 23));  // sample 8 of a block
  ASSERT_TRUE(form->Reading.PlaceCursor(TCursorName::B, 7));   // sample 24
  ASSERT_TRUE(form->Reading.Deltas());
  EXPECT_EQ(form->Reading.Deltas()->Volts, -30 / 102.4);
}

TEST_F(Form1Reading, StartAndStopEntriesAreTheClicksOnThePictures) {
  form->PopupMenu1Popup(nullptr);
  EXPECT_TRUE(form->StartItem->Enabled);
  EXPECT_FALSE(form->StopItem->Enabled);
  form->StartItem->Click();  // no board: as the start picture says
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "(C1)実験ボードと接続が確認出来ません。");

  Plug(FakeBoard({SampleBlock(std::vector<uint16_t>(32, 512))}));
  form->StartItem->Click();
  form->Timer1->SetInterval(24 * 3600 * 1000);
  EXPECT_EQ(Now(), kMeasuring);
  form->PopupMenu1Popup(nullptr);
  EXPECT_FALSE(form->StartItem->Enabled);
  EXPECT_TRUE(form->StopItem->Enabled);
  form->StopItem->Click();
  EXPECT_EQ(Now(), kIdle);
  EXPECT_EQ(boxes.size(), 1u);
}
