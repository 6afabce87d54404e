#pragma once

#include <QStringList>
#include <QWidget>

#include "chart/AxisPanel.h"
#include "chart/ChartFont.h"
#include "chart/ChartPen.h"

class TCustomChart;

enum TBevelCut { bvNone, bvLowered, bvRaised };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// System colours of panel bevels.
constexpr TColor clBtnFace = 0xF0F0F0;
constexpr TColor clBtnHighlight = 0xFFFFFF;
constexpr TColor clBtnShadow = 0xA0A0A0;

// The title above (or the foot below) the plot.
class TChartTitle {
 public:
  explicit TChartTitle(TCustomChart* chart);
  bool AdjustFrame = true;
  TAlignment Alignment = taCenter;
  TChartBrush Brush{DefaultPointColor, bsSolid};
  TColor Color = DefaultPointColor;
  TChartFont Font;
  TChartHiddenPen Frame;
  QStringList Text;
  bool Visible = true;
  TRect LastRect;  // where it was drawn, for hit tests
};

// A wall of the plot: in a flat chart only the back wall, its frame and fill.
class TChartWall {
 public:
  explicit TChartWall(TCustomChart* chart, TColor color);
  TChartBrush Brush{clWhite, bsClear};
  TColor Color;
  bool Dark3D = true;
  TChartPen Pen;
  int Size = 0;
};

// The legend: kept, never drawn by this program.
struct TChartLegend {
  bool Visible = true;
  TChartFont Font;
};

// A chart: a panel that lays out its titles, axes and plot and paints them, with its
// series, into an off-screen image. Every change only marks the image out of date and asks
// for a paint; the window system merges those into one paint, which renders once and
// copies the image; a paint with nothing changed only copies it again.
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
  TChartLegend Legend;
  TNotifyEvent OnAfterDraw;

  // The rectangle of the last render (the image's, with buffering).
  TRect PanelBounds;
  // Draws the whole chart onto target at the widget's origin.
  void RenderChart(QPainter& target, const TRect& bounds);
  int Renders() const { return renders_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  // A new size needs a new image, not a copy of the old one.
  void resizeEvent(QResizeEvent* event) override;
  void RepaintRequested() override;
  // Not the panel's colour nor the back wall's: a trace in those would not show.
  bool IsFreeSeriesColor(TColor color) const override {
    return color != color_ && color != BackWall.Color && TCustomAxisPanel::IsFreeSeriesColor(color);
  }

 private:
  void RecalcPlotSize();
  void RenderContents();
  void PaintPanelBackground();
  void PaintBevels();
  void PaintTitles();
  void PaintTitle(TChartTitle& title, bool atTop);
  void LayoutAxes();
  void PaintWalls();
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
  bool updatePending_ = false;  // asked the window system for a paint that hasn't come yet
};

// The chart control as the window's definition uses it.
class TChart : public TCustomChart {
 public:
  using TCustomChart::TCustomChart;
};
