// The chart with the oscilloscope's settings: its layout in numbers, its pixels, and its
// paint cycle.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <functional>
#include <string>
#include <vector>

#include "OscilloscopeChart.h"
#include "TestChart.h"
#include "framework/MessageWait.h"

namespace {

int FontHeightOf(TChart& chart, const TChartFont& font) {
  chart.Canvas()->Font = font;
  return chart.Canvas()->FontHeight();
}

}  // namespace

TEST_F(OscilloscopeChart, LaysOutThePlotFromMarginsTitleAndAxisBands) {
  Render();
  const int titleHeight = FontHeightOf(*chart, chart->Title.Font());
  const int labelsHeight = FontHeightOf(*chart, Mincho(clBlack));
  chart->Canvas()->Font = Mincho(clBlack);
  const int widest =
      std::max(chart->Canvas()->TextWidthOf("-5"), chart->Canvas()->TextWidthOf("5")) +
      chart->Canvas()->TextWidthOf(" ");
  EXPECT_EQ(chart->PlotRect.Top, 11 + titleHeight + 5);
  EXPECT_EQ(chart->PlotRect.Right, 598);
  EXPECT_EQ(chart->PlotRect.Bottom, 270 - (labelsHeight + 6));
  EXPECT_EQ(chart->PlotRect.Left, 19 + widest + 6);
  EXPECT_EQ(chart->BottomAxis->StartPixel, chart->PlotRect.Left);
  EXPECT_EQ(chart->LeftAxis->EndPixel, chart->PlotRect.Bottom);
  EXPECT_EQ(chart->LeftAxis->LinePosition, chart->PlotRect.Left);
}

TEST_F(OscilloscopeChart, WithoutActiveSeriesNoAxisTakesRoom) {
  series->SetActive(false);
  Render();
  const int titleHeight = FontHeightOf(*chart, chart->Title.Font());
  EXPECT_EQ(chart->PlotRect, (TRect{19, 11 + titleHeight + 5, 598, 270}));
}

TEST_F(OscilloscopeChart, TheTraceIsYellowWhereTheAxesPutIt) {
  for (int i = 0; i < 200; ++i) series->AppendPoint(i, i % 2 ? 2.0 : -2.0, "", DefaultPointColor);
  const QImage image = Render();
  EXPECT_EQ(series->FirstVisibleIndex, 0);
  EXPECT_EQ(series->LastVisibleIndex, 199);
  for (int i = 1; i < 199; ++i) {  // point 0 lies on the clipped left edge
    const int x = chart->BottomAxis->ValueToPosition(i);
    const int y = chart->LeftAxis->ValueToPosition(i % 2 ? 2.0 : -2.0);
    EXPECT_EQ(FromQRgb(image.pixel(x, y)), clYellow) << i;
  }
  // Only yellow, black, and the grey of grid and ticks: the line is not antialiased.
  for (int y = chart->PlotRect.Top + 1; y < chart->PlotRect.Bottom - 1; ++y)
    for (int x = chart->PlotRect.Left + 1; x < chart->PlotRect.Right; ++x) {
      const TColor c = FromQRgb(image.pixel(x, y));
      ASSERT_TRUE(c == clYellow || c == clBlack || c == 0x808080) << x << "," << y << " " << c;
    }
}

TEST_F(OscilloscopeChart, ValuesBeyondTheAxisAreClippedToThePlot) {
  series->AppendPoint(0, 6, "", DefaultPointColor);  // above 5 V
  series->AppendPoint(100, 6, "", DefaultPointColor);
  series->AppendPoint(200, -6, "", DefaultPointColor);
  const QImage image = Render();
  const TRect clip{chart->PlotRect.Left + 1, chart->PlotRect.Top + 1, chart->PlotRect.Right,
                   chart->PlotRect.Bottom - 1};
  int yellow = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      if (FromQRgb(image.pixel(x, y)) != clYellow) continue;
      ++yellow;
      EXPECT_TRUE(x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom)
          << x << "," << y;
    }
  EXPECT_GT(yellow, 0);  // the falling segment crosses the plot
}

TEST_F(OscilloscopeChart, LeftAxisLabelsFromFiveDownToMinusFive) {
  std::vector<QString> texts;
  struct TCollect {
    void Label(TCustomChartAxis* axis, TChartSeries*, int, QString& text) {
      if (axis == wanted) texts->push_back(text);
    }
    TCustomChartAxis* wanted;
    std::vector<QString>* texts;
  } collect{chart->LeftAxis, &texts};
  chart->OnGetAxisLabel = TAxisOnGetLabel::Bind<&TCollect::Label>(&collect);
  Render();
  chart->OnGetAxisLabel = {};
  // Two measurements for the step, then the eleven labels.
  ASSERT_GE(texts.size(), 11u);
  const std::vector<QString> drawn(texts.end() - 11, texts.end());
  EXPECT_EQ(drawn,
            (std::vector<QString>{"5", "4", "3", "2", "1", "0", "-1", "-2", "-3", "-4", "-5"}));
  EXPECT_EQ(chart->LeftAxis->TickCount, 11);
}

