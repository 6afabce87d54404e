#!/usr/bin/env bash
# Installs what is missing, builds simplescope and runs the whole test suite: a plain build,
# the Debian package made from it and checked, the same suite under AddressSanitizer +
# UndefinedBehaviorSanitizer, the framework, HID and window logic tests under
# ThreadSanitizer, a bounded run of each fuzz target, and the Windows build under Wine
# (tools/windows.sh; its first run builds Qt for Windows into a cache).
# The long soak runs are left out: ctest --test-dir build -L soak runs them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

# Two cores run the emulated boards, the VM and the sanitizers side by side: a test that
# fails on a wait under that load gets one more run. Its first failure stays in the log; a
# fault fails both runs.
retry=(--repeat until-pass:2)

configure_and_build() {  # dir, extra cmake args...
  local dir=$1
  shift
  # The tests explicitly: the run command configures the same folder without them.
  cmake -S . -B "$dir" -G Ninja -DSIMPLESCOPE_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== plain build"
configure_and_build build
ctest --test-dir build --output-on-failure "${retry[@]}" -j "$jobs" -LE soak

echo "== Debian package"
bash tools/check-package.sh build

# The umockdev tests run with its preload library ahead of the sanitizer runtime. The
# unplug cycles, 200 in the plain run, are fewer here: each is several times slower.
echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DSIMPLESCOPE_SANITIZE=address
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:verify_asan_link_order=0 \
  LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 SIMPLESCOPE_E2E_CYCLES=50 \
  ctest --test-dir build-asan --output-on-failure "${retry[@]}" -j "$jobs" -LE soak

echo "== ThreadSanitizer (framework, HID layer with its Linux backend, window logic)"
configure_and_build build-tsan -DCMAKE_BUILD_TYPE=Debug -DSIMPLESCOPE_SANITIZE=thread
# ThreadSanitizer needs a fixed address layout on kernels with wide mmap randomisation.
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp" \
  setarch "$(uname -m)" -R ctest --test-dir build-tsan --output-on-failure "${retry[@]}" -j "$jobs" \
  -L 'tsan|umockdev' -LE soak

echo "== fuzzing"
bash tools/fuzz.sh 20

echo "== Windows (MinGW-w64 cross build, tested under Wine)"
bash tools/windows.sh
