// A refill asks the chart for a repaint per point; the window system is asked once, and the
// chart paints once, after every refill, shown or shown again.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include "chart/Chart.h"
#include "chart/FastLineSeries.h"

namespace {

void Refill(TFastLineSeries* series, int points) {
  series->RemoveAllPoints();
  for (int i = 0; i < points; ++i) series->AppendPoint(i, i % 7, QString(), DefaultPointColor);
}

}  // namespace

TEST(RepaintRequest, EveryRefillPaintsOnceAndAHiddenChartPaintsWhenShown) {
  TChart chart;
  auto* series = new TFastLineSeries(&chart);
  series->SetParentChart(&chart);
  chart.resize(300, 200);
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  QCoreApplication::processEvents();
  for (int round = 0; round < 3; ++round) {
    const int before = chart.Renders();
    Refill(series, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(chart.Renders(), before + 1) << round;
  }
  chart.hide();
  Refill(series, 50);
  QCoreApplication::processEvents();
  const int whileHidden = chart.Renders();
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  QCoreApplication::processEvents();
  EXPECT_GT(chart.Renders(), whileHidden);
  const int shown = chart.Renders();
  Refill(series, 20);
  QCoreApplication::processEvents();
  EXPECT_EQ(chart.Renders(), shown + 1);
}
