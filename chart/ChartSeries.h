#pragma once

#include <QString>
#include <algorithm>
#include <optional>
#include <vector>

#include "chart/ChartValueList.h"
#include "chart/SeriesMarks.h"
#include "framework/Colors.h"
#include "framework/Component.h"
#include "framework/Event.h"

class TCustomAxisPanel;
class TCustomChartAxis;
class TChartSeries;

enum THorizAxis { aTopAxis, aBottomAxis, aBothHorizAxis, aCustomHorizAxis };
enum TVertAxis { aLeftAxis, aRightAxis, aBothVertAxis, aCustomVertAxis };

using TSeriesOnAfterAdd = TEvent<void(TChartSeries* Sender, int ValueIndex)>;
using TSeriesOnBeforeAdd = TEvent<bool(TChartSeries* Sender)>;
using TSeriesOnClear = TEvent<void(TChartSeries* Sender)>;
using TSeriesOnGetMarkText = TEvent<void(TChartSeries* Sender, int ValueIndex, QString& MarkText)>;
using TSeriesClick =
    TEvent<void(TChartSeries* Sender, int ValueIndex, int Button, int Shift, int X, int Y)>;

// The sixteen colours that points and series take in turn.
constexpr TColor DefaultPalette[16] = {0x0000FF, 0x008000, 0x00FFFF, 0xFF0000, 0xFFFFFF, 0x808080,
                                       0xFF00FF, 0x808000, 0x800000, 0x000080, 0x00FF00, 0x008080,
                                       0x800080, 0xC0C0C0, 0xFFFF00, 0x000000};
inline TColor PaletteColor(int index) {
  return DefaultPalette[index % 16];
}

// The points of a chart series: X and Y value lists with a colour and an optional label per
// point, kept in step by every operation. A change only asks the chart to repaint; nothing
// is drawn here.
class TChartSeries : public TComponent {
 public:
  // What NotifyDependents tells dependent series.
  enum TDependentChange {
    dkAllRemoved = 0,
    dkPointAdded = 1,
    dkPointDeleted = 2,
    dkAllChanged = 3,
    dkValueChanged = 4
  };

  explicit TChartSeries(TComponent* owner);
  ~TChartSeries() override;

  // Operations a subclass may refine.
  virtual void ClearStorage();
  virtual TColor PointColor(int index) const;
  virtual QString PointLabel(int index) const;
  // Whether any point has a label (a series that labels its points otherwise says so here
  // too): without one the labels need not be asked for point by point.
  virtual bool HasPointLabels() const;
  virtual double XValueAt(int index) const { return XValues->ValueAt(index); }
  virtual double YValueAt(int index) const { return YValues->ValueAt(index); }
  virtual void PointAdded(int index);
  virtual void SetActive(bool active);
  virtual void SetColorEachPoint(bool value);
  virtual void SetParentChart(TCustomAxisPanel* chart);
  virtual void SetSeriesColor(TColor color);
  int AppendValue(double value, const QString& label, TColor color);
  int AppendNullValue(const QString& label) { return AppendValue(0, label, clNone); }
  int AppendNullPoint(double x, double y, const QString& label) {
    return AppendPoint(x, y, label, clNone);
  }
  virtual int AppendPoint(double x, double y, const QString& label, TColor color);
  virtual void RemoveAllPoints();
  virtual void DeletePoint(int index);
  double HighestX() { return XValues->HighestValue(); }
  double HighestY() { return YValues->HighestValue(); }
  double LowestX() { return XValues->LowestValue(); }
  double LowestY() { return YValues->LowestValue(); }
  virtual TChartValueList* MandatoryValues() const { return YValues; }
  virtual void SwapPoints(int index1, int index2);

