#pragma once

#include <QHash>
#include <QString>
#include <array>

#include "chart/ChartFont.h"
#include "chart/ChartPen.h"
#include "framework/Event.h"
#include "framework/Exceptions.h"
#include "framework/Geometry.h"
#include "framework/StoreIfChanged.h"

class TCustomAxisPanel;
class TChartSeries;
class TCustomChartAxis;

// An axis or chart property set to a value it can't take; the property keeps its value.
class AxisException : public Exception {
 public:
  using Exception::Exception;
};
class ChartException : public Exception {
 public:
  using Exception::Exception;
};

enum TAxisLabelStyle { talAuto, talNone, talValue, talMark, talText };

using TAxisOnGetLabel = TEvent<void(TCustomChartAxis* Sender, TChartSeries* Series, int ValueIndex,
                                    QString& LabelText)>;
using TAxisOnGetNextLabel =
    TEvent<void(TCustomChartAxis* Sender, int LabelIndex, double& LabelValue, bool& Stop)>;

// The title of an axis: a caption, its font and its angle.
class TChartAxisTitle {
 public:
  explicit TChartAxisTitle(TCustomChartAxis* axis) : axis_(axis) {}
  int Angle() const { return angle_; }
  // 0..359; anything else raises ChartException.
  void SetAngle(int angle);
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  const TChartFont& Font() const { return font_; }
  void SetFont(const TChartFont& font);
  bool IsAngleStored() const;

 private:
  friend class TCustomChartAxis;
  TCustomChartAxis* axis_;
  int angle_ = 0;
  QString caption_;
  TChartFont font_;
};

// One axis of a chart: its range, where it lies on the plot rectangle, the mapping between
// values and pixels, and the step and texts of its labels. Its working state is rebuilt on
// every paint and answers for the last layout in between. Setters that change a value ask
// the chart to repaint; equal values change nothing.
class TCustomChartAxis {
 public:
  TCustomChartAxis(TCustomAxisPanel* chart, bool horizontal, bool otherSide, int titleAngle);
  virtual ~TCustomChartAxis() = default;
  TCustomChartAxis(const TCustomChartAxis&) = delete;
  TCustomChartAxis& operator=(const TCustomChartAxis&) = delete;

