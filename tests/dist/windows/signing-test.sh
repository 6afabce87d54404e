#!/usr/bin/env bash
# tools/sign-windows.sh with a throwaway code-signing certificate: without a certificate it
# says so and makes nothing; with a wrong password it says so and makes nothing; with the
# certificate every signature it makes (the two programs, as the zip and the installer carry
# them, the uninstaller the installer writes, the installer and the MSI) verifies against it,
# SHA256SUMS fits the packages, and a changed byte breaks a signature.
#   signing-test.sh BUILD_DIR VERSION
# The uninstaller is looked at as an install writes it, under Wine (tools/windows.sh's prefix,
# or one of its own).
set -euo pipefail
build=$(realpath "$1")
version=$2
here=$(dirname "$(realpath "$0")")
source_dir=$(cd "$here/../../.." && pwd)
fail() { echo "signing-test: $*" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-signing-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
name=simplescope-$version-win64
sign=(bash "$source_dir/tools/sign-windows.sh" "$build")

echo "== a throwaway code-signing certificate"
openssl req -x509 -newkey rsa:3072 -sha256 -days 2 -nodes -keyout "$work/key.pem" \
  -out "$work/cert.pem" -subj "/CN=simplescope signing test/O=A school" \
  -addext extendedKeyUsage=codeSigning -addext "keyUsage=critical,digitalSignature" \
  -addext "basicConstraints=critical,CA:FALSE" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:Sch00l-pass \
  -out "$work/school.p12"

echo "== without a certificate: said, and nothing made"
out=$(env -u SIMPLESCOPE_SIGN_PKCS12 SIMPLESCOPE_PACKAGE_DIR="$work/unsigned" "${sign[@]}" 2>&1) ||
  fail "without a certificate it failed: $out"
grep -q "no certificate" <<<"$out" || fail "without a certificate it said: $out"
[ ! -e "$work/unsigned" ] || fail "without a certificate it made $(ls "$work/unsigned")"

echo "== a wrong password: said, and nothing made"
status=0
out=$(SIMPLESCOPE_SIGN_PKCS12="$work/school.p12" SIMPLESCOPE_SIGN_PASSWORD=wrong \
  SIMPLESCOPE_PACKAGE_DIR="$work/wrong" "${sign[@]}" 2>&1) || status=$?
[ $status -ne 0 ] || fail "a wrong password was taken"
grep -q "password" <<<"$out" || fail "with a wrong password it said: $out"
[ ! -e "$work/wrong" ] || fail "with a wrong password it made $(ls "$work/wrong")"

echo "== signed"
SIMPLESCOPE_SIGN_PKCS12="$work/school.p12" SIMPLESCOPE_SIGN_PASSWORD=Sch00l-pass \
  SIMPLESCOPE_PACKAGE_DIR="$work/signed" "${sign[@]}" >/dev/null || fail "signing failed"
signed=$work/signed
verify() {
  osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1 || {
    cat "$work/verify.log" >&2
    fail "$(basename "$1") does not verify"
  }
}
verify "$signed/$name.exe"
verify "$signed/$name.msi"
mkdir "$work/zip"
unzip -q "$signed/$name.zip" -d "$work/zip"
for program in simplescope simplescope-record; do
  verify "$work/zip/$name/bin/$program.exe"
done
(cd "$signed" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not fit the packages"
# Packages that only their maker may read can't be copied to a school's deployment share.
for file in "$signed/$name.exe" "$signed/$name.msi" "$signed/$name.zip" "$signed/SHA256SUMS"; do
  [ "$(stat -c %a "$file")" = 644 ] || fail "$(basename "$file") has mode $(stat -c %a "$file")"
done

echo "== the programs and the uninstaller as an install writes them"
# shellcheck source=tools/wine-env.sh
source "$source_dir/tools/wine-env.sh"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
win_dir="C:\\simplescope-signed-$$"
dir=$(winepath -u "$win_dir" 2>/dev/null)
dir=${dir%/}
timeout 120 wine "$signed/$name.exe" /S "/D=$win_dir" </dev/null || fail "the signed installer failed ($?)"
verify "$dir/Uninstall.exe"
verify "$dir/bin/simplescope.exe"
quiet=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\simplescope' \
  /v QuietUninstallString | sed -n 's/^ *QuietUninstallString *REG_SZ *//p' | tr -d '\r')
printf '@%s\r\n' "$quiet" >"$work/uninstall.bat"
timeout 120 wine cmd /c "$(winepath -w "$work/uninstall.bat")" </dev/null ||
  fail "the uninstall failed ($?)"
[ ! -e "$dir" ] || fail "the uninstall left $dir"

echo "== a changed byte breaks the signature"
changed=$work/changed.exe
cp "$work/zip/$name/bin/simplescope.exe" "$changed"
size=$(stat -c %s "$changed")
printf '\xff' | dd of="$changed" bs=1 seek=$((size / 2)) conv=notrunc status=none
! osslsigncode verify -CAfile "$work/cert.pem" -in "$changed" >/dev/null 2>&1 ||
  fail "a changed program still verifies"
echo "signing-test: passed"
