#!/usr/bin/env bash
# The Windows installer under Wine: a silent install into a folder of the test's choosing,
# the installed window to its first paint and the installed recorder's --version, then a
# silent uninstall that must leave nothing behind. Also checks that the zip holds the same
# files as the installed folder.
# installer-test.sh <installer.exe> <package.zip> <version>
# Runs in tools/windows.sh's Wine prefix and display (WINEPREFIX, DISPLAY); started alone, it
# makes a prefix of its own.
set -euo pipefail
installer=$1 zip=$2 version=$3
# shellcheck source=tools/wine-env.sh
source "$(dirname "$0")/../../../tools/wine-env.sh"
wine_own_prefix
fail() { echo "installer-test: $*" >&2; exit 1; }
[ -f "$installer" ] || fail "no installer at $installer (cpack in the build folder makes it)"
[ -f "$zip" ] || fail "no zip at $zip"

# Not the default Program Files folder, as a school's administrator may choose. NSIS takes
# the folder only unquoted (the rest of the command line after /D=), and Wine quotes an
# argument with a space in it: the name has none.
win_dir="C:\\simplescope-test-$$"
dir=$(winepath -u "$win_dir" 2>/dev/null)
dir=${dir%/}
drive_c=$WINEPREFIX/drive_c
shortcut_name="簡易オシロソフト.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\simplescope'
vendor_key='HKLM\Software\The simplescope developers'
[ ! -e "$dir" ] || fail "$dir exists before the install"

echo "== silent install into $win_dir"
timeout 120 wine "$installer" /S "/D=$win_dir" </dev/null || fail "the installer failed ($?)"
for f in bin/simplescope.exe bin/simplescope-record.exe bin/Qt6Core.dll bin/Qt6Widgets.dll \
         bin/libstdc++-6.dll bin/platforms/qwindows.dll bin/styles/qwindowsvistastyle.dll \
         LICENSE.txt licenses/Qt.txt licenses/LGPL-3.txt Uninstall.exe; do
  [ -f "$dir/$f" ] || fail "the install lacks $f"
done
[ ! -e "$dir/bin/Qt6Test.dll" ] || fail "the install holds the tests' Qt6Test.dll"
mapfile -t shortcuts < <(find "$drive_c" -name "$shortcut_name")
[ ${#shortcuts[@]} -eq 1 ] || fail "expected one Start-menu shortcut \"$shortcut_name\", found ${#shortcuts[@]}"
case ${shortcuts[0]} in
  *"/Start Menu/Programs/"*) ;;
  *) fail "the shortcut is not in the Start menu: ${shortcuts[0]}" ;;
esac
start_menu_folder=$(dirname "${shortcuts[0]}")
wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "no uninstall entry $uninstall_key"
wine reg query "$vendor_key" >/dev/null 2>&1 || fail "no key $vendor_key"

echo "== the zip holds the same files"
installed=$(cd "$dir" && find . -type f ! -name Uninstall.exe | sed 's|^\./||' | sort)
zipped=$(unzip -Z1 "$zip" | grep -v '/$' | sed 's|^[^/]*/||' | sort)
[ "$installed" = "$zipped" ] || {
  diff <(echo "$installed") <(echo "$zipped") >&2 || true
  fail "the zip and the installed folder differ (< installed, > zip)"
}

echo "== the installed programs run"
out=$(SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT=1 timeout 60 wine "$dir/bin/simplescope.exe" </dev/null 2>&1) ||
  fail "the installed window failed ($?): $out"
grep -q '^first paint [0-9]' <<<"$out" || fail "the installed window did not paint: $out"
out=$(timeout 60 wine "$dir/bin/simplescope-record.exe" --version </dev/null 2>&1) ||
  fail "the installed recorder's --version failed ($?): $out"
grep -q "^simplescope-record $version" <<<"$out" || fail "the recorder's --version says: $out"

echo "== silent uninstall"
# The uninstaller copies itself to the temporary folder and runs from there, so that it can
# delete its own file: the first process ends at once, the work goes on after it.
timeout 60 wine "$dir/Uninstall.exe" /S </dev/null || fail "the uninstaller failed ($?)"
for _ in $(seq 600); do
  [ -e "$dir" ] || break
  sleep 0.1
done
if [ -e "$dir" ]; then
  find "$dir" >&2
  fail "the uninstall left $dir behind"
fi
[ ! -e "$start_menu_folder" ] || fail "the uninstall left $start_menu_folder behind"
[ -z "$(find "$drive_c" -name "$shortcut_name")" ] || fail "the uninstall left the shortcut"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstall left $uninstall_key"
! wine reg query "$vendor_key" >/dev/null 2>&1 || fail "the uninstall left $vendor_key"
echo "installer-test: passed"
