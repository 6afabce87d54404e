#pragma once

#include <QString>
#include <vector>

#include "framework/Colors.h"
#include "framework/Component.h"

// A series of points of a chart: the operations the window's trace is rebuilt with.
// Every change only marks the chart for repainting; nothing is drawn here.
class TChartSeries : public TComponent {
 public:
  using TComponent::TComponent;

  virtual void RemoveAllPoints();
  // Stores the point and answers its index; with ascending x it becomes the last point.
  virtual int AppendPoint(double x, double y, const QString& label, TColor color);

  int Count() const { return static_cast<int>(x_.size()); }
  double XValue(int index) const { return x_.at(index); }
  double YValue(int index) const { return y_.at(index); }

 private:
  std::vector<double> x_;
  std::vector<double> y_;
  std::vector<QString> labels_;
  std::vector<TColor> colors_;
};
