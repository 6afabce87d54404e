#include "RunViewer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "app/Form1.h"
#include "app/MeasurementsWindow.h"
#include "app/TraceReadout.h"
#include "chart/Chart.h"
#include "chart/ChartAxis.h"
#include "framework/Translations.h"
#include "protocol/BoardProtocol.h"

namespace {

const QString kCaptionSeparator = QStringLiteral(" — ");

QString Tr(const char* text) {
  InstallTranslations(QStringLiteral("simplescope"));
  return QCoreApplication::translate("simplescope", text);
}

TChartFont InColor(TChartFont font, TColor color) {
  font.Color = color;
  return font;
}

// A drag moves the view only past this many pixels: a click stays a click.
constexpr int kDragThreshold = 3;

}  // namespace

TRunViewer::TRunViewer(TForm1& form, TChart& chart, QWidget& window, TTraceReadout& readout,
                       std::vector<QWidget*> liveOnly)
    : form_(form), chart_(chart), window_(window), readout_(readout) {
  readout_.ViewDescription = [this] { return Description(); };
  readout_.ViewPointerText = [this] { return PointerText(); };
  for (QWidget* widget : liveOnly) liveOnly_.emplace_back(widget);
  TPopupMenu& menu = *form_.PopupMenu1;
  formPopup_ = menu.OnPopup;
  menu.OnPopup = TNotifyEvent::Bind<&TRunViewer::MenuPopup>(this);
  menu.Add(TMenuItem::kSeparator, QString(), {});
  items_ = {
      menu.Add(QString(), QStringLiteral("Ctrl++"),
               TNotifyEvent::Bind<&TRunViewer::ZoomInClick>(this)),
      menu.Add(QString(), QStringLiteral("Ctrl+-"),
               TNotifyEvent::Bind<&TRunViewer::ZoomOutClick>(this)),
      menu.Add(QString(), QStringLiteral("PgUp"),
               TNotifyEvent::Bind<&TRunViewer::PageBackClick>(this)),
      menu.Add(QString(), QStringLiteral("PgDown"),
               TNotifyEvent::Bind<&TRunViewer::PageOnClick>(this)),
      menu.Add(QString(), QStringLiteral("Home"),
               TNotifyEvent::Bind<&TRunViewer::OldestClick>(this)),
      newestItem_ = menu.Add(QString(), QStringLiteral("End"),
                             TNotifyEvent::Bind<&TRunViewer::NewestClick>(this)),
      menu.Add(QString(), QStringLiteral("F"), TNotifyEvent::Bind<&TRunViewer::WholeClick>(this)),
  };
  form_.OnShowRun = TEvent<void(TObject*, int)>::Bind<&TRunViewer::ShowRun>(this);
  measuringChanged_ = form_.OnMeasuringChanged;
  form_.OnMeasuringChanged = TNotifyEvent::Bind<&TRunViewer::MeasuringChanged>(this);
  directionChanged_ = form_.OnTimeDirectionChanged;
  form_.OnTimeDirectionChanged = TNotifyEvent::Bind<&TRunViewer::TimeDirectionChanged>(this);
  // Ctrl with "+" comes with Shift on most keyboards, or as "=": both zoom, before the menu
  // looks for its shortcut.
  window_.installEventFilter(this);
  chart_.installEventFilter(this);
}

TRunViewer::~TRunViewer() {
  window_.removeEventFilter(this);
  chart_.removeEventFilter(this);
  readout_.ViewDescription = {};
  readout_.ViewPointerText = {};
  form_.OnShowRun = {};
  form_.OnMeasuringChanged = measuringChanged_;
  form_.OnTimeDirectionChanged = directionChanged_;
  if (!live_) {  // the graph's content would read this viewer
    form_.GraphContent = std::move(liveGraphContent_);
    form_.GraphOfAView = false;
    form_.ViewedTrace = {};
  }
  // The chart goes after the window's logic and deletes the series it still owns.
}

bool TRunViewer::Measuring() const {
  return form_.Timer1->Enabled();
}

bool TRunViewer::NewestAtLeft() const {
  return !form_.NewestAtRight;
}

const TRun* TRunViewer::NewestRun() const {
  for (int i = form_.Runs.RunCount() - 1; i >= 0; --i)
    if (form_.Runs.RunAt(i).KeptSamples() > 0) return &form_.Runs.RunAt(i);
  return nullptr;
}

const TRun* TRunViewer::FindRun() const {
  if (live_) return nullptr;
  for (int i = 0; i < form_.Runs.RunCount(); ++i)
    if (form_.Runs.RunAt(i).Number() == runNumber_) return &form_.Runs.RunAt(i);
  return nullptr;
}

const TRun* TRunViewer::RunShown() {
  const TRun* run = FindRun();
  if (!run) ReturnToLive();
  return run;
}

