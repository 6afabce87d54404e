// Reading values off the window (offscreen, and under Wine): the pointer's readout, the two
// cursors and the measurements window do what they say, in English and in Japanese, and go
// without a trace.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QTranslator>
#include <cmath>
#include <numbers>

#include "PointerOnChart.h"
#include "app/Form1Window.h"
#include "app/MeasurementsWindow.h"
#include "app/TraceReadout.h"
#include "app/TraceRows.h"
#include "chart/Chart.h"
#include "framework/Dialogs.h"
#include "framework/FileSaving.h"
#include "framework/Format.h"
#include "framework/MessageWait.h"
#include "protocol/BoardProtocol.h"

namespace {

class WindowReading : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxHook([this](TBoxKind, const QString& text) { boxes.push_back(text); });
    window = std::make_unique<TForm1Window>();
    window->show();
    WaitMs(50);
  }
  void TearDown() override {
    if (QMenu* menu = Form().PopupMenu1->Menu()) menu->close();
    QToolTip::hideText();
    window.reset();
    SetMessageBoxHook({});
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>(
             QString(), Qt::FindDirectChildrenOnly)) {
      QCoreApplication::removeTranslator(translator);
      delete translator;
    }
    QLocale::setDefault(QLocale::c());
  }

  TForm1& Form() { return window->Form(); }
  TChart& Chart() { return *window->Chart2(); }

  // A history of `count` board counts as ticks leave it (newest first), and its trace: a slow
  // wave between -4.4 and 4.4 V, so that neighbouring samples differ, each value between two
  // tenths of a volt.
  void Fill(int count) {
    Form().ClearHistory();
    for (int i = 0; i < count; ++i)
      Form().AddToHistory(BoardProtocol::VoltsFromRaw(512 + 10 * (i % 90 - 45) + 3));
    Form().RedrawFromHistory();
    WaitMs(20);
  }
  // The board's value at x, as the readout shows it.
  QString ShownVolts(int x) {
    return QString::number(Form().VoltsHistory.At(x), 'f', 3).replace('-', "−");
  }

  QPoint AtX(double x) { return ChartPointAtX(Chart(), x); }
  void MoveTo(QPoint at) { MovePointerOnChart(Chart(), at); }
  void Leave() {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&Chart(), &leave);
    WaitMs(10);
  }
  static QString Tip() { return QToolTip::isVisible() ? QToolTip::text() : QString(); }
  // A tooltip that goes takes a moment to fade.
  static bool TipGone() {
    for (int waited = 0; waited < 3000 && QToolTip::isVisible(); waited += 20) WaitMs(20);
    return !QToolTip::isVisible();
  }

  // A key as the focused control gets it, passed on to the window when it has no use for it.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == window.get() ? focus : window.get(), key,
                    modifiers);
    WaitMs(10);
  }

  QImage Shot() { return window->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  QColor ChartPixel(int x, int y) { return Chart().grab().toImage().pixelColor(x, y); }

  std::unique_ptr<TForm1Window> window;
  std::vector<QString> boxes;
};

}  // namespace

TEST_F(WindowReading, TheTooltipReadsTheSampleUnderThePointerAsTheCopiedTableNumbersIt) {
  Fill(200);
  for (int x : {0, 1, 57, 142, 199}) {
    MoveTo(AtX(x));
    // Numbered as the copied table: 0 is the oldest, at the right.
    EXPECT_EQ(Tip(), QString("sample %1: %2 V").arg(199 - x).arg(ShownVolts(x))) << "x " << x;
    ASSERT_TRUE(Chart().PointerMarker());
    EXPECT_EQ(*Chart().PointerMarker(), x);
  }
  // The marker is drawn at the point's column, inside the plot; gone when the pointer leaves.
  MoveTo(AtX(57));
  const int column = Chart().BottomAxis->ValueToPosition(57);
  const int row = Chart().PlotRect.Top + 5;
  EXPECT_EQ(ChartPixel(column, row), QColor(0xA0, 0xA0, 0xA0));
  Leave();
  EXPECT_FALSE(Chart().PointerMarker());
  EXPECT_TRUE(TipGone());
  EXPECT_EQ(ChartPixel(column, row), QColor(Qt::black));
  // Outside the plot (the labels' band) there is no readout.
  MoveTo(AtX(57));
  MoveTo({Chart().PlotRect.Left - 3, Chart().PlotRect.Top + 20});
  EXPECT_FALSE(Chart().PointerMarker());
  EXPECT_TRUE(TipGone());
}

