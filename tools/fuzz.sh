#!/usr/bin/env bash
# Builds the report descriptor fuzz target with clang's libFuzzer (plus AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a bounded time, seeded with the descriptor
# corpus. Usage: tools/fuzz.sh [seconds]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
out=build-fuzz
mkdir -p "$out/corpus"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I. fuzz/ReportDescriptorFuzz.cpp hid/ReportDescriptor.cpp -o "$out/descriptor_fuzz"

# Seed with every descriptor of the corpus, one file each.
tail -n +2 tests/hid/data/hid-descriptors.tsv | cut -f3 | nl -nln | while read -r n hex; do
  echo "$hex" | perl -ne 'print pack("H*", join("", split))' > "$out/corpus/seed-$n"
done

"$out/descriptor_fuzz" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=1024 \
  -print_final_stats=1 "$out/corpus" 2>&1 | tail -n 12
