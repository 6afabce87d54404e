#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each for a bounded time from its seed corpus: the report descriptor
# parser (seeded with the descriptor corpus), the byte log's decoding with the text
# helpers, the axis label formatter, and the axes run through a full paint of an offscreen
# chart (seeds in fuzz/corpus/).
# Usage: tools/fuzz.sh [SECONDS per target, default 30] [TARGET...]
# Extra libFuzzer options go in FUZZ_OPTIONS, e.g. FUZZ_OPTIONS=-runs=10000000.
# FUZZ_SANITIZE=fuzzer-undefined builds without AddressSanitizer (in build-fuzz-undefined/),
# about twice as fast, for long runs; both builds grow the same corpus in build-fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(descriptor_fuzz byte_log_fuzz label_format_fuzz axis_fuzz)
sanitize=${FUZZ_SANITIZE:-fuzzer}
case $sanitize in
  fuzzer) out=build-fuzz ;;
  fuzzer-undefined) out=build-fuzz-undefined ;;
  *) echo "fuzz.sh: FUZZ_SANITIZE is fuzzer or fuzzer-undefined" >&2; exit 2 ;;
esac
corpora=build-fuzz/corpus

CC=clang CXX=clang++ cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSIMPLESCOPE_SANITIZE="$sanitize" -DSIMPLESCOPE_TESTS=OFF >/dev/null
cmake --build "$out" -j "$(nproc)" --target "${targets[@]}"

# The descriptor corpus, one file per descriptor.
mkdir -p "$corpora/descriptor_fuzz"
tail -n +2 tests/hid/data/hid-descriptors.tsv | cut -f3 | nl -nln | while read -r n hex; do
  echo "$hex" | perl -ne 'print pack("H*", join("", split))' > "$corpora/descriptor_fuzz/seed-$n"
done

export QT_QPA_PLATFORM=offscreen
# The axis target paints with Qt, whose font libraries keep allocations until the end.
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
for target in "${targets[@]}"; do
  corpus="$corpora/$target"
  mkdir -p "$corpus"
  seeds="fuzz/corpus/${target%_fuzz}"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus/"
  echo "== $target"
  # The axis target keeps one chart for all inputs, whose text caches fill and empty as
  # they go: counted per input those would all look like leaks.
  own=()
  [ "$target" = axis_fuzz ] && own=(-detect_leaks=0)
  # shellcheck disable=SC2086
  "$out/fuzz/$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
    -print_final_stats=1 "${own[@]}" ${FUZZ_OPTIONS:-} "$corpus" 2>&1 | tail -n 12
done
