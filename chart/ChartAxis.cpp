#include "ChartAxis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "chart/AxisPanel.h"
#include "chart/ChartSeries.h"
#include "framework/Format.h"

namespace {

// The double nearest to ten to the given power. std::pow need not give it: the C library
// MinGW links on Windows misses by several units in the last place far from zero, where
// reading the decimal number is exact on every system.
double PowerOfTen(int exponent) {
  char text[16];
  std::snprintf(text, sizeof text, "1e%d", exponent);
  return std::strtod(text, nullptr);
}

const QString kMinimumAboveMaximum = QStringLiteral("軸の最小値は最大値以下でなければなりません");
const QString kMaximumBelowMinimum = QStringLiteral("軸の最大値は最小値以上でなければなりません");
const QString kNegativeIncrement = QStringLiteral("軸の増加単位は 0 以上でなければなりません");
const QString kNegativeSeparation = QStringLiteral("ラベルの間隔は 0 以上でなければなりません");
const QString kLogarithmicDateTime = QStringLiteral("日付時刻軸を対数軸にすることはできません");
const QString kLogarithmicNegative =
    QStringLiteral("対数軸の最大/最小値は 0 以上でなければなりません");
const QString kLogarithmicBase = QStringLiteral("Axis Logarithmic Base should be >= 2");
const QString kMinimumNotFinite = QStringLiteral("軸の最小値は有限の数でなければなりません");
const QString kMaximumNotFinite = QStringLiteral("軸の最大値は有限の数でなければなりません");
const QString kAngleOutOfRange = QStringLiteral("%1の角度は 0 から 359 の間でなければなりません");

constexpr double kSmallestStep = 1e-12;
constexpr double kPixelLimit = 2147483647.0;
constexpr double kSmallestRange = 1e-10;
const QChar kLineSeparator(13);

}  // namespace

int RoundHalfEven(double value) {
  // Saturates instead of overflowing: a layout setting far out of range, or a value with
  // no number in it (NaN gives 0), must not turn into an arbitrary pixel.
  if (!(value == value)) return 0;
  const double rounded = std::nearbyint(value);  // the default rounding mode: to even
  if (rounded >= 2147483647.0) return std::numeric_limits<int>::max();
  if (rounded <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(rounded);
}

// ---- Title ----

void TChartAxisTitle::SetAngle(int angle) {
  axis_->CheckAngle(angle, QStringLiteral("軸タイトル"));
  if (angle == angle_) return;
  angle_ = angle;
  axis_->Changed();
}

void TChartAxisTitle::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  axis_->Changed();
}

void TChartAxisTitle::SetFont(const TChartFont& font) {
  if (font == font_) return;
  font_ = font;
  axis_->Changed();
}

bool TChartAxisTitle::IsAngleStored() const {
  return angle_ != axis_->DefaultTitleAngle();
}

// ---- Axis ----

TCustomChartAxis::TCustomChartAxis(TCustomAxisPanel* chart, bool horizontal, bool otherSide,
                                   int titleAngle)
    : Axis([this] { Changed(); }),
      Grid([this] { Changed(); }),
      MinorGrid([this] { Changed(); }),
      MinorTicks([this] { Changed(); }),
      Ticks([this] { Changed(); }),
      TicksInner([this] { Changed(); }),
      Title(this),
      chart_(chart),
      horizontal_(horizontal),
      otherSide_(otherSide),
      defaultTitleAngle_(titleAngle) {
  Title.angle_ = titleAngle;
  if (chart_) chart_->RegisterAxis(this);
}

TChartDepthAxis::TChartDepthAxis(TCustomAxisPanel* chart)
    : TCustomChartAxis(chart, false, true, 0) {
  SetVisible(false);
}

void TCustomChartAxis::Changed() {
  if (chart_) chart_->InvalidateChart();
}

bool TCustomChartAxis::Loading() const {
  return chart_ && chart_->Loading();
}

void TCustomChartAxis::CheckAngle(int angle, const QString& what) const {
  if (angle < 0 || angle > 359) throw ChartException(kAngleOutOfRange.arg(what));
}

void TCustomChartAxis::SetAutomatic(bool value) {
  Set(automatic_, value);
  if (Loading()) return;
  Set(automaticMinimum_, value);
  Set(automaticMaximum_, value);
}

