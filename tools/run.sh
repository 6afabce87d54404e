#!/usr/bin/env bash
# Installs what is missing, builds simplescope and starts it. Without a real board it first
# plugs in the virtual one (a 3 V sine) for a demo, so a click on the start picture shows a
# live trace: through /dev/uhid where this user may open it, else on an emulated node
# (umockdev), which needs no privilege. The virtual board is unplugged when the program ends.
#   SIMPLESCOPE_BUILD_DIR=DIR bash tools/run.sh   starts a build made before: nothing is
#                                                 installed or built
#   SIMPLESCOPE_UHID=PATH                         another uhid node (for the tests)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -n "${SIMPLESCOPE_BUILD_DIR:-}" ]; then
  build=$SIMPLESCOPE_BUILD_DIR
else
  build=build
  bash tools/install-deps.sh
  # Configured as the test command configures it, so neither undoes the other's build;
  # only the programs are built here.
  cmake -S . -B build -G Ninja -DSIMPLESCOPE_TESTS=ON >/dev/null
  # The emulated board is a development tool, but it is the demo where /dev/uhid is closed.
  cmake --build build -j "$(nproc)" --target simplescope simplescope-board emulated-board
fi
program=$build/app/simplescope
board_tool=$build/tools/simplescope-board/simplescope-board
emulator=$build/tools/emulated-board/emulated-board
demo_signal=(--signal=sine --period=50 --amplitude=3)
uhid=${SIMPLESCOPE_UHID:-/dev/uhid}

attached_board_node() {
  local uevent hidraw
  for uevent in /sys/class/hidraw/*/device/uevent; do
    grep -qs '^HID_ID=0003:000021CF:00000004$' "$uevent" || continue
    hidraw=${uevent%/device/uevent}
    echo "/dev/${hidraw##*/}"
    return 0
  done
  return 1
}

# Plugs the virtual board in through /dev/uhid; on failure leaves why in $why. (Run in this
# shell, not in $(...): the board's process id must outlive the function.)
board_pid=
why=
plug_uhid_board() {
  local log
  log=$(mktemp)
  # In English whatever the locale: its lines are read here.
  LANGUAGE= LC_ALL=C.UTF-8 "$board_tool" "${demo_signal[@]}" >"$log" 2>&1 &
  board_pid=$!
  # It says so once the kernel has the device; it ends at once when it can't make one.
  for _ in $(seq 50); do
    grep -q 'plugged in' "$log" && break
    kill -0 "$board_pid" 2>/dev/null || break
    sleep 0.05
  done
  if grep -q 'plugged in' "$log" && kill -0 "$board_pid" 2>/dev/null; then
    rm -f "$log"
    return 0
  fi
  kill -TERM "$board_pid" 2>/dev/null || true
  wait "$board_pid" 2>/dev/null || true
  board_pid=
  why=$(sed -n 's/^simplescope-board: //p' "$log" | head -n 1)
  rm -f "$log"
  return 1
}

status=0
if node=$(attached_board_node); then
  echo "simplescope: the experiment board is attached ($node): no demo board"
  "$program" || status=$?
  exit "$status"
fi

# The module may simply not be loaded yet; loading it needs root, and is harmless to try.
if [ ! -e "$uhid" ] && [ "$(id -u)" = 0 ]; then modprobe uhid 2>/dev/null || true; fi
if [ ! -e "$uhid" ]; then
  why="$uhid is missing (kernel module uhid not loaded)"
elif [ ! -r "$uhid" ] || [ ! -w "$uhid" ]; then
  why="$uhid is closed to user $(id -un) (it needs root)"
elif plug_uhid_board; then
  echo "simplescope: no board attached: plugged in the virtual board (a 3 V sine) through $uhid for a demo"
  "$program" || status=$?
  kill -TERM "$board_pid" 2>/dev/null || true
  wait "$board_pid" 2>/dev/null || true
  exit "$status"
fi

if [ -x "$emulator" ]; then
  echo "simplescope: no board attached and $why: running with the virtual board (a 3 V sine) on an emulated node (umockdev) for a demo"
  exec "$emulator" --quiet "${demo_signal[@]}" -- "$program"
fi
echo "simplescope: no board attached, $why, and the emulated board is not built: the program starts alone"
"$program" || status=$?
exit "$status"
