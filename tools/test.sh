#!/usr/bin/env bash
# Installs what is missing, builds simplescope and runs the whole test suite: a plain build,
# the same suite under AddressSanitizer + UndefinedBehaviorSanitizer, and the tests that
# cross threads under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

configure_and_build() {  # dir, extra cmake args...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== plain build"
configure_and_build build
ctest --test-dir build --output-on-failure -j "$jobs"

# The umockdev tests run with its preload library ahead of the sanitizer runtime.
echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DSIMPLESCOPE_SANITIZE=address
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:verify_asan_link_order=0 \
  LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== ThreadSanitizer (tests that cross threads)"
configure_and_build build-tsan -DCMAKE_BUILD_TYPE=Debug -DSIMPLESCOPE_SANITIZE=thread
# ThreadSanitizer needs a fixed address layout on kernels with wide mmap randomisation.
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp" \
  setarch "$(uname -m)" -R ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L threads

echo "== fuzzing the report descriptor parser"
bash tools/fuzz.sh 30