void TCustomChartAxis::SetAutomaticMaximum(bool value) {
  Set(automaticMaximum_, value);
  if (!value || automaticMinimum_) Set(automatic_, value);
}

void TCustomChartAxis::SetAutomaticMinimum(bool value) {
  Set(automaticMinimum_, value);
  if (!value || automaticMaximum_) Set(automatic_, value);
}

void TCustomChartAxis::SetIncrement(double value) {
  // NaN is not "0 or more", and an endless increment leaves no labels to step to.
  if (!(value >= 0) || std::isinf(value)) throw AxisException(kNegativeIncrement);
  Set(increment_, value);
}

void TCustomChartAxis::SetLabelsAngle(int angle) {
  CheckAngle(angle, QStringLiteral("軸ラベル"));
  Set(labelsAngle_, angle);
}

void TCustomChartAxis::SetLabelsSeparation(int value) {
  if (value < 0) throw AxisException(kNegativeSeparation);
  Set(labelsSeparation_, value);
}

void TCustomChartAxis::SetLogarithmic(bool value) {
  if (value && !logarithmic_) {
    SettleRange();
    if (IsDateTimeAxis) throw AxisException(kLogarithmicDateTime);
    if (WorkMinimum < 0 || WorkMaximum < 0) throw AxisException(kLogarithmicNegative);
  }
  Set(logarithmic_, value);
}

void TCustomChartAxis::SetLogarithmicBase(int value) {
  if (value < 2) throw AxisException(kLogarithmicBase);
  Set(logarithmicBase_, value);
}

void TCustomChartAxis::SetMaximum(double value) {
  if (!std::isfinite(value)) throw AxisException(kMaximumNotFinite);
  if (!Loading() && value < minimum_) throw AxisException(kMaximumBelowMinimum);
  Set(maximum_, value);
}

void TCustomChartAxis::SetMinimum(double value) {
  if (!std::isfinite(value)) throw AxisException(kMinimumNotFinite);
  if (!Loading() && value > maximum_) throw AxisException(kMinimumAboveMaximum);
  Set(minimum_, value);
}

void TCustomChartAxis::ApplyRange(double minimum, double maximum) {
  // Checked before anything changes: a refused range leaves the axis as it was.
  if (!std::isfinite(minimum)) throw AxisException(kMinimumNotFinite);
  if (!std::isfinite(maximum)) throw AxisException(kMaximumNotFinite);
  Set(automatic_, false);
  Set(automaticMinimum_, false);
  Set(automaticMaximum_, false);
  if (minimum > maximum) std::swap(minimum, maximum);
  Set(minimum_, minimum);
  Set(maximum_, maximum);
  if (maximum_ - minimum_ < kSmallestRange) Set(maximum_, minimum_ + kSmallestRange);
}

bool TCustomChartAxis::IsSeriesOfAxis(const TChartSeries* series) const {
  if (horizontal_)
    return series->GetHorizAxis() == this ||
           (series->HorizAxis() == aBothHorizAxis &&
            (chart_->BottomAxis == this || chart_->TopAxis == this));
  return series->GetVertAxis() == this || (series->VertAxis() == aBothVertAxis &&
                                           (chart_->LeftAxis == this || chart_->RightAxis == this));
}

namespace {

// The smallest and largest finite values of a list; false when it has none.
bool FiniteExtremes(const TChartValueList& list, double& lowest, double& highest) {
  bool found = false;
  for (int i = 0; i < list.ValueCount(); ++i) {
    const double value = list.ValueAt(i);
    if (!std::isfinite(value)) continue;
    lowest = found ? std::min(lowest, value) : value;
    highest = found ? std::max(highest, value) : value;
    found = true;
  }
  return found;
}

}  // namespace

void TCustomChartAxis::RefreshIsDateTimeAxis() {
  IsDateTimeAxis = false;
  if (!chart_) return;
  for (int i = 0; i < chart_->SeriesCount(); ++i) {
    TChartSeries* series = chart_->Series(i);
    if (series->Active() && IsSeriesOfAxis(series)) {
      IsDateTimeAxis = (horizontal_ ? series->XValues : series->YValues)->DateTime();
      return;
    }
  }
}

