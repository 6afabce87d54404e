#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "app/GraphPicture.h"
#include "app/RunStore.h"
#include "app/RunView.h"
#include "chart/ChartFont.h"
#include "chart/EnvelopeSeries.h"
#include "framework/Event.h"

class QWidget;
class TChart;
class TForm1;
class TMenuItem;
class TObject;
class TTraceReadout;

// The window's view over a whole run (TRunView): a view other than the live one draws the
// run's samples as an envelope series, a column of minimum and maximum per plot pixel, with
// volts on the left and samples along the bottom, while the live series, its "+" and "-" and
// its bare axes wait hidden; returning to live puts them back exactly as they were. The
// wheel zooms around the sample under the pointer, Shift+wheel and a drag scroll; the chart
// menu's entries and keys (Ctrl++ and Ctrl+-, PageUp and PageDown, Home, End, F) work with
// the focus anywhere in the window. While measuring a gesture leaves the live end and the
// chart says "一時停止中の表示"; End follows again. Nothing is made, and no tick does
// anything more, until the first gesture.
class TRunViewer : public QObject {
 public:
  // Each wheel step and each Ctrl++ narrows the view by this factor.
  static constexpr double kZoomStep = 1.25;
  // Shift+wheel moves by this part of the view a step.
  static constexpr int kScrollParts = 10;
  static inline const QString kPaused = QStringLiteral("一時停止中の表示");

  // `liveOnly`: what the live view shows and views other than it hide (its "+" and "-").
  // It tells `readout` what a view shows, for the chart's description and the pointer.
  TRunViewer(TForm1& form, TChart& chart, QWidget& window, TTraceReadout& readout,
             std::vector<QWidget*> liveOnly);
  ~TRunViewer() override;

  bool Live() const { return live_; }
  const TRunView& View() const { return view_; }
  // The series of a view other than the live one, none while live.
  const TEnvelopeSeries* Envelope() const { return envelope_; }
  // What the chart shows, for its description: empty while live.
  QString Description() const;
  // The pointer's readout in a view: the sample under it and its value; none while live.
  std::optional<QString> PointerText() const;

  // The gestures, as the keys and the menu run them.
  void ZoomBy(double factor);
  void Page(int views);  // towards newer samples when positive
  void ShowOldest();
  // The newest part; while measuring the live end again.
  void ShowNewest();
  void ShowWhole();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MenuPopup(TObject* sender);
  void ZoomInClick(TObject*) { ZoomBy(kZoomStep); }
  void ZoomOutClick(TObject*) { ZoomBy(1 / kZoomStep); }
  void PageBackClick(TObject*) { Page(-1); }
  void PageOnClick(TObject*) { Page(1); }
  void OldestClick(TObject*) { ShowOldest(); }
  void NewestClick(TObject*) { ShowNewest(); }
  void WholeClick(TObject*) { ShowWhole(); }
  void ShowRun(TObject* sender, int runIndex);
  void MeasuringChanged(TObject* sender);
  void TimeDirectionChanged(TObject* sender);

  bool Measuring() const;
  // The run shown, while the store still holds it; none while live.
  const TRun* FindRun() const;
  // The same; the view goes back to live when the store let it go.
  const TRun* RunShown();
  // The view within what the store holds now; none while live.
  std::optional<TRunView> ViewNow() const;
  // The run a gesture at the live end starts from: the newest with samples.
  const TRun* NewestRun() const;
  // Before a gesture: leaves the live end for the newest samples of the newest run; false
  // when there is nothing to show.
  bool Prepare();
  void LeaveLive();
  void ReturnToLive();
  void Redraw();
  void Announce(const QString& text);
  void CaptionForRun();
  // The sample position under pixel column x of the chart, as the view shows it.
  double PositionAt(int x) const;
  bool NewestAtLeft() const;
  bool Wheel(QEvent* event);
  bool Mouse(QEvent* event);

  TForm1& form_;
  TChart& chart_;
  QWidget& window_;
  TTraceReadout& readout_;
  std::vector<QPointer<QWidget>> liveOnly_;
  TNotifyEvent formPopup_;         // the menu's preparation before this one's
  TNotifyEvent measuringChanged_;  // whoever listened before
  TNotifyEvent directionChanged_;  // the same
  std::vector<TMenuItem*> items_;  // this viewer's entries, in the menu's order
  TMenuItem* newestItem_ = nullptr;
  TRunView view_;
  int runNumber_ = 0;  // the run shown, by its number: the store may let it go
  bool live_ = true;
  TEnvelopeSeries* envelope_ = nullptr;  // owned by the chart while there
  std::vector<TColumnEnvelope> runColumns_;
  std::vector<TChartColumnSpan> chartColumns_;
  // What the live view had, put back on return.
  struct TLiveLook {
    TChartFont bottomLabels, leftLabels, bottomTitle, title;
    QString bottomCaption;
    QStringList titleText;
    double bottomMinimum = 0, bottomMaximum = 0;
  } liveLook_;
  // The values P plays of the view (at most kSoundValues), left to right as drawn.
  std::vector<double> VoltsAsDrawn() const;
  static constexpr uint64_t kSoundValues = 400;
  // What "Save graph" took before a view put its stretch there.
  std::function<TGraphContent(const QDateTime&, int)> liveGraphContent_;
  // A drag with the left button: where it started, and the view's first sample then.
  std::optional<QPoint> dragFrom_;
  uint64_t dragFirst_ = 0;
  bool dragged_ = false;
  std::optional<QPoint> pointer_;  // over the chart
};
