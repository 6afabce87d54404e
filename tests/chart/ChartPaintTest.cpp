// The chart's paint beyond the oscilloscope's own path, checked by its pixels: parts that
// repaint when changed, a point drawn without a repaint, unbuffered and monochrome
// painting, hatched walls, the margin step, axis titles and turned labels in their bands,
// axes beyond the four, and the whole picture of the oscilloscope's chart on a panel where
// everything shows.
#include <gtest/gtest.h>

#include <QEvent>
#include <QPaintEvent>
#include <functional>
#include <set>
#include <string>

#include "OscilloscopeChart.h"
#include "PaintRecorder.h"
#include "framework/MessageWait.h"

namespace {

constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;

QImage RenderOf(TChart& chart) {
  QImage window(chart.width(), chart.height(), QImage::Format_RGB32);
  window.fill(Qt::gray);
  QPainter painter(&window);
  chart.RenderChart(painter, {0, 0, chart.width(), chart.height()});
  return window;
}

TColor At(const QImage& image, int x, int y) {
  return FromQRgb(image.pixel(x, y));
}

// Whether any pixel of the rectangle (right and bottom left out) has the colour.
bool AnyIn(const QImage& image, const TRect& r, TColor color) {
  for (int y = std::max(0, r.Top); y < std::min(image.height(), r.Bottom); ++y)
    for (int x = std::max(0, r.Left); x < std::min(image.width(), r.Right); ++x)
      if (At(image, x, y) == color) return true;
  return false;
}

// Text is drawn smoothed: its pixels are told by their lightness, not by one exact colour.
// Light is well above the grey (0x808080) of grid and ticks; dark well below silver.
bool Light(const QImage& image, int x, int y) {
  return qGray(image.pixel(x, y)) > 0xB0;
}
bool AnyDarkIn(const QImage& image, const TRect& r) {
  for (int y = std::max(0, r.Top); y < std::min(image.height(), r.Bottom); ++y)
    for (int x = std::max(0, r.Left); x < std::min(image.width(), r.Right); ++x)
      if (qGray(image.pixel(x, y)) < 0x50) return true;
  return false;
}
bool AnyLightIn(const QImage& image, const TRect& r) {
  for (int y = std::max(0, r.Top); y < std::min(image.height(), r.Bottom); ++y)
    for (int x = std::max(0, r.Left); x < std::min(image.width(), r.Right); ++x)
      if (Light(image, x, y)) return true;
  return false;
}

// Two pictures of one layout, one with only the labels light, one with only the title light:
// the labels lie at or beyond the title's position, the title before it, neither on the
// other, and both show.
void ExpectTitleBeforeLabels(const QImage& labels, const QImage& title, int titlePosition,
                             const std::string& context) {
  int labelPixels = 0, titlePixels = 0;
  for (int y = 1; y < 280; ++y)
    for (int x = 1; x < 616; ++x) {
      if (Light(labels, x, y)) {
        ++labelPixels;
        ASSERT_GE(x, titlePosition) << context << x << "," << y;
        ASSERT_FALSE(Light(title, x, y)) << context << x << "," << y;
      }
      if (Light(title, x, y)) {
        ++titlePixels;
        ASSERT_LT(x, titlePosition) << context << x << "," << y;
      }
    }
  EXPECT_GT(labelPixels, 0) << context;
  EXPECT_GT(titlePixels, 0) << context;
}

}  // namespace

// ---- What makes a repaint ----