std::optional<TRunView> TRunViewer::ViewNow() const {
  // Between gestures the store may have dropped the oldest samples, or the run.
  if (!FindRun()) return std::nullopt;
  TRunView view = view_;
  view.Update();
  return view;
}

bool TRunViewer::Prepare() {
  if (!live_ && RunShown()) {
    view_.Update();
    return true;
  }
  // At the live end, or back at it since the run shown went.
  const TRun* run = NewestRun();
  if (!run) return false;
  runNumber_ = run->Number();
  view_.Show(run, true);
  return true;
}

void TRunViewer::ZoomBy(double factor) {
  if (!Prepare()) return;
  view_.Zoom(factor);
  Redraw();
}

void TRunViewer::Page(int views) {
  if (!Prepare()) return;
  view_.Page(views);
  Redraw();
}

void TRunViewer::ShowOldest() {
  if (!Prepare()) return;
  view_.ShowOldest();
  Redraw();
}

void TRunViewer::ShowNewest() {
  // Measuring, End is the way back to the live trace.
  if (Measuring()) {
    ReturnToLive();
    return;
  }
  if (!Prepare()) return;
  view_.ShowNewest(false);
  Redraw();
}

void TRunViewer::ShowWhole() {
  if (!Prepare()) return;
  view_.ShowWhole();
  Redraw();
}

void TRunViewer::ShowRun(TObject*, int runIndex) {
  if (runIndex < 0 || runIndex >= form_.Runs.RunCount()) return;
  const TRun& run = form_.Runs.RunAt(runIndex);
  if (run.KeptSamples() == 0) return;
  runNumber_ = run.Number();
  view_.ShowWhole(&run);
  Redraw();
}

void TRunViewer::MeasuringChanged(TObject* sender) {
  // A start begins a new run, shown live; a stop leaves the view where it is, no longer
  // paused.
  if (Measuring() && !live_)
    ReturnToLive();
  else if (!live_)
    Redraw();
  if (measuringChanged_) measuringChanged_(sender);
}

void TRunViewer::TimeDirectionChanged(TObject* sender) {
  if (!live_) Redraw();
  if (directionChanged_) directionChanged_(sender);
}

void TRunViewer::LeaveLive() {
  live_ = false;
  TChartAxis& bottom = *chart_.BottomAxis;
  TChartAxis& left = *chart_.LeftAxis;
  liveLook_ = {bottom.LabelsFont(), left.LabelsFont(),      bottom.Title.Font(),
               chart_.Title.Font(), bottom.Title.Caption(), chart_.Title.Text(),
               bottom.Minimum(),    bottom.Maximum()};
  form_.Series2->SetActive(false);
  for (const QPointer<QWidget>& widget : liveOnly_)
    if (widget) widget->hide();
  // Labels the live view draws in the panel's black come out in white: volts, samples, and
  // what the view shows in the bottom axis' title.
  bottom.SetLabelsFont(InColor(bottom.LabelsFont(), clWhite));
  left.SetLabelsFont(InColor(left.LabelsFont(), clWhite));
  bottom.Title.SetFont(InColor(bottom.Title.Font(), clWhite));
  chart_.Title.SetFont(InColor(chart_.Title.Font(), clWhite));
  envelope_ = new TEnvelopeSeries(&chart_);
  envelope_->SetSeriesColor(clYellow);
  envelope_->LinePen.SetWidth(2);  // as the live trace
  envelope_->SetParentChart(&chart_);
  // "Save graph" takes the stretch in view, at the run's own resolution.
  liveGraphContent_ = form_.GraphContent;
  form_.GraphContent = [this](const QDateTime& taken, int columns) {
    const std::optional<TRunView> view = ViewNow();
    return view ? GraphContentOfRun(*view->Run(), view->First(), view->End(), columns, taken)
                : TGraphContent{};
  };
  form_.GraphOfAView = true;
  form_.ViewedTrace = [this] { return VoltsAsDrawn(); };
  if (Measuring()) Announce(kPaused);
}

void TRunViewer::ReturnToLive() {
  if (live_) return;
  live_ = true;
  dragFrom_.reset();
  delete envelope_;
  envelope_ = nullptr;
  TChartAxis& bottom = *chart_.BottomAxis;
  TChartAxis& left = *chart_.LeftAxis;
  // The direction may have changed while the view showed.
  bottom.SetInverted(form_.NewestAtRight);
  bottom.ApplyRange(liveLook_.bottomMinimum, liveLook_.bottomMaximum);
  bottom.SetLabelsFont(liveLook_.bottomLabels);
  left.SetLabelsFont(liveLook_.leftLabels);
  bottom.Title.SetFont(liveLook_.bottomTitle);
  bottom.Title.SetCaption(liveLook_.bottomCaption);
  chart_.Title.SetFont(liveLook_.title);
  chart_.Title.SetText(liveLook_.titleText);
  for (const QPointer<QWidget>& widget : liveOnly_)
    if (widget) widget->show();
  form_.Series2->SetActive(true);
  form_.GraphContent = std::move(liveGraphContent_);
  form_.GraphOfAView = false;
  form_.ViewedTrace = {};
  form_.RecordingChange(&form_);  // the caption of the live window
  Announce(Tr(QT_TRANSLATE_NOOP("simplescope", "Live view")));
  readout_.ViewChanged(false);
}

