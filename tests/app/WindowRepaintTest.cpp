// What a measuring tick repaints, offscreen: the chart's plot and nothing else of the window.
// The pictures, the labels and the panel show the same pixels tick after tick, and a paint
// of them is work thrown away (the pictures decode their JPEG rows at every paint).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTest>
#include <cmath>
#include <map>
#include <numbers>
#include <string>

#include "app/Form1Window.h"
#include "app/MeasurementsWindow.h"
#include "app/TraceReadout.h"
#include "chart/Chart.h"
#include "framework/Dialogs.h"
#include "framework/Format.h"
#include "framework/MessageWait.h"

namespace {

// Counts the paint events of a window's widgets, each by the widget that got it.
class TPaintCounter : public QObject {
 public:
  explicit TPaintCounter(QWidget& top) {
    Watch(&top);
    for (QWidget* child : top.findChildren<QWidget*>()) Watch(child);
  }
  int Of(QWidget* widget) const {
    const auto found = counts_.find(widget);
    return found == counts_.end() ? 0 : found->second;
  }
  // Widgets other than `except` that were painted, with their counts.
  std::map<std::string, int> OthersThan(QWidget* except) const {
    std::map<std::string, int> others;
    for (const auto& [widget, count] : counts_)
      if (widget != except && count > 0)
        others[std::string(widget->metaObject()->className()) + " at " +
               std::to_string(widget->x()) + "," + std::to_string(widget->y())] += count;
    return others;
  }
  void Reset() { counts_.clear(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++counts_[static_cast<QWidget*>(watched)];
    return false;
  }

 private:
  void Watch(QWidget* widget) { widget->installEventFilter(this); }
  std::map<QWidget*, int> counts_;
};

class WindowRepaint : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxHook([](TBoxKind, const QString&) {});
    window = std::make_unique<TForm1Window>();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // As a click on the start picture leaves the window, with the pointer resting on it and
    // its tooltip shown.
    TForm1& form = window->Form();
    form.Image2->SetEnabled(false);
    form.Panel1->SetVisible(false);
    TPictureWidget* start = window->StartPicture();
    const QPoint onStart(start->width() / 2, start->height() / 2);
    QEnterEvent enter(onStart, start->mapTo(window.get(), onStart), start->mapToGlobal(onStart));
    QApplication::sendEvent(start, &enter);
    QMouseEvent move(QEvent::MouseMove, onStart, start->mapToGlobal(onStart), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(start, &move);
    QHelpEvent tip(QEvent::ToolTip, onStart, start->mapToGlobal(onStart));
    QApplication::sendEvent(start, &tip);
    counter = std::make_unique<TPaintCounter>(*window);
    Tick();  // the first trace: the chart keeps its still parts from here on
    Tick();
  }
  void TearDown() override {
    counter.reset();
    window.reset();
    SetMessageBoxHook({});
  }

  // A tick's redraw of 32 new samples, waited for until the chart has painted it.
  void Tick() {
    TForm1& form = window->Form();
    for (int k = 0; k < 32; ++k, ++sample)
      form.AddToHistory(2.0 * std::sin(2 * std::numbers::pi * sample / 64));
    const int chartPaints = counter->Of(window->Chart2());
    form.RedrawFromHistory();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter->Of(window->Chart2()) > chartPaints; }));
    // Whatever else the tick asked to repaint is painted in the same pass as the chart.
    QApplication::processEvents();
  }

  std::unique_ptr<TForm1Window> window;
  std::unique_ptr<TPaintCounter> counter;
  int sample = 0;
};

}  // namespace

// What changes while measuring is the trace: ten ticks with the pointer resting on the start
// picture repaint the chart ten times and nothing else of the window.
TEST_F(WindowRepaint, ATickRepaintsTheChartAlone) {
  TChart* chart = window->Chart2();
  counter->Reset();
  for (int tick = 0; tick < 10; ++tick) Tick();
  EXPECT_EQ(counter->Of(chart), 10);
  EXPECT_EQ(counter->Of(window->StartPicture()), 0);
  EXPECT_EQ(counter->Of(window->StopPicture()), 0);
  EXPECT_EQ(counter->OthersThan(chart), (std::map<std::string, int>{}));
}

// The measurements window takes the keyboard focus from the main window and gives it back
// when it closes; ticks go on meanwhile. Nothing the main window draws shows its focus, so
// only the chart is repainted, as in any tick.
TEST_F(WindowRepaint, TheFocusLeavingAndComingBackRepaintsNothing) {
  TChart* chart = window->Chart2();
  ASSERT_TRUE(window->hasFocus());
  counter->Reset();
  QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
  TMeasurementsWindow* measurements = window->Readout().Measurements();
  ASSERT_NE(measurements, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowActive(measurements));
  for (int tick = 0; tick < 5; ++tick) Tick();
  measurements->close();
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(QTest::qWaitFor([this] { return window->hasFocus(); }));
  for (int tick = 0; tick < 5; ++tick) Tick();
  EXPECT_EQ(counter->Of(chart), 10);
  EXPECT_EQ(counter->OthersThan(chart), (std::map<std::string, int>{}));
}

// A stop and a start change the panel and "計測中" and what lies under them, but neither
// picture: the start picture looks the same enabled or not.
TEST_F(WindowRepaint, StopAndStartRepaintNeitherPicture) {
  TForm1& form = window->Form();
  counter->Reset();
  form.Image2->SetEnabled(true);
  form.Panel1->SetVisible(true);
  ASSERT_TRUE(QTest::qWaitFor([this] { return counter->Of(window->Panel1()) > 0; }));
  form.Image2->SetEnabled(false);
  form.Panel1->SetVisible(false);
  ASSERT_TRUE(QTest::qWaitFor([this] { return counter->Of(window->Label1()) > 0; }));
  QApplication::processEvents();
  EXPECT_EQ(counter->Of(window->StartPicture()), 0);
  EXPECT_EQ(counter->Of(window->StopPicture()), 0);
}
