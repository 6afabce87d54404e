// Reading values off a chart on the screen: cursors and the pointer's marker lie over the
// image and never in it (nor in the kept still parts), the point under a pixel is the axis'
// arithmetic, the readout follows the pointer and the data, the focus frame shows for the
// keyboard only, and a screen reader's questions cost no paint.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>
#include <vector>

#include "OscilloscopeChart.h"
#include "framework/MessageWait.h"

namespace {

constexpr TColor kCyan = 0xFFFF00;  // red in the low byte
const QColor kCyanOnScreen(0, 255, 255);

class ChartReadout : public OscilloscopeChart {
 protected:
  void SetUp() override {
    OscilloscopeChart::SetUp();
    Fill(200);
    chart->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
    WaitMs(20);
  }
  void TearDown() override {
    QToolTip::hideText();
    OscilloscopeChart::TearDown();
  }

  void Fill(int count, double step = 1) {
    series->RemoveAllPoints();
    for (int i = 0; i < count; ++i)
      series->AppendPoint(i * step, 3 * std::sin(i / 9.0), QString(), DefaultPointColor);
    WaitMs(20);
  }
  QImage Shot() { return chart->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  int Column(double x) { return chart->BottomAxis->ValueToPosition(x); }
  void MoveTo(QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(chart.get(), &move);
    WaitMs(10);
  }
  QPoint AtX(double x) { return {Column(x), (chart->PlotRect.Top + chart->PlotRect.Bottom) / 2}; }

  // The readout's questions, as the chart's owner gets them.
  struct TReader {
    std::vector<int> asked;
    void Text(TCustomChart*, int index, QString& text) {
      asked.push_back(index);
      text = index < 0 ? QStringLiteral("none") : QStringLiteral("point %1").arg(index);
    }
  } reader;
  void ReadPointer() {
    chart->OnGetPointerText = TChartPointerTextEvent::Bind<&TReader::Text>(&reader);
    chart->SetPointerReadout(true);
  }
};

bool HasColour(const QImage& image, QColor colour, QRect area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixelColor(x, y) == colour) return true;
  return false;
}

}  // namespace

TEST_F(ChartReadout, CursorsLieOverTheImageAndNeverInIt) {
  const QImage before = Shot();
  const int renders = chart->Renders();
  chart->SetCursors({{50, kCyan, "A"}});
  WaitMs(20);
  const QImage with = Shot();
  // The line down the plot at the point's column, its letter at the top beside it.
  const TRect plot = chart->PlotRect;
  for (int y = plot.Top + 1; y < plot.Bottom; y += 7)
    ASSERT_EQ(with.pixelColor(Column(50), y), kCyanOnScreen) << y;
  EXPECT_TRUE(HasColour(with, kCyanOnScreen, {Column(50) + 2, plot.Top + 2, 12, 16}));
  EXPECT_FALSE(HasColour(with, kCyanOnScreen, {Column(50) - 14, plot.Top + 2, 12, 16}));
  // Only copied again: no render, and the image holds no cursor.
  EXPECT_EQ(chart->Renders(), renders);
  EXPECT_FALSE(HasColour(*chart->Canvas()->Image(), kCyanOnScreen, QRect(QPoint(), chart->size())));
  // New data under it: rendered from the kept still parts, which have no cursor either.
  const int fromStill = chart->RendersFromStillParts();
  Fill(200);
  Fill(200);
  EXPECT_GT(chart->RendersFromStillParts(), fromStill);
  EXPECT_FALSE(HasColour(*chart->Canvas()->Image(), kCyanOnScreen, QRect(QPoint(), chart->size())));
  EXPECT_EQ(Shot().pixelColor(Column(50), plot.Top + 10), kCyanOnScreen);
  // Gone: the chart's pixels are what they were.
  chart->SetCursors({});
  WaitMs(20);
  EXPECT_EQ(Shot(), before);
}

