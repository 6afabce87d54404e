#pragma once

#include <QFont>
#include <QRect>
#include <QRegion>
#include <QString>
#include <optional>
#include <vector>

#include "framework/Colors.h"
#include "framework/Geometry.h"

class QPainter;
class TCustomChartAxis;

// A line across the plot at a value of the horizontal axis, in a colour of its own, with a
// label (a cursor's letter) at the top of the plot.
struct TChartCursor {
  double X = 0;
  TColor Color = clWhite;
  QString Label;
  bool operator==(const TChartCursor&) const = default;
};

// What a chart shows over its image on the window and never draws into it: cursors, the
// marker at the point under the pointer, and a frame while the keyboard focus is on the chart.
// So the image, and the kept still parts a render starts from, stay what they are, and a
// change costs a copy of the columns the lines leave and reach, not a render.
// The lines lie at values of the horizontal axis given to each call, as of its last layout.
class TChartOverlay {
 public:
  bool IsEmpty() const { return cursors_.empty() && !marker_ && !focusFrame_; }

  // Each answers the part of the chart to show again; empty when nothing changed.
  QRegion SetCursors(std::vector<TChartCursor> cursors, const TCustomChartAxis& axis,
                     const TRect& plot);
  const std::vector<TChartCursor>& Cursors() const { return cursors_; }
  QRegion SetMarker(std::optional<double> x, TColor color, const TCustomChartAxis& axis,
                    const TRect& plot);
  std::optional<double> Marker() const { return marker_; }
  QRegion SetFocusFrame(bool shown, const QRect& chart);
  bool FocusFrame() const { return focusFrame_; }

  // The font of the labels (the chart's own).
  void SetFont(const QFont& font) { font_ = font; }

  // Over whatever the window shows of the chart now; the painter is left as it was.
  void Paint(QPainter& painter, const TCustomChartAxis& axis, const TRect& plot,
             const QRect& chart) const;

 private:
  // Where a line and its label lie on the chart; empty when the value lies outside the plot.
  QRect LineArea(double x, const QString& label, const TCustomChartAxis& axis,
                 const TRect& plot) const;
  QRect LabelBox(int lineX, const QString& label, const TRect& plot) const;
  void PaintLine(QPainter& painter, int x, TColor color, const TRect& plot) const;

  std::vector<TChartCursor> cursors_;
  std::optional<double> marker_;
  TColor markerColor_ = clSilver;
  bool focusFrame_ = false;
  QFont font_;
};
