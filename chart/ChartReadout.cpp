// The chart's reading of values: cursors, the pointer's marker and tooltip, the keyboard
// focus frame and what it tells assistive technology. All of it lies over the image.
#include <QAccessible>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "chart/Chart.h"
#include "chart/ChartAccessible.h"
#include "chart/ChartSeries.h"
#include "framework/KeyboardFocus.h"

namespace {

QRect ToQRect(const TRect& r) {
  return {r.Left, r.Top, r.Width(), r.Height()};
}

// Within the plot, its frame included: the trace's newest point lies on its left edge.
bool InsideOf(const TRect& plot, QPoint point) {
  return point.x() >= plot.Left && point.x() <= plot.Right && point.y() >= plot.Top &&
         point.y() <= plot.Bottom;
}

}  // namespace

TChartSeries* TCustomChart::ReadoutSeries() const {
  for (int i = 0; i < SeriesCount(); ++i)
    if (Series(i)->Active() && Series(i)->GetHorizAxis()) return Series(i);
  return nullptr;
}

const TCustomChartAxis& TCustomChart::ReadoutAxis() const {
  const TChartSeries* series = ReadoutSeries();
  return series ? *series->GetHorizAxis() : *BottomAxis;
}

void TCustomChart::ShowOverlayChange(const QRegion& changed) {
  // The image is up to date there: the paint only copies it and draws the overlay again.
  if (!changed.isEmpty()) update(changed);
}

void TCustomChart::SetCursors(std::vector<TChartCursor> cursors) {
  overlay_.SetFont(font());
  ShowOverlayChange(overlay_.SetCursors(std::move(cursors), ReadoutAxis(), PlotRect));
}

void TCustomChart::SetPointerReadout(bool on) {
  if (on == pointerReadout_) return;
  pointerReadout_ = on;
  // Moves without a button held come to the chart only while it asks for them.
  setMouseTracking(on);
  RefreshPointerReadout();
}

int TCustomChart::ValueIndexAtPixel(int x) const {
  const TChartSeries* series = ReadoutSeries();
  const int count = series ? series->PointCount() : 0;
  if (count == 0) return -1;
  const TCustomChartAxis& axis = *series->GetHorizAxis();
  const double value = axis.PositionToValue(x);
  // The nearest point: found by halving when the x values are in ascending order.
  int nearest = 0;
  if (series->XValues->Order() == loAscending) {
    int low = 0, high = count - 1;
    while (low < high) {
      const int middle = low + (high - low) / 2;
      if (series->XValueAt(middle) < value)
        low = middle + 1;
      else
        high = middle;
    }
    nearest = low;
    if (low > 0 &&
        std::fabs(series->XValueAt(low - 1) - value) <= std::fabs(series->XValueAt(low) - value))
      nearest = low - 1;
  } else {
    for (int i = 1; i < count; ++i)
      if (std::fabs(series->XValueAt(i) - value) < std::fabs(series->XValueAt(nearest) - value))
        nearest = i;
  }
  // Within half a step of the points (or of a pixel, for a single point or points closer
  // than one): beyond the last point the plot shows no value.
  const double pixelStep = std::fabs(axis.PositionToValue(x + 1) - value);
  const double pointStep =
      count > 1 ? std::fabs(series->XValueAt(count - 1) - series->XValueAt(0)) / (count - 1) : 0;
  const double reach = std::max(pointStep, pixelStep) / 2;
  return std::fabs(series->XValueAt(nearest) - value) <= reach ? nearest : -1;
}

bool TCustomChart::InPlot(QPoint point) const {
  return InsideOf(PlotRect, point);
}

bool TCustomChart::PointerInPlot() const {
  return pointerReadout_ && pointer_ && InPlot(*pointer_);
}

int TCustomChart::PointerValueIndex() const {
  return PointerInPlot() ? ValueIndexAtPixel(pointer_->x()) : -1;
}

void TCustomChart::RefreshPointerReadout() {
  const int index = PointerValueIndex();
  const TChartSeries* series = ReadoutSeries();
  const std::optional<double> marker =
      index >= 0 ? std::optional<double>(series->XValueAt(index)) : std::nullopt;
  ShowOverlayChange(overlay_.SetMarker(marker, PointerMarkerColor, ReadoutAxis(), PlotRect));
  QString text;
  if (PointerInPlot() && OnGetPointerText) OnGetPointerText(this, index, text);
  if (text.isEmpty()) {
    if (tipShown_) QToolTip::hideText();
    tipShown_ = false;
    return;
  }
  // Shown at once, as an instrument's readout is; it follows the pointer within the plot.
  QToolTip::showText(mapToGlobal(*pointer_), text, this, ToQRect(PlotRect));
  tipShown_ = true;
  readoutAt_.start();
}

void TCustomChart::MovePointerMarker(double by) {
  const std::optional<double> marker = overlay_.Marker();
  if (!marker || by == 0) return;
  ShowOverlayChange(overlay_.SetMarker(*marker + by, PointerMarkerColor, ReadoutAxis(), PlotRect));
}

void TCustomChart::FollowDataUnderPointer() {
  // After the paint (a tooltip is a window of its own), and a few times a second: data that
  // changes ten times a second is more than anyone reads, and each new text costs the
  // tooltip's window its text, size and paint.
  if (readoutPending_) return;
  readoutPending_ = true;
  const qint64 since = readoutAt_.isValid() ? readoutAt_.elapsed() : kReadoutInterval;
  const int wait = static_cast<int>(std::max<qint64>(0, kReadoutInterval - since));
  QTimer::singleShot(wait, this, [this] {
    readoutPending_ = false;
    RefreshPointerReadout();
  });
}

void TCustomChart::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  if (!pointerReadout_) return;
  pointer_ = event->position().toPoint();
  RefreshPointerReadout();
}

void TCustomChart::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  pointer_.reset();
  if (pointerReadout_) RefreshPointerReadout();
}

// The focus shows as the overlay's frame alone, repainted where it lies; Qt's own handlers
// would repaint the whole chart at every focus change, the window's activation included.
void TCustomChart::focusInEvent(QFocusEvent* event) {
  if (FocusCameFromKeyboard(*this, *event)) ShowOverlayChange(overlay_.SetFocusFrame(true, rect()));
}

void TCustomChart::focusOutEvent(QFocusEvent*) {
  ShowOverlayChange(overlay_.SetFocusFrame(false, rect()));
}

void TCustomChart::AccessibleDescriptionChanged() {
  if (!AccessibilityListens()) return;
  ++descriptionChanges_;
  // A test may listen where the platform can't.
  if (!QAccessible::isActive()) return;
  QAccessibleEvent event(this, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&event);
}
