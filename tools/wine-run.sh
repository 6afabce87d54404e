#!/usr/bin/env bash
# Runs a Windows program of build-windows/ under Wine: the test runner's emulator for the
# Windows build (CMAKE_CROSSCOMPILING_EMULATOR). tools/windows.sh gives it the prefix, the
# display and the running wineserver; started alone, it makes a prefix of its own.
set -euo pipefail
# shellcheck source=tools/wine-env.sh
source "$(dirname "$0")/wine-env.sh"
wine_own_prefix
wine "$@"
