#!/usr/bin/env bash
# Runs a Windows test program under Wine (tools/wine-run.sh) with the sound system its case
# names: "pulse", a PulseAudio server of its own with a null sink "nul", which Wine's audio
# driver plays into and parecord records from the sink's monitor into a file the program reads
# (SIMPLESCOPE_SOUND_RECORDING); or "none", no server Wine could reach.
# Usage: wine-sound-run.sh pulse|none <program.exe> [arguments]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
case=$1
shift
export SIMPLESCOPE_WINE_SOUND=$case
folder=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-wine-sound.XXXXXX")
chmod 700 "$folder"
server="" recorder=""
finish() {
  # KEEP_RECORDING=FILE keeps what the sink played, to listen to or measure.
  [ -n "${KEEP_RECORDING:-}" ] && [ -f "$folder/recorded.raw" ] && cp "$folder/recorded.raw" "$KEEP_RECORDING"
  [ -n "$recorder" ] && kill "$recorder" 2>/dev/null && wait "$recorder" 2>/dev/null || true
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true
  rm -rf "$folder"
}
trap finish EXIT

if [ "$case" = none ]; then
  # Neither PulseAudio nor ALSA's plug-in for it finds a server.
  export PULSE_SERVER=unix:$folder/no-server
  "$here/../../../tools/wine-run.sh" "$@"
  exit
fi

if ! command -v pulseaudio >/dev/null || ! command -v parecord >/dev/null; then
  echo "wine-sound-run: pulseaudio or parecord is not installed; skipped" >&2
  exit 77
fi
# The server's state goes to the private folder; clients need no cookie.
XDG_RUNTIME_DIR=$folder HOME=$folder pulseaudio --daemonize=no --exit-idle-time=-1 -n \
  --use-pid-file=no --disallow-exit --load="module-null-sink sink_name=nul" \
  --load="module-native-protocol-unix auth-anonymous=1" >"$folder/server.log" 2>&1 &
server=$!
export PULSE_SERVER=unix:$folder/pulse/native
for _ in $(seq 100); do
  pactl info >/dev/null 2>&1 && break
  kill -0 "$server" 2>/dev/null || { cat "$folder/server.log" >&2; exit 1; }
  sleep 0.1
done
pactl set-default-sink nul
export SIMPLESCOPE_SOUND_RECORDING=$folder/recorded.raw
parecord --raw --device=nul.monitor --format=s16le --rate=44100 --channels=1 \
  --latency-msec=20 >"$SIMPLESCOPE_SOUND_RECORDING" &
recorder=$!
"$here/../../../tools/wine-run.sh" "$@"
