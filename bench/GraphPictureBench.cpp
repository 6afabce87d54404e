// The graph saved for a report ("Save graph"): the content taken when the entry is chosen and
// the picture drawn from it, for the 200 values shown and for an 8-hour run with the whole run
// in view. See README.md for the figures.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cmath>

#include "app/GraphPicture.h"
#include "app/RunStore.h"
#include "app/TraceReading.h"
#include "app/VoltsHistory.h"

namespace {

const QDateTime kTaken(QDate(2026, 12, 10), QTime(12, 0));

// 8 hours at 320 samples a second in blocks of 32: a slow sine of 300 counts.
const TRun& EightHourRun() {
  static const TRun& run = []() -> const TRun& {
    auto* made = new TRun(1, std::chrono::system_clock::time_point{});
    constexpr int kBlocks = 8 * 3600 * 10;
    std::vector<uint16_t> block(32);
    for (int b = 0; b < kBlocks; ++b) {
      for (int k = 0; k < 32; ++k)
        block[k] = uint16_t(512 + std::lround(300 * std::sin((b * 32 + k) / 5000.0)));
      made->AppendBlock(block, b * 100);
    }
    return *made;
  }();
  return run;
}

TGraphContent LiveContent() {
  static TVoltsHistory values(200);
  static TTraceReading reading;
  if (values.Count() == 0)
    for (int i = 0; i < 200; ++i) {
      values.AddNewest(2.4 * std::sin(i * 0.1745));
      reading.Figures.Add(values.At(0));
    }
  return GraphContentOfValues(values, reading, kTaken);
}

void BM_GraphContentOfEightHourRun(benchmark::State& state) {
  const TRun& run = EightHourRun();
  const int columns = TGraphPicture::PlotColumns({});
  for (auto _ : state)
    benchmark::DoNotOptimize(GraphContentOfRun(run, 0, run.SampleCount(), columns, kTaken));
}
BENCHMARK(BM_GraphContentOfEightHourRun)->Unit(benchmark::kMillisecond);

void BM_GraphPng(benchmark::State& state) {
  const TGraphContent content =
      state.range(0) == 0 ? LiveContent()
                          : GraphContentOfRun(EightHourRun(), 0, EightHourRun().SampleCount(),
                                              TGraphPicture::PlotColumns({}), kTaken);
  for (auto _ : state) benchmark::DoNotOptimize(TGraphPicture::Png(content, {}));
}
BENCHMARK(BM_GraphPng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_GraphSvg(benchmark::State& state) {
  const TGraphContent content =
      state.range(0) == 0 ? LiveContent()
                          : GraphContentOfRun(EightHourRun(), 0, EightHourRun().SampleCount(),
                                              TGraphPicture::PlotColumns({}), kTaken);
  for (auto _ : state) benchmark::DoNotOptimize(TGraphPicture::Svg(content, {}));
}
BENCHMARK(BM_GraphSvg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
