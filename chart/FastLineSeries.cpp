#include "FastLineSeries.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "chart/AxisPanel.h"
#include "chart/ChartAxis.h"

TFastLineSeries::TFastLineSeries(TComponent* owner)
    : TChartSeries(owner), LinePen([this] { RequestRepaint(); }) {
  KeepPointPastEnd = true;
}

void TFastLineSeries::SetLinePen(const TChartPen& pen) {
  LinePen.Assign(pen);
  SetSeriesColor(LinePen.Color());
}

void TFastLineSeries::SetSeriesColor(TColor color) {
  TChartSeries::SetSeriesColor(color);
  LinePen.SetColor(color);
}

void TFastLineSeries::PrepareLinePen() {
  TChartCanvas3D* canvas = ParentChart()->Canvas();
  canvas->ApplyChartPen(LinePen);
  canvas->Brush.Style = bsClear;
}

void TFastLineSeries::DrawPoints() {
  if (!ParentChart() || FirstVisibleIndex < 0) return;
  PrepareLinePen();
  const TChartCanvas3D::TPenState& pen = ParentChart()->Canvas()->Pen;
  // A solid pen copied onto the image sets the same pixels however its lines are split up,
  // so a column's many vertical segments can be drawn as the one or two lines that cover
  // them. A dashed pen starts its dashes afresh on every line, and the other modes depend
  // on how often a pixel is drawn: those draw every segment.
  if (pen.Style == psSolid && pen.Mode == pmCopy && !pen.Alternate)
    DrawColumns();
  else
    for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) DrawPoint(i);
}

void TFastLineSeries::DrawColumns() {
  TChartCanvas3D* canvas = ParentChart()->Canvas();
  // The pixels as XScreenPos and YScreenPos give them, with the values read straight from
  // the lists (a million points spend most of their time getting there otherwise).
  const TCustomChartAxis* horizontal = GetHorizAxis();
  const TCustomChartAxis* vertical = GetVertAxis();
  if (!horizontal || !vertical || typeid(*XValues) != typeid(TChartValueList) ||
      typeid(*YValues) != typeid(TChartValueList)) {
    for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) DrawPoint(i);
    return;
  }
  const double* xs = XValues->Data();
  const double* ys = YValues->Data();
  const double xMultiplier = XValues->Multiplier(), yMultiplier = YValues->Multiplier();
  const auto pixelOf = [&](int index) {
    return TPoint{horizontal->ValueToPosition(xs[index] * xMultiplier),
                  vertical->ValueToPosition(ys[index] * yMultiplier)};
  };
  // Over x values in order, an axis maps every value between two of one pixel column to
  // that column too (the mapping is monotonic for values that reach a pixel at all; the
  // others, and every value when the axis has no range, give its centre pixel, which the
  // shortcut below leaves alone). "<=" is false for NaNs, which keeps them out as well.
  bool ordered = true;
  for (int k = FirstVisibleIndex; k < LastVisibleIndex && ordered; ++k)
    ordered = xs[k] * xMultiplier <= xs[k + 1] * xMultiplier;
  const auto columnOf = [&](int index) {
    return horizontal->ValueToPosition(xs[index] * xMultiplier);
  };
  // The last index of the column that holds the point at first, by doubling steps and then
  // halving, so that a million points on 600 columns make some 15 probes a column.
  const auto lastOfColumn = [&](int first, int x) {
    int inside = first, outside = LastVisibleIndex + 1;
    for (int step = 1; inside + step <= LastVisibleIndex; step *= 2) {
      if (columnOf(inside + step) != x) {
        outside = inside + step;
        break;
      }
      inside += step;
    }
    while (outside - inside > 1) {
      const int middle = inside + (outside - inside) / 2;
      (columnOf(middle) == x ? inside : outside) = middle;
    }
    return inside;
  };

  DrawPoint(FirstVisibleIndex);
  int i = FirstVisibleIndex + 1;
  while (i <= LastVisibleIndex) {
    TPoint pixel = pixelOf(i);
    ++i;
    if (pixel == lastPixel_) continue;
    if (pixel.X != lastPixel_.X) {
      canvas->PenLineTo(pixel.X, pixel.Y);
      lastPixel_ = pixel;
      continue;
    }
    if (ordered && pixel.X != horizontal->CenterPixel) {
      // The rows a run covers are those between its lowest and its highest, which come from
      // its smallest and its largest value; its last row, which it may not cover, is the
      // first of the line that leaves the column. So a run that is not the last needs no
      // pixel of its own but that of its end.
      const int last = lastOfColumn(i - 1, pixel.X);
      double smallest = ys[i - 1], largest = ys[i - 1];
      bool finite = true;
      for (int k = i - 1; k <= last; ++k) {
        const double y = ys[k];
        finite = finite && std::isfinite(y);
        smallest = std::min(smallest, y);
        largest = std::max(largest, y);
      }
      if (last < LastVisibleIndex && finite) {
        const int a = vertical->ValueToPosition(smallest * yMultiplier);
        const int b = vertical->ValueToPosition(largest * yMultiplier);
        if (a != vertical->CenterPixel && b != vertical->CenterPixel) {
          const int x = pixel.X;
          const int low = std::min({a, b, lastPixel_.Y}), high = std::max({a, b, lastPixel_.Y});
          const int end = vertical->ValueToPosition(ys[last] * yMultiplier);
          canvas->PenMoveTo(x, low);
          canvas->PenLineTo(x, high);
          if (end != high) canvas->PenLineTo(x, end);
          lastPixel_ = {x, end};
          i = last + 1;
          continue;
        }
      }
    }
    // A run of points in the pen's column: the path walks from the pen's row through every
    // row between the rows it turns at, and stops at the run's last row (which the next
    // line then starts from). Every row the path leaves from is drawn; the last one only
    // when the path passed it before.
    const int x = pixel.X;
    int low = lastPixel_.Y, high = lastPixel_.Y;  // rows of the run before its last point
    int end = pixel.Y;
    while (i <= LastVisibleIndex) {
      const TPoint next = pixelOf(i);
      if (next.X != x) break;
      ++i;
      if (next.Y == end) continue;
      low = std::min(low, end);
      high = std::max(high, end);
      end = next.Y;
    }
    if (end > high) {
      canvas->PenMoveTo(x, low);
      canvas->PenLineTo(x, end);
    } else if (end < low) {
      canvas->PenMoveTo(x, high);
      canvas->PenLineTo(x, end);
    } else if (end < high) {
      canvas->PenMoveTo(x, low);
      canvas->PenLineTo(x, high);
      canvas->PenLineTo(x, end);
    } else {
      canvas->PenMoveTo(x, high);
      canvas->PenLineTo(x, low);
      canvas->PenLineTo(x, end);
    }
    lastPixel_ = {x, end};
  }
}

