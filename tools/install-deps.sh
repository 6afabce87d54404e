#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing simplescope needs.
# Safe to run again: apt-get only installs what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev qt6-tools-dev qt6-l10n-tools
  libudev-dev libjpeg62-turbo-dev libfontconfig-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev perl
  umockdev libumockdev-dev
  qemu-system-x86 busybox-static cpio
  fonts-ipafont-gothic fonts-ipafont-mincho
  lintian desktop-file-utils appstream locales
  xvfb xauth xdotool valgrind
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
