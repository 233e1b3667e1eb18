#!/usr/bin/env bash
# i815ctl and the helper on a real kernel: a Debian i386 kernel in qemu-system-i386 -M pc
# -cpu pentium3 (TCG), with a busybox initramfs holding static i386 builds of i815ctl, the
# helper and a probe; the checks run on the guest's host bridge (an i440FX, 8086:1237), with
# real port instructions and the kernel's own configuration file, real users, the helper behind
# its socket, and the race against the kernel's own cycles (tests/guest/init.sh).
# The Debian packages are downloaded once into GUEST_CACHE (~/.cache/i815quarvel-guest).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cache=${GUEST_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/i815quarvel-guest}

scripts/install-deps.sh i386 guest

echo "== Guest test: Debian i386 kernel under qemu-system-i386 -cpu pentium3"
SECONDS=0
mkdir -p "$cache"
fetch() {  # fetch PACKAGE: the .deb in the cache, downloaded once
  local deb
  deb=$(ls "$cache"/"${1%%:*}"_*.deb 2>/dev/null | head -n 1 || true)
  if [ -z "$deb" ]; then
    (cd "$cache" && apt-get download -qq -o APT::Sandbox::User=root "$1")
    deb=$(ls "$cache"/"${1%%:*}"_*.deb | head -n 1)
  fi
  echo "$deb"
}
kernel_package=$(apt-cache depends linux-image-686:i386 | awk '/Depends: linux-image-[0-9]/ { print $2; exit }')
kernel_deb=$(fetch "$kernel_package")
busybox_deb=$(fetch busybox-static:i386)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$kernel_deb" "$work/kernel"
dpkg-deb -x "$busybox_deb" "$work/busybox"
vmlinuz=$(ls "$work"/kernel/boot/vmlinuz-* | head -n 1)

cmake -S . -B build-guest -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake -DCMAKE_BUILD_TYPE=Release \
  -DQUARVEL_BUILD_UI=OFF -DQUARVEL_BUILD_TESTS=OFF -DQUARVEL_BUILD_BENCHMARKS=OFF -DQUARVEL_GUEST_PROBE=ON \
  -DCMAKE_EXE_LINKER_FLAGS=-static >/dev/null
cmake --build build-guest -j"$(nproc)" --target i815ctl i815quarvel-helper guest_probe >/dev/null
# The static programs carry glibc and the C++ runtime: the ones a Pentium III runs as they are.
scripts/check-no-sse2.sh build-guest/ctl/i815ctl build-guest/helper/i815quarvel-helper

initramfs=$work/initramfs
mkdir -p "$initramfs"/{bin,proc,sys,dev,etc}
cp "$work"/busybox/bin/busybox "$initramfs"/bin/busybox
cp build-guest/ctl/i815ctl build-guest/helper/i815quarvel-helper build-guest/tests/guest/guest_probe "$initramfs"/bin/
cp tests/guest/init.sh "$initramfs"/init
printf '%s\n' root:x:0:0:root:/:/bin/sh i815quarvel:x:999:999::/:/usr/sbin/nologin \
  stranger:x:1000:1000::/:/bin/sh member:x:1001:1001::/:/bin/sh > "$initramfs"/etc/passwd
printf '%s\n' root:x:0: i815quarvel:x:999:member stranger:x:1000: member:x:1001: > "$initramfs"/etc/group
(cd "$initramfs" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initramfs.gz"

log=build-guest/guest.log
timeout 170 qemu-system-i386 -M pc -cpu pentium3 -m 256 -accel tcg -nographic -no-reboot \
  -kernel "$vmlinuz" -initrd "$work/initramfs.gz" \
  -append "console=ttyS0 quiet panic=-1 rdinit=/init" > "$log" 2>&1 || true
tr -d '\r' < "$log" > "$log.txt"

passed=$(grep -c '^CHECK PASS' "$log.txt" || true)
failed=$(grep '^CHECK FAIL' "$log.txt" || true)
grep -E '^(host bridge|CHECK|MEASURE|i815ctl:)' "$log.txt" || true
echo "Guest test: ${SECONDS}s, $passed checks passed"
if [ -n "$failed" ] || ! grep -q '^GUEST DONE' "$log.txt" || [ "$passed" -lt 55 ]; then
  echo "guest test FAILED (whole console in $root/$log.txt)"
  exit 1
fi