TEST_F(WindowReading, ABoardAt760CountsReadsItsOwnValueEverywhereWhileTheTraceShows2Point4) {
  Form().ClearHistory();
  for (int i = 0; i < 200; ++i) Form().AddToHistory(BoardProtocol::VoltsFromRaw(760));
  Form().RedrawFromHistory();
  WaitMs(20);
  EXPECT_EQ(Form().Series2->YValueAt(57), 2.4);  // drawn from the 0.1 V texts
  MoveTo(AtX(57));
  EXPECT_EQ(Tip(), "sample 142: 2.422 V");
  EXPECT_EQ(window->Readout().Description(), "latest 2.42 V, min 2.42 V, max 2.42 V");
  // The values copied from the menu's entry.
  Key(Qt::Key_C, Qt::ControlModifier);
  const QStringList values = QGuiApplication::clipboard()->text().split("\r\n");
  ASSERT_EQ(values.size(), 202);
  for (int row = 1; row <= 200; ++row)
    ASSERT_EQ(values[row], QString("%1\t2.421875").arg(row - 1)) << row;
  // The measurements and their copy.
  Key(Qt::Key_M, Qt::ControlModifier);
  TMeasurementsWindow* measurements = window->Readout().Measurements();
  ASSERT_NE(measurements, nullptr);
  for (const char* key : {"latest_V", "min_V", "max_V", "mean_V", "rms_V"})
    EXPECT_EQ(measurements->ValueText(key), "2.422 V") << key;
  QTest::keyClick(measurements, Qt::Key_C, Qt::ControlModifier);
  const QString figures = QGuiApplication::clipboard()->text();
  for (const char* key : {"latest_V", "min_V", "max_V", "mean_V", "rms_V"})
    EXPECT_TRUE(figures.contains(QString("\r\n%1\t2.421875\r\n").arg(key)))
        << key << figures.toStdString();
}

TEST_F(WindowReading, WithFewerValuesOnlyDrawnSamplesAreReadAndTheTextFollowsTheData) {
  Fill(64);
  MoveTo(AtX(63));
  EXPECT_TRUE(Tip().startsWith("sample 0: ")) << Tip().toStdString();
  MoveTo(AtX(120));  // empty plot
  EXPECT_EQ(Tip(), "no value");
  EXPECT_FALSE(Chart().PointerMarker());
  // The trace grows under the still pointer: the readout follows it, soon.
  Fill(150);
  const QString expected = QString("sample 29: %1 V").arg(ShownVolts(120));
  for (int waited = 0; waited < 2000 && Tip() != expected; waited += 20) WaitMs(20);
  EXPECT_EQ(Tip(), expected);
  ASSERT_TRUE(Chart().PointerMarker());
  EXPECT_EQ(*Chart().PointerMarker(), 120);
}

TEST_F(WindowReading, WhileTheTraceMovesTheLineStaysOnTheSampleTheTextNames) {
  Fill(200);
  MoveTo(AtX(57));
  const QString before = Tip();
  ASSERT_TRUE(before.startsWith("sample 142: ")) << before.toStdString();
  // A tick: a block of 32 new samples in front, the trace drawn again at once.
  TLoggedBlock block;
  block.Count = 32;
  for (int k = 0; k < 32; ++k) block.Raw[k] = 512 + 10 * k;
  Form().AddToHistory(block);
  Form().RedrawFromHistory();
  // The text is renewed a little later; until then the line is where its sample went, and the
  // trace there has the value the text says.
  ASSERT_TRUE(Chart().PointerMarker());
  EXPECT_EQ(Tip(), before);
  EXPECT_EQ(*Chart().PointerMarker(), 57 + 32);
  EXPECT_TRUE(before.endsWith(VoltsText(Form().Reading.Figures.ValueAt(57 + 32))))
      << before.toStdString();
  // Renewed: the line back under the pointer, and the text of what lies there now.
  for (int waited = 0; waited < 2000 && *Chart().PointerMarker() != 57; waited += 10) WaitMs(10);
  EXPECT_EQ(*Chart().PointerMarker(), 57);
  EXPECT_EQ(Tip(), QString("sample 142: %1").arg(VoltsText(Form().Reading.Figures.ValueAt(57))));
  // A trace new altogether (the sine) is read out at once.
  Form().Button3->Click();
  EXPECT_EQ(*Chart().PointerMarker(), 57);
  EXPECT_EQ(Tip(), QString("sample 142: %1").arg(VoltsText(Form().Reading.Figures.ValueAt(57))));
}