void TCustomChartAxis::AdjustToMargins(int low, int high) {
  // The ends move in by the margins and the old end pixels are mapped back to values. An
  // axis shorter than a pixel maps every pixel to 0, so its range ends up 0..0.
  if (AxisLength < 1) {
    WorkMinimum = WorkMaximum = WorkRange = 0;
    return;
  }
  if (!(automatic_ || automaticMinimum_)) low = 0;
  if (!(automatic_ || automaticMaximum_)) high = 0;
  if (low == 0 && high == 0) return;  // the mapping back would give the same range
  const long long inner = static_cast<long long>(AxisLength) - low - high;
  if (inner < 1) {
    WorkMinimum = WorkMaximum = WorkRange = 0;
    return;
  }
  const double perPixel = WorkRange / static_cast<double>(inner);
  WorkMinimum -= low * perPixel;
  WorkMaximum += high * perPixel;
  WorkRange = WorkMaximum - WorkMinimum;
}

void TCustomChartAxis::SettleRange() {
  if (chart_) {
    std::vector<TChartSeries*> attached;
    bool anyActive = false;
    for (int i = 0; i < chart_->SeriesCount(); ++i) {
      TChartSeries* series = chart_->Series(i);
      if (!IsSeriesOfAxis(series)) continue;
      attached.push_back(series);
      anyActive = anyActive || series->Active();
    }
    RefreshIsDateTimeAxis();
    bool found = false;
    double lowest = 0, highest = 0;
    for (TChartSeries* series : attached) {
      if ((anyActive && !series->Active()) || series->PointCount() == 0) continue;
      double lo = horizontal_ ? series->LowestX() : series->LowestY();
      double hi = horizontal_ ? series->HighestX() : series->HighestY();
      if (!std::isfinite(lo) || !std::isfinite(hi)) {
        // NaN or an infinity among the values: they take no part in the range, and a
        // series with nothing else takes none at all.
        if (!FiniteExtremes(horizontal_ ? *series->XValues : *series->YValues, lo, hi)) continue;
      }
      lowest = found ? std::min(lowest, lo) : lo;
      highest = found ? std::max(highest, hi) : hi;
      found = true;
    }
    if (automatic_ || automaticMaximum_) maximum_ = highest;
    if (automatic_ || automaticMinimum_) minimum_ = lowest;
  }
  WorkMaximum = maximum_;
  WorkMinimum = minimum_;
  WorkRange = WorkMaximum - WorkMinimum;
}

void TCustomChartAxis::PlaceAxis() {
  const TRect& plot = chart_->PlotRect;
  const int start = horizontal_ ? plot.Left : plot.Top;
  const int size = horizontal_ ? plot.Width() : plot.Height();
  StartPixel =
      FarClamp(start + static_cast<long long>(RoundHalfEven(size * 0.01 * startPosition_)));
  EndPixel = FarClamp(start + static_cast<long long>(RoundHalfEven(size * 0.01 * endPosition_)));
  AxisLength = EndPixel - StartPixel;
  CenterPixel = (StartPixel + EndPixel) / 2;
}

