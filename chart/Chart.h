#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <optional>
#include <vector>

#include "chart/AxisPanel.h"
#include "chart/ChartFont.h"
#include "chart/ChartOverlay.h"
#include "chart/ChartPen.h"
#include "framework/StoreIfChanged.h"

class TCustomChart;

enum TBevelCut { bvNone, bvLowered, bvRaised };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// System colours of panel bevels.
constexpr TColor clBtnFace = 0xF0F0F0;
constexpr TColor clBtnHighlight = 0xFFFFFF;
constexpr TColor clBtnShadow = 0xA0A0A0;

// A part of the chart that asks its chart to repaint when one of its settings changes to
// a different value; an equal value changes nothing.
class TChartPart {
 public:
  explicit TChartPart(TCustomChart* chart) : chart_(chart) {}

 protected:
  template <typename T>
  void Set(T& field, const T& value) {
    if (StoreIfChanged(field, value)) Changed();
  }
  void Changed();

 private:
  TCustomChart* chart_;
};

// The title above (or the foot below) the plot.
class TChartTitle : public TChartPart {
 public:
  explicit TChartTitle(TCustomChart* chart);
  bool AdjustFrame() const { return adjustFrame_; }
  void SetAdjustFrame(bool value) { Set(adjustFrame_, value); }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { Set(alignment_, value); }
  const TChartBrush& Brush() const { return brush_; }
  void SetBrush(const TChartBrush& value) { Set(brush_, value); }
  TColor Color() const { return color_; }
  void SetColor(TColor value) { Set(color_, value); }
  const TChartFont& Font() const { return font_; }
  void SetFont(const TChartFont& value) { Set(font_, value); }
  TChartHiddenPen Frame;
  const QStringList& Text() const { return text_; }
  void SetText(const QStringList& value) { Set(text_, value); }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { Set(visible_, value); }
  TRect LastRect;  // where it was drawn, for hit tests

 private:
  bool adjustFrame_ = true;
  TAlignment alignment_ = taCenter;
  TChartBrush brush_{DefaultPointColor, bsSolid};
  TColor color_ = DefaultPointColor;
  TChartFont font_;
  QStringList text_;
  bool visible_ = true;
};

// A wall of the plot: in a flat chart only the back wall, its frame and fill.
class TChartWall : public TChartPart {
 public:
  TChartWall(TCustomChart* chart, TColor color);
  const TChartBrush& Brush() const { return brush_; }
  void SetBrush(const TChartBrush& value) { Set(brush_, value); }
  TColor Color() const { return color_; }
  void SetColor(TColor value) { Set(color_, value); }
  bool Dark3D() const { return dark3D_; }
  void SetDark3D(bool value) { Set(dark3D_, value); }
  TChartPen Pen;
  int Size() const { return size_; }
  void SetSize(int value) { Set(size_, value); }

 private:
  TChartBrush brush_{clWhite, bsClear};
  TColor color_;
  bool dark3D_ = true;
  int size_ = 0;
};

// The legend: kept, never drawn by this program.
class TChartLegend : public TChartPart {
 public:
  using TChartPart::TChartPart;
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { Set(visible_, value); }
  const TChartFont& Font() const { return font_; }
  void SetFont(const TChartFont& value) { Set(font_, value); }

 private:
  bool visible_ = true;
  TChartFont font_;
};

// The text of the pointer's readout for the point at ValueIndex of the first active series
// (-1: the pointer is over no point); an empty text shows no tooltip.
using TChartPointerTextEvent = TEvent<void(TCustomChart* Sender, int ValueIndex, QString& Text)>;
// A text of the chart as assistive technology asks for it: Kind is a QAccessible::Text (the
// name, the description); Text comes in as the widget's own and may be replaced.
using TChartAccessibleTextEvent = TEvent<void(TCustomChart* Sender, int Kind, QString& Text)>;

// A chart: a panel that lays out its titles, axes and plot and paints them, with its
// series, into an off-screen image. Every change only marks the image out of date and asks
// for a paint; the window system merges those into one paint, which renders once and
// copies the image; a paint with nothing changed only copies it again. The first paint draws
// straight onto the window instead: until something changes, the chart needs no image.
class TCustomChart : public QWidget, public TCustomAxisPanel {
 public:
  explicit TCustomChart(QWidget* parent = nullptr, TComponent* owner = nullptr);
  ~TCustomChart() override;

