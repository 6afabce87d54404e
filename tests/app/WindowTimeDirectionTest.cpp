// The direction of time on the window, offscreen: T turns the live trace round, and the
// pointer's readout, the cursors, their differences, the arrows, the sound and what a screen
// reader hears turn with it; twice, the window is as it was. The menu lists the runs kept.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QMenu>
#include <QTest>
#include <QToolTip>
#include <QTranslator>

#include "PointerOnChart.h"
#include "app/Form1Window.h"
#include "app/TraceListening.h"
#include "chart/Chart.h"
#include "chart/ChartAccessible.h"
#include "framework/Dialogs.h"
#include "framework/MessageWait.h"
#include "protocol/BoardProtocol.h"

namespace {

class WindowTimeDirection : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxHook([this](TBoxKind, const QString& text) { boxes.push_back(text); });
    window = std::make_unique<TForm1Window>();
    window->show();
    window->activateWindow();
    WaitMs(50);
  }
  void TearDown() override {
    if (QMenu* menu = Form().PopupMenu1->Menu()) menu->close();
    QToolTip::hideText();
    SetAccessibilityListensForTests(false);
    window.reset();
    SetMessageBoxHook({});
    SwitchLocale(QLocale::c());
    EXPECT_TRUE(boxes.empty());
  }
  static void SwitchLocale(const QLocale& locale) {
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>(
             QString(), Qt::FindDirectChildrenOnly)) {
      QCoreApplication::removeTranslator(translator);
      delete translator;
    }
    QLocale::setDefault(locale);
  }

  TForm1& Form() { return window->Form(); }
  TChart& Chart() { return *window->Chart2(); }

  // A ramp from -2 V to +2 V as the board's ticks leave it: the oldest first in time, so the
  // newest, the highest, is at x 0.
  static int RampRaw(int sample) { return 307 + 2 * sample; }
  void FillRamp() {
    Form().ClearHistory();
    for (int i = 0; i < 200; ++i) Form().AddToHistory(BoardProtocol::VoltsFromRaw(RampRaw(i)));
    Form().RedrawFromHistory();
    WaitMs(20);
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == window.get() ? focus : window.get(), key,
                    modifiers);
    WaitMs(10);
  }
  void MoveTo(QPoint at) { MovePointerOnChart(Chart(), at); }
  QPoint AtColumn(int column) {
    return {column, (Chart().PlotRect.Top + Chart().PlotRect.Bottom) / 2};
  }
  static QString Tip() { return QToolTip::isVisible() ? QToolTip::text() : QString(); }
  int Column(int x) { return Chart().BottomAxis->ValueToPosition(x); }

  QImage ChartImage() { return Chart().grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // The middle of the trace's yellow in one pixel column of the chart; -1 for none.
  static double TraceRow(const QImage& image, int column) {
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
      const QColor c = image.pixelColor(column, y);
      if (c.red() > 200 && c.green() > 200 && c.blue() < 80) {
        sum += y;
        ++count;
      }
    }
    return count ? sum / count : -1;
  }

  std::unique_ptr<TForm1Window> window;
  std::vector<QString> boxes;
};

}  // namespace

TEST_F(WindowTimeDirection, TTurnsTheRampRoundAndTwiceLeavesTheWindowAsItWas) {
  FillRamp();
  const QImage before = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const int left = Chart().PlotRect.Left + 20;
  const int right = Chart().PlotRect.Right - 20;
  // As the window starts: the newest, highest value at the left, a line falling to the right.
  QImage chart = ChartImage();
  ASSERT_GE(TraceRow(chart, left), 0);
  ASSERT_GE(TraceRow(chart, right), 0);
  EXPECT_LT(TraceRow(chart, left), TraceRow(chart, right) - 50);
  EXPECT_EQ(Column(0), Chart().PlotRect.Left);

  Key(Qt::Key_T);
  EXPECT_TRUE(Form().NewestAtRight);
  chart = ChartImage();
  EXPECT_GT(TraceRow(chart, left), TraceRow(chart, right) + 50);  // rising, as in a textbook
  EXPECT_EQ(Column(0), Chart().PlotRect.Right);
  // A tick later it stays round, the still parts kept as they are drawn.
  FillRamp();
  const QImage kept = ChartImage();
  Chart().SetKeepsStillParts(false);
  Chart().update();
  WaitMs(20);
  EXPECT_EQ(ChartImage(), kept);
  Chart().SetKeepsStillParts(true);

  Key(Qt::Key_T);
  EXPECT_FALSE(Form().NewestAtRight);
  WaitMs(20);
  EXPECT_EQ(window->grab().toImage().convertToFormat(QImage::Format_RGB32), before);
}

