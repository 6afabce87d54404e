#!/usr/bin/env bash
# Start-up of simplescope against an empty Qt window of the same size (bench/EmptyWindow.cpp),
# both measured in the same run, turn about, so a busy moment of the machine falls on both:
# process start to the first painted window under Xvfb (median of RUNS; the time each program
# says it painted, so the exits, which differ, are not counted: the empty window's has Qt load
# the font configuration it never needed), the same to the process's end, the instructions of
# start to end under callgrind (steady where the wall time wanders with the machine's load),
# and peak RSS.
#   bash bench/startup.sh [BUILD_DIR] [RUNS]      (BUILD_DIR default build-bench, RUNS 21)
# The measuring itself runs in a script of its own under xvfb-run, because xvfb-run starts
# its command through /bin/sh, which drops exported bash functions.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."

# Milliseconds from process start to the first paint and to the end, and peak RSS in KiB,
# of one run.
run_once() {
  local begin end times_file said painted
  times_file=$(mktemp)
  said=$(mktemp)
  begin=$(date +%s%N)
  /usr/bin/time -o "$times_file" -f %M env SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT=1 \
    QT_QPA_PLATFORM=xcb "$@" >"$said" 2>/dev/null
  end=$(date +%s%N)
  painted=$(sed -n 's/^first paint //p' "$said")
  [ -n "$painted" ] || { echo "startup.sh: $1 said nothing of its first paint" >&2; exit 1; }
  awk -v b="$begin" -v p="$painted" -v e="$end" -v m="$(tail -n 1 "$times_file")" \
    'BEGIN { printf "%.2f %.2f %d\n", (p - b / 1000) / 1000, (e - b) / 1e6, m }'
  rm -f "$times_file" "$said"
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

median() { LC_ALL=C sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

measure() {
  local build=$1 runs=$2 program=() empty=()
  # One run each first: the files are in the page cache for all that follow.
  run_once "$build/app/simplescope" >/dev/null
  run_once "$build/bench/empty_window" >/dev/null
  for _ in $(seq "$runs"); do
    program+=("$(run_once "$build/app/simplescope")")
    empty+=("$(run_once "$build/bench/empty_window")")
  done
  local pt px pm et ex em pi ei
  pt=$(printf '%s\n' "${program[@]}" | cut -d' ' -f1 | median)
  px=$(printf '%s\n' "${program[@]}" | cut -d' ' -f2 | median)
  pm=$(printf '%s\n' "${program[@]}" | cut -d' ' -f3 | median)
  et=$(printf '%s\n' "${empty[@]}" | cut -d' ' -f1 | median)
  ex=$(printf '%s\n' "${empty[@]}" | cut -d' ' -f2 | median)
  em=$(printf '%s\n' "${empty[@]}" | cut -d' ' -f3 | median)
  # On a busy machine the wall time wanders; the instructions do not.
  pi=$(instructions_of "$build/app/simplescope")
  ei=$(instructions_of "$build/bench/empty_window")
  LC_ALL=C awk -v pt="$pt" -v px="$px" -v pm="$pm" -v et="$et" -v ex="$ex" -v em="$em" \
    -v pi="$pi" -v ei="$ei" -v n="$runs" 'BEGIN {
    printf "start-up to first paint (median of %d): simplescope %.1f ms, empty window %.1f ms: %.2fx\n",
           n, pt, et, pt / et
    printf "  to the end of the process: simplescope %.1f ms, empty window %.1f ms: %.2fx\n",
           px, ex, px / ex
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
