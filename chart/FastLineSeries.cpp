#include "FastLineSeries.h"

#include <algorithm>

#include "chart/AxisPanel.h"

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
  for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) DrawPoint(i);
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
