#include "ChartSeries.h"

#include "chart/AxisPanel.h"
#include "chart/ChartAxis.h"
#include "framework/Format.h"

TChartSeries::TChartSeries(TComponent* owner) : TComponent(owner) {
  XValues = new TChartValueList(this, QStringLiteral("X"));
  XValues->SetOrder(loAscending);
  YValues = new TChartValueList(this, QStringLiteral("Y"));
}

TChartSeries::~TChartSeries() {
  dependents_.clear();
  RemoveAllPoints();
  for (TChartValueList* list : valueLists_) delete list;
  valueLists_.clear();
  XValues = YValues = nullptr;
  SetParentChart(nullptr);
}

void TChartSeries::ClearStorage() {
  for (TChartValueList* list : valueLists_) list->RemoveAll();
  std::vector<TColor>().swap(pointColors_);
  std::vector<std::optional<QString>>().swap(pointLabels_);
  Marks.Positions.clear();
}

TColor TChartSeries::PointColor(int index) const {
  if (index < 0 || index >= static_cast<int>(pointColors_.size())) return seriesColor_;
  const TColor own = pointColors_[index];
  if (own != DefaultPointColor) return own;
  return colorEachPoint_ ? PaletteColor(index) : seriesColor_;
}

bool TChartSeries::HasPointLabels() const {
  // Stored labels are never empty: a point appended without one keeps none.
  return std::any_of(pointLabels_.begin(), pointLabels_.end(),
                     [](const std::optional<QString>& label) { return label.has_value(); });
}

QString TChartSeries::PointLabel(int index) const {
  if (index < 0 || index >= static_cast<int>(pointLabels_.size()) || !pointLabels_[index])
    return QString();
  return *pointLabels_[index];
}

void TChartSeries::PointAdded(int index) {
  if (OnAfterAdd) OnAfterAdd(this, index);
  NotifyDependents(dkPointAdded, index);
  if (active_) RequestRepaint();
}

void TChartSeries::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  RequestRepaint();
}

void TChartSeries::SetColorEachPoint(bool value) {
  if (value == colorEachPoint_) return;
  colorEachPoint_ = value;
  RequestRepaint();
  if (!value)
    for (TColor& color : pointColors_) {
      color = DefaultPointColor;
      RequestRepaint();
    }
}

void TChartSeries::SetParentChart(TCustomAxisPanel* chart) {
  if (chart == parentChart_) return;
  if (parentChart_) parentChart_->RemoveSeries(this);
  parentChart_ = chart;
  ResolveAxes();
  if (parentChart_) parentChart_->AddSeries(this);
}

void TChartSeries::SetSeriesColor(TColor color) {
  if (color == seriesColor_) return;
  seriesColor_ = color;
  RequestRepaint();
}

int TChartSeries::AppendValue(double value, const QString& label, TColor color) {
  if (MandatoryValues() == YValues) return AppendPoint(PointCount(), value, label, color);
  return AppendPoint(value, PointCount(), label, color);
}

int TChartSeries::AppendPoint(double x, double y, const QString& label, TColor color) {
  XValues->PendingValue = x;
  YValues->PendingValue = y;
  if (OnBeforeAdd && !OnBeforeAdd(this)) return -1;
  const int index = XValues->InsertOrdered(x);
  YValues->InsertAt(index, y);
  if (index == static_cast<int>(pointColors_.size()))
    pointColors_.push_back(color);  // at the end, as every point of a refill in order goes
  else
    pointColors_.insert(pointColors_.begin() + index, color);
  // The labels are kept once a point has one; until then every label is absent, and a
  // million unlabelled points neither store nor read a label each.
  if (!label.isEmpty() || !pointLabels_.empty()) {
    if (pointLabels_.empty()) pointLabels_.resize(PointCount() - 1);
    pointLabels_.insert(pointLabels_.begin() + index,
                        label.isEmpty() ? std::nullopt : std::optional<QString>(label));
  }
  PointAdded(index);
  return index;
}

void TChartSeries::RemoveAllPoints() {
  ClearStorage();
  if (OnClearValues) OnClearValues(this);
  NotifyDependents(dkAllRemoved, -1);
  if (active_ && parentChart_ && !parentChart_->Destroying()) RequestRepaint();
}

void TChartSeries::DeletePoint(int index) {
  for (TChartValueList* list : valueLists_) list->RemoveAt(index);  // X first: fails first
  if (index < static_cast<int>(pointColors_.size()))
    pointColors_.erase(pointColors_.begin() + index);
  if (index < static_cast<int>(pointLabels_.size()))
    pointLabels_.erase(pointLabels_.begin() + index);
  if (index < static_cast<int>(Marks.Positions.size()))
    Marks.Positions.erase(Marks.Positions.begin() + index);
  NotifyDependents(dkPointDeleted, index);
  if (active_) RequestRepaint();
}

void TChartSeries::SwapPoints(int index1, int index2) {
  for (TChartValueList* list : valueLists_) list->SwapValues(index1, index2);
  std::swap(pointColors_[index1], pointColors_[index2]);
  if (!pointLabels_.empty()) std::swap(pointLabels_[index1], pointLabels_[index2]);
}

