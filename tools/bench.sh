#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them, with QCustomPlot as the peer of the
# chart frame, and counts instructions per frame with callgrind.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
for p in libqcustomplot-dev valgrind xvfb xauth time; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p" >/dev/null
done
export QT_QPA_PLATFORM=offscreen
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench --target hid_bench chart_bench conversion_bench run_file_bench \
  simplescope empty_window graph_picture_bench >/dev/null

build-bench/bench/hid_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
build-bench/bench/chart_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
build-bench/bench/conversion_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
build-bench/bench/graph_picture_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
build-bench/bench/run_file_bench

# The history's text conversions, each of the 65,536 raw values once.
for way in format read; do
  out=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$out" --instr-atstart=no \
    build-bench/bench/conversion_bench --count "$way" >/dev/null 2>&1 || true
  total=$(sed -n 's/^totals: *//p' "$out" | head -n 1)
  echo "callgrind $way: $((total / 65536)) instructions per conversion"
  rm -f "$out"
done

frames=20
for which in ours ours-series peer; do
  out=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$out" --instr-atstart=no \
    build-bench/bench/chart_bench --frames "$which" "$frames" >/dev/null 2>&1 || true
  total=$(sed -n 's/^totals: *//p' "$out" | head -n 1)
  echo "callgrind $which: $((total / frames)) instructions per frame (200 points)"
  rm -f "$out"
done
out=$(mktemp)
valgrind --tool=callgrind --callgrind-out-file="$out" --instr-atstart=no \
  build-bench/bench/chart_bench --frames ours 2 1000000 >/dev/null 2>&1 || true
total=$(sed -n 's/^totals: *//p' "$out" | head -n 1)
echo "callgrind ours: $((total / 2)) instructions per frame (1,000,000 points)"
rm -f "$out"

# Start-up: process start to the first painted window under Xvfb and peak memory, both
# against an empty Qt window of the same size measured in the same run.
bash bench/startup.sh build-bench 21
