// The envelope series: one vertical line a pixel column, joined to the column before as a
// line would be, bridging columns without values, broken at a gap.
#include <QCoreApplication>
#include <QTest>
#include <cstdlib>
#include <limits>
#include <vector>

#include "OscilloscopeChart.h"
#include "chart/EnvelopeSeries.h"

namespace {

class EnvelopeSeries : public OscilloscopeChart {
 protected:
  void SetUp() override {
    OscilloscopeChart::SetUp();
    envelope = new TEnvelopeSeries(chart.get());
    envelope->SetSeriesColor(kCyan);
    envelope->LinePen.SetWidth(1);
    envelope->SetParentChart(chart.get());
    Render();  // lays the plot out
    // One column a pixel.
    columns.assign(std::abs(Pixel(200) - Pixel(0)), {});
  }
  void Set(int c, double low, double high, bool gapBefore = false) {
    columns[c] = {low, high, true, gapBefore};
  }
  int Pixel(double x) const { return chart->BottomAxis->ValueToPosition(x); }
  int X(int c) const { return Pixel(0) + c; }
  int Row(double volts) const { return chart->LeftAxis->ValueToPosition(volts); }
  // The rows lit in column c's pixel column.
  std::vector<int> LitRows(const QImage& image, int c) const {
    std::vector<int> rows;
    for (int y = chart->PlotRect.Top; y <= chart->PlotRect.Bottom; ++y)
      if (image.pixel(X(c), y) == qRgb(0, 255, 255)) rows.push_back(y);
    return rows;
  }
  std::vector<int> Rows(int from, int to) const {
    std::vector<int> rows;
    for (int y = std::min(from, to); y <= std::max(from, to); ++y) rows.push_back(y);
    return rows;
  }

  static constexpr TColor kCyan = 0xFFFF00;
  TEnvelopeSeries* envelope = nullptr;  // owned by the chart
  std::vector<TChartColumnSpan> columns;
};

}  // namespace

TEST_F(EnvelopeSeries, EachColumnSpansItsValuesJoinsItsNeighbourAndBreaksAtAGap) {
  Set(50, -1, 1);
  Set(51, 3, 3);          // above its neighbour: reaches down to it
  Set(52, -3, -3, true);  // after a gap: its own row alone
  Set(60, 0, 0);          // columns without values before it: a line across them
  Set(70, 2, 2, true);    // the same after a gap: nothing across
  Set(71, 2, 2);
  Set(72, -2, 2);
  envelope->SetColumns(0, 200, columns);
  const QImage image = Render();
  EXPECT_EQ(LitRows(image, 50), Rows(Row(1), Row(-1)));
  EXPECT_EQ(LitRows(image, 51), Rows(Row(3), Row(1)));
  // Its own row, and the line that leaves for column 60; nothing towards column 51's rows.
  const std::vector<int> afterGap = LitRows(image, 52);
  ASSERT_FALSE(afterGap.empty());
  EXPECT_EQ(afterGap.back(), Row(-3));
  EXPECT_GT(afterGap.front(), Row(0));
  // On its way up from -3 V, a few rows a column.
  for (int c = 53; c < 60; ++c) {
    const std::vector<int> rows = LitRows(image, c);
    ASSERT_FALSE(rows.empty()) << c;
    EXPECT_GE(rows.front(), Row(0)) << c;
    EXPECT_LE(rows.back(), Row(-3)) << c;
    EXPECT_LE(rows.size(), 10u) << c;
  }
  const std::vector<int> bridged = LitRows(image, 60);
  ASSERT_FALSE(bridged.empty());
  EXPECT_EQ(bridged.front(), Row(0));
  EXPECT_LT(bridged.back(), Row(-3));
  for (int c : {61, 65, 69}) EXPECT_TRUE(LitRows(image, c).empty()) << c;
  EXPECT_EQ(LitRows(image, 70), std::vector<int>{Row(2)});
  EXPECT_EQ(LitRows(image, 71), std::vector<int>{Row(2)});
  EXPECT_EQ(LitRows(image, 72), Rows(Row(2), Row(-2)));
  EXPECT_TRUE(LitRows(image, 49).empty());
  EXPECT_TRUE(LitRows(image, 73).empty());
  // A column marked as having a value but holding none that can be drawn breaks the line.
  columns[71].Low = std::numeric_limits<double>::quiet_NaN();
  envelope->SetColumns(0, 200, columns);
  const QImage broken = Render();
  EXPECT_TRUE(LitRows(broken, 71).empty());
  EXPECT_EQ(LitRows(broken, 72), Rows(Row(2), Row(-2)));
}

TEST_F(EnvelopeSeries, NoColumnsDrawNothingAndNewOnesAskForARepaint) {
  const QImage before = Render();
  envelope->SetColumns(0, 200, columns);  // all without values
  EXPECT_EQ(Render(), before);
  envelope->ClearColumns();
  EXPECT_EQ(envelope->ColumnCount(), 0);
  EXPECT_EQ(Render(), before);
  // Shown: one new set of columns is one paint.
  chart->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
  QCoreApplication::processEvents();
  const int renders = chart->Renders();
  Set(10, 1, 1);
  envelope->SetColumns(0, 200, columns);
  QCoreApplication::processEvents();
  EXPECT_EQ(chart->Renders(), renders + 1);
}
