#!/usr/bin/env bash
# The cost of measuring: runs simplescope under Xvfb with the virtual board on an emulated
# node (umockdev), clicks the start picture, and reads the program's own CPU time over
# SECONDS of measuring (default 30) and its peak resident memory. Then runs it again under
# callgrind and counts the instructions of one tick: those of 10 s of measuring less those of
# 10 s of idling just before, divided by the ticks in between, with the part spent in the
# chart's render and in the tick's handler. The pointer stays where it clicked, on the start
# picture; with POINTER=chart it is moved onto the middle of the plot after the click, where the
# readout's tooltip follows the trace under it. With MEASUREMENTS_WINDOW=1 the measurements window
# is opened (Ctrl+M) once measuring has started, and both figures are of the program with it.
# With RECORD=1 it then starts a recording from the window (Ctrl+R, a file of its own in the
# save dialog) and counts 10 s more of measuring while recording, the writer thread's
# instructions included, against those without. With FOCUS=1 it counts 9 s more of measuring
# while the window loses the keyboard focus and gets it back three times (the focus given to the
# screen's root window and back, as a dialog or the measurements window takes it and gives it
# back), and what one change of the focus costs beyond the ticks. SETTLE=SECONDS (default 6)
# is the time between the click and the count; a short one counts the start's own paints too.
# With LIVE=1 it switches live sound on (L) instead, played into a PulseAudio server of its own
# with a null sink, and counts 10 s more of measuring with it, the player's thread and the
# sound client's included.
#   [POINTER=start|chart] [SETTLE=SECONDS] [MEASUREMENTS_WINDOW=1] [FOCUS=1] [RECORD=1 | LIVE=1] \
#     bash bench/measure-cost.sh [SECONDS]
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."

# Opens the measurements window when asked to: Ctrl+M in the main window, which gets the
# keyboard focus first (there is no window manager to give it).
open_measurements() {
  [ "${MEASUREMENTS_WINDOW:-0}" = 1 ] || return 0
  xdotool windowfocus "$1" key ctrl+m
  sleep 1
}

# Clicks the start picture, at (400, 488) in the window and 113 x 114, and leaves the pointer
# there or, with POINTER=chart, moves it onto the middle of the plot.
start_measuring() {
  xdotool mousemove --window "$1" 456 545 click 1
  case "${POINTER:-start}" in
    start) ;;
    chart) sleep 0.2; xdotool mousemove --window "$1" 372 276 ;;
    *) echo "POINTER is start or chart" >&2; return 1 ;;
  esac
}

measure() {
  local seconds=$1 launcher program window ticks=$(getconf CLK_TCK)
  build-bench/tools/emulated-board/emulated-board --for=$((seconds + 30)) \
    -- build-bench/app/simplescope &
  launcher=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --class simplescope | head -n 1)
  program=$(pgrep -P "$launcher" -x simplescope)
  sleep 0.5
  start_measuring "$window"
  sleep 0.2
  open_measurements "$window"
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

# Instructions of what the program did since the last zeroing, from callgrind's dump.
dumped_instructions() { sed -n 's/^totals: *//p' "$1" | head -n 1; }
# Inclusive instructions of one function in a dump.
inclusive_of() {
  callgrind_annotate --inclusive=yes --threshold=100 "$1" 2>/dev/null |
    awk -v name="$2" '{ line = $0; sub(/^ *[0-9,]+ +\([ 0-9.%]+\) +/, "", line)
                        sub(/^\?\?\?:/, "", line); sub(/ \[.*$/, "", line)
                        if (line == name && found == "") { gsub(",", "", $1); found = $1 } }
                      END { print found + 0 }'
}

# A sound server with a null sink for LIVE=1, in a folder of its own; anonymous clients.
start_sound_server() {
  [ "${LIVE:-0}" = 1 ] || return 0
  mkdir -m 700 "$1/pulse-home"
  XDG_RUNTIME_DIR="$1/pulse-home" HOME="$1/pulse-home" pulseaudio --daemonize=no \
    --exit-idle-time=-1 -n --use-pid-file=no --load="module-null-sink sink_name=nul" \
    --load="module-native-protocol-unix auth-anonymous=1" >/dev/null 2>&1 &
  sound_server=$!
  export PULSE_SERVER="unix:$1/pulse-home/pulse/native"
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "measure-cost: the sound server did not come up" >&2
  return 1
}