  // ---- Published properties ----
  bool Automatic() const { return automatic_; }
  void SetAutomatic(bool value);
  bool AutomaticMaximum() const { return automaticMaximum_; }
  void SetAutomaticMaximum(bool value);
  bool AutomaticMinimum() const { return automaticMinimum_; }
  void SetAutomaticMinimum(bool value);
  TChartAxisPen Axis;
  const QString& AxisValuesFormat() const { return axisValuesFormat_; }
  void SetAxisValuesFormat(const QString& format) { Set(axisValuesFormat_, format); }
  bool IsAxisValuesFormatStored() const { return axisValuesFormat_ != kDefaultValueFormat; }
  const QString& DateTimeFormat() const { return dateTimeFormat_; }
  void SetDateTimeFormat(const QString& format) { Set(dateTimeFormat_, format); }
  bool ExactDateTime() const { return exactDateTime_; }
  void SetExactDateTime(bool value) { Set(exactDateTime_, value); }
  TDottedGrayPen Grid;
  bool GridCentered() const { return gridCentered_; }
  void SetGridCentered(bool value) { Set(gridCentered_, value); }
  double Increment() const { return increment_; }
  void SetIncrement(double value);
  bool Inverted() const { return inverted_; }
  void SetInverted(bool value) { Set(inverted_, value); }
  bool Labels() const { return labels_; }
  void SetLabels(bool value) { Set(labels_, value); }
  int LabelsAngle() const { return labelsAngle_; }
  void SetLabelsAngle(int angle);
  const TChartFont& LabelsFont() const { return labelsFont_; }
  void SetLabelsFont(const TChartFont& font) { Set(labelsFont_, font); }
  bool LabelsMultiLine() const { return labelsMultiLine_; }
  void SetLabelsMultiLine(bool value) { Set(labelsMultiLine_, value); }
  bool LabelsOnAxis() const { return labelsOnAxis_; }
  void SetLabelsOnAxis(bool value) { Set(labelsOnAxis_, value); }
  int LabelsSeparation() const { return labelsSeparation_; }
  void SetLabelsSeparation(int value);
  int LabelsSize() const { return labelsSize_; }
  void SetLabelsSize(int value) { Set(labelsSize_, value); }
  TAxisLabelStyle LabelStyle() const { return labelStyle_; }
  void SetLabelStyle(TAxisLabelStyle style) { Set(labelStyle_, style); }
  bool Logarithmic() const { return logarithmic_; }
  void SetLogarithmic(bool value);
  int LogarithmicBase() const { return logarithmicBase_; }
  void SetLogarithmicBase(int value);
  double Maximum() const { return maximum_; }
  void SetMaximum(double value);
  bool IsMaximumStored() const { return !automatic_ && !automaticMaximum_; }
  double Minimum() const { return minimum_; }
  void SetMinimum(double value);
  bool IsMinimumStored() const { return !automatic_ && !automaticMinimum_; }
  TChartHiddenPen MinorGrid;
  int MinorTickCount() const { return minorTickCount_; }
  void SetMinorTickCount(int value) { Set(minorTickCount_, value); }
  int MinorTickLength() const { return minorTickLength_; }
  void SetMinorTickLength(int value) { Set(minorTickLength_, value); }
  TDarkGrayPen MinorTicks;
  double StartPosition() const { return startPosition_; }
  void SetStartPosition(double value) { Set(startPosition_, value); }
  double EndPosition() const { return endPosition_; }
  void SetEndPosition(double value) { Set(endPosition_, value); }
  double PositionPercent() const { return positionPercent_; }
  void SetPositionPercent(double value) { Set(positionPercent_, value); }
  bool RoundFirstLabel() const { return roundFirstLabel_; }
  void SetRoundFirstLabel(bool value) { Set(roundFirstLabel_, value); }
  int TickInnerLength() const { return tickInnerLength_; }
  void SetTickInnerLength(int value) { Set(tickInnerLength_, value); }
  int TickLength() const { return tickLength_; }
  void SetTickLength(int value) { Set(tickLength_, value); }
  bool TickOnLabelsOnly() const { return tickOnLabelsOnly_; }
  void SetTickOnLabelsOnly(bool value) { Set(tickOnLabelsOnly_, value); }
  TDarkGrayPen Ticks;
  TDarkGrayPen TicksInner;
  TChartAxisTitle Title;
  int TitleSize() const { return titleSize_; }
  void SetTitleSize(int value) { Set(titleSize_, value); }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { Set(visible_, value); }

  // ---- Fixed attributes ----
  bool IsHorizontal() const { return horizontal_; }
  bool IsOtherSide() const { return otherSide_; }
  int DefaultTitleAngle() const { return defaultTitleAngle_; }

  // ---- Working state ----
  double WorkMinimum = 0;
  double WorkMaximum = 0;
  double WorkRange = 0;
  int StartPixel = 0;
  int EndPixel = 0;
  int AxisLength = 0;
  int CenterPixel = 0;
  int LinePosition = 0;
  int LabelsPosition = 0;
  int TitlePosition = 0;
  bool IsDateTimeAxis = false;
  static constexpr int kMaxTickPositions = 2000;
  std::array<int, kMaxTickPositions> TickPositions{};
  int TickCount = 0;

  // ---- Operations ----
  void SettleRange();
  // Which series (the first active one on the axis) says whether values are dates.
  void RefreshIsDateTimeAxis();
  // Widens the settled range on its automatic ends so that the series' values keep low and
  // high pixels of room from the ends of the placed axis.
  void AdjustToMargins(int low, int high);
  void PlaceAxis();
  int ValueToPosition(double value) const;
  double PositionToValue(int pixel) const;
  // Sets both ends at once, switching automatic scaling off; never an error.
  void ApplyRange(double minimum, double maximum);
  // The distance between labels, from the label size measured in the chart's canvas.
  double LabelStep();
  // The same for a known number of labels that fit.
  double LabelStepFor(int maxLabelCount) const;
  int MaxLabelCount();
  static double NextLabelStep(double step);
  QString LabelText(double value);
  // The series drawn against this axis.
  bool IsSeriesOfAxis(const TChartSeries* series) const;