TEST(ChartRepaints, EverySetterOfWhatIsDrawnInvalidatesOnlyOnChange) {
  struct TChange {
    const char* name;
    std::function<void(TChart&, TFastLineSeries&)> apply;
  };
  TChartFont big;
  big.Height = -20;
  const std::vector<TChange> changes = {
      {"Title.Text", [](TChart& c, TFastLineSeries&) { c.Title.SetText({"x"}); }},
      {"Title.Visible", [](TChart& c, TFastLineSeries&) { c.Title.SetVisible(false); }},
      {"Title.Font", [&](TChart& c, TFastLineSeries&) { c.Title.SetFont(big); }},
      {"Title.Brush",
       [](TChart& c, TFastLineSeries&) {
         c.Title.SetBrush({clRed, bsCross});
       }},
      {"Title.Color", [](TChart& c, TFastLineSeries&) { c.Title.SetColor(clRed); }},
      {"Title.Alignment", [](TChart& c, TFastLineSeries&) { c.Title.SetAlignment(taLeftJustify); }},
      {"Title.AdjustFrame", [](TChart& c, TFastLineSeries&) { c.Title.SetAdjustFrame(false); }},
      {"Foot.Text", [](TChart& c, TFastLineSeries&) { c.Foot.SetText({"f"}); }},
      {"Foot.Visible", [](TChart& c, TFastLineSeries&) { c.Foot.SetVisible(false); }},
      {"Foot.Font", [&](TChart& c, TFastLineSeries&) { c.Foot.SetFont(big); }},
      {"BackWall.Color", [](TChart& c, TFastLineSeries&) { c.BackWall.SetColor(clRed); }},
      {"BackWall.Brush",
       [](TChart& c, TFastLineSeries&) {
         c.BackWall.SetBrush({clRed, bsCross});
       }},
      {"BackWall.Pen", [](TChart& c, TFastLineSeries&) { c.BackWall.Pen.SetColor(clRed); }},
      {"LeftWall.Color", [](TChart& c, TFastLineSeries&) { c.LeftWall.SetColor(clRed); }},
      {"BackWall.Dark3D", [](TChart& c, TFastLineSeries&) { c.BackWall.SetDark3D(false); }},
      {"BottomWall.Size", [](TChart& c, TFastLineSeries&) { c.BottomWall.SetSize(4); }},
      {"MarginTop", [](TChart& c, TFastLineSeries&) { c.SetMarginTop(10); }},
      {"MarginRight", [](TChart& c, TFastLineSeries&) { c.SetMarginRight(10); }},
      {"Legend.Visible", [](TChart& c, TFastLineSeries&) { c.Legend.SetVisible(false); }},
      {"BottomAxis.LabelsFont",
       [&](TChart& c, TFastLineSeries&) { c.BottomAxis->SetLabelsFont(big); }},
      {"LeftAxis.Title.Font", [&](TChart& c, TFastLineSeries&) { c.LeftAxis->Title.SetFont(big); }},
      {"Series.Marks.Visible", [](TChart&, TFastLineSeries& s) { s.Marks.SetVisible(true); }},
  };
  for (const TChange& change : changes) {
    TChart chart;
    auto* series = new TFastLineSeries(&chart);
    series->SetParentChart(&chart);
    RenderOf(chart);  // straight onto the window: the image comes with the next render
    RenderOf(chart);
    ASSERT_FALSE(chart.Canvas()->ImageOutOfDate()) << change.name;
    change.apply(chart, *series);
    EXPECT_TRUE(chart.Canvas()->ImageOutOfDate()) << change.name;
    RenderOf(chart);
    change.apply(chart, *series);  // the value it has now
    EXPECT_FALSE(chart.Canvas()->ImageOutOfDate()) << change.name << " set to its own value";
  }
}

// ---- Drawing without a full paint ----

TEST_F(OscilloscopeChart, WithoutAutoRepaintANewPointIsDrawnAtOnce) {
  chart->show();
  WaitMs(50);  // the first paint goes straight onto the window, without an image
  series->AppendPoint(0, 0, "", DefaultPointColor);
  series->AppendPoint(1, 1, "", DefaultPointColor);
  WaitMs(50);
  const int renders = chart->Renders();
  ASSERT_FALSE(chart->Canvas()->ImageOutOfDate());
  TPaintRecorder recorder;
  chart->installEventFilter(&recorder);
  series->SetAutoRepaint(false);
  series->AppendPoint(101, 4, "", DefaultPointColor);
  // On the image at once, before any paint: the segment from point 1 to the new point.
  const int x0 = chart->BottomAxis->ValueToPosition(1),
            x1 = chart->BottomAxis->ValueToPosition(101);
  const int y0 = chart->LeftAxis->ValueToPosition(1), y1 = chart->LeftAxis->ValueToPosition(4);
  const int midX = (x0 + x1) / 2, midY = (y0 + y1) / 2;
  const TRect nearMid{midX, midY - 2, midX + 1, midY + 3};
  EXPECT_TRUE(AnyIn(*chart->Canvas()->Image(), nearMid, clYellow));
  WaitMs(50);
  // The window showed the changed part by copying; the chart was not rendered again.
  EXPECT_EQ(chart->Renders(), renders);
  EXPECT_FALSE(chart->Canvas()->ImageOutOfDate());
  bool shown = false;
  for (const QRect& rect : recorder.rects) shown = shown || rect.contains(midX, midY);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(AnyIn(chart->grab().toImage(), nearMid, clYellow));
  chart->removeEventFilter(&recorder);
}

