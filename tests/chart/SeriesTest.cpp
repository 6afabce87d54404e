#include <gtest/gtest.h>

#include "TestChart.h"
#include "chart/ChartSeries.h"
#include "framework/Exceptions.h"

TEST(ChartSeries, StartsWithItsDefaults) {
  TChartSeries series(nullptr);
  EXPECT_TRUE(series.Active());
  EXPECT_EQ(series.SeriesColor(), DefaultPointColor);
  EXPECT_EQ(series.XValues->Name(), "X");
  EXPECT_EQ(series.XValues->Order(), loAscending);
  EXPECT_EQ(series.YValues->Name(), "Y");
  EXPECT_EQ(series.YValues->Order(), loNone);
  ASSERT_EQ(series.ValuesList().size(), 2u);
  EXPECT_EQ(series.ValuesList()[0], series.XValues);
  EXPECT_EQ(series.FirstVisibleIndex, -1);
  EXPECT_EQ(series.ValueFormat, "#,##0.###");
  EXPECT_EQ(series.MandatoryValues(), series.YValues);
}

TEST(ChartSeries, AscendingInsertKeepsEveryParallelListInStep) {
  TChartSeries series(nullptr);
  series.AppendPoint(0, 10, "a", 1);
  series.AppendPoint(1, 11, "", 2);
  series.AppendPoint(2, 12, "c", 3);
  EXPECT_EQ(series.AppendPoint(1, 99, "new", 4), 2);
  EXPECT_EQ(series.YValueAt(2), 99);
  EXPECT_EQ(series.PointLabel(2), "new");
  EXPECT_EQ(series.PointColor(2), 4u);
  EXPECT_EQ(series.XValueAt(3), 2);
  EXPECT_EQ(series.PointLabel(3), "c");
  EXPECT_EQ(series.PointLabel(1), "");  // empty labels are kept as none
  EXPECT_EQ(series.PointLabel(50), "");
}

TEST(ChartSeries, ColoursOfPoints) {
  TChartSeries series(nullptr);
  series.SetSeriesColor(clYellow);
  series.AppendPoint(0, 0, "", DefaultPointColor);
  series.AppendPoint(1, 0, "", clNone);
  series.AppendPoint(2, 0, "", 0x123456);
  EXPECT_EQ(series.PointColor(0), clYellow);
  EXPECT_TRUE(series.IsNullPoint(1));
  EXPECT_FALSE(series.IsNullPoint(0));
  EXPECT_EQ(series.PointColor(2), 0x123456u);
  EXPECT_EQ(series.PointColor(3), clYellow);  // beyond the end
  EXPECT_FALSE(series.ColorEachPoint());
  series.SetColorEachPoint(true);
  EXPECT_TRUE(series.ColorEachPoint());
  EXPECT_EQ(series.PointColor(0), PaletteColor(0));
  EXPECT_EQ(PaletteColor(18), PaletteColor(2));
  series.SetColorEachPoint(false);  // resets every point's own colour
  EXPECT_EQ(series.PointColor(2), clYellow);
  EXPECT_EQ(series.PointColor(1), clYellow);
  EXPECT_EQ(series.AppendNullValue("n"), 3);
  EXPECT_EQ(series.XValueAt(3), 3);
  EXPECT_TRUE(series.IsNullPoint(3));
  EXPECT_EQ(series.AppendNullPoint(2.5, 7, "m"), 3);  // placed by x like any point
  EXPECT_TRUE(series.IsNullPoint(3));
  EXPECT_EQ(series.YValueAt(3), 7);
  EXPECT_EQ(series.PointLabel(3), "m");
  EXPECT_EQ(series.XValueAt(4), 3);
}

TEST(ChartSeries, ACustomAxisIsUsedOnlyWhenChosenAndSet) {
  TTestChart chart;
  TChartAxis across(&chart, true, false, 0);
  TChartAxis upright(&chart, false, false, 90);
  TChartSeries series(nullptr);  // gone before the axes it points to
  series.SetParentChart(&chart);
  series.SetCustomHorizAxis(&across);  // not chosen: still the bottom axis
  EXPECT_EQ(series.GetHorizAxis(), chart.BottomAxis);
  series.SetCustomHorizAxis(nullptr);
  series.SetHorizAxis(aCustomHorizAxis);  // chosen, none set: the bottom axis
  EXPECT_EQ(series.GetHorizAxis(), chart.BottomAxis);
  const int before = chart.repaints;
  series.SetCustomHorizAxis(&across);
  EXPECT_EQ(series.GetHorizAxis(), &across);
  EXPECT_EQ(chart.repaints, before + 1);
  series.SetCustomHorizAxis(&across);  // the one it has
  EXPECT_EQ(chart.repaints, before + 1);
  series.SetVertAxis(aCustomVertAxis);
  series.SetCustomVertAxis(&upright);
  EXPECT_EQ(series.GetVertAxis(), &upright);
  series.SetHorizAxis(aBothHorizAxis);
  EXPECT_EQ(series.GetHorizAxis(), chart.BottomAxis);
  series.SetHorizAxis(aCustomHorizAxis);  // the custom axis was kept meanwhile
  EXPECT_EQ(series.GetHorizAxis(), &across);
  series.SetParentChart(nullptr);
  EXPECT_EQ(series.GetHorizAxis(), nullptr);
  EXPECT_EQ(series.GetVertAxis(), nullptr);
}

