#!/usr/bin/env bash
# The window with a real screen reader's client: a D-Bus session with the AT-SPI bus under
# Xvfb, the program on the virtual board (emulated node), and atspi_client.py in the same
# session, run with Debian's own Python (where pyatspi is).
#   atspi-test.sh SCENARIO PROGRAM EMULATED_BOARD     (SCENARIO: reader, keyboard or sound)
# The sound scenario plays into a PulseAudio server of its own with a null sink; without
# pulseaudio installed it is skipped (status 77).
set -euo pipefail
self=$(realpath "$0")
here=$(dirname "$self")

if [ "${1:-}" = --in-session ]; then
  scenario=$2 program=$3 board=$4
  control=$(mktemp -d)
  pids=()
  board_pid=
  cleanup() {
    # The program first (the board runner waits for it), while the display is still there.
    if [ -n "$board_pid" ]; then
      for child in $(pgrep -P "$board_pid"); do kill "$child" 2>/dev/null || true; done
      wait "$board_pid" 2>/dev/null || true
    fi
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$control" "${sound:-}"
  }
  trap cleanup EXIT
  if [ "$scenario" = sound ]; then
    sound=$(mktemp -d)
    XDG_RUNTIME_DIR=$sound HOME=$sound pulseaudio --daemonize=no --exit-idle-time=-1 -n \
      --use-pid-file=no --disallow-exit --load="module-null-sink sink_name=nul" \
      --load="module-native-protocol-unix auth-anonymous=1" >/dev/null 2>&1 &
    pids+=($!)
    export PULSE_SERVER=unix:$sound/pulse/native
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl set-default-sink nul
  fi
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  pids+=($!)
  # The accessibility bus is there once the session bus can tell its address.
  for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
      >/dev/null 2>&1 && break
    sleep 0.1
  done
  # Japanese, as the names a screen reader hears are checked in Japanese.
  LANG=ja_JP.UTF-8 LC_ALL= LC_MESSAGES= QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    QT_QPA_PLATFORM=xcb "$board" --quiet --control "$control" -- "$program" &
  board_pid=$!
  /usr/bin/python3 "$here/atspi_client.py" "$scenario" "$control"
  exit
fi

[ $# -eq 3 ] || { echo "usage: $0 reader|keyboard|sound PROGRAM EMULATED_BOARD" >&2; exit 2; }
if [ "$1" = sound ] && ! command -v pulseaudio >/dev/null; then
  echo "atspi-test: pulseaudio is not installed (tools/install-deps.sh installs it); skipped" >&2
  exit 77
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  dbus-run-session -- bash "$self" --in-session "$1" "$(realpath "$2")" "$(realpath "$3")"
