// The graph as a picture for a report: the trace's pixels where its values put them on
// white, a gap as a break, the direction of time, the points a run gives (its envelopes, its
// seconds, its gaps and figures), the SVG's texts, and the menu's way through the save dialog.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>

#include "AnsweredDialogs.h"
#include "app/Form1Window.h"
#include "app/GraphPicture.h"
#include "app/MeasurementsWindow.h"
#include "app/RunStore.h"
#include "chart/Chart.h"
#include "framework/MessageWait.h"
#include "protocol/BoardProtocol.h"

namespace {

const QDateTime kTaken(QDate(2026, 3, 4), QTime(5, 6, 7));

// One point per sample, sample i at volts(i), with gaps before the samples listed.
template <typename F>
TGraphContent SampleContent(int count, F volts, std::vector<int> gapsBefore = {}) {
  TGraphContent content;
  content.Taken = kTaken;
  content.EndSample = count;
  for (int i = 0; i < count; ++i) {
    TGraphPoint p;
    p.First = i;
    p.End = i + 1;
    p.Low = p.High = volts(i);
    p.GapBefore = std::count(gapsBefore.begin(), gapsBefore.end(), i) > 0;
    content.Points.push_back(p);
  }
  content.Figures.Count = count;
  content.FiguresCaption = QStringLiteral("%1 values shown").arg(count);
  return content;
}

QImage Picture(const TGraphContent& content, const TGraphPictureOptions& options) {
  return QImage::fromData(TGraphPicture::Png(content, options), "PNG");
}

bool IsTrace(QRgb pixel) {
  return qBlue(pixel) > qRed(pixel) + 50 && qBlue(pixel) > qGreen(pixel) + 30;
}

// Whether the trace shows within `radius` pixels of (x, y).
bool TraceNear(const QImage& image, double x, double y, int radius = 2) {
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx) {
      const QPoint at(int(std::lround(x)) + dx, int(std::lround(y)) + dy);
      if (image.valid(at) && IsTrace(image.pixel(at))) return true;
    }
  return false;
}

// The highest trace pixel in each column of the plot (-1 for none).
std::vector<int> TopOfTrace(const QImage& image, const QRectF& plot) {
  std::vector<int> tops;
  for (int x = int(plot.left()) + 2; x < int(plot.right()) - 1; ++x) {
    int top = -1;
    for (int y = int(plot.top()); y <= int(plot.bottom()) && top < 0; ++y)
      if (IsTrace(image.pixel(x, y))) top = y;
    tops.push_back(top);
  }
  return tops;
}

double RampVolts(int i) {
  return -2 + 4.0 * i / 99;
}

}  // namespace

TEST(GraphPicture, TheTraceLiesOnWhiteWhereItsValuesPutItAndTheNewestAtTheChosenSide) {
  const TGraphContent ramp = SampleContent(100, RampVolts);
  const TGraphPictureOptions options;
  const QImage image = Picture(ramp, options);
  ASSERT_EQ(image.size(), QSize(1200, 700));
  const TGraphLayout layout = TGraphPicture::Layout(ramp, options);
  // The scale holds the values, in nice steps.
  EXPECT_LE(layout.VoltsLow, -2);
  EXPECT_GE(layout.VoltsHigh, 2);
  EXPECT_LE(layout.VoltsHigh - layout.VoltsLow, 5);
  for (QPoint corner : {QPoint(0, 0), QPoint(1199, 0), QPoint(0, 699), QPoint(1199, 699)})
    EXPECT_EQ(image.pixel(corner), qRgb(255, 255, 255));
  for (int i : {0, 17, 50, 99}) {
    const double x = layout.XOfSample(i), y = layout.YOfVolts(RampVolts(i));
    EXPECT_TRUE(TraceNear(image, x, y)) << "sample " << i;
    // Nothing of it half a volt away.
    EXPECT_FALSE(TraceNear(image, x, layout.YOfVolts(RampVolts(i) + 0.5))) << "sample " << i;
  }
  // The newest sample (the highest value) at the left, as the live trace has it.
  EXPECT_LT(layout.XOfSample(99), layout.XOfSample(0));
  EXPECT_TRUE(TraceNear(image, layout.Plot.left() + 5, layout.YOfVolts(2), 3));

  // Newest at the right: the same trace mirrored in the plot, column for column.
  TGraphPictureOptions flipped = options;
  flipped.NewestAtRight = true;
  const QImage mirrored = Picture(ramp, flipped);
  EXPECT_TRUE(TraceNear(mirrored, layout.Plot.right() - 5, layout.YOfVolts(2), 3));
  const std::vector<int> tops = TopOfTrace(image, layout.Plot);
  std::vector<int> mirroredTops = TopOfTrace(mirrored, layout.Plot);
  std::reverse(mirroredTops.begin(), mirroredTops.end());
  ASSERT_EQ(tops.size(), mirroredTops.size());
  int differing = 0;
  for (size_t c = 0; c < tops.size(); ++c)
    if (std::abs(tops[c] - mirroredTops[c]) > 1) ++differing;
  EXPECT_LE(differing, 2);

  // The same content gives the same picture.
  EXPECT_EQ(TGraphPicture::Png(ramp, options), TGraphPicture::Png(ramp, options));
}

