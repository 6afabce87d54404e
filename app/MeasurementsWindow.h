#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>

class QLabel;
class QPushButton;
class TTraceReading;

// The figures of the trace in a small window of their own beside the main window: what they
// cover (every value shown, or the span between the cursors), the count, the newest value,
// minimum, maximum, mean, peak to peak, RMS and AC RMS, and with both cursors set the
// differences between them. It stays above the main window without holding it up; Esc or
// Ctrl+W closes it, Ctrl+C or its button copies the figures as a table, and the main window's
// other keys and its menu key work in it as in the main window. Each value label is
// named by its table key (count, latest_V, ...), for tests and for finding it. A dialog, as
// a screen reader should find it, though it holds nothing up.
class TMeasurementsWindow : public QDialog {
 public:
  TMeasurementsWindow(QWidget* owner, const TTraceReading& reading);

  // Shows the reading's figures as they are now.
  void Refresh();
  // Puts the figures on the clipboard: the table as text and as CSV.
  void Copy();
  // Opens beside the owner where the screen has room, else where it fits best.
  void ShowBesideOwner();

  // The value shown for a table key ("—" before there are values), and what the figures cover.
  QString ValueText(const QString& key) const;
  QString SpanText() const;

  // Where a window of frame size `own` goes beside the owner's frame on the screen's
  // available area: right of it, else left of it, else over its right edge, always on the
  // screen, its top level with the owner's.
  static QPoint PlaceBeside(const QRect& owner, const QSize& own, const QRect& screen);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static constexpr int kRows = 10;

  // Gives a key to the main window: true when it took it.
  bool PassToOwner(QKeyEvent* event);

  const TTraceReading& reading_;
  QLabel* span_ = nullptr;
  std::array<QLabel*, kRows> captions_{};
  std::array<QLabel*, kRows> values_{};
  QPushButton* copy_ = nullptr;
};

// Volts as the window and the tooltip show them: three decimals, a point as the decimal
// separator in every language, a true minus sign.
QString VoltsText(double volts, int decimals = 3);
