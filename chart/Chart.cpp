#include "Chart.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "chart/ChartAccessible.h"
#include "chart/ChartSeries.h"

namespace {

const QString kChart3DPercentRange =
    QStringLiteral("３次元効果の割合は %1 から %2 の間でなければなりません");
const QString kMaxPointsPerPage = QStringLiteral("MaxPointsPerPage は 0 以上でなければなりません");
constexpr int kTitleGap = 5;

// a x b / c, rounded to the nearest integer with halves away from zero.
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return FarClamp(product >= 0 ? (product + half) / c : (product - half) / c);
}

TRect Intersection(const TRect& a, const TRect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

}  // namespace

void TChartPart::Changed() {
  chart_->InvalidateChart();
}

TChartTitle::TChartTitle(TCustomChart* chart)
    : TChartPart(chart), Frame([chart] { chart->InvalidateChart(); }) {
  font_.Color = 0xFF0000;
}

TChartWall::TChartWall(TCustomChart* chart, TColor color)
    : TChartPart(chart), Pen([chart] { chart->InvalidateChart(); }), color_(color) {}

TCustomChart::TCustomChart(QWidget* parent, TComponent* owner)
    : QWidget(parent),
      TCustomAxisPanel(owner),
      Title(this),
      Foot(this),
      BackWall(this, DefaultPointColor),
      LeftWall(this, 0x80FFFF),
      BottomWall(this, 0xFFFFFF) {
  // The chart paints every pixel itself from its image: no background erase before it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  resize(400, 250);
  InstallChartAccessibility();
}

TCustomChart::~TCustomChart() {
  destroying_ = true;
}

void TCustomChart::SetChart3DPercent(int value) {
  if (value < 1 || value > 100) throw ChartException(kChart3DPercentRange.arg(1).arg(100));
  Set(chart3DPercent_, value);
}

void TCustomChart::SetMaxPointsPerPage(int value) {
  if (value < 0) throw ChartException(kMaxPointsPerPage);
  Set(maxPointsPerPage_, value);
}

void TCustomChart::RepaintRequested() {
  // A refill of 200 points asks 201 times before the one paint that follows; asking the
  // window system again while its paint is pending only costs time. A hidden widget's
  // request is dropped by the window system, and showing it paints it anyway.
  // While only series change and stay within the plot, only the plot is shown again: the
  // window system copies that much less.
  if (updatePending_ && pendingWhole_) return;
  // What keeps the series within the plot (clipping, the kept ground, the drawing events)
  // isn't what a refill changes: asked once for the paint it waits for, not once per point.
  if (!updatePending_) seriesStayInPlot_ = SeriesStayInPlot();
  const bool whole = stillPartsChanged_ || !seriesStayInPlot_;
  if (updatePending_ && !whole) return;
  if (isVisible()) {
    updatePending_ = true;
    pendingWhole_ = whole;
  }
  if (whole)
    update();
  else
    update(QRect(PlotRect.Left, PlotRect.Top, PlotRect.Width(), PlotRect.Height()));
}

bool TCustomChart::SeriesStayInPlot() const {
  if (!ClipPoints() || !Canvas()->IsBuffered() || !Canvas()->HasBackground() ||
      OnBeforeDrawSeries || OnAfterDraw || PlotRect.Width() <= 0 || PlotRect.Height() <= 0)
    return false;
  for (int i = 0; i < SeriesCount(); ++i)
    if (Series(i)->BeforeDrawValues || Series(i)->AfterDrawValues) return false;
  return true;
}

void TCustomChart::paintEvent(QPaintEvent* event) {
  updatePending_ = false;
  QPainter painter(this);
  Canvas()->SetDevicePixelRatio(devicePixelRatioF());
  if (!Canvas()->ReshowImage(painter)) {
    const int fromStillParts = rendersFromStillParts_;
    RenderChart(painter, {0, 0, width(), height()});
    // A paint of the plot alone that had to draw everything (the series moved an axis) has
    // the rest shown too; the image is up to date, so that paint only copies it.
    // Asked for after this paint, as a paint of its own.
    if (rendersFromStillParts_ == fromStillParts && !event->rect().contains(rect()))
      QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
    if (PointerInPlot()) FollowDataUnderPointer();
  }
  if (!overlay_.IsEmpty()) overlay_.Paint(painter, ReadoutAxis(), PlotRect, rect());
}

