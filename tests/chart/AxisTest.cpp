#include <gtest/gtest.h>

#include "TestChart.h"
#include "chart/ChartSeries.h"

namespace {

QString MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return {};
}

// A chart with a plot rectangle like the oscilloscope's and both axes fixed.
class Axis : public ::testing::Test {
 protected:
  void SetUp() override {
    chart.PlotRect = {40, 20, 600, 240};
    bottom().ApplyRange(0, 200);
    left().ApplyRange(-5, 5);
    for (TCustomChartAxis* axis : chart.AxesList()) {
      axis->SettleRange();
      axis->PlaceAxis();
    }
  }
  TChartAxis& bottom() { return *chart.BottomAxis; }
  TChartAxis& left() { return *chart.LeftAxis; }
  TTestChart chart;
};

}  // namespace

TEST_F(Axis, FiveAxesInTheirOrderWithTheirAttributes) {
  const auto& axes = chart.AxesList();
  ASSERT_EQ(axes.size(), 5u);
  EXPECT_EQ(axes[0], chart.BottomAxis);
  EXPECT_EQ(axes[2], chart.LeftAxis);
  EXPECT_TRUE(chart.TopAxis->IsOtherSide());
  EXPECT_FALSE(chart.LeftAxis->IsHorizontal());
  EXPECT_EQ(chart.LeftAxis->Title.Angle(), 90);
  EXPECT_EQ(chart.RightAxis->Title.Angle(), 270);
  EXPECT_FALSE(chart.DepthAxis->Visible());
  EXPECT_EQ(chart.BottomAxis->Axis.Width(), 2);
  EXPECT_EQ(chart.BottomAxis->Grid.Style(), psDot);
  EXPECT_FALSE(chart.BottomAxis->MinorGrid.Visible());
  EXPECT_FALSE(chart.LeftAxis->Title.IsAngleStored());
}

TEST_F(Axis, PublishedPropertiesStartAtTheirDefaults) {
  TChartAxis& axis = *chart.TopAxis;  // untouched by the fixture
  EXPECT_TRUE(axis.Automatic());
  EXPECT_TRUE(axis.AutomaticMaximum());
  EXPECT_TRUE(axis.AutomaticMinimum());
  EXPECT_EQ(axis.AxisValuesFormat(), "#,##0.###");
  EXPECT_FALSE(axis.IsAxisValuesFormatStored());
  EXPECT_EQ(axis.DateTimeFormat(), "");
  EXPECT_TRUE(axis.ExactDateTime());
  EXPECT_FALSE(axis.GridCentered());
  EXPECT_EQ(axis.Increment(), 0);
  EXPECT_FALSE(axis.Inverted());
  EXPECT_TRUE(axis.Labels());
  EXPECT_EQ(axis.LabelsAngle(), 0);
  EXPECT_FALSE(axis.LabelsMultiLine());
  EXPECT_TRUE(axis.LabelsOnAxis());
  EXPECT_EQ(axis.LabelsSeparation(), 10);
  EXPECT_EQ(axis.LabelsSize(), 0);
  EXPECT_EQ(axis.LabelStyle(), talAuto);
  EXPECT_FALSE(axis.Logarithmic());
  EXPECT_EQ(axis.LogarithmicBase(), 10);
  EXPECT_EQ(axis.Maximum(), 0);
  EXPECT_EQ(axis.Minimum(), 0);
  EXPECT_FALSE(axis.IsMaximumStored());
  EXPECT_FALSE(axis.IsMinimumStored());
  EXPECT_EQ(axis.MinorTickCount(), 3);
  EXPECT_EQ(axis.MinorTickLength(), 2);
  EXPECT_EQ(axis.MinorTicks.Color(), 0x808080u);
  EXPECT_EQ(axis.StartPosition(), 0);
  EXPECT_EQ(axis.EndPosition(), 100);
  EXPECT_EQ(axis.PositionPercent(), 0);
  EXPECT_TRUE(axis.RoundFirstLabel());
  EXPECT_EQ(axis.TickInnerLength(), 0);
  EXPECT_EQ(axis.TickLength(), 4);
  EXPECT_TRUE(axis.TickOnLabelsOnly());
  EXPECT_EQ(axis.Ticks.Color(), 0x808080u);
  EXPECT_EQ(axis.TicksInner.Color(), 0x808080u);
  EXPECT_EQ(axis.TitleSize(), 0);
  EXPECT_TRUE(axis.Visible());
  EXPECT_EQ(axis.LabelsFont(), TChartFont{});
}

TEST_F(Axis, FixedRangeStaysWhateverTheSeriesHolds) {
  TChartSeries series(nullptr);
  series.SetParentChart(&chart);
  for (double x : {-50.0, 1.0, 5000.0}) series.AppendPoint(x, 100 * x, "", DefaultPointColor);
  bottom().SettleRange();
  EXPECT_EQ(bottom().WorkMinimum, 0);
  EXPECT_EQ(bottom().WorkMaximum, 200);
  chart.TopAxis->SettleRange();  // automatic, but no series on it
  EXPECT_EQ(chart.TopAxis->WorkRange, 0);
  bottom().SetAutomatic(true);
  bottom().SettleRange();
  EXPECT_EQ(bottom().WorkMinimum, -50);
  EXPECT_EQ(bottom().WorkMaximum, 5000);
}

