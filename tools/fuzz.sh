#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each for a bounded time from its seed corpus: the report descriptor
# parser (seeded with the descriptor corpus), the byte log's decoding with the text
# helpers, and the axis label formatter (seeds in fuzz/corpus/).
# Usage: tools/fuzz.sh [SECONDS per target, default 30] [TARGET...]
# Extra libFuzzer options go in FUZZ_OPTIONS, e.g. FUZZ_OPTIONS=-runs=10000000.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(descriptor_fuzz byte_log_fuzz label_format_fuzz)
out=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSIMPLESCOPE_SANITIZE=fuzzer -DSIMPLESCOPE_TESTS=OFF >/dev/null
cmake --build "$out" -j "$(nproc)" --target "${targets[@]}"

# The descriptor corpus, one file per descriptor.
mkdir -p "$out/corpus/descriptor_fuzz"
tail -n +2 tests/hid/data/hid-descriptors.tsv | cut -f3 | nl -nln | while read -r n hex; do
  echo "$hex" | perl -ne 'print pack("H*", join("", split))' > "$out/corpus/descriptor_fuzz/seed-$n"
done

export QT_QPA_PLATFORM=offscreen
for target in "${targets[@]}"; do
  corpus="$out/corpus/$target"
  mkdir -p "$corpus"
  seeds="fuzz/corpus/${target%_fuzz}"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus/"
  echo "== $target"
  # shellcheck disable=SC2086
  "$out/fuzz/$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
    -print_final_stats=1 ${FUZZ_OPTIONS:-} "$corpus" 2>&1 | tail -n 12
done