void TCustomChart::RepaintRegion(const TRect& changed) {
  update(QRect(changed.Left, changed.Top, changed.Width(), changed.Height()));
}

void TCustomChart::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  InvalidateChart();
}

void TCustomChart::SetKeepsStillParts(bool value) {
  if (value == keepsStillParts_) return;
  keepsStillParts_ = value;
  if (!value) Canvas()->DropBackground();
  InvalidateChart();
}

void TCustomChart::RenderChart(QPainter& target, const TRect& bounds) {
  ++renders_;
  TChartCanvas3D* canvas = Canvas();
  PanelBounds = canvas->PrepareWindow(&target, &View3DOptions, bounds, View3D());
  PlacePlot();
  RenderContents(PanelBounds);
  canvas->ShowImage(target, {bounds.Left, bounds.Top});
}

void TCustomChart::RenderContents(const TRect& bounds) {
  // Setters called from here on (by a handler) count for the next render.
  const bool stillPartsChanged = stillPartsChanged_;
  stillPartsChanged_ = false;
  const TRect marginsPlot = PlotRect;  // where every layout of this render starts
  std::vector<double> inputs;
  if (!stillPartsChanged && StartFromStillParts(bounds, inputs)) {
    ++rendersFromStillParts_;
  } else {
    if (inputs.empty()) inputs = LayoutInputs();  // the layout settles the ranges again
    PlotRect = marginsPlot;
    LayOutStillParts(bounds);
    const TStillLayout layout = StillLayout();
    PaintWalls();
    if (AxisVisible()) PaintAxes();
    // Kept once a render finds the layout the last one left: a chart whose axes follow
    // ever-changing data would only copy an image it never uses.
    if (keepsStillParts_ && !stillPartsChanged && layout == lastLayout_ &&
        StillPartsKeepable(layout)) {
      Canvas()->KeepBackground();
      keptInputs_ = inputs;
    } else {
      Canvas()->DropBackground();
    }
    lastLayout_ = layout;
  }
  PaintSeriesLayer();
}

bool TCustomChart::StartFromStillParts(const TRect& bounds, std::vector<double>& inputs) {
  TChartCanvas3D* canvas = Canvas();
  if (!keepsStillParts_ || !canvas->HasBackground()) return false;
  // Only series changed. The layout starts from what the last one left (the label step it
  // measures with takes the axis' length from there): a render that draws everything after
  // all starts from that same state again.
  const std::vector<TAxisWork> before = AxesWork();
  inputs = LayoutInputs();
  SetAxesWork(before);
  if (inputs == keptInputs_ && StillPartsKeepable(lastLayout_)) {
    // The series gave the layout what they gave the render that kept the image, which laid
    // out as the one before it did: the layout would come out the same again, and the plot
    // is where that one put it.
    if (!canvas->RestoreBackground()) return false;
    PlotRect = lastLayout_.plot;
    return true;
  }
  // If they moved nothing of the layout after all (an automatic axis follows their values,
  // and ranges may differ while their labels and pixels do not), the kept image is what
  // drawing the still parts would give.
  canvas->SuspendDrawing();
  LayOutStillParts(bounds);
  const TStillLayout layout = StillLayout();
  if (layout == lastLayout_ && StillPartsKeepable(layout) && canvas->RestoreBackground()) {
    keptInputs_ = inputs;
    return true;
  }
  SetAxesWork(before);
  canvas->ResumeDrawing();
  return false;
}

std::vector<double> TCustomChart::LayoutInputs() {
  std::vector<double> inputs{double(PanelBounds.Left),     double(PanelBounds.Top),
                             double(PanelBounds.Right),    double(PanelBounds.Bottom),
                             Canvas()->DevicePixelRatio(), double(Canvas()->IsMonochrome())};
  for (TCustomChartAxis* axis : AxesList()) {
    axis->SettleRange();  // the range as the series give it, before any layout
    const bool shown = AxisShown(axis);
    // The room the series ask for beyond their values, as the margin step gathers it.
    int low = 0, high = 0;
    for (int i = 0; i < SeriesCount(); ++i) {
      TChartSeries* series = Series(i);
      if (!series->Active() || !axis->IsSeriesOfAxis(series)) continue;
      int seriesLow = 0, seriesHigh = 0;
      series->CalcAxisMargins(axis->IsHorizontal(), seriesLow, seriesHigh);
      low = std::max(low, seriesLow);
      high = std::max(high, seriesHigh);
    }
    inputs.insert(inputs.end(), {axis->WorkMinimum, axis->WorkMaximum, double(shown),
                                 double(shown ? axis->ResolvedLabelStyle() : talNone),
                                 double(axis->IsDateTimeAxis), double(low), double(high)});
  }
  return inputs;
}