  // Pixels of a point through the series' axes, as of the last layout.
  int XScreenPos(int index) const;
  int YScreenPos(int index) const;
  // Finds the points within the plot: FirstVisibleIndex..LastVisibleIndex, or -1 and -1.
  // A series that draws something other than its points says what it draws here.
  virtual void CalcVisibleRange();
  // Pixels of room the series wants beyond its lowest (low) and highest (high) value on the
  // axis of that direction, for its marks or symbols. A line needs none.
  virtual void CalcAxisMargins(bool /*horizontal*/, int& low, int& high) const { low = high = 0; }
  // Draws the visible points on the chart's canvas; the chart has clipped it.
  virtual void DrawPoints() {}
  // The text of a point's mark: its value in ValueFormat, as OnGetMarkText leaves it.
  QString MarkText(int index);
  // Draws the marks of the visible points, each its text centred over the point and
  // Marks.ArrowLength pixels above it; the chart clips it as it clips the points.
  virtual void DrawMarks();
  // The point (or the segment starting at the point) under a pixel, or -1.
  virtual int PointAtPixel(int /*x*/, int /*y*/) const { return -1; }

  int PointCount() const { return XValues->ValueCount(); }
  // Points the colour and label lists hold room for.
  int PointStorageCapacity() const {
    return static_cast<int>(std::max(pointColors_.capacity(), pointLabels_.capacity()));
  }
  bool IsNullPoint(int index) const { return PointColor(index) == clNone; }
  void RequestRepaint();
  void NotifyDependents(TDependentChange kind, int index);
  void ResolveAxes();
  // Data sources are not used here; a changed column name has nothing to refresh.
  void RefreshFromDataSource() {}

  bool Active() const { return active_; }
  TColor SeriesColor() const { return seriesColor_; }
  bool ColorEachPoint() const { return colorEachPoint_; }
  TCustomAxisPanel* ParentChart() const { return parentChart_; }
  THorizAxis HorizAxis() const { return horizAxis_; }
  void SetHorizAxis(THorizAxis axis);
  TVertAxis VertAxis() const { return vertAxis_; }
  void SetVertAxis(TVertAxis axis);
  void SetCustomHorizAxis(TCustomChartAxis* axis);
  void SetCustomVertAxis(TCustomChartAxis* axis);
  TCustomChartAxis* GetHorizAxis() const { return horizontalAxis_; }
  TCustomChartAxis* GetVertAxis() const { return verticalAxis_; }
  TChartValueLists& ValuesList() { return valueLists_; }

  TChartValueList* XValues = nullptr;
  TChartValueList* YValues = nullptr;
  TSeriesMarks Marks{[this] { RequestRepaint(); }};
  QString Title;
  bool ShowInLegend = true;
  int Cursor = 0;
  QString ValueFormat = QStringLiteral("#,##0.###");
  QString PercentFormat = QStringLiteral("##0.## %");
  int FirstVisibleIndex = -1;
  int LastVisibleIndex = -1;
  bool LimitToAxisRange = true;
  bool KeepPointPastEnd = false;
  int ZOrder = -1;  // automatic; only 3D views use it

  TNotifyEvent AfterDrawValues;
  TNotifyEvent BeforeDrawValues;
  TSeriesOnAfterAdd OnAfterAdd;
  TSeriesOnBeforeAdd OnBeforeAdd;
  TSeriesOnClear OnClearValues;
  TSeriesClick OnClick;
  TSeriesClick OnDblClick;
  TSeriesOnGetMarkText OnGetMarkText;

 private:
  bool active_ = true;
  TColor seriesColor_ = DefaultPointColor;
  bool colorEachPoint_ = false;
  std::vector<TColor> pointColors_;
  // Parallel to the points, or empty while no point has a label.
  std::vector<std::optional<QString>> pointLabels_;
  TCustomChartAxis* horizontalAxis_ = nullptr;
  TCustomChartAxis* verticalAxis_ = nullptr;
  TCustomChartAxis* customHorizAxis_ = nullptr;
  TCustomChartAxis* customVertAxis_ = nullptr;
  std::vector<TChartSeries*> dependents_;
  TCustomAxisPanel* parentChart_ = nullptr;
  TChartValueLists valueLists_;
  THorizAxis horizAxis_ = aBottomAxis;
  TVertAxis vertAxis_ = aLeftAxis;
};