TEST_F(WindowReading, CursorsComeByKeyOrMenuMoveByArrowsAndGoWithEscape) {
  Fill(200);
  MoveTo(AtX(50));
  Key(Qt::Key_A);
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::A), 50);
  EXPECT_EQ(Tip(), QString("sample 149: %1 V (cursor A)").arg(ShownVolts(50)));
  // B where the menu is opened with a right click.
  const QPoint at = AtX(120);
  QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, Chart().mapTo(window.get(), at));
  QMenu* menu = Form().PopupMenu1->Menu();
  ASSERT_TRUE(menu && menu->isVisible());
  QAction* cursorB = nullptr;
  for (QAction* action : menu->actions())
    if (action->text().section('\t', 0, 0) == "Cursor B here") cursorB = action;
  ASSERT_NE(cursorB, nullptr);
  MoveTo(AtX(10));  // the pointer moves on to the entry; the menu's place counts
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(cursorB).center());
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::B), 120);
  // Drawn in their colours with their letters, over the image and not in it.
  ASSERT_EQ(Chart().Cursors().size(), 2u);
  EXPECT_EQ(Chart().Cursors()[0].Label, "A");
  EXPECT_EQ(Chart().Cursors()[1].Label, "B");
  const int row = Chart().PlotRect.Bottom - 5;
  EXPECT_EQ(ChartPixel(Chart().BottomAxis->ValueToPosition(50), row), QColor(0, 255, 255));
  EXPECT_EQ(ChartPixel(Chart().BottomAxis->ValueToPosition(120), row), QColor(255, 0, 255));

  // The arrows move B, placed last, within the values shown.
  Key(Qt::Key_Right);
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::B), 121);
  Key(Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::B), 111);
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::A), 50);
  // They keep their place while the trace scrolls under them.
  Fill(200);
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::A), 50);

  Key(Qt::Key_Escape);
  EXPECT_FALSE(Form().Reading.AnyCursor());
  EXPECT_TRUE(Chart().Cursors().empty());
  EXPECT_EQ(ChartPixel(Chart().BottomAxis->ValueToPosition(50), row), QColor(Qt::black));
  // A key with the pointer off the plot and the keyboard elsewhere places nothing. (The
  // right click gave the chart the focus.)
  Leave();
  window->StartPicture()->setFocus();
  Key(Qt::Key_A);
  EXPECT_FALSE(Form().Reading.AnyCursor());
}

TEST_F(WindowReading, ByKeyboardAloneACursorStartsInTheMiddleOfTheTrace) {
  Fill(200);
  window->activateWindow();
  WaitMs(20);
  // Tab, Tab, Tab: the start picture, the stop picture, the chart.
  for (int i = 0; i < 3; ++i) Key(Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), &Chart());
  Key(Qt::Key_B);
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::B), 99);
  Key(Qt::Key_Left);
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::B), 98);
}