  // Panel.
  TColor Color() const { return color_; }
  void SetColor(TColor color) { Set(color_, color); }
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value) { Set(bevelOuter_, value); }
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value) { Set(bevelInner_, value); }
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int value) { Set(bevelWidth_, value); }
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int value) { Set(borderWidth_, value); }
  int MarginLeft() const { return margins_.Left; }
  void SetMarginLeft(int v) { Set(margins_.Left, v); }
  int MarginTop() const { return margins_.Top; }
  void SetMarginTop(int v) { Set(margins_.Top, v); }
  int MarginRight() const { return margins_.Right; }
  void SetMarginRight(int v) { Set(margins_.Right, v); }
  int MarginBottom() const { return margins_.Bottom; }
  void SetMarginBottom(int v) { Set(margins_.Bottom, v); }
  bool View3DWalls() const { return view3DWalls_; }
  void SetView3DWalls(bool value) { Set(view3DWalls_, value); }
  int Chart3DPercent() const { return chart3DPercent_; }
  // 1..100, else ChartException.
  void SetChart3DPercent(int value);
  int MaxPointsPerPage() const { return maxPointsPerPage_; }
  void SetMaxPointsPerPage(int value);
  bool Monochrome() const { return Canvas()->IsMonochrome(); }
  void SetMonochrome(bool value) { Canvas()->SetIsMonochrome(value); }

  TChartTitle Title;
  TChartTitle Foot;
  TChartWall BackWall;
  TChartWall LeftWall;
  TChartWall BottomWall;
  TChartLegend Legend{this};
  TNotifyEvent OnAfterDraw;

  // The rectangle of the last render (the image's, with buffering).
  TRect PanelBounds;
  // Draws the whole chart onto target, in bounds: prepares the canvas, places the plot
  // inside the margins, draws the contents and shows them.
  virtual void RenderChart(QPainter& target, const TRect& bounds);
  int Renders() const { return renders_; }
  // Whether renders start from a kept image of the parts that did not change (on by
  // default; off, every render draws everything, which gives the same pixels).
  void SetKeepsStillParts(bool value);
  // How many renders drew only the series over the kept image.
  int RendersFromStillParts() const { return rendersFromStillParts_; }

  // ---- Reading values: shown over the image, never drawn into it ----
  // Lines across the plot at values of the horizontal axis, each with its label at the top.
  const std::vector<TChartCursor>& Cursors() const { return overlay_.Cursors(); }
  void SetCursors(std::vector<TChartCursor> cursors);
  // With the pointer readout on, the pointer over the plot has a marker (a line in
  // PointerMarkerColor) at the point of the first active series under it, and a tooltip with
  // the text OnGetPointerText gives; both go when it leaves the plot. They follow the data
  // while the pointer stays.
  bool PointerReadout() const { return pointerReadout_; }
  void SetPointerReadout(bool on);
  TColor PointerMarkerColor = clSilver;
  TChartPointerTextEvent OnGetPointerText;
  // The point of the first active series nearest to pixel column x, as the axis maps pixels
  // to values, when it lies within half a step of the points; -1 for none.
  int ValueIndexAtPixel(int x) const;
  // The same for the pointer, while it is over the plot; -1 otherwise.
  int PointerValueIndex() const;
  // Whether a point of the chart, or the pointer, is over the plot (its frame included).
  bool InPlot(QPoint point) const;
  bool PointerInPlot() const;
  std::optional<double> PointerMarker() const { return overlay_.Marker(); }
  // Asks for the readout's text again: what the text says changed.
  void RefreshPointerReadout();
  // For an owner whose points moved along the horizontal axis by `by` under a pointer that
  // stays: the marker moves with the point the tooltip names until the readout is refreshed
  // (at most kReadoutInterval later), so that line and text always speak of the same point.
  void MovePointerMarker(double by);
  // New data under a pointer that stays is read out at most this often (milliseconds).
  static constexpr int kReadoutInterval = 250;
  // A frame shows while the keyboard focus is on the chart, when it came by the keyboard.
  bool ShowsFocusFrame() const { return overlay_.FocusFrame(); }

  // ---- Assistive technology ----
  TChartAccessibleTextEvent OnGetAccessibleText;
  // Tells assistive technology that the description changed; nothing when none listens. The
  // chart itself is not repainted.
  void AccessibleDescriptionChanged();
  // How often it told so.
  int AccessibleDescriptionChanges() const { return descriptionChanges_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // A new size needs a new image, not a copy of the old one.
  void resizeEvent(QResizeEvent* event) override;
  void RepaintRequested() override;
  // The image is up to date there already: the window only copies that part again.
  void RepaintRegion(const TRect& changed) override;
  // Not the panel's colour nor the back wall's: a trace in those would not show.
  bool IsFreeSeriesColor(TColor color) const override {
    return color != color_ && color != BackWall.Color() &&
           TCustomAxisPanel::IsFreeSeriesColor(color);
  }

  // The steps of a render. RenderContents draws everything inside the prepared canvas:
  // panel, titles, walls and axes (or, when only series changed and the layout stays the
  // same, the kept image of them), then the series.
  virtual void RenderContents(const TRect& bounds);
  virtual void PaintPanelBackground(const TRect& bounds);
  virtual void FillPanelBackground(const TRect& bounds);
  virtual void PaintBevels(const TRect& bounds);
  virtual void PaintTitles();
  virtual void LayoutAxes();
  virtual void PaintWalls();

 private:
  // Where the still parts lie and what they show of the series' data: the same as the last
  // render's means the same pixels under the series.
  struct TStillLayout {
    struct TAxisPlace {
      bool shown;
      TAxisLabelStyle labelStyle;
      bool dateTime;
      double low, high;
      int start, end, labels, title;
      bool operator==(const TAxisPlace&) const = default;
    };
    TRect panel, plot, title, foot;
    double pixelRatio;
    bool monochrome;
    std::vector<TAxisPlace> axes;
    bool operator==(const TStillLayout&) const = default;
  };
  // The axes' working state, which a layout reads as the last one left it.
  struct TAxisWork {
    double low, high, range;
    int start, end, length, center, line, labels, title;
    bool dateTime;
  };
  std::vector<TAxisWork> AxesWork() const;
  // What the layout takes from the series (ranges, shown axes, label styles, margins) and
  // from the surface (size, scale, monochrome). Settles the axes' ranges on the way.
  std::vector<double> LayoutInputs();
  void SetAxesWork(const std::vector<TAxisWork>& work);
  void RecalcPlotSize();
  // The plot rectangle inside the border and margins, where every layout starts.
  void PlacePlot();
  // Panel, titles and the axes' layout: drawn, or only laid out while drawing is suspended.
  void LayOutStillParts(const TRect& bounds);
  // Whether this render starts from the kept image of the still parts, which the layout
  // would draw again as it is; then the image holds it and the layout is the last one's.
  // inputs: what the layout takes from the series and the surface, when asked for here.
  bool StartFromStillParts(const TRect& bounds, std::vector<double>& inputs);
  TStillLayout StillLayout() const;
  // What could make the still parts differ from one render to the next without a change of
  // layout: unbuffered painting, handlers that draw among them or write their labels, and
  // labels taken from the points.
  bool StillPartsKeepable(const TStillLayout& layout) const;
  void PaintSeriesLayer();
  void PaintTitle(TChartTitle& title, bool atTop);
  void PaintAxes();
  void PaintSeries(TChartSeries* series);
  void ResetCanvas();

  TColor color_ = clBtnFace;
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TRect margins_{3, 4, 3, 4};
  bool view3DWalls_ = true;
  int chart3DPercent_ = 15;
  int maxPointsPerPage_ = 0;
  int renders_ = 0;
  int descriptionChanges_ = 0;
  int rendersFromStillParts_ = 0;
  bool keepsStillParts_ = true;
  TStillLayout lastLayout_{};
  std::vector<double> keptInputs_;  // those of the render the kept image is from
  bool updatePending_ = false;      // asked the window system for a paint that hasn't come yet
  bool pendingWhole_ = false;       // of the whole chart, not only of its plot
  bool seriesStayInPlot_ = false;   // SeriesStayInPlot() when that paint was first asked for
  // Whether a render with only series changed draws nowhere but inside the plot.
  bool SeriesStayInPlot() const;

  // The series and axis the pointer's readout and the cursors go by.
  TChartSeries* ReadoutSeries() const;
  const TCustomChartAxis& ReadoutAxis() const;
  void ShowOverlayChange(const QRegion& changed);
  // After a render: the data under a pointer that stays is read out again, soon.
  void FollowDataUnderPointer();
  TChartOverlay overlay_;
  bool pointerReadout_ = false;
  std::optional<QPoint> pointer_;  // over the chart, as the last move left it
  bool tipShown_ = false;
  QElapsedTimer readoutAt_;      // when the readout was last refreshed
  bool readoutPending_ = false;  // a refresh for new data is on its way
};

// The chart control as the window's definition uses it.
class TChart : public TCustomChart {
 public:
  using TCustomChart::TCustomChart;
};
