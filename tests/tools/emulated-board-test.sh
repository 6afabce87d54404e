#!/usr/bin/env bash
# The emulated board as a newcomer runs it: its whole help, every option of the virtual
# board honoured (the name, the unplugs, the faults, --verbose), its own lines kept off the
# program's standard output, and mistakes refused. The program under it is the recorder.
#   emulated-board-test.sh EMULATOR BOARD_TOOL RECORDER
set -uo pipefail
emulator=$1 board=$2 recorder=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  sed 's/^/  stdout: /' "$work/out"
  sed 's/^/  stderr: /' "$work/err"
  failures=$((failures + 1))
}
# run [ENV=VALUE...] -- ARGUMENTS...: the emulator in English (unless told), its outputs kept.
run() {
  local environment=(LANG=C.UTF-8)
  while [ "$1" != -- ]; do environment+=("$1"); shift; done
  shift
  env -u LC_ALL -u LC_MESSAGES -u LANGUAGE "${environment[@]}" timeout 30 "$emulator" "$@" \
    >"$work/out" 2>"$work/err"
}

# --help: every option, its own and the virtual board's, on standard output; exit 0.
run -- --help
status=$?
[ "$status" -eq 0 ] || fail "--help: exit $status"
[ -s "$work/err" ] && fail "--help wrote to standard error"
board_options=$("$board" --help | grep -oE '^  (-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+')
[ "$(echo "$board_options" | wc -l)" -ge 10 ] || fail "the board tool's options could not be read"
for option in $board_options --for --quiet; do
  grep -qE -- "^  (-[a-z], )?$option( |$)" "$work/out" || fail "--help leaves out $option"
done
grep -qF -- '-- PROGRAM [ARGUMENTS]' "$work/out" || fail "--help does not say where the program goes"
run LANG=ja_JP.UTF-8 -- --help
grep -qF 'PROGRAM を実行します' "$work/out" || fail "--help is not in Japanese under a Japanese locale"
grep -qF 'ボードのメッセージは標準エラー出力' "$work/out" || fail "the help's notes are not in Japanese"

# Mistakes: one clear line on standard error, exit 2, the program never started.
while IFS='|' read -r expected arguments; do
  # shellcheck disable=SC2086 # the arguments are words
  run -- $arguments
  status=$?
  if [ "$status" -ne 2 ] || ! grep -qF -- "$expected" "$work/err" || [ -s "$work/out" ] ||
    ! grep -qF "Try 'emulated-board --help'" "$work/err"; then
    fail "$arguments: exit $status (want 2 and \"$expected\")"
  fi
done <<EOF
no program to run|--signal=square
no program to run|--quiet --
unexpected argument "stray"|stray -- /bin/echo ran
--period: "1" is not a number from 2|--period=1 -- /bin/echo ran
--for: "soon" is not a number|--for=soon -- /bin/echo ran
Unknown option 'frobnicate'|--frobnicate -- /bin/echo ran
EOF

# The board's name is the one asked for.
run -- --name='Lab 3 board' -- "$recorder" --list
grep -qE '^/dev/hidraw0  21CF:0004  Lab 3 board  read/write' "$work/out" ||
  fail "--name: the board is not listed by its name"

# Standard output is the program's alone: a table piped on is the table and nothing else.
run -- -- "$recorder" --blocks 2 --interval 20
[ "$(wc -l <"$work/out")" -eq 65 ] || fail "standard output holds more or less than the table"
grep -vqE '^(block,sample,time_s,raw,volts|[0-9]+,[0-9]+,[0-9.]+,[0-9]+,-?[0-9.]+)'$'\r''$' "$work/out" &&
  fail "a line on standard output is not the table's"
grep -qE '^wall .*, 2 commands answered$' "$work/err" || fail "no wall/cpu line on standard error"
run -- --quiet -- "$recorder" --blocks 1
grep -q '^emulated-board:\|^wall' "$work/err" && fail "--quiet: the emulator still spoke"

# Unplugged and plugged in again on schedule; the recording follows it without a lost block.
run -- --unplug-every=0.5 --unplugged-for=0.3 -- "$recorder" --seconds 2 --interval 50 -o "$work/unplugged.csv"
status=$?
[ "$status" -eq 0 ] || fail "--unplug-every: exit $status"
grep -qF 'emulated-board: unplugged (plugging in again in 0.3 s)' "$work/err" ||
  fail "--unplug-every: the board did not say it was unplugged"
grep -qF 'the board is back' "$work/err" || fail "--unplug-every: the recorder never saw the board come back"
awk -F, 'NR > 1 && $1 != int((NR - 2) / 32) { bad = 1 } END { exit bad || NR < 33 }' \
  "$work/unplugged.csv" || fail "--unplug-every: the block numbers do not run on"

# --verbose: the commands and the answers on standard error.
run -- --verbose -- "$recorder" --blocks 1
grep -qF 'emulated-board: command 00 03 03 03 03 03 03 03 03' "$work/err" || fail "--verbose: no command"
grep -qE '^emulated-board: answer ([0-9a-f]{2} ){63}[0-9a-f]{2}$' "$work/err" || fail "--verbose: no answer"

# Answers of 10 bytes are faults the program sees as such: never taken for a block.
run -- --short=10 --for=1.5 -- "$recorder" --interval 20
[ -s "$work/out" ] && fail "--short=10: short answers were recorded as blocks"
grep -qF 'the board does not answer' "$work/err" || fail "--short=10: the recorder saw no fault"

[ "$failures" -eq 0 ] && echo "the emulated board honours its command line"
exit $((failures > 0))
