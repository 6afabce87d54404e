#!/usr/bin/env bash
# Signs the Windows build's programs and packages with the school's (or the project's) own
# code-signing certificate: the two programs first, then the NSIS installer, the MSI and the
# zip made again from the signed programs (dist/windows/make-packages.sh), then the installer
# and the MSI themselves. Authenticode, SHA-256, with Debian's osslsigncode; SHA256SUMS beside.
#   bash tools/sign-windows.sh BUILD_DIR
# SIMPLESCOPE_SIGN_PKCS12     the certificate with its private key, a PKCS#12 (.p12/.pfx) file
# SIMPLESCOPE_SIGN_PASSWORD   its password
# SIMPLESCOPE_SIGN_TIMESTAMP_URL   optional: an RFC 3161 time-stamping service, so that the
#                             signatures stay valid after the certificate expires
# SIMPLESCOPE_PACKAGE_DIR     optional: where the signed packages go (default: BUILD_DIR)
# Without a certificate it says so and signs nothing (exit 0): the unsigned packages of the
# Windows stage stay as they are.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: sign-windows.sh BUILD_DIR" >&2; exit 2; }
build=$1
source_dir=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${SIMPLESCOPE_SIGN_PKCS12:-}" ]; then
  echo "sign-windows: no certificate (SIMPLESCOPE_SIGN_PKCS12 names none): nothing signed"
  exit 0
fi
fail() { echo "sign-windows: $*" >&2; exit 1; }
[ -r "$SIMPLESCOPE_SIGN_PKCS12" ] || fail "cannot read the certificate $SIMPLESCOPE_SIGN_PKCS12"
[ -n "${SIMPLESCOPE_SIGN_PASSWORD+set}" ] || fail "SIMPLESCOPE_SIGN_PASSWORD is not set"
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (bash tools/install-deps.sh --windows)"
# A wrong password or a file that is no PKCS#12 is said once, before anything is built. (A
# certificate exported by older Windows is encrypted the old way, which OpenSSL 3 reads only
# when asked.)
opens() {
  printf '%s' "$SIMPLESCOPE_SIGN_PASSWORD" |
    openssl pkcs12 "$@" -in "$SIMPLESCOPE_SIGN_PKCS12" -passin stdin -noout 2>/dev/null
}
opens || opens -legacy || fail "$SIMPLESCOPE_SIGN_PKCS12 can't be opened with that password"
export SIMPLESCOPE_SIGN_PASSWORD
exec bash "$source_dir/dist/windows/make-packages.sh" "$build" --sign