// The first point of a series that was empty at the last paint has no segment to draw: a
// full paint shows nothing for a single point, and neither does the point drawn at once.
TEST_F(OscilloscopeChart, WithoutAutoRepaintTheFirstPointOfAnEmptySeriesShowsNothing) {
  for (int i = 0; i < 200; ++i) series->AppendPoint(i, i % 2 ? 2.0 : -2.0, "", DefaultPointColor);
  Render();
  series->RemoveAllPoints();
  Render();  // the last drawn pixel of the trace before stays behind in the series
  ASSERT_NE(chart->Canvas()->Image(), nullptr);
  const QImage empty = *chart->Canvas()->Image();
  series->SetAutoRepaint(false);
  series->AppendPoint(100, 0, "", DefaultPointColor);
  ASSERT_FALSE(chart->Canvas()->ImageOutOfDate());  // drawn on at once, not repainted
  const int x = chart->BottomAxis->ValueToPosition(100), y = chart->LeftAxis->ValueToPosition(0);
  EXPECT_FALSE(AnyIn(*chart->Canvas()->Image(), {x - 2, y - 2, x + 3, y + 3}, clYellow));
  EXPECT_TRUE(*chart->Canvas()->Image() == empty);
  chart->InvalidateChart();
  const QImage full = Render();
  EXPECT_FALSE(AnyIn(full, {x - 2, y - 2, x + 3, y + 3}, clYellow));
  // The second point draws the segment from the first.
  series->AppendPoint(150, 4, "", DefaultPointColor);
  const int x1 = chart->BottomAxis->ValueToPosition(150), y1 = chart->LeftAxis->ValueToPosition(4);
  const int midX = (x + x1) / 2, midY = (y + y1) / 2;
  EXPECT_TRUE(AnyIn(*chart->Canvas()->Image(), {midX, midY - 2, midX + 1, midY + 3}, clYellow));
}

// A chart that is only shown needs no image: the first paint draws straight onto the
// window, and the image comes with the first change.
TEST_F(OscilloscopeChart, TheFirstPaintGoesStraightOntoTheWindow) {
  chart->show();
  WaitMs(50);
  ASSERT_GE(chart->Renders(), 1);
  EXPECT_EQ(chart->Canvas()->Image(), nullptr);
  EXPECT_EQ(At(chart->grab().toImage(), 300, 5), clBlack);  // the panel is there
  for (int i = 0; i < 200; ++i) series->AppendPoint(i, i % 2 ? 2.0 : -2.0, "", DefaultPointColor);
  WaitMs(50);
  ASSERT_NE(chart->Canvas()->Image(), nullptr);
  EXPECT_FALSE(chart->Canvas()->ImageOutOfDate());
}

// Where the window would not get the image's pixels, the first render goes through the
// image too: a monochrome chart is shown in black and white from it, and on a scaled screen
// the lines are drawn by the painter either way.
TEST_F(OscilloscopeChart, AMonochromeOrScaledFirstRenderGoesThroughTheImage) {
  chart->SetMonochrome(true);
  Render();
  EXPECT_NE(chart->Canvas()->Image(), nullptr);
  SetUp();
  chart->Canvas()->SetDevicePixelRatio(2.0);
  Render();
  EXPECT_NE(chart->Canvas()->Image(), nullptr);
  SetUp();
  Render();
  EXPECT_EQ(chart->Canvas()->Image(), nullptr);
}

