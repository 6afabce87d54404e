#!/usr/bin/env bash
# The MSI under Wine's msiexec, as Group Policy, Intune or ConfigMgr run it:
# - a silent install of version 0.0.1, then the build's MSI over it: a major upgrade, with one
#   entry in the list of apps and no file of the old version left;
# - the entry's properties (publisher, version, install location, help link), the Start-menu
#   entry "簡易オシロソフト", the installed window to its first paint;
# - a silent uninstall by the ProductCode that leaves no file, shortcut or key.
#   msi-test.sh BUILD_DIR VERSION
# Runs in tools/windows.sh's Wine prefix and display; started alone, it makes a prefix of its own.
set -euo pipefail
build=$(realpath "$1")
version=$2
here=$(dirname "$(realpath "$0")")
# shellcheck source=tools/wine-env.sh
source "$here/../../../tools/wine-env.sh"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"  # no .desktop files in $HOME
fail() { echo "msi-test: $*" >&2; exit 1; }
msi=$build/simplescope-$version-win64.msi
[ -f "$msi" ] || fail "no MSI at $msi (dist/windows/make-packages.sh makes it)"
work=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-msi-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

drive_c=$WINEPREFIX/drive_c
dir="$drive_c/Program Files/simplescope"
shortcut_name="簡易オシロソフト.lnk"
apps='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
product_code_of() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
value_of() {
  wine reg query "$apps\\$1" /v "$2" 2>/dev/null | sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | tr -d '\r'
}
msiexec() { timeout 120 wine msiexec "$@" </dev/null; }
entries() { wine reg query "$apps" 2>/dev/null | tr -d '\r' | grep -ci 'Uninstall\\{' || true; }
[ ! -e "$dir" ] || fail "$dir exists before the install"
entries_before=$(entries)

echo "== version 0.0.1, silently"
bash "$here/older-packages.sh" "$build" "$work/older"
older=$work/older/simplescope-0.0.1-win64.msi
msiexec /i "$(winepath -w "$older")" /qn || fail "the older MSI failed ($?)"
[ -f "$dir/bin/older-only.txt" ] || fail "the older version lacks its own file"

echo "== the build's MSI over it"
msiexec /i "$(winepath -w "$msi")" /qn || fail "the MSI failed ($?)"
code=$(product_code_of "$msi")
older_code=$(product_code_of "$older")
[ -n "$code" ] && [ "$code" != "$older_code" ] || fail "ProductCodes: $code, $older_code"
[ ! -e "$dir/bin/older-only.txt" ] || fail "the upgrade left a file of the older version"
! wine reg query "$apps\\$older_code" >/dev/null 2>&1 || fail "the older version is still listed"
[ "$(entries)" -eq $((entries_before + 1)) ] || fail "not exactly one new entry in the list of apps"
for f in bin/simplescope.exe bin/simplescope-record.exe bin/Qt6Core.dll \
         bin/platforms/qwindows.dll bin/translations/qtbase_ja.qm LICENSE.txt licenses/Qt.txt; do
  [ -f "$dir/$f" ] || fail "the install lacks $f"
done
[ "$(value_of "$code" DisplayName)" = simplescope ] || fail "DisplayName: $(value_of "$code" DisplayName)"
[ "$(value_of "$code" DisplayVersion)" = "$version" ] ||
  fail "DisplayVersion: $(value_of "$code" DisplayVersion)"
[ "$(value_of "$code" Publisher)" = "The simplescope developers" ] ||
  fail "Publisher: $(value_of "$code" Publisher)"
[ "$(value_of "$code" InstallLocation)" = 'C:\Program Files\simplescope\' ] ||
  fail "InstallLocation: $(value_of "$code" InstallLocation)"
[ -n "$(value_of "$code" HelpLink)" ] || fail "no HelpLink"
# Wine puts even a per-machine shortcut into the user's Start menu.
mapfile -t found < <(find "$drive_c" -name "$shortcut_name")
[ ${#found[@]} -eq 1 ] || fail "expected one shortcut \"$shortcut_name\", found ${#found[@]}"
case ${found[0]} in
  *"/Start Menu/Programs/$shortcut_name") ;;
  *) fail "the shortcut is not in the Start menu: ${found[0]}" ;;
esac

echo "== the installed window"
out=$(SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT=1 timeout 60 wine "$dir/bin/simplescope.exe" </dev/null 2>&1) ||
  fail "the installed window failed ($?): $out"
grep -q '^first paint [0-9]' <<<"$out" || fail "the installed window did not paint: $out"

echo "== silent uninstall by the ProductCode"
msiexec /x "$code" /qn || fail "the uninstall failed ($?)"
if [ -e "$dir" ]; then
  find "$dir" >&2
  fail "the uninstall left $dir"
fi
[ -z "$(find "$drive_c" -name "$shortcut_name")" ] || fail "the uninstall left the shortcut"
! wine reg query "$apps\\$code" >/dev/null 2>&1 || fail "the uninstall left the entry"
! wine reg query 'HKLM\Software\simplescope' >/dev/null 2>&1 || fail "the uninstall left HKLM\\Software\\simplescope"
echo "msi-test: passed"
