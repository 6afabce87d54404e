#include <gtest/gtest.h>

#include "TestChart.h"
#include "chart/ChartSeries.h"
#include "framework/Exceptions.h"

namespace {

std::vector<double> Values(const TChartValueList& list) {
  std::vector<double> values;
  for (int i = 0; i < list.ValueCount(); ++i) values.push_back(list.ValueAt(i));
  return values;
}

void Fill(TChartValueList& list, std::initializer_list<double> values) {
  for (double v : values) list.InsertAt(list.ValueCount(), v);
}

// A list of its own, owned (and freed) by the series, as every value list is.
TChartValueList& NewList(TChartSeries& series, const QString& name) {
  return *new TChartValueList(&series, name);
}

}  // namespace

TEST(ChartValueList, InsertOrderedPlacesByOrder) {
  TChartSeries series(nullptr);
  TChartValueList& ascending = NewList(series, "A");
  ascending.SetOrder(loAscending);
  Fill(ascending, {0, 1, 2});
  EXPECT_EQ(ascending.InsertOrdered(1), 2);  // after its equal
  EXPECT_EQ(Values(ascending), (std::vector<double>{0, 1, 1, 2}));
  ascending.RemoveAll();
  Fill(ascending, {5});
  EXPECT_EQ(ascending.InsertOrdered(3), 0);

  TChartValueList& descending = NewList(series, "D");
  descending.SetOrder(loDescending);
  Fill(descending, {5, 3});
  EXPECT_EQ(descending.InsertOrdered(4), 1);
  EXPECT_EQ(descending.InsertOrdered(3), 3);  // after both 3s... 5, 4, 3, 3
  EXPECT_EQ(Values(descending), (std::vector<double>{5, 4, 3, 3}));

  TChartValueList& none = NewList(series, "N");
  Fill(none, {5});
  EXPECT_EQ(none.InsertOrdered(-1), 1);
  EXPECT_EQ(none.InsertOrdered(9), 2);
}

TEST(ChartValueList, ChangingTheOrderDoesNotReorder) {
  TChartSeries series(nullptr);
  TChartValueList& list = NewList(series, "L");
  Fill(list, {3, 1});
  list.SetOrder(loAscending);
  EXPECT_EQ(Values(list), (std::vector<double>{3, 1}));
  EXPECT_EQ(list.InsertOrdered(2), 2);  // compared with the last value, 1
}

TEST(ChartValueList, MultiplierAndStatistics) {
  TTestChart chart;
  TChartSeries series(nullptr);
  series.SetParentChart(&chart);
  TChartValueList& y = *series.YValues;
  Fill(y, {1, 2});
  const int repaints = chart.repaints;
  y.SetMultiplier(2);
  EXPECT_EQ(chart.repaints, repaints + 1);
  y.SetMultiplier(2);
  EXPECT_EQ(chart.repaints, repaints + 1);
  EXPECT_EQ(y.ValueAt(1), 4);
  EXPECT_EQ(y.HighestValue(), 4);
  EXPECT_EQ(y.LowestValue(), 2);
  EXPECT_EQ(y.ValueSum(), 6);
  EXPECT_FALSE(y.StatisticsStale());
  y.SetOrder(loAscending);
  EXPECT_EQ(y.InsertOrdered(1.5), 1);  // against the stored 1 and 2
  EXPECT_TRUE(y.StatisticsStale());
  EXPECT_EQ(y.FindValue(4), 2);
  EXPECT_EQ(y.FindValue(2), 0);
  EXPECT_EQ(y.FindValue(1), -1);
  Fill(y, {-3});
  EXPECT_EQ(y.LowestValue(), -6);
  EXPECT_EQ(y.AbsoluteSum(), 2 + 3 + 4 + 6);
  y.RemoveAll();
  EXPECT_EQ(y.HighestValue(), 0);
  EXPECT_EQ(y.LowestValue(), 0);
  EXPECT_EQ(y.ValueSum(), 0);
  EXPECT_EQ(y.AbsoluteSum(), 0);
  EXPECT_THROW(y.FinalValue(), EListError);
}

TEST(ChartValueList, FindValueGivesTheFirstOfEquals) {
  TChartSeries series(nullptr);
  TChartValueList& list = NewList(series, "L");
  Fill(list, {7, 3, 7});
  EXPECT_EQ(list.FindValue(7), 0);
  list.RotateValues();
  EXPECT_EQ(Values(list), (std::vector<double>{3, 7, 7}));
  list.NumberSequentially();
  EXPECT_EQ(Values(list), (std::vector<double>{0, 1, 2}));
}

TEST(ChartValueList, BadIndexRaisesAndChangesNothing) {
  TChartSeries series(nullptr);
  TChartValueList& list = NewList(series, "L");
  Fill(list, {1, 2});
  for (auto action : std::vector<std::function<void()>>{
           [&] { list.ValueAt(2); }, [&] { list.StoreValueAt(-1, 0); }, [&] { list.RemoveAt(2); },
           [&] { list.InsertAt(3, 0); }}) {
    try {
      action();
      ADD_FAILURE();
    } catch (const EListError& e) {
      EXPECT_TRUE(e.Message().startsWith("リストのインデックスが範囲を超えています ("));
    }
  }
  EXPECT_EQ(Values(list), (std::vector<double>{1, 2}));
}

TEST(ChartValueList, SortValuesMovesWholePoints) {
  TChartSeries series(nullptr);
  series.XValues->SetOrder(loNone);
  const std::vector<double> xs = {5, 1, 4, 1, 3, 9, 2, 6};
  for (size_t i = 0; i < xs.size(); ++i)
    series.AppendPoint(xs[i], 10 * xs[i], QString::number(xs[i]), static_cast<TColor>(xs[i]));
  series.XValues->SortValues();  // loNone: nothing
  EXPECT_EQ(series.XValueAt(0), 5);
  series.XValues->SetOrder(loAscending);
  series.XValues->SortValues();
  for (int i = 0; i < series.PointCount(); ++i) {
    if (i > 0) {
      EXPECT_LE(series.XValueAt(i - 1), series.XValueAt(i));
    }
    EXPECT_EQ(series.YValueAt(i), 10 * series.XValueAt(i));
    EXPECT_EQ(series.PointLabel(i), QString::number(series.XValueAt(i)));
    EXPECT_EQ(series.PointColor(i), static_cast<TColor>(series.XValueAt(i)));
  }
  series.XValues->SetOrder(loDescending);
  series.XValues->SortValues();
  for (int i = 1; i < series.PointCount(); ++i)
    EXPECT_GE(series.XValueAt(i - 1), series.XValueAt(i));
}

TEST(ChartValueList, AssignCopiesSettingsNotValues) {
  TChartSeries series(nullptr);
  TChartValueList& a = NewList(series, "A");
  TChartValueList& b = NewList(series, "B");
  a.SetOrder(loDescending);
  a.SetDateTime(true);
  a.SetMultiplier(3);
  a.SetValueSource("col");
  a.SetName("Renamed");
  EXPECT_EQ(a.Name(), "Renamed");
  Fill(a, {1});
  b.Assign(a);
  EXPECT_EQ(b.Order(), loDescending);
  EXPECT_TRUE(b.DateTime());
  EXPECT_EQ(b.Multiplier(), 3);
  EXPECT_EQ(b.ValueSource(), "col");
  EXPECT_EQ(b.Name(), "B");
  EXPECT_EQ(b.ValueCount(), 0);
}