std::vector<TCustomChart::TAxisWork> TCustomChart::AxesWork() const {
  std::vector<TAxisWork> work;
  work.reserve(AxesList().size());
  for (const TCustomChartAxis* a : AxesList())
    work.push_back({a->WorkMinimum, a->WorkMaximum, a->WorkRange, a->StartPixel, a->EndPixel,
                    a->AxisLength, a->CenterPixel, a->LinePosition, a->LabelsPosition,
                    a->TitlePosition, a->IsDateTimeAxis});
  return work;
}

void TCustomChart::SetAxesWork(const std::vector<TAxisWork>& work) {
  for (size_t i = 0; i < work.size() && i < AxesList().size(); ++i) {
    TCustomChartAxis* a = AxesList()[i];
    const TAxisWork& w = work[i];
    a->WorkMinimum = w.low;
    a->WorkMaximum = w.high;
    a->WorkRange = w.range;
    a->StartPixel = w.start;
    a->EndPixel = w.end;
    a->AxisLength = w.length;
    a->CenterPixel = w.center;
    a->LinePosition = w.line;
    a->LabelsPosition = w.labels;
    a->TitlePosition = w.title;
    a->IsDateTimeAxis = w.dateTime;
  }
}

void TCustomChart::PlacePlot() {
  const int w = PanelBounds.Width(), h = PanelBounds.Height(), b = FarClamp(borderWidth_);
  PlotRect = {PanelBounds.Left + b + MulDiv(margins_.Left, w, 100),
              PanelBounds.Top + b + MulDiv(margins_.Top, h, 100),
              PanelBounds.Right - b - MulDiv(margins_.Right, w, 100),
              PanelBounds.Bottom - b - MulDiv(margins_.Bottom, h, 100)};
  RecalcPlotSize();
}

void TCustomChart::RecalcPlotSize() {
  PlotRect.Left = std::max(PlotRect.Left, PanelBounds.Left);
  PlotRect.Top = std::max(PlotRect.Top, PanelBounds.Top);
  if (PlotRect.Right < PlotRect.Left) PlotRect.Right = PlotRect.Left + 1;
  if (PlotRect.Right == PlotRect.Left) PlotRect.Right = FarClamp(PlotRect.Left + 0LL + width());
  if (PlotRect.Bottom < PlotRect.Top) PlotRect.Bottom = PlotRect.Top + 1;
  if (PlotRect.Bottom == PlotRect.Top) PlotRect.Bottom = FarClamp(PlotRect.Top + 0LL + height());
}

void TCustomChart::LayOutStillParts(const TRect& bounds) {
  PaintPanelBackground(bounds);
  PaintTitles();
  LayoutAxes();
  for (TCustomChartAxis* axis : {TopAxis, LeftAxis, RightAxis, BottomAxis}) FitAxesToSeries(axis);
}

TCustomChart::TStillLayout TCustomChart::StillLayout() const {
  TStillLayout layout{PanelBounds,
                      PlotRect,
                      Title.LastRect,
                      Foot.LastRect,
                      Canvas()->DevicePixelRatio(),
                      Canvas()->IsMonochrome(),
                      {}};
  layout.axes.reserve(AxesList().size());
  for (TCustomChartAxis* axis : AxesList()) {
    const bool shown = AxisShown(axis);
    layout.axes.push_back({shown, shown ? axis->ResolvedLabelStyle() : talNone,
                           axis->IsDateTimeAxis, axis->WorkMinimum, axis->WorkMaximum,
                           axis->StartPixel, axis->EndPixel, axis->LabelsPosition,
                           axis->TitlePosition});
  }
  return layout;
}

