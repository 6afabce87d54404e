#!/usr/bin/env bash
# Installs what is missing, builds simplescope and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DSIMPLESCOPE_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)" --target simplescope
exec build/app/simplescope
