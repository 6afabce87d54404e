# Sourced by tools/test.sh and tools/windows.sh: how a stage runs its tests.
# run_tests STAGE BUILD_DIR [CTEST_OPTIONS...] runs them once; the tests that failed get one
# more run of their own once the rest are done (two cores run emulated boards, the VM and the
# sanitizers side by side, and a wait can miss its mark under that load). The first failure
# stays in the log above, and every test that needed its second run is named in the list
# that report_second_runs prints at the end: each is a fault to find, not a state to live
# with. A test that fails both runs fails the stage.
# A command to run ctest under goes in the array ctest_prefix (setarch for ThreadSanitizer).
# The list is the outermost script's (test.sh's, when it runs windows.sh): second_runs_owner
# says whether this one made it, and so reports it.
second_runs_owner=0
if [ -z "${SIMPLESCOPE_SECOND_RUNS:-}" ]; then
  SIMPLESCOPE_SECOND_RUNS=$(mktemp "${TMPDIR:-/tmp}/simplescope-second-runs.XXXXXX")
  export SIMPLESCOPE_SECOND_RUNS
  second_runs_owner=1
fi
ctest_prefix=()

run_tests() {
  local stage=$1 dir=$2
  shift 2
  if "${ctest_prefix[@]}" ctest --test-dir "$dir" --output-on-failure "$@"; then return 0; fi
  local list=$dir/Testing/Temporary/LastTestsFailed.log failed
  [ -s "$list" ] || return 1
  failed=$(cut -d: -f2- "$list")
  echo "== $stage: a second run of what failed:" $failed
  "${ctest_prefix[@]}" ctest --test-dir "$dir" --output-on-failure --rerun-failed "$@" || return 1
  printf '%s\n' "$failed" | sed "s/^/$stage: /" >>"$SIMPLESCOPE_SECOND_RUNS"
}

# Prints the list (by its owner only) and removes it.
report_second_runs() {
  [ "$second_runs_owner" = 1 ] || return 0
  if [ -s "$SIMPLESCOPE_SECOND_RUNS" ]; then
    echo "second runs: $(paste -sd ',' "$SIMPLESCOPE_SECOND_RUNS" | sed 's/,/, /g')"
  else
    echo "second runs: none"
  fi
  rm -f "$SIMPLESCOPE_SECOND_RUNS"
}