TEST_F(OscilloscopeChart, UnbufferedPaintingDrawsTheChartOnTheWindow) {
  Render();
  chart->Canvas()->SetIsBuffered(false);
  EXPECT_TRUE(chart->Canvas()->ImageOutOfDate());  // the change asks for a paint
  for (int i = 0; i < 200; ++i) series->AppendPoint(i, i % 2 ? 2.0 : -2.0, "", DefaultPointColor);
  const QImage shot = chart->grab().toImage();
  EXPECT_EQ(chart->Canvas()->Image(), nullptr);
  EXPECT_EQ(At(shot, 300, 5), clBlack);  // the panel
  for (int i = 1; i < 199; ++i) {
    const int x = chart->BottomAxis->ValueToPosition(i);
    const int y = chart->LeftAxis->ValueToPosition(i % 2 ? 2.0 : -2.0);
    EXPECT_EQ(At(shot, x, y), clYellow) << i;
  }
}

TEST_F(OscilloscopeChart, MonochromeIsKeptWhenTheImageIsShownAgain) {
  for (int i = 0; i < 200; ++i) series->AppendPoint(i, i % 7 - 3.0, "", DefaultPointColor);
  chart->SetMonochrome(true);
  const QImage first = Render();
  for (int y = 0; y < first.height(); ++y)
    for (int x = 0; x < first.width(); ++x) {
      const TColor c = At(first, x, y);
      ASSERT_TRUE(c == clBlack || c == clWhite) << x << "," << y;
    }
  QImage again(617, 281, QImage::Format_RGB32);
  again.fill(Qt::gray);
  QPainter painter(&again);
  ASSERT_TRUE(chart->Canvas()->ReshowImage(painter));
  painter.end();
  EXPECT_EQ(again, first);
}

// ---- Walls ----

TEST(ChartWalls, HatchedBackWallDrawsItsLinesAndSwapsAColourThatWouldNotShow) {
  TChart chart;  // no series: no axes, only the wall inside the margins
  chart.resize(200, 150);
  chart.SetView3D(false);
  chart.SetColor(clBlack);
  auto interior = [&] {
    return TRect{chart.PlotRect.Left + 1, chart.PlotRect.Top + 1, chart.PlotRect.Right,
                 chart.PlotRect.Bottom};
  };
  // Black lines on black ground would not show: they are drawn white.
  chart.BackWall.SetColor(clBlack);
  chart.BackWall.SetBrush({clBlack, bsHorizontal});
  QImage image = RenderOf(chart);
  TRect r = interior();
  std::set<TColor> rowColours;
  for (int y = r.Top; y < r.Bottom; ++y) {
    const TColor first = At(image, r.Left, y);
    for (int x = r.Left; x < r.Right; ++x) ASSERT_EQ(At(image, x, y), first) << x << "," << y;
    rowColours.insert(first);
  }
  EXPECT_EQ(rowColours, (std::set<TColor>{clBlack, clWhite}));
  // Lines in the wall's colour over the brush's colour, column by column.
  chart.BackWall.SetColor(clRed);
  chart.BackWall.SetBrush({clBlue, bsVertical});
  image = RenderOf(chart);
  r = interior();
  std::set<TColor> columnColours;
  for (int x = r.Left; x < r.Right; ++x) {
    const TColor first = At(image, x, r.Top);
    for (int y = r.Top; y < r.Bottom; ++y) ASSERT_EQ(At(image, x, y), first) << x << "," << y;
    columnColours.insert(first);
  }
  EXPECT_EQ(columnColours, (std::set<TColor>{clRed, clBlue}));
}

// ---- The margin step ----

namespace {
// A series that wants 10 pixels before its lowest x and 20 after its highest.
class TMarginSeries : public TFastLineSeries {
 public:
  using TFastLineSeries::TFastLineSeries;
  void CalcAxisMargins(bool horizontal, int& low, int& high) const override {
    low = horizontal ? 10 : 0;
    high = horizontal ? 20 : 0;
  }
};
}  // namespace

