// The chart with the oscilloscope's settings: its layout in numbers, its pixels, and its
// paint cycle.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>

#include "OscilloscopeChart.h"
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
