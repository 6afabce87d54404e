// The view over a whole run in the window, offscreen: the keys and the mouse's gestures,
// leaving the live end while measuring and coming back to it exactly as it was, a gap drawn
// as a break, and the caption and description of the run shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <cstdlib>

#include "app/Form1Window.h"
#include "app/RunViewer.h"
#include "app/TraceListening.h"
#include "app/TraceReadout.h"
#include "chart/Chart.h"
#include "framework/MessageWait.h"
#include "framework/Translations.h"
#include "protocol/BoardProtocol.h"

namespace {

class WindowRunView : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<TForm1Window>();
    window->show();
    WaitMs(50);
  }
  void TearDown() override { window.reset(); }

  TForm1& Form() { return window->Form(); }
  TChart& Chart() { return *window->Chart2(); }
  TRunViewer& Viewer() { return window->Viewer(); }
  const TRunView& View() { return Viewer().View(); }

  // A run of `blocks` blocks of 32 samples, a block every 100 ms: a ramp of raw values that
  // tells every sample from its neighbours.
  TRun& Run(int blocks, int from = 0) {
    TRun& run = Form().Runs.StartRun({});
    AddBlocks(blocks, from);
    return run;
  }
  void AddBlocks(int blocks, int from) {
    std::vector<uint16_t> block(32);
    for (int b = from; b < from + blocks; ++b) {
      for (int k = 0; k < 32; ++k) block[k] = static_cast<uint16_t>((b * 32 + k) % 1024);
      Form().Runs.AppendBlock(block, b * 100);
    }
  }
  // Measuring as a start leaves the window, without ticks (a day apart).
  void Measure(bool on) {
    Form().Timer1->SetInterval(24 * 3600 * 1000);
    Form().Timer1->SetEnabled(on);
    Form().Image2->SetEnabled(!on);
    Form().Panel1->SetVisible(!on);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(window.get(), static_cast<Qt::Key>(key), modifiers);
    WaitMs(10);
  }
  void Wheel(QPoint at, int delta, Qt::KeyboardModifiers modifiers = {}) {
    QWheelEvent wheel(at, Chart().mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Chart(), &wheel);
    WaitMs(10);
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, Chart().mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&Chart(), &event);
    WaitMs(10);
  }
  // The sample a pixel column shows: the bottom axis runs over the view's samples.
  double SampleAtPixel(int x) { return Chart().BottomAxis->PositionToValue(x); }
  int PlotMiddleY() { return (Chart().PlotRect.Top + Chart().PlotRect.Bottom) / 2; }
  std::vector<QLabel*> Marks() {
    std::vector<QLabel*> marks;
    for (QLabel* label : window->findChildren<QLabel*>())
      if (label->text() == "+" || label->text() == "-") marks.push_back(label);
    return marks;
  }

  // The trace's colour, drawn with or without smoothing, apart from the grey grid.
  static bool Yellow(QColor c) { return c.red() > 100 && c.green() > 100 && c.blue() < 60; }

  std::unique_ptr<TForm1Window> window;
};