TEST(GraphPicture, AGapIsABreakInTheLine) {
  // Low for 50 samples, then high: joined, the jump is a line across the middle; with a gap
  // before sample 50, nothing lies between the two.
  const auto step = [](int i) { return i < 50 ? -1.0 : 1.0; };
  const TGraphPictureOptions options;
  const TGraphContent joined = SampleContent(100, step);
  const TGraphContent broken = SampleContent(100, step, {50});
  const TGraphLayout layout = TGraphPicture::Layout(joined, options);
  const double x = (layout.XOfSample(49) + layout.XOfSample(50)) / 2;
  const double y = layout.YOfVolts(0);
  EXPECT_TRUE(TraceNear(Picture(joined, options), x, y, 1));
  const QImage image = Picture(broken, options);
  EXPECT_FALSE(TraceNear(image, x, y, 3));
  // Both sides are still drawn up to the break.
  EXPECT_TRUE(TraceNear(image, layout.XOfSample(49), layout.YOfVolts(-1)));
  EXPECT_TRUE(TraceNear(image, layout.XOfSample(50), layout.YOfVolts(1)));
}

TEST(GraphPicture, ARunGivesItsSamplesOrItsColumnsWithSecondsGapsAndFigures) {
  // 3200 samples in blocks of 32, one block every 100 ms, a gap before block 60.
  TRun run(2, std::chrono::system_clock::time_point{});
  std::vector<uint16_t> all;
  for (int b = 0; b < 100; ++b) {
    std::vector<uint16_t> block;
    for (int k = 0; k < 32; ++k)
      block.push_back(uint16_t(512 + std::lround(300 * std::sin((b * 32 + k) / 200.0))));
    if (b == 60) run.MarkGap();
    run.AppendBlock(block, b * 100);
    all.insert(all.end(), block.begin(), block.end());
  }
  const auto volts = [&](uint64_t p) { return BoardProtocol::VoltsFromRaw(all[p]); };

  // A short stretch: one point per sample, the gap where it was, seconds from the blocks.
  const TGraphContent near = GraphContentOfRun(run, 1900, 2000, 800, kTaken);
  ASSERT_EQ(near.Points.size(), 100u);
  EXPECT_EQ(near.FirstSample, 1900u);
  EXPECT_EQ(near.EndSample, 2000u);
  EXPECT_EQ(near.Title, "Run 2");
  for (const TGraphPoint& p : near.Points) {
    EXPECT_EQ(p.Low, volts(p.First));
    EXPECT_EQ(p.GapBefore, p.First == 60 * 32) << p.First;
  }
  double seconds = 0;
  ASSERT_TRUE(near.SecondsAt(1920, seconds));  // the first sample of block 60
  EXPECT_DOUBLE_EQ(seconds, 6.0);
  ASSERT_TRUE(near.SecondsAt(1936, seconds));  // half way to block 61
  EXPECT_NEAR(seconds, 6.05, 1e-9);
  EXPECT_FALSE(near.SecondsAt(2000, seconds));  // beyond the stretch

  // The whole run: a point per column, each the plain minimum and maximum of its samples.
  const TGraphContent whole = GraphContentOfRun(run, 0, all.size(), 800, kTaken);
  ASSERT_EQ(whole.Points.size(), 800u);
  int gaps = 0;
  for (const TGraphPoint& p : whole.Points) {
    ASSERT_LT(p.First, p.End);
    const auto [low, high] = std::minmax_element(all.begin() + p.First, all.begin() + p.End);
    EXPECT_EQ(p.Low, BoardProtocol::VoltsFromRaw(*low));
    EXPECT_EQ(p.High, BoardProtocol::VoltsFromRaw(*high));
    if (p.GapBefore) {
      ++gaps;
      EXPECT_EQ(p.First, 60u * 32);
    }
  }
  EXPECT_EQ(gaps, 1);

  // The figures of the stretch, as the measurements' arithmetic gives them.
  TTraceFigures plain;
  for (uint64_t p = all.size(); p-- > 0;) plain.Add(volts(p));  // newest first
  const TTraceFigureSet& expected = plain.All();
  const TTraceFigureSet& f = whole.Figures;
  EXPECT_EQ(f.Count, 3200);
  EXPECT_EQ(f.Latest, expected.Latest);
  EXPECT_EQ(f.Minimum, expected.Minimum);
  EXPECT_EQ(f.Maximum, expected.Maximum);
  EXPECT_NEAR(f.Mean, expected.Mean, 1e-12);
  EXPECT_NEAR(f.Rms, expected.Rms, 1e-12);
  EXPECT_NEAR(f.AcRms, expected.AcRms, 1e-12);

  // A stretch reaching past the run is cut to what it has.
  EXPECT_EQ(GraphContentOfRun(run, 3100, 9000, 800, kTaken).EndSample, 3200u);
  EXPECT_TRUE(GraphContentOfRun(run, 4000, 5000, 800, kTaken).Empty());
}