TEST_F(WindowReading, OnTheSineButtonTheArrowsMoveTheCursorAndEveryReadingIsOfTheSine) {
  Fill(200);  // measured values, then the test sine over them
  Form().Button3->Click();
  MoveTo(AtX(50));
  Key(Qt::Key_A);
  Leave();
  window->activateWindow();
  WaitMs(20);
  for (int i = 0; i < 4; ++i) Key(Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), window->Button3());
  Key(Qt::Key_Right);
  Key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::A), 61);
  EXPECT_EQ(QApplication::focusWidget(), window->Button3());  // the arrows moved no focus

  // The copied table, the saved file, the tooltip and the measurements: all the sine's.
  Key(Qt::Key_C, Qt::ControlModifier);
  const QStringList rows = QGuiApplication::clipboard()->text().split("\r\n");
  ASSERT_EQ(rows.size(), 202);  // header, 200 rows, the empty end
  const TTraceFigures& figures = Form().Reading.Figures;
  for (int x : {0, 9, 61, 199})
    EXPECT_EQ(rows[1 + 199 - x],
              QString("%1\t%2").arg(199 - x).arg(TableNumber(figures.ValueAt(x))))
        << "x " << x;
  EXPECT_EQ(rows[1 + 199 - 9], "190\t2.4");  // the sine's crest, as drawn
  QTemporaryDir dir;
  const QString path = dir.filePath("values.csv");
  SetSaveDialogHook([&](const TSaveDialogRequest&) { return path; });
  Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  SetSaveDialogHook({});
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(saved.readAll()), rows.join("\r\n").replace('\t', ','));
  MoveTo(AtX(61));
  EXPECT_EQ(Tip(), QString("sample 138: %1 (cursor A)").arg(VoltsText(figures.ValueAt(61))));
  Key(Qt::Key_M, Qt::ControlModifier);
  ASSERT_NE(window->Readout().Measurements(), nullptr);
  EXPECT_EQ(window->Readout().Measurements()->ValueText("max_V"), "2.400 V");

  // The next tick draws the history again, and the table is the history's.
  Fill(200);
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text().split("\r\n")[1 + 199 - 9],
            QString("190\t%1").arg(TraceVoltsText(Form().VoltsHistory.At(9))));
}

TEST_F(WindowReading, TheMeasurementsWindowIsOneBesideTheWindowAndFollowsTheTrace) {
  Key(Qt::Key_M, Qt::ControlModifier);
  TMeasurementsWindow* measurements = window->Readout().Measurements();
  ASSERT_NE(measurements, nullptr);
  EXPECT_TRUE(measurements->isVisible());
  EXPECT_EQ(measurements->windowTitle(), "Measurements");
  EXPECT_FALSE(measurements->isModal());
  EXPECT_EQ(measurements->parentWidget(), window.get());  // owned: it stays above it
  // Before the first values.
  EXPECT_EQ(measurements->ValueText("count"), "—");
  EXPECT_EQ(measurements->ValueText("rms_V"), "—");
  EXPECT_EQ(measurements->SpanText(), "0 values shown");
  EXPECT_FALSE(measurements->findChild<QPushButton*>()->isEnabled());

  // The test sine (2.4 V, 36 samples a period) updates it at once.
  Form().Button3Click(nullptr);
  EXPECT_EQ(measurements->SpanText(), "200 values shown");
  EXPECT_EQ(measurements->ValueText("count"), "200");
  EXPECT_EQ(measurements->ValueText("latest_V"), "0.000 V");
  EXPECT_EQ(measurements->ValueText("min_V"), "−2.400 V");
  EXPECT_EQ(measurements->ValueText("max_V"), "2.400 V");
  EXPECT_EQ(measurements->ValueText("peak_to_peak_V"), "4.800 V");
  EXPECT_EQ(measurements->ValueText("delta_V"), "");  // no cursors: no differences
  // Asked for again: the same window, not a second.
  Form().MeasurementsItem->Click();
  EXPECT_EQ(window->Readout().Measurements(), measurements);
  int shown = 0;
  for (QWidget* top : QApplication::topLevelWidgets())
    shown += dynamic_cast<TMeasurementsWindow*>(top) && top->isVisible();
  EXPECT_EQ(shown, 1);

  // Between the cursors, with their differences.
  MoveTo(AtX(9));  // 2.4 V
  Key(Qt::Key_B);
  MoveTo(AtX(27));  // -2.4 V
  Key(Qt::Key_A);
  EXPECT_EQ(measurements->SpanText(), "Cursors A–B: samples 172–190 (19 values)");
  EXPECT_EQ(measurements->ValueText("count"), "19");
  EXPECT_EQ(measurements->ValueText("latest_V"), "2.400 V");  // x 9, the newest of them
  EXPECT_EQ(measurements->ValueText("delta_samples"), "18");
  EXPECT_EQ(measurements->ValueText("delta_V"), "4.800 V");
  // Ctrl+C in it: the table, keys and numbers as in any language.
  QTest::keyClick(measurements, Qt::Key_C, Qt::ControlModifier);
  const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(copied, nullptr);
  const QStringList rows = copied->text().split("\r\n");
  ASSERT_EQ(rows.size(), 14);
  EXPECT_EQ(rows[0], "quantity\tvalue");
  EXPECT_EQ(rows[1], "count\t19");
  EXPECT_EQ(rows[9], "cursor_a\t172");
  EXPECT_EQ(rows[10], "cursor_b\t190");
  EXPECT_EQ(rows[11], "delta_samples\t18");
  EXPECT_EQ(rows[12], "delta_V\t4.8");
  EXPECT_EQ(QString::fromUtf8(copied->data("text/csv")), copied->text().replace('\t', ','));

  // Esc closes it, and the next Ctrl+M makes it again; Ctrl+W closes it too.
  QTest::keyClick(measurements, Qt::Key_Escape);
  WaitMs(20);
  EXPECT_EQ(window->Readout().Measurements(), nullptr);
  EXPECT_TRUE(Form().Reading.AnyCursor());  // Esc there is the measurements window's
  Key(Qt::Key_M, Qt::ControlModifier);
  ASSERT_NE(window->Readout().Measurements(), nullptr);
  EXPECT_EQ(window->Readout().Measurements()->ValueText("count"), "19");
  QTest::keyClick(window->Readout().Measurements(), Qt::Key_W, Qt::ControlModifier);
  WaitMs(20);
  EXPECT_EQ(window->Readout().Measurements(), nullptr);
}

