#pragma once

#include "chart/ChartPen.h"
#include "chart/ChartSeries.h"
#include "framework/Geometry.h"

// A series drawn as one connected line with one pen, as fast as it goes: no per-point
// colours, and consecutive points on the same pixel are skipped.
class TFastLineSeries : public TChartSeries {
 public:
  explicit TFastLineSeries(TComponent* owner);

  bool AutoRepaint() const { return autoRepaint_; }
  void SetAutoRepaint(bool value) { autoRepaint_ = value; }
  TChartPen LinePen;
  // Takes the pen's settings, and its colour as the series colour.
  void SetLinePen(const TChartPen& pen);
  void SetSeriesColor(TColor color) override;

  // Final: drawing reads the values straight from the lists, as these do.
  double XValueAt(int index) const final { return TChartSeries::XValueAt(index); }
  double YValueAt(int index) const final { return TChartSeries::YValueAt(index); }

  void DrawPoints() override;
  void DrawPoint(int index);
  void PointAdded(int index) override;
  void DrawLegendSymbol(const TRect& r);
  int PointAtPixel(int x, int y) const override;
  TPoint LastDrawnPixel() const { return lastPixel_; }

 private:
  void PrepareLinePen();
  // DrawPoint for the points after the first, with each pixel column's vertical segments
  // drawn as the fewest lines that set the same pixels.
  void DrawColumns();

  bool autoRepaint_ = true;
  TPoint lastPixel_;
};
