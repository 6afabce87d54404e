// The chart's kept image of its still parts (panel, titles, walls, axes): a chart that
// starts its renders from it must show exactly what one drawing everything shows, through
// random charts and random changes of every kind, and it must be used when only the series'
// data changed. A chart drawn straight onto the window must show the same as well.
#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <array>
#include <memory>
#include <random>

#include "PaintRecorder.h"
#include "chart/Chart.h"
#include "chart/FastLineSeries.h"
#include "framework/MessageWait.h"

namespace {

QImage RenderOf(TChart& chart) {
  QImage window(chart.width(), chart.height(), QImage::Format_RGB32);
  window.fill(Qt::darkCyan);
  QPainter painter(&window);
  chart.RenderChart(painter, {0, 0, chart.width(), chart.height()});
  return window;
}

// The chart rendered onto a window image, at the place given.
QImage RenderAt(TChart& chart, QPoint place) {
  QImage window(480, 340, QImage::Format_RGB32);
  window.fill(Qt::darkCyan);
  QPainter painter(&window);
  painter.translate(place);
  chart.RenderChart(painter, {0, 0, chart.width(), chart.height()});
  return window;
}

// The chart's own paint onto a window image, of all but two of its pixels: a paint of a
// region of many rectangles, where the lines that reach the holes are drawn through the
// painter.
QImage PaintAt(TChart& chart, QPoint place) {
  QImage window(480, 340, QImage::Format_RGB32);
  window.fill(Qt::darkCyan);
  const QRegion holes = QRegion(0, 0, 1, 1) + QRegion(chart.width() / 2, chart.height() / 2, 1, 1);
  chart.render(&window, place, QRegion(chart.rect()) - holes);
  return window;
}

// Handlers that draw among the chart's parts or rewrite its labels.
struct TDrawingHandlers {
  TChart* chart = nullptr;
  int calls = 0;
  void BeforeAxes(TObject*) {
    ++calls;
    chart->Canvas()->Brush = {0x00FF00, bsSolid};
    chart->Canvas()->FillRectangle({calls % 40, 10, calls % 40 + 20, 30});
  }
  void AfterDraw(TObject*) {
    chart->Canvas()->Pen.Color = 0xFF00FF;
    chart->Canvas()->DrawLine(0, 0, chart->PlotRect.Right, chart->PlotRect.Bottom);
  }
  void Label(TCustomChartAxis*, TChartSeries*, int, QString& text) {
    text += QString::number(calls % 3);
  }
};

// A chart with one fast line, and the handlers it may get.
struct TSubject {
  explicit TSubject(bool keep) : chart(std::make_unique<TChart>()) {
    chart->SetKeepsStillParts(keep);
    chart->resize(320, 200);
    series = new TFastLineSeries(chart.get());
    series->SetParentChart(chart.get());
    handlers.chart = chart.get();
  }
  std::unique_ptr<TChart> chart;
  TFastLineSeries* series;
  TDrawingHandlers handlers;
};

// One random change, the same for both charts: the numbers are drawn once and applied to
// each.
struct TChange {
  int kind;
  std::array<double, 6> u;  // uniform in [0, 1)
  int Int(int i, int low, int high) const {
    return low + static_cast<int>(u[i] * (high - low + 1));
  }
  bool Flag(int i) const { return u[i] < 0.5; }
};

constexpr int kDataKinds = 10;  // the first kinds change only series data
constexpr int kKinds = 48;

TChartFont SomeFont(const TChange& c, int i) {
  TChartFont font;
  font.Name = c.Flag(i) ? QStringLiteral("ＭＳ Ｐ明朝") : QStringLiteral("Arial");
  font.Height = -c.Int(i + 1, 8, 16);
  font.Color = c.Flag(i + 2) ? 0xFFFFFF : 0x0000FF;
  return font;
}

TCustomChartAxis* AxisOf(TChart& chart, const TChange& c) {
  TCustomChartAxis* axes[] = {chart.BottomAxis, chart.LeftAxis, chart.TopAxis, chart.RightAxis};
  return axes[c.Int(5, 0, 3)];
}

void Apply(const TChange& c, TSubject& s) {
  TChart& chart = *s.chart;
  TFastLineSeries& series = *s.series;
  TCustomChartAxis& axis = *AxisOf(chart, c);
  const double scale = c.Flag(1) ? 1 : 1000;
  switch (c.kind) {
    case 0:
    case 1:
    case 2:
    case 3: {  // a refill, as the oscilloscope's tick does
      series.RemoveAllPoints();
      const int n = c.Int(0, 0, 60);
      for (int i = 0; i < n; ++i)
        series.AppendPoint(i * 3.3, scale * std::sin(i * (1 + c.u[2]) + c.u[3] * 7), "",
                           DefaultPointColor);
      break;
    }
    case 4:
    case 5:
      series.AppendPoint(c.u[2] * 200, scale * (c.u[3] - 0.5), "", DefaultPointColor);
      break;
    case 6:
      if (series.PointCount() > 0) series.DeletePoint(c.Int(2, 0, series.PointCount() - 1));
      break;
    case 7:
      series.YValues->SetMultiplier(c.Flag(2) ? 1 : 2.5);
      break;
    case 8:
      series.LinePen.SetColor(c.Flag(2) ? 0x00FFFF : 0xFF8000);
      break;
    case 9:
      series.LinePen.SetWidth(c.Int(2, 1, 3));
      break;
    case 10:
      chart.resize(c.Int(0, 40, 420), c.Int(2, 30, 300));
      break;
    case 11:
      chart.SetColor(c.Flag(0) ? clBlack : clBtnFace);
      break;
    case 12:
      chart.SetBevelOuter(static_cast<TBevelCut>(c.Int(0, 0, 2)));
      chart.SetBevelInner(static_cast<TBevelCut>(c.Int(2, 0, 2)));
      chart.SetBevelWidth(c.Int(3, 1, 4));
      break;
    case 13:
      chart.SetBorderWidth(c.Int(0, 0, 5));
      break;
    case 14:
      chart.SetMarginLeft(c.Int(0, 0, 10));
      chart.SetMarginBottom(c.Int(2, 0, 10));
      break;
    case 15:
      chart.Title.SetText(c.Flag(0) ? QStringList{QStringLiteral("波形")}
                                    : QStringList{QStringLiteral("One"), QStringLiteral("Two")});
      break;
    case 16:
      chart.Title.SetVisible(c.Flag(0));
      chart.Title.SetAlignment(static_cast<TAlignment>(c.Int(2, 0, 2)));
      break;
    case 17:
      chart.Title.SetFont(SomeFont(c, 0));
      break;
    case 18:
      chart.Title.SetBrush(
          {c.Flag(0) ? 0x00FF00 : DefaultPointColor, static_cast<TBrushStyle>(c.Int(2, 0, 7))});
      chart.Title.SetColor(c.Flag(3) ? DefaultPointColor : 0x808000);
      break;
    case 19:
      chart.Foot.SetText(c.Flag(0) ? QStringList{} : QStringList{QStringLiteral("foot")});
      chart.Foot.SetFont(SomeFont(c, 1));
      break;
    case 20:
      chart.BackWall.SetColor(c.Flag(0) ? DefaultPointColor : 0x404040);
      break;
    case 21:  // hatched walls, with the colour swap when lines and ground agree
      chart.BackWall.SetBrush(
          {c.Flag(0) ? clBlack : 0x404040, static_cast<TBrushStyle>(c.Int(2, 0, 7))});
      break;
    case 22:
      chart.BackWall.Pen.SetColor(c.Flag(0) ? 0x0000FF : clBlack);
      chart.BackWall.Pen.SetVisible(c.Flag(2));
      break;
    case 23:
      chart.Legend.SetVisible(c.Flag(0));
      break;
    case 24:
      chart.SetAxisVisible(c.u[0] < 0.8);
      break;
    case 25:
      chart.SetClipPoints(c.Flag(0));
      break;
    case 26:
      axis.SetAutomatic(c.Flag(0));
      break;
    case 27:
      axis.ApplyRange(scale * (c.u[0] - 1), scale * c.u[2] * 4);
      break;
    case 28:
      axis.SetInverted(c.Flag(0));
      break;
    case 29:
      axis.SetLabels(c.u[0] < 0.8);
      break;
    case 30:
      axis.SetLabelsAngle(c.Int(0, 0, 3) * 90);
      break;
    case 31:
      axis.SetLabelsFont(SomeFont(c, 0));
      break;
    case 32:
      axis.Title.SetCaption(c.Flag(0) ? QString() : QStringLiteral("電圧"));
      axis.Title.SetAngle(c.Int(2, 0, 3) * 90);
      break;
    case 33:
      axis.Title.SetFont(SomeFont(c, 0));
      break;
    case 34:
      axis.Grid.SetVisible(c.Flag(0));
      axis.Grid.SetColor(c.Flag(2) ? DefaultPointColor : 0x00FF00);
      break;
    case 35:
      axis.Ticks.SetColor(c.Flag(0) ? 0xFFFFFF : 0x0000FF);
      axis.MinorTicks.SetVisible(c.Flag(2));
      axis.SetMinorTickCount(c.Int(3, 0, 4));
      break;
    case 36:
      axis.SetVisible(c.u[0] < 0.8);
      break;
    case 37:
      axis.SetIncrement(c.Flag(0) ? 0 : c.u[2] * 3);
      break;
    case 38:
      axis.SetStartPosition(c.Int(0, 0, 20));
      axis.SetEndPosition(c.Int(2, 80, 100));
      break;
    case 39:
      axis.Axis.SetWidth(c.Int(0, 1, 3));
      break;
    case 40:
      series.SetActive(c.u[0] < 0.8);
      break;
    case 41:
      series.SetVertAxis(c.Flag(0) ? aLeftAxis : aRightAxis);
      series.SetHorizAxis(c.Flag(2) ? aBottomAxis : aTopAxis);
      break;
    case 42:
      series.Marks.SetVisible(c.Flag(0));
      series.XValues->SetDateTime(c.u[2] < 0.2);
      break;
    case 43:
      chart.SetMonochrome(c.u[0] < 0.3);
      break;
    case 44:
      chart.Canvas()->SetIsBuffered(c.u[0] > 0.2);
      break;
    case 45:  // handlers that draw among the parts or write the labels, or none
      chart.OnBeforeDrawAxes = c.u[0] < 0.2
                                   ? TNotifyEvent::Bind<&TDrawingHandlers::BeforeAxes>(&s.handlers)
                                   : TNotifyEvent{};
      chart.OnAfterDraw = c.u[2] < 0.3
                              ? TNotifyEvent::Bind<&TDrawingHandlers::AfterDraw>(&s.handlers)
                              : TNotifyEvent{};
      chart.OnGetAxisLabel = c.u[3] < 0.2
                                 ? TAxisOnGetLabel::Bind<&TDrawingHandlers::Label>(&s.handlers)
                                 : TAxisOnGetLabel{};
      break;
    case 46:  // a labelled point: the bottom axis shows the points' labels
      series.AppendPoint(c.u[2] * 200, c.u[3], QStringLiteral("P%1").arg(c.Int(4, 0, 9)),
                         DefaultPointColor);
      break;
    case 47:
      series.SetAutoRepaint(c.Flag(0));
      break;
  }
}

TEST(StillParts, RandomChartsAndChangesLookTheSameWithAndWithout) {
  std::mt19937 random(20261208);
  std::uniform_real_distribution<double> unit(0, 1);
  int fromStillParts = 0, renders = 0;
  for (int round = 0; round < 40; ++round) {
    TSubject full(false), kept(true);
    if (round % 2 == 0)  // fixed ranges, as the oscilloscope's, on half the charts
      for (TSubject* s : {&full, &kept}) {
        s->chart->BottomAxis->ApplyRange(0, 200);
        s->chart->LeftAxis->ApplyRange(-5, 5);
      }
    for (int step = 0; step < 80; ++step) {
      TChange change{};
      // Mostly data, as while measuring; every kind of change now and then.
      change.kind = unit(random) < 0.6 ? static_cast<int>(unit(random) * kDataKinds)
                                       : static_cast<int>(unit(random) * kKinds);
      for (double& u : change.u) u = unit(random);
      for (TSubject* s : {&full, &kept}) {
        try {
          Apply(change, *s);
        } catch (const Exception&) {
          // A refused setting leaves both charts as they were.
        }
      }
      const std::string where = "round " + std::to_string(round) + ", step " +
                                std::to_string(step) + ", change " + std::to_string(change.kind);
      if (change.kind == 4 || change.kind == 5) {
        // Without AutoRepaint the new point went straight onto the shown image.
        const QImage* a = full.chart->Canvas()->Image();
        const QImage* b = kept.chart->Canvas()->Image();
        ASSERT_EQ(a != nullptr, b != nullptr) << where;
        if (a && b) {
          ASSERT_TRUE(*a == *b) << where << ": the image drawn on without a repaint";
        }
      }
      // Now and then the screen's scale changes, as a paint on another screen would have it.
      if (step % 17 == 16) {
        const double ratio = unit(random) < 0.5 ? 1.0 : 2.0;
        full.chart->Canvas()->SetDevicePixelRatio(ratio);
        kept.chart->Canvas()->SetDevicePixelRatio(ratio);
      }
      const QImage a = RenderOf(*full.chart), b = RenderOf(*kept.chart);
      ASSERT_EQ(a.size(), b.size()) << where;
      ASSERT_TRUE(a == b) << where;
      ++renders;
    }
    EXPECT_EQ(full.chart->RendersFromStillParts(), 0);
    fromStillParts += kept.chart->RendersFromStillParts();
  }
  // The comparison is worth something only if the kept image was really drawn on often.
  EXPECT_GT(fromStillParts, renders / 8);
}

// A chart drawn straight onto the window (its first paint, or all of them without buffering)
// must show what one drawn through its image shows, wherever it sits in the window. Only
// monochrome charts and scaled screens, whose first paints go through the image, are left
// out.
TEST(StillParts, RandomChartsLookTheSameStraightOntoTheWindowAndThroughTheImage) {
  std::mt19937 random(20261209);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int round = 0; round < 30; ++round) {
    QWidget windows[2];
    TSubject through(true), straight(false);
    through.chart->Canvas()->SetFirstRenderStraight(false);
    straight.chart->Canvas()->SetIsBuffered(false);
    TSubject* subjects[] = {&through, &straight};
    for (int i = 0; i < 2; ++i) {
      windows[i].resize(480, 340);
      windows[i].setAutoFillBackground(true);
      QPalette palette = windows[i].palette();
      palette.setColor(QPalette::Window, Qt::darkCyan);
      windows[i].setPalette(palette);
      subjects[i]->chart->setParent(&windows[i]);
      subjects[i]->chart->move(3 + round * 5 % 17, 2 + round * 3 % 11);  // odd offsets too
      if (round % 2 == 0) {
        subjects[i]->chart->BottomAxis->ApplyRange(0, 200);
        subjects[i]->chart->LeftAxis->ApplyRange(-5, 5);
      }
    }
    for (int step = 0; step < 60; ++step) {
      TChange change{};
      do {
        change.kind = unit(random) < 0.5 ? static_cast<int>(unit(random) * kDataKinds)
                                         : static_cast<int>(unit(random) * kKinds);
      } while (change.kind == 43 || change.kind == 44);  // monochrome, buffering
      for (double& u : change.u) u = unit(random);
      for (TSubject* s : subjects) {
        try {
          Apply(change, *s);
        } catch (const Exception&) {
        }
      }
      const std::string where = "round " + std::to_string(round) + ", step " +
                                std::to_string(step) + ", change " + std::to_string(change.kind);
      // Rendered each time, as the straight one is: the handlers count their calls. On a
      // window in memory (a grab's, or an image) lines are written into its pixels; in a
      // region of many parts they are drawn through the painter.
      through.chart->Canvas()->InvalidateImage();
      ASSERT_TRUE(windows[0].grab().toImage() == windows[1].grab().toImage()) << where;
      through.chart->Canvas()->InvalidateImage();
      const QPoint at = subjects[0]->chart->pos();
      const QImage expected = RenderAt(*through.chart, at);
      ASSERT_TRUE(RenderAt(*straight.chart, at) == expected) << where;
      through.chart->Canvas()->InvalidateImage();
      ASSERT_TRUE(PaintAt(*straight.chart, at) == PaintAt(*through.chart, at)) << where;
    }
  }
}

