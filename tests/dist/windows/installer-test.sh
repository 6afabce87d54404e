#!/usr/bin/env bash
# The NSIS installer under Wine, as a school's IT department would run it:
# - a silent install into a folder of the test's choosing, whose zip twin holds the same files;
# - an upgrade, silent, over an install of a lower version: one entry in the list of apps,
#   with everything a deployment tool reads, and no file of the old version left;
# - the installed window to its first paint and the installed recorder's --version;
# - an install and an uninstall while the installed recorder runs: both end with 1618 and
#   change nothing;
# - the quiet uninstall command line of the entry: when it returns, nothing is left (no file,
#   shortcut or key).
#   installer-test.sh BUILD_DIR VERSION
# Runs in tools/windows.sh's Wine prefix and display (WINEPREFIX, DISPLAY); started alone, it
# makes a prefix of its own.
set -euo pipefail
build=$(realpath "$1")
version=$2
here=$(dirname "$(realpath "$0")")
# shellcheck source=tools/wine-env.sh
source "$here/../../../tools/wine-env.sh"
wine_own_prefix
fail() { echo "installer-test: $*" >&2; exit 1; }
installer=$build/simplescope-$version-win64.exe
zip=$build/simplescope-$version-win64.zip
[ -f "$installer" ] || fail "no installer at $installer (dist/windows/make-packages.sh makes it)"
[ -f "$zip" ] || fail "no zip at $zip"
work=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-installer-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Wine hands exit codes back modulo 256.
running_code=$((1618 % 256))

drive_c=$WINEPREFIX/drive_c
shortcut_name="簡易オシロソフト.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\simplescope'
value_of() {
  wine reg query "$uninstall_key" /v "$1" 2>/dev/null | sed -n "s/^ *$1 *REG_[A-Z_]* *//p" | tr -d '\r'
}
shortcuts() { find "$drive_c" -name "$shortcut_name"; }
# Runs a command line as Windows would start it, unchanged (Wine would quote arguments with
# blanks, which NSIS's _?= takes for part of the folder); answers with its exit code.
run_command_line() {
  printf '@%s\r\n' "$1" >"$work/command.bat"
  local status=0
  timeout 120 wine cmd /c "$(winepath -w "$work/command.bat")" </dev/null || status=$?
  return $status
}
# A listing of a folder with every file's size and time, to see that nothing changed.
snapshot() { (cd "$1" && find . -type f -printf '%p %s %T@\n' | sort); }
assert_nothing_left() {
  local dir=$1
  if [ -e "$dir" ]; then
    find "$dir" >&2
    fail "$dir is left behind"
  fi
  [ -z "$(shortcuts)" ] || fail "a shortcut is left: $(shortcuts)"
  ! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "$uninstall_key is left"
}

echo "== silent install into a folder of our choosing"
# NSIS takes /D= only last and unquoted, and Wine quotes an argument with a blank in it:
# the name has none.
win_dir="C:\\simplescope-test-$$"
dir=$(winepath -u "$win_dir" 2>/dev/null)
dir=${dir%/}
[ ! -e "$dir" ] || fail "$dir exists before the install"
timeout 120 wine "$installer" /S "/D=$win_dir" </dev/null || fail "the installer failed ($?)"
for f in bin/simplescope.exe bin/simplescope-record.exe bin/Qt6Core.dll bin/Qt6Widgets.dll \
         bin/libstdc++-6.dll bin/platforms/qwindows.dll bin/styles/qwindowsvistastyle.dll \
         bin/translations/qtbase_ja.qm licenses/Qt-translations.txt \
         LICENSE.txt licenses/Qt.txt licenses/LGPL-3.txt Uninstall.exe; do
  [ -f "$dir/$f" ] || fail "the install lacks $f"
done
[ ! -e "$dir/bin/Qt6Test.dll" ] || fail "the install holds the tests' Qt6Test.dll"
mapfile -t found < <(shortcuts)
[ ${#found[@]} -eq 1 ] || fail "expected one Start-menu shortcut \"$shortcut_name\", found ${#found[@]}"
case ${found[0]} in
  *"/Start Menu/Programs/$shortcut_name") ;;
  *) fail "the shortcut is not in the Start menu: ${found[0]}" ;;
esac
[ "$(value_of InstallLocation)" = "$win_dir" ] || fail "InstallLocation is $(value_of InstallLocation)"