TEST(ChartLayout, SeriesMarginsWidenOnlyTheAutomaticEnds) {
  TChart chart;
  chart.resize(400, 300);
  chart.SetView3D(false);
  auto* series = new TMarginSeries(&chart);
  series->SetParentChart(&chart);
  for (int i = 0; i <= 100; ++i) series->AppendPoint(i, i, "", DefaultPointColor);
  RenderOf(chart);
  const TChartAxis& bottom = *chart.BottomAxis;
  EXPECT_EQ(bottom.ValueToPosition(0), bottom.StartPixel + 10);
  EXPECT_EQ(bottom.ValueToPosition(100), bottom.EndPixel - 20);
  chart.BottomAxis->SetAutomaticMaximum(false);
  chart.BottomAxis->SetMaximum(100);
  RenderOf(chart);
  EXPECT_EQ(bottom.ValueToPosition(0), bottom.StartPixel + 10);
  EXPECT_EQ(bottom.ValueToPosition(100), bottom.EndPixel);
  EXPECT_EQ(chart.LeftAxis->WorkMaximum, 100);  // no margins asked: unchanged
}

TEST_F(OscilloscopeChart, AnAxisShorterThanAPixelEndsWithTheRangeZeroToZero) {
  chart->BottomAxis->SetStartPosition(50);
  chart->BottomAxis->SetEndPosition(50);
  series->AppendPoint(20, 1, "", DefaultPointColor);
  Render();
  const TChartAxis& bottom = *chart->BottomAxis;
  EXPECT_EQ(bottom.AxisLength, 0);
  EXPECT_EQ(bottom.WorkMinimum, 0);
  EXPECT_EQ(bottom.WorkMaximum, 0);
  EXPECT_EQ(bottom.ValueToPosition(150), bottom.CenterPixel);
  // The fast line asks for no margins: the other axis keeps its range to the last bit.
  EXPECT_EQ(chart->LeftAxis->WorkMinimum, -5);
  EXPECT_EQ(chart->LeftAxis->WorkMaximum, 5);
}

// ---- Titles and turned labels ----

TEST_F(OscilloscopeChart, AxisTitlesLandInTheirOwnBandOnEverySide) {
  series->SetHorizAxis(aBothHorizAxis);  // all four axes shown
  series->SetVertAxis(aBothVertAxis);
  chart->TopAxis->ApplyRange(0, 200);
  chart->RightAxis->ApplyRange(-5, 5);
  chart->LeftAxis->Title.SetAngle(90);  // each at its default angle
  for (TChartAxis* axis : {chart->BottomAxis, chart->TopAxis, chart->LeftAxis, chart->RightAxis}) {
    axis->Title.SetCaption(QStringLiteral("Volt"));
    axis->Title.SetFont(Mincho(clWhite));
  }
  const QImage image = Render();
  chart->Canvas()->Font = Mincho(clWhite);
  const int h = chart->Canvas()->FontHeight();
  const int bottomTitle = chart->BottomAxis->TitlePosition,
            topTitle = chart->TopAxis->TitlePosition;
  const int leftTitle = chart->LeftAxis->TitlePosition,
            rightTitle = chart->RightAxis->TitlePosition;
  const TRect bands[4] = {{0, bottomTitle, 617, bottomTitle + h},
                          {0, topTitle - h, 617, topTitle},
                          {leftTitle - h, 0, leftTitle, 281},
                          {rightTitle, 0, rightTitle + h, 281}};
  for (const TRect& band : bands) EXPECT_TRUE(AnyLightIn(image, band)) << band.Left;
  // Nothing light anywhere else inside the bevel.
  for (int y = 1; y < 280; ++y)
    for (int x = 1; x < 616; ++x) {
      if (!Light(image, x, y)) continue;
      bool inBand = false;
      for (const TRect& b : bands)
        inBand = inBand || (x >= b.Left && x < b.Right && y >= b.Top && y < b.Bottom);
      ASSERT_TRUE(inBand) << x << "," << y;
    }
}

