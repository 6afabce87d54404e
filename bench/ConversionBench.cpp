// The history's text conversions: a voltage to its "%1.1f" text (FormatFixed1) and the text
// read back (StrToFloat), over every raw value the board can send. With --count, the same
// conversions once each, for callgrind (started with instrumentation off) to count.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QString>
#include <cstring>
#include <vector>

#include "framework/Format.h"

#include "Callgrind.h"

namespace {

// Volts of every raw value, in the order of a sweep from the middle outwards: the board's
// own range (0..1023) first, which is what a tick sees.
std::vector<double> Voltages(int count) {
  std::vector<double> volts;
  for (int raw = 0; raw < count; ++raw) volts.push_back((raw - 512) / 102.4);
  return volts;
}

std::vector<QString> Texts(const std::vector<double>& volts) {
  std::vector<QString> texts;
  for (double v : volts) texts.push_back(FormatFixed1(v));
  return texts;
}

void BM_FormatFixed1(benchmark::State& state) {
  const std::vector<double> volts = Voltages(static_cast<int>(state.range(0)));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatFixed1(volts[i]));
    if (++i == volts.size()) i = 0;
  }
}
BENCHMARK(BM_FormatFixed1)->Arg(1024)->Arg(65536);

void BM_StrToFloat(benchmark::State& state) {
  const std::vector<QString> texts = Texts(Voltages(static_cast<int>(state.range(0))));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(StrToFloat(texts[i]));
    if (++i == texts.size()) i = 0;
  }
}
BENCHMARK(BM_StrToFloat)->Arg(1024)->Arg(65536);

// Every raw value converted once, one way; only the conversions are counted.
int CountConversions(const char* which) {
  const std::vector<double> volts = Voltages(65536);
  const std::vector<QString> texts = Texts(volts);
  double sum = 0;
  qsizetype length = 0;
  if (std::strcmp(which, "format") == 0) {
    CALLGRIND_START_INSTRUMENTATION;
    for (double v : volts) length += FormatFixed1(v).size();
    CALLGRIND_STOP_INSTRUMENTATION;
  } else if (std::strcmp(which, "read") == 0) {
    CALLGRIND_START_INSTRUMENTATION;
    for (const QString& text : texts) sum += StrToFloat(text);
    CALLGRIND_STOP_INSTRUMENTATION;
  } else {
    return 1;
  }
  benchmark::DoNotOptimize(sum);
  benchmark::DoNotOptimize(length);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc == 3 && std::strcmp(argv[1], "--count") == 0) return CountConversions(argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
