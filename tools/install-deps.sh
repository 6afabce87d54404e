#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing simplescope needs.
# Safe to run again: apt-get only installs what is missing.
# With --windows, also what the Windows cross build needs (tools/windows.sh): MinGW-w64, Wine,
# NSIS, wixl and msitools (the MSI), osslsigncode and openssl (tools/sign-windows.sh and its
# test), and a deb-src entry for Debian's own archive, whose qt6-base and libjpeg-turbo
# sources tools/build-windows-libs.sh builds for the target (and qt6-svg's,
# tools/build-windows-svg.sh).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev libgl-dev qt6-tools-dev qt6-l10n-tools qt6-svg-dev
  libudev-dev libjpeg62-turbo-dev libfontconfig-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev perl
  umockdev libumockdev-dev
  qemu-system-x86 busybox-static cpio
  fonts-ipafont-gothic fonts-ipafont-mincho qt6-translations-l10n
  lintian desktop-file-utils appstream locales
  xvfb xauth xdotool valgrind
  at-spi2-core python3-pyatspi dbus dbus-bin xclip
  libpulse-dev pulseaudio pulseaudio-utils
)
windows=0
if [ "${1:-}" = "--windows" ]; then
  windows=1
  packages+=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    wine wine64 dpkg-dev nsis zip
    wixl msitools osslsigncode openssl
  )
fi

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

# apt-get source needs deb-src entries: the same archive, suites and keys as the deb entries
# that point at Debian's own archive, in a file of our own.
src_list=/etc/apt/sources.list.d/simplescope-deb-src.sources
need_update=0
if [ $windows -eq 1 ] && [ ! -e "$src_list" ] && ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
  # deb822 files: every stanza of Types: deb on a Debian archive, as deb-src.
  entries=$(
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -e "$f" ] || continue
      awk -v RS= -v ORS='\n\n' '/(^|\n)Types:[^\n]*deb/ && /URIs:[^\n]*debian/ {
        sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f"
    done
  )
  if [ -z "$entries" ]; then
    # One-line files: every "deb" line on a Debian archive, as "deb-src".
    src_list=/etc/apt/sources.list.d/simplescope-deb-src.list
    entries=$(
      for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -e "$f" ] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]\(.*debian.*\)$/deb-src \1/p' "$f"
      done
    )
  fi
  if [ -z "$entries" ]; then
    echo "install-deps: no Debian archive entry in /etc/apt/sources.list* to copy as deb-src" >&2
    exit 1
  fi
  printf '%s\n' "$entries" | "${sudo_cmd[@]}" tee "$src_list" >/dev/null
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && [ $need_update -eq 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
[ ${#missing[@]} -eq 0 ] && exit 0
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