void TFastLineSeries::DrawPoint(int index) {
  TChartCanvas3D* canvas = ParentChart()->Canvas();
  const TPoint pixel{XScreenPos(index), YScreenPos(index)};
  if (index == FirstVisibleIndex) {
    if (index > 0)
      canvas->DrawLine(XScreenPos(index - 1), YScreenPos(index - 1), pixel.X, pixel.Y);
    else
      canvas->PenMoveTo(pixel.X, pixel.Y);
  } else {
    if (pixel == lastPixel_) return;  // same pixel as the last one: nothing to draw
    canvas->PenLineTo(pixel.X, pixel.Y);
  }
  lastPixel_ = pixel;
}

void TFastLineSeries::PointAdded(int index) {
  if (autoRepaint_) {
    TChartSeries::PointAdded(index);
    return;
  }
  // Drawn at once on the image the last paint left, without a repaint of the whole chart.
  TCustomAxisPanel* chart = ParentChart();
  if (!chart) return;
  if (!chart->BeginImmediateDrawing()) {
    // Nothing shown yet, or a paint is due anyway: that paint draws the point.
    RequestRepaint();
    return;
  }
  TChartCanvas3D* canvas = chart->Canvas();
  canvas->Pen.Color = LinePen.Color();
  canvas->Pen.Mode = LinePen.Mode();
  canvas->Pen.Style = LinePen.Style();
  canvas->Pen.Width = LinePen.Width();
  canvas->Pen.Alternate = false;
  const int previous = std::max(0, index - 1);
  const TPoint from{XScreenPos(previous), YScreenPos(previous)};
  const TPoint to{XScreenPos(index), YScreenPos(index)};
  canvas->PenMoveTo(from.X, from.Y);
  // The pen starts where the segment does: a point on that same pixel (the first point of
  // a series, or one on the pixel of the point before it) draws nothing, as a full paint
  // draws nothing for it, instead of a dot of the pen's width from a stale last pixel.
  lastPixel_ = from;
  DrawPoint(index);
  // The segment's box, grown by the pen's reach on every side (kept well inside int: a
  // point far off the axis maps to the ends of its range).
  const int reach = std::clamp(LinePen.Width(), 1, 1 << 16) + 1;
  auto near = [](int v) { return std::clamp(v, -(1 << 28), 1 << 28); };
  chart->EndImmediateDrawing(
      {near(std::min(from.X, to.X)) - reach, near(std::min(from.Y, to.Y)) - reach,
       near(std::max(from.X, to.X)) + reach + 1, near(std::max(from.Y, to.Y)) + reach + 1});
}

void TFastLineSeries::DrawLegendSymbol(const TRect& r) {
  if (!ParentChart()) return;
  PrepareLinePen();
  ParentChart()->Canvas()->DrawHorizLine(r.Left, r.Right, (r.Top + r.Bottom) / 2);
}

namespace {
// Whether p lies exactly on the segment from a to b.
bool OnSegment(TPoint p, TPoint a, TPoint b) {
  // Pixels of far points span the whole int range: differences need 33 bits, and their
  // products 66.
  using Wide = __int128;
  const Wide cross = (Wide(b.X) - a.X) * (Wide(p.Y) - a.Y) - (Wide(b.Y) - a.Y) * (Wide(p.X) - a.X);
  return cross == 0 && p.X >= std::min(a.X, b.X) && p.X <= std::max(a.X, b.X) &&
         p.Y >= std::min(a.Y, b.Y) && p.Y <= std::max(a.Y, b.Y);
}
}  // namespace

int TFastLineSeries::PointAtPixel(int x, int y) const {
  if (FirstVisibleIndex < 0 || LastVisibleIndex < 0) return -1;
  const TPoint p{x, y};
  for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) {
    const TPoint here{XScreenPos(i), YScreenPos(i)};
    if (here == p) return i;
    if (i > FirstVisibleIndex && OnSegment(p, {XScreenPos(i - 1), YScreenPos(i - 1)}, here))
      return i - 1;
  }
  return -1;
}
