#include "MeasurementsWindow.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/TraceReading.h"
#include "framework/Clipboard.h"
#include "framework/ScreenPlacement.h"
#include "framework/Translations.h"

namespace {

const QString kNoValue = QStringLiteral("—");
constexpr const char* kValuesShown = QT_TRANSLATE_NOOP("simplescope", "%1 values shown");
constexpr const char* kBetweenCursors =
    QT_TRANSLATE_NOOP("simplescope", "Cursors A–B: samples %1–%2 (%3 values)");
constexpr int kGap = 8;

QString Tr(const char* text) {
  return QCoreApplication::translate("simplescope", text);
}

// The rows of the window, in the table's order.
enum TRowIndex {
  kCount,
  kLatest,
  kMinimum,
  kMaximum,
  kMean,
  kPeakToPeak,
  kRms,
  kAcRms,
  kDeltaSamples,
  kDeltaVolts
};
struct TRow {
  const char* key;
  const char* caption;
};
constexpr TRow kRowList[] = {
    {"count", QT_TRANSLATE_NOOP("simplescope", "Count")},
    {"latest_V", QT_TRANSLATE_NOOP("simplescope", "Latest")},
    {"min_V", QT_TRANSLATE_NOOP("simplescope", "Minimum")},
    {"max_V", QT_TRANSLATE_NOOP("simplescope", "Maximum")},
    {"mean_V", QT_TRANSLATE_NOOP("simplescope", "Mean")},
    {"peak_to_peak_V", QT_TRANSLATE_NOOP("simplescope", "Peak to peak")},
    {"rms_V", QT_TRANSLATE_NOOP("simplescope", "RMS")},
    {"ac_rms_V", QT_TRANSLATE_NOOP("simplescope", "AC RMS")},
    {"delta_samples", QT_TRANSLATE_NOOP("simplescope", "Δ samples")},
    {"delta_V", QT_TRANSLATE_NOOP("simplescope", "ΔV")},
};

}  // namespace

QString VoltsText(double volts, int decimals) {
  QString text = QString::number(volts, 'f', decimals);
  if (text.startsWith(QLatin1Char('-'))) {
    // A value that rounds to zero has no sign; others a minus sign, as a screen reader
    // reads it ("minus") and a hyphen is not.
    if (text.toDouble() == 0)
      text.remove(0, 1);
    else
      text[0] = QChar(0x2212);
  }
  return text + QStringLiteral(" V");
}