TEST_F(WindowRunView, WhileMeasuringAGestureLeavesTheLiveEndAndEndReturnsToItAsItWas) {
  // Nothing to show: the keys do nothing, the live view stays.
  Key(Qt::Key_F);
  Key(Qt::Key_Home);
  EXPECT_TRUE(Viewer().Live());
  EXPECT_EQ(Viewer().Envelope(), nullptr);

  Run(100);  // 3200 samples
  Measure(true);
  // A cursor on the live trace, which a view hides: it stands on the live trace's values.
  for (int i = 0; i < 200; ++i) Form().AddToHistory(0.5);
  Form().RedrawFromHistory();
  Form().Reading.PlaceCursor(TCursorName::A, 20);
  Form().OnReadingChanged(&Form());
  ASSERT_EQ(Chart().Cursors().size(), 1u);
  const TChartFont liveLabels = Chart().BottomAxis->LabelsFont();
  Key(Qt::Key_PageUp);
  EXPECT_FALSE(Viewer().Live());
  EXPECT_FALSE(View().Following());
  EXPECT_EQ(View().First(), 2800u) << "one view back from the newest 200";
  EXPECT_EQ(View().Width(), 200u);
  ASSERT_NE(Viewer().Envelope(), nullptr);
  EXPECT_FALSE(Form().Series2->Active()) << "the live series hidden meanwhile";
  EXPECT_EQ(Chart().Title.Text(), QStringList{"一時停止中の表示"});
  EXPECT_EQ(window->accessibleDescription(), "一時停止中の表示");
  EXPECT_TRUE(Chart().BottomAxis->Inverted()) << "the newest at the left, as the live trace";
  for (QLabel* mark : Marks()) EXPECT_TRUE(mark->isHidden());
  EXPECT_TRUE(Chart().Cursors().empty());
  EXPECT_EQ(window->Readout().Description().toStdString(),
            "一時停止中の表示: samples 2800 to 2999 of 3200 (8.75 s to 9.37 s); min 2.344 V, "
            "max 4.287 V");

  // Measuring goes on; the view stays where it is.
  AddBlocks(10, 100);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(View().First(), 3000u);

  Key(Qt::Key_End);
  EXPECT_TRUE(Viewer().Live());
  EXPECT_EQ(Viewer().Envelope(), nullptr);
  EXPECT_TRUE(Form().Series2->Active());
  EXPECT_EQ(Chart().Title.Text(), QStringList{" "});
  EXPECT_EQ(Chart().BottomAxis->Minimum(), 0.0);
  EXPECT_EQ(Chart().BottomAxis->Maximum(), 200.0);
  EXPECT_FALSE(Chart().BottomAxis->Inverted());
  EXPECT_EQ(Chart().BottomAxis->LabelsFont(), liveLabels);
  EXPECT_TRUE(Chart().BottomAxis->Title.Caption().isEmpty());
  for (QLabel* mark : Marks()) EXPECT_FALSE(mark->isHidden());
  ASSERT_EQ(Chart().Cursors().size(), 1u);
  EXPECT_EQ(Chart().Cursors()[0].X, 20.0);
  EXPECT_EQ(window->accessibleDescription(), "Live view");

  // Stopped in a view, the view stays and is no longer paused.
  Key(Qt::Key_Home);
  Measure(false);
  Form().OnMeasuringChanged(&Form());
  EXPECT_FALSE(Viewer().Live());
  EXPECT_EQ(View().First(), 0u);
  EXPECT_EQ(Chart().Title.Text(), QStringList{" "});
  EXPECT_FALSE(window->Readout().Description().contains("一時停止中の表示"));

  // A new start shows its run live, whatever the view was.
  Measure(true);
  Key(Qt::Key_F);
  ASSERT_FALSE(Viewer().Live());
  Form().OnMeasuringChanged(&Form());
  EXPECT_TRUE(Viewer().Live());
}

TEST_F(WindowRunView, AfterStopTheKeysMoveOverTheWholeRun) {
  Run(100);
  Key(Qt::Key_F);
  EXPECT_EQ(View().First(), 0u);
  EXPECT_EQ(View().End(), 3200u);
  EXPECT_EQ(Chart().Title.Text(), QStringList{" "}) << "not paused: not measuring";
  EXPECT_EQ(Chart().BottomAxis->Title.Caption(), "samples 0 to 3199 of 3200 (0.00 s to 9.90 s)");
  Key(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(View().Width(), 2560u) << "Ctrl++, with Shift as most keyboards give it";
  Key(Qt::Key_Equal, Qt::ControlModifier);
  EXPECT_EQ(View().Width(), 2048u);
  Key(Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(View().Width(), 2560u);
  Key(Qt::Key_Home);
  EXPECT_EQ(View().First(), 0u);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(View().First(), 640u) << "no further than the newest";
  Key(Qt::Key_End);
  EXPECT_FALSE(Viewer().Live()) << "not measuring: End shows the newest part, no live trace";
  EXPECT_EQ(View().End(), 3200u);
  // The menu shows each key.
  EXPECT_EQ(Form().PopupMenu1->ItemForKey(QKeyCombination(Qt::Key_F).toCombined())->ShortCut, "F");
  // The cursor keys keep their meaning.
  for (int i = 0; i < 200; ++i) Form().AddToHistory(0.5);
  Form().RedrawFromHistory();
  Form().Reading.PlaceCursor(TCursorName::A, 10);
  Key(Qt::Key_Right);
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::A), 11);
  EXPECT_EQ(View().End(), 3200u);
}