TEST_F(WindowTimeDirection, ThePointerReadsTheSampleItsLineIsOnInEitherDirection) {
  FillRamp();
  for (const bool atRight : {false, true}) {
    Form().SetNewestAtRight(atRight);
    WaitMs(20);
    for (int x : {0, 57, 199}) {
      MoveTo(ChartPointAtX(Chart(), x));
      const QString volts =
          QString::number(BoardProtocol::VoltsFromRaw(RampRaw(199 - x)), 'f', 3).replace('-', "−");
      EXPECT_EQ(Tip(), QString("sample %1: %2 V").arg(199 - x).arg(volts)) << atRight << " x " << x;
      ASSERT_TRUE(Chart().PointerMarker());
      EXPECT_EQ(*Chart().PointerMarker(), x);
      // The line is drawn in the column of the sample named.
      EXPECT_EQ(ChartImage().pixelColor(Column(x), Chart().PlotRect.Bottom - 3),
                QColor(0xA0, 0xA0, 0xA0));
    }
  }
  // A pointer that stays while the trace turns reads the sample now under it.
  const int column = Chart().PlotRect.Left + 30;
  MoveTo(AtColumn(column));
  const int before = Chart().PointerValueIndex();
  Key(Qt::Key_T);
  const int after = Chart().PointerValueIndex();
  EXPECT_NE(after, before);
  ASSERT_TRUE(Chart().PointerMarker());
  EXPECT_EQ(*Chart().PointerMarker(), after);
  EXPECT_TRUE(Tip().startsWith(QString("sample %1: ").arg(199 - after))) << Tip().toStdString();
}

TEST_F(WindowTimeDirection, CursorsAndTheirDifferenceAndTheArrowsGoBySamplesAsTheScreenShowsThem) {
  FillRamp();
  const int leftColumn = Chart().PlotRect.Left + 100;
  const int rightColumn = Chart().PlotRect.Left + 300;
  const auto placeLeftAThenRightB = [&] {
    MoveTo(AtColumn(leftColumn));
    Key(Qt::Key_A);
    MoveTo(AtColumn(rightColumn));
    Key(Qt::Key_B);
    return Form().Reading.Deltas();
  };
  // As the window starts, A left of B is the newer: the difference counts back.
  const auto startDeltas = placeLeftAThenRightB();
  ASSERT_TRUE(startDeltas);
  EXPECT_LT(startDeltas->Samples, -50);
  EXPECT_LT(startDeltas->Volts, 0);

  // Turned round, the cursors stay on their samples, drawn where those now are.
  Key(Qt::Key_T);
  const auto turnedDeltas = Form().Reading.Deltas();
  ASSERT_TRUE(turnedDeltas);
  EXPECT_EQ(turnedDeltas->Samples, startDeltas->Samples);
  const int a = *Form().Reading.Cursor(TCursorName::A);
  const int b = *Form().Reading.Cursor(TCursorName::B);
  const QImage chart = ChartImage();
  const int row = Chart().PlotRect.Bottom - 3;
  EXPECT_EQ(chart.pixelColor(Column(a), row), QColor(0, 255, 255));
  EXPECT_EQ(chart.pixelColor(Column(b), row), QColor(255, 0, 255));
  EXPECT_GT(Column(a), Column(b));

  // Placed again at the same places of the screen: A left of B is the older, a rise.
  Key(Qt::Key_Escape);
  const auto rightDeltas = placeLeftAThenRightB();
  ASSERT_TRUE(rightDeltas);
  EXPECT_GT(rightDeltas->Samples, 50);
  EXPECT_GT(rightDeltas->Volts, 0);
  EXPECT_LT(Column(*Form().Reading.Cursor(TCursorName::A)),
            Column(*Form().Reading.Cursor(TCursorName::B)));

  // The arrows move B (placed last) on the screen: left is to the older samples now.
  const int placed = *Form().Reading.Cursor(TCursorName::B);
  Key(Qt::Key_Left);
  EXPECT_EQ(*Form().Reading.Cursor(TCursorName::B), placed + 1);
  EXPECT_LT(Column(placed + 1), Column(placed));
  Key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(*Form().Reading.Cursor(TCursorName::B), placed + 1 - 10);
  EXPECT_EQ(Form().Reading.Deltas()->Samples, rightDeltas->Samples + 9);
  // As the window started, left is to the newer again.
  Key(Qt::Key_T);
  Key(Qt::Key_Left);
  EXPECT_EQ(*Form().Reading.Cursor(TCursorName::B), placed - 10);
}

