// The chart's own pixels (black plot, dotted grid, yellow trace) for one history, as every
// build of the window must draw them: Linux and Windows alike, whatever the window system and
// its fonts (the texts are outside the plot and are left out).
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QImage>
#include <cmath>
#include <numbers>

#include "app/Form1Window.h"
#include "chart/Chart.h"
#include "chart/ChartSeries.h"
#include "framework/Format.h"
#include "framework/MessageWait.h"

namespace {

// A history as the window keeps it (newest first, one decimal): a sine that reaches both
// ends of the screen, with a step, so the trace has steep and flat parts.
void DrawHistory(TForm1& form) {
  form.Series2->RemoveAllPoints();
  for (int i = 0; i < 200; ++i) {
    const double wave = 4.9 * std::sin(std::numbers::pi * (7.0 * i) / 180.0);
    const double volts = StrToFloat(FormatFixed1(i < 120 ? wave : wave / 2 + 1.5));
    form.Series2->AppendPoint(i, volts, QString(), DefaultPointColor);
  }
}

}  // namespace

TEST(ChartPixels, ThePlotOfAHistoryIsTheSameOnEveryPlatform) {
  TForm1Window window;
  window.show();
  DrawHistory(window.Form());
  WaitMs(50);
  const QImage shot = window.Chart2()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(shot.devicePixelRatio(), 1.0);
  const TRect& plot = window.Chart2()->PlotRect;
  ASSERT_GT(plot.Width(), 100);
  ASSERT_GT(plot.Height(), 100);
  const QImage pixels = shot.copy(plot.Left, plot.Top, plot.Width(), plot.Height());
  // Something of each: the black screen, the grid's dots, the yellow trace.
  bool black = false, grid = false, yellow = false;
  for (int y = 0; y < pixels.height(); ++y)
    for (int x = 0; x < pixels.width(); ++x) {
      const QRgb p = pixels.pixel(x, y);
      black |= p == qRgb(0, 0, 0);
      yellow |= qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) < 80;
      grid |= qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) > 60;
    }
  EXPECT_TRUE(black && grid && yellow);
  // Pinned as a digest of the bytes, so the Windows build is held to the Linux build's
  // pixels exactly. A deliberate change to the chart's look changes it: the new digest is
  // printed here.
  const QByteArray bytes(reinterpret_cast<const char*>(pixels.constBits()),
                         static_cast<qsizetype>(pixels.sizeInBytes()));
  const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
  EXPECT_EQ(digest.toStdString(),
            "9c4c18f5c59287857787824dac8b6a36e991953f32dbb65b403c31e9db2a369a")
      << plot.Left << "," << plot.Top << " " << plot.Width() << "x" << plot.Height();
}