TEST_F(WindowRunView, TheDirectionTurnedInAViewHoldsOnReturnAndTheGraphTakesTheView) {
  Run(100);
  Measure(true);
  Key(Qt::Key_PageUp);
  ASSERT_FALSE(Viewer().Live());
  EXPECT_TRUE(Form().GraphOfAView);
  const TGraphContent shown = Form().GraphContent(QDateTime::currentDateTime(), 800);
  EXPECT_EQ(shown.FirstSample, View().First());
  EXPECT_EQ(shown.EndSample, View().End());

  Key(Qt::Key_T);  // the newest at the right, chosen while the view shows
  ASSERT_TRUE(Form().NewestAtRight);
  EXPECT_FALSE(Chart().BottomAxis->Inverted()) << "run positions grow to the right";
  Key(Qt::Key_End);
  ASSERT_TRUE(Viewer().Live());
  EXPECT_TRUE(Chart().BottomAxis->Inverted()) << "the live trace's x grows from the newest";
  EXPECT_FALSE(Form().GraphOfAView);
  Form().AddToHistory(0.5);
  EXPECT_EQ(Form().GraphContent(QDateTime::currentDateTime(), 800).EndSample, 1u)
      << "the live values again";
}

TEST_F(WindowRunView, PPlaysTheViewAsDrawnAndTheLiveTraceAgainOnTheReturn) {
  Run(100);  // raw 32 b + k: rising with the position
  Measure(true);
  for (int i = 0; i < 200; ++i) Form().AddToHistory(0.5);
  Form().RedrawFromHistory();
  Key(Qt::Key_PageUp);  // samples 2800 to 2999
  ASSERT_FALSE(Viewer().Live());
  std::vector<double> volts = window->Listening().TraceNow().volts;
  ASSERT_EQ(volts.size(), 200u);
  // The newest at the left: falling from left to right, as drawn.
  EXPECT_DOUBLE_EQ(volts.front(), BoardProtocol::VoltsFromRaw(2999 % 1024));
  EXPECT_DOUBLE_EQ(volts.back(), BoardProtocol::VoltsFromRaw(2800 % 1024));
  Form().SetNewestAtRight(true);
  volts = window->Listening().TraceNow().volts;
  EXPECT_DOUBLE_EQ(volts.front(), BoardProtocol::VoltsFromRaw(2800 % 1024));
  // A whole run is heard through a few hundred values.
  Key(Qt::Key_F);
  EXPECT_LE(window->Listening().TraceNow().volts.size(), 400u);
  Key(Qt::Key_End);
  ASSERT_TRUE(Viewer().Live());
  volts = window->Listening().TraceNow().volts;
  EXPECT_EQ(volts, std::vector<double>(200, 0.5)) << "the live trace's values again";
}

TEST_F(WindowRunView, TheWheelZoomsAroundTheSampleUnderThePointerAndADragScrolls) {
  Run(100);
  Key(Qt::Key_F);
  WaitMs(20);
  const QPoint at(Chart().PlotRect.Left + Chart().PlotWidth() / 3, PlotMiddleY());
  const double under = SampleAtPixel(at.x());
  Wheel(at, 120 * 3);
  EXPECT_LT(View().Width(), 3200u * 0.6);
  WaitMs(20);  // laid out for the new range
  EXPECT_NEAR(SampleAtPixel(at.x()), under, 3.0) << "the same sample stays under the pointer";
  Wheel(at, -120 * 4);
  EXPECT_EQ(View().Width(), 3200u) << "no wider than the run";

  // A drag to the right brings what lay left into view: with the newest at the left, newer
  // samples.
  Key(Qt::Key_Home);
  for (int i = 0; i < 3; ++i) Key(Qt::Key_Plus, Qt::ControlModifier);
  WaitMs(20);
  const uint64_t first = View().First();
  const double perPixel = double(View().Width()) / Chart().PlotWidth();
  Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
  Mouse(QEvent::MouseMove, at + QPoint(100, 0), Qt::LeftButton);

  Mouse(QEvent::MouseButtonRelease, at + QPoint(100, 0), Qt::NoButton);
  EXPECT_NEAR(double(View().First()), double(first) + 100 * perPixel, perPixel * 2);
  // A move without the button held moves nothing.
  const uint64_t after = View().First();
  Mouse(QEvent::MouseMove, at, Qt::NoButton);
  EXPECT_EQ(View().First(), after);
  // Shift+wheel scrolls by a tenth of the view; towards oneself, to the right: older here.
  Wheel(at, -120, Qt::ShiftModifier);
  EXPECT_NEAR(double(View().First()), double(after) - View().Width() / 10.0, 1.0);

  // With the newest at the right, the axis runs the other way and a drag too.
  Form().NewestAtRight = true;
  Form().OnTimeDirectionChanged(&Form());
  EXPECT_FALSE(Chart().BottomAxis->Inverted());
  const uint64_t before = View().First();
  Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
  Mouse(QEvent::MouseMove, at + QPoint(50, 0), Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, at + QPoint(50, 0), Qt::NoButton);
  EXPECT_LT(View().First(), before);
}