TEST_F(ChartReadout, ALetterNearTheRightEdgeGoesLeftOfItsLine) {
  chart->SetCursors({{199, kCyan, "B"}});
  WaitMs(20);
  const QImage shot = Shot();
  const int line = Column(199);
  EXPECT_TRUE(HasColour(shot, kCyanOnScreen, {line - 14, chart->PlotRect.Top + 2, 12, 16}));
  EXPECT_FALSE(HasColour(shot, kCyanOnScreen,
                         {line + 1, chart->PlotRect.Top + 2, chart->PlotRect.Right - line, 16}));
  // A cursor beyond the axis' range is not drawn at all.
  const QImage before = Shot();
  chart->SetCursors({{199, kCyan, "B"}, {260, kCyan, "A"}});
  WaitMs(20);
  EXPECT_EQ(Shot(), before);
}

TEST_F(ChartReadout, ThePointUnderAPixelIsTheNearestWithinHalfAStep) {
  // Every point is read at its own column, and each column reads the point nearest to it.
  for (int i = 0; i < 200; ++i) ASSERT_EQ(chart->ValueIndexAtPixel(Column(i)), i) << i;
  const TRect plot = chart->PlotRect;
  for (int x = plot.Left; x <= plot.Right; ++x) {
    const double value = chart->BottomAxis->PositionToValue(x);
    const int expected = value <= 199.5 ? static_cast<int>(std::lround(value)) : -1;
    ASSERT_EQ(chart->ValueIndexAtPixel(x), expected) << x << " reads " << value;
  }
  // Fewer points: the plot beyond the last half step shows nothing.
  Fill(64);
  EXPECT_EQ(chart->ValueIndexAtPixel(Column(63)), 63);
  EXPECT_EQ(chart->ValueIndexAtPixel(Column(65)), -1);
  // Points ten apart: five either way.
  Fill(21, 10);
  EXPECT_EQ(chart->ValueIndexAtPixel(Column(44)), 4);
  EXPECT_EQ(chart->ValueIndexAtPixel(Column(56)), 6);
  // Points in no order are searched through.
  series->RemoveAllPoints();
  series->XValues->SetOrder(loNone);
  for (double x : {120.0, 10.0, 80.0}) series->AppendPoint(x, 1, QString(), DefaultPointColor);
  WaitMs(20);
  EXPECT_EQ(chart->ValueIndexAtPixel(Column(78)), 2);
  EXPECT_EQ(chart->ValueIndexAtPixel(Column(12)), 1);
  // None.
  series->RemoveAllPoints();
  WaitMs(20);
  EXPECT_EQ(chart->ValueIndexAtPixel(Column(12)), -1);
}

TEST_F(ChartReadout, TheReadoutFollowsThePointerAndTheDataUnderIt) {
  MoveTo(AtX(30));  // not asked for yet: nothing
  EXPECT_FALSE(chart->PointerMarker());
  EXPECT_TRUE(reader.asked.empty());
  ReadPointer();
  MoveTo(AtX(30));
  ASSERT_TRUE(chart->PointerMarker());
  EXPECT_EQ(*chart->PointerMarker(), 30);
  EXPECT_EQ(reader.asked.back(), 30);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), "point 30");
  EXPECT_EQ(Shot().pixelColor(Column(30), chart->PlotRect.Top + 3), QColor(192, 192, 192));
  // The data shrinks under the still pointer: soon after the paint, the readout says so.
  Fill(20);
  for (int waited = 0; waited < 2000 && reader.asked.back() != -1; waited += 20) WaitMs(20);
  EXPECT_EQ(reader.asked.back(), -1);
  EXPECT_FALSE(chart->PointerMarker());
  EXPECT_EQ(QToolTip::text(), "none");
  // Leaving the chart takes both away; the pixels are the chart's own again.
  Fill(200);
  MoveTo(AtX(30));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(chart.get(), &leave);
  WaitMs(10);
  EXPECT_FALSE(chart->PointerMarker());
  for (int waited = 0; waited < 3000 && QToolTip::isVisible(); waited += 20) WaitMs(20);
  EXPECT_FALSE(QToolTip::isVisible());
  EXPECT_EQ(Shot().pixelColor(Column(30), chart->PlotRect.Top + 3), QColor(Qt::black));
}

