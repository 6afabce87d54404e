#!/usr/bin/env bash
# Packages of a lower version for the upgrade tests: the build's installed tree with one file
# more (bin/older-only.txt, which an upgrade must take away), made into an NSIS installer and
# an MSI that say they are version 0.0.1, the way dist/windows/make-packages.sh makes the real
# ones.
#   older-packages.sh BUILD_DIR OUT_DIR      (makes OUT_DIR/simplescope-0.0.1-win64.{exe,msi})
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
dist=$(cd "$(dirname "$0")/../../../dist/windows" && pwd)
older=0.0.1
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-older.XXXXXX")
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/tree" --strip >/dev/null
echo "left by version $older" >"$work/tree/bin/older-only.txt"
cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" -G NSIS \
  -D CPACK_INSTALL_CMAKE_PROJECTS= -D "CPACK_INSTALLED_DIRECTORIES=$work/tree;." \
  -D CPACK_STRIP_FILES=OFF -D CPACK_PACKAGE_VERSION=$older \
  -D CPACK_PACKAGE_FILE_NAME=simplescope-$older-win64 >"$work/cpack.log" ||
  { cat "$work/cpack.log" >&2; exit 1; }
cp "$work/cpack/simplescope-$older-win64.exe" "$out/"
bash "$dist/make-msi.sh" "$work/tree" "$older" "$out/simplescope-$older-win64.msi" >/dev/null