TEST_F(WindowRunView, AGapIsDrawnAsABreakNotALineAcrossIt) {
  TRun& run = Form().Runs.StartRun({});
  const std::vector<uint16_t> low(32, 512 - 400), high(32, 512 + 400);  // -3.9 V, +3.9 V
  for (int b = 0; b < 50; ++b) Form().Runs.AppendBlock(low, b * 100);
  Form().Runs.MarkGap();
  for (int b = 50; b < 100; ++b) Form().Runs.AppendBlock(high, b * 100);
  ASSERT_EQ(run.Gaps(), std::vector<uint64_t>{1600});
  // Closer than a pixel a sample, so the break falls between two columns.
  Key(Qt::Key_F);
  WaitMs(20);
  Wheel({Chart().BottomAxis->ValueToPosition(1600), PlotMiddleY()}, 120 * 16);
  ASSERT_LT(View().Width(), 200u);
  WaitMs(20);
  const QImage image = Chart().grab().toImage();
  const int x = Chart().BottomAxis->ValueToPosition(1600);
  // Around the gap's pixel, nothing yellow crosses the middle of the plot.
  for (int dx = -4; dx <= 4; ++dx) EXPECT_FALSE(Yellow(image.pixelColor(x + dx, PlotMiddleY())));
  // Each side is drawn.
  auto yellowIn = [&](int column) {
    for (int y = Chart().PlotRect.Top; y < Chart().PlotRect.Bottom; ++y) {
      if (Yellow(image.pixelColor(column, y))) return true;
    }
    return false;
  };
  EXPECT_TRUE(yellowIn(x - 20));
  EXPECT_TRUE(yellowIn(x + 20));
  // Without the gap the line crosses.
  TRun& joined = Form().Runs.StartRun({});
  for (int b = 0; b < 50; ++b) Form().Runs.AppendBlock(low, b * 100);
  for (int b = 50; b < 100; ++b) Form().Runs.AppendBlock(high, b * 100);
  ASSERT_TRUE(joined.Gaps().empty());
  Form().OnShowRun(&Form(), Form().Runs.RunCount() - 1);
  WaitMs(20);
  Wheel({Chart().BottomAxis->ValueToPosition(1600), PlotMiddleY()}, 120 * 16);
  WaitMs(20);
  ASSERT_EQ(Chart().BottomAxis->ValueToPosition(1600), x);
  const QImage crossed = Chart().grab().toImage();
  bool crossing = false;
  for (int dx = -4; dx <= 4; ++dx)
    crossing = crossing || Yellow(crossed.pixelColor(x + dx, PlotMiddleY()));
  EXPECT_TRUE(crossing);
}

TEST_F(WindowRunView, ARunShownByItsIndexIsShownWholeWithItsFileInTheCaption) {
  Run(10);
  TRun& opened = Run(20);
  opened.SetFileName("/home/student/実験/run.csv");
  Form().OnShowRun(&Form(), 1);
  EXPECT_FALSE(Viewer().Live());
  EXPECT_EQ(View().Run(), &opened);
  EXPECT_EQ(View().First(), 0u);
  EXPECT_EQ(View().End(), 640u);
  EXPECT_EQ(Form().Caption(), "簡易オシロソフト — run.csv");
  EXPECT_EQ(window->windowTitle(), "簡易オシロソフト — run.csv");
  Form().OnShowRun(&Form(), 0);
  EXPECT_EQ(View().End(), 320u);
  EXPECT_EQ(Form().Caption(), "簡易オシロソフト");
  Form().OnShowRun(&Form(), 7);  // no such run: nothing changes
  EXPECT_EQ(View().End(), 320u);
  // A start shows the live trace again, with the window's own caption.
  Form().OnShowRun(&Form(), 1);
  Measure(true);
  Form().OnMeasuringChanged(&Form());
  EXPECT_TRUE(Viewer().Live());
  EXPECT_EQ(Form().Caption(), "簡易オシロソフト");
}

