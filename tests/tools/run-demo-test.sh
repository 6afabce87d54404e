#!/usr/bin/env bash
# The run command's demo as a newcomer at an ordinary account meets it: no board attached and
# /dev/uhid missing or closed to the user, so the demo must fall back to the virtual board on
# an emulated node. Under Xvfb, a click on the start picture has to give a moving trace and no
# warning box. The user is made for the test; the run command and the built programs are
# copied where that user can read them, and the suite's build folder is left as it is.
#   run-demo-test.sh SOURCE_DIR PROGRAM BOARD_TOOL EMULATED_BOARD
# Exits 77 (skipped) when it can't make the user, with the reason.
set -euo pipefail

# The chart, in the window's coordinates, and the start picture's centre.
chart_x0=64 chart_y0=136 chart_x1=681 chart_y1=417
start_x=456 start_y=545

fail() { echo "FAILED: $*" >&2; exit 1; }

# XWD (Xvfb's -fbdir file): a big-endian header, a colour map, then rows of 32-bit pixels.
header_field() { od -An -tu4 --endian=big -j "$(($2 * 4))" -N 4 "$1" | tr -d ' '; }

# Counts the pixels in the rectangle (screen coordinates) that differ between two grabs.
pixels_differing() {  # grab1 grab2 x0 y0 x1 y1
  local start bpl
  start=$(($(header_field "$1" 0) + 12 * $(header_field "$1" 19)))
  bpl=$(header_field "$1" 12)
  { cmp -l "$1" "$2" || true; } | awk -v s="$start" -v bpl="$bpl" -v x0="$3" -v y0="$4" \
    -v x1="$5" -v y1="$6" '
    { o = $1 - 1 - s; if (o < 0) next; y = int(o / bpl); x = int((o % bpl) / 4)
      if (x >= x0 && x < x1 && y >= y0 && y < y1) seen[y * 65536 + x] = 1 }
    END { print length(seen) }'
}

# Runs as the made user, inside xvfb-run, in the copied tree.
drive() {
  local work=$1 run window program x y screen=$1/fb/Xvfb_screen0
  cd "$work"
  SIMPLESCOPE_BUILD_DIR="$work/build" bash tools/run.sh >run.log 2>&1 &
  run=$!
  window=$(timeout 30 xdotool search --sync --name '^簡易オシロソフト$' | head -n 1) ||
    { cat run.log; fail "the window did not appear"; }
  program=$(xdotool getwindowpid "$window")
  eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y on the screen
  sleep 2  # the first discovery pass, with time to spare on a busy machine
  xdotool mousemove --window "$window" "$start_x" "$start_y" click 1
  sleep 1
  cp "$screen" grab1
  sleep 1
  cp "$screen" grab2
  local changed boxes
  changed=$(pixels_differing grab1 grab2 $((X + chart_x0)) $((Y + chart_y0)) \
    $((X + chart_x1)) $((Y + chart_y1)))
  boxes=$({ xdotool search --name '^警告$' 2>/dev/null || true; } | wc -l)
  kill -TERM "$program"
  timeout 20 tail --pid="$run" -f /dev/null || fail "the run command did not end with the program"
  cat run.log
  grep -q 'on an emulated node' run.log || fail "the run command did not choose the emulated board"
  [ "$boxes" -eq 0 ] || fail "a warning box opened"
  echo "pixels of the chart that changed in one second: $changed"
  [ "$changed" -ge 50 ] || fail "the trace did not move"
}

if [ "${1:-}" = --drive ]; then
  drive "$2"
  exit
fi

source_dir=$1 program=$2 board_tool=$3 emulator=$4
skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "making an ordinary user (useradd, runuser) needs root"
for tool in useradd userdel runuser xvfb-run xdotool; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

user=ss-demo-$$
work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
  # xvfb-run's server may take a moment to go; userdel refuses a user with processes.
  for _ in $(seq 50); do
    pgrep -u "$user" >/dev/null || break
    sleep 0.1
  done
  userdel "$user" 2>/dev/null || userdel --force "$user" || true
  rm -rf "$work"
}
trap cleanup EXIT
useradd --no-create-home --home-dir "$work/home" --shell /bin/bash "$user"

mkdir -p "$work"/{tools,home,fb,build/app,build/tools/simplescope-board,build/tools/emulated-board}
cp "$source_dir/tools/run.sh" "$work/tools/"
cp "$(realpath "$0")" "$work/demo-test.sh"
cp "$program" "$work/build/app/"
cp "$board_tool" "$work/build/tools/simplescope-board/"
cp "$emulator" "$work/build/tools/emulated-board/"
chown "$user" "$work" "$work/home" "$work/fb"

if runuser -u "$user" -- sh -c '[ -r /dev/uhid ] && [ -w /dev/uhid ]'; then
  skip "/dev/uhid is open to an ordinary user on this machine: the emulated demo can't be reached"
fi

timeout 150 runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$work/home" LANG=C.UTF-8 \
  xvfb-run -a -s "-screen 0 1024x768x24 -fbdir $work/fb" bash "$work/demo-test.sh" --drive "$work"
