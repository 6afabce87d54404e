#!/usr/bin/env bash
# Runs a test program inside a small virtual machine: Debian's kernel, a busybox
# initramfs with the HID modules, the program and the libraries it needs.
# Usage: run-vm-test.sh PROGRAM CACHE_DIR [--qt] [--tool FILE]... [--env NAME=VALUE]...
#                        [--timeout SECONDS]
#   --qt               the program is a Qt program: bring the offscreen platform and the fonts
#   --tool FILE        another program the test starts, put in /bin
#   --env NAME=VALUE   set for the program in the guest (GTEST_FILTER=..., for instance)
#   --timeout SECONDS  how long the machine may run (240 s unless given)
# Prints the program's output; exits 0 only when the guest reports that it passed.
set -euo pipefail
program=$1
cache=$2
shift 2
qt=false
tools=()
environment=()
timeout=240
while [ $# -gt 0 ]; do
  case $1 in
    --qt) qt=true ;;
    --tool) tools+=("$2"); shift ;;
    --env) environment+=("$2"); shift ;;
    --timeout) timeout=$2; shift ;;
    *) echo "run-vm-test.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
mkdir -p "$cache"

# Debian's kernel, unpacked once (not installed: only its image and modules are used).
if [ ! -f "$cache/kernel/vmlinuz" ]; then
  kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null |
      sed -n 's/.*Depends: \(linux-image-[0-9].*\)/\1/p' | head -n 1
  }
  rm -rf "$cache/kernel" "$cache/deb"
  mkdir -p "$cache/deb" "$cache/kernel"
  package=$(kernel_package)
  if [ -z "$package" ] || ! (cd "$cache/deb" && apt-get download "$package" >/dev/null 2>&1); then
    apt-get update -qq >/dev/null  # package lists missing or stale
    package=$(kernel_package)
    (cd "$cache/deb" && apt-get download "$package" >/dev/null 2>&1)
  fi
  dpkg-deb -x "$cache"/deb/*.deb "$cache/deb/root"
  cp "$cache"/deb/root/boot/vmlinuz-* "$cache/kernel/vmlinuz"
  for module in hid uhid hid-generic; do
    find "$cache/deb/root/lib/modules" -name "$module.ko*" -exec cp {} "$cache/kernel/" \;
  done
  rm -rf "$cache/deb"
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,dev,proc,sys,tmp,modules}
cp "$(command -v busybox)" "$root/bin/busybox"
cp "$cache"/kernel/*.ko* "$root/modules/"
cp "$program" "$root/test"
for tool in "${tools[@]}"; do cp "$tool" "$root/bin/"; done
# The shared libraries at their own paths, and the loader; libudev too, which the program
# loads by name rather than links.
libudev=$(ldconfig -p | sed -n 's/.*libudev\.so\.1 (libc6,x86-64) => //p' | head -n 1)
needs=("$program" "$libudev" "${tools[@]}")
if $qt; then
  # Only the offscreen platform; fontconfig with the two faces the window substitutes.
  platforms=$(dirname "$(find /usr/lib -path '*qt6/plugins/platforms/libqoffscreen.so' | head -n 1)")
  mkdir -p "$root$platforms" "$root/etc/fonts" "$root/usr/share/fonts"
  cp "$platforms/libqoffscreen.so" "$root$platforms/"
  needs+=("$platforms/libqoffscreen.so")
  cp /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf \
    /usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf "$root/usr/share/fonts/"
  cat > "$root/etc/fonts/fonts.conf" <<'FONTS'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <cachedir>/tmp/fontconfig</cachedir>
</fontconfig>
FONTS
fi
{ for file in "${needs[@]}"; do ldd "$file" | grep -o '/[^ ]*'; done; echo "$libudev"; } |
  sort -u | while read -r lib; do
  mkdir -p "$root$(dirname "$lib")"
  cp -L "$lib" "$root$lib"
done

cat > "$root/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for m in hid uhid hid-generic; do insmod /modules/$m.ko* || echo "VM: insmod $m failed"; done
export HOME=/tmp XDG_RUNTIME_DIR=/tmp/xdg LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen
export SIMPLESCOPE_BOARD=/bin/simplescope-board
mkdir -p /tmp/xdg && chmod 700 /tmp/xdg
. /environment
if /test; then echo "VM-RESULT: PASS"; else echo "VM-RESULT: FAIL"; fi
poweroff -f
INIT
chmod +x "$root/init"
for variable in "${environment[@]}"; do printf 'export %q\n' "$variable"; done > "$root/environment"
(cd "$root" && find . | cpio -o -H newc --quiet) > "$root.cpio"
trap 'rm -rf "$root" "$root.cpio"' EXIT

# Software emulation: KVM is not dependable on these machines. qemu exits 0 even after a
# guest panic, so the verdict is the guest's own line.
# A Qt initramfs is about 110 MB, which the kernel holds twice while unpacking it. In the
# AddressSanitizer build each process also keeps up to 256 MB of freed memory in quarantine:
# a test that reads a growing recording again and again reached that, and 512 MB had the
# guest's OOM killer end it.
output=$(timeout "$timeout" qemu-system-x86_64 -accel tcg -cpu qemu64,+rdrand -m 1536M -smp 1 \
  -nodefaults -no-user-config -display none -serial stdio -no-reboot \
  -kernel "$cache/kernel/vmlinuz" -initrd "$root.cpio" \
  -append "console=ttyS0 panic=-1 quiet" 2>&1 || true)
echo "$output" | tr -d '\r' | grep -v '^$'
echo "$output" | grep -q "VM-RESULT: PASS"
