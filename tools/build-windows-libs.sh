#!/usr/bin/env bash
# Builds what the Windows programs link beyond MinGW-w64's own runtime, from Debian's own source
# packages, for x86_64-w64-mingw32:
#   - Qt 6 (qt6-base, the version of the host's Qt tools, which the cross build runs: moc, rcc,
#     uic, lrelease): Core, Gui, Widgets, Test, the windows platform plugin, the vista style;
#   - libjpeg-turbo (static; the framework decodes the pictures with its own API).
# Into ${SIMPLESCOPE_CACHE:-~/.cache/simplescope}/windows-<key>, where the key changes with the
# source versions, the compiler, this script and the toolchain file; an existing folder is reused
# as it is. The build runs in a temporary folder beside it that only becomes the cache once
# everything is installed, so an interrupted build leaves no half cache behind.
# Prints the cache folder on stdout as its last line. Needs tools/install-deps.sh --windows.
# About 3,900 CPU-seconds; run it under nice on a shared machine.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD

cache_root=${SIMPLESCOPE_CACHE:-$HOME/.cache/simplescope}
toolchain=$source_dir/cmake/mingw-w64-x86_64.cmake
jobs=${SIMPLESCOPE_JOBS:-$(nproc)}

installed_version() { dpkg-query -W -f='${Version}' "$1"; }
qt_version=$(installed_version qt6-base-dev)            # e.g. 6.4.2+dfsg-10
jpeg_version=$(installed_version libjpeg62-turbo-dev)   # e.g. 1:2.1.5-2
gcc_version=$(installed_version g++-mingw-w64-x86-64-posix)
crt_version=$(installed_version mingw-w64-common)

key=$(
  {
    echo "qt6-base $qt_version"
    echo "libjpeg-turbo $jpeg_version"
    echo "g++-mingw-w64-x86-64-posix $gcc_version"
    echo "mingw-w64-common $crt_version"
    cat "$0" "$toolchain"
  } | sha256sum | cut -c1-16
)
prefix=$cache_root/windows-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache_root"
work=$(mktemp -d "$cache_root/windows-$key.building.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/stage
log() { echo "build-windows-libs: $*" >&2; }

# Everything compiled here goes into the cache itself: a compiler cache would only hold a
# second copy of it.
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER

log "sources: qt6-base $qt_version, libjpeg-turbo $jpeg_version -> $prefix"
mkdir -p "$work/src"
(cd "$work/src" && apt-get source -qq "qt6-base=$qt_version" "libjpeg-turbo=$jpeg_version" >&2)
qt_src=$(find "$work/src" -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
jpeg_src=$(find "$work/src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)
[ -d "$qt_src" ] && [ -d "$jpeg_src" ] || { log "apt-get source gave no source folders"; exit 1; }

log "libjpeg-turbo"
cmake -S "$jpeg_src" -B "$work/jpeg" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$stage" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=0 >&2
cmake --build "$work/jpeg" -j "$jobs" >&2
cmake --install "$work/jpeg" >&2

log "Qt $qt_version"
# Only what the programs use. Debian's repack drops src/3rdparty/wintab, hence no tablet events.
# Without Direct2D, Gui leaves out the DirectWrite font database that the windows platform
# plugin would still link when directwrite3 is on: the plugin draws text with GDI instead.
# The pictures are decoded by libjpeg-turbo's own API, so Qt needs no JPEG plugin.
# The host's Qt (QT_HOST_PATH) supplies moc, rcc, uic and the rest; none is built for the target.
mkdir -p "$work/qt"
(
  cd "$work/qt"
  "$qt_src/configure" -prefix "$stage" -release -shared \
    -nomake tests -nomake examples \
    -no-opengl -no-dbus -no-icu -no-zstd -no-feature-tabletevent \
    -no-feature-sql -no-feature-network -no-feature-xml -no-feature-concurrent \
    -no-feature-printsupport -no-feature-direct2d -no-feature-directwrite3 -no-libjpeg -no-gif \
    -qt-zlib -qt-libpng -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion \
    -qt-host-path /usr \
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >&2
)
cmake --build "$work/qt" -j "$jobs" >&2
cmake --install "$work/qt" --strip >&2

# The sources and build folders are done with; only the installed tree becomes the cache.
touch "$stage/.complete"
mv "$stage" "$prefix.new.$$"
rm -rf "$work"
trap - EXIT
mv -T "$prefix.new.$$" "$prefix"
log "done"
echo "$prefix"
