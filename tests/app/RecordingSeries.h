#pragma once

#include "chart/ChartSeries.h"

// A series that counts how it was rebuilt.
class TRecordingSeries : public TChartSeries {
 public:
  TRecordingSeries() : TChartSeries(nullptr) {}
  void RemoveAllPoints() override {
    ++removals;
    TChartSeries::RemoveAllPoints();
  }
  int AppendPoint(double x, double y, const QString& label, TColor color) override {
    ++appends;
    lastLabel = label;
    lastColor = color;
    return TChartSeries::AppendPoint(x, y, label, color);
  }
  int removals = 0;
  int appends = 0;
  QString lastLabel;
  TColor lastColor = 0;
};
