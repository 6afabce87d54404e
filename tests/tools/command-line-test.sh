#!/usr/bin/env bash
# The programs' command lines as a user meets them, with no display at all: --help and
# --version on stdout with exit code 0, a mistake on stderr with exit code 2 and nothing
# on stdout, English by default and Japanese under a Japanese locale.
#   command-line-test.sh WINDOW_PROGRAM BOARD_TOOL RECORDER
set -uo pipefail
window=$1 board=$2 recorder=$3
failures=0
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# expect LANG CODE STREAM TEXT -- PROGRAM ARGUMENTS...: the exit code, and TEXT in STREAM.
expect() {
  local lang=$1 code=$2 stream=$3 text=$4
  shift 5
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u LC_ALL -u LC_MESSAGES -u LANGUAGE \
    LANG="$lang" timeout 20 "$@" >"$out" 2>"$err"
  local status=$? where=$out other=$err
  [ "$stream" = stderr ] && where=$err other=$out
  if [ "$status" -ne "$code" ] || ! grep -qF -- "$text" "$where" || [ -s "$other" ]; then
    echo "FAILED: LANG=$lang ${*##*/}: exit $status (want $code), want \"$text\" on $stream"
    sed 's/^/  stdout: /' "$out"
    sed 's/^/  stderr: /' "$err"
    failures=$((failures + 1))
  fi
}

for program in "$window" "$board" "$recorder"; do
  name=${program##*/}
  expect C.UTF-8 0 stdout "Show the version and exit." -- "$program" --help
  expect C.UTF-8 0 stdout "Usage: $program" -- "$program" -h
  expect C.UTF-8 0 stdout "$name 0." -- "$program" --version
  expect C.UTF-8 2 stderr "Unknown option 'frobnicate'." -- "$program" --frobnicate
  expect C.UTF-8 2 stderr "Try '$name --help'" -- "$program" stray
  expect ja_JP.UTF-8 0 stdout "バージョンを表示して終了します。" -- "$program" --help
  expect ja_JP.UTF-8 2 stderr "不明なオプション 'frobnicate' です。" -- "$program" --frobnicate
  expect ja_JP.UTF-8 0 stdout "$name 0." -- "$program" -v
done
expect C.UTF-8 2 stderr "no such file: \"stray\"" -- "$window" stray
expect C.UTF-8 2 stderr "takes one file at most: \"two\"" -- "$window" "$window" two
expect ja_JP.UTF-8 0 stdout "Ctrl+O" -- "$window" --help
expect C.UTF-8 2 stderr "Missing value after '--period'" -- "$board" --period
expect ja_JP.UTF-8 2 stderr '--period: "1" は 2 から' -- "$board" --period=1
expect ja_JP.UTF-8 0 stdout "/dev/uhid (カーネルモジュール uhid)" -- "$board" --help
# /dev/uhid is not to be opened to users: the help says to run the tool as root.
expect C.UTF-8 0 stdout "run the tool as root (sudo simplescope-board)" -- "$board" --help
expect ja_JP.UTF-8 0 stdout "root で実行してください (sudo simplescope-board)" -- "$board" --help

[ "$failures" -eq 0 ] && echo "every command line answers as it should"
exit $((failures > 0))
