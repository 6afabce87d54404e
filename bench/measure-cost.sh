#!/usr/bin/env bash
# The cost of measuring: runs simplescope under Xvfb with the virtual board on an emulated
# node (umockdev), clicks the start picture, and reads the program's own CPU time over
# SECONDS of measuring (default 30) and its peak resident memory.
#   bash bench/measure-cost.sh [SECONDS]
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."

measure() {
  local seconds=$1 launcher program window ticks=$(getconf CLK_TCK)
  build-bench/tools/emulated-board/emulated-board --for=$((seconds + 30)) \
    -- build-bench/app/simplescope &
  launcher=$!
  window=$(timeout 20 xdotool search --sync --name '簡易オシロソフト' | head -n 1)
  program=$(pgrep -P "$launcher" -x simplescope)
  sleep 0.5
  # The start picture lies at (400, 488) in the window and is 113 x 114.
  xdotool mousemove --window "$window" 456 545 click 1
  sleep 0.2
  cpu_ticks() { awk '{print $14 + $15}' "/proc/$program/stat"; }
  local before after
  before=$(cpu_ticks)
  sleep "$seconds"
  after=$(cpu_ticks)
  local hwm
  hwm=$(awk '/VmHWM/ {print $2}' "/proc/$program/status")
  kill -TERM "$program"
  wait "$launcher" || true
  awk -v t="$((after - before))" -v hz="$ticks" -v s="$seconds" -v m="$hwm" 'BEGIN {
    printf "measuring for %d s: %.2f s of CPU, %.2f %% of one core; peak RSS %.1f MB\n",
           s, t / hz, 100 * t / hz / s, m / 1024 }'
}

if [ "${1:-}" = --under-xvfb ]; then
  measure "$2"
  exit
fi

seconds=${1:-30}
bash tools/install-deps.sh
for p in xvfb xauth xdotool; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p" >/dev/null
done
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench --target simplescope emulated-board >/dev/null

xvfb-run -a -s "-screen 0 1024x768x24" bash "$self" --under-xvfb "$seconds"
