#pragma once

#include <memory>
#include <vector>

#include "chart/ChartAxis.h"
#include "chart/ChartCanvas.h"
#include "chart/View3DOptions.h"
#include "framework/Component.h"
#include "framework/Geometry.h"
#include "framework/StoreIfChanged.h"

class TChartSeries;

// What a chart is to its series and axes: the series list, the five axes, the canvas, the
// plot rectangle of the last layout, and the one way to ask for a repaint. A repaint
// request only marks the image out of date; the paint comes later, once for many requests.
class TCustomAxisPanel : public TComponent {
 public:
  explicit TCustomAxisPanel(TComponent* owner);
  ~TCustomAxisPanel() override;

  int SeriesCount() const { return static_cast<int>(seriesList_.size()); }
  TChartSeries* Series(int index) const { return seriesList_.at(index); }
  // Called by a series joining or leaving; a joining series without its own colour gets
  // the first palette colour no other series has.
  void AddSeries(TChartSeries* series);
  void RemoveSeries(TChartSeries* series);

  TChartAxis* BottomAxis;
  TChartAxis* TopAxis;
  TChartAxis* LeftAxis;
  TChartAxis* RightAxis;
  TChartDepthAxis* DepthAxis;
  // In the order they are sized, placed and drawn.
  const std::vector<TCustomChartAxis*>& AxesList() const { return axes_; }
  void RegisterAxis(TCustomChartAxis* axis) { axes_.push_back(axis); }

  TChartCanvas3D* Canvas() const { return canvas_.get(); }
  TView3DOptions View3DOptions;
  TRect PlotRect;
  int PlotWidth() const { return PlotRect.Width(); }
  int PlotHeight() const { return PlotRect.Height(); }

  // The one way to ask for a repaint: marks the image out of date and asks the control for
  // a paint. Every setter that changes what is drawn ends here.
  virtual void InvalidateChart();
  // The same for a change of a series' points or look: what lies under the series (panel,
  // walls, axes) changes with them only through the layout, which a render compares with
  // the last one's, so a kept image of those parts stays usable.
  void InvalidateSeriesDrawing();
  // Drawing between paints, on the image the last paint left (a point added without a
  // repaint): false when there is nothing up to date to draw on, and a repaint is the way.
  // While it lasts the series' drawing is clipped as in a paint.
  bool BeginImmediateDrawing();
  // Ends it and has the control show the changed rectangle of the image.
  void EndImmediateDrawing(const TRect& changed);
  bool Destroying() const { return destroying_; }
  TAxisOnGetLabel OnGetAxisLabel;
  TAxisOnGetNextLabel OnGetNextAxisLabel;
  TNotifyEvent OnBeforeDrawAxes;
  TNotifyEvent OnBeforeDrawSeries;

  bool AxisVisible() const { return axisVisible_; }
  void SetAxisVisible(bool value) { Set(axisVisible_, value); }
  bool View3D() const { return view3D_; }
  void SetView3D(bool value) { Set(view3D_, value); }
  bool ClipPoints() const { return clipPoints_; }
  void SetClipPoints(bool value) { Set(clipPoints_, value); }
  // Drawn this paint: axes on, the axis visible, and an active series on it (the depth
  // axis only in 3D).
  bool AxisShown(const TCustomChartAxis* axis) const;
  // The margin step of a paint, after the axes are placed: the series on the axis may ask
  // for room beyond their values on the axis' automatic ends.
  virtual void FitAxesToSeries(TCustomChartAxis* axis);

 protected:
  template <typename T>
  void Set(T& field, const T& value) {
    if (StoreIfChanged(field, value)) InvalidateChart();
  }
  // Whether a palette colour may go to a joining series: no other series has it, and the
  // control may rule out colours that would not show (its own background).
  virtual bool IsFreeSeriesColor(TColor color) const;
  // The control behind the chart asks the window system for a paint here.
  virtual void RepaintRequested() {}
  // And here for showing a changed part of an image that is otherwise up to date.
  virtual void RepaintRegion(const TRect& /*changed*/) {}
  bool axisVisible_ = true;
  bool view3D_ = true;
  bool clipPoints_ = true;
  bool paintingEnabled_ = false;
  bool destroying_ = false;
  // Something other than a series' drawing changed since the last render.
  bool stillPartsChanged_ = true;

 private:
  std::unique_ptr<TChartCanvas3D> canvas_;
  std::vector<TChartSeries*> seriesList_;
  std::vector<TCustomChartAxis*> axes_;
  std::vector<std::unique_ptr<TCustomChartAxis>> ownedAxes_;
};
