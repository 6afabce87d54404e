// The axis at the edges of what doubles and ints hold: values that are no numbers or
// endless, label searches that must end, pixels that must not overflow, and the exact
// halves that the rounding meets on the oscilloscope's own axis.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestChart.h"
#include "chart/ChartSeries.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class AxisLimits : public ::testing::Test {
 protected:
  void SetUp() override {
    chart.PlotRect = {40, 20, 600, 240};
    series = new TChartSeries(&chart);
    series->XValues->SetOrder(loNone);
    series->SetParentChart(&chart);
    chart.Canvas()->PrepareWindow(nullptr, nullptr, {0, 0, 640, 260}, false);
  }
  void Settle() {
    for (TCustomChartAxis* axis : chart.AxesList()) {
      axis->SettleRange();
      axis->PlaceAxis();
    }
  }
  TTestChart chart;
  TChartSeries* series;
};

QString AxisMessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const AxisException& e) {
    return e.Message();
  }
  ADD_FAILURE() << "no AxisException";
  return {};
}

}  // namespace

TEST_F(AxisLimits, ValuesThatAreNoNumbersTakeNoPartInTheAutomaticRange) {
  series->AppendPoint(kNaN, kNaN, "", DefaultPointColor);  // the first value, too
  series->AppendPoint(2, -3, "", DefaultPointColor);
  series->AppendPoint(kInf, 7, "", DefaultPointColor);
  series->AppendPoint(-kInf, kInf, "", DefaultPointColor);
  series->AppendPoint(5, 1, "", DefaultPointColor);
  Settle();
  EXPECT_EQ(chart.BottomAxis->WorkMinimum, 2);
  EXPECT_EQ(chart.BottomAxis->WorkMaximum, 5);
  EXPECT_EQ(chart.LeftAxis->WorkMinimum, -3);
  EXPECT_EQ(chart.LeftAxis->WorkMaximum, 7);
  // A series with nothing but such values counts as one without points.
  series->RemoveAllPoints();
  series->AppendPoint(kNaN, -kInf, "", DefaultPointColor);
  Settle();
  EXPECT_EQ(chart.BottomAxis->WorkMinimum, 0);
  EXPECT_EQ(chart.BottomAxis->WorkMaximum, 0);
  EXPECT_EQ(chart.LeftAxis->WorkRange, 0);
  // And the label step of such an axis comes back.
  EXPECT_GT(chart.LeftAxis->LabelStep(), 0);
}

TEST_F(AxisLimits, LimitsThatAreNoNumbersAreRefusedAndChangeNothing) {
  TChartAxis& axis = *chart.BottomAxis;
  axis.ApplyRange(0, 200);
  const QString minimum = "軸の最小値は有限の数でなければなりません";
  const QString maximum = "軸の最大値は有限の数でなければなりません";
  EXPECT_EQ(AxisMessageOf([&] { axis.SetMaximum(kInf); }), maximum);
  EXPECT_EQ(AxisMessageOf([&] { axis.SetMaximum(kNaN); }), maximum);
  EXPECT_EQ(AxisMessageOf([&] { axis.SetMinimum(-kInf); }), minimum);
  EXPECT_EQ(AxisMessageOf([&] { axis.SetMinimum(kNaN); }), minimum);
  EXPECT_EQ(AxisMessageOf([&] { axis.ApplyRange(1, kInf); }), maximum);
  EXPECT_EQ(AxisMessageOf([&] { axis.ApplyRange(kNaN, 1); }), minimum);
  EXPECT_EQ(AxisMessageOf([&] { axis.SetIncrement(kNaN); }),
            "軸の増加単位は 0 以上でなければなりません");
  EXPECT_EQ(AxisMessageOf([&] { axis.SetIncrement(kInf); }),
            "軸の増加単位は 0 以上でなければなりません");
  EXPECT_EQ(axis.Minimum(), 0);
  EXPECT_EQ(axis.Maximum(), 200);
  EXPECT_EQ(axis.Increment(), 0);
  EXPECT_FALSE(axis.Automatic());
  // Read from a stored form the cross-checks are off, the finite check is not.
  chart.SetLoading(true);
  EXPECT_EQ(AxisMessageOf([&] { axis.SetMinimum(kInf); }), minimum);
  chart.SetLoading(false);
}