TEST_F(Axis, PlacedOnThePlotRectangle) {
  EXPECT_EQ(bottom().StartPixel, 40);
  EXPECT_EQ(bottom().EndPixel, 600);
  EXPECT_EQ(bottom().AxisLength, 560);
  EXPECT_EQ(bottom().CenterPixel, 320);
  EXPECT_EQ(left().StartPixel, 20);
  EXPECT_EQ(left().EndPixel, 240);
  bottom().SetStartPosition(10);
  bottom().SetEndPosition(50);
  bottom().PlaceAxis();
  EXPECT_EQ(bottom().StartPixel, 96);
  EXPECT_EQ(bottom().EndPixel, 320);
}

TEST_F(Axis, ValuesToPixelsAndBack) {
  EXPECT_EQ(left().ValueToPosition(-5), left().EndPixel);
  EXPECT_EQ(left().ValueToPosition(5), left().StartPixel);
  EXPECT_EQ(left().ValueToPosition(0), left().EndPixel - 110);
  EXPECT_EQ(bottom().ValueToPosition(0), 40);
  EXPECT_EQ(bottom().ValueToPosition(200), 600);
  EXPECT_EQ(bottom().ValueToPosition(100), 320);
  // 0.5 pixels round to even: 1 x 560 / 200 = 2.8 -> 3; 0.25 x 2.8 = 0.7 -> 1
  EXPECT_EQ(bottom().ValueToPosition(1), 43);
  EXPECT_DOUBLE_EQ(bottom().PositionToValue(320), 100);
  EXPECT_DOUBLE_EQ(left().PositionToValue(20), 5);
  left().SetInverted(true);
  EXPECT_EQ(left().ValueToPosition(-5), left().StartPixel);
  EXPECT_DOUBLE_EQ(left().PositionToValue(20), -5);
}

TEST_F(Axis, DegenerateMappingsGoToTheCentre) {
  EXPECT_EQ(left().ValueToPosition(1e300), left().CenterPixel);  // beyond 32 bits
  EXPECT_EQ(left().ValueToPosition(std::nan("")), left().CenterPixel);
  left().WorkRange = 0;
  EXPECT_EQ(left().ValueToPosition(3), left().CenterPixel);
  chart.PlotRect = {10, 10, 10, 10};
  left().PlaceAxis();
  EXPECT_EQ(left().PositionToValue(10), 0);
}

TEST_F(Axis, StepSearchOnARangeOf200) {
  EXPECT_EQ(bottom().LabelStepFor(28), 10);
  EXPECT_EQ(bottom().LabelStepFor(10), 20);
  EXPECT_EQ(bottom().LabelStepFor(200), 1);
  EXPECT_EQ(bottom().LabelStepFor(500), 1);
  EXPECT_EQ(bottom().LabelStepFor(0), 1e-12);
  bottom().SetIncrement(7);
  EXPECT_EQ(bottom().LabelStepFor(100), 7);
  EXPECT_EQ(bottom().LabelStepFor(20), 10);
  EXPECT_EQ(bottom().LabelStepFor(15), 20);
  bottom().SetIncrement(0);
  bottom().SetLabelsSeparation(0);
  EXPECT_EQ(bottom().LabelStepFor(5), 1);  // no search
  EXPECT_DOUBLE_EQ(TCustomChartAxis::NextLabelStep(0.2), 0.5);
  EXPECT_EQ(TCustomChartAxis::NextLabelStep(50), 100);
  EXPECT_EQ(TCustomChartAxis::NextLabelStep(3), 5);
}

TEST_F(Axis, StepFromMeasuredLabels) {
  // The left axis's "-5" and "5" are one line: over ten labels fit in 220 pixels.
  EXPECT_GT(left().MaxLabelCount(), 10);
  EXPECT_EQ(left().LabelStep(), 1);
  const int count = bottom().MaxLabelCount();
  EXPECT_GE(count, 20);
  EXPECT_LE(count, 39 + 40);  // depends on the face's digit widths
  EXPECT_GE(bottom().LabelStep(), 5);
}

TEST_F(Axis, LabelTextsByThePicture) {
  EXPECT_EQ(bottom().LabelText(200), "200");
  EXPECT_EQ(bottom().LabelText(-5), "-5");
  EXPECT_EQ(bottom().LabelText(1234.5), "1,234.5");
  EXPECT_EQ(bottom().LabelText(0.12345), "0.123");
  EXPECT_EQ(bottom().LabelText(-0.0001), "0");
  bottom().SetAxisValuesFormat("0.00");
  EXPECT_EQ(bottom().LabelText(2.5), "2.50");
  EXPECT_TRUE(bottom().IsAxisValuesFormatStored());
  bottom().SetLabelsMultiLine(true);
  bottom().SetAxisValuesFormat("#,##0 V");
  EXPECT_EQ(bottom().LabelText(3), QString("3") + QChar(13) + "V");
}