namespace {
// A chart that fills its panel in a colour of its own and draws a square of its own over
// everything inside the canvas a render prepared.
class TOwnStepsChart : public TChart {
 public:
  using TChart::TChart;
  int contents = 0;

 protected:
  void RenderContents(const TRect& bounds) override {
    ++contents;
    TChart::RenderContents(bounds);
    Canvas()->Brush = {0x00FF00, bsSolid};
    Canvas()->FillRectangle({bounds.Left + 2, bounds.Top + 2, bounds.Left + 8, bounds.Top + 8});
  }
  void FillPanelBackground(const TRect& bounds) override {
    Canvas()->Brush = {0x0000FF, bsSolid};
    Canvas()->EraseRectangle(bounds);
  }
};
}  // namespace

// The steps of a render are the chart's to refine: RenderContents draws all inside the
// prepared canvas, also when it starts from the kept image of the still parts.
TEST(StillParts, ARenderDrawsItsContentsThroughTheStepsAChartRefines) {
  TOwnStepsChart chart;
  chart.resize(320, 200);
  auto* series = new TFastLineSeries(&chart);
  series->SetParentChart(&chart);
  series->LinePen.SetColor(0xFFFF00);
  chart.LeftAxis->ApplyRange(-10, 10);
  chart.BottomAxis->ApplyRange(0, 50);
  for (int round = 0; round < 4; ++round) {
    series->RemoveAllPoints();
    for (int i = 0; i < 50; ++i) series->AppendPoint(i, (i + round) % 7, "", DefaultPointColor);
    const int fromStillParts = chart.RendersFromStillParts();
    const QImage image = RenderOf(chart);
    EXPECT_EQ(chart.contents, round + 1);
    EXPECT_EQ(image.pixel(4, 4), qRgb(0, 0xFF, 0)) << round;                  // its square
    EXPECT_EQ(image.pixel(chart.width() / 2, 3), qRgb(0xFF, 0, 0)) << round;  // its panel
    const int x = chart.BottomAxis->ValueToPosition(20);
    const int y = chart.LeftAxis->ValueToPosition((20 + round) % 7);
    EXPECT_EQ(image.pixel(x, y), qRgb(0, 0xFF, 0xFF)) << round;  // the series over the rest
    // From the third render on, the still parts come from the kept image.
    EXPECT_EQ(chart.RendersFromStillParts(), fromStillParts + (round >= 2 ? 1 : 0)) << round;
  }
}

