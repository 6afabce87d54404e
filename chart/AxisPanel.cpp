#include "AxisPanel.h"

#include <algorithm>

#include "chart/ChartSeries.h"

TCustomAxisPanel::TCustomAxisPanel(TComponent* owner)
    : TComponent(owner),
      View3DOptions([this] { InvalidateChart(); }),
      canvas_(std::make_unique<TChartCanvas3D>()) {
  canvas_->OnInvalidateChart = [this] { InvalidateChart(); };
  auto make = [this](bool horizontal, bool otherSide, int titleAngle) {
    ownedAxes_.push_back(std::make_unique<TChartAxis>(this, horizontal, otherSide, titleAngle));
    return static_cast<TChartAxis*>(ownedAxes_.back().get());
  };
  BottomAxis = make(true, false, 0);
  TopAxis = make(true, true, 0);
  LeftAxis = make(false, false, 90);
  RightAxis = make(false, true, 270);
  ownedAxes_.push_back(std::make_unique<TChartDepthAxis>(this));
  DepthAxis = static_cast<TChartDepthAxis*>(ownedAxes_.back().get());
  paintingEnabled_ = true;
}

TCustomAxisPanel::~TCustomAxisPanel() {
  destroying_ = true;
  // The series go first (they are components of the chart), then the axes they point to.
  DestroyComponents();
  for (TChartSeries* series : std::vector<TChartSeries*>(seriesList_))
    series->SetParentChart(nullptr);
}

void TCustomAxisPanel::AddSeries(TChartSeries* series) {
  if (std::find(seriesList_.begin(), seriesList_.end(), series) != seriesList_.end()) return;
  if (series->SeriesColor() == DefaultPointColor) {
    TColor color = DefaultPalette[0];
    for (TColor candidate : DefaultPalette)
      if (IsFreeSeriesColor(candidate)) {
        color = candidate;
        break;
      }
    series->SetSeriesColor(color);
  }
  seriesList_.push_back(series);
  InvalidateChart();
}

void TCustomAxisPanel::RemoveSeries(TChartSeries* series) {
  std::erase(seriesList_, series);
  if (!destroying_) InvalidateChart();
}

void TCustomAxisPanel::InvalidateChart() {
  stillPartsChanged_ = true;
  InvalidateSeriesDrawing();
}

void TCustomAxisPanel::InvalidateSeriesDrawing() {
  if (!paintingEnabled_ || destroying_) return;
  canvas_->InvalidateImage();
  RepaintRequested();
}

bool TCustomAxisPanel::BeginImmediateDrawing() {
  if (!paintingEnabled_ || destroying_ || !canvas_->ResumeImageDrawing()) return false;
  if (clipPoints_) canvas_->ClipToCube(PlotRect, 0, 0);
  return true;
}

void TCustomAxisPanel::EndImmediateDrawing(const TRect& changed) {
  canvas_->RemoveClip();
  canvas_->EndImageDrawing();
  RepaintRegion(changed);
}

bool TCustomAxisPanel::AxisShown(const TCustomChartAxis* axis) const {
  if (!axisVisible_ || !axis->Visible()) return false;
  if (axis == DepthAxis) return view3D_;
  for (TChartSeries* series : seriesList_)
    if (series->Active() && axis->IsSeriesOfAxis(series)) return true;
  return false;
}

void TCustomAxisPanel::FitAxesToSeries(TCustomChartAxis* axis) {
  int low = 0, high = 0;
  for (TChartSeries* series : seriesList_) {
    if (!series->Active() || !axis->IsSeriesOfAxis(series)) continue;
    int seriesLow = 0, seriesHigh = 0;
    series->CalcAxisMargins(axis->IsHorizontal(), seriesLow, seriesHigh);
    low = std::max(low, seriesLow);
    high = std::max(high, seriesHigh);
  }
  axis->AdjustToMargins(low, high);
}

bool TCustomAxisPanel::IsFreeSeriesColor(TColor color) const {
  return std::none_of(seriesList_.begin(), seriesList_.end(),
                      [&](TChartSeries* s) { return s->SeriesColor() == color; });
}
