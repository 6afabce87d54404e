#!/usr/bin/env bash
# Installs what is missing, builds simplescope and runs the whole test suite, in stages:
#   plain    the plain build (build/) and its tests
#   package  the Debian package made from build/ and checked (lintian, the programs start)
#   asan     the suite under AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)
#   tsan     the framework, HID and window logic tests under ThreadSanitizer (build-tsan/)
#   fuzz     a bounded run of each fuzz target (build-fuzz/)
#   windows  the Windows build under Wine (tools/windows.sh, build-windows/; its first run
#            builds Qt for Windows into a cache)
# Without arguments it runs them all, in that order; with names, those stages alone
# (`bash tools/test.sh tsan windows`). Each configuration has a folder of its own, configured
# with the same options every time. The long soak runs are left out: ctest --test-dir build
# -L soak runs them. The last line names every test that needed a second run.
set -euo pipefail
cd "$(dirname "$0")/.."

all_stages=(plain package asan tsan fuzz windows)
stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=("${all_stages[@]}")
for stage in "${stages[@]}"; do
  case " ${all_stages[*]} " in
    *" $stage "*) ;;
    *) echo "test.sh: no stage '$stage' (stages: ${all_stages[*]})" >&2; exit 2 ;;
  esac
done

bash tools/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
# shellcheck source=tools/test-runs.sh
source tools/test-runs.sh

# Qt for the Windows stage, where the cache lacks it (a new machine), is about an hour of CPU.
# Begun now at the lowest priority, it takes what the Linux stages leave idle, and their
# tests mostly wait; the Windows stage waits for it. With the cache there it ends at once.
libs_pid=
libs_log=
stop_libs_build() {
  [ -n "$libs_pid" ] && kill -TERM -- "-$libs_pid" 2>/dev/null && wait "$libs_pid" 2>/dev/null
  [ -n "$libs_log" ] && rm -f "$libs_log"
  return 0
}
trap 'stop_libs_build; report_second_runs' EXIT
case " ${stages[*]} " in
  *" windows "*)
    bash tools/install-deps.sh --windows
    libs_log=$(mktemp "${TMPDIR:-/tmp}/simplescope-windows-libs.XXXXXX")
    # A session of its own, so that stopping it stops its compilers too.
    # Qt SVG after it, if it can be built (tools/windows.sh goes on without it).
    setsid nice -n 19 bash -c 'libs=$(bash tools/build-windows-libs.sh | tail -n1) &&
      { bash tools/build-windows-svg.sh "$libs" || true; }' >"$libs_log" 2>&1 </dev/null &
    libs_pid=$!
    ;;
esac

configure_and_build() {  # dir, extra cmake args...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DSIMPLESCOPE_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

stage_plain() {
  configure_and_build build
  run_tests plain build -j "$jobs" -LE soak
}

stage_package() {
  configure_and_build build
  bash tools/check-package.sh build
}

# The umockdev tests run with its preload library ahead of the sanitizer runtime. The
# unplug cycles, 200 in the plain run, are fewer here: each is several times slower.
stage_asan() {
  configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DSIMPLESCOPE_SANITIZE=address
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:verify_asan_link_order=0 \
    LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 SIMPLESCOPE_E2E_CYCLES=50 \
    run_tests asan build-asan -j "$jobs" -LE soak
}

stage_tsan() {
  configure_and_build build-tsan -DCMAKE_BUILD_TYPE=Debug -DSIMPLESCOPE_SANITIZE=thread
  # ThreadSanitizer needs a fixed address layout on kernels with wide mmap randomisation.
  ctest_prefix=(setarch "$(uname -m)" -R)
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp" \
    run_tests tsan build-tsan -j "$jobs" -L 'tsan|umockdev' -LE soak
  ctest_prefix=()
}

stage_fuzz() {
  bash tools/fuzz.sh 20
}

stage_windows() {
  if [ -n "$libs_pid" ]; then
    echo "== Qt and libjpeg-turbo for Windows (begun with the first stage)"
    if ! wait "$libs_pid"; then
      libs_pid=
      echo "test.sh: building Qt for Windows failed; the end of its log:" >&2
      tail -n 40 "$libs_log" >&2
      return 1
    fi
    libs_pid=
  fi
  bash tools/windows.sh
}

for stage in "${stages[@]}"; do
  echo "== $stage"
  "stage_$stage"
done