TEST(ChartSeries, RepaintRequestsOnlyWhileActive) {
  TTestChart chart;
  TChartSeries series(nullptr);
  series.SetSeriesColor(clYellow);
  series.SetParentChart(&chart);
  EXPECT_EQ(series.GetHorizAxis(), chart.BottomAxis);
  EXPECT_EQ(series.GetVertAxis(), chart.LeftAxis);
  int before = chart.repaints;
  series.RemoveAllPoints();
  for (int i = 0; i < 200; ++i) series.AppendPoint(i, i, "", DefaultPointColor);
  EXPECT_EQ(chart.repaints, before + 201);  // requests only; the paint comes once, later
  series.SetActive(false);
  before = chart.repaints;
  series.AppendPoint(300, 0, "", DefaultPointColor);
  series.DeletePoint(0);
  series.RemoveAllPoints();
  EXPECT_EQ(chart.repaints, before);
  EXPECT_EQ(series.PointCount(), 0);
  EXPECT_EQ(series.XValues->HighestValue(), 0);
}

TEST(ChartSeries, DeletePointWithABadIndexLeavesTheSeriesAlone) {
  TChartSeries series(nullptr);
  series.AppendPoint(0, 5, "a", 1);
  series.AppendPoint(1, 6, "b", 2);
  try {
    series.DeletePoint(2);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "リストのインデックスが範囲を超えています (2)");
  }
  EXPECT_EQ(series.PointCount(), 2);
  EXPECT_EQ(series.YValues->ValueCount(), 2);
  series.DeletePoint(0);
  EXPECT_EQ(series.XValueAt(0), 1);
  EXPECT_EQ(series.PointLabel(0), "b");
  EXPECT_THROW(series.YValueAt(1), EListError);
}

TEST(ChartSeries, BeforeAddCanRefuseAPoint) {
  struct TGate {
    bool Allow(TChartSeries*) { return allow; }
    bool allow = false;
  } gate;
  TChartSeries series(nullptr);
  series.OnBeforeAdd = TSeriesOnBeforeAdd::Bind<&TGate::Allow>(&gate);
  EXPECT_EQ(series.AppendPoint(4, 5, "", 0), -1);
  EXPECT_EQ(series.PointCount(), 0);
  EXPECT_EQ(series.XValues->PendingValue, 4);
  gate.allow = true;
  EXPECT_EQ(series.AppendPoint(4, 5, "", 0), 0);
}

TEST(ChartSeries, JoiningAChartGivesAFreePaletteColour) {
  TTestChart chart;
  auto* first = new TChartSeries(&chart);
  first->SetParentChart(&chart);
  auto* second = new TChartSeries(&chart);
  second->SetSeriesColor(PaletteColor(1));
  second->SetParentChart(&chart);
  auto* third = new TChartSeries(&chart);
  third->SetParentChart(&chart);
  EXPECT_EQ(first->SeriesColor(), PaletteColor(0));
  EXPECT_EQ(second->SeriesColor(), PaletteColor(1));
  EXPECT_EQ(third->SeriesColor(), PaletteColor(2));
  EXPECT_EQ(chart.SeriesCount(), 3);
  second->SetParentChart(nullptr);
  EXPECT_EQ(chart.SeriesCount(), 2);
  second->SetVertAxis(aRightAxis);
  EXPECT_EQ(second->GetVertAxis(), nullptr);  // no chart, no axes
  third->SetVertAxis(aRightAxis);
  EXPECT_EQ(third->GetVertAxis(), chart.RightAxis);
  third->SetHorizAxis(aTopAxis);
  EXPECT_EQ(third->GetHorizAxis(), chart.TopAxis);
  delete second;
}

TEST(ChartSeries, RemoveAllGivesTheStorageBack) {
  TChartSeries series(nullptr);
  for (int i = 0; i < 1000; ++i) series.AppendPoint(i, i, "x", 0);
  ASSERT_GE(series.XValues->Capacity(), 1000);
  ASSERT_GE(series.PointStorageCapacity(), 1000);
  series.RemoveAllPoints();
  EXPECT_EQ(series.PointCount(), 0);
  EXPECT_EQ(series.PointLabel(0), "");
  EXPECT_EQ(series.YValues->ValueSum(), 0);
  // Emptied is not enough: the storage itself is given back.
  EXPECT_EQ(series.XValues->Capacity(), 0);
  EXPECT_EQ(series.YValues->Capacity(), 0);
  EXPECT_EQ(series.PointStorageCapacity(), 0);
}
