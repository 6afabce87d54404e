#include "ChartOverlay.h"

#include <QFontMetrics>
#include <QPainter>

#include "chart/ChartAxis.h"
#include "chart/ChartCanvas.h"

namespace {

// The letters stand this far from their line and from the plot's top edge.
constexpr int kLabelGap = 3;

// Within the plot, its frame included: the trace's newest point lies on its left edge.
bool InsidePlot(int x, const TRect& plot) {
  return x >= plot.Left && x <= plot.Right;
}

}  // namespace

QRect TChartOverlay::LabelBox(int lineX, const QString& label, const TRect& plot) const {
  if (label.isEmpty()) return {};
  const QFontMetrics metrics(font_);
  const int width = metrics.horizontalAdvance(label);
  // Right of the line, or left of it where the plot ends first.
  int left = lineX + kLabelGap;
  if (left + width >= plot.Right) left = lineX - kLabelGap - width;
  return {left, plot.Top + kLabelGap, width, metrics.height()};
}

QRect TChartOverlay::LineArea(double x, const QString& label, const TCustomChartAxis& axis,
                              const TRect& plot) const {
  const int pixel = axis.ValueToPosition(x);
  if (!InsidePlot(pixel, plot)) return {};
  const QRect line(pixel, plot.Top + 1, 1, plot.Height() - 1);
  return line | LabelBox(pixel, label, plot);
}

QRegion TChartOverlay::SetCursors(std::vector<TChartCursor> cursors, const TCustomChartAxis& axis,
                                  const TRect& plot) {
  if (cursors == cursors_) return {};
  QRegion changed;
  for (const TChartCursor& cursor : cursors_)
    changed += LineArea(cursor.X, cursor.Label, axis, plot);
  cursors_ = std::move(cursors);
  for (const TChartCursor& cursor : cursors_)
    changed += LineArea(cursor.X, cursor.Label, axis, plot);
  return changed;
}

QRegion TChartOverlay::SetMarker(std::optional<double> x, TColor color,
                                 const TCustomChartAxis& axis, const TRect& plot) {
  const QRect before = marker_ ? LineArea(*marker_, QString(), axis, plot) : QRect();
  const QRect after = x ? LineArea(*x, QString(), axis, plot) : QRect();
  const bool recoloured = color != markerColor_;
  marker_ = x;
  markerColor_ = color;
  // A value that moves the line by less than a pixel changes nothing on the screen.
  if (before == after && !recoloured) return {};
  return QRegion(before) + QRegion(after);
}

QRegion TChartOverlay::SetFocusFrame(bool shown, const QRect& chart) {
  if (shown == focusFrame_) return {};
  focusFrame_ = shown;
  // Only the edge: the frame is one pixel wide.
  return QRegion(chart) - QRegion(chart.adjusted(1, 1, -1, -1));
}

void TChartOverlay::PaintLine(QPainter& painter, int x, TColor color, const TRect& plot) const {
  painter.fillRect(QRect(x, plot.Top + 1, 1, plot.Height() - 1), ToQColor(color));
}

void TChartOverlay::Paint(QPainter& painter, const TCustomChartAxis& axis, const TRect& plot,
                          const QRect& chart) const {
  if (IsEmpty()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setClipRect(chart, Qt::IntersectClip);
  if (marker_) {
    const int x = axis.ValueToPosition(*marker_);
    if (InsidePlot(x, plot)) PaintLine(painter, x, markerColor_, plot);
  }
  painter.setFont(font_);
  for (const TChartCursor& cursor : cursors_) {
    const int x = axis.ValueToPosition(cursor.X);
    if (!InsidePlot(x, plot)) continue;
    PaintLine(painter, x, cursor.Color, plot);
    const QRect box = LabelBox(x, cursor.Label, plot);
    if (box.isEmpty()) continue;
    painter.setPen(ToQColor(cursor.Color));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, cursor.Label);
  }
  if (focusFrame_) {
    // Dotted white: it shows on the black screen around the plot and on any panel colour.
    QPen pen(Qt::white, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(chart.adjusted(0, 0, -1, -1));
  }
  painter.restore();
}