  // ---- Room and drawing, once per paint ----
  // Shrinks the working plot rectangle on the axis' side by its title, labels and ticks;
  // an axis beyond the standard five only records where it goes.
  void ReserveAxisSpace(TRect& rect, bool standard = true);
  void DrawAxis(bool setLinePosition);
  // talAuto made definite for this paint.
  TAxisLabelStyle ResolvedLabelStyle() const;

  static inline const QString kDefaultValueFormat = QStringLiteral("#,##0.###");

 protected:
  template <typename T>
  void Set(T& field, const T& value) {
    if (StoreIfChanged(field, value)) Changed();
  }
  void Changed();
  bool Loading() const;
  void CheckAngle(int angle, const QString& what) const;

 private:
  friend class TChartAxisTitle;
  int LabelSize(const QString& text);
  int MultiLineWidth(const QString& text) const;
  // The room a label takes across the axis in the labels font: its widest line plus a
  // blank, or, turned by an angle between the right ones, its turned box plus a blank.
  int LabelExtentAcross(const QString& text) const;
  int TickBandSize() const;
  int ShiftByPositionPercent(int coordinate, const TRect& rect) const;
  void AddTick(int position);
  void HandleLabel(double value);
  void ProduceValueLabels(double step);
  void ProduceTextLabels();
  void DrawLabelText(int position, const QString& text);
  // Lines of text turned by angle: the box they take, as turned, is centred on along and
  // lies against edge on the outer side of the axis, so it stays within its band.
  void DrawTurnedText(int along, int edge, int angle, const QStringList& lines);
  void DrawTick(int position, int offset, int length);
  void DrawGrid();
  void DrawMinorMarks(bool grid);

  TCustomAxisPanel* chart_;
  QHash<double, QString> formatted_;
  QString formattedFor_;
  const bool horizontal_;
  const bool otherSide_;
  const int defaultTitleAngle_;
  bool automatic_ = true;
  bool automaticMaximum_ = true;
  bool automaticMinimum_ = true;
  QString axisValuesFormat_ = kDefaultValueFormat;
  QString dateTimeFormat_;
  bool exactDateTime_ = true;
  bool gridCentered_ = false;
  double increment_ = 0;
  bool inverted_ = false;
  bool labels_ = true;
  int labelsAngle_ = 0;
  TChartFont labelsFont_;
  bool labelsMultiLine_ = false;
  bool labelsOnAxis_ = true;
  int labelsSeparation_ = 10;
  int labelsSize_ = 0;
  TAxisLabelStyle labelStyle_ = talAuto;
  bool logarithmic_ = false;
  int logarithmicBase_ = 10;
  double maximum_ = 0;
  double minimum_ = 0;
  int minorTickCount_ = 3;
  int minorTickLength_ = 2;
  double startPosition_ = 0;
  double endPosition_ = 100;
  double positionPercent_ = 0;
  bool roundFirstLabel_ = true;
  int tickInnerLength_ = 0;
  int tickLength_ = 4;
  bool tickOnLabelsOnly_ = true;
  int titleSize_ = 0;
  bool visible_ = true;
};

// The four axes around the plot.
class TChartAxis : public TCustomChartAxis {
 public:
  using TCustomChartAxis::TCustomChartAxis;
};

// The axis of depth, only drawn in 3D views: hidden by default.
class TChartDepthAxis : public TCustomChartAxis {
 public:
  explicit TChartDepthAxis(TCustomAxisPanel* chart);
};

// Rounding as the chart engine does it: halves to the even neighbour. Saturates at the
// ends of int; NaN gives 0.
int RoundHalfEven(double value);

// Pixels this far out lie off any surface. Layout arithmetic on settings (positions in
// percent, band and tick sizes) is kept within them, so that no setting, however large,
// overflows an int on its way to the canvas.
constexpr int kFarPixel = 1 << 28;
inline int FarClamp(long long value) {
  return static_cast<int>(value < -kFarPixel ? -kFarPixel : value > kFarPixel ? kFarPixel : value);
}