count_instructions() {
  local window_seconds=10 launcher program window out sound_server=""
  out=$(mktemp -d)
  start_sound_server "$out"
  build-bench/tools/emulated-board/emulated-board --for=600 -- valgrind --tool=callgrind \
    --callgrind-out-file="$out/callgrind.out" build-bench/app/simplescope >/dev/null 2>&1 &
  launcher=$!
  window=$(timeout 120 xdotool search --sync --onlyvisible --class simplescope | head -n 1)
  # The tool's process (callgrind-amd64-linux), not another child the launcher may have.
  program=$(pgrep -P "$launcher" '^callgrind' | head -n 1)
  sleep 6  # the first paint under callgrind takes its time
  callgrind_control --zero "$program" >/dev/null 2>&1
  sleep "$window_seconds"
  callgrind_control --dump=idle "$program" >/dev/null 2>&1
  start_measuring "$window"
  # The start's own paints ("計測中" where the instructions were) and the first trace's
  # render settle before the count: SETTLE seconds (default 6) in all.
  local half
  half=$(awk -v s="${SETTLE:-6}" 'BEGIN { print s / 2 }')
  sleep "$half"
  open_measurements "$window"
  sleep "$half"
  callgrind_control --zero "$program" >/dev/null 2>&1
  sleep "$window_seconds"
  callgrind_control --dump=measuring "$program" >/dev/null 2>&1
  local dumps=2
  if [ "${FOCUS:-0}" = 1 ]; then
    local root
    root=$(xwininfo -root | awk '/Window id/ {print $4}')
    callgrind_control --zero "$program" >/dev/null 2>&1
    for _ in 1 2 3; do
      xdotool windowfocus "$root"
      sleep 1.5
      xdotool windowfocus "$window"
      sleep 1.5
    done
    callgrind_control --dump=focus "$program" >/dev/null 2>&1
    dumps=$((dumps + 1))
    local focus=$out/callgrind.out.$dumps
  fi
  if [ "${RECORD:-0}" = 1 ]; then
    # Ctrl+R over the window; the save dialog gets a file of ours typed over its proposal.
    xdotool key ctrl+r
    local dialog
    dialog=$(timeout 60 xdotool search --sync --onlyvisible --name '^(Record|記録)$' | head -n 1)
    xdotool windowfocus --sync "$dialog" key ctrl+a
    xdotool type --delay 20 "$out/recording.csv"
    xdotool key Return
    sleep 3
    callgrind_control --zero "$program" >/dev/null 2>&1
    sleep "$window_seconds"
    callgrind_control --dump=recording "$program" >/dev/null 2>&1
    dumps=$((dumps + 1))
    local recorded=$out/callgrind.out.$dumps
  fi
  if [ "${LIVE:-0}" = 1 ]; then
    xdotool key l
    sleep 3
    callgrind_control --zero "$program" >/dev/null 2>&1
    sleep "$window_seconds"
    callgrind_control --dump=live "$program" >/dev/null 2>&1
    dumps=$((dumps + 1))
    local listened=$out/callgrind.out.$dumps
  fi
  kill -TERM "$program"
  wait "$launcher" || true
  [ -n "$sound_server" ] && kill "$sound_server" && wait "$sound_server" 2>/dev/null || true
  # KEEP_CALLGRIND=FILE keeps the measuring dump for callgrind_annotate (and FILE.live the
  # one with live sound).
  if [ -n "${KEEP_CALLGRIND:-}" ]; then
    cp "$out/callgrind.out.2" "$KEEP_CALLGRIND"
    if [ "${LIVE:-0}" = 1 ]; then cp "$listened" "$KEEP_CALLGRIND.live"; fi
  fi
  local idle measuring ticks tick render pictures
  idle=$(dumped_instructions "$out/callgrind.out.1")
  measuring=$(dumped_instructions "$out/callgrind.out.2")
  ticks=$(awk -v name='TForm1::Timer1Timer(TObject*)' -f bench/callgrind-calls.awk \
    "$out/callgrind.out.2")
  tick=$(inclusive_of "$out/callgrind.out.2" 'TForm1::Timer1Timer(TObject*)')
  render=$(inclusive_of "$out/callgrind.out.2" 'TCustomChart::paintEvent(QPaintEvent*)')
  pictures=$(inclusive_of "$out/callgrind.out.2" 'TPictureWidget::paintEvent(QPaintEvent*)')
  awk -v idle="$idle" -v measuring="$measuring" -v ticks="$ticks" -v tick="${tick:-0}" \
    -v render="${render:-0}" -v pictures="${pictures:-0}" -v s="$window_seconds" 'BEGIN {
    if (ticks == 0) { print "callgrind: no tick counted"; exit 1 }
    per = (measuring - idle) / ticks
    printf "callgrind, %d s each: %d ticks; %.0f instructions per tick (idle subtracted)\n", s,
           ticks, per
    printf "  of which the tick handler %.0f, the chart render %.0f (%.0f %%), the rest %.0f\n",
           tick / ticks, render / ticks, 100 * render / ticks / per, per - (tick + render) / ticks
    printf "  (the pictures painted: %.0f per tick)\n", pictures / ticks }'
  if [ "${FOCUS:-0}" = 1 ]; then
    local focused fticks fpictures
    focused=$(dumped_instructions "$focus")
    fticks=$(awk -v name='TForm1::Timer1Timer(TObject*)' -f bench/callgrind-calls.awk "$focus")
    fpictures=$(inclusive_of "$focus" 'TPictureWidget::paintEvent(QPaintEvent*)')
    awk -v idle="$idle" -v measuring="$measuring" -v ticks="$ticks" -v focused="$focused" \
      -v fticks="$fticks" -v fpictures="${fpictures:-0}" 'BEGIN {
      if (fticks == 0) { print "callgrind: no tick counted while the focus changed"; exit 1 }
      per = (measuring - idle) / ticks
      printf "focus lost and regained 3 times: %d ticks; %.0f instructions per tick;\n", fticks,
             focused / fticks
      printf "  %.0f per change of the focus beyond the ticks (the pictures %.0f)\n",
             (focused - 0.9 * idle - fticks * per) / 6, fpictures / 6 }'
  fi
  if [ "${RECORD:-0}" = 1 ]; then
    local recording rticks rows
    recording=$(dumped_instructions "$recorded")
    rticks=$(awk -v name='TForm1::Timer1Timer(TObject*)' -f bench/callgrind-calls.awk \
      "$recorded")
    rows=$(($(wc -l <"$out/recording.csv") - 1))
    awk -v idle="$idle" -v measuring="$measuring" -v ticks="$ticks" -v recording="$recording" \
      -v rticks="$rticks" -v rows="$rows" -v s="$window_seconds" 'BEGIN {
      if (rticks == 0) { print "callgrind: no tick counted while recording"; exit 1 }
      without = (measuring - idle) / ticks; with = (recording - idle) / rticks
      printf "recording, %d s: %d ticks; %.0f instructions per tick, %.0f more than without\n",
             s, rticks, with, with - without
      printf "  (%d rows in the file)\n", rows }'
  fi
  if [ "${LIVE:-0}" = 1 ]; then
    local live lticks
    live=$(dumped_instructions "$listened")
    lticks=$(awk -v name='TForm1::Timer1Timer(TObject*)' -f bench/callgrind-calls.awk \
      "$listened")
    awk -v idle="$idle" -v measuring="$measuring" -v ticks="$ticks" -v live="$live" \
      -v lticks="$lticks" -v s="$window_seconds" 'BEGIN {
      if (lticks == 0) { print "callgrind: no tick counted with live sound"; exit 1 }
      without = (measuring - idle) / ticks; with = (live - idle) / lticks
      printf "live sound, %d s: %d ticks; %.0f instructions per tick, %.0f more than without\n",
             s, lticks, with, with - without }'
  fi
  rm -rf "$out"
}

if [ "${1:-}" = --under-xvfb ]; then
  [ "$2" -gt 0 ] && measure "$2"
  count_instructions
  exit
fi

seconds=${1:-30}
bash tools/install-deps.sh
for p in xvfb xauth xdotool x11-utils valgrind pulseaudio pulseaudio-utils; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p" >/dev/null
done
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench --target simplescope emulated-board >/dev/null

xvfb-run -a -s "-screen 0 1024x768x24" bash "$self" --under-xvfb "$seconds"