void TRunViewer::Redraw() {
  if (live_) LeaveLive();
  const TRun* run = RunShown();
  if (!run) return;
  view_.Update();
  TChartAxis& bottom = *chart_.BottomAxis;
  bottom.SetInverted(NewestAtLeft());
  bottom.ApplyRange(double(view_.First()), double(view_.End()));
  bottom.Title.SetCaption(view_.Description());
  chart_.Title.SetText(QStringList{Measuring() ? kPaused : QStringLiteral(" ")});
  // One column a pixel of the plot as the last layout placed it.
  const int pixels = std::max(1, chart_.PlotWidth() > 0 ? chart_.PlotWidth() : chart_.width());
  runColumns_.resize(static_cast<size_t>(pixels));
  chartColumns_.resize(runColumns_.size());
  run->Columns(view_.First(), view_.End(), runColumns_);
  for (size_t c = 0; c < runColumns_.size(); ++c) {
    const TColumnEnvelope& column = runColumns_[c];
    chartColumns_[c] = {BoardProtocol::VoltsFromRaw(column.Low),
                        BoardProtocol::VoltsFromRaw(column.High), column.HasValue,
                        column.GapBefore};
  }
  envelope_->SetColumns(double(view_.First()), double(view_.End()), chartColumns_);
  CaptionForRun();
  chart_.RefreshPointerReadout();
  readout_.ViewChanged(true);
}

std::vector<double> TRunViewer::VoltsAsDrawn() const {
  std::vector<double> volts;
  const std::optional<TRunView> view = ViewNow();
  if (!view) return volts;
  // A few hundred values are as much as a few seconds of sound can tell apart: a long stretch
  // is heard through the middles of its columns.
  const uint64_t count = std::min<uint64_t>(view->End() - view->First(), kSoundValues);
  std::vector<TColumnEnvelope> columns(count);
  view->Run()->Columns(view->First(), view->End(), columns);
  for (const TColumnEnvelope& column : columns)
    if (column.HasValue)
      volts.push_back(
          (BoardProtocol::VoltsFromRaw(column.Low) + BoardProtocol::VoltsFromRaw(column.High)) / 2);
  // Positions grow to the right unless the newest sample is at the left, as it starts.
  if (!form_.NewestAtRight) std::reverse(volts.begin(), volts.end());
  return volts;
}

void TRunViewer::CaptionForRun() {
  const TRun* run = view_.Run();
  if (run && !run->FileName().empty())
    form_.SetCaption(TForm1::kCaption + kCaptionSeparator +
                     QFileInfo(QString::fromStdString(run->FileName())).fileName());
  else
    form_.RecordingChange(&form_);
}

void TRunViewer::Announce(const QString& text) {
  // As the sound announces itself: the window's description changes, and a screen reader
  // that listens hears it.
  window_.setAccessibleDescription(text);
}

QString TRunViewer::Description() const {
  const std::optional<TRunView> view = ViewNow();
  if (!view) return {};
  const TSampleRange range = view->Run()->Range(view->First(), view->End());
  QString text = view->Description();
  if (!range.Empty())
    text += Tr(QT_TRANSLATE_NOOP("simplescope", "; min %1, max %2"))
                .arg(VoltsText(BoardProtocol::VoltsFromRaw(range.Low), 3),
                     VoltsText(BoardProtocol::VoltsFromRaw(range.High), 3));
  return Measuring() ? kPaused + QStringLiteral(": ") + text : text;
}

double TRunViewer::PositionAt(int x) const {
  const TChartAxis& bottom = *chart_.BottomAxis;
  const int length = std::max(1, bottom.EndPixel - bottom.StartPixel);
  const double along = std::clamp(double(x - bottom.StartPixel) / length, 0.0, 1.0);
  const double width = double(view_.Width());
  return NewestAtLeft() ? double(view_.End()) - along * width
                        : double(view_.First()) + along * width;
}

std::optional<QString> TRunViewer::PointerText() const {
  const std::optional<TRunView> view = ViewNow();
  if (!pointer_ || !view || view->Width() == 0) return std::nullopt;
  const TRun& run = *view->Run();
  const uint64_t position = std::clamp<uint64_t>(
      static_cast<uint64_t>(std::max(0.0, std::floor(PositionAt(pointer_->x())))), view->First(),
      view->End() - 1);
  return Tr(QT_TRANSLATE_NOOP("simplescope", "sample %1: %2"))
      .arg(position)
      .arg(VoltsText(BoardProtocol::VoltsFromRaw(run.SampleAt(position))));
}

