// The axis at paint time: the room it takes at the edge of the plot, and its line, ticks,
// grid, labels and title.
#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/AxisPanel.h"
#include "chart/ChartAxis.h"
#include "chart/ChartSeries.h"

namespace {
constexpr int kMaxLabelSteps = 10000;
// Further out than this no text reaches a surface: surfaces and texts are far smaller.
constexpr int kOutOfSight = 1 << 22;
constexpr TColor kGridFallbackColor = 0x808080;
const QChar kLineSeparator(13);
}  // namespace

TAxisLabelStyle TCustomChartAxis::ResolvedLabelStyle() const {
  if (labelStyle_ != talAuto) return labelStyle_;
  bool anyActive = false;
  for (int i = 0; i < chart_->SeriesCount(); ++i) {
    TChartSeries* series = chart_->Series(i);
    if (!series->Active() || !IsSeriesOfAxis(series)) continue;
    anyActive = true;
    // The horizontal axis carries an ordinary series' independent values.
    if (horizontal_ && series->HasPointLabels()) return talText;
  }
  return anyActive ? talValue : talNone;
}

int TCustomChartAxis::MultiLineWidth(const QString& text) const {
  int widest = 0;
  for (const QString& line : text.split(kLineSeparator))
    widest = std::max(widest, chart_->Canvas()->TextWidthOf(line));
  return widest;
}

int TCustomChartAxis::LabelExtentAcross(const QString& text) const {
  TChartCanvas3D* canvas = chart_->Canvas();
  const int blank = canvas->TextWidthOf(QStringLiteral(" "));
  const int widest = MultiLineWidth(text);
  // Upright or turned by a right angle, the text's width lies across the axis.
  if (labelsAngle_ % 90 == 0) return widest + blank;
  // Turned by any other angle, its box of lines stands out by the sum of both sides'
  // shares: DrawTurnedText lays that extent against the band's inner edge.
  const double height =
      static_cast<double>(canvas->FontHeight()) * text.count(kLineSeparator) + canvas->FontHeight();
  const double turn = labelsAngle_ * M_PI / 180;
  const double c = std::fabs(std::cos(turn)), s = std::fabs(std::sin(turn));
  const double across = horizontal_ ? widest * s + height * c : widest * c + height * s;
  return FarClamp(static_cast<long long>(std::ceil(across))) + blank;
}

int TCustomChartAxis::TickBandSize() const {
  long long size = (Axis.Visible() ? Axis.Width() : 0LL) + (Ticks.Visible() ? tickLength_ : 0);
  if (MinorTicks.Visible()) size = std::max<long long>(size, minorTickLength_);
  return FarClamp(size);
}

int TCustomChartAxis::ShiftByPositionPercent(int k, const TRect& rect) const {
  if (positionPercent_ == 0) return k;
  const int extent = horizontal_ ? rect.Height() : rect.Width();
  long long s = FarClamp(RoundHalfEven(positionPercent_ * 0.01 * extent));
  if (otherSide_) s = -s;
  return FarClamp(horizontal_ ? k - s : k + s);
}

