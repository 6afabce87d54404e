// What the trace's sound costs the player's thread: one live block (32 values -> 100 ms) and
// a 3 s trace of 200 values. The window's main thread only copies the values over.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "sound/TraceSound.h"

namespace {

std::vector<double> Sine(int count, double periods) {
  std::vector<double> values;
  for (int i = 0; i < count; ++i)
    values.push_back(3.0 * std::sin(2 * std::numbers::pi * periods * i / count));
  return values;
}

void BM_LiveBlock(benchmark::State& state) {
  TraceSound::TLive live;
  const std::vector<double> block = Sine(32, 1.0);
  for (auto _ : state) benchmark::DoNotOptimize(live.RenderBlock(block));
}
BENCHMARK(BM_LiveBlock);

void BM_TraceThreeSeconds(benchmark::State& state) {
  TraceSound::TRequest request;
  request.volts = Sine(200, 3.0);
  for (auto _ : state) benchmark::DoNotOptimize(TraceSound::Render(request));
}
BENCHMARK(BM_TraceThreeSeconds);

}  // namespace

BENCHMARK_MAIN();
