// The cost of one frame of the oscilloscope chart (200 points, 617 x 281), of a repaint
// with nothing changed, and, for scale, of larger series; next to the same plot drawn by
// QCustomPlot when it is there. See README.md for the commands and the figures.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <cmath>

#include "app/ChartSettings.h"

#ifdef SIMPLESCOPE_HAVE_QCUSTOMPLOT
#include <qcustomplot.h>
#endif
#include "Callgrind.h"

namespace {

constexpr int kWidth = 617;
constexpr int kHeight = 281;

double Sample(int i) {
  return 2.4 * std::sin(i * 0.1745) + 0.3 * std::sin(i * 1.3);
}

struct TOscilloscope {
  explicit TOscilloscope(int points) : series(new TFastLineSeries(&chart)) {
    chart.resize(kWidth, kHeight);
    ApplyOscilloscopeChartSettings(chart, *series);
    const double step = 200.0 / points;
    for (int i = 0; i < points; ++i)
      series->AppendPoint(i * step, Sample(i), "", DefaultPointColor);
  }
  TChart chart;
  TFastLineSeries* series;  // owned by the chart
};

void BM_ChartFrame(benchmark::State& state) {
  TOscilloscope scope(static_cast<int>(state.range(0)));
  QImage window(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&window);
  for (auto _ : state) {
    scope.chart.InvalidateChart();
    scope.chart.RenderChart(painter, {0, 0, kWidth, kHeight});
  }
}
BENCHMARK(BM_ChartFrame)->Arg(200)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// A frame of the oscilloscope while it measures: the series' points are new, the axes and
// everything else under the trace as they were.
void BM_ChartFrameSeriesChanged(benchmark::State& state) {
  TOscilloscope scope(static_cast<int>(state.range(0)));
  QImage window(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&window);
  for (auto _ : state) {
    scope.chart.InvalidateSeriesDrawing();
    scope.chart.RenderChart(painter, {0, 0, kWidth, kHeight});
  }
}
BENCHMARK(BM_ChartFrameSeriesChanged)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_ChartRepaintWithoutChange(benchmark::State& state) {
  TOscilloscope scope(200);
  QImage window(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&window);
  scope.chart.RenderChart(painter, {0, 0, kWidth, kHeight});
  for (auto _ : state) benchmark::DoNotOptimize(scope.chart.Canvas()->ReshowImage(painter));
}
BENCHMARK(BM_ChartRepaintWithoutChange)->Unit(benchmark::kMicrosecond);

#ifdef SIMPLESCOPE_HAVE_QCUSTOMPLOT
struct TPeer {
  explicit TPeer(int points) : x(points), y(points) {
    plot.resize(kWidth, kHeight);
    plot.setBackground(Qt::black);
    plot.setNotAntialiasedElements(QCP::aeAll);
    plot.xAxis->setRange(0, 200);
    plot.yAxis->setRange(-5, 5);
    graph = plot.addGraph();
    graph->setPen(QPen(Qt::yellow, 2));
    for (int i = 0; i < points; ++i) {
      x[i] = i * 200.0 / points;
      y[i] = Sample(i);
    }
  }
  void Frame(QImage& window) {
    graph->setData(x, y, true);
    QCPPainter painter(&window);
    plot.toPainter(&painter, kWidth, kHeight);
  }
  QCustomPlot plot;
  QCPGraph* graph;
  QVector<double> x, y;
};

void BM_PeerFrame(benchmark::State& state) {
  TPeer peer(static_cast<int>(state.range(0)));
  QImage window(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) peer.Frame(window);
}
BENCHMARK(BM_PeerFrame)->Arg(200)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
#endif

// For instruction counts under callgrind (started with instrumentation off): N frames of
// 200 points, or of the points given, ("ours", "ours-series" or "peer") after one warm-up
// frame that loads the fonts.
int CountedFrames(const char* which, int frames, int points) {
  QImage window(kWidth, kHeight, QImage::Format_RGB32);
  // "ours-series": only the series changed, as while measuring.
  if (QString(which) == "ours" || QString(which) == "ours-series") {
    const bool seriesOnly = QString(which) == "ours-series";
    TOscilloscope scope(points);
    QPainter painter(&window);
    // The second frame keeps the still parts: counted from the third on.
    const int warmUp = seriesOnly ? 2 : 1;
    for (int i = 0; i < frames + warmUp; ++i) {
      if (i == warmUp) CALLGRIND_START_INSTRUMENTATION;
      if (seriesOnly && i > 0)
        scope.chart.InvalidateSeriesDrawing();
      else
        scope.chart.InvalidateChart();
      scope.chart.RenderChart(painter, {0, 0, kWidth, kHeight});
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    return 0;
  }
#ifdef SIMPLESCOPE_HAVE_QCUSTOMPLOT
  TPeer peer(points);
  for (int i = 0; i <= frames; ++i) {
    if (i == 1) CALLGRIND_START_INSTRUMENTATION;
    peer.Frame(window);
  }
  CALLGRIND_STOP_INSTRUMENTATION;
  return 0;
#else
  return 1;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if ((argc == 4 || argc == 5) && QString(argv[1]) == "--frames")
    return CountedFrames(argv[2], std::atoi(argv[3]), argc == 5 ? std::atoi(argv[4]) : 200);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
