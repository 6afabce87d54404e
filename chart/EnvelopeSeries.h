#pragma once

#include <span>
#include <vector>

#include "chart/ChartCanvas.h"
#include "chart/ChartPen.h"
#include "chart/ChartSeries.h"

// One pixel column of an envelope: the lowest and highest value of what falls in it, whether
// anything does, and whether a gap lies between it and the column with a value before it.
struct TChartColumnSpan {
  double Low = 0;
  double High = 0;
  bool HasValue = false;
  bool GapBefore = false;
};

// A series of far more values than the plot has pixels, drawn from what each pixel column
// holds: one vertical line from its lowest to its highest value, joined to the column before
// as one line would be, broken where a gap lies. Columns without a value between two with one
// are crossed by a straight line (a view of fewer values than columns); a gap leaves them
// empty. The owner works out the columns (from envelopes kept beside the values) and hands
// them over; its points lists stay empty.
class TEnvelopeSeries : public TChartSeries {
 public:
  explicit TEnvelopeSeries(TComponent* owner);

  TChartPen LinePen;
  void SetSeriesColor(TColor color) override;

  // The columns split the horizontal axis from first to last evenly, and are drawn at their
  // middles' pixels: best one a pixel, as many as the pixels from first to last.
  void SetColumns(double first, double last, std::span<const TChartColumnSpan> columns);
  void ClearColumns();
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const TChartColumnSpan& ColumnAt(int index) const { return columns_[index]; }

  void CalcVisibleRange() override;
  void DrawPoints() override;

 private:
  std::vector<TChartColumnSpan> columns_;
  std::vector<TChartCanvas3D::TVerticalSpan> spans_;  // kept for the next paint's room
  double first_ = 0;
  double last_ = 0;
};