bool TCustomChart::StillPartsKeepable(const TStillLayout& layout) const {
  if (!Canvas()->IsBuffered() || OnBeforeDrawAxes || OnGetAxisLabel || OnGetNextAxisLabel)
    return false;
  return std::none_of(layout.axes.begin(), layout.axes.end(), [](const auto& axis) {
    return axis.labelStyle == talText || axis.labelStyle == talMark;
  });
}

void TCustomChart::PaintSeriesLayer() {
  if (OnBeforeDrawSeries) OnBeforeDrawSeries(this);
  for (int i = 0; i < SeriesCount(); ++i)
    if (Series(i)->Active()) PaintSeries(Series(i));
  ResetCanvas();
  if (OnAfterDraw) OnAfterDraw(this);
}

void TCustomChart::PaintPanelBackground(const TRect& bounds) {
  FillPanelBackground(bounds);
  PaintBevels(bounds);
}

void TCustomChart::FillPanelBackground(const TRect& bounds) {
  TChartCanvas3D* canvas = Canvas();
  canvas->Brush = {color_, bsSolid};
  canvas->EraseRectangle(bounds);
}

void TCustomChart::PaintBevels(const TRect& bounds) {
  TChartCanvas3D* canvas = Canvas();
  canvas->Pen = {};
  canvas->Brush.Style = bsClear;
  TRect r = bounds;
  const int bevelWidth = FarClamp(bevelWidth_), borderWidth = FarClamp(borderWidth_);
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    const TColor light = cut == bvRaised ? clBtnHighlight : clBtnShadow;
    const TColor dark = cut == bvRaised ? clBtnShadow : clBtnHighlight;
    canvas->DrawFrame3D(r, light, bevelWidth, dark);
    r = {r.Left + bevelWidth, r.Top + bevelWidth, r.Right - bevelWidth, r.Bottom - bevelWidth};
  };
  bevel(bevelOuter_);
  if (borderWidth > 0) {
    canvas->DrawFrame3D(r, color_, borderWidth, color_);
    r = {r.Left + borderWidth, r.Top + borderWidth, r.Right - borderWidth, r.Bottom - borderWidth};
  }
  bevel(bevelInner_);
}

void TCustomChart::PaintTitles() {
  if (Title.Visible()) PaintTitle(Title, true);
  if (Foot.Visible()) PaintTitle(Foot, false);
}

void TCustomChart::PaintTitle(TChartTitle& title, bool atTop) {
  TChartCanvas3D* canvas = Canvas();
  canvas->Font = title.Font();
  const int h = canvas->FontHeight();
  if (title.Color() == DefaultPointColor) {
    if (title.Brush().Style != bsSolid) {
      canvas->Brush = title.Brush();
      canvas->SetBackgroundMode(TRANSPARENT);
    } else if (title.Brush().Color == DefaultPointColor) {
      canvas->Brush.Style = bsClear;
    } else {
      canvas->Brush = {title.Brush().Color, bsSolid};
    }
  } else if (title.Brush().Style != bsSolid) {
    canvas->Brush = title.Brush();
    canvas->SetBackgroundMode(OPAQUE);
    canvas->SetBackgroundColor(title.Color());
  } else {
    canvas->Brush = {title.Color(), bsSolid};
  }
  const bool framed = title.Frame.Visible() && title.Frame.Color() != DefaultPointColor;
  const int f = framed ? FarClamp(title.Frame.Width()) : 0;
  const int n = static_cast<int>(title.Text().size());
  const int left = PlotRect.Left + f, right = PlotRect.Right - f;
  TRect box{left, 0, right, 0};
  if (atTop) {
    box.Top = PlotRect.Top + f;
    box.Bottom = box.Top + n * h;
  } else {
    box.Bottom = PlotRect.Bottom - f;
    box.Top = box.Bottom - n * h;
  }
  box = {box.Left - f, box.Top - f, box.Right + f, box.Bottom + f};
  const int wWidth = canvas->TextWidthOf(QStringLiteral("W"));
  if (framed || canvas->Brush.Style != bsClear) {
    if (title.AdjustFrame()) {
      int widest = 0;
      for (const QString& line : title.Text()) widest = std::max(widest, canvas->TextWidthOf(line));
      const int width = widest + wWidth;
      if (title.Alignment() == taLeftJustify)
        box.Right = box.Left + width;
      else if (title.Alignment() == taRightJustify)
        box.Left = box.Right - width;
      else {
        const int middle = (box.Left + box.Right) / 2;
        box.Left = middle - width / 2;
        box.Right = middle + width / 2;
      }
    }
    if (framed)
      canvas->ApplyChartPen(title.Frame);
    else
      canvas->Pen.Style = psClear;
    canvas->DrawRect(box);
  }
  title.LastRect = box;
  canvas->SetBackgroundMode(TRANSPARENT);
  canvas->SetTextAlignment(TA_LEFT | TA_TOP);
  for (int i = 0; i < n; ++i) {
    const QString& line = atTop ? title.Text()[i] : title.Text()[n - 1 - i];
    const int y = atTop ? PlotRect.Top + f + i * h : PlotRect.Bottom - f - h - i * h;
    const int lineWidth = canvas->TextWidthOf(line);
    int x = (left + right) / 2 - lineWidth / 2;
    if (title.Alignment() == taLeftJustify) x = left + wWidth / 2;
    if (title.Alignment() == taRightJustify) x = right - lineWidth - wWidth / 2;
    canvas->WriteText(x, y, line);
  }
  if (atTop)
    PlotRect.Top += n > 0 ? f + n * h + f + kTitleGap : 2 * f;
  else
    PlotRect.Bottom -= n > 0 ? f + n * h + f + kTitleGap : 2 * f;
  RecalcPlotSize();
}

