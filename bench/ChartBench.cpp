// The cost of one frame of the oscilloscope chart (200 points, 617 x 281), of a repaint
// with nothing changed, and, for scale, of larger series; next to the same plot drawn by
// QCustomPlot when it is there. See README.md for the commands and the figures.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QPainter>
#include <cmath>
#include <random>

#include "app/ChartSettings.h"
#include "app/Form1Window.h"
#include "app/RunCapture.h"
#include "app/RunStore.h"
#include "app/RunViewer.h"
#include "chart/EnvelopeSeries.h"
#include "protocol/BoardProtocol.h"

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

// The live frame as a tick makes it: the 200 values put in again, then the render.
void BM_LiveTraceFrame(benchmark::State& state) {
  TOscilloscope scope(200);
  QImage window(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&window);
  scope.chart.RenderChart(painter, {0, 0, kWidth, kHeight});
  int shift = 0;
  for (auto _ : state) {
    scope.series->RemoveAllPoints();
    for (int i = 0; i < 200; ++i)
      scope.series->AppendPoint(i, Sample(i + shift), QString(), DefaultPointColor);
    ++shift;
    scope.chart.RenderChart(painter, {0, 0, kWidth, kHeight});
  }
}
BENCHMARK(BM_LiveTraceFrame)->Unit(benchmark::kMicrosecond);

// 8 hours of measuring kept in the run store: 288,000 blocks of the board's counts (a slow
// sine with noise, a gap now and then), and the oscilloscope's chart drawing a view of it
// from the envelopes, one column a pixel, as a view of the run will.
constexpr int kEightHourBlocks = 288000;

struct TRunView {
  TRunView() : scope(0), envelope(new TEnvelopeSeries(&scope.chart)) {
    envelope->SetSeriesColor(clYellow);
    envelope->LinePen.SetWidth(2);
    envelope->SetParentChart(&scope.chart);
    const size_t heapBefore = mallinfo2().uordblks;
    run = &store.StartRun({});
    std::mt19937 random(8);
    std::normal_distribution<double> noise(0, 3);
    BoardProtocol::TSampleBlock block;
    for (int b = 0; b < kEightHourBlocks; ++b) {
      if (b % 10000 == 9999) store.MarkGap();
      for (int k = 0; k < 32; ++k) {
        const double counts = 512 + 300 * std::sin((b * 32 + k) * 1e-5) + noise(random);
        block[k] = static_cast<uint16_t>(std::clamp(counts, 0.0, 1023.0));
      }
      store.AppendBlock(block, b * 100);
    }
    heapBytes = mallinfo2().uordblks - heapBefore;
    QImage window(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&window);
    scope.chart.RenderChart(painter, {0, 0, kWidth, kHeight});  // lays the plot out
    const TCustomChartAxis& axis = *scope.chart.BottomAxis;
    envelopes.resize(std::abs(axis.ValueToPosition(200) - axis.ValueToPosition(0)));
    spans.resize(envelopes.size());
  }
  // One frame of the view of samples [first, end).
  void Frame(QPainter& painter, uint64_t first, uint64_t end) {
    run->Columns(first, end, envelopes);
    for (size_t c = 0; c < envelopes.size(); ++c)
      spans[c] = {BoardProtocol::VoltsFromRaw(envelopes[c].Low),
                  BoardProtocol::VoltsFromRaw(envelopes[c].High), envelopes[c].HasValue,
                  envelopes[c].GapBefore};
    envelope->SetColumns(0, 200, spans);
    scope.chart.RenderChart(painter, {0, 0, kWidth, kHeight});
  }
  TOscilloscope scope;
  TEnvelopeSeries* envelope;  // owned by the chart
  TRunStore store;
  TRun* run = nullptr;
  size_t heapBytes = 0;
  std::vector<TColumnEnvelope> envelopes;
  std::vector<TChartColumnSpan> spans;
};

TRunView& EightHourRun() {
  static TRunView view;
  return view;
}

// range(0): the samples in view, 0 for the whole run. The view moves a little each frame.
void BM_RunFrame(benchmark::State& state) {
  TRunView& view = EightHourRun();
  QImage window(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&window);
  const uint64_t total = view.run->SampleCount();
  const uint64_t length = state.range(0) == 0 ? total : static_cast<uint64_t>(state.range(0));
  uint64_t first = 0;
  for (auto _ : state) {
    view.Frame(painter, first, first + length);
    if (length < total) first = (first + 7919) % (total - length);
  }
  state.counters["store_MB"] = view.store.MemoryBytes() / 1e6;
  state.counters["heap_MB"] = view.heapBytes / 1e6;
}
BENCHMARK(BM_RunFrame)->Arg(0)->Arg(200)->Unit(benchmark::kMicrosecond);

