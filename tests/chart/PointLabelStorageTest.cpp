// A series keeps no label list until a point has a label; the labels must read the same as
// if every point had stored its own, through inserts, deletes, swaps and sorting.
#include <gtest/gtest.h>

#include "chart/ChartSeries.h"

namespace {

std::vector<QString> Labels(const TChartSeries& series) {
  std::vector<QString> labels;
  for (int i = 0; i < series.PointCount(); ++i) labels.push_back(series.PointLabel(i));
  return labels;
}

}  // namespace

TEST(PointLabelStorage, LabelsArriveLateAndFollowTheirPoints) {
  TChartSeries series(nullptr);
  for (double x : {1.0, 3.0, 5.0}) series.AppendPoint(x, x, QString(), DefaultPointColor);
  EXPECT_EQ(Labels(series), (std::vector<QString>{"", "", ""}));
  EXPECT_EQ(series.PointLabel(7), "");
  // The first label lands between unlabelled points (x is kept ascending).
  EXPECT_EQ(series.AppendPoint(2, 2, "two", DefaultPointColor), 1);
  EXPECT_EQ(Labels(series), (std::vector<QString>{"", "two", "", ""}));
  series.AppendPoint(0, 0, QString(), DefaultPointColor);
  series.AppendPoint(6, 6, "six", DefaultPointColor);
  EXPECT_EQ(Labels(series), (std::vector<QString>{"", "", "two", "", "", "six"}));
  series.DeletePoint(2);
  EXPECT_EQ(Labels(series), (std::vector<QString>{"", "", "", "", "six"}));
  series.SwapPoints(0, 4);
  EXPECT_EQ(Labels(series), (std::vector<QString>{"six", "", "", "", ""}));
  series.XValues->SortValues();  // back in ascending order: "six" goes with x 6
  EXPECT_EQ(Labels(series), (std::vector<QString>{"", "", "", "", "six"}));
  EXPECT_EQ(series.XValueAt(4), 6);

  series.RemoveAllPoints();
  EXPECT_TRUE(Labels(series).empty());
  // Without labels, swapping, sorting and deleting still work.
  for (double x : {4.0, 2.0, 9.0}) series.AppendPoint(x, x, QString(), DefaultPointColor);
  series.SwapPoints(0, 2);
  series.XValues->SortValues();
  series.DeletePoint(1);
  EXPECT_EQ(series.PointCount(), 2);
  EXPECT_EQ(Labels(series), (std::vector<QString>{"", ""}));
}
