#!/usr/bin/env bash
# The Windows build, made and tested on Debian: installs what it needs (MinGW-w64, Wine,
# Debian's sources), builds Qt and libjpeg-turbo for Windows when the cache lacks them
# (tools/build-windows-libs.sh, about an hour of CPU on the first run) and Qt SVG beside them
# (tools/build-windows-svg.sh, a few minutes; left out where it can't be built), builds the programs
# into build-windows/ and runs their tests under Wine, headless (Xvfb), in a fresh Wine prefix
# with one wineserver kept running for all of them.
# SIMPLESCOPE_CACHE moves the cache (default ~/.cache/simplescope).
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build=${SIMPLESCOPE_WINDOWS_BUILD:-build-windows}
jobs=$(nproc)

bash tools/install-deps.sh --windows

echo "== Qt and libjpeg-turbo for Windows"
libs=$(nice -n 19 bash tools/build-windows-libs.sh | tail -n1)
echo "$libs"

echo "== Qt SVG for Windows"
# The chart's pictures as SVG too where it can be built (tools/build-windows-svg.sh, beside the
# Qt cache); without it the programs are built and tested as they are, PNG pictures only.
if svg=$(nice -n 19 bash tools/build-windows-svg.sh "$libs" | tail -n1); then
  echo "$svg"
  libs="$libs;$svg"
else
  echo "windows.sh: no Qt SVG for Windows: the chart's pictures are saved as PNG only" >&2
fi

echo "== Windows build ($build)"
# A compiler cache set for the Linux builds serves this one too.
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
  -DSIMPLESCOPE_WINDOWS_LIBS="$libs" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=Release -DSIMPLESCOPE_TESTS=ON \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$source_dir/tools/wine-run.sh" >/dev/null
cmake --build "$build" -j "$jobs"

echo "== The emulated board (Linux build), for the HID tests under Wine"
# Wine's HID bus reads the emulated board's hidraw node: the board's runner is a Linux
# program, made in build/ as the Linux stages make it.
cmake -S . -B build -G Ninja -DSIMPLESCOPE_TESTS=ON >/dev/null
cmake --build build --target emulated-board

echo "== Windows tests under Wine"
work=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-windows.XXXXXX")
xvfb_pid=
# shellcheck source=tools/test-runs.sh
source tools/test-runs.sh
cleanup() {
  report_second_runs
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display of its own: Xvfb picks a free number and writes it to a descriptor.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "windows.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

# shellcheck source=tools/wine-env.sh
source tools/wine-env.sh
# One wineserver for every test program: a program then starts in a tenth of a second, not two.
# The prefix first: a wineserver started on an empty prefix leaves its RPC service unable to
# start, and every program that uses COM (Qt's windows platform) then fails.
wine_prefix "$work/prefix"
wineserver -w  # the server wineboot started ends a few seconds after it
wineserver -p
# Wine starts its services (the RPC service, the desktop) with the first program that needs
# them, and they keep that program's output open: started here, they don't hold the test
# runner's pipe (which it would wait on until the time-out).
wineboot -r >/dev/null 2>&1 </dev/null
wine "$build/bin/simplescope.exe" --version >/dev/null 2>&1 </dev/null
# The windows appear one at a time, so that the one under test is the active one.
# As in tools/test.sh, a test that fails gets a second run once the rest are done; its first
# failure stays in the log, and its name in the list of second runs.
run_tests windows "$build" -j 1