bool TRunViewer::Wheel(QEvent* event) {
  auto* wheel = static_cast<QWheelEvent*>(event);
  const QPoint delta = wheel->angleDelta();
  // With Shift some systems turn the wheel sideways.
  const int amount = delta.y() != 0 ? delta.y() : delta.x();
  if (amount == 0 || !chart_.InPlot(wheel->position().toPoint())) return false;
  const double steps = amount / 120.0;
  if (!Prepare()) return false;
  if (wheel->modifiers() & Qt::ShiftModifier) {
    // Turned towards oneself the trace moves on to what lies to the right.
    const double rightward = -steps * double(view_.Width()) / kScrollParts;
    const int64_t samples =
        static_cast<int64_t>(std::llround(NewestAtLeft() ? -rightward : rightward));
    view_.ScrollBy(samples == 0 ? (rightward > 0) == NewestAtLeft() ? -1 : 1 : samples);
  } else {
    view_.ZoomAt(std::pow(kZoomStep, steps), PositionAt(wheel->position().toPoint().x()));
  }
  Redraw();
  return true;
}

bool TRunViewer::Mouse(QEvent* event) {
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint at = mouse->position().toPoint();
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (mouse->button() != Qt::LeftButton || mouse->modifiers() != Qt::NoModifier ||
          !chart_.InPlot(at))
        return false;
      dragFrom_ = at;
      dragged_ = false;
      return false;
    case QEvent::MouseMove: {
      pointer_ = at;
      if (!dragFrom_ || !(mouse->buttons() & Qt::LeftButton)) return false;
      const int dx = at.x() - dragFrom_->x();
      if (!dragged_) {
        if (std::abs(dx) < kDragThreshold || !Prepare()) return false;
        dragged_ = true;
        dragFirst_ = view_.First();
      }
      const TChartAxis& bottom = *chart_.BottomAxis;
      const double perPixel =
          double(view_.Width()) / std::max(1, bottom.EndPixel - bottom.StartPixel);
      // The trace follows the pointer: dragged right, what lay left comes into view.
      const double samples = (NewestAtLeft() ? dx : -dx) * perPixel;
      view_.ScrollBy(static_cast<int64_t>(dragFirst_) + std::llround(samples) -
                     static_cast<int64_t>(view_.First()));
      Redraw();
      return false;
    }
    case QEvent::MouseButtonRelease:
      if (mouse->button() == Qt::LeftButton) dragFrom_.reset();
      return false;
    default:
      return false;
  }
}

bool TRunViewer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &chart_) {
    switch (event->type()) {
      case QEvent::Wheel:
        return Wheel(event);
      case QEvent::MouseButtonPress:
      case QEvent::MouseMove:
      case QEvent::MouseButtonRelease:
        return Mouse(event);
      case QEvent::Leave:
        pointer_.reset();
        return false;
      default:
        return false;
    }
  }
  if (watched != &window_ || event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers modifiers =
      key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  if (modifiers != Qt::ControlModifier) return false;
  if (key->key() == Qt::Key_Plus || key->key() == Qt::Key_Equal) {
    ZoomBy(kZoomStep);
    return true;
  }
  if (key->key() == Qt::Key_Minus && !(key->modifiers() & Qt::ShiftModifier)) {
    ZoomBy(1 / kZoomStep);
    return true;
  }
  return false;
}

void TRunViewer::MenuPopup(TObject* sender) {
  if (formPopup_) formPopup_(sender);
  static const char* const kCaptions[] = {QT_TRANSLATE_NOOP("simplescope", "Zoom in"),
                                          QT_TRANSLATE_NOOP("simplescope", "Zoom out"),
                                          QT_TRANSLATE_NOOP("simplescope", "Earlier view"),
                                          QT_TRANSLATE_NOOP("simplescope", "Later view"),
                                          QT_TRANSLATE_NOOP("simplescope", "Oldest part"),
                                          QT_TRANSLATE_NOOP("simplescope", "Newest part"),
                                          QT_TRANSLATE_NOOP("simplescope", "Whole run")};
  const bool any = NewestRun() != nullptr || !live_;
  for (size_t i = 0; i < items_.size(); ++i) {
    items_[i]->Caption = Tr(kCaptions[i]);
    items_[i]->Enabled = any;
  }
  if (Measuring()) newestItem_->Caption = Tr(QT_TRANSLATE_NOOP("simplescope", "Back to live"));
  newestItem_->Enabled = any && !(Measuring() && live_);
}