TEST_F(OscilloscopeChart, TurnedLabelsStayInTheLabelsBandCentredOnTheirTicks) {
  chart->BottomAxis->SetLabelsAngle(90);
  chart->LeftAxis->SetLabelsAngle(90);
  chart->BottomAxis->SetLabelsFont(Mincho(clWhite));
  chart->LeftAxis->SetLabelsFont(Mincho(clWhite));
  const QImage image = Render();
  chart->Canvas()->Font = Mincho(clWhite);
  const int h = chart->Canvas()->FontHeight();
  const TChartAxis& bottom = *chart->BottomAxis;
  const TChartAxis& left = *chart->LeftAxis;
  ASSERT_GT(bottom.TickCount, 2);
  ASSERT_GT(left.TickCount, 2);
  int white = 0;
  for (int y = 1; y < 280; ++y)
    for (int x = 1; x < 616; ++x) {
      if (!Light(image, x, y)) continue;
      ++white;
      const bool inBottomBand = y >= bottom.LabelsPosition && y < 270;
      const bool inLeftBand = x >= 19 && x < left.LabelsPosition;
      ASSERT_TRUE(inBottomBand != inLeftBand) << x << "," << y;
      const TChartAxis& axis = inBottomBand ? bottom : left;
      const int along = inBottomBand ? x : y;
      bool nearTick = false;  // a label turned upright is a line's height wide
      for (int i = 0; i < axis.TickCount; ++i)
        nearTick = nearTick || std::abs(along - axis.TickPositions[i]) <= h / 2 + 1;
      ASSERT_TRUE(nearTick) << x << "," << y;
    }
  EXPECT_GT(white, 0);
}

// Labels turned by an angle between the right ones stand out across the axis by their
// turned box: the labels band must be that wide, or they reach into the title's band.
TEST_F(OscilloscopeChart, LabelsTurnedByAnyAngleStayOutOfTheTitleBand) {
  TChartAxis& left = *chart->LeftAxis;
  left.ApplyRange(0, 5);
  left.Title.SetCaption(QStringLiteral("Volt"));
  left.Title.SetAngle(90);
  TChartFont big = Mincho(clWhite);
  big.Height = -24;
  for (int angle : {30, 45, 60, 135, 300}) {
    left.SetLabelsAngle(angle);
    big.Color = clWhite;  // the labels show, the title does not
    left.SetLabelsFont(big);
    left.Title.SetFont(Mincho(clBlack));
    const QImage labels = Render();
    ASSERT_GT(left.TickCount, 2) << angle;
    big.Color = clBlack;  // the title shows, in the same layout
    left.SetLabelsFont(big);
    left.Title.SetFont(Mincho(clWhite));
    const QImage title = Render();
    ASSERT_NO_FATAL_FAILURE(
        ExpectTitleBeforeLabels(labels, title, left.TitlePosition, std::to_string(angle) + ": "));
  }
}

// ---- Series marks ----

namespace {
struct TEmptyMarks {
  void Text(TChartSeries*, int, QString& text) { text.clear(); }
};
}  // namespace

// Visible marks put each point's value above it, in the marks' font, clipped to the plot as
// the points are.
TEST_F(OscilloscopeChart, VisibleMarksShowEachValueAboveItsPoint) {
  series->LinePen.SetVisible(false);  // only the marks show
  const double xs[] = {50, 100, 150, 190}, ys[] = {0, 2.5, -3, 4.9};
  for (int i = 0; i < 4; ++i) series->AppendPoint(xs[i], ys[i], "", DefaultPointColor);
  EXPECT_FALSE(AnyLightIn(Render(), {1, 1, 616, 280}));  // hidden marks draw nothing
  series->Marks.SetFont(Mincho(clWhite));
  series->Marks.SetVisible(true);
  const QImage image = Render();
  const TRect plot = chart->PlotRect;
  chart->Canvas()->Font = Mincho(clWhite);
  const int h = chart->Canvas()->FontHeight();
  const int arrow = series->Marks.ArrowLength();
  for (int i = 0; i < 3; ++i) {
    const int x = chart->BottomAxis->ValueToPosition(xs[i]);
    const int y = chart->LeftAxis->ValueToPosition(ys[i]);
    const int width = chart->Canvas()->TextWidthOf(series->MarkText(i));
    EXPECT_TRUE(AnyLightIn(image, {x - width / 2, y - arrow - h, x + width / 2 + 1, y - arrow}))
        << i;
    EXPECT_FALSE(AnyLightIn(image, {x - 20, y - arrow + 1, x + 21, y + 20})) << i;  // not below
  }
  EXPECT_EQ(series->MarkText(1), QStringLiteral("2.5"));
  EXPECT_EQ(series->MarkText(2), QStringLiteral("-3"));
  // The last point's mark lies above the plot: cut off with the points, shown without.
  EXPECT_FALSE(AnyLightIn(image, {1, 1, 616, plot.Top + 1}));
  chart->SetClipPoints(false);
  EXPECT_TRUE(AnyLightIn(Render(), {1, 1, 616, plot.Top + 1}));
  // The handler may change the texts: empty ones show nothing.
  TEmptyMarks empty;
  series->OnGetMarkText = TSeriesOnGetMarkText::Bind<&TEmptyMarks::Text>(&empty);
  chart->InvalidateChart();
  EXPECT_FALSE(AnyLightIn(Render(), {1, 1, 616, 280}));
}

