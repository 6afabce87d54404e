#!/usr/bin/env bash
# Builds the Debian package from a finished build folder and checks it as Debian and a
# school's machine would: lintian (Debian's default profile) must print no error and no
# warning, the package's name and fields must be in Debian's form, and the unpacked
# programs must start and report their version; the desktop entry and the AppStream
# metadata must pass their validators. Needs no display and changes nothing on the machine.
#   bash tools/check-package.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

fail() { echo "check-package: $*" >&2; exit 1; }

rm -f "$build"/simplescope_*.deb
(cd "$build" && cpack -G DEB) >"$build/cpack.log" 2>&1 || { cat "$build/cpack.log"; fail "cpack failed"; }
debs=("$build"/simplescope_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no simplescope_<version>_amd64.deb in $build"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "simplescope_${version}_amd64.deb" ] || fail "$deb: not Debian's name for $version"
echo "package: $(basename "$deb")"

echo "lintian:"
lintian_output=$(lintian --fail-on error,warning "$deb" 2>&1) || {
  echo "$lintian_output"
  fail "lintian reports errors or warnings"
}
# lintian says so when run as root; that is not about the package.
lintian_output=$(echo "$lintian_output" | grep -v 'running with root privileges' || true)
[ -z "$lintian_output" ] || { echo "$lintian_output"; fail "lintian has more to say"; }
echo "  no errors, no warnings"

maintainer=$(dpkg-deb -f "$deb" Maintainer)
[[ $maintainer =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer \"$maintainer\" is not \"Name <address>\""

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root/unpacked"
dpkg-deb -e "$deb" "$root/control"
u=$root/unpacked
for file in usr/bin/simplescope usr/bin/simplescope-board usr/bin/simplescope-record lib/udev/rules.d/70-simplescope.rules \
  usr/share/applications/simplescope.desktop usr/share/icons/hicolor/128x128/apps/simplescope.png \
  usr/share/doc/simplescope/copyright usr/share/doc/simplescope/changelog.Debian.gz; do
  [ -f "$u/$file" ] || fail "the package lacks /$file"
done
changelog_version=$(zcat "$u/usr/share/doc/simplescope/changelog.Debian.gz" | sed -n '1s/^simplescope (\(.*\)).*/\1/p')
[ "$changelog_version" = "$version" ] ||
  fail "the changelog's last entry is for \"$changelog_version\", the package is $version (add an entry to dist/debian/changelog)"
for program in "$u"/usr/bin/*; do
  [ -f "$u/usr/share/man/man1/${program##*/}.1.gz" ] || fail "${program##*/} has no manual page"
done

# The programs as installed: their version, and the window starting (offscreen) up to its
# first paint.
upstream=${version%-*}
for program in simplescope simplescope-board simplescope-record; do
  said=$(env -u DISPLAY "$u/usr/bin/$program" --version)
  [ "$said" = "$program $upstream" ] || fail "$program --version says \"$said\", not \"$program $upstream\""
  echo "$said"
done
QT_QPA_PLATFORM=offscreen SIMPLESCOPE_QUIT_AFTER_FIRST_PAINT=1 timeout 30 "$u/usr/bin/simplescope" \
  >/dev/null 2>"$root/start.log" || { cat "$root/start.log"; fail "the installed program did not start"; }
echo "the installed window starts and paints (offscreen)"

desktop-file-validate "$u/usr/share/applications/simplescope.desktop" ||
  fail "desktop-file-validate refuses the desktop entry"
metainfo=("$u"/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "the package has no AppStream metadata"
# Offline: the web addresses in it are not fetched.
appstreamcli validate --no-net "${metainfo[0]}" >"$root/appstream.log" 2>&1 ||
  { cat "$root/appstream.log"; fail "appstreamcli refuses ${metainfo[0]##*/}"; }
echo "desktop entry and AppStream metadata valid"

# The maintainer scripts where no udev runs (a chroot, a container, this check): they must
# succeed and do nothing.
if [ ! -S /run/udev/control ]; then
  sh "$root/control/postinst" configure || fail "postinst fails without udev"
  sh "$root/control/postrm" remove || fail "postrm fails without udev"
  sh "$root/control/postrm" purge || fail "postrm purge fails without udev"
  echo "maintainer scripts pass without udev"
fi
