// The oscilloscope's chart as ApplyOscilloscopeChartSettings makes it, judged by the pixels
// of its empty picture: black everywhere but the grey grid and ticks and the bevel, the
// grid where 0..200 and -5..5 put it, no title, no legend, no trace.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "app/ChartSettings.h"
#include "chart/Chart.h"
#include "chart/FastLineSeries.h"

namespace {

class OscilloscopeSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    chart.resize(617, 281);
    series = new TFastLineSeries(&chart);
    ApplyOscilloscopeChartSettings(chart, *series);
    image = QImage(617, 281, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    chart.RenderChart(painter, {0, 0, 617, 281});
  }
  TColor At(int x, int y) const { return FromQRgb(image.pixel(x, y)); }
  // Whether a pixel is one the empty chart may have: black, or the grey of grid and ticks.
  bool Plain(int x, int y) const { return At(x, y) == clBlack || At(x, y) == 0x808080; }
  // The pixel an axis of that span puts a value at, by the layout alone.
  static int Pixel(int start, int length, double minimum, double maximum, double value) {
    return start + RoundHalfEven((value - minimum) * length / (maximum - minimum));
  }

  TChart chart;
  TFastLineSeries* series = nullptr;  // owned by the chart
  QImage image;
};

}  // namespace

TEST_F(OscilloscopeSettings, TheEmptyChartIsBlackWithGreyGridAndTicksOnly) {
  const TRect plot = chart.PlotRect;
  // The raised bevel around a black panel; nothing else that is not black or grey.
  EXPECT_EQ(At(300, 0), clBtnHighlight);
  EXPECT_EQ(At(616, 140), clBtnShadow);
  for (int y = 1; y < 280; ++y)
    for (int x = 1; x < 616; ++x) ASSERT_TRUE(Plain(x, y)) << x << "," << y << " " << At(x, y);
  // No title: the band the one-blank title takes above the plot is empty black.
  for (int y = 1; y < plot.Top; ++y)
    for (int x = 1; x < 616; ++x) ASSERT_EQ(At(x, y), clBlack) << x << "," << y;
  // No legend: nothing right of the plot.
  for (int y = 1; y < 280; ++y)
    for (int x = plot.Right + 1; x < 616; ++x) ASSERT_EQ(At(x, y), clBlack) << x << "," << y;
  // The labels are black on black: their bands below and left of the plot hold only the
  // grey of the ticks, right beside the axis.
  for (int y = plot.Bottom + 6; y < 280; ++y)
    for (int x = 1; x < 616; ++x) ASSERT_EQ(At(x, y), clBlack) << x << "," << y;
  for (int y = 1; y < 280; ++y)
    for (int x = 1; x < plot.Left - 6; ++x) ASSERT_EQ(At(x, y), clBlack) << x << "," << y;
}

TEST_F(OscilloscopeSettings, TheGridMarksZeroToTwoHundredAndMinusFiveToFive) {
  const TRect plot = chart.PlotRect;
  // A dotted grid line is grey at every other few pixels along it; a line crossing the
  // other way leaves a column (or row) a grey pixel or two each.
  auto columnHasGrey = [&](int x) {
    int grey = 0;
    for (int y = plot.Top + 1; y < plot.Bottom - 1; ++y) grey += At(x, y) == 0x808080;
    return grey > plot.Height() / 4;
  };
  auto rowHasGrey = [&](int y) {
    int grey = 0;
    for (int x = plot.Left + 2; x < plot.Right; ++x) grey += At(x, y) == 0x808080;
    return grey > plot.Width() / 4;
  };
  // A grid line every 10 across, every volt up: 21 and 11 of them, and nothing between.
  std::vector<int> columns, rows;
  for (int x = plot.Left + 1; x < plot.Right; ++x)
    if (columnHasGrey(x)) columns.push_back(x);
  for (int y = plot.Top + 1; y < plot.Bottom - 1; ++y)
    if (rowHasGrey(y)) rows.push_back(y);
  std::vector<int> wantedColumns, wantedRows;
  for (int v = 10; v < 200; v += 10)  // the end ones lie on the wall and axis lines
    wantedColumns.push_back(Pixel(plot.Left, plot.Width(), 0, 200, v));
  for (int v = 4; v >= -4; --v)
    wantedRows.push_back(plot.Bottom - (Pixel(0, plot.Height(), -5, 5, v)));
  EXPECT_EQ(columns, wantedColumns);
  EXPECT_EQ(rows, wantedRows);
  // Ticks: 4 grey pixels out from the axis lines at each label.
  const int x100 = Pixel(plot.Left, plot.Width(), 0, 200, 100);
  for (int y = plot.Bottom + 1; y <= plot.Bottom + 4; ++y) EXPECT_EQ(At(x100, y), 0x808080u);
  const int y0 = plot.Bottom - Pixel(0, plot.Height(), -5, 5, 0);
  for (int x = plot.Left - 4; x <= plot.Left - 1; ++x) EXPECT_EQ(At(x, y0), 0x808080u);
}

TEST_F(OscilloscopeSettings, ASampleShowsAsAYellowTraceOfWidthTwoOnTheFixedRanges) {
  // -3 V for the first hundred samples, +3 V for the rest: a step half way across.
  for (int i = 0; i < 200; ++i) series->AppendPoint(i, i < 100 ? -3 : 3, "", DefaultPointColor);
  QPainter painter(&image);
  chart.RenderChart(painter, {0, 0, 617, 281});
  painter.end();
  const TRect plot = chart.PlotRect;
  auto x = [&](double v) { return Pixel(plot.Left, plot.Width(), 0, 200, v); };
  auto y = [&](double v) { return plot.Bottom - Pixel(0, plot.Height(), -5, 5, v); };
  EXPECT_EQ(At(x(50), y(-3)), clYellow);
  EXPECT_EQ(At(x(150), y(3)), clYellow);
  EXPECT_NE(At(x(150), y(-3)), clYellow);
  EXPECT_NE(At(x(50), y(3)), clYellow);
  // A width-2 pen covers its row and the one above it.
  EXPECT_EQ(At(x(150), y(3) - 1), clYellow);
  EXPECT_NE(At(x(150), y(3) + 1), clYellow);
  EXPECT_NE(At(x(150), y(3) - 2), clYellow);
}
