#include "EnvelopeSeries.h"

#include <algorithm>
#include <cmath>

#include "chart/AxisPanel.h"
#include "chart/ChartAxis.h"

TEnvelopeSeries::TEnvelopeSeries(TComponent* owner)
    : TChartSeries(owner), LinePen([this] { RequestRepaint(); }) {}

void TEnvelopeSeries::SetSeriesColor(TColor color) {
  TChartSeries::SetSeriesColor(color);
  LinePen.SetColor(color);
}

void TEnvelopeSeries::SetColumns(double first, double last,
                                 std::span<const TChartColumnSpan> columns) {
  // The same vector again and again as a view moves: no allocation once it has the room.
  columns_.assign(columns.begin(), columns.end());
  first_ = first;
  last_ = last;
  RequestRepaint();
}

void TEnvelopeSeries::ClearColumns() {
  if (columns_.empty()) return;
  columns_.clear();
  RequestRepaint();
}

void TEnvelopeSeries::CalcVisibleRange() {
  const bool any = Active() && !columns_.empty() && GetHorizAxis() && GetVertAxis();
  FirstVisibleIndex = any ? 0 : -1;
  LastVisibleIndex = any ? ColumnCount() - 1 : -1;
}

void TEnvelopeSeries::DrawPoints() {
  TCustomAxisPanel* chart = ParentChart();
  const TCustomChartAxis* horizontal = GetHorizAxis();
  const TCustomChartAxis* vertical = GetVertAxis();
  if (!chart || !horizontal || !vertical || columns_.empty()) return;
  TChartCanvas3D* canvas = chart->Canvas();
  canvas->ApplyChartPen(LinePen);
  canvas->Brush.Style = bsClear;
  // The columns split the pixels from first to last evenly; with one a pixel, column c is
  // the pixel c from the first.
  const long long x0 = horizontal->ValueToPosition(first_);
  const long long span = horizontal->ValueToPosition(last_) - x0;
  const long long n = static_cast<long long>(columns_.size());
  spans_.clear();
  // The rows of the column before with a value, and its pixel column.
  bool previous = false;
  int previousX = 0, previousTop = 0, previousBottom = 0;
  for (size_t c = 0; c < columns_.size(); ++c) {
    const TChartColumnSpan& column = columns_[c];
    if (!column.HasValue || !std::isfinite(column.Low) || !std::isfinite(column.High)) {
      // A gap in the data, as the next column with a value will say, or nothing at all.
      if (column.HasValue) previous = false;
      continue;
    }
    const int x = static_cast<int>(x0 + span * (2 * static_cast<long long>(c) + 1) / (2 * n));
    const int a = vertical->ValueToPosition(column.Low);
    const int b = vertical->ValueToPosition(column.High);
    int top = std::min(a, b), bottom = std::max(a, b);
    if (previous && !column.GapBefore && x != previousX) {
      if (std::abs(x - previousX) == 1) {
        // Neighbours: the span reaches over to the rows of the one before, as a line
        // through both columns' values would.
        top = std::min(top, previousBottom);
        bottom = std::max(bottom, previousTop);
      } else {
        // Columns without values between: a line from the middle of one to the other.
        canvas->PenMoveTo(previousX, (previousTop + previousBottom) / 2);
        canvas->PenLineTo(x, (top + bottom) / 2);
      }
    }
    spans_.push_back({x, top, bottom});
    previous = true;
    previousX = x;
    previousTop = std::min(a, b);
    previousBottom = std::max(a, b);
  }
  // All in one colour: the lines across come first, the spans over them make no difference.
  canvas->DrawVerticalSpans(spans_);
}