TEST_F(OscilloscopeChart, ManyChangesOneRenderAndAnUnchangedChartIsOnlyCopied) {
  chart->show();
  WaitMs(50);
  const int renders = chart->Renders();
  series->RemoveAllPoints();
  for (int i = 0; i < 200; ++i) series->AppendPoint(i, 0, "", DefaultPointColor);
  WaitMs(50);
  EXPECT_EQ(chart->Renders(), renders + 1);
  chart->update();  // uncovered, nothing changed
  WaitMs(50);
  EXPECT_EQ(chart->Renders(), renders + 1);
  chart->resize(300, 200);
  WaitMs(50);
  EXPECT_EQ(chart->Renders(), renders + 2);
  EXPECT_EQ(chart->Canvas()->Image()->size(), QSize(300, 200) * chart->devicePixelRatioF());
  chart->SetColor(clBlack);  // the value it has: no repaint
  WaitMs(50);
  EXPECT_EQ(chart->Renders(), renders + 2);
}

// The message of the ChartException a call raises; a call that raises nothing fails.
template <typename Call>
QString ChartMessageOf(Call call) {
  try {
    call();
  } catch (const ChartException& e) {
    return e.Message();
  }
  ADD_FAILURE() << "no ChartException";
  return {};
}

TEST(ChartChecks, PercentAndPageLimits) {
  TChart chart;
  const QString percent = "３次元効果の割合は 1 から 100 の間でなければなりません";
  EXPECT_EQ(ChartMessageOf([&] { chart.SetChart3DPercent(0); }), percent);
  EXPECT_EQ(ChartMessageOf([&] { chart.SetChart3DPercent(101); }), percent);
  EXPECT_EQ(chart.Chart3DPercent(), 15);  // refused values leave it as it was
  chart.SetChart3DPercent(100);
  EXPECT_EQ(chart.Chart3DPercent(), 100);
  EXPECT_EQ(ChartMessageOf([&] { chart.SetMaxPointsPerPage(-1); }),
            "MaxPointsPerPage は 0 以上でなければなりません");
  EXPECT_EQ(chart.MaxPointsPerPage(), 0);
}

TEST_F(OscilloscopeChart, TitleLinesTakeTheirHeightAndAGap) {
  series->SetActive(false);
  const int h = FontHeightOf(*chart, chart->Title.Font());
  chart->Title.SetText(QStringList{"a", "b"});
  Render();
  EXPECT_EQ(chart->PlotRect.Top, 11 + 2 * h + 5);
  chart->Title.SetText({});  // visible but empty: no room
  Render();
  EXPECT_EQ(chart->PlotRect.Top, 11);
}

TEST(ChartSeriesColours, SkipThePanelsOwnColour) {
  TChart chart;
  chart.SetColor(PaletteColor(0));  // red panel: the first series can't be red
  auto* series = new TChartSeries(&chart);
  series->SetParentChart(&chart);
  EXPECT_EQ(series->SeriesColor(), PaletteColor(1));
}

TEST(ChartDefaults, PanelWallsAndTitlesStartAsPublished) {
  TChart chart;
  EXPECT_EQ(chart.Color(), clBtnFace);
  EXPECT_EQ(chart.BevelOuter(), bvRaised);
  EXPECT_EQ(chart.BevelInner(), bvNone);
  EXPECT_EQ(chart.BevelWidth(), 1);
  EXPECT_EQ(chart.BorderWidth(), 0);
  EXPECT_EQ(chart.MarginLeft(), 3);
  EXPECT_EQ(chart.MarginTop(), 4);
  EXPECT_EQ(chart.MarginRight(), 3);
  EXPECT_EQ(chart.MarginBottom(), 4);
  EXPECT_TRUE(chart.View3D());
  EXPECT_TRUE(chart.View3DWalls());
  EXPECT_EQ(chart.Chart3DPercent(), 15);
  EXPECT_TRUE(chart.AxisVisible());
  EXPECT_TRUE(chart.ClipPoints());
  EXPECT_FALSE(chart.Monochrome());
  EXPECT_EQ(chart.width(), 400);
  EXPECT_EQ(chart.height(), 250);
  EXPECT_EQ(chart.BackWall.Brush().Style, bsClear);
  EXPECT_EQ(chart.BackWall.Color(), DefaultPointColor);
  EXPECT_EQ(chart.LeftWall.Color(), 0x80FFFFu);
  EXPECT_EQ(chart.BottomWall.Color(), 0xFFFFFFu);
  for (const TChartWall* wall : {&chart.BackWall, &chart.LeftWall, &chart.BottomWall}) {
    EXPECT_TRUE(wall->Dark3D());
    EXPECT_EQ(wall->Size(), 0);
    EXPECT_EQ(wall->Pen.Color(), clBlack);
    EXPECT_TRUE(wall->Pen.Visible());
  }
  for (const TChartTitle* title : {&chart.Title, &chart.Foot}) {
    EXPECT_TRUE(title->Visible());
    EXPECT_TRUE(title->AdjustFrame());
    EXPECT_EQ(title->Alignment(), taCenter);
    EXPECT_EQ(title->Color(), DefaultPointColor);
    EXPECT_TRUE(title->Text().isEmpty());
    EXPECT_FALSE(title->Frame.Visible());
  }
  const TView3DOptions& view = chart.View3DOptions;
  EXPECT_EQ(view.Elevation(), 345);
  EXPECT_EQ(view.HorizOffset(), 0);
  EXPECT_TRUE(view.Orthogonal());
  EXPECT_EQ(view.Perspective(), 15);
  EXPECT_EQ(view.Rotation(), 345);
  EXPECT_EQ(view.Tilt(), 0);
  EXPECT_EQ(view.VertOffset(), 0);
  EXPECT_EQ(view.Zoom(), 100);
  EXPECT_TRUE(view.ZoomText());
}