TEST_F(WindowTimeDirection, TheSoundRunsLeftToRightAndAScreenReaderHearsTheTurn) {
  SetAccessibilityListensForTests(true);
  FillRamp();
  Form().Reading.PlaceCursor(TCursorName::A, 20);
  const TraceSound::TRequest started = window->Listening().TraceNow();
  Key(Qt::Key_T);
  const TraceSound::TRequest turned = window->Listening().TraceNow();
  ASSERT_EQ(turned.volts.size(), 200u);
  // Left to right as drawn: now the oldest first, the ramp rising.
  EXPECT_EQ(turned.volts.front(), started.volts.back());
  EXPECT_EQ(turned.volts.back(), started.volts.front());
  EXPECT_EQ(turned.volts.back(), BoardProtocol::VoltsFromRaw(RampRaw(199)));
  ASSERT_TRUE(started.cursorA && turned.cursorA);
  EXPECT_EQ(*started.cursorA, 20);
  EXPECT_EQ(*turned.cursorA, 179);

  // Told at once, and only while the trace runs the other way.
  QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(&Chart());
  const int told = Chart().AccessibleDescriptionChanges();
  EXPECT_TRUE(chart->text(QAccessible::Description).endsWith(". newest at the right"))
      << chart->text(QAccessible::Description).toStdString();
  Key(Qt::Key_T);
  EXPECT_GT(Chart().AccessibleDescriptionChanges(), told);
  EXPECT_FALSE(chart->text(QAccessible::Description).contains("newest at the right"));
  SwitchLocale(QLocale(QLocale::Japanese, QLocale::Japan));
  Key(Qt::Key_T);
  EXPECT_TRUE(chart->text(QAccessible::Description).endsWith("。新しい値が右"))
      << chart->text(QAccessible::Description).toStdString();
}

TEST_F(WindowTimeDirection, TheMenuInJapaneseShowsTheSwitchWithItsKeyAndTheRunsToChooseFrom) {
  SwitchLocale(QLocale(QLocale::Japanese, QLocale::Japan));
  struct TReceiver {
    std::vector<int> shown;
    void ShowRun(TObject*, int index) { shown.push_back(index); }
  } receiver;
  Form().OnShowRun = TEvent<void(TObject*, int)>::Bind<&TReceiver::ShowRun>(&receiver);
  const std::vector<uint16_t> block(32, 600);
  const TRun& measured = Form().Runs.StartRun(std::chrono::system_clock::now());
  Form().Runs.AppendBlock(block, 0);
  Form().Runs.AppendBlock(block, 45'000);
  Form().Runs.StartRun(std::chrono::system_clock::now()).SetFileName("run.csv");
  Form().Runs.AppendBlock(block, 45'200);

  QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, Chart().geometry().center());
  QMenu* menu = Form().PopupMenu1->Menu();
  ASSERT_NE(menu, nullptr);
  QAction* direction = nullptr;
  QAction* runs = nullptr;
  for (QAction* action : menu->actions()) {
    if (action->text().startsWith("時間の向き")) direction = action;
    if (action->text() == "計測の一覧") runs = action;
  }
  ASSERT_NE(direction, nullptr);
  ASSERT_NE(runs, nullptr);
  EXPECT_EQ(direction->text(),
            "時間の向き: 新しい値を右に\t" + QKeySequence("T").toString(QKeySequence::NativeText));
  EXPECT_TRUE(direction->isCheckable());
  EXPECT_FALSE(direction->isChecked());
  ASSERT_NE(runs->menu(), nullptr);
  const QList<QAction*> entries = runs->menu()->actions();
  ASSERT_EQ(entries.size(), 2);
  const QString start =
      QDateTime::fromMSecsSinceEpoch(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         measured.StartTime().time_since_epoch())
                                         .count())
          .toString("HH:mm:ss");
  EXPECT_EQ(entries[0]->text(), "計測 1 — " + start + ", 45 s");
  EXPECT_EQ(entries[1]->text(), "run.csv — 45 s");
  entries[1]->trigger();
  EXPECT_EQ(receiver.shown, std::vector<int>({1}));
  direction->trigger();
  EXPECT_TRUE(Form().NewestAtRight);
  menu->close();
}