class StillPartsUse : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 50; ++i) subject.series->AppendPoint(i, i % 7, "", DefaultPointColor);
    subject.chart->LeftAxis->ApplyRange(-10, 10);
    RenderOf(chart);
    RenderOf(chart);  // the layout is as before: the still parts are kept from here on
  }
  // Whether the next render drew only the series over the kept image.
  bool NextRenderFromStillParts() {
    const int before = chart.RendersFromStillParts();
    RenderOf(chart);
    return chart.RendersFromStillParts() == before + 1;
  }
  TSubject subject{true};
  TChart& chart = *subject.chart;
  TFastLineSeries& series = *subject.series;
};

TEST_F(StillPartsUse, OnlyDataChangedDrawsOnlyTheSeries) {
  series.YValues->SetMultiplier(0.5);
  EXPECT_TRUE(NextRenderFromStillParts());
  series.RemoveAllPoints();
  for (int i = 0; i < 50; ++i) series.AppendPoint(i, -(i % 5), "", DefaultPointColor);
  EXPECT_TRUE(NextRenderFromStillParts());
}

TEST_F(StillPartsUse, ChangesUnderTheSeriesDrawEverything) {
  // Each of these changes the still parts; the render after it draws them all again.
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"panel colour", [&] { chart.SetColor(clBlack); }},
      {"title", [&] { chart.Title.SetText({QStringLiteral("new")}); }},
      {"wall brush",
       [&] {
         chart.BackWall.SetBrush({0x00FF00, bsCross});
       }},
      {"axis pen", [&] { chart.LeftAxis->Axis.SetColor(0x00FF00); }},
      {"labels font", [&] { chart.BottomAxis->SetLabelsFont(TChartFont{.Height = -20}); }},
      {"resize", [&] { chart.resize(300, 180); }},
      {"monochrome", [&] { chart.SetMonochrome(true); }},
      // The automatic bottom axis follows the data: a wider range moves its labels.
      {"range through data", [&] { series.AppendPoint(500, 0, "", DefaultPointColor); }},
      {"a labelled point", [&] { series.AppendPoint(1.5, 0, "x", DefaultPointColor); }},
  };
  for (const auto& [what, change] : changes) {
    change();
    EXPECT_FALSE(NextRenderFromStillParts()) << what;
  }
}

