#!/usr/bin/env bash
# Start-up of simplescope against an empty Qt window of the same size (bench/EmptyWindow.cpp),
# both measured in the same run, turn about, so a busy moment of the machine falls on both:
# process start to the first painted window under Xvfb (median of RUNS), the instructions of
# the same under callgrind (steady where the wall time wanders with the machine's load), and
# peak RSS.
#   bash bench/startup.sh [BUILD_DIR] [RUNS]      (BUILD_DIR default build-bench, RUNS 21)
# The measuring itself runs in a script of its own under xvfb-run, because xvfb-run starts
# its command through /bin/sh, which drops exported bash functions.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."

# Milliseconds from process start to the first paint, and peak RSS in KiB, of one run.
run_once() {
  local begin end times_file
  times_file=$(mktemp)
  begin=$(date +%s%N)
  /usr/bin/time -o "$times_file" -f %M env SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT=1 \
    QT_QPA_PLATFORM=xcb "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo "$(((end - begin) / 1000000)) $(tail -n 1 "$times_file")"
  rm -f "$times_file"
}

# Instructions from process start to exit after the first paint, under callgrind.
instructions_of() {
  local out
  out=$(mktemp)
  SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT=1 QT_QPA_PLATFORM=xcb valgrind --tool=callgrind \
    --callgrind-out-file="$out" "$@" >/dev/null 2>&1
  sed -n 's/^totals: *//p' "$out" | head -n 1
  rm -f "$out"
}

median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

measure() {
  local build=$1 runs=$2 program=() empty=()
  # One run each first: the files are in the page cache for all that follow.
  run_once "$build/app/simplescope" >/dev/null
  run_once "$build/bench/empty_window" >/dev/null
  for _ in $(seq "$runs"); do
    program+=("$(run_once "$build/app/simplescope")")
    empty+=("$(run_once "$build/bench/empty_window")")
  done
  local pt pm et em pi ei
  pt=$(printf '%s\n' "${program[@]}" | cut -d' ' -f1 | median)
  pm=$(printf '%s\n' "${program[@]}" | cut -d' ' -f2 | median)
  et=$(printf '%s\n' "${empty[@]}" | cut -d' ' -f1 | median)
  em=$(printf '%s\n' "${empty[@]}" | cut -d' ' -f2 | median)
  # On a busy machine the wall time wanders; the instructions do not.
  pi=$(instructions_of "$build/app/simplescope")
  ei=$(instructions_of "$build/bench/empty_window")
  awk -v pt="$pt" -v pm="$pm" -v et="$et" -v em="$em" -v pi="$pi" \
    -v ei="$ei" -v n="$runs" 'BEGIN {
    printf "start-up to first paint (median of %d): simplescope %d ms, empty window %d ms: %.2fx\n",
           n, pt, et, pt / et
    printf "  instructions (callgrind, start to exit): simplescope %.1f M, empty window %.1f M\n",
           pi / 1e6, ei / 1e6
    printf "peak RSS: simplescope %.1f MiB, empty window %.1f MiB: %.2fx, %.1f MiB above\n",
           pm / 1024, em / 1024, pm / em, (pm - em) / 1024 }'
}

if [ "${1:-}" = --under-xvfb ]; then
  measure "$2" "$3"
  exit
fi

build=${1:-build-bench}
runs=${2:-21}
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$self" --under-xvfb "$build" "$runs"
