#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

#include "app/TraceReading.h"
#include "framework/Event.h"

class QWidget;
class TChart;
class TCustomChart;
class TForm1;
class TMeasurementsWindow;
class TObject;

// The window's side of reading the trace, from the figures and cursors its logic keeps
// (TForm1::Reading): the cursors drawn on the chart, the pointer's readout, the measurements
// window, the arrow keys that move a cursor, and the chart's name and description for
// screen readers. Made with the window, it binds itself to the logic's and the chart's events.
class TTraceReadout : public QObject {
 public:
  // The cursors' colours: cyan and magenta stand apart from the yellow trace, the grey grid
  // and each other; the marker under the pointer is a quieter grey.
  static constexpr uint32_t kCursorAColor = 0xFFFF00;  // red in the low byte
  static constexpr uint32_t kCursorBColor = 0xFF00FF;
  static constexpr uint32_t kMarkerColor = 0xA0A0A0;
  // A screen reader is told of a new description at most this often.
  static constexpr int kDescriptionInterval = 1000;

  TTraceReadout(TForm1& form, TChart& chart, QWidget& window);
  ~TTraceReadout() override;

  // The open measurements window, or none.
  TMeasurementsWindow* Measurements() const;
  // What the chart tells a screen reader of the trace now, as it last refreshed it: the
  // cursor placed or moved last, then the trace's newest value, minimum and maximum.
  QString Description();
  // The arrows move a cursor with the focus on `control` too, which would otherwise move the
  // focus with them (a push button).
  void TakeArrowsFrom(QWidget* control);
  // A view other than the live trace: what it says in place of the trace's figures, and the
  // pointer's text over it. Asked only while it is shown.
  std::function<QString()> ViewDescription;
  std::function<std::optional<QString>()> ViewPointerText;
  // The chart shows a view other than the live trace, or the live trace again, or another
  // stretch: the cursors, which stand on the live trace, show only on it, and a screen reader
  // is told at once.
  void ViewChanged(bool inView);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int PointedSample(TObject* sender, bool atMenu);
  void ShowMeasurements(TObject* sender);
  void ReadingChanged(TObject* sender);
  void MeasuringChanged(TObject* sender);
  // The trace turned round: the pointer now points at another sample, and a screen reader
  // hears which way the trace runs.
  void TimeDirectionChanged(TObject* sender);
  // Tells a screen reader of a new description: at once, or at most once a second.
  void UpdateDescription(bool atOnce);
  void PointerText(TCustomChart* sender, int valueIndex, QString& text);
  void AccessibleText(TCustomChart* sender, int kind, QString& text);
  // False when the cursors shown are still those of the reading.
  bool ShowCursors();
  QString DescriptionNow() const;
  QString CursorText(TCursorName name) const;

  TForm1& form_;
  TChart& chart_;
  QWidget& window_;
  QPointer<TMeasurementsWindow> measurements_;
  TNotifyEvent timeDirectionChanged_;  // bound before this, run first
  // What the chart shows of the cursors, to tell a change from a tick that moved none.
  std::optional<int> shownA_;
  std::optional<int> shownB_;
  TCursorName shownLast_ = TCursorName::A;
  QPointer<QWidget> arrowsFrom_;
  bool inView_ = false;
  bool cursorsStale_ = false;  // shown before a view came or went
  QString description_;
  QElapsedTimer describedAt_;
};