TMeasurementsWindow::TMeasurementsWindow(QWidget* owner, const TTraceReading& reading)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint),
      reading_(reading) {
  setAttribute(Qt::WA_DeleteOnClose);
  InstallTranslations(QStringLiteral("simplescope"));
  setWindowTitle(Tr(QT_TRANSLATE_NOOP("simplescope", "Measurements")));
  // Its texts may need characters the main window's face leaves to others (Δ, −, —).
  QFont font = this->font();
  font.setStyleStrategy(QFont::PreferDefault);
  setFont(font);

  auto* layout = new QVBoxLayout(this);
  span_ = new QLabel(this);
  // The texts that change with every tick are in labels of a fixed size, wide enough for any
  // of their texts: a label that may change its size has the whole window laid out again
  // (every label measured) each time.
  span_->setFixedSize(
      span_->fontMetrics().horizontalAdvance(Tr(kBetweenCursors).arg(888).arg(888).arg(888)),
      span_->fontMetrics().height());
  layout->addWidget(span_);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(16);
  layout->addLayout(grid);
  static_assert(std::size(kRowList) == kRows);
  // The widest value: a difference between the two ends of the board's range.
  const int widest = fontMetrics().horizontalAdvance(VoltsText(-1270.0));
  for (int i = 0; i < kRows; ++i) {
    captions_[i] = new QLabel(Tr(kRowList[i].caption), this);
    values_[i] = new QLabel(this);
    QLabel* value = values_[i];
    value->setObjectName(QLatin1String(kRowList[i].key));
    // A screen reader reads the value with what it is.
    value->setAccessibleDescription(captions_[i]->text());
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setFixedSize(widest, value->fontMetrics().height());
    grid->addWidget(captions_[i], i, 0);
    grid->addWidget(value, i, 1);
  }
  copy_ = new QPushButton(Tr(QT_TRANSLATE_NOOP("simplescope", "Copy")), this);
  copy_->setAccessibleName(Tr(QT_TRANSLATE_NOOP("simplescope", "Copy")));
  QObject::connect(copy_, &QPushButton::clicked, this, [this] { Copy(); });
  copy_->installEventFilter(this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(copy_);
  layout->addLayout(buttons);
  // Its size follows the rows shown (the differences come and go).
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Refresh();
}

void TMeasurementsWindow::Refresh() {
  const TTraceReading::TSpan span = reading_.Span();
  const TTraceFigureSet& f = reading_.Figures.Between(span.First, span.Last);
  if (span.BetweenCursors) {
    // Sample numbers run the other way from x.
    const bool any = f.Count > 0;
    span_->setText(Tr(kBetweenCursors)
                       .arg(any ? reading_.Figures.SampleNumber(span.Last) : 0)
                       .arg(any ? reading_.Figures.SampleNumber(span.First) : 0)
                       .arg(f.Count));
  } else {
    span_->setText(Tr(kValuesShown).arg(f.Count));
  }
  const double volts[] = {0, f.Latest, f.Minimum, f.Maximum, f.Mean, f.PeakToPeak, f.Rms, f.AcRms};
  for (int i = kCount; i <= kAcRms; ++i)
    values_[i]->setText(f.Count == 0  ? kNoValue
                        : i == kCount ? QString::number(f.Count)
                                      : VoltsText(volts[i]));
  // The differences only between two cursors that lie on values.
  const std::optional<TTraceReading::TDeltas> deltas = reading_.Deltas();
  for (int i : {kDeltaSamples, kDeltaVolts}) {
    captions_[i]->setVisible(deltas.has_value());
    values_[i]->setVisible(deltas.has_value());
  }
  if (deltas) {
    values_[kDeltaSamples]->setText(QString::number(deltas->Samples).replace('-', QChar(0x2212)));
    values_[kDeltaVolts]->setText(VoltsText(deltas->Volts));
  }
  copy_->setEnabled(f.Count > 0);
}

QString TMeasurementsWindow::ValueText(const QString& key) const {
  for (int i = 0; i < kRows; ++i)
    if (key == QLatin1String(kRowList[i].key) && !values_[i]->isHidden()) return values_[i]->text();
  return {};
}

QString TMeasurementsWindow::SpanText() const {
  return span_->text();
}

void TMeasurementsWindow::Copy() {
  const QString table = reading_.Table(QLatin1Char('\t'));
  if (table.isEmpty()) return;
  CopyTableToClipboard(table, reading_.Table(QLatin1Char(',')).toUtf8());
}

QPoint TMeasurementsWindow::PlaceBeside(const QRect& owner, const QSize& own, const QRect& screen) {
  int x = owner.right() + 1 + kGap;
  if (x + own.width() - 1 > screen.right()) {
    x = owner.left() - kGap - own.width();
    if (x < screen.left()) x = screen.right() + 1 - own.width();  // over the owner's edge
  }
  x = std::max(x, screen.left());
  int y = std::min(owner.top(), screen.bottom() + 1 - own.height());
  y = std::max(y, screen.top());
  return {x, y};
}

void TMeasurementsWindow::ShowBesideOwner() {
  // Its size, before it is shown, is a child's default: the layout gives the real one.
  adjustSize();
  QWidget* owner = parentWidget();
  if (owner) {
    const QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    // Its frame is taken to be as wide as the owner's, before it has one of its own.
    const QSize frame = owner->frameGeometry().size() - owner->size();
    if (screen)
      move(PlaceBeside(owner->frameGeometry(), size() + frame, screen->availableGeometry()));
  }
  show();
  raise();
  activateWindow();
}

void TMeasurementsWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  // It grows by the differences' rows when both cursors are set: still whole on the screen.
  if (isVisible()) KeepWindowOnScreen(*this);
}

void TMeasurementsWindow::keyPressEvent(QKeyEvent* event) {
  const QKeyCombination key = event->keyCombination();
  if (key == QKeyCombination(Qt::Key_Escape) ||
      key == QKeyCombination(Qt::ControlModifier, Qt::Key_W)) {
    close();
    return;
  }
  if (event->matches(QKeySequence::Copy)) {
    Copy();
    return;
  }
  if (PassToOwner(event)) return;
  QDialog::keyPressEvent(event);
}

bool TMeasurementsWindow::PassToOwner(QKeyEvent* event) {
  // The main window's keys work here too (F5, F6, Ctrl+R, the arrows, ...): it is asked
  // first; what it has no use for is the dialog's.
  QWidget* owner = parentWidget();
  if (!owner) return false;
  event->accept();
  QCoreApplication::sendEvent(owner, event);
  return event->isAccepted();
}

bool TMeasurementsWindow::eventFilter(QObject* watched, QEvent* event) {
  // The button would move the focus with the arrows; they move a cursor, as everywhere.
  if (watched == copy_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) return PassToOwner(key);
  }
  return QDialog::eventFilter(watched, event);
}

void TMeasurementsWindow::contextMenuEvent(QContextMenuEvent* event) {
  // The menu key opens the main window's menu, over its chart, as it does there.
  QWidget* owner = parentWidget();
  if (!owner || event->reason() != QContextMenuEvent::Keyboard) {
    QDialog::contextMenuEvent(event);
    return;
  }
  QContextMenuEvent forwarded(QContextMenuEvent::Keyboard, owner->rect().center(),
                              owner->mapToGlobal(owner->rect().center()), event->modifiers());
  QCoreApplication::sendEvent(owner, &forwarded);
}
