#include "TraceReadout.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QStringList>
#include <vector>

#include "app/Form1.h"
#include "app/MeasurementsWindow.h"
#include "chart/Chart.h"
#include "chart/ChartAccessible.h"
#include "framework/Translations.h"

namespace {

QString Tr(const char* text) {
  // The catalogue is loaded when first wanted (a pointer over the chart, a screen reader).
  InstallTranslations(QStringLiteral("simplescope"));
  return QCoreApplication::translate("simplescope", text);
}

}  // namespace

TTraceReadout::TTraceReadout(TForm1& form, TChart& chart, QWidget& window)
    : form_(form), chart_(chart), window_(window) {
  form_.OnGetPointedSample = TEvent<int(TObject*, bool)>::Bind<&TTraceReadout::PointedSample>(this);
  form_.OnShowMeasurements = TNotifyEvent::Bind<&TTraceReadout::ShowMeasurements>(this);
  form_.OnReadingChanged = TNotifyEvent::Bind<&TTraceReadout::ReadingChanged>(this);
  form_.OnMeasuringChanged = TNotifyEvent::Bind<&TTraceReadout::MeasuringChanged>(this);
  timeDirectionChanged_ = form_.OnTimeDirectionChanged;
  form_.OnTimeDirectionChanged = TNotifyEvent::Bind<&TTraceReadout::TimeDirectionChanged>(this);
  chart_.PointerMarkerColor = kMarkerColor;
  chart_.OnGetPointerText = TChartPointerTextEvent::Bind<&TTraceReadout::PointerText>(this);
  chart_.OnGetAccessibleText =
      TChartAccessibleTextEvent::Bind<&TTraceReadout::AccessibleText>(this);
  chart_.SetPointerReadout(true);
  // The arrows come to the window when the control with the focus has no use for them.
  window_.installEventFilter(this);
}

TTraceReadout::~TTraceReadout() {
  window_.removeEventFilter(this);
  if (arrowsFrom_) arrowsFrom_->removeEventFilter(this);
  form_.OnGetPointedSample = {};
  form_.OnShowMeasurements = {};
  form_.OnReadingChanged = {};
  form_.OnMeasuringChanged = {};
  form_.OnTimeDirectionChanged = timeDirectionChanged_;
  chart_.OnGetPointerText = {};
  chart_.OnGetAccessibleText = {};
  // It reads the figures of the logic, which goes before the window's widgets.
  delete measurements_.data();
}

TMeasurementsWindow* TTraceReadout::Measurements() const {
  return measurements_;
}

int TTraceReadout::PointedSample(TObject*, bool atMenu) {
  if (atMenu) {
    // Where the menu was opened: a right click's place, or the middle of the chart when the
    // menu key opened it.
    const QPoint at = chart_.mapFromGlobal(form_.PopupMenu1->PopupPoint());
    return chart_.InPlot(at) ? chart_.ValueIndexAtPixel(at.x()) : -1;
  }
  if (chart_.PointerInPlot()) return chart_.PointerValueIndex();
  // By the keyboard alone, on the chart: the middle of the values shown, for the arrows to
  // move from.
  const int count = form_.Reading.Figures.Count();
  if (chart_.hasFocus() && count > 0) return (count - 1) / 2;
  return -1;
}

void TTraceReadout::ShowMeasurements(TObject*) {
  // One window: asked for again, it comes to the front. (A closed one is on its way out.)
  if (measurements_ && !measurements_->isHidden()) {
    measurements_->raise();
    measurements_->activateWindow();
    return;
  }
  measurements_ = new TMeasurementsWindow(&window_, form_.Reading);
  measurements_->ShowBesideOwner();
}

void TTraceReadout::ReadingChanged(TObject*) {
  // The tooltip's text is renewed a few times a second (a new text costs more than a tick's
  // drawing); until then its line stays on the sample it names, which moved with the trace.
  // A trace new altogether is read out again at once.
  if (form_.Reading.Moved > 0)
    chart_.MovePointerMarker(form_.Reading.Moved);
  else if (form_.Reading.Moved < 0 && chart_.PointerInPlot())
    chart_.RefreshPointerReadout();
  const bool cursorsMoved = ShowCursors();
  if (measurements_ && !measurements_->isHidden()) measurements_->Refresh();
  // A trace that moves is told at most once a second; a cursor the user placed or moved, or
  // a trace that stands still, at once.
  UpdateDescription(cursorsMoved || !form_.Timer1->Enabled());
}

void TTraceReadout::MeasuringChanged(TObject*) {
  // The last ticks before a stop may not have been told yet.
  UpdateDescription(true);
}

void TTraceReadout::TimeDirectionChanged(TObject* sender) {
  if (timeDirectionChanged_) timeDirectionChanged_(sender);
  chart_.RefreshPointerReadout();
  UpdateDescription(true);
}

void TTraceReadout::ViewChanged(bool inView) {
  if (inView != inView_) cursorsStale_ = true;
  inView_ = inView;
  ShowCursors();
  UpdateDescription(true);
}

void TTraceReadout::UpdateDescription(bool atOnce) {
  // Only for a screen reader that listens.
  if (!AccessibilityListens()) return;
  if (!atOnce && describedAt_.isValid() && !describedAt_.hasExpired(kDescriptionInterval)) return;
  const QString now = DescriptionNow();
  describedAt_.start();
  if (now == description_) return;
  description_ = now;
  chart_.AccessibleDescriptionChanged();
}