TEST_F(WindowReading, TheMainWindowsKeysWorkInTheMeasurementsWindow) {
  Fill(200);
  MoveTo(AtX(50));
  Key(Qt::Key_A);
  Leave();
  Key(Qt::Key_M, Qt::ControlModifier);
  TMeasurementsWindow* measurements = window->Readout().Measurements();
  ASSERT_NE(measurements, nullptr);
  measurements->activateWindow();
  WaitMs(20);
  // A key as the measurements window's focused control gets it.
  const auto keyThere = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == measurements ? focus : measurements, key,
                    modifiers);
    WaitMs(10);
  };

  keyThere(Qt::Key_Right);
  EXPECT_EQ(Form().Reading.Cursor(TCursorName::A), 51);
  keyThere(Qt::Key_F5);  // no board: as the start picture says
  EXPECT_EQ(boxes, std::vector<QString>{"(C1)実験ボードと接続が確認出来ません。"});
  // Measuring (as a start leaves the window, the ticks a day apart): F6 stops it.
  Form().Image2->SetEnabled(false);
  Form().Panel1->SetVisible(false);
  Form().Timer1->SetInterval(24 * 3600 * 1000);
  Form().Timer1->SetEnabled(true);
  keyThere(Qt::Key_F6);
  EXPECT_FALSE(Form().Timer1->Enabled());
  EXPECT_TRUE(Form().Panel1->Visible());
  std::vector<QString> dialogs;
  SetSaveDialogHook([&](const TSaveDialogRequest& request) {
    dialogs.push_back(request.caption);
    return QString();  // cancelled
  });
  keyThere(Qt::Key_R, Qt::ControlModifier);
  SetSaveDialogHook({});
  EXPECT_EQ(dialogs, std::vector<QString>{"Record"});
  // The menu key: the main window's menu, over its chart.
  QWidget* focus = QApplication::focusWidget();
  QWidget* target = focus && focus->window() == measurements ? focus : measurements;
  QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(2, 2),
                            target->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(target, &menuKey);
  QMenu* menu = Form().PopupMenu1->Menu();
  ASSERT_TRUE(menu && menu->isVisible());
  // From the middle of the chart, moved up only as far as a screen too low for it needs.
  const QPoint middle = Chart().mapToGlobal(Chart().rect().center());
  EXPECT_EQ(menu->pos().x(), middle.x());
  EXPECT_EQ(menu->pos().y(), std::min(middle.y(), menu->screen()->availableGeometry().bottom() + 1 -
                                                      menu->height()));
  menu->close();
  WaitMs(10);

  // Its own keys stay its own: Ctrl+C copies the figures, Esc closes it and keeps the cursor.
  measurements->activateWindow();
  WaitMs(20);
  keyThere(Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("quantity\tvalue\r\n"));
  keyThere(Qt::Key_Escape);
  EXPECT_EQ(window->Readout().Measurements(), nullptr);
  EXPECT_TRUE(Form().Reading.AnyCursor());
}

