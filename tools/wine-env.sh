# Sourced by the scripts that run Windows programs of build-windows/ under Wine: quiet Wine,
# no Mono or Gecko (nothing here is .NET or a web page, and their installers would ask), and
# tools/windows.sh's prefix where there is one, else a prefix of the caller's own that goes
# when it ends.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-wine.XXXXXX")
  export WINEPREFIX
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
  wineboot -i >/dev/null 2>&1
fi
