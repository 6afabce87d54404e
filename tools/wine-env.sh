# Wine's settings, in one place for every script that runs a Windows program of ours under
# Wine (windows.sh, wine-run.sh, wine-board-run.sh, the installer's test). Sourced, it sets
# them; its functions make prefixes.
# Quiet Wine; no Mono or Gecko (nothing here is .NET or a web page, and their installers would
# ask); no menu builder, which would turn the installers' Start-menu shortcuts into .desktop
# files in the user's home.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}

# wine_prefix DIR: a fresh prefix in DIR, exported as WINEPREFIX.
wine_prefix() {
  mkdir -p "$1"
  export WINEPREFIX=$1
  wineboot -i >/dev/null 2>&1 </dev/null
}

# wine_own_prefix: the prefix the caller was given (tools/windows.sh's), else one of its own
# that goes, with its wineserver, when the caller ends.
wine_own_prefix() {
  [ -n "${WINEPREFIX:-}" ] && return 0
  wine_prefix "$(mktemp -d "${TMPDIR:-/tmp}/simplescope-wine.XXXXXX")"
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
}

# wine_reads_hidraw: Wine's HID bus passes hidraw nodes (the emulated board's) through to
# Windows programs only with its SDL bus off. The bus reads this when it starts: start the
# prefix's programs again after it.
wine_reads_hidraw() {
  wine reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' \
    /t REG_DWORD /d 0 /f >/dev/null 2>&1
}