// Axes moved across the plot by PositionPercent, without a title or without labels: their
// bands lie where they lay at the last paint, so the kept image is used, and it shows what
// drawing everything shows.
TEST_F(StillPartsUse, AxesMovedAcrossThePlotKeepTheirPlaceAndTheStillParts) {
  TSubject full(false);  // as the fixture's, drawing everything every time
  for (int i = 0; i < 50; ++i) full.series->AppendPoint(i, i % 7, "", DefaultPointColor);
  full.chart->LeftAxis->ApplyRange(-10, 10);
  for (TSubject* s : {&subject, &full}) {
    s->chart->LeftAxis->SetPositionPercent(30);
    s->chart->BottomAxis->SetPositionPercent(20);
    s->chart->BottomAxis->SetLabels(false);
    s->chart->LeftAxis->Grid.SetVisible(false);
    s->chart->LeftAxis->Axis.SetColor(0x0000FF);
    s->chart->BottomAxis->Axis.SetColor(0x0000FF);
    RenderOf(*s->chart);
    RenderOf(*s->chart);
  }
  const TCustomChartAxis& left = *chart.LeftAxis;
  const TCustomChartAxis& bottom = *chart.BottomAxis;
  const int places[] = {left.TitlePosition, left.LabelsPosition, bottom.TitlePosition,
                        bottom.LabelsPosition};
  for (int i = 0; i < 3; ++i) {
    const double multiplier = 0.5 + 0.25 * i;
    series.YValues->SetMultiplier(multiplier);
    full.series->YValues->SetMultiplier(multiplier);
    EXPECT_TRUE(NextRenderFromStillParts()) << i;
    EXPECT_TRUE(RenderOf(chart) == RenderOf(*full.chart)) << i;
    const int now[] = {left.TitlePosition, left.LabelsPosition, bottom.TitlePosition,
                       bottom.LabelsPosition};
    EXPECT_TRUE(std::equal(std::begin(now), std::end(now), std::begin(places))) << i;
  }
  // The axis lines lie where the percentages put them: 30 % of the plot's width right of
  // its left edge, 20 % of its height above its bottom edge (below the trace, which keeps
  // to values from 0 up).
  const QImage image = RenderOf(chart);
  const TRect plot = chart.PlotRect;
  const int leftLine = plot.Left + RoundHalfEven(30 * 0.01 * plot.Width());
  const int bottomLine = plot.Bottom - RoundHalfEven(20 * 0.01 * plot.Height());
  EXPECT_EQ(image.pixel(leftLine, left.ValueToPosition(-5)), qRgb(0xFF, 0, 0));
  EXPECT_EQ(image.pixel((plot.Left + plot.Right) / 2, bottomLine), qRgb(0xFF, 0, 0));
}

