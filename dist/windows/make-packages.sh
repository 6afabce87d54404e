#!/usr/bin/env bash
# The Windows packages of a build, all three from one installed tree (`cmake --install
# --strip`): simplescope-<version>-win64.exe (the NSIS installer, cpack), .msi (wixl,
# make-msi.sh) and .zip (cpack), with SHA256SUMS beside them.
#   make-packages.sh BUILD_DIR [--sign]
# SIMPLESCOPE_PACKAGE_DIR names the folder they go to (default: BUILD_DIR). With --sign
# (tools/sign-windows.sh, which checks the certificate first), the programs in the tree are
# signed before they are packed, the uninstaller as the installer makes it, and the installer
# and the MSI once made: Authenticode, SHA-256, with osslsigncode, by SIMPLESCOPE_SIGN_PKCS12
# (the certificate and its key), SIMPLESCOPE_SIGN_PASSWORD and, when set,
# SIMPLESCOPE_SIGN_TIMESTAMP_URL (an RFC 3161 time-stamping service).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: make-packages.sh BUILD_DIR [--sign]" >&2; exit 2; }
build=$(realpath "$1")
sign=0
[ "${2:-}" = --sign ] && sign=1
here=$(dirname "$(realpath "$0")")
fail() { echo "make-packages: $*" >&2; exit 1; }
[ -f "$build/CPackConfig.cmake" ] || fail "$build is no configured Windows build"
out=${SIMPLESCOPE_PACKAGE_DIR:-$build}
mkdir -p "$out"
out=$(realpath "$out")
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
homepage=$(sed -n 's/^set(CPACK_NSIS_URL_INFO_ABOUT "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
name=simplescope-$version-win64

work=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-packages.XXXXXX")
trap 'rm -rf "$work"' EXIT
umask 077

# Signs files in place. The password goes to osslsigncode on its standard input, never on a
# command line that every user of the machine can read.
sign_in_place() {
  local file extra=()
  for file in "$@"; do
    case $file in *.msi) extra=(-add-msi-dse) ;; *) extra=() ;; esac
    if [ -n "${SIMPLESCOPE_SIGN_TIMESTAMP_URL:-}" ]; then
      extra+=(-ts "$SIMPLESCOPE_SIGN_TIMESTAMP_URL")
    fi
    printf '%s' "$SIMPLESCOPE_SIGN_PASSWORD" |
      osslsigncode sign -pkcs12 "$SIMPLESCOPE_SIGN_PKCS12" -readpass - -h sha256 \
        -n simplescope -i "$homepage" "${extra[@]}" -in "$file" -out "$file.signed" >/dev/null ||
      fail "could not sign $file"
    mv -f "$file.signed" "$file"
  done
}

tree=$work/tree
cmake --install "$build" --prefix "$tree" --strip >/dev/null
[ $sign -eq 1 ] && sign_in_place "$tree/bin/simplescope.exe" "$tree/bin/simplescope-record.exe"

cpack_options=(-D CPACK_INSTALL_CMAKE_PROJECTS= -D "CPACK_INSTALLED_DIRECTORIES=$tree;."
  -D CPACK_STRIP_FILES=OFF)
if [ $sign -eq 1 ]; then
  # makensis writes the uninstaller into the installer: it is signed there, by a command
  # makensis runs on it (the script is ours, the password in the environment it inherits).
  cat >"$work/sign-uninstaller.sh" <<EOF
#!/usr/bin/env bash
set -euo pipefail
$(declare -f fail sign_in_place)
homepage='$homepage'
sign_in_place "\$1"
EOF
  cpack_options+=(-D "CPACK_NSIS_SIMPLESCOPE_UNINSTFINALIZE=!uninstfinalize 'bash \"$work/sign-uninstaller.sh\" \"%1\"' = 0")
fi
cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" "${cpack_options[@]}" >"$work/cpack.log" ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
# The work above is ours alone; the packages are for everyone who deploys them to read.
umask 022
install -m 644 "$work/cpack/$name.exe" "$work/cpack/$name.zip" "$out/"
product_code=$(bash "$here/make-msi.sh" "$tree" "$version" "$out/$name.msi")
[ $sign -eq 1 ] && sign_in_place "$out/$name.exe" "$out/$name.msi"
(cd "$out" && sha256sum "$name.exe" "$name.msi" "$name.zip" >SHA256SUMS)

for package in exe msi zip; do
  printf '%s  %s bytes\n' "$out/$name.$package" "$(stat -c %s "$out/$name.$package")"
done
echo "MSI ProductCode $product_code"