TEST_F(WindowRunView, ThePointerReadsTheRunsSampleInAView) {
  Run(100);
  Key(Qt::Key_Home);
  WaitMs(20);
  const int x = Chart().BottomAxis->ValueToPosition(100.5);
  Mouse(QEvent::MouseMove, QPoint(x, PlotMiddleY()), Qt::NoButton);
  const std::optional<QString> text = Viewer().PointerText();
  ASSERT_TRUE(text.has_value());
  // Raw 100 is (100 - 512) / 102.4 V.
  EXPECT_EQ(*text, "sample 100: −4.023 V");
}

}  // namespace

TEST_F(WindowRunView, SamplesOrARunTheStoreLetsGoLeaveTheViewSafely) {
  TRun& run = Run(3 * TRun::kChunkSamples / 32);  // three chunks
  Key(Qt::Key_Home);
  WaitMs(20);
  ASSERT_EQ(View().First(), 0u);
  Mouse(QEvent::MouseMove, {Chart().BottomAxis->ValueToPosition(100.5), PlotMiddleY()},
        Qt::NoButton);
  ASSERT_TRUE(run.DropOldestChunk());
  // Asked before any gesture: what is still kept, never a dropped sample.
  EXPECT_EQ(Viewer().PointerText(), "sample 65536: −5.000 V");
  EXPECT_TRUE(window->Readout().Description().startsWith("samples 65536 to 65735 of 196608"));
  EXPECT_TRUE(window->Readout().Description().contains("the oldest 65536 samples were dropped"));

  // The run itself pushed out of the list by later ones: nothing to describe, and the next
  // gesture finds the live trace again.
  for (int i = 0; i < TRunStore::kMaxRuns; ++i) Run(1);
  EXPECT_EQ(Viewer().Description(), "");
  EXPECT_EQ(Viewer().PointerText(), std::nullopt);
  Key(Qt::Key_PageUp);
  EXPECT_FALSE(Viewer().Live()) << "the newest run, from the live end";
  EXPECT_EQ(View().Run(), &Form().Runs.RunAt(Form().Runs.RunCount() - 1));
}

// The README's picture of looking back, in Japanese: a capacitor charged and let go twice,
// the board unplugged between, measuring stopped, the whole run in view with the newest
// sample at the right. Saved where SIMPLESCOPE_LOOKING_BACK_SCREENSHOT says.
TEST_F(WindowRunView, TheWholeRunOfACapacitorAsTheReadmeShowsIt) {
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  InstallTranslations(QStringLiteral("simplescope"));
  TRun& run = Form().Runs.StartRun({});
  // 10 blocks a second; each half cycle 4 s, the time constant 0.8 s.
  std::vector<uint16_t> block(32);
  const auto volts = [](double t) {
    const double inCycle = std::fmod(t, 8.0);
    return inCycle < 4 ? 4.0 * (1 - std::exp(-inCycle / 0.8))
                       : 4.0 * (1 - std::exp(-4 / 0.8)) * std::exp(-(inCycle - 4) / 0.8);
  };
  for (int b = 0; b < 200; ++b) {
    if (b == 80) {  // unplugged for two seconds
      Form().Runs.MarkGap();
      b += 20;
    }
    for (int k = 0; k < 32; ++k)
      block[k] = static_cast<uint16_t>(std::lround(volts((b * 32 + k) * 0.1 / 32) * 102.4 + 512));
    Form().Runs.AppendBlock(block, b * 100);
  }
  ASSERT_EQ(run.Gaps().size(), 1u);
  Form().SetNewestAtRight(true);
  Key(Qt::Key_F);
  WaitMs(20);
  ASSERT_FALSE(Viewer().Live());
  EXPECT_EQ(View().Width(), run.SampleCount());
  // In Japanese when this test is the process's first to load the catalogue (the README's).
  EXPECT_TRUE(Chart().BottomAxis->Title.Caption().contains("5759"))
      << Chart().BottomAxis->Title.Caption().toStdString();
  const QImage picture = window->grab().toImage();
  if (const char* path = std::getenv("SIMPLESCOPE_LOOKING_BACK_SCREENSHOT")) {
    EXPECT_TRUE(picture.save(QString::fromLocal8Bit(path)));
  }
  QLocale::setDefault(QLocale::c());
}