void TCustomChartAxis::ReserveAxisSpace(TRect& rect, bool standard) {
  TChartCanvas3D* canvas = chart_->Canvas();
  RefreshIsDateTimeAxis();
  // Each band moves the axis' own edge of the rectangle inward.
  auto shrink = [&](int size) -> int {
    if (!standard) return 0;
    size = FarClamp(size);
    if (std::abs(rect.Left) > kFarPixel || std::abs(rect.Top) > kFarPixel ||
        std::abs(rect.Right) > kFarPixel || std::abs(rect.Bottom) > kFarPixel)
      size = 0;  // a rectangle already out of reach grows no further
    if (horizontal_ && !otherSide_) return rect.Bottom -= size;
    if (horizontal_) return rect.Top += size;
    if (!otherSide_) return rect.Left += size;
    return rect.Right -= size;
  };
  auto runsAlong = [&](int angle) {
    return horizontal_ ? (angle == 0 || angle == 180) : (angle == 90 || angle == 270);
  };
  // The axis' edge of the rectangle as it stands: where a band that takes no room lies.
  auto edge = [&] {
    return horizontal_ ? (otherSide_ ? rect.Top : rect.Bottom)
                       : (otherSide_ ? rect.Right : rect.Left);
  };
  // Without a caption (or without labels) the band is empty and its position is the edge
  // here, set afresh on every paint like the others: a position kept from the last paint
  // would move by PositionPercent again on each one.
  TitlePosition = edge();
  if (!Title.Caption().isEmpty()) {
    int size = titleSize_;
    if (size == 0) {
      canvas->Font = Title.Font();
      size = runsAlong(Title.Angle()) ? canvas->FontHeight() : canvas->TextWidthOf(Title.Caption());
    }
    TitlePosition = shrink(size);
  }
  LabelsPosition = edge();
  int labelsBand = 0;
  if (labels_) {
    int size = labelsSize_;
    if (size == 0) {
      canvas->Font = labelsFont_;
      const bool alongLabels = horizontal_ ? (labelsAngle_ == 0 || labelsAngle_ == 180)
                                           : (labelsAngle_ == 90 || labelsAngle_ == 270);
      if (alongLabels) {
        size = canvas->FontHeight();
      } else if (ResolvedLabelStyle() == talNone) {
        size = 0;
      } else {
        double low = WorkMinimum, high = WorkMaximum;
        if (roundFirstLabel_) {
          const double step = LabelStepFor(MaxLabelCount());
          low = step * std::trunc(low / step);
          high = step * std::trunc(high / step);
        }
        // The handler that may rewrite labels is not asked while they are only measured.
        TAxisOnGetLabel handler = chart_->OnGetAxisLabel;
        chart_->OnGetAxisLabel = {};
        size = std::max(LabelExtentAcross(LabelText(low)), LabelExtentAcross(LabelText(high)));
        chart_->OnGetAxisLabel = handler;
      }
    }
    labelsBand = size;
    LabelsPosition = shrink(size);
  }
  const int ticks = TickBandSize();
  if (ticks > 0) shrink(ticks);
  if (!standard) {
    LinePosition = ShiftByPositionPercent(
        horizontal_ ? (otherSide_ ? rect.Top : rect.Bottom) : (otherSide_ ? rect.Right : rect.Left),
        rect);
    const int outward = (horizontal_ ? !otherSide_ : otherSide_) ? 1 : -1;
    LabelsPosition = FarClamp(LinePosition + static_cast<long long>(outward) * ticks);
    // The title lies beyond the labels band as measured, as on the standard axes.
    TitlePosition = FarClamp(LabelsPosition + static_cast<long long>(outward) *
                                                  std::clamp(labelsBand, 0, kFarPixel));
    return;
  }
  TitlePosition = ShiftByPositionPercent(TitlePosition, rect);
  LabelsPosition = ShiftByPositionPercent(LabelsPosition, rect);
}

void TCustomChartAxis::AddTick(int position) {
  // The buffer is fixed; positions beyond it are dropped, never written past its end.
  if (TickCount < kMaxTickPositions) TickPositions[TickCount++] = position;
}

void TCustomChartAxis::HandleLabel(double value) {
  const int p = ValueToPosition(value);
  if (!labelsOnAxis_ && !(StartPixel < p && p < EndPixel)) return;
  if (!tickOnLabelsOnly_) AddTick(p);
  if (!labels_) return;
  // Millions of pixels out (an axis stretched far beyond the chart) a label can't reach
  // any surface: unless a handler is told of every label, its text is not even made.
  if ((p > kOutOfSight || p < -kOutOfSight) && !chart_->OnGetAxisLabel) {
    if (tickOnLabelsOnly_) AddTick(p);
    return;
  }
  const QString text = LabelText(value);
  if (tickOnLabelsOnly_) AddTick(p);
  DrawLabelText(p, text);
}

void TCustomChartAxis::ProduceValueLabels(double step) {
  if (chart_->OnGetNextAxisLabel) {
    double value = WorkMinimum;
    for (int index = 0; index <= kMaxTickPositions; ++index) {
      bool stop = true;
      chart_->OnGetNextAxisLabel(this, index, value, stop);
      if (stop) {
        if (index > 0) return;
        break;  // asked for nothing: step as usual
      }
      if (value < WorkMinimum - 1e-7 || value > WorkMaximum + 1e-7) return;
      HandleLabel(value);
    }
  }
  // NaN (an endless range over an endless step) counts as too many steps as well.
  if (!(std::fabs(WorkRange / step) < kMaxLabelSteps)) return;
  const double first = (WorkMinimum == WorkMaximum || !roundFirstLabel_)
                           ? WorkMaximum
                           : step * std::trunc(WorkMaximum / step);
  // A little below the minimum, so the label at the minimum survives the rounding of the
  // steps. The tolerance is taken off the magnitude: dividing a negative minimum by a
  // factor above one would move the limit above it and drop its label. Far from zero that
  // relative tolerance outgrows the step; it never reaches past half a step, or a range
  // near 1e20 would be labelled far below its minimum.
  const double tolerance = std::min(1e-12 + std::fabs(WorkMinimum) * 1e-12, step / 2);
  const double limit = WorkMinimum - tolerance;
  // Each value is counted from the first, not from the one before: far from zero a step
  // below half the spacing of doubles would leave a running value where it is for ever.
  // The count is bounded by the steps the range holds, plus the few above the maximum
  // that the rounded first value may start with.
  double previous = std::numeric_limits<double>::quiet_NaN();
  for (int k = 0; k <= kMaxLabelSteps + 2; ++k) {
    const double v = first - k * step;
    if (v > WorkMaximum) continue;
    if (!(v >= limit)) break;
    if (v != previous) HandleLabel(v);  // one label for values the doubles can't tell apart
    previous = v;
  }
}