void TChartSeries::RequestRepaint() {
  if (parentChart_) parentChart_->InvalidateSeriesDrawing();
}

void TChartSeries::NotifyDependents(TDependentChange, int) {
  // How a dependent series follows its data source is not used by this program; with no
  // dependents there is nobody to tell.
}

void TChartSeries::ResolveAxes() {
  horizontalAxis_ = verticalAxis_ = nullptr;
  if (!parentChart_) return;
  horizontalAxis_ = parentChart_->BottomAxis;
  if (horizAxis_ == aTopAxis) horizontalAxis_ = parentChart_->TopAxis;
  if (horizAxis_ == aCustomHorizAxis && customHorizAxis_) horizontalAxis_ = customHorizAxis_;
  verticalAxis_ = parentChart_->LeftAxis;
  if (vertAxis_ == aRightAxis) verticalAxis_ = parentChart_->RightAxis;
  if (vertAxis_ == aCustomVertAxis && customVertAxis_) verticalAxis_ = customVertAxis_;
}

void TChartSeries::SetHorizAxis(THorizAxis axis) {
  if (axis == horizAxis_) return;
  horizAxis_ = axis;
  ResolveAxes();
  RequestRepaint();
}

void TChartSeries::SetVertAxis(TVertAxis axis) {
  if (axis == vertAxis_) return;
  vertAxis_ = axis;
  ResolveAxes();
  RequestRepaint();
}

// Another custom axis may change which axes are shown and where the points go: the still
// parts change with it, not only the series' drawing.
void TChartSeries::SetCustomHorizAxis(TCustomChartAxis* axis) {
  if (axis == customHorizAxis_) return;
  customHorizAxis_ = axis;
  ResolveAxes();
  if (parentChart_) parentChart_->InvalidateChart();
}

void TChartSeries::SetCustomVertAxis(TCustomChartAxis* axis) {
  if (axis == customVertAxis_) return;
  customVertAxis_ = axis;
  ResolveAxes();
  if (parentChart_) parentChart_->InvalidateChart();
}

int TChartSeries::XScreenPos(int index) const {
  return horizontalAxis_ ? horizontalAxis_->ValueToPosition(XValueAt(index)) : 0;
}

int TChartSeries::YScreenPos(int index) const {
  return verticalAxis_ ? verticalAxis_->ValueToPosition(YValueAt(index)) : 0;
}

QString TChartSeries::MarkText(int index) {
  QString text = FormatFloatPicture(MandatoryValues()->ValueAt(index), ValueFormat);
  if (OnGetMarkText) OnGetMarkText(this, index, text);
  return text;
}

void TChartSeries::DrawMarks() {
  if (!parentChart_ || FirstVisibleIndex < 0) return;
  TChartCanvas3D* canvas = parentChart_->Canvas();
  canvas->Font = Marks.Font();
  canvas->Brush.Style = bsClear;
  canvas->SetBackgroundMode(TRANSPARENT);
  canvas->SetTextAlignment(TA_CENTER | TA_BOTTOM);
  for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i)
    canvas->TextWithDepth(XScreenPos(i),
                          FarClamp(static_cast<long long>(YScreenPos(i)) - Marks.ArrowLength()), 0,
                          MarkText(i));
}

void TChartSeries::CalcVisibleRange() {
  FirstVisibleIndex = LastVisibleIndex = -1;
  if (PointCount() == 0) return;
  const int last = PointCount() - 1;
  TChartValueList* list = MandatoryValues() == YValues ? XValues : YValues;
  TCustomChartAxis* axis = MandatoryValues() == YValues ? horizontalAxis_ : verticalAxis_;
  if (!LimitToAxisRange || list->Order() == loNone || !axis || !parentChart_) {
    FirstVisibleIndex = 0;
    LastVisibleIndex = last;
    return;
  }
  const TRect& plot = parentChart_->PlotRect;
  const bool horizontal = axis->IsHorizontal();
  const int nearEdge = horizontal ? (axis->Inverted() ? plot.Right : plot.Left)
                                  : (axis->Inverted() ? plot.Top : plot.Bottom);
  const int farEdge = horizontal ? (axis->Inverted() ? plot.Left : plot.Right)
                                 : (axis->Inverted() ? plot.Bottom : plot.Top);
  const double low = axis->PositionToValue(nearEdge);
  FirstVisibleIndex = 0;
  while (list->ValueAt(FirstVisibleIndex) < low) {
    if (++FirstVisibleIndex > last) {
      FirstVisibleIndex = -1;
      return;
    }
  }
  const double high = axis->PositionToValue(farEdge);
  if (list->FinalValue() <= high) {
    LastVisibleIndex = last;
    return;
  }
  LastVisibleIndex = FirstVisibleIndex;
  while (list->ValueAt(LastVisibleIndex) < high) {
    if (++LastVisibleIndex > last) {
      LastVisibleIndex = last;
      break;
    }
  }
  if (!KeepPointPastEnd && list->ValueAt(LastVisibleIndex) > high) --LastVisibleIndex;
}