// ---- Axes beyond the four ----

namespace {
// The oscilloscope's chart with its series on one of two vertical axes of its own, which
// lie left of the plot, in a wider margin (they take no room of the plot).
class CustomAxes : public OscilloscopeChart {
 protected:
  void SetUp() override {
    OscilloscopeChart::SetUp();
    for (auto& axis : extra) {
      axis = std::make_unique<TChartAxis>(chart.get(), false, false, 90);
      axis->SetLabelsFont(Mincho(clBlack));
      axis->Title.SetFont(Mincho(clBlack));
    }
    extra[0]->ApplyRange(0, 10);
    extra[1]->ApplyRange(-10, 10);
    chart->SetMarginLeft(20);
    series->SetVertAxis(aCustomVertAxis);
    series->SetCustomVertAxis(extra[0].get());
  }
  void TearDown() override { chart.reset(); }  // before the axes it holds
  std::unique_ptr<TChartAxis> extra[2];
};
}  // namespace

TEST_F(CustomAxes, TheTitleLiesBeyondTheMeasuredLabels) {
  TChartAxis& axis = *extra[0];
  ASSERT_EQ(axis.LabelsSize(), 0);
  axis.Title.SetCaption(QStringLiteral("Volt"));
  axis.SetLabelsFont(Mincho(clWhite));
  const QImage labels = Render();
  ASSERT_TRUE(chart->AxisShown(&axis));
  axis.SetLabelsFont(Mincho(clBlack));
  axis.Title.SetFont(Mincho(clWhite));
  const QImage title = Render();
  ExpectTitleBeforeLabels(labels, title, axis.TitlePosition, "");
}

TEST_F(CustomAxes, AnotherCustomAxisIsShownAtTheNextPaint) {
  for (int i = 0; i < 200; ++i) series->AppendPoint(i, 5, "", DefaultPointColor);
  chart->show();
  WaitMs(50);
  const int x = chart->BottomAxis->ValueToPosition(100);
  const int before = extra[0]->ValueToPosition(5);
  EXPECT_EQ(At(chart->grab().toImage(), x, before), clYellow);
  series->SetCustomVertAxis(extra[1].get());
  EXPECT_TRUE(chart->Canvas()->ImageOutOfDate());
  WaitMs(50);
  const QImage shown = chart->grab().toImage();
  const int after = extra[1]->ValueToPosition(5);
  ASSERT_NE(after, before);
  EXPECT_EQ(At(shown, x, after), clYellow);
  EXPECT_NE(At(shown, x, before), clYellow);
  series->SetCustomVertAxis(extra[1].get());  // the axis it has
  EXPECT_FALSE(chart->Canvas()->ImageOutOfDate());
}

// ---- The whole picture ----