void TCustomChartAxis::ProduceTextLabels() {
  for (int i = 0; i < chart_->SeriesCount(); ++i) {
    TChartSeries* series = chart_->Series(i);
    if (!series->Active() || !IsSeriesOfAxis(series)) continue;
    for (int p = 0; p < series->PointCount(); ++p) {
      QString text = series->PointLabel(p);
      if (text.isEmpty()) continue;
      const int position = ValueToPosition(horizontal_ ? series->XValueAt(p) : series->YValueAt(p));
      if (!labelsOnAxis_ && !(StartPixel < position && position < EndPixel)) continue;
      if (chart_->OnGetAxisLabel) chart_->OnGetAxisLabel(this, series, p, text);
      AddTick(position);
      if (labels_) DrawLabelText(position, text);
    }
    return;
  }
}

void TCustomChartAxis::DrawLabelText(int p, const QString& text) {
  TChartCanvas3D* canvas = chart_->Canvas();
  canvas->Font = labelsFont_;
  canvas->Brush.Style = bsClear;
  canvas->SetBackgroundMode(TRANSPARENT);
  const int h = canvas->FontHeight();
  const QStringList lines = text.split(kLineSeparator);
  const int n = static_cast<int>(lines.size());
  if (labelsAngle_ != 0) {
    DrawTurnedText(p, LabelsPosition, labelsAngle_, lines);
    return;
  }
  for (int i = 0; i < n; ++i) {
    if (horizontal_ && !otherSide_) {
      canvas->SetTextAlignment(TA_CENTER | TA_TOP);
      canvas->TextWithDepth(p, LabelsPosition + i * h, 0, lines[i]);
    } else if (horizontal_) {
      canvas->SetTextAlignment(TA_CENTER | TA_TOP);
      canvas->TextWithDepth(p, LabelsPosition - (n - i) * h, 0, lines[i]);
    } else {
      canvas->SetTextAlignment((otherSide_ ? TA_LEFT : TA_RIGHT) | TA_TOP);
      const int top =
          FarClamp(static_cast<long long>(p) - h / 2 - RoundHalfEven(h * 0.5 * (n + 1)) + h);
      canvas->TextWithDepth(LabelsPosition, FarClamp(static_cast<long long>(top) + i * h), 0,
                            lines[i]);
    }
  }
}

void TCustomChartAxis::DrawTurnedText(int along, int edge, int angle, const QStringList& lines) {
  TChartCanvas3D* canvas = chart_->Canvas();
  const int h = canvas->FontHeight();
  int widest = 0;
  for (const QString& line : lines) widest = std::max(widest, canvas->TextWidthOf(line));
  const double height = static_cast<double>(h) * lines.size();
  const double turn = angle * M_PI / 180;
  const double c = std::cos(turn), s = std::sin(turn);
  // The turned box's extent across the axis decides how far its centre lies from the edge.
  const double across = horizontal_ ? std::fabs(widest * s) + std::fabs(height * c)
                                    : std::fabs(widest * c) + std::fabs(height * s);
  const int outward = horizontal_ ? (otherSide_ ? -1 : 1) : (otherSide_ ? 1 : -1);
  const double centreAcross = edge + outward * across / 2;
  const double cx = horizontal_ ? along : centreAcross;
  const double cy = horizontal_ ? centreAcross : along;
  canvas->SetTextAlignment(TA_CENTER | TA_TOP);
  // Each line's top centre, stepped down the text's own (turned) vertical: counter-clockwise
  // on the screen, the text's right is (cos, -sin) and its down is (sin, cos).
  for (int i = 0; i < lines.size(); ++i) {
    const double down = -height / 2 + static_cast<double>(i) * h;
    canvas->WriteRotatedText(static_cast<int>(std::lround(cx + down * s)),
                             static_cast<int>(std::lround(cy + down * c)), angle, lines[i]);
  }
}

void TCustomChartAxis::DrawTick(int p, int offset, int length) {
  TChartCanvas3D* canvas = chart_->Canvas();
  const long long L = LinePosition;
  const long long near = offset, far = static_cast<long long>(offset) + length;
  if (horizontal_) {
    const int dir = otherSide_ ? -1 : 1;
    canvas->VertLineWithDepth(p, FarClamp(L + dir * near), FarClamp(L + dir * far), 0);
  } else {
    const int dir = otherSide_ ? 1 : -1;
    canvas->HorizLineWithDepth(FarClamp(L + dir * near), FarClamp(L + dir * far), p, 0);
  }
}

