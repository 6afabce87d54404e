// The window at rest, idle, measuring and stopped, pixel for pixel as it always was: the
// reading of values, the keyboard and the screen reader's parts add nothing to it until they
// are used, and leave nothing behind. (Linux: the digests are of this system's fonts.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QMouseEvent>
#include <QTest>
#include <cmath>
#include <numbers>

#include "app/Form1Window.h"
#include "app/MeasurementsWindow.h"
#include "app/TraceReadout.h"
#include "chart/Chart.h"
#include "framework/Dialogs.h"
#include "framework/Format.h"
#include "framework/MessageWait.h"

namespace {

QByteArray Digest(QWidget& window) {
  const QImage pixels = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const QByteArray bytes(reinterpret_cast<const char*>(pixels.constBits()),
                         static_cast<qsizetype>(pixels.sizeInBytes()));
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// The pointer over the chart at the trace's x, or gone from it; a key to the window.
void PointAt(TChart& chart, double x) {
  const QPoint at(chart.BottomAxis->ValueToPosition(x),
                  (chart.PlotRect.Top + chart.PlotRect.Bottom) / 2);
  QMouseEvent move(QEvent::MouseMove, at, chart.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&chart, &move);
}
void LeaveChart(TChart& chart) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&chart, &leave);
}

}  // namespace

// The window idle, measuring and stopped, with the pointer outside the chart and no cursor,
// has the very pixels it had before any of this was added (digests taken then), and has them
// again after the pointer, the cursors and the measurements window have come and gone.
TEST(WindowAtRest, IdleMeasuringAndStoppedArePixelForPixelAsBefore) {
  SetMessageBoxHook([](TBoxKind, const QString&) {});
  TForm1Window window;
  window.show();
  WaitMs(50);
  if (window.devicePixelRatioF() != 1.0) GTEST_SKIP() << "digests of the unscaled window";
  TForm1& form = window.Form();
  TChart& chart = *window.Chart2();
  EXPECT_EQ(Digest(window), "65f34c1d9babbdc46ae81a83d60cf8fc75fae27c1888c1f4ad3e6d3d96d40be5");
  // As a start leaves the window, with a trace of a sine reaching both ends of the screen.
  form.Image2->SetEnabled(false);
  form.Panel1->SetVisible(false);
  for (int i = 0; i < 200; ++i)
    form.AddToHistory(4.9 * std::sin(std::numbers::pi * 7.0 * i / 180.0));
  form.RedrawFromHistory();
  WaitMs(50);
  const QByteArray measuring = "1ccbc53a2b759bae51eb77b43284fb49879d866ba68cedc4b95a9b65283196d7";
  EXPECT_EQ(Digest(window), measuring);

  PointAt(chart, 80);
  QTest::keyClick(&window, Qt::Key_A);
  PointAt(chart, 140);
  QTest::keyClick(&window, Qt::Key_B);
  QTest::keyClick(&window, Qt::Key_M, Qt::ControlModifier);
  ASSERT_NE(window.Readout().Measurements(), nullptr);
  WaitMs(20);
  EXPECT_NE(Digest(window), measuring);
  window.Readout().Measurements()->close();
  QTest::keyClick(&window, Qt::Key_Escape);
  LeaveChart(chart);
  WaitMs(20);
  EXPECT_EQ(Digest(window), measuring);

  form.Image3->Click();
  WaitMs(50);
  EXPECT_EQ(Digest(window), "982157b7f029d2cddbb600e01c9ef1d65a767c008b544f7bac324c7c6fe37ad7");
  SetMessageBoxHook({});
}