// On the screen the tests run on (offscreen: 800 x 800, or 1024 x 768 in window_on_1024x768).
TEST_F(WindowReading, EveryWindowItOpensLiesOnTheScreensAvailableArea) {
  const QRect area = window->screen()->availableGeometry();
  const auto onScreen = [&](QWidget* shown) {
    const QRect frame = shown->frameGeometry();
    EXPECT_TRUE(area.contains(frame))
        << shown->metaObject()->className() << " at " << frame.x() << "," << frame.y() << " "
        << frame.width() << "x" << frame.height() << " on " << area.width() << "x" << area.height();
  };
  onScreen(window.get());
  Fill(200);
  Key(Qt::Key_M, Qt::ControlModifier);
  TMeasurementsWindow* measurements = window->Readout().Measurements();
  ASSERT_NE(measurements, nullptr);
  WaitMs(20);
  onScreen(measurements);
  // Both cursors: it grows by the differences' rows, and stays whole on the screen.
  const int height = measurements->height();
  MoveTo(AtX(20));
  Key(Qt::Key_A);
  MoveTo(AtX(80));
  Key(Qt::Key_B);
  WaitMs(20);
  EXPECT_GT(measurements->height(), height);
  onScreen(measurements);
  // The chart's menu, opened at the chart's bottom right.
  Leave();
  const QPoint corner(Chart().width() - 2, Chart().height() - 2);
  QTest::mouseClick(window->windowHandle(), Qt::RightButton, {},
                    Chart().mapTo(window.get(), corner));
  ASSERT_TRUE(Form().PopupMenu1->Menu() && Form().PopupMenu1->Menu()->isVisible());
  onScreen(Form().PopupMenu1->Menu());
}

TEST(MeasurementsWindowPlace, BesideTheOwnerWhereTheScreenAllows) {
  const QRect screen(0, 0, 1920, 1080);
  const QSize own(220, 300);
  // Room on the right.
  EXPECT_EQ(TMeasurementsWindow::PlaceBeside({100, 50, 760, 700}, own, screen), QPoint(868, 50));
  // None on the right: on the left.
  EXPECT_EQ(TMeasurementsWindow::PlaceBeside({1100, 50, 760, 700}, own, screen), QPoint(872, 50));
  // Room on neither side: over the owner's right edge, on the screen.
  EXPECT_EQ(TMeasurementsWindow::PlaceBeside({10, 0, 760, 700}, own, QRect(0, 0, 800, 600)),
            QPoint(580, 0));
  // Low on the screen: pulled up so that it shows whole.
  EXPECT_EQ(TMeasurementsWindow::PlaceBeside({100, 900, 760, 700}, own, screen), QPoint(868, 780));
  // A screen that doesn't start at 0 (a second monitor on the left).
  EXPECT_EQ(
      TMeasurementsWindow::PlaceBeside({-1900, 20, 760, 700}, own, QRect(-1920, 0, 1920, 1080)),
      QPoint(-1132, 20));
}