TEST_F(StillPartsUse, NotKeptWhereDrawingMayDifferEachTime) {
  chart.OnBeforeDrawAxes = TNotifyEvent::Bind<&TDrawingHandlers::BeforeAxes>(&subject.handlers);
  series.YValues->SetMultiplier(0.5);
  EXPECT_FALSE(NextRenderFromStillParts());
  EXPECT_FALSE(NextRenderFromStillParts());
  chart.OnBeforeDrawAxes = {};
  chart.Canvas()->SetIsBuffered(false);
  series.YValues->SetMultiplier(0.25);
  RenderOf(chart);
  EXPECT_FALSE(NextRenderFromStillParts());
  chart.SetKeepsStillParts(false);
  chart.Canvas()->SetIsBuffered(true);
  RenderOf(chart);
  RenderOf(chart);
  EXPECT_FALSE(NextRenderFromStillParts());
}

// On the screen, a change of the series alone shows the plot again, not the whole chart;
// when the series move an automatic axis after all, the whole chart is shown.
TEST_F(StillPartsUse, OnTheScreenOnlyThePlotIsShownAgain) {
  chart.show();
  WaitMs(50);
  series.YValues->SetMultiplier(0.5);
  WaitMs(50);
  series.YValues->SetMultiplier(0.25);  // the image is kept from here on
  WaitMs(50);
  TPaintRecorder regions;
  chart.installEventFilter(&regions);
  const QRect plot(chart.PlotRect.Left, chart.PlotRect.Top, chart.PlotRect.Width(),
                   chart.PlotRect.Height());
  series.YValues->SetMultiplier(0.75);
  WaitMs(50);
  ASSERT_EQ(regions.rects.size(), 1u);
  EXPECT_EQ(regions.rects[0], plot);
  regions.rects.clear();
  series.AppendPoint(90, 0, "", DefaultPointColor);  // the bottom axis grows to 90
  WaitMs(50);
  ASSERT_FALSE(regions.rects.empty());
  EXPECT_EQ(regions.rects.back(), chart.rect());
  // What the window shows is what a chart drawing everything shows.
  TSubject full(false);
  full.chart->resize(chart.size());
  for (int i = 0; i < 50; ++i) full.series->AppendPoint(i, i % 7, "", DefaultPointColor);
  full.series->AppendPoint(90, 0, "", DefaultPointColor);
  full.series->YValues->SetMultiplier(0.75);
  full.chart->LeftAxis->ApplyRange(-10, 10);
  EXPECT_TRUE(chart.grab().toImage().convertToFormat(QImage::Format_RGB32) ==
              RenderOf(*full.chart));
}

}  // namespace