TEST_F(OscilloscopeChart, AFullRenderPutsLabelsTicksGridWallAndBevelWhereTheLayoutSays) {
  chart->SetColor(clSilver);  // the black labels, axis lines and wall show on silver
  const QImage image = Render();
  const TRect plot = chart->PlotRect;
  const TChartAxis& bottom = *chart->BottomAxis;
  const TChartAxis& left = *chart->LeftAxis;
  // The raised bevel: light top and left edges, shadow on the right and bottom.
  EXPECT_EQ(At(image, 300, 0), clBtnHighlight);
  EXPECT_EQ(At(image, 0, 140), clBtnHighlight);
  EXPECT_EQ(At(image, 616, 140), clBtnShadow);
  EXPECT_EQ(At(image, 300, 280), clBtnShadow);
  EXPECT_EQ(At(image, 300, 2), clSilver);
  // The back wall: a black frame on the plot's edges, clear inside. Between two grid lines
  // nothing else is drawn on the top and right edges.
  const int betweenX = bottom.ValueToPosition(105), betweenY = left.ValueToPosition(0.5);
  EXPECT_EQ(At(image, betweenX, plot.Top), clBlack);
  EXPECT_EQ(At(image, plot.Right, betweenY), clBlack);
  EXPECT_EQ(At(image, betweenX, betweenY), clSilver);
  // The grid: a dotted grey line at every label, on both axes.
  for (int v = 10; v < 200; v += 10) {
    const int x = bottom.ValueToPosition(v);
    EXPECT_TRUE(AnyIn(image, {x, plot.Top + 1, x + 1, plot.Bottom}, 0x808080)) << v;
    EXPECT_TRUE(AnyIn(image, {x, plot.Top + 1, x + 1, plot.Bottom}, clSilver)) << v;  // dotted
  }
  for (int v = -4; v <= 4; ++v) {
    const int y = left.ValueToPosition(v);
    EXPECT_TRUE(AnyIn(image, {plot.Left + 1, y, plot.Right, y + 1}, 0x808080)) << v;
  }
  // Ticks: 4 grey pixels outward from the axis line, which is black and 2 pixels wide.
  const int tickX = bottom.ValueToPosition(100);
  for (int y = plot.Bottom + 1; y <= plot.Bottom + 4; ++y)
    EXPECT_EQ(At(image, tickX, y), 0x808080u);
  EXPECT_EQ(At(image, tickX, plot.Bottom + 5), clSilver);
  EXPECT_EQ(At(image, betweenX, plot.Bottom), clBlack);
  const int tickY = left.ValueToPosition(2);
  for (int x = plot.Left - 4; x <= plot.Left - 1; ++x) EXPECT_EQ(At(image, x, tickY), 0x808080u);
  EXPECT_EQ(At(image, plot.Left - 5, tickY), clSilver);
  // Labels: black glyphs in the labels band at every labelled tick, nothing between.
  chart->Canvas()->Font = Mincho(clBlack);
  const int h = chart->Canvas()->FontHeight();
  for (int v = -5; v <= 5; ++v) {
    const int y = left.ValueToPosition(v);
    EXPECT_TRUE(AnyDarkIn(image, {19, y - h / 2, left.LabelsPosition, y + h / 2 + 1})) << v;
  }
  for (int v = 0; v <= 200; v += 10) {
    const int x = bottom.ValueToPosition(v);
    EXPECT_TRUE(AnyDarkIn(image, {x - 2, bottom.LabelsPosition, x + 3, bottom.LabelsPosition + h}))
        << v;
  }
  const int gapY = (left.ValueToPosition(1) + left.ValueToPosition(2)) / 2;
  EXPECT_FALSE(AnyDarkIn(image, {19, gapY, left.LabelsPosition, gapY + 1}));
}

TEST_F(OscilloscopeChart, AChartSqueezedToNothingStillPaints) {
  for (int i = 0; i < 200; ++i) series->AppendPoint(i, i % 3, "", DefaultPointColor);
  for (const QSize size : {QSize(0, 0), QSize(1, 0), QSize(0, 5), QSize(1, 1)}) {
    chart->resize(size);
    QImage window(2, 2, QImage::Format_RGB32);
    QPainter painter(&window);
    chart->RenderChart(painter, {0, 0, size.width(), size.height()});
    painter.end();
    // The plot is repaired to a pixel each way, or to the control's size where that is
    // nothing; an axis of no length maps everything to its centre.
    EXPECT_GE(chart->PlotWidth(), std::min(1, size.width())) << size.width();
    EXPECT_GE(chart->PlotHeight(), std::min(1, size.height())) << size.height();
    if (chart->BottomAxis->AxisLength < 1) {
      EXPECT_EQ(chart->BottomAxis->ValueToPosition(100), chart->BottomAxis->CenterPixel);
    }
    EXPECT_LE(chart->LeftAxis->TickCount, TCustomChartAxis::kMaxTickPositions);
  }
}