TEST(ChartFocus, TheFrameShowsWhenTheKeyboardBringsTheFocusOnly) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* button = new QPushButton("before", &window);
  auto* chart = new TChart(&window);
  chart->SetColor(clBlack);
  chart->setMinimumSize(300, 200);
  chart->setFocusPolicy(Qt::StrongFocus);
  layout->addWidget(button);
  layout->addWidget(chart);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  button->setFocus(Qt::OtherFocusReason);
  WaitMs(20);
  const QImage plain = chart->grab().toImage();
  // A click brings it: no frame.
  QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(150, 100));
  WaitMs(20);
  ASSERT_TRUE(chart->hasFocus());
  EXPECT_FALSE(chart->ShowsFocusFrame());
  EXPECT_EQ(chart->grab().toImage(), plain);
  // Tab brings it: a dotted white frame on its edge, and nothing else changed.
  button->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(button, Qt::Key_Tab);
  WaitMs(20);
  ASSERT_TRUE(chart->hasFocus());
  EXPECT_TRUE(chart->ShowsFocusFrame());
  const QImage framed = chart->grab().toImage();
  EXPECT_EQ(framed.pixelColor(0, 0), QColor(Qt::white));
  EXPECT_EQ(framed.copy(2, 2, 296, 196), plain.copy(2, 2, 296, 196));
  QTest::keyClick(chart, Qt::Key_Tab);
  WaitMs(20);
  EXPECT_FALSE(chart->ShowsFocusFrame());
  EXPECT_EQ(chart->grab().toImage(), plain);
}

TEST_F(ChartReadout, AScreenReaderSeesAChartNamedByItsOwnerAndAsksWithoutAPaint) {
  struct TTexts {
    int descriptions = 0;
    void Text(TCustomChart*, int kind, QString& text) {
      if (kind == QAccessible::Name) text = QStringLiteral("waveform");
      if (kind == QAccessible::Description) text = QString::number(++descriptions);
    }
  } texts;
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(chart.get());
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::Chart);
  EXPECT_EQ(accessible->text(QAccessible::Name), "");  // the widget's own: none
  chart->OnGetAccessibleText = TChartAccessibleTextEvent::Bind<&TTexts::Text>(&texts);
  const int renders = chart->Renders();
  EXPECT_EQ(accessible->text(QAccessible::Name), "waveform");
  EXPECT_EQ(accessible->text(QAccessible::Description), "1");
  chart->AccessibleDescriptionChanged();
  WaitMs(20);
  EXPECT_EQ(chart->Renders(), renders);
  chart->OnGetAccessibleText = {};
}

// Data that changes every 20 ms under a still pointer is read out a few times a second, not
// every time: each readout is a tooltip's new text, size and paint.
TEST_F(ChartReadout, NewDataUnderAStillPointerIsReadOutAFewTimesASecond) {
  ReadPointer();
  MoveTo(AtX(30));
  const size_t before = reader.asked.size();
  QElapsedTimer elapsed;
  elapsed.start();
  int fills = 0;
  while (elapsed.elapsed() < 1000) {
    Fill(200 - fills % 2);  // new data, one paint each
    ++fills;
  }
  const size_t readouts = reader.asked.size() - before;
  EXPECT_GT(fills, 10);
  EXPECT_GE(readouts, 1u);
  // However slow the machine, never more than one a quarter of a second (and the last).
  EXPECT_LE(readouts, static_cast<size_t>(elapsed.elapsed() / TCustomChart::kReadoutInterval + 2));
}
