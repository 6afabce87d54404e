#include <gtest/gtest.h>

#include <QPainter>

#include "TestChart.h"
#include "chart/FastLineSeries.h"

namespace {

// A chart whose bottom axis maps x to pixel 10 x and whose left axis maps y to 100 - y.
class FastLine : public ::testing::Test {
 protected:
  void SetUp() override {
    chart.PlotRect = {0, 0, 2000, 100};
    chart.BottomAxis->ApplyRange(0, 200);
    chart.LeftAxis->ApplyRange(0, 100);
    series = new TFastLineSeries(&chart);
    series->SetParentChart(&chart);
    Place();
    chart.Canvas()->PrepareWindow(nullptr, nullptr, {0, 0, 50, 50}, false);
  }
  void Place() {
    for (TCustomChartAxis* axis : chart.AxesList()) {
      axis->SettleRange();
      axis->PlaceAxis();
    }
  }
  void Points(int count) {
    for (int i = 0; i < count; ++i) series->AppendPoint(i, i, "", DefaultPointColor);
  }
  TTestChart chart;
  TFastLineSeries* series;
};

}  // namespace

TEST_F(FastLine, VisibleRangeByTheAxisEdges) {
  Points(200);
  chart.BottomAxis->ApplyRange(50, 100);
  Place();
  series->CalcVisibleRange();
  EXPECT_EQ(series->FirstVisibleIndex, 50);
  EXPECT_EQ(series->LastVisibleIndex, 100);
  series->KeepPointPastEnd = false;
  series->CalcVisibleRange();
  EXPECT_EQ(series->LastVisibleIndex, 100);
  chart.BottomAxis->ApplyRange(50.5, 99.5);
  Place();
  series->CalcVisibleRange();
  EXPECT_EQ(series->FirstVisibleIndex, 51);
  EXPECT_EQ(series->LastVisibleIndex, 99);
  series->KeepPointPastEnd = true;
  series->CalcVisibleRange();
  EXPECT_EQ(series->LastVisibleIndex, 100);
  chart.BottomAxis->ApplyRange(500, 600);
  Place();
  series->CalcVisibleRange();
  EXPECT_EQ(series->FirstVisibleIndex, -1);
  EXPECT_EQ(series->LastVisibleIndex, -1);
  series->RemoveAllPoints();
  series->CalcVisibleRange();
  EXPECT_EQ(series->FirstVisibleIndex, -1);
}

TEST_F(FastLine, EntersFromThePointBeforeTheRange) {
  Points(10);
  series->FirstVisibleIndex = 5;
  series->LastVisibleIndex = 9;
  series->DrawPoints();
  // The first call was a line from point 4 to point 5: the pen now sits at point 9.
  EXPECT_EQ(chart.Canvas()->PenPosition(), (TPoint{90, 91}));
  EXPECT_EQ(series->LastDrawnPixel(), (TPoint{90, 91}));
}

TEST_F(FastLine, PointsOnTheSamePixelAreSkipped) {
  series->AppendPoint(0, 0, "", DefaultPointColor);
  series->AppendPoint(0.01, 0, "", DefaultPointColor);
  series->AppendPoint(0.02, 0, "", DefaultPointColor);
  series->AppendPoint(1, 10, "", clNone);  // a null point is drawn like any other
  series->CalcVisibleRange();
  series->DrawPoints();
  EXPECT_EQ(series->LastDrawnPixel(), (TPoint{10, 90}));
  EXPECT_EQ(series->PointAtPixel(0, 100), 0);
  EXPECT_EQ(series->PointAtPixel(10, 90), 3);
  EXPECT_EQ(series->PointAtPixel(5, 95), 2);  // on the segment from 2 to 3
  EXPECT_EQ(series->PointAtPixel(5, 50), -1);
}

TEST_F(FastLine, ColourOfTheSeriesAndOfItsPen) {
  series->SetSeriesColor(0x0000FF);
  EXPECT_EQ(series->LinePen.Color(), 0x0000FFu);
  TChartPen blue;
  blue.SetColor(0xFF0000);
  series->SetLinePen(blue);
  EXPECT_EQ(series->SeriesColor(), 0xFF0000u);
  series->LinePen.SetColor(0x00FF00);
  EXPECT_EQ(series->SeriesColor(), 0xFF0000u);
  EXPECT_TRUE(series->KeepPointPastEnd);
  EXPECT_TRUE(series->AutoRepaint());
}

TEST_F(FastLine, WithoutAutoRepaintANewPointIsDrawnAtOnce) {
  Points(3);
  const int repaints = chart.repaints;
  series->SetAutoRepaint(false);
  series->AppendPoint(3, 30, "", DefaultPointColor);
  EXPECT_EQ(chart.repaints, repaints);
  EXPECT_EQ(chart.Canvas()->PenPosition(), (TPoint{30, 70}));
}

TEST_F(FastLine, ASinglePointIsAMoveAndNothingMore) {
  series->AppendPoint(5, 5, "", DefaultPointColor);
  series->CalcVisibleRange();
  EXPECT_EQ(series->FirstVisibleIndex, 0);
  EXPECT_EQ(series->LastVisibleIndex, 0);
  chart.Canvas()->PenMoveTo(-1, -1);
  series->DrawPoints();
  EXPECT_EQ(chart.Canvas()->PenPosition(), (TPoint{50, 95}));
  EXPECT_EQ(series->LastDrawnPixel(), (TPoint{50, 95}));
}

TEST_F(FastLine, AnInvisiblePenStillMovesButDrawsNothing) {
  Points(20);
  chart.Canvas()->Brush = {clBlack, bsSolid};
  chart.Canvas()->FillRectangle({0, 0, 50, 50});
  series->LinePen.SetVisible(false);
  series->LinePen.SetColor(clWhite);
  series->CalcVisibleRange();
  series->DrawPoints();
  EXPECT_EQ(chart.Canvas()->PenPosition(), (TPoint{190, 81}));
  QImage window(50, 50, QImage::Format_RGB32);
  window.fill(Qt::black);
  QPainter painter(&window);
  chart.Canvas()->ShowImage(painter, {0, 0});
  painter.end();
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_NE(FromQRgb(window.pixel(x, y)), clWhite);
}