bool TTraceReadout::ShowCursors() {
  const std::optional<int> a = form_.Reading.Cursor(TCursorName::A);
  const std::optional<int> b = form_.Reading.Cursor(TCursorName::B);
  const TCursorName last = form_.Reading.LastPlaced();
  if (a == shownA_ && b == shownB_ && last == shownLast_ && !cursorsStale_) return false;
  shownLast_ = last;
  if (a == shownA_ && b == shownB_ && !cursorsStale_) return true;
  shownA_ = a;
  shownB_ = b;
  cursorsStale_ = false;
  std::vector<TChartCursor> cursors;
  if (inView_) {
    chart_.SetCursors({});
    return true;
  }
  if (a) cursors.push_back({double(*a), kCursorAColor, QStringLiteral("A")});
  if (b) cursors.push_back({double(*b), kCursorBColor, QStringLiteral("B")});
  chart_.SetCursors(std::move(cursors));
  // The tooltip over a cursor names it.
  chart_.RefreshPointerReadout();
  return true;
}

void TTraceReadout::PointerText(TCustomChart*, int valueIndex, QString& text) {
  if (inView_ && ViewPointerText)
    if (std::optional<QString> viewText = ViewPointerText()) {
      text = *viewText;
      return;
    }
  const TTraceFigures& figures = form_.Reading.Figures;
  if (!figures.Has(valueIndex)) {
    text = Tr(QT_TRANSLATE_NOOP("simplescope", "no value"));
    return;
  }
  text = Tr(QT_TRANSLATE_NOOP("simplescope", "sample %1: %2"))
             .arg(figures.SampleNumber(valueIndex))
             .arg(VoltsText(figures.ValueAt(valueIndex)));
  QStringList letters;
  if (form_.Reading.Cursor(TCursorName::A) == valueIndex) letters << QStringLiteral("A");
  if (form_.Reading.Cursor(TCursorName::B) == valueIndex) letters << QStringLiteral("B");
  if (!letters.isEmpty())
    text +=
        QLatin1Char(' ') +
        Tr(QT_TRANSLATE_NOOP("simplescope", "(cursor %1)")).arg(letters.join(QStringLiteral(", ")));
}

QString TTraceReadout::CursorText(TCursorName name) const {
  const std::optional<int> x = form_.Reading.Cursor(name);
  if (!x) return {};
  const QString letter = name == TCursorName::A ? QStringLiteral("A") : QStringLiteral("B");
  const TTraceFigures& figures = form_.Reading.Figures;
  if (!figures.Has(*x))
    return Tr(QT_TRANSLATE_NOOP("simplescope", "cursor %1: no value")).arg(letter);
  return Tr(QT_TRANSLATE_NOOP("simplescope", "cursor %1: sample %2, %3"))
      .arg(letter)
      .arg(figures.SampleNumber(*x))
      .arg(VoltsText(figures.ValueAt(*x)));
}

QString TTraceReadout::DescriptionNow() const {
  // The figures and cursors are those of the live trace, which a view hides.
  if (inView_ && ViewDescription) return ViewDescription();
  const TTraceFigureSet& f = form_.Reading.Figures.All();
  QString trace = f.Count == 0 ? Tr(QT_TRANSLATE_NOOP("simplescope", "no value"))
                               : Tr(QT_TRANSLATE_NOOP("simplescope", "latest %1, min %2, max %3"))
                                     .arg(VoltsText(f.Latest, 2), VoltsText(f.Minimum, 2),
                                          VoltsText(f.Maximum, 2));
  // The arrows move a cursor on the screen: which way that is in time is news only when the
  // window no longer runs as it started.
  if (form_.NewestAtRight)
    trace = Tr(QT_TRANSLATE_NOOP("simplescope", "%1. %2"))
                .arg(trace, Tr(QT_TRANSLATE_NOOP("simplescope", "newest at the right")));
  // The cursor the user placed or moved last comes first: a screen reader announces a
  // changed description, and that is the news.
  const QString cursor = CursorText(form_.Reading.LastPlaced());
  if (cursor.isEmpty()) return trace;
  return Tr(QT_TRANSLATE_NOOP("simplescope", "%1. %2")).arg(cursor, trace);
}

QString TTraceReadout::Description() {
  // A trace that stands still is described as it is; a moving one as of the last second.
  if (!form_.Timer1->Enabled() || inView_ || !describedAt_.isValid() ||
      describedAt_.hasExpired(kDescriptionInterval)) {
    description_ = DescriptionNow();
    describedAt_.start();
  }
  return description_;
}

void TTraceReadout::AccessibleText(TCustomChart*, int kind, QString& text) {
  if (kind == QAccessible::Name) text = Tr(QT_TRANSLATE_NOOP("simplescope", "waveform"));
  if (kind == QAccessible::Description) text = Description();
}

void TTraceReadout::TakeArrowsFrom(QWidget* control) {
  if (arrowsFrom_) arrowsFrom_->removeEventFilter(this);
  arrowsFrom_ = control;
  if (arrowsFrom_) arrowsFrom_->installEventFilter(this);
}

bool TTraceReadout::eventFilter(QObject* watched, QEvent* event) {
  if ((watched != &window_ && watched != arrowsFrom_) || event->type() != QEvent::KeyPress)
    return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
  // Left on the screen: toward the older samples when the newest is at the right.
  const int towardRight = key->key() == Qt::Key_Left ? -1 : key->key() == Qt::Key_Right ? 1 : 0;
  const int direction = form_.NewestAtRight ? -towardRight : towardRight;
  if (direction == 0 || (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier) ||
      !form_.Reading.AnyCursor())
    return false;
  form_.MoveCursor(direction * (modifiers == Qt::ShiftModifier ? 10 : 1));
  return true;
}
