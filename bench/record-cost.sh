#!/usr/bin/env bash
# What recording costs, and whether it keeps up: simplescope-record against the virtual
# board on an emulated node (umockdev).
#  1. Its own CPU time over SECONDS of recording at the default rate (10 blocks a second),
#     read from /proc like bench/measure-cost.sh reads the window's, and its peak memory.
#  2. 100 blocks a second (--interval 10) for 60 s from a board that answers 2 ms late:
#     the board's signal is a ramp of counts, so a lost block shows as a jump in the rows.
#   bash bench/record-cost.sh [SECONDS]        (default 30)
# BUILD names the build folder to use (default build-bench, made here in Release).
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
seconds=${1:-30}
build=${BUILD:-build-bench}
if [ -z "${BUILD:-}" ]; then
  bash tools/install-deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target simplescope-record emulated-board >/dev/null
board=$build/tools/emulated-board/emulated-board
recorder=$build/recorder/simplescope-record
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 1. The cost at the default rate.
"$board" --for=$((seconds + 10)) -- "$recorder" -o "$work/default.csv" 2>"$work/default.log" >/dev/null &
launcher=$!
program=
for _ in $(seq 100); do
  program=$(pgrep -P "$launcher" -f simplescope-record || true)
  [ -n "$program" ] && break
  sleep 0.05
done
sleep 1  # past start-up and the first pass
cpu_ticks() { awk '{print $14 + $15}' "/proc/$program/stat"; }
hz=$(getconf CLK_TCK)
before=$(cpu_ticks)
sleep "$seconds"
after=$(cpu_ticks)
hwm=$(awk '/VmHWM/ {print $2}' "/proc/$program/status")
kill -TERM "$program"
wait "$launcher" || true
awk -v t="$((after - before))" -v hz="$hz" -v s="$seconds" -v m="$hwm" 'BEGIN {
  printf "default rate, %d s: %.2f s of CPU, %.3f %% of one core; peak RSS %.1f MB\n",
         s, t / hz, 100 * t / hz / s, m / 1024 }'
grep '^simplescope-record: blocks:' "$work/default.log" || true

# 2. 100 blocks a second for 60 s, answers 2 ms late.
seq 0 999 > "$work/ramp.txt"
"$board" --delay=2 --signal=file --file="$work/ramp.txt" --for=70 -- \
  "$recorder" --interval 10 --seconds 60 -o "$work/fast.csv" 2>"$work/fast.log" || true
grep '^simplescope-record: blocks:' "$work/fast.log" || true
# Commands the board answered, blocks recorded, and samples that do not follow the one
# before them (each a lost block or worse).
answered=$(sed -n 's/.*, \([0-9]*\) commands answered.*/\1/p' "$work/fast.log")
awk -F, -v answered="$answered" 'NR > 1 {
    raw = $4 + 0
    if (NR > 2 && raw != (previous + 1) % 1000) jumps++
    previous = raw; rows++
  }
  END {
    printf "interval 10 ms, 60 s, answers 2 ms late: %d blocks recorded of %d answered, %d jumps in the signal\n",
           rows / 32, answered, jumps + 0
    exit jumps > 0
  }' "$work/fast.csv"
