#!/usr/bin/env bash
# Installs what is missing, builds simplescope and starts it. Without a real board it
# first plugs in the virtual one (simplescope-board, a sine) where the kernel allows, so
# there is a live trace to see; the virtual board is unplugged when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DSIMPLESCOPE_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)" --target simplescope simplescope-board

board_attached() {
  grep -qs '^HID_ID=0003:000021CF:00000004$' /sys/class/hidraw/*/device/uevent
}

board_pid=
if board_attached; then
  echo "simplescope: the experiment board is attached"
else
  # The module may simply not be loaded yet; that needs root, and is harmless to try.
  if [ ! -e /dev/uhid ] && [ "$(id -u)" = 0 ]; then modprobe uhid 2>/dev/null || true; fi
  board_log=$(mktemp)
  build/tools/simplescope-board/simplescope-board --signal=sine --period=50 \
    --amplitude=3 >"$board_log" 2>&1 &
  board_pid=$!
  sleep 0.3
  if kill -0 "$board_pid" 2>/dev/null; then
    echo "simplescope: no board attached; started the virtual board (a 3 V sine) for a demo"
  else
    wait "$board_pid" || true
    board_pid=
    echo "simplescope: no demo board, $(sed -n 's/^simplescope-board: //p' "$board_log" | head -n 1)"
  fi
  rm -f "$board_log"
fi

status=0
build/app/simplescope || status=$?
if [ -n "$board_pid" ]; then
  kill -TERM "$board_pid" 2>/dev/null || true
  wait "$board_pid" 2>/dev/null || true
fi
exit "$status"
