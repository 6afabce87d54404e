// The fast line draws a pixel column's many vertical segments as a few lines; the image
// must be the one that drawing every segment gives, byte for byte.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <limits>
#include <random>

#include "chart/Chart.h"
#include "chart/FastLineSeries.h"

namespace {

// Draws every point with DrawPoint, as the series did before it merged columns.
class TEveryPointSeries : public TFastLineSeries {
 public:
  using TFastLineSeries::TFastLineSeries;
  void DrawPoints() override {
    if (!ParentChart() || FirstVisibleIndex < 0) return;
    TChartCanvas3D* canvas = ParentChart()->Canvas();
    canvas->ApplyChartPen(LinePen);
    canvas->Brush.Style = bsClear;
    for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) DrawPoint(i);
  }
};

struct TSeriesData {
  std::vector<double> x, y;
  std::vector<TColor> colors;
  bool ascending = true;
};

struct TPenSettings {
  int width = 1;
  TPenStyle style = psSolid;
  bool inverted = false;  // both axes
  double yMultiplier = 1.0;
};

QImage Render(TFastLineSeries* series, TChart& chart, const TSeriesData& data, TPenSettings pen,
              QSize size, bool clip) {
  chart.resize(size);
  chart.SetView3D(false);
  chart.SetColor(clBlack);
  chart.SetClipPoints(clip);
  chart.Legend.SetVisible(false);
  for (TChartAxis* axis : {chart.BottomAxis, chart.LeftAxis}) {
    axis->SetAutomatic(false);
    axis->SetAutomaticMinimum(false);
    axis->SetAutomaticMaximum(false);
  }
  chart.BottomAxis->SetMinimum(0);
  chart.BottomAxis->SetMaximum(200);
  chart.LeftAxis->SetMinimum(-5);
  chart.LeftAxis->SetMaximum(5);
  chart.BottomAxis->SetInverted(pen.inverted);
  chart.LeftAxis->SetInverted(pen.inverted);
  series->XValues->SetOrder(data.ascending ? loAscending : loNone);
  series->YValues->SetMultiplier(pen.yMultiplier);
  series->SetSeriesColor(clYellow);
  series->LinePen.SetWidth(pen.width);
  series->LinePen.SetStyle(pen.style);
  series->SetParentChart(&chart);
  for (size_t i = 0; i < data.x.size(); ++i)
    series->AppendPoint(data.x[i], data.y[i], QString(), data.colors[i]);
  QImage window(size, QImage::Format_RGB32);
  window.fill(Qt::white);
  QPainter painter(&window);
  chart.RenderChart(painter, {0, 0, size.width(), size.height()});
  return window;
}

// Renders the data both ways and compares; answers the number of different pixels.
int DifferentPixels(const TSeriesData& data, TPenSettings pen, QSize size, bool clip,
                    TPoint* lastPixels = nullptr) {
  TChart fastChart, everyChart;
  auto* fast = new TFastLineSeries(&fastChart);
  auto* every = new TEveryPointSeries(&everyChart);
  const QImage a = Render(fast, fastChart, data, pen, size, clip);
  const QImage b = Render(every, everyChart, data, pen, size, clip);
  if (lastPixels) {
    lastPixels[0] = fast->LastDrawnPixel();
    lastPixels[1] = every->LastDrawnPixel();
  }
  int different = 0;
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) different += a.pixel(x, y) != b.pixel(x, y);
  return different;
}

TSeriesData RandomSeries(std::mt19937& random, int points, bool ascending) {
  TSeriesData data;
  data.ascending = ascending;
  std::uniform_real_distribution<double> unit(0, 1);
  double y = 0;
  for (int i = 0; i < points; ++i) {
    // Mostly a walk, with jumps, runs on one value, spikes beyond the axis and NaNs.
    const double pick = unit(random);
    if (pick < 0.05)
      y = (unit(random) - 0.5) * 30;
    else if (pick < 0.15)
      ;  // the same value again
    else if (pick < 0.17)
      y = std::numeric_limits<double>::quiet_NaN();
    else
      y = (std::isnan(y) ? 0 : y) + (unit(random) - 0.5) * 0.8;
    data.y.push_back(y);
    data.x.push_back(ascending ? 210.0 * i / points - 5 : unit(random) * 220 - 10);
    data.colors.push_back(pick > 0.97 ? clNone : DefaultPointColor);
  }
  return data;
}

}  // namespace

TEST(FastLineColumns, RandomSeriesDrawTheSamePixelsAsEveryPoint) {
  std::mt19937 random(2026);
  const QSize sizes[] = {{617, 281}, {120, 90}, {40, 300}};
  int round = 0;
  for (int points : {3, 50, 400, 3000, 20000})
    for (bool ascending : {true, false})
      for (int width : {1, 2, 3, 5})
        for (bool clip : {true, false}) {
          const TSeriesData data = RandomSeries(random, points, ascending);
          const QSize size = sizes[round++ % 3];
          TPoint last[2];
          EXPECT_EQ(DifferentPixels(data, {width, psSolid}, size, clip, last), 0)
              << points << " points, ascending " << ascending << ", width " << width << ", clip "
              << clip << ", " << size.width() << " x " << size.height();
          EXPECT_EQ(last[0], last[1]);
        }
}

TEST(FastLineColumns, InvertedAxesAndMultipliedValues) {
  std::mt19937 random(99);
  for (bool inverted : {false, true})
    for (double multiplier : {1.0, -1.5, 0.25})
      for (int width : {1, 2}) {
        const TSeriesData data = RandomSeries(random, 8000, true);
        EXPECT_EQ(DifferentPixels(data, {width, psSolid, inverted, multiplier}, {617, 281}, true),
                  0)
            << "inverted " << inverted << ", multiplier " << multiplier << ", width " << width;
      }
}

TEST(FastLineColumns, RunsThatTurnAtTheirEndsAndDashedPens) {
  // Runs in one column that end on their highest row, on their lowest, inside, beyond.
  const std::vector<std::vector<double>> runs = {
      {0, 2, 1, 2}, {0, -2, 1, -2}, {0, 2, -2, 0}, {0, 2, -2, 3},         {0, 2, -2, -3},
      {1, 1, 1, 1}, {0, 3, 0, 3},   {2, -1, 2},    {0, 4.9, -4.9, 4.9, 0}};
  for (const auto& run : runs) {
    TSeriesData data;
    for (size_t i = 0; i < run.size(); ++i) {
      data.x.push_back(100 + 0.001 * i);  // one pixel column
      data.y.push_back(run[i]);
      data.colors.push_back(DefaultPointColor);
    }
    data.x.push_back(110);  // and on to the next column
    data.y.push_back(0);
    data.colors.push_back(DefaultPointColor);
    for (int width : {1, 2, 4})
      EXPECT_EQ(DifferentPixels(data, {width, psSolid}, {617, 281}, true), 0)
          << "run of " << run.size() << ", width " << width;
  }
  std::mt19937 random(7);
  for (TPenStyle style : {psDash, psDot, psDashDot})
    EXPECT_EQ(DifferentPixels(RandomSeries(random, 5000, true), {1, style}, {617, 281}, true), 0);
}
