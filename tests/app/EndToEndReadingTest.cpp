// Reading values off the whole program measuring the virtual board on an emulated node
// (umockdev): the figures of a constant and of a sine, the pointer's readout against the
// copied table, and the cursors' differences against its rows.
// umockdev's glib headers first: Qt's "signals" keyword is a name in them.
#include "EmulatedBoard.h"
// Qt after them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTest>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

#include "PointerOnChart.h"
#include "app/Form1Window.h"
#include "app/MeasurementsWindow.h"
#include "app/TraceReadout.h"
#include "chart/Chart.h"
#include "framework/Dialogs.h"
#include "framework/Format.h"
#include "framework/MessageWait.h"
#include "protocol/BoardProtocol.h"

namespace {

class EmulatedReading : public ::testing::Test {
 protected:
  void SetUp() override {
    bed = std::make_unique<THidTestbed>();  // before any of the program's threads
    SetMessageBoxHook([this](TBoxKind, const QString& text) { boxes.push_back(text); });
    window = std::make_unique<TForm1Window>();
    window->show();
    ProcessMessages();
  }
  void TearDown() override {
    QToolTip::hideText();
    board.reset();
    window.reset();
    SetMessageBoxHook({});
    bed.reset();
  }

  TForm1& Form() { return window->Form(); }
  TChart& Chart() { return *window->Chart2(); }

  template <typename Condition>
  bool WaitUntil(Condition done, int ms = 5000) {
    for (int waited = 0; waited < ms && !done(); waited += 10) WaitMs(10);
    return done();
  }

  void PlugBoard(const TSignalSettings& signal) {
    TBoardOptions options;
    options.signal = signal;
    board = std::make_unique<TEmulatedBoard>(*bed, options);
    board->Plug();
    ASSERT_TRUE(WaitUntil([&] { return Form().BoardDevice != nullptr; })) << "no board";
  }
  // Measures until the trace is full, then stops: the trace stays still to be read.
  void MeasureAFullTraceAndStop(const TSignalSettings& signal) {
    ASSERT_NO_FATAL_FAILURE(PlugBoard(signal));
    Form().Image2->Click();
    ASSERT_TRUE(Form().Timer1->Enabled());
    ASSERT_TRUE(WaitUntil([&] { return Form().Reading.Figures.Count() == 200; }));
    Form().Image3->Click();
    WaitMs(20);
    ASSERT_TRUE(boxes.empty());
  }

  // The figures as the measurements window copies them: quantity to value.
  std::map<QString, double> CopiedFigures() {
    Form().MeasurementsItem->Click();
    TMeasurementsWindow* measurements = window->Readout().Measurements();
    if (!measurements) return {};
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(measurements, Qt::Key_C, Qt::ControlModifier);
    std::map<QString, double> figures;
    QStringList rows = QGuiApplication::clipboard()->text().split("\r\n", Qt::SkipEmptyParts);
    EXPECT_EQ(rows.value(0), "quantity\tvalue");
    for (const QString& row : rows.mid(1))
      figures[row.section('\t', 0, 0)] = row.section('\t', 1).toDouble();
    return figures;
  }
  // The trace's values as "値をコピー" copies them: sample number to volts.
  std::vector<double> CopiedTrace() {
    QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier);
    std::vector<double> volts;
    const QStringList rows = QGuiApplication::clipboard()->text().split("\r\n", Qt::SkipEmptyParts);
    for (int i = 1; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].section('\t', 0, 0).toInt(), i - 1);
      volts.push_back(rows[i].section('\t', 1).toDouble());
    }
    return volts;
  }

  QPoint AtX(double x) { return ChartPointAtX(Chart(), x); }
  void MoveTo(QPoint at) { MovePointerOnChart(Chart(), at); }

  std::unique_ptr<THidTestbed> bed;
  std::unique_ptr<TEmulatedBoard> board;
  std::unique_ptr<TForm1Window> window;
  std::vector<QString> boxes;
};

}  // namespace

TEST_F(EmulatedReading, AConstant768Is200ValuesOf2500mVWithoutSwing) {
  TSignalSettings constant;
  constant.kind = TSignalKind::Constant;
  constant.offsetVolts = (768 - TBoardSignal::kZeroVoltCount) / TBoardSignal::kCountsPerVolt;
  ASSERT_EQ(TBoardSignal::CountFor(constant.offsetVolts), 768);
  ASSERT_NO_FATAL_FAILURE(MeasureAFullTraceAndStop(constant));
  std::map<QString, double> figures = CopiedFigures();
  EXPECT_EQ(figures["count"], 200);
  for (const char* level : {"latest_V", "min_V", "max_V", "mean_V", "rms_V"})
    EXPECT_EQ(figures[level], 2.5) << level;
  EXPECT_EQ(figures["peak_to_peak_V"], 0);
  EXPECT_EQ(figures["ac_rms_V"], 0);
  TMeasurementsWindow* measurements = window->Readout().Measurements();
  ASSERT_NE(measurements, nullptr);
  EXPECT_EQ(measurements->ValueText("mean_V"), "2.500 V");
  EXPECT_EQ(measurements->ValueText("ac_rms_V"), "0.000 V");
}

