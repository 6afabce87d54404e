// Opening an 8-hour recording (288,000 blocks, 9.2 M rows, as the recorder writes them): the
// rows read into a run, as the window's reading thread does, from memory and from a file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/RunFile.h"
#include "protocol/SampleTable.h"

namespace {

constexpr uint64_t kEightHoursOfBlocks = 288'000;
constexpr size_t kPieceBytes = 1 << 20;

const std::string& EightHours() {
  static const std::string text = [] {
    const TSampleTable table(TSampleTable::TFormat::Csv);
    std::string all = table.Header();
    all.reserve(kEightHoursOfBlocks * 32 * 30);
    BoardProtocol::TSampleBlock block;
    for (uint64_t b = 0; b < kEightHoursOfBlocks; ++b) {
      for (int k = 0; k < 32; ++k) block[k] = uint16_t((b * 32 + k) * 7 % 1024);
      all += table.BlockRows(b, int64_t(b) * 100, block);
    }
    return all;
  }();
  return text;
}

void Count(benchmark::State& state, const TRun& run) {
  state.counters["rows_M"] = double(run.SampleCount()) / 1e6;
  state.counters["file_MB"] = double(EightHours().size()) / 1e6;
  state.counters["run_MB"] = double(run.MemoryBytes()) / 1e6;
}

void BM_OpenEightHoursFromMemory(benchmark::State& state) {
  const std::string& text = EightHours();
  for (auto _ : state) {
    TRun run(0, {});
    TRunFileReader reader(run);
    for (size_t at = 0; at < text.size(); at += kPieceBytes)
      reader.Take(std::string_view(text).substr(at, kPieceBytes));
    if (!reader.Finish()) state.SkipWithError("not read");
    Count(state, run);
  }
}
BENCHMARK(BM_OpenEightHoursFromMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenEightHoursFromFile(benchmark::State& state) {
  const std::string path = "/tmp/simplescope-bench-8h.csv";
  std::ofstream(path, std::ios::binary) << EightHours();
  std::vector<char> piece(kPieceBytes);
  for (auto _ : state) {
    TRun run(0, {});
    TRunFileReader reader(run);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    for (size_t got; (got = std::fread(piece.data(), 1, piece.size(), file)) > 0;)
      reader.Take(std::string_view(piece.data(), got));
    std::fclose(file);
    if (!reader.Finish()) state.SkipWithError("not read");
    Count(state, run);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_OpenEightHoursFromFile)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
