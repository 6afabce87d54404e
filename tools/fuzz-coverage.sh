#!/usr/bin/env bash
# Line and branch coverage of a fuzz target's source over its corpus (after tools/fuzz.sh
# has grown it): builds the target with clang's coverage instrumentation and replays the
# corpus once. Usage: tools/fuzz-coverage.sh [descriptor|label_format|axis]
set -euo pipefail
cd "$(dirname "$0")/.."
which=${1:-descriptor}
out=build-fuzz/coverage
mkdir -p "$out"
case $which in
  descriptor) sources=(fuzz/ReportDescriptorFuzz.cpp hid/ReportDescriptor.cpp)
              measured=(hid/ReportDescriptor.cpp) flags=() ;;
  label_format) sources=(fuzz/LabelFormatFuzz.cpp framework/Format.cpp framework/Exceptions.cpp)
                measured=(framework/Format.cpp)
                read -r -a flags <<<"$(pkg-config --cflags --libs Qt6Core)" ;;
  axis) sources=(fuzz/AxisFuzz.cpp chart/*.cpp framework/Component.cpp framework/Format.cpp
              framework/Exceptions.cpp framework/FontSubstitution.cpp)
        measured=(chart/ChartAxis.cpp chart/AxisDrawing.cpp chart/AxisPanel.cpp chart/Chart.cpp
                  chart/ChartCanvas.cpp chart/ChartCanvasLines.cpp chart/FastLineSeries.cpp)
        read -r -a flags <<<"$(pkg-config --cflags --libs Qt6Widgets)" ;;
  *) echo "fuzz-coverage.sh: unknown target $which" >&2; exit 2 ;;
esac
clang++ -std=c++20 -O1 -fPIC -fsanitize=fuzzer -fprofile-instr-generate -fcoverage-mapping -I. \
  "${sources[@]}" "${flags[@]}" -o "$out/$which"
QT_QPA_PLATFORM=offscreen LLVM_PROFILE_FILE="$out/$which.profraw" "$out/$which" -runs=0 \
  "build-fuzz/corpus/${which}_fuzz" >/dev/null 2>&1
llvm-profdata merge -sparse "$out/$which.profraw" -o "$out/$which.profdata"
llvm-cov report "$out/$which" -instr-profile="$out/$which.profdata" "${measured[@]}"