TEST(VoltsText, ThreeDecimalsAPointAndATrueMinusInEveryLocale) {
  QLocale::setDefault(QLocale(QLocale::German));
  EXPECT_EQ(VoltsText(2.4321), "2.432 V");
  EXPECT_EQ(VoltsText(-1.98), "−1.980 V");
  EXPECT_EQ(VoltsText(1234.5), "1234.500 V");  // no grouping
  EXPECT_EQ(VoltsText(-0.0004), "0.000 V");    // rounds to zero: no sign
  EXPECT_EQ(VoltsText(-0.0006), "−0.001 V");
  EXPECT_EQ(VoltsText(2.4321, 2), "2.43 V");
  QLocale::setDefault(QLocale::c());
}

namespace {

// The window and the measurements window side by side, with the tooltip where it shows, as
// the README shows them.
QImage DocsPicture(QWidget& window, QWidget& measurements) {
  constexpr int kGap = 24;
  const QImage main = window.grab().toImage();
  const QImage side = measurements.grab().toImage();
  QImage picture(main.width() + kGap + side.width() + kGap, main.height(), QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.drawImage(0, 0, main);
  painter.drawImage(main.width() + kGap, 0, side);
  painter.setPen(QColor(160, 160, 160));
  painter.drawRect(main.width() + kGap - 1, -1, side.width() + 1, side.height() + 1);
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->isVisible() && top->windowType() == Qt::ToolTip)
      painter.drawImage(top->pos() - window.pos(), top->grab().toImage());
  return picture;
}

}  // namespace

// The README's picture, and the reading in Japanese: measuring the board's sine, both
// cursors set, the pointer on the trace, and the measurements window beside. Saved where
// SIMPLESCOPE_READING_SCREENSHOT says.
TEST_F(WindowReading, BothCursorsAndTheMeasurementsWindowAsTheReadmeShowsThem) {
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  Form().Image2->SetEnabled(false);
  Form().Panel1->SetVisible(false);
  for (int n = 0; n < 200; ++n)
    Form().AddToHistory(std::round(2 * std::sin(2 * std::numbers::pi * n / 64) * 102.4) / 102.4);
  Form().RedrawFromHistory();
  MoveTo(AtX(40));
  Key(Qt::Key_A);
  MoveTo(AtX(104));
  Key(Qt::Key_B);
  Key(Qt::Key_M, Qt::ControlModifier);
  TMeasurementsWindow* measurements = window->Readout().Measurements();
  ASSERT_NE(measurements, nullptr);
  MoveTo(AtX(72));
  // One period between the cursors: its swing is the sine's, its mean nought.
  EXPECT_EQ(measurements->SpanText(), "カーソル A–B: サンプル 95–159 (65 値)");
  EXPECT_EQ(measurements->ValueText("peak_to_peak_V"), "4.004 V");  // 410 counts
  EXPECT_EQ(measurements->ValueText("delta_samples"), "−64");
  EXPECT_EQ(measurements->ValueText("delta_V"), "0.000 V");
  EXPECT_TRUE(Tip().startsWith("サンプル 127: ")) << Tip().toStdString();
  MoveTo(AtX(40));
  EXPECT_TRUE(Tip().endsWith(" (カーソル A)")) << Tip().toStdString();
  EXPECT_EQ(measurements->windowTitle(), "測定値");
  QStringList captions;
  for (const char* key : {"count", "latest_V", "min_V", "max_V", "mean_V", "peak_to_peak_V",
                          "rms_V", "ac_rms_V", "delta_samples", "delta_V"})
    captions << measurements->findChild<QLabel*>(key)->accessibleDescription();
  EXPECT_EQ(captions, QStringList({"値の数", "最新値", "最小", "最大", "平均", "p-p", "実効値",
                                   "交流実効値", "Δ サンプル", "ΔV"}));
  EXPECT_EQ(measurements->findChild<QPushButton*>()->text(), "コピー");
  // The copied keys stay English, the numbers keep their point.
  QTest::keyClick(measurements, Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("quantity\tvalue\r\ncount\t65"));
  MoveTo(AtX(72));
  const QImage picture = DocsPicture(*window, *measurements);
  if (const char* path = std::getenv("SIMPLESCOPE_READING_SCREENSHOT")) {
    EXPECT_TRUE(picture.save(QString::fromLocal8Bit(path)));
  }
}