TEST(GraphPicture, TheSvgIsWellFormedAndSaysTheFiguresScalesStretchAndDate) {
  if (!TGraphPicture::SvgAvailable()) GTEST_SKIP() << "built without Qt SVG";
  TGraphContent content = SampleContent(100, RampVolts);
  content.Figures = {100, 2.421875, -2, 2, 0.5, 4, 1.25, 0.75};
  const QByteArray svg = TGraphPicture::Svg(content, TGraphPictureOptions());
  QXmlStreamReader reader(svg);
  QStringList texts;
  bool inText = false;
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement()) inText = reader.name() == QLatin1String("text");
    if (reader.isEndElement()) inText = false;
    if (inText && reader.isCharacters()) texts << reader.text().toString().simplified();
  }
  ASSERT_FALSE(reader.hasError()) << reader.errorString().toStdString();
  const QString all = texts.join(QLatin1Char('|'));
  for (const QString& expected :
       {QStringLiteral("2026-03-04 05:06:07"), QStringLiteral("Samples 0–99 (100 values)"),
        QStringLiteral("100 values shown"), QStringLiteral("Latest"), QStringLiteral("2.422 V"),
        QStringLiteral("AC RMS"), QStringLiteral("0.750 V"), QStringLiteral("Volts (V)"),
        QStringLiteral("Sample")})
    EXPECT_TRUE(all.contains(expected)) << expected.toStdString() << " in " << all.toStdString();
  // The volts along the left (a true minus) and the sample numbers along the bottom.
  EXPECT_TRUE(texts.contains(QStringLiteral("−2.0"))) << all.toStdString();
  EXPECT_TRUE(texts.contains(QStringLiteral("2.0"))) << all.toStdString();
  EXPECT_TRUE(texts.contains(QStringLiteral("40"))) << all.toStdString();
  // No seconds without times.
  EXPECT_FALSE(all.contains(QStringLiteral("Time (s)")));
}