// The same 8 hours in the window itself: the view's gesture (the whole run again, or the
// next 200 samples), its columns handed to the chart, and the chart's paint of them.
TForm1Window& EightHourWindow() {
  static TForm1Window* window = [] {
    auto* made = new TForm1Window;  // for the process' life
    TRunStore& store = made->Form().Runs;
    store.StartRun({});
    std::mt19937 random(8);
    std::normal_distribution<double> noise(0, 3);
    BoardProtocol::TSampleBlock block;
    for (int b = 0; b < kEightHourBlocks; ++b) {
      if (b % 10000 == 9999) store.MarkGap();
      for (int k = 0; k < 32; ++k) {
        const double counts = 512 + 300 * std::sin((b * 32 + k) * 1e-5) + noise(random);
        block[k] = static_cast<uint16_t>(std::clamp(counts, 0.0, 1023.0));
      }
      store.AppendBlock(block, b * 100);
    }
    made->show();
    return made;
  }();
  return *window;
}

// range(0): 0 for the whole run (F), else a view of 200 samples paged on (PageDown) and
// back to the oldest at the end.
void BM_WindowRunFrame(benchmark::State& state) {
  TForm1Window& window = EightHourWindow();
  TRunViewer& viewer = window.Viewer();
  TChart& chart = *window.Chart2();
  QImage image(chart.size(), QImage::Format_RGB32);
  viewer.ShowOldest();
  if (state.range(0) != 0) viewer.ZoomBy(double(viewer.View().Width()) / 200);
  viewer.ShowOldest();
  for (auto _ : state) {
    if (state.range(0) == 0) {
      viewer.ShowWhole();
    } else {
      const uint64_t end = viewer.View().End();
      viewer.Page(1);
      if (viewer.View().End() == end) viewer.ShowOldest();
    }
    chart.render(&image);
  }
  state.counters["samples_in_view"] = double(viewer.View().Width());
}
BENCHMARK(BM_WindowRunFrame)->Arg(0)->Arg(200)->Unit(benchmark::kMicrosecond);

// What keeping the run adds to a tick: the command's mark and the block from the report.
void BM_KeepABlock(benchmark::State& state) {
  TRunStore store;
  TRunCapture capture(store);
  capture.StartRun();
  uint8_t report[64];
  for (int i = 0; i < 64; ++i) report[i] = static_cast<uint8_t>(i % 2 ? 1 : 7 * i);
  for (auto _ : state) {
    capture.CommandSent();
    capture.TakeReport(report, sizeof report);
  }
}
BENCHMARK(BM_KeepABlock);

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
  // "run-whole", "run-200": a view of the 8-hour run, as BM_RunFrame.
  if (QString(which).startsWith("run-")) {
    TRunView& view = EightHourRun();
    QPainter painter(&window);
    const uint64_t length = QString(which) == "run-whole" ? view.run->SampleCount() : 200;
    for (int i = 0; i <= frames; ++i) {
      if (i == 1) CALLGRIND_START_INSTRUMENTATION;
      view.Frame(painter, 1000000 + i * 7919, 1000000 + i * 7919 + length);
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    return 0;
  }
  // "live": the live frame as a tick makes it, as BM_LiveTraceFrame.
  if (QString(which) == "live") {
    TOscilloscope scope(200);
    QPainter painter(&window);
    for (int i = 0; i < frames + 2; ++i) {
      if (i == 2) CALLGRIND_START_INSTRUMENTATION;
      scope.series->RemoveAllPoints();
      for (int k = 0; k < 200; ++k)
        scope.series->AppendPoint(k, Sample(k + i), QString(), DefaultPointColor);
      scope.chart.RenderChart(painter, {0, 0, kWidth, kHeight});
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    return 0;
  }
  // "keep": `frames` blocks kept, as BM_KeepABlock.
  if (QString(which) == "keep") {
    TRunStore store;
    TRunCapture capture(store);
    capture.StartRun();
    uint8_t report[64] = {};
    for (int i = 0; i <= frames; ++i) {
      if (i == 1) CALLGRIND_START_INSTRUMENTATION;
      capture.CommandSent();
      capture.TakeReport(report, sizeof report);
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    return 0;
  }
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