echo "== the zip holds the same files"
installed=$(cd "$dir" && find . -type f ! -name Uninstall.exe | sed 's|^\./||' | sort)
zipped=$(unzip -Z1 "$zip" | grep -v '/$' | sed 's|^[^/]*/||' | sort)
[ "$installed" = "$zipped" ] || {
  diff <(echo "$installed") <(echo "$zipped") >&2 || true
  fail "the zip and the installed folder differ (< installed, > zip)"
}

echo "== the quiet uninstall returns when everything is gone"
run_command_line "$(value_of QuietUninstallString)" || fail "the quiet uninstall failed ($?)"
assert_nothing_left "$dir"

echo "== an upgrade over version 0.0.1"
bash "$here/older-packages.sh" "$build" "$work/older"
timeout 120 wine "$work/older/simplescope-0.0.1-win64.exe" /S </dev/null ||
  fail "the older installer failed ($?)"
[ "$(value_of DisplayVersion)" = 0.0.1 ] || fail "the older version is not installed"
win_dir=$(value_of InstallLocation)
[ "$win_dir" = 'C:\Program Files\simplescope' ] || fail "the default folder is $win_dir"
dir=$(winepath -u "$win_dir" 2>/dev/null)
dir=${dir%/}
[ -f "$dir/bin/older-only.txt" ] || fail "the older version lacks its own file"
timeout 120 wine "$installer" /S </dev/null || fail "the upgrade failed ($?)"
[ ! -e "$dir/bin/older-only.txt" ] || fail "the upgrade left a file of the older version"
[ -f "$dir/bin/simplescope.exe" ] || fail "the upgrade lacks the program"
[ "$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null |
  tr -d '\r' | grep -c '\\simplescope$')" -eq 1 ] || fail "not exactly one entry in the list of apps"
[ "$(value_of DisplayName)" = simplescope ] || fail "DisplayName is $(value_of DisplayName)"
[ "$(value_of DisplayVersion)" = "$version" ] || fail "DisplayVersion is $(value_of DisplayVersion)"
[ "$(value_of Publisher)" = "The simplescope developers" ] || fail "Publisher is $(value_of Publisher)"
[ "$(value_of DisplayIcon)" = "$win_dir\\bin\\simplescope.exe,0" ] ||
  fail "DisplayIcon is $(value_of DisplayIcon)"
[ "$(value_of UninstallString)" = "\"$win_dir\\Uninstall.exe\"" ] ||
  fail "UninstallString is $(value_of UninstallString)"
[ -n "$(value_of QuietUninstallString)" ] || fail "no QuietUninstallString"
size=$(value_of EstimatedSize)
[ $((size)) -gt 10000 ] || fail "EstimatedSize is $size (KB)"
[ "$(shortcuts | wc -l)" -eq 1 ] || fail "expected one shortcut after the upgrade"

echo "== the installed programs run"
out=$(SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT=1 timeout 60 wine "$dir/bin/simplescope.exe" </dev/null 2>&1) ||
  fail "the installed window failed ($?): $out"
grep -q '^first paint [0-9]' <<<"$out" || fail "the installed window did not paint: $out"
out=$(timeout 60 wine "$dir/bin/simplescope-record.exe" --version </dev/null 2>&1) ||
  fail "the installed recorder's --version failed ($?): $out"
grep -q "^simplescope-record $version" <<<"$out" || fail "the recorder's --version says: $out"

echo "== neither an install nor an uninstall while the recorder runs"
before=$(snapshot "$dir")
# With no board it waits for one, for as long as it is let.
timeout 60 wine "$dir/bin/simplescope-record.exe" --seconds 30 -o "C:\\record-test.csv" \
  </dev/null >/dev/null 2>&1 &
recorder=$!
for _ in $(seq 100); do
  wine tasklist 2>/dev/null | grep -qi simplescope-record && break
  sleep 0.2
done
status=0
timeout 120 wine "$installer" /S </dev/null || status=$?
[ $status -eq $running_code ] || fail "an install while the recorder runs ended with $status"
status=0
run_command_line "$(value_of QuietUninstallString)" || status=$?
[ $status -eq $running_code ] || fail "an uninstall while the recorder runs ended with $status"
[ "$(snapshot "$dir")" = "$before" ] || fail "the refused runs changed the installed files"
[ "$(value_of DisplayVersion)" = "$version" ] || fail "the refused runs changed the entry"
wine taskkill /f /im simplescope-record.exe >/dev/null 2>&1 || true
wait $recorder || true

echo "== the quiet uninstall leaves nothing"
run_command_line "$(value_of QuietUninstallString)" || fail "the quiet uninstall failed ($?)"
assert_nothing_left "$dir"
echo "installer-test: passed"