namespace {

// The menu's entry on the window, offscreen, its dialog answered by the test.
class GraphSaving : public ::testing::Test, protected TAnsweredDialogs {
 protected:
  void SetUp() override {
    Install();
    window = std::make_unique<TForm1Window>();
    window->show();
    WaitMs(50);
    ASSERT_TRUE(folder.isValid());
  }
  void TearDown() override {
    window.reset();
    Remove();
  }
  TForm1& Form() { return window->Form(); }
  void FillHistory(int count) {
    for (int i = 0; i < count; ++i) Form().AddToHistory(BoardProtocol::VoltsFromRaw(400 + i));
    Form().RedrawFromHistory();
  }
  void PressCtrlG() {
    QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
    WaitMs(10);
  }
  QByteArray Saved(const QString& name) {
    QFile file(folder.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  std::unique_ptr<TForm1Window> window;
  QTemporaryDir folder;
};

}  // namespace

TEST_F(GraphSaving, CtrlGSavesThePngOrTheSvgTheDialogsFilterChose) {
  PressCtrlG();  // nothing shown yet: nothing asked
  EXPECT_TRUE(requests.empty());
  FillHistory(150);

  answer = folder.filePath(QStringLiteral("as-png"));
  chosenFilter = QStringLiteral("PNG image (*.png)");
  PressCtrlG();
  ASSERT_EQ(requests.size(), 1u);
  const TSaveDialogRequest request = requests[0];
  EXPECT_EQ(request.caption, "Save graph");
  EXPECT_EQ(request.defaultSuffix, "png");
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^simplescope-\\d{8}-\\d{6}\\.png$"))
                  .match(request.proposedName)
                  .hasMatch())
      << request.proposedName.toStdString();
  const QImage png = QImage::fromData(Saved(QStringLiteral("as-png.png")), "PNG");
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.size(), QSize(1200, 700));
  EXPECT_EQ(png.pixel(0, 0), qRgb(255, 255, 255));

  // In the documents folder, where the values go.
  answer.clear();
  QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  WaitMs(10);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(request.folder, requests[1].folder);
  requests.pop_back();

  if (!TGraphPicture::SvgAvailable()) {
    EXPECT_EQ(request.filter, "PNG image (*.png)");
    return;
  }
  EXPECT_EQ(request.filter, "PNG image (*.png);;SVG image (*.svg)");
  answer = folder.filePath(QStringLiteral("as-svg"));
  chosenFilter = QStringLiteral("SVG image (*.svg)");
  PressCtrlG();
  ASSERT_EQ(requests.size(), 2u);
  const QByteArray svg = Saved(QStringLiteral("as-svg.svg"));
  EXPECT_TRUE(svg.startsWith("<?xml")) << svg.left(40).toStdString();
  EXPECT_TRUE(svg.contains("150 values shown"));
  // The newest value shown is the latest figure: raw 549.
  EXPECT_TRUE(svg.contains(VoltsText(BoardProtocol::VoltsFromRaw(549)).toUtf8()));
}

TEST_F(GraphSaving, TheMenuSavesWhatTheContentHookYieldsInTheDirectionAsked) {
  FillHistory(20);
  // A view of a run in the hook's place, newest at the right.
  TRun run(3, std::chrono::system_clock::time_point{});
  std::vector<uint16_t> rising(32);
  for (int k = 0; k < 32; ++k) rising[k] = uint16_t(312 + 12 * k);
  run.AppendBlock(rising, 0);
  Form().GraphContent = [&](const QDateTime& taken, int columns) {
    return GraphContentOfRun(run, 0, 32, columns, taken);
  };
  Form().SetNewestAtRight(true);
  answer = folder.filePath(QStringLiteral("run.png"));
  Form().SaveGraphItem->Click();
  WaitMs(10);
  ASSERT_EQ(requests.size(), 1u);
  const QImage image = QImage::fromData(Saved(QStringLiteral("run.png")), "PNG");
  ASSERT_FALSE(image.isNull());
  // Rising to the right: the trace's top right of the middle is higher up than left of it.
  TGraphPictureOptions options;
  options.NewestAtRight = true;
  const TGraphContent content = GraphContentOfRun(run, 0, 32, 800, kTaken);
  const TGraphLayout layout = TGraphPicture::Layout(content, options);
  EXPECT_TRUE(TraceNear(image, layout.XOfSample(31), layout.YOfVolts(content.Points[31].Low)));
  EXPECT_TRUE(TraceNear(image, layout.XOfSample(0), layout.YOfVolts(content.Points[0].Low)));
  EXPECT_GT(layout.XOfSample(31), layout.XOfSample(0));
}