// Margins are percent of the panel's width (left, right) or height (top, bottom), taken
// with halves rounded away from zero.
TEST_F(OscilloscopeChart, MarginsArePercentOfThePanelRoundedHalfAwayFromZero) {
  series->SetActive(false);   // no axis takes room
  chart->SetMarginLeft(1);    // 6.17
  chart->SetMarginTop(50);    // 140.5
  chart->SetMarginRight(10);  // 61.7
  chart->SetMarginBottom(2);  // 5.62
  Render();
  const int titleHeight = FontHeightOf(*chart, chart->Title.Font());
  EXPECT_EQ(chart->PlotRect, (TRect{6, 141 + titleHeight + 5, 617 - 62, 281 - 6}));
  EXPECT_EQ(chart->MarginTop(), 50);
  EXPECT_EQ(chart->MarginRight(), 10);
}

TEST(ChartView3DOptions, ASettingThatChangesRepaintsAndTellsWhoListens) {
  TTestChart chart;
  TView3DOptions& view = chart.View3DOptions;
  std::vector<std::string> heard;
  view.OnScrolled = [&](bool horizontal) { heard.push_back(horizontal ? "across" : "up"); };
  view.OnZoomChanged = [&](int zoom) {
    // Heard before the new zoom is stored.
    heard.push_back("zoom " + std::to_string(zoom) + " from " + std::to_string(view.Zoom()));
  };
  const std::vector<std::function<void()>> changes = {
      [&] { view.SetElevation(300); },    [&] { view.SetHorizOffset(5); },
      [&] { view.SetOrthogonal(false); }, [&] { view.SetPerspective(40); },
      [&] { view.SetRotation(10); },      [&] { view.SetTilt(3); },
      [&] { view.SetVertOffset(-7); },    [&] { view.SetZoom(150); },
      [&] { view.SetZoomText(false); }};
  for (const auto& change : changes) {
    const int before = chart.repaints;
    change();
    EXPECT_EQ(chart.repaints, before + 1);
    change();  // the value it has now
    EXPECT_EQ(chart.repaints, before + 1);
  }
  EXPECT_EQ(heard, (std::vector<std::string>{"across", "up", "zoom 150 from 100"}));
  EXPECT_EQ(view.Elevation(), 300);
  EXPECT_EQ(view.HorizOffset(), 5);
  EXPECT_FALSE(view.Orthogonal());
  EXPECT_EQ(view.Perspective(), 40);
  EXPECT_EQ(view.Rotation(), 10);
  EXPECT_EQ(view.Tilt(), 3);
  EXPECT_EQ(view.VertOffset(), -7);
  EXPECT_EQ(view.Zoom(), 150);
  EXPECT_FALSE(view.ZoomText());
}

// What a render leaves on the canvas for whoever draws on it next.
TEST_F(OscilloscopeChart, ARenderEndsWithTheCanvasInItsPlainState) {
  for (int i = 0; i < 200; ++i) series->AppendPoint(i, 1, "", DefaultPointColor);
  Render();
  const TChartCanvas3D& canvas = *chart->Canvas();
  EXPECT_EQ(canvas.Pen.Color, clBlack);
  EXPECT_EQ(canvas.Pen.Width, 1);
  EXPECT_EQ(canvas.Pen.Style, psSolid);
  EXPECT_EQ(canvas.Brush.Color, clWhite);
  EXPECT_EQ(canvas.Brush.Style, bsSolid);
  EXPECT_EQ(canvas.Font.Color, clBlack);
  EXPECT_EQ(canvas.Font.Height, -13);  // 10 points
  EXPECT_EQ(canvas.BackgroundColor(), clWhite);
  EXPECT_EQ(canvas.BackgroundMode(), TRANSPARENT);
}
