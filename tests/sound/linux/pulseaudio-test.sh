#!/usr/bin/env bash
# Runs the sound tests against a real PulseAudio server with a null sink "nul" and no
# hardware, started here in a private runtime folder and ended on the way out.
# Usage: pulseaudio-test.sh <sound_pulseaudio_tests binary> [gtest options]
set -euo pipefail
tests=$1
shift
if ! command -v pulseaudio >/dev/null || ! command -v parecord >/dev/null; then
  echo "pulseaudio-test: pulseaudio or parecord is not installed (tools/install-deps.sh installs them); skipped" >&2
  exit 77
fi

folder=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-pulse.XXXXXX")
chmod 700 "$folder"
server=""
finish() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true
  rm -rf "$folder"
}
trap finish EXIT

# The server's cookie and state go to the private folder too, not to the user's home.
export XDG_RUNTIME_DIR=$folder HOME=$folder PULSE_SERVER=unix:$folder/pulse/native
export SIMPLESCOPE_SOUND_FOLDER=$folder
pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no --disallow-exit \
  --load="module-null-sink sink_name=nul" --load=module-native-protocol-unix \
  >"$folder/server.log" 2>&1 &
server=$!
for _ in $(seq 100); do
  pactl info >/dev/null 2>&1 && break
  kill -0 "$server" 2>/dev/null || { cat "$folder/server.log" >&2; exit 1; }
  sleep 0.1
done
pactl info >/dev/null || { echo "pulseaudio-test: the server did not come up" >&2; cat "$folder/server.log" >&2; exit 1; }
pactl set-default-sink nul
"$tests" "$@"