TEST_F(EmulatedReading, ASineOf2VAnd64SamplesHasItsSwingAndItsAcRms) {
  TSignalSettings sine;  // the board's default: 2 V, 64 samples a period
  ASSERT_NO_FATAL_FAILURE(MeasureAFullTraceAndStop(sine));
  // The board's blocks start on whole blocks of its signal: in a period of 64, at 0 or 32.
  // Each block of the history is told apart by its values, the board's own.
  TBoardSignal signal(sine);
  std::vector<double> period;
  for (int n = 0; n < 64; ++n) period.push_back(BoardProtocol::VoltsFromRaw(signal.NextSample()));
  std::vector<double> exact;
  const TVoltsHistory& history = Form().VoltsHistory;
  for (int start = 0; start < history.Count(); start += 32) {
    int found = -1;
    for (int phase : {0, 32}) {
      bool same = true;
      for (int k = 0; k < 32 && start + k < history.Count() && same; ++k)
        same = history.At(start + k) == period[phase + 31 - k];  // newest first
      if (same) found = phase;
    }
    ASSERT_GE(found, 0) << "the block at " << start << " is no block the board sends";
    for (int k = 0; k < 32 && start + k < history.Count(); ++k)
      exact.push_back(period[found + 31 - k]);
  }
  double mean = 0, deviations = 0;
  for (double v : exact) mean += v / exact.size();
  for (double v : exact) deviations += (v - mean) * (v - mean) / exact.size();
  const auto [lowest, highest] = std::minmax_element(exact.begin(), exact.end());
  std::map<QString, double> figures = CopiedFigures();
  EXPECT_EQ(figures["count"], 200);
  // The table's six decimals.
  EXPECT_NEAR(figures["peak_to_peak_V"], *highest - *lowest, 0.5e-6);
  EXPECT_NEAR(figures["mean_V"], mean, 0.5e-6);
  EXPECT_NEAR(figures["ac_rms_V"], std::sqrt(deviations), 0.5e-6);
}

TEST_F(EmulatedReading, ASmallSineSwingsAsTheBoardMeasuredItNotAsTheTraceIsDrawn) {
  TSignalSettings sine;
  sine.amplitudeVolts = 0.15;  // counts 497 to 527; the trace draws -0.1 to 0.1
  ASSERT_NO_FATAL_FAILURE(MeasureAFullTraceAndStop(sine));
  std::map<QString, double> figures = CopiedFigures();
  EXPECT_EQ(figures["peak_to_peak_V"], 0.292969);
  EXPECT_NEAR(figures["max_V"], 15 / 102.4, 1e-6);
  EXPECT_EQ(window->Readout().Measurements()->ValueText("peak_to_peak_V"), "0.293 V");
  const std::vector<double> rows = CopiedTrace();
  ASSERT_EQ(rows.size(), 200u);
  EXPECT_EQ(*std::max_element(rows.begin(), rows.end()), 15 / 102.4);
  EXPECT_EQ(*std::min_element(rows.begin(), rows.end()), -15 / 102.4);
}

TEST_F(EmulatedReading, TheTooltipAndTheCursorsReadWhatTheCopiedTableHolds) {
  TSignalSettings sine;
  sine.periodSamples = 47;  // so that the rows differ from one another
  sine.amplitudeVolts = 3.7;
  ASSERT_NO_FATAL_FAILURE(MeasureAFullTraceAndStop(sine));
  const std::vector<double> rows = CopiedTrace();
  ASSERT_EQ(rows.size(), 200u);
  for (int x : {0, 13, 77, 150, 199}) {
    MoveTo(AtX(x));
    const QString tip = QToolTip::text();
    // "sample N: V V", V with three decimals and a true minus.
    const int sample = tip.section(' ', 1, 1).chopped(1).toInt();
    const double volts = tip.section(' ', 2, 2).replace(QChar(0x2212), '-').toDouble();
    EXPECT_EQ(sample, 199 - x) << tip.toStdString();
    EXPECT_NEAR(volts, rows[sample], 0.0005) << tip.toStdString();
  }
  MoveTo(AtX(30));
  QTest::keyClick(window.get(), Qt::Key_A);
  MoveTo(AtX(111));
  QTest::keyClick(window.get(), Qt::Key_B);
  std::map<QString, double> figures = CopiedFigures();
  EXPECT_EQ(figures["cursor_a"], 169);
  EXPECT_EQ(figures["cursor_b"], 88);
  EXPECT_EQ(figures["delta_samples"], 88 - 169);
  EXPECT_NEAR(figures["delta_V"], rows[88] - rows[169], 0.5e-6);
  EXPECT_EQ(figures["count"], 82);
}
