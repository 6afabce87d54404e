#!/usr/bin/env bash
# The run command's choice of demo board, with stand-ins for the programs: the uhid board
# when it plugs in (and unplugged again when the program ends), the emulated board when
# /dev/uhid is missing or the board tool can't make its device (with the tool's reason),
# and the program alone when neither is to be had. Assumes no real board is attached.
#   run-choice-test.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# A build folder of stand-ins; BOARD is the board tool's body.
make_build() {  # dir board-body [no-emulator]
  local dir=$1
  mkdir -p "$dir/app" "$dir/tools/simplescope-board" "$dir/tools/emulated-board"
  printf '#!/bin/sh\necho ran >"%s/program.ran"\n' "$dir" >"$dir/app/simplescope"
  printf '#!/bin/sh\n%s\n' "$2" >"$dir/tools/simplescope-board/simplescope-board"
  if [ "${3:-}" != no-emulator ]; then
    printf '#!/bin/sh\necho "$@" >"%s/emulator.args"\n' "$dir" >"$dir/tools/emulated-board/emulated-board"
  fi
  chmod +x "$dir"/app/* "$dir"/tools/*/* 2>/dev/null
}

run() {  # build-dir uhid-path
  SIMPLESCOPE_BUILD_DIR=$1 SIMPLESCOPE_UHID=$2 timeout 30 bash "$source_dir/tools/run.sh" 2>&1
}

touch "$work/uhid"  # present, and open to this user

# A board that plugs in and stays until it is ended.
make_build "$work/plugs" "echo \$\$ >$work/plugs/board.pid
echo 'simplescope-board: plugged in: sine'
exec sleep 60"
said=$(run "$work/plugs" "$work/uhid")
[[ $said == *"plugged in the virtual board (a 3 V sine) through $work/uhid"* ]] ||
  fail "an open uhid node: \"$said\""
[ -f "$work/plugs/program.ran" ] || fail "an open uhid node: the program did not run"
[ ! -f "$work/plugs/emulator.args" ] || fail "an open uhid node: the emulated board ran too"
sleep 0.2
if [ -f "$work/plugs/board.pid" ] && kill -0 "$(cat "$work/plugs/board.pid")" 2>/dev/null; then
  fail "the uhid board was left plugged in after the program ended"
  kill "$(cat "$work/plugs/board.pid")"
fi

# A board tool that can't make its device.
make_build "$work/refused" "echo 'simplescope-board: cannot make the device: Operation not permitted'
exit 1"
said=$(run "$work/refused" "$work/uhid")
[[ $said == *"cannot make the device: Operation not permitted: running with the virtual board"*"emulated node"* ]] ||
  fail "a refused uhid board: \"$said\""
[ "$(cat "$work/refused/emulator.args" 2>/dev/null)" = \
  "--quiet --signal=sine --period=50 --amplitude=3 -- $work/refused/app/simplescope" ] ||
  fail "a refused uhid board: the emulated board was not started with the program"

# No uhid node at all.
make_build "$work/missing" "echo 'simplescope-board: should not run' >$work/missing/board.ran"
said=$(run "$work/missing" "$work/no-uhid")
[[ $said == *"$work/no-uhid is missing"*"on an emulated node"* ]] || fail "no uhid node: \"$said\""
[ -f "$work/missing/emulator.args" ] || fail "no uhid node: the emulated board did not run"
[ ! -f "$work/missing/board.ran" ] || fail "no uhid node: the uhid board tool was tried"

# Neither uhid nor the emulated board: the program alone, and it says so.
make_build "$work/alone" "exit 1" no-emulator
said=$(run "$work/alone" "$work/no-uhid")
[[ $said == *"the emulated board is not built: the program starts alone"* ]] ||
  fail "nothing to demo with: \"$said\""
[ -f "$work/alone/program.ran" ] || fail "nothing to demo with: the program did not run"

[ "$failures" -eq 0 ] && echo "the run command chooses its demo board as it should"
exit $((failures > 0))
