#!/usr/bin/env bash
# The Windows build under Wine beside the Linux build, on the same machine and the same
# emulated board (umockdev), under Xvfb:
# - CPU while idle (the board attached, not measuring) and while measuring, SECONDS each
#   (default 30), in % of one core: for the Linux build the program's own; for the Windows
#   build everything Wine runs for it (the program, wineserver, the services, the device
#   host with Wine's HID bus), each process's share listed;
# - the time from start to the first paint, median of RUNS (default 11): the Linux program
#   alone, the Windows program in a Wine session that is already running (its wineserver and
#   services up, as on a PC where Windows is);
# - the floor: an empty Qt window that redraws an area of the chart's size ten times a second
#   (bench/EmptyWindow.cpp --tick), on both.
#   bash bench/wine-cost.sh [SECONDS] [RUNS]
# The Linux build comes from build-bench/ (release, as bench/measure-cost.sh makes it), the
# Windows build from build-windows/ (tools/windows.sh; SIMPLESCOPE_WINDOWS_BUILD moves it).
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
source_dir=$PWD
board=$source_dir/build-bench/tools/emulated-board/emulated-board
windows_build=${SIMPLESCOPE_WINDOWS_BUILD:-build-windows}
ticks_per_second=$(getconf CLK_TCK)

cpu_ticks_of() {  # utime + stime of the processes given, in clock ticks
  local total=0 pid
  for pid in "$@"; do
    [ -r "/proc/$pid/stat" ] || continue
    total=$((total + $(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null || echo 0)))
  done
  echo $total
}
# The processes whose environment names this Wine prefix: everything Wine runs for the program.
# The emulated board's own processes have it too (tools/wine-board-run.sh starts them in it):
# they are the board's, as for the Linux build, and left out.
wine_processes() {
  local pid
  for pid in $(grep -lsz "^WINEPREFIX=$1\$" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
    [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$board" ] || echo "$pid"
  done
}
name_of() { tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null | awk '{print $1}' | sed 's|.*[/\\]||'; }

# CPU of the processes (re-listed each time, so that what Wine starts meanwhile counts) over
# SECONDS, as "total_percent" and one "name percent" line per process.
measure_cpu() {
  local seconds=$1 list_command=$2 pid
  declare -A before
  for pid in $($list_command); do before[$pid]=$(cpu_ticks_of "$pid"); done
  sleep "$seconds"
  local total=0 lines=""
  for pid in $($list_command); do
    local now used
    now=$(cpu_ticks_of "$pid")
    used=$((now - ${before[$pid]:-0}))
    total=$((total + used))
    lines+="$(name_of "$pid") $used"$'\n'
  done
  awk -v t="$total" -v hz="$ticks_per_second" -v s="$seconds" \
    'BEGIN { printf "%.2f\n", 100 * t / hz / s }'
  printf '%s' "$lines" | awk -v hz="$ticks_per_second" -v s="$seconds" '$2 > 0 {
      share[$1] += $2 } END { for (n in share) printf "    %-28s %.2f %%\n", n, 100 * share[n] / hz / s }' |
    sort -k2 -n -r >&2
}

# Clicks the start picture (at 400,488 in the client area, 113 x 114) of the window named
# 簡易オシロソフト, wherever the frame puts the client area: the client area is 744 x 662 and
# the frame's sides are alike.
click_start() {
  local window width height side top
  window=$(timeout 60 xdotool search --sync --name '簡易オシロソフト' | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  width=$WIDTH height=$HEIGHT
  side=$(((width - 744) / 2))
  top=$((height - 662 - side))
  xdotool mousemove --window "$window" $((side + 456)) $((top + 545)) click 1
  away_from_window
}

# The pointer in the screen's corner, off the window: no tooltip and no tracking of the
# pointer by the window system while a figure is taken.
away_from_window() {
  xdotool mousemove 1023 767
}

linux_cost() {
  local seconds=$1 launcher program
  "$board" --for=$((2 * seconds + 60)) -- build-bench/app/simplescope &
  launcher=$!
  timeout 30 xdotool search --sync --name '簡易オシロソフト' >/dev/null
  program=$(pgrep -P "$launcher" -x simplescope)
  away_from_window
  sleep 3
  list_linux() { echo "$program"; }
  echo "linux idle: $(measure_cpu "$seconds" list_linux 2>/dev/null) % of one core"
  click_start
  sleep 2
  echo "linux measuring: $(measure_cpu "$seconds" list_linux 2>/dev/null) % of one core"
  kill -TERM "$program"
  wait "$launcher" || true
}

windows_cost() {
  local seconds=$1 work launcher prefix
  work=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-wine-cost.XXXXXX")
  # tools/wine-board-run.sh makes its prefix in TMPDIR: ours alone, so its processes are known.
  TMPDIR=$work SIMPLESCOPE_EMULATED_BOARD=$board \
    bash tools/wine-board-run.sh "$windows_build/bin/simplescope.exe" >/dev/null 2>&1 &
  launcher=$!
  timeout 120 xdotool search --sync --name '簡易オシロソフト' >/dev/null
  prefix=$(ls -d "$work"/simplescope-wine-board.*/prefix)
  list_wine() { wine_processes "$prefix"; }
  away_from_window
  sleep 5  # Wine's bus adds the board a second or two after the start
  echo "windows idle: $(measure_cpu "$seconds" list_wine) % of one core"
  click_start
  sleep 2
  echo "windows measuring: $(measure_cpu "$seconds" list_wine) % of one core"
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  end_tree "$launcher"
  wait "$launcher" || true
  rm -rf "$work" 2>/dev/null || true
}

# Ends a process started here and everything it started, children first.
end_tree() {
  local child
  for child in $(pgrep -P "$1"); do end_tree "$child"; done
  kill -TERM "$1" 2>/dev/null || true
}

median() { LC_ALL=C sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

# Milliseconds from the start of the command to the program's "first paint".
first_paint_ms() {
  local begin said painted
  said=$(mktemp)
  begin=$(date +%s%N)
  SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT=1 "$@" >"$said" 2>/dev/null </dev/null || true
  painted=$(tr -d '\r' <"$said" | sed -n 's/^first paint //p')
  rm -f "$said"
  [ -n "$painted" ] || { echo "wine-cost: $* said nothing of its first paint" >&2; exit 1; }
  awk -v b="$begin" -v p="$painted" 'BEGIN { printf "%.1f\n", (p - b / 1000) / 1000 }'
}

# The yardstick window redrawing a chart's area ten times a second (bench/EmptyWindow.cpp):
# what any Qt window that does so costs, on Linux and under Wine (a Wine session of its own,
# no board), the floor under the measuring figures above.
floor_cost() {
  local seconds=$1 program
  build-bench/bench/empty_window --tick &
  program=$!
  timeout 30 xdotool search --sync --name 'ticking window' >/dev/null
  sleep 2
  list_floor() { echo "$program"; }
  echo "linux ticking window: $(measure_cpu "$seconds" list_floor 2>/dev/null) % of one core"
  kill -TERM "$program"
  wait "$program" || true
  wine "$windows_build/bin/empty_window.exe" --tick &
  program=$!
  timeout 60 xdotool search --sync --name 'ticking window' >/dev/null
  sleep 2
  list_wine_floor() { wine_processes "$WINEPREFIX"; }
  echo "windows ticking window: $(measure_cpu "$seconds" list_wine_floor) % of one core"
  end_tree "$program"
  wineserver -k
  wait "$program" || true
}

startup() {
  local runs=$1 linux=() windows=() i
  export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-wine-startup.XXXXXX")
  wineboot -i >/dev/null 2>&1
  wineserver -w
  wineserver -p
  wineboot -r >/dev/null 2>&1 </dev/null
  first_paint_ms wine "$windows_build/bin/simplescope.exe" >/dev/null  # Wine's services up
  first_paint_ms build-bench/app/simplescope >/dev/null
  for i in $(seq "$runs"); do
    linux+=("$(QT_QPA_PLATFORM=xcb first_paint_ms build-bench/app/simplescope)")
    windows+=("$(first_paint_ms wine "$windows_build/bin/simplescope.exe")")
  done
  echo "first paint (median of $runs): linux $(printf '%s\n' "${linux[@]}" | median) ms," \
    "windows under Wine $(printf '%s\n' "${windows[@]}" | median) ms"
  floor_cost "$seconds"
  wineserver -w
  rm -rf "$WINEPREFIX" 2>/dev/null || true
}

if [ "${1:-}" = --under-xvfb ]; then
  linux_cost "$2"
  windows_cost "$2"
  seconds=$2
  startup "$3"
  exit
fi

seconds=${1:-30}
runs=${2:-11}
[ -x "$windows_build/bin/simplescope.exe" ] ||
  { echo "wine-cost: no Windows build in $windows_build (tools/windows.sh)" >&2; exit 1; }
for p in xvfb xauth xdotool; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p" >/dev/null
done
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench --target simplescope emulated-board empty_window >/dev/null
[ -x "$windows_build/bin/empty_window.exe" ] || cmake --build "$windows_build" --target empty_window >/dev/null
xvfb-run -a -s "-screen 0 1024x768x24" bash "$self" --under-xvfb "$seconds" "$runs"
