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
    series->LinePen.SetColor(clWhite);
    chart.Canvas()->PrepareWindow(nullptr, nullptr, {0, 0, 250, 110}, false);
    chart.Canvas()->Brush = {clBlack, bsSolid};
    chart.Canvas()->FillRectangle({0, 0, 250, 110});
  }
  // The image as the window would get it: white where the line went.
  QImage Shown() {
    QImage window(250, 110, QImage::Format_RGB32);
    QPainter painter(&window);
    chart.Canvas()->ShowImage(painter, {0, 0});
    return window;
  }
  static bool Lit(const QImage& image, int x, int y) {
    return FromQRgb(image.pixel(x, y)) == clWhite;
  }
  static bool ColumnLit(const QImage& image, int x) {
    for (int y = 0; y < image.height(); ++y)
      if (Lit(image, x, y)) return true;
    return false;
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
  const long long calls = chart.Canvas()->PenLineCalls();
  series->DrawPoints();
  // A line from point 4 (40, 96) to point 5, then one to each later point: five lines.
  EXPECT_EQ(chart.Canvas()->PenLineCalls() - calls, 5);
  const QImage image = Shown();
  EXPECT_TRUE(Lit(image, 40, 96));  // the entering segment starts at point 4
  EXPECT_TRUE(ColumnLit(image, 45));
  EXPECT_FALSE(ColumnLit(image, 35));  // nothing before point 4
  EXPECT_EQ(series->LastDrawnPixel(), (TPoint{90, 91}));
}

TEST_F(FastLine, PointsOnTheSamePixelAreSkipped) {
  series->AppendPoint(0, 0, "", DefaultPointColor);
  series->AppendPoint(0.01, 0, "", DefaultPointColor);
  series->AppendPoint(0.02, 0, "", DefaultPointColor);
  series->AppendPoint(1, 10, "", clNone);  // a null point is drawn like any other
  series->CalcVisibleRange();
  const long long calls = chart.Canvas()->PenLineCalls();
  series->DrawPoints();
  // The move to point 0, nothing for points 1 and 2 on its pixel, one line to point 3.
  EXPECT_EQ(chart.Canvas()->PenLineCalls() - calls, 1);
  EXPECT_EQ(series->LastDrawnPixel(), (TPoint{10, 90}));
  const QImage image = Shown();
  EXPECT_TRUE(Lit(image, 0, 100));
  EXPECT_TRUE(Lit(image, 5, 95));
  EXPECT_EQ(series->PointAtPixel(0, 100), 0);
  EXPECT_EQ(series->PointAtPixel(10, 90), 3);
  EXPECT_EQ(series->PointAtPixel(5, 95), 2);  // on the segment from 2 to 3
  EXPECT_EQ(series->PointAtPixel(5, 50), -1);
}

TEST_F(FastLine, APixelOnASegmentBetweenFarPointsIsFound) {
  // Pixels near both ends of int: their differences do not fit one.
  series->AppendPoint(-2.1e8, 0, "", DefaultPointColor);  // (-2100000000, 100)
  series->AppendPoint(2.1e8, 20, "", DefaultPointColor);  // (2100000000, 80)
  series->FirstVisibleIndex = 0;
  series->LastVisibleIndex = 1;
  EXPECT_EQ(series->PointAtPixel(0, 90), 0);
  EXPECT_EQ(series->PointAtPixel(0, 91), -1);
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

TEST_F(FastLine, WithoutAutoRepaintAndNothingShownThePointWaitsForAPaint) {
  // No paint has shown an image yet: there is nothing to draw the point on at once, so the
  // chart is asked for the paint that will draw it.
  Points(3);
  series->SetAutoRepaint(false);
  const int repaints = chart.repaints;
  series->AppendPoint(3, 30, "", DefaultPointColor);
  EXPECT_EQ(chart.repaints, repaints + 1);
  EXPECT_EQ(series->PointCount(), 4);
}

TEST_F(FastLine, ASinglePointIsAMoveAndNothingMore) {
  series->AppendPoint(5, 5, "", DefaultPointColor);
  series->CalcVisibleRange();
  EXPECT_EQ(series->FirstVisibleIndex, 0);
  EXPECT_EQ(series->LastVisibleIndex, 0);
  chart.Canvas()->PenMoveTo(20, 20);
  const long long calls = chart.Canvas()->PenLineCalls();
  series->DrawPoints();
  EXPECT_EQ(chart.Canvas()->PenLineCalls(), calls);
  EXPECT_EQ(chart.Canvas()->PenPosition(), (TPoint{50, 95}));
  EXPECT_EQ(series->LastDrawnPixel(), (TPoint{50, 95}));
  const QImage image = Shown();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ASSERT_FALSE(Lit(image, x, y)) << x << "," << y;
}

TEST_F(FastLine, AnInvisiblePenStillMovesButDrawsNothing) {
  Points(20);
  series->LinePen.SetVisible(false);
  series->CalcVisibleRange();
  series->DrawPoints();
  EXPECT_EQ(chart.Canvas()->PenPosition(), (TPoint{190, 81}));
  const QImage image = Shown();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ASSERT_FALSE(Lit(image, x, y)) << x << "," << y;
}

// The legend's symbol: the line's pen across the middle of the symbol's rectangle.
TEST_F(FastLine, LegendSymbolIsALineAcrossTheMiddleInTheLinePen) {
  TChartCanvas3D& canvas = *chart.Canvas();
  auto clear = [&] {
    canvas.PrepareWindow(nullptr, nullptr, {0, 0, 250, 110}, false);
    canvas.Brush = {clBlack, bsSolid};
    canvas.FillRectangle({0, 0, 250, 110});
  };
  series->DrawLegendSymbol({10, 20, 30, 31});
  EXPECT_EQ(canvas.Brush.Style, bsClear);
  QImage image = Shown();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      ASSERT_EQ(Lit(image, x, y), y == 25 && x >= 10 && x < 30) << x << "," << y;

  clear();
  series->LinePen.SetSmallDots(true);
  series->DrawLegendSymbol({10, 20, 30, 30});
  image = Shown();
  for (int x = 10; x < 30; ++x) EXPECT_EQ(Lit(image, x, 25), x % 2 == 0) << x;

  clear();
  series->LinePen.SetVisible(false);
  series->DrawLegendSymbol({10, 20, 30, 30});
  EXPECT_FALSE(ColumnLit(Shown(), 20));

  TFastLineSeries alone(nullptr);  // no chart to draw on: nothing, and no harm
  alone.DrawLegendSymbol({0, 0, 10, 10});
}
