#!/usr/bin/env bash
# Runs a Windows program of build-windows/ under Wine: the test runner's emulator for the
# Windows build (CMAKE_CROSSCOMPILING_EMULATOR). tools/windows.sh gives it the prefix, the
# display and the running wineserver; started alone, it makes a prefix of its own.
set -euo pipefail
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here is .NET or a web page, and their installers would ask.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-wine.XXXXXX")
  export WINEPREFIX
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
  wineboot -i >/dev/null 2>&1
fi
wine "$@"
