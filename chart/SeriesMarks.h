#pragma once

#include <vector>

#include "chart/ChartFont.h"

// The marks of a series' points. The oscilloscope never shows them; the series only keeps
// their position list in step with its points.
class TSeriesMarks {
 public:
  bool Visible = false;
  int ArrowLength = 8;
  TChartFont Font;
  std::vector<int> Positions;  // one entry per point that has a placed mark
};