TEST_F(Axis, ApplyRangeSwapsAndWidensAndSwitchesAutomaticOff) {
  chart.TopAxis->ApplyRange(10, 5);
  EXPECT_EQ(chart.TopAxis->Minimum(), 5);
  EXPECT_EQ(chart.TopAxis->Maximum(), 10);
  EXPECT_FALSE(chart.TopAxis->Automatic());
  EXPECT_FALSE(chart.TopAxis->AutomaticMinimum());
  chart.TopAxis->ApplyRange(3, 3);
  EXPECT_DOUBLE_EQ(chart.TopAxis->Maximum(), 3.0000000001);
  EXPECT_TRUE(chart.TopAxis->IsMaximumStored());
  EXPECT_TRUE(chart.TopAxis->IsMinimumStored());
  chart.TopAxis->SetAutomaticMinimum(true);  // an end taken from the series is not stored
  EXPECT_FALSE(chart.TopAxis->IsMinimumStored());
  EXPECT_TRUE(chart.TopAxis->IsMaximumStored());
}

TEST_F(Axis, ChecksRefuseAndKeepTheValue) {
  EXPECT_EQ(MessageOf([&] { left().SetMinimum(10); }),
            "軸の最小値は最大値以下でなければなりません");
  EXPECT_EQ(left().Minimum(), -5);
  EXPECT_EQ(MessageOf([&] { left().SetMaximum(-10); }),
            "軸の最大値は最小値以上でなければなりません");
  EXPECT_EQ(MessageOf([&] { left().SetIncrement(-1); }),
            "軸の増加単位は 0 以上でなければなりません");
  EXPECT_EQ(MessageOf([&] { left().SetLabelsSeparation(-1); }),
            "ラベルの間隔は 0 以上でなければなりません");
  EXPECT_EQ(MessageOf([&] { left().SetLogarithmic(true); }),
            "対数軸の最大/最小値は 0 以上でなければなりません");
  EXPECT_FALSE(left().Logarithmic());
  EXPECT_EQ(MessageOf([&] { left().SetLogarithmicBase(1); }),
            "Axis Logarithmic Base should be >= 2");
  EXPECT_EQ(MessageOf([&] { left().SetLabelsAngle(360); }),
            "軸ラベルの角度は 0 から 359 の間でなければなりません");
  EXPECT_EQ(MessageOf([&] { left().Title.SetAngle(-1); }),
            "軸タイトルの角度は 0 から 359 の間でなければなりません");
  left().SetLabelsAngle(359);
  EXPECT_EQ(left().LabelsAngle(), 359);
  // While the form is read, the two ends may arrive in any order.
  chart.SetLoading(true);
  left().SetMinimum(10);
  left().SetMaximum(20);
  chart.SetLoading(false);
  EXPECT_EQ(left().Minimum(), 10);
}

TEST_F(Axis, ADateTimeAxisCantBeLogarithmic) {
  TChartSeries series(nullptr);
  series.SetParentChart(&chart);
  series.XValues->SetDateTime(true);
  series.AppendPoint(45000, 1, "", DefaultPointColor);
  bottom().ApplyRange(1, 2);
  EXPECT_EQ(MessageOf([&] { bottom().SetLogarithmic(true); }),
            "日付時刻軸を対数軸にすることはできません");
  EXPECT_TRUE(bottom().IsDateTimeAxis);
  EXPECT_EQ(bottom().LabelText(-1), "");  // dates before the epoch have no text
}

TEST_F(Axis, AutomaticFlagsFollowEachOther) {
  TChartAxis& top = *chart.TopAxis;
  top.SetAutomaticMinimum(false);
  EXPECT_FALSE(top.Automatic());
  EXPECT_TRUE(top.AutomaticMaximum());
  top.SetAutomaticMinimum(true);
  EXPECT_TRUE(top.Automatic());
  top.SetAutomatic(false);
  EXPECT_FALSE(top.AutomaticMinimum());
  EXPECT_FALSE(top.AutomaticMaximum());
  chart.SetLoading(true);
  top.SetAutomatic(true);  // while loading the other two stay as stored
  chart.SetLoading(false);
  EXPECT_FALSE(top.AutomaticMaximum());
}

TEST_F(Axis, SettersAskForARepaintOnlyOnChange) {
  const int before = chart.repaints;
  left().SetTickLength(4);
  left().SetDateTimeFormat("");
  left().SetLabelStyle(talAuto);
  EXPECT_EQ(chart.repaints, before);
  left().SetTickLength(5);
  left().Grid.SetColor(clWhite);
  left().SetDateTimeFormat("hh:mm");
  left().SetLabelStyle(talValue);
  EXPECT_EQ(chart.repaints, before + 4);
  EXPECT_EQ(left().DateTimeFormat(), "hh:mm");
  EXPECT_EQ(left().LabelStyle(), talValue);
}
