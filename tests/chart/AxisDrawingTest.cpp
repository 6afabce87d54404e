#include <gtest/gtest.h>

#include "TestChart.h"
#include "chart/ChartSeries.h"

namespace {

// Labels drawn by an axis, collected through the label event.
class AxisDrawing : public ::testing::Test {
 public:
  void Label(TCustomChartAxis*, TChartSeries*, int, QString& text) { labels.push_back(text); }

 protected:
  void SetUp() override {
    chart.PlotRect = {0, 0, 1000, 400};
    series = new TChartSeries(&chart);
    series->SetParentChart(&chart);
    chart.Canvas()->PrepareWindow(nullptr, nullptr, {0, 0, 1000, 400}, false);
  }
  std::vector<QString> Draw(TCustomChartAxis& axis, double min, double max) {
    axis.ApplyRange(min, max);
    axis.SettleRange();
    axis.PlaceAxis();
    chart.OnGetAxisLabel = TAxisOnGetLabel::Bind<&AxisDrawing::Label>(this);
    axis.MaxLabelCount();  // the two measurements of the end labels, not counted below
    labels.clear();
    axis.DrawAxis(true);
    chart.OnGetAxisLabel = {};
    return labels;
  }
  TTestChart chart;
  TChartSeries* series;
  std::vector<QString> labels;
};

}  // namespace

TEST_F(AxisDrawing, FirstLabelRoundedToTheStep) {
  TChartAxis& axis = *chart.BottomAxis;
  axis.SetIncrement(2);
  axis.SetLabelsSeparation(0);
  axis.SetAxisValuesFormat("0.0");
  auto drawn = Draw(axis, 0.5, 7.3);
  drawn.erase(drawn.begin(), drawn.begin() + 2);  // LabelStep's own measurements
  EXPECT_EQ(drawn, (std::vector<QString>{"6.0", "4.0", "2.0"}));
  axis.SetRoundFirstLabel(false);
  drawn = Draw(axis, 0.5, 7.3);
  drawn.erase(drawn.begin(), drawn.begin() + 2);
  EXPECT_EQ(drawn, (std::vector<QString>{"7.3", "5.3", "3.3", "1.3"}));
}

TEST_F(AxisDrawing, LabelsAtTheEndsCanBeLeftOut) {
  TChartAxis& axis = *chart.BottomAxis;
  axis.SetIncrement(50);
  axis.SetLabelsSeparation(0);
  Draw(axis, 0, 200);
  EXPECT_EQ(axis.TickCount, 5);
  axis.SetLabelsOnAxis(false);
  Draw(axis, 0, 200);
  EXPECT_EQ(axis.TickCount, 3);  // 150, 100, 50
  EXPECT_EQ(axis.TickPositions[0], axis.ValueToPosition(150));
}

TEST_F(AxisDrawing, TickPositionsStopAtTheBuffer) {
  TChartAxis& axis = *chart.BottomAxis;
  axis.SetLabelsSeparation(0);  // step 1 on a range of 5000: 5001 labels
  axis.SetLabels(false);
  axis.SetTickOnLabelsOnly(false);
  Draw(axis, 0, 5000);
  EXPECT_EQ(axis.TickCount, TCustomChartAxis::kMaxTickPositions);
  Draw(axis, 0, 20000);  // 10000 steps or more: none at all
  EXPECT_EQ(axis.TickCount, 0);
}

TEST_F(AxisDrawing, NoActiveSeriesNoLabels) {
  series->SetActive(false);
  EXPECT_EQ(chart.LeftAxis->ResolvedLabelStyle(), talNone);
  series->SetActive(true);
  EXPECT_EQ(chart.LeftAxis->ResolvedLabelStyle(), talValue);
  series->AppendPoint(1, 1, "one", DefaultPointColor);
  EXPECT_EQ(chart.BottomAxis->ResolvedLabelStyle(), talText);
  EXPECT_EQ(chart.LeftAxis->ResolvedLabelStyle(), talValue);
}

TEST_F(AxisDrawing, RoomForTitleLabelsAndTicks) {
  TChartAxis& axis = *chart.BottomAxis;
  axis.ApplyRange(0, 10);
  TRect rect{0, 0, 1000, 400};
  axis.ReserveAxisSpace(rect);
  chart.Canvas()->Font = axis.LabelsFont();
  EXPECT_EQ(rect.Bottom, 400 - chart.Canvas()->FontHeight() - 6);
  axis.Title.SetCaption("t");
  axis.SetTitleSize(20);
  axis.SetLabelsSize(30);
  rect = {0, 0, 1000, 400};
  axis.ReserveAxisSpace(rect);
  EXPECT_EQ(rect.Bottom, 400 - 20 - 30 - 6);
  EXPECT_EQ(axis.TitlePosition, 380);
  EXPECT_EQ(axis.LabelsPosition, 350);
}

TEST_F(AxisDrawing, AnEndlessMinorTickCountMarksEveryPixelOnceAndEnds) {
  TChartAxis& axis = *chart.BottomAxis;
  axis.SetIncrement(100);
  axis.SetLabelsSeparation(0);
  axis.SetMinorTickCount(2000000000);
  Draw(axis, 0, 200);  // would run 2000 million marks per gap
  EXPECT_EQ(axis.TickCount, 3);
}
