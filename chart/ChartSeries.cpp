#include "ChartSeries.h"

void TChartSeries::RemoveAllPoints() {
  x_.clear();
  y_.clear();
  labels_.clear();
  colors_.clear();
}

int TChartSeries::AppendPoint(double x, double y, const QString& label, TColor color) {
  x_.push_back(x);
  y_.push_back(y);
  labels_.push_back(label);
  colors_.push_back(color);
  return Count() - 1;
}
