#!/usr/bin/env bash
# Builds Qt SVG (the module, for the chart's pictures as SVG) for x86_64-w64-mingw32 from
# Debian's own source package, against the Qt for Windows that tools/build-windows-libs.sh
# made, whose folder is the only argument:
#   bash tools/build-windows-svg.sh ~/.cache/simplescope/windows-<key>
# Into ${SIMPLESCOPE_CACHE:-~/.cache/simplescope}/windows-svg-<key>, where the key changes with
# the qt6-svg version, that Qt's folder (whose name is its own key) and this script; an existing
# folder is reused as it is. The build runs in a temporary folder beside it that only becomes
# the cache once everything is installed, so an interrupted build leaves no half cache behind.
# Prints the cache folder on stdout as its last line. A few minutes of CPU; run it under nice.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD

qtbase=${1:?usage: build-windows-svg.sh QT_FOR_WINDOWS_FOLDER}
[ -f "$qtbase/.complete" ] || { echo "build-windows-svg: $qtbase is no finished Qt" >&2; exit 1; }
cache_root=${SIMPLESCOPE_CACHE:-$HOME/.cache/simplescope}
toolchain=$source_dir/cmake/mingw-w64-x86_64.cmake
jobs=${SIMPLESCOPE_JOBS:-$(nproc)}

# The source package of the host's Qt SVG: the same release as the host's Qt tools.
svg_version=$(dpkg-query -W -f='${Version}' qt6-svg-dev)  # e.g. 6.4.2-2

key=$(
  {
    echo "qt6-svg $svg_version"
    echo "qtbase $(basename "$qtbase")"
    cat "$0"
  } | sha256sum | cut -c1-16
)
prefix=$cache_root/windows-svg-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache_root"
work=$(mktemp -d "$cache_root/windows-svg-$key.building.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/stage
log() { echo "build-windows-svg: $*" >&2; }
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER

log "sources: qt6-svg $svg_version -> $prefix"
mkdir -p "$work/src"
(cd "$work/src" && apt-get source -qq "qt6-svg=$svg_version" >&2)
svg_src=$(find "$work/src" -maxdepth 1 -type d -name 'qt6-svg-*' | head -n1)
[ -d "$svg_src" ] || { log "apt-get source gave no source folder"; exit 1; }

# The module alone (Svg, and SvgWidgets, which needs nothing more); no tests, no examples, no
# plug-ins for reading SVG files: the programs only write them.
cmake -S "$svg_src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DSIMPLESCOPE_WINDOWS_LIBS="$qtbase" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$stage" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF >&2
cmake --build "$work/build" -j "$jobs" >&2
cmake --install "$work/build" --strip >&2

touch "$stage/.complete"
mv "$stage" "$prefix.new.$$"
rm -rf "$work"
trap - EXIT
mv -T "$prefix.new.$$" "$prefix"
log "done"
echo "$prefix"