int TCustomChartAxis::ValueToPosition(double value) const {
  if (WorkRange == 0) return CenterPixel;
  const double t = (value - WorkMinimum) * AxisLength / WorkRange;
  if (!(std::fabs(t) < kPixelLimit)) return CenterPixel;  // NaN too
  const long long offset = RoundHalfEven(t);
  const bool fromStart = horizontal_ != inverted_;
  const long long pixel = fromStart ? StartPixel + offset : EndPixel - offset;
  // The offset fits an int, the sum need not: far out it stays at the edge of the range.
  return static_cast<int>(std::clamp<long long>(pixel, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

double TCustomChartAxis::PositionToValue(int pixel) const {
  if (AxisLength < 1) return 0;
  const double d = (inverted_ ? EndPixel - pixel : pixel - StartPixel) * WorkRange / AxisLength;
  return horizontal_ ? WorkMinimum + d : WorkMaximum - d;
}

double TCustomChartAxis::NextLabelStep(double step) {
  // Only positive finite steps have a next one on the 1, 2, 5 sequence; anything else
  // would scale by ten for ever.
  if (!(step > 0) || std::isinf(step)) return step;
  const double given = step;
  auto next = [](double unit) { return unit < 2 ? 2.0 : unit < 5 ? 5.0 : 10.0; };
  auto following = [](double base) { return base == 2 ? 5.0 : base == 5 ? 10.0 : 20.0; };
  if (step >= 1e30 || step < 1e-30) {
    // Far out the decade is found at once: a step search on a range of 1e300 would
    // otherwise walk hundreds of decades for each of its hundreds of steps.
    double scale = PowerOfTen(static_cast<int>(std::floor(std::log10(step))));
    double unit = step / scale;
    if (unit >= 10) {
      unit /= 10;
      scale *= 10;
    } else if (unit < 1) {
      unit *= 10;
      scale /= 10;
    }
    const double base = next(unit);
    const double result = base * scale;
    // A step on the sequence may come out a hair below its own unit (5e31 / 1e31 is not
    // quite 5): the answer must still move on.
    return result > given ? result : following(base) * scale;
  }
  // Down to 1..10, then back up by the same factors in the same order, so the result is
  // the very double the decade-by-decade definition gives.
  int up = 0, down = 0;
  for (; step >= 10; ++up) step *= 0.1;
  for (; step < 1; ++down) step *= 10;
  auto scaled = [&](double base) {
    for (int i = 0; i < up; ++i) base *= 10;
    for (int i = 0; i < down; ++i) base *= 0.1;
    return base;
  };
  const double base = next(step);
  const double result = scaled(base);
  return result > given ? result : scaled(following(base));
}

int TCustomChartAxis::LabelSize(const QString& text) {
  TChartCanvas3D* canvas = chart_->Canvas();
  const QStringList lines = text.split(kLineSeparator);
  const int lineHeight = canvas->FontHeight() * static_cast<int>(lines.size());
  int widest = 0;
  for (const QString& line : lines) widest = std::max(widest, canvas->TextWidthOf(line));
  if (horizontal_) return (labelsAngle_ == 90 || labelsAngle_ == 270) ? lineHeight : widest;
  return (labelsAngle_ == 0 || labelsAngle_ == 180) ? lineHeight : widest;
}

int TCustomChartAxis::MaxLabelCount() {
  chart_->Canvas()->Font = labelsFont_;
  int size = std::max(LabelSize(LabelText(WorkMinimum)), LabelSize(LabelText(WorkMaximum)));
  if (size <= 0) return 1;
  if (labelsSeparation_ > 0) size += RoundHalfEven(labelsSeparation_ * 0.01 * size);
  return RoundHalfEven(static_cast<double>(AxisLength) / size);
}

double TCustomChartAxis::LabelStep() {
  return LabelStepFor(MaxLabelCount());
}

double TCustomChartAxis::LabelStepFor(int maxLabelCount) const {
  if (maxLabelCount < 1) return kSmallestStep;
  double step = increment_ > 0 ? increment_ : (std::fabs(WorkRange) >= 1 ? 1.0 : kSmallestStep);
  if (labelsSeparation_ > 0) {
    double n = maxLabelCount + 1;
    // Bounded: each turn at least doubles the step, so this ends long before the guard.
    for (int guard = 0; n > maxLabelCount && guard < 2000; ++guard) {
      const double q = WorkRange / step;
      if (std::fabs(q) < kPixelLimit) {
        n = RoundHalfEven(q);
        if (n > maxLabelCount) step = NextLabelStep(step);
      } else {
        step = NextLabelStep(step);
      }
    }
  }
  return std::max(step, kSmallestStep);
}

QString TCustomChartAxis::LabelText(double value) {
  QString text;
  if (!IsDateTimeAxis || value >= 0) {
    // The same few values are labelled on every paint: their texts are kept.
    if (formattedFor_ != axisValuesFormat_ || formatted_.size() > 256) {
      formatted_.clear();
      formattedFor_ = axisValuesFormat_;
    }
    auto it = formatted_.constFind(value);
    if (it == formatted_.constEnd())
      it = formatted_.insert(value, FormatFloatPicture(value, axisValuesFormat_));
    text = *it;
  }
  if (chart_ && chart_->OnGetAxisLabel) chart_->OnGetAxisLabel(this, nullptr, -1, text);
  if (labelsMultiLine_) text.replace(QLatin1Char(' '), kLineSeparator);
  return text;
}
