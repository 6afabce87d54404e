#!/usr/bin/env bash
# Runs a Windows program under Wine with the experiment board plugged in: the emulated board
# (tools/emulated-board, from the Linux build) on umockdev's sysfs and /dev, which Wine's HID
# bus passes through to Windows programs once its SDL bus is off (Wine then reads hidraw
# nodes itself). Wine, its bus included, runs under umockdev's preload library, so it needs a
# prefix and a wineserver of its own: both are made here and go when the program ends.
# The program unplugs and plugs the board through the folder in SIMPLESCOPE_BOARD_CONTROL
# (see emulated-board --control).
#   wine-board-run.sh PROGRAM.exe [ARGUMENTS]
# SIMPLESCOPE_EMULATED_BOARD names the emulated board's runner (default: build/'s);
# SIMPLESCOPE_BOARD_OPTIONS gives the board its options (--signal=file --file=PATH, say).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
runner=${SIMPLESCOPE_EMULATED_BOARD:-$source_dir/build/tools/emulated-board/emulated-board}
[ -x "$runner" ] || { echo "wine-board-run.sh: no emulated board at $runner" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-wine-board.XXXXXX")
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/control"
# shellcheck source=tools/wine-env.sh
source "$source_dir/tools/wine-env.sh"
export WINEPREFIX=$work/prefix
# The Windows program sees the folder through Wine's Z: drive.
export SIMPLESCOPE_BOARD_CONTROL="Z:$work/control"
status=0
# shellcheck disable=SC2016,SC2086
"$runner" --quiet --answer-ioctls --control="$work/control" ${SIMPLESCOPE_BOARD_OPTIONS:-} -- bash -c '
  set -e
  source "$0"
  wine_prefix "$WINEPREFIX"
  wine_reads_hidraw
  wineserver -k || true
  wineserver -w
  status=0
  wine "$@" || status=$?
  wineserver -k || true
  exit $status
' "$source_dir/tools/wine-env.sh" "$@" || status=$?
exit $status