TEST_F(AxisLimits, TheNextLabelStepAlwaysEnds) {
  EXPECT_EQ(TCustomChartAxis::NextLabelStep(1), 2);
  EXPECT_EQ(TCustomChartAxis::NextLabelStep(20), 50);
  EXPECT_DOUBLE_EQ(TCustomChartAxis::NextLabelStep(0.05), 0.1);
  EXPECT_DOUBLE_EQ(TCustomChartAxis::NextLabelStep(5e200), 1e201);
  EXPECT_DOUBLE_EQ(TCustomChartAxis::NextLabelStep(2e-200), 5e-200);
  // Every step on the sequence moves on, also where dividing by its decade comes out a hair
  // below its unit.
  for (double step = 1e-40; step < 1e300; step = TCustomChartAxis::NextLabelStep(step))
    ASSERT_GT(TCustomChartAxis::NextLabelStep(step), step) << step;
  EXPECT_GT(TCustomChartAxis::NextLabelStep(5e31), 5e31);
  // Steps with no next one on the sequence come back as they are.
  EXPECT_EQ(TCustomChartAxis::NextLabelStep(kInf), kInf);
  EXPECT_EQ(TCustomChartAxis::NextLabelStep(0), 0);
  EXPECT_EQ(TCustomChartAxis::NextLabelStep(-3), -3);
  EXPECT_TRUE(std::isnan(TCustomChartAxis::NextLabelStep(kNaN)));
}

TEST_F(AxisLimits, AStepSearchOverAnEndlessRangeEndsAndDrawsNoLabels) {
  TChartAxis& axis = *chart.BottomAxis;
  axis.ApplyRange(-1.7e308, 1.7e308);  // finite ends, a range beyond doubles
  Settle();
  ASSERT_TRUE(std::isinf(axis.WorkRange));
  EXPECT_GT(axis.LabelStepFor(28), 0);
  axis.DrawAxis(true);
  EXPECT_EQ(axis.TickCount, 0);
}

TEST_F(AxisLimits, LabelsFarFromZeroEndEvenWhenTheStepIsBelowTheSpacingOfDoubles) {
  // Near 1e20 doubles lie 16384 apart: stepping down by 5000 from a running value would
  // never move it.
  TChartAxis& axis = *chart.BottomAxis;
  axis.SetIncrement(5000);
  axis.ApplyRange(1e20, 1e20 + 65536);
  Settle();
  axis.DrawAxis(true);
  EXPECT_GT(axis.TickCount, 0);
  EXPECT_LE(axis.TickCount, 14);  // one per distinct value, at most 65536 / 5000 + 1
  for (int i = 1; i < axis.TickCount; ++i)
    EXPECT_LE(axis.TickPositions[i], axis.TickPositions[i - 1]);  // from the top down
}

TEST_F(AxisLimits, PixelsNearTheEndsOfIntAreClampedNotWrapped) {
  TChartAxis& axis = *chart.BottomAxis;
  axis.ApplyRange(0, 1);
  Settle();
  ASSERT_EQ(axis.StartPixel, 40);
  ASSERT_EQ(axis.AxisLength, 560);
  // 2147483620 pixels in fits an int, adding the start pixel does not.
  EXPECT_EQ(axis.ValueToPosition(2147483620.0 / 560), std::numeric_limits<int>::max());
  EXPECT_EQ(axis.ValueToPosition(-2147483620.0 / 560), 40 - 2147483620);
  chart.LeftAxis->ApplyRange(0, 1);
  Settle();  // vertical: the end pixel minus the offset
  ASSERT_EQ(chart.LeftAxis->EndPixel, 240);
  ASSERT_EQ(chart.LeftAxis->AxisLength, 220);
  EXPECT_EQ(chart.LeftAxis->ValueToPosition(-2147483600.0 / 220), std::numeric_limits<int>::max());
  EXPECT_EQ(chart.LeftAxis->ValueToPosition(2147483600.0 / 220), 240 - 2147483600);
  EXPECT_EQ(chart.LeftAxis->ValueToPosition(kNaN), chart.LeftAxis->CenterPixel);
}

TEST_F(AxisLimits, AnExactHalfRoundsToTheEvenPixel) {
  // The oscilloscope's bottom axis: 562 pixels for 0..200, so x = 50 lies 140.5 pixels in.
  chart.PlotRect = {36, 20, 598, 240};
  TChartAxis& axis = *chart.BottomAxis;
  axis.ApplyRange(0, 200);
  Settle();
  ASSERT_EQ(axis.AxisLength, 562);
  EXPECT_EQ(axis.ValueToPosition(50), 36 + 140);   // 140.5: down to the even 140
  EXPECT_EQ(axis.ValueToPosition(150), 36 + 422);  // 421.5: up to the even 422
  EXPECT_EQ(axis.ValueToPosition(10), 36 + 28);    // 28.1
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<int>::max());
  EXPECT_EQ(RoundHalfEven(kNaN), 0);
}