void TCustomChart::LayoutAxes() {
  for (TCustomChartAxis* axis : AxesList()) axis->SettleRange();
  RecalcPlotSize();
  TRect working = PlotRect;
  int index = 0;
  for (TCustomChartAxis* axis : AxesList()) {
    const bool standard = index++ < 5;
    if (!AxisShown(axis)) continue;
    TRect copy = working;
    axis->ReserveAxisSpace(copy, standard);
    const TRect both = Intersection(copy, working);
    if (both.Width() > 0 && both.Height() > 0) working = both;
  }
  PlotRect = working;
  RecalcPlotSize();
  for (TCustomChartAxis* axis : AxesList()) axis->PlaceAxis();
}

void TCustomChart::PaintWalls() {
  TChartCanvas3D* canvas = Canvas();
  canvas->ApplyChartPen(BackWall.Pen);
  const TChartBrush& brush = BackWall.Brush();
  const TColor color = BackWall.Color();
  if (color == DefaultPointColor && brush.Style == bsSolid) {
    canvas->Brush.Style = bsClear;
  } else {
    canvas->Brush = {color, brush.Style};
    if (brush.Style != bsSolid) {
      // A hatch: lines in the wall's colour over the brush's colour.
      canvas->SetBackgroundMode(OPAQUE);
      canvas->SetBackgroundColor(brush.Color);
      // Lines in the colour of the ground under them would not show: they take white
      // on black and black on anything else.
      if (color == brush.Color) canvas->Brush.Color = color == clBlack ? clWhite : clBlack;
    }
  }
  canvas->DrawRectangle(PlotRect.Left, PlotRect.Top, PlotRect.Right + 1, PlotRect.Bottom + 1);
}

void TCustomChart::PaintAxes() {
  if (OnBeforeDrawAxes) OnBeforeDrawAxes(this);
  for (TCustomChartAxis* axis : AxesList())
    if (AxisShown(axis)) axis->DrawAxis(true);
}

void TCustomChart::PaintSeries(TChartSeries* series) {
  series->CalcVisibleRange();
  if (series->FirstVisibleIndex < 0) return;
  if (series->BeforeDrawValues) series->BeforeDrawValues(series);
  if (ClipPoints()) Canvas()->ClipToCube(PlotRect, 0, 0);
  series->DrawPoints();
  Canvas()->RemoveClip();
  if (series->Marks.Visible()) {
    if (ClipPoints()) Canvas()->ClipToCube(PlotRect, 0, 0);
    series->DrawMarks();
    Canvas()->RemoveClip();
  }
  if (series->AfterDrawValues) series->AfterDrawValues(series);
}

void TCustomChart::ResetCanvas() {
  TChartCanvas3D* canvas = Canvas();
  canvas->Pen = {};
  canvas->Brush = {clWhite, bsSolid};
  canvas->Font = TChartFont{};
  canvas->Font.Height = -13;  // 10 points
  canvas->SetBackgroundColor(clWhite);
  canvas->SetBackgroundMode(TRANSPARENT);
}