void TCustomChartAxis::DrawGrid() {
  TChartCanvas3D* canvas = chart_->Canvas();
  canvas->Brush.Style = bsClear;
  canvas->SetBackgroundMode(TRANSPARENT);
  canvas->ApplyChartPen(Grid);
  if (Grid.Color() == DefaultPointColor) canvas->Pen.Color = kGridFallbackColor;
  const TRect& plot = chart_->PlotRect;
  auto line = [&](int p) {
    if (horizontal_)
      canvas->DrawVertLine(p, plot.Top, plot.Bottom);
    else
      canvas->DrawHorizLine(plot.Left, plot.Right, p);
  };
  if (!gridCentered_) {
    for (int i = 0; i < TickCount; ++i) line(TickPositions[i]);
  } else {
    for (int i = 1; i < TickCount; ++i)
      line(RoundHalfEven((static_cast<double>(TickPositions[i]) + TickPositions[i - 1]) * 0.5));
  }
  canvas->SetBackgroundMode(OPAQUE);
}

void TCustomChartAxis::DrawMinorMarks(bool grid) {
  const TChartPen& pen = grid ? static_cast<const TChartPen&>(MinorGrid) : MinorTicks;
  if (TickCount < 1 || !pen.Visible()) return;
  TChartCanvas3D* canvas = chart_->Canvas();
  canvas->ApplyChartPen(pen);
  const TRect& plot = chart_->PlotRect;
  // More minor marks than the axis has pixels land on pixels already marked: a count in
  // the billions would otherwise take hours.
  const int m = std::clamp(minorTickCount_, 0, std::max(1, AxisLength));
  auto mark = [&](long long position) {
    if (!(StartPixel < position && position < EndPixel)) return;
    if (!grid)
      DrawTick(static_cast<int>(position), 1, minorTickLength_);
    else if (horizontal_)
      canvas->DrawVertLine(static_cast<int>(position), plot.Top, plot.Bottom);
    else
      canvas->DrawHorizLine(plot.Left, plot.Right, static_cast<int>(position));
  };
  const int* p = TickPositions.data();
  const int last = TickCount - 1;
  if (TickCount > 1 && !logarithmic_) {
    const double d = static_cast<double>(p[1]) - p[0];  // labels of point texts lie anywhere
    for (int j = 1; j <= m; ++j) {
      mark(p[0] - static_cast<long long>(RoundHalfEven(d / (m + 1) * j)));
      mark(p[last] + static_cast<long long>(RoundHalfEven(d / (m + 1) * j)));
    }
  }
  for (int i = 1; i <= last; ++i)
    for (int j = 1; j <= m; ++j)
      mark(p[i] - static_cast<long long>(
                      RoundHalfEven(j * (static_cast<double>(p[i]) - p[i - 1]) / (m + 1))));
}

void TCustomChartAxis::DrawAxis(bool setLinePosition) {
  TChartCanvas3D* canvas = chart_->Canvas();
  RefreshIsDateTimeAxis();  // the range stays as layout and series margins left it
  canvas->Font = labelsFont_;
  const double step = LabelStep();
  const TRect& plot = chart_->PlotRect;
  if (setLinePosition)
    LinePosition = ShiftByPositionPercent(
        horizontal_ ? (otherSide_ ? plot.Top : plot.Bottom) : (otherSide_ ? plot.Right : plot.Left),
        plot);
  if (!Title.Caption().isEmpty()) {
    canvas->Font = Title.Font();
    canvas->Brush.Style = bsClear;
    DrawTurnedText(CenterPixel, TitlePosition, Title.Angle(),
                   Title.Caption().split(kLineSeparator));
  }
  TickCount = 0;
  if (step > 0 && WorkMaximum >= WorkMinimum) {
    switch (ResolvedLabelStyle()) {
      case talValue:
        ProduceValueLabels(step);
        break;
      case talText:
      case talMark:
        ProduceTextLabels();
        break;
      default:
        break;
    }
  }
  if (Axis.Visible()) {
    canvas->ApplyChartPen(Axis);
    if (horizontal_)
      canvas->HorizLineWithDepth(StartPixel, EndPixel, LinePosition, 0);
    else
      canvas->VertLineWithDepth(LinePosition, StartPixel, EndPixel, 0);
  }
  if (Ticks.Visible()) {
    canvas->ApplyChartPen(Ticks);
    for (int i = 0; i < TickCount; ++i) DrawTick(TickPositions[i], 1, tickLength_);
  }
  if (Grid.Visible()) DrawGrid();
  if (TicksInner.Visible()) {
    canvas->ApplyChartPen(TicksInner);
    for (int i = 0; i < TickCount; ++i) DrawTick(TickPositions[i], -1, -tickInnerLength_);
  }
  DrawMinorMarks(false);
  DrawMinorMarks(true);
}
